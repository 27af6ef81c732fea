#pragma once
// A push button that opens a pop-up menu of its items directly below itself:
// on a click, on Space or Enter, and on Alt+Down. Choosing an item sets
// itemIndex() to its position (from 0) and raises onChange once; dismissing
// the menu raises nothing. An item "-" is a separator.

#include <string>
#include <vector>

#include "ui/win32/controls.hpp"

namespace kv::ui::win32 {

class MenuButton : public Button {
public:
    ~MenuButton() override;
    std::function<void()> onChange;
    void setItems(std::vector<std::string> items);
    const std::vector<std::string>& items() const { return items_; }
    int itemIndex() const { return itemIndex_; }
    void setItemIndex(int index) { itemIndex_ = index; }
    // Opens the menu and returns when it has closed.
    void popup();

    // Creates a menu button on the form.
    static MenuButton& add(Form& form, const ControlArgs& args, std::vector<std::string> items);

protected:
    void command(WORD code) override;

private:
    static LRESULT CALLBACK subclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void drawArrow();
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    bool open_ = false;
};

}  // namespace kv::ui::win32
