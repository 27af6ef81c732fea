#include "app/win32/wizard_link.hpp"

#include "manager/shortcuts.hpp"

namespace kv::app::win32 {

std::vector<std::string> WizardLink::macroNames() { return manager_ ? manager_->rowNames() : std::vector<std::string>{}; }

void WizardLink::addListRow(int image, const std::string& caption, const std::string& hotKeyText) {
    if (manager_) manager_->addRow(image, caption, hotKeyText);
}

void WizardLink::showManager() {
    if (manager_) ShowWindow(manager_->hwnd(), SW_SHOWNOACTIVATE);
}

void WizardLink::hideManager() {
    if (manager_) static_cast<ui::win32::Form&>(*manager_).hide();
}

void WizardLink::createShortcut(int folder, int slot) {
    // The wizard's drop-down lists the folders in this order after "No Shortcut".
    static constexpr os::ShellFolder kFolders[] = {os::ShellFolder::Desktop,  os::ShellFolder::StartMenu,
                                                   os::ShellFolder::Programs, os::ShellFolder::Startup,
                                                   os::ShellFolder::Favorites, os::ShellFolder::Personal};
    if (folder < 1 || folder > 6) return;
    manager::createShortcut(sys_, links_, kFolders[folder - 1], slot);
}

}  // namespace kv::app::win32
