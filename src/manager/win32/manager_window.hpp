#pragma once
// The macro manager window: banner, macro list, five buttons, status bar and
// the list's popup menu, built on the control layer. Every decision is made
// by manager::ManagerPresenter.

#include <windows.h>

#include <string>
#include <vector>

#include "manager/manager.hpp"
#include "ui/win32/controls.hpp"

namespace kv::manager::win32 {

class ManagerWindow : public ui::win32::Form, private ManagerView {
public:
    // host.openWizard and host.openProperties are the setup wizard and the
    // properties dialog; the rest connect to the application.
    ManagerWindow(os::System& sys, os::ShellLinks& links, os::Printing& printing, ManagerHost& host);

    ManagerPresenter& presenter() { return presenter_; }
    // FillMacroList: every row again from the store.
    void refillList() { presenter_.fillMacroList(); }
    void printList() { presenter_.printList(); }
    // For the setup wizard: the captions of all rows, and a new row.
    std::vector<std::string> rowNames() { return presenter_.rowNames(); }
    void addRow(int image, const std::string& caption, const std::string& subItem) {
        presenter_.addRow(image, caption, subItem);
    }
    // A line in the status bar until a row is selected.
    void showNote(const std::string& text) { status_->setText(text); }

protected:
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    // ManagerView
    void showRows(const std::vector<ListRow>& rows) override;
    void addRow(const ListRow& row) override;
    void removeRow(int row) override;
    int selectedRow() override { return list_->selectedRow(); }
    int focusedRow() override { return list_->focusedRow(); }
    std::vector<int> selectedRows() override { return list_->selectedRows(); }
    void setStatus(const std::string& text) override { status_->setText(text); }
    void enableCommand(Command c, bool on) override;
    bool isForeground() override { return GetForegroundWindow() == hwnd(); }
    bool isVisible() override { return visible(); }
    void hide() override { Form::hide(); }

    void layout(int clientHeight);
    void popupMenu(POINT at);
    // The popup menu opened by a key; the command state follows the
    // selected row as after a right click.
    void keyboardMenu(POINT at);
    void paintBanner(HDC dc);

    ManagerPresenter presenter_;
    ui::win32::ListView* list_ = nullptr;
    ui::win32::Button* buttons_[5] = {};
    ui::win32::StatusBar* status_ = nullptr;
};

}  // namespace kv::manager::win32
