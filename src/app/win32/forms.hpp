#pragma once
// The hidden tray form with the tray icon and its menu, the About box, and
// the application's view of the manager window.

#include <windows.h>

#include <memory>
#include <optional>
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
    HICON iconOf(TrayLook look);
    Application& app_;
    HWND applicationWindow_;
    os::win32::UniqueIcon icon_, pausedIcon_, runningIcon_;
    TrayState state_;
    UINT taskbarCreated_ = 0;
    bool iconAdded_ = false;
};

void showAboutBox(os::System& sys, HWND owner, const AboutText& text);
// "Run Macro Hot Key...", modal.
void showRunMacroHotKeyBox(Application& app, HWND owner);

// Enables SeShutdownPrivilege in the process token; false when a step fails.
bool changeSecurity();

using manager::win32::ManagerWindow;

// The manager window, built the first time something needs it. A shortcut's
// start never shows it, so its macro's first key waits neither for the
// window nor for the common controls' library the list brings.
class ManagerWindowOnDemand {
public:
    ManagerWindowOnDemand(os::System& sys, os::ShellLinks& links, os::Printing& printing,
                          manager::ManagerHost& host)
        : sys_(sys), links_(links), printing_(printing), host_(host) {}
    ManagerWindow& get();
    os::System& system() { return sys_; }
    // A window built later fills its list as it is built.
    void refillList() {
        if (window_) window_->refillList();
    }

private:
    os::System& sys_;
    os::ShellLinks& links_;
    os::Printing& printing_;
    manager::ManagerHost& host_;
    std::optional<ManagerWindow> window_;
};

// The windows the tray opens beside the manager window, which the program
// builds after the view.
class TrayWindows {
public:
    virtual ~TrayWindows() = default;
    virtual void importMacros() = 0;
    virtual void openRunMacro() = 0;
    virtual void setRunMacroHotKey() = 0;
};

// The ShellView of the running program.
class Win32ShellView : public ShellView {
public:
    Win32ShellView(ManagerWindowOnDemand& manager, HWND applicationWindow, TrayWindows& windows)
        : manager_(manager), applicationWindow_(applicationWindow), windows_(windows) {}
    ScreenSize screen() override;
    Rect managerRect() override;
    void placeManager(const Rect& r) override;
    Rect virtualScreen() override;
    Rect workAreaNearest(const Rect& r) override;
    void showFirstRunNote(const std::string& text) override;
    void showManager(bool activate) override;
    void showAbout(const AboutText& text) override;
    std::optional<std::uint16_t> askHotKey(const std::string& caption, std::uint16_t current) override;
    std::pair<unsigned long long, unsigned> memoryStatus() override;
    void quit() override;
    void enableShutdownPrivilege() override { changeSecurity(); }
    void refillList() override { manager_.refillList(); }
    void printList() override { manager_.get().printList(); }
    // Shown once the tray form is there (it is built after the application).
    void showTrayState(const TrayState& state) override {
        state_ = state;
        if (tray_) tray_->showState(state);
    }
    void trayBuilt(TrayForm& tray) {
        tray_ = &tray;
        tray.showState(state_);
    }
    void importMacros() override { windows_.importMacros(); }
    void openRunMacro() override { windows_.openRunMacro(); }
    void setRunMacroHotKey() override { windows_.setRunMacroHotKey(); }

private:
    ManagerWindowOnDemand& manager_;
    TrayForm* tray_ = nullptr;
    TrayState state_;
    HWND applicationWindow_;
    TrayWindows& windows_;
};

}  // namespace kv::app::win32
