#pragma once
// The hidden tray form with the tray icon and its menu, the About box, and
// the application's view of the manager window.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/application.hpp"
#include "manager/win32/manager_window.hpp"
#include "os/win32/handles.hpp"
#include "os/win32/win32_os.hpp"
#include "ui/win32/controls.hpp"

namespace kv::app::win32 {

using os::win32::UniqueWindow;

class TrayForm : public ui::win32::Form {
public:
    TrayForm(Application& app, HWND applicationWindow);
    ~TrayForm() override;
    void addIcon();
    // The icon and tip of the state; kept for an icon added again later.
    void showState(const TrayState& state);

protected:
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void popupMenu();
    HICON iconOf(TrayLook look) const;
    Application& app_;
    HWND applicationWindow_;
    os::win32::UniqueIcon icon_, pausedIcon_, runningIcon_;
    TrayState state_;
    UINT taskbarCreated_ = 0;
    bool iconAdded_ = false;
};

void showAboutBox(os::System& sys, HWND owner, const AboutText& text);

// Enables SeShutdownPrivilege in the process token; false when a step fails.
bool changeSecurity();

using manager::win32::ManagerWindow;

// The ShellView of the running program.
class Win32ShellView : public ShellView {
public:
    Win32ShellView(ManagerWindow& manager, HWND applicationWindow)
        : manager_(manager), applicationWindow_(applicationWindow) {}
    ScreenSize screen() override;
    Rect managerRect() override;
    void placeManager(const Rect& r) override;
    Rect virtualScreen() override;
    Rect workAreaNearest(const Rect& r) override;
    void showFirstRunNote(const std::string& text) override;
    void showManager(bool activate) override;
    void showAbout(const AboutText& text) override;
    std::pair<unsigned long long, unsigned> memoryStatus() override;
    void quit() override;
    void enableShutdownPrivilege() override { changeSecurity(); }
    void refillList() override { manager_.refillList(); }
    void printList() override { manager_.printList(); }
    // Shown once the tray form is there (it is built after the application).
    void showTrayState(const TrayState& state) override {
        state_ = state;
        if (tray_) tray_->showState(state);
    }
    void trayBuilt(TrayForm& tray) {
        tray_ = &tray;
        tray.showState(state_);
    }

private:
    ManagerWindow& manager_;
    TrayForm* tray_ = nullptr;
    TrayState state_;
    HWND applicationWindow_;
};

}  // namespace kv::app::win32
