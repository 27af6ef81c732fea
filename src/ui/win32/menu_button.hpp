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

protected:
    void created() override;
    void command(WORD code) override;

private:
    static LRESULT CALLBACK subclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void drawArrow();
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    bool open_ = false;
};

inline constexpr ControlKind kMenuButton{L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, &makeControl<MenuButton>};

}  // namespace kv::ui::win32
