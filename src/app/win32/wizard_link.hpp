#pragma once
// The setup wizard's view of the rest of the program: the manager window's
// list and visibility, shortcuts, the hot-key table and the tray menu's tick.

#include "app/application.hpp"
#include "app/help.hpp"
#include "authoring/wizard_host.hpp"
#include "manager/win32/manager_window.hpp"
#include "os/shell_links.hpp"

namespace kv::app::win32 {

class WizardLink : public authoring::WizardHost {
public:
    WizardLink(Application& app, os::System& sys) : app_(app), sys_(sys) {}
    // The manager window exists only after the wizard (start-up order).
    void setManager(manager::win32::ManagerWindow* manager, os::ShellLinks* links) {
        manager_ = manager;
        links_ = links;
    }

    std::vector<std::string> macroNames() override;
    void addListRow(int image, const std::string& caption, const std::string& hotKeyText) override;
    void showManager() override;
    void hideManager() override;
    void createShortcut(int folder, int slot) override;
    void loadHotKeys() override { app_.loadHotKeys(); }
    void setShowHintsTick(bool on) override { app_.setShowHints(on); }
    void openHelp() override { openHelpTopic(sys_); }
    void propertiesRecordingStopped() override {
        if (onPropertiesRecordingStopped) onPropertiesRecordingStopped();
    }
    std::function<void()> onPropertiesRecordingStopped;

private:
    Application& app_;
    os::System& sys_;
    manager::win32::ManagerWindow* manager_ = nullptr;
    os::ShellLinks* links_ = nullptr;
};

// The shell folder of the wizard's drop-down item 1..6 ("On Desktop" ..
// "In Personal Folder"); None for anything else.
os::ShellFolder wizardShortcutFolder(int item);

}  // namespace kv::app::win32
