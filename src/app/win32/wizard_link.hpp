#pragma once
// The setup wizard's view of the rest of the program: the manager window,
// shortcuts and the application object.

#include <windows.h>

#include "app/application.hpp"
#include "authoring/wizard_host.hpp"
#include "manager/win32/manager_window.hpp"
#include "os/shell_links.hpp"

namespace kv::app::win32 {

class WizardLink : public authoring::WizardHost {
public:
    WizardLink(Application& app, os::System& sys, os::ShellLinks& links) : app_(app), sys_(sys), links_(links) {}
    // The manager window exists only after the wizard (start-up order).
    void setManager(manager::win32::ManagerWindow* manager) { manager_ = manager; }

    std::vector<std::string> macroNames() override;
    void addListRow(int image, const std::string& caption, const std::string& hotKeyText) override;
    void showManager() override;
    void hideManager() override;
    void createShortcut(int folder, int slot) override;
    void loadHotKeys() override { app_.loadHotKeys(); }
    void setShowHintsTick(bool on) override { app_.setShowHints(on); }

private:
    Application& app_;
    os::System& sys_;
    os::ShellLinks& links_;
    manager::win32::ManagerWindow* manager_ = nullptr;
};

}  // namespace kv::app::win32
