#include "app/win32/wizard_link.hpp"

#include "manager/shortcuts.hpp"

namespace kv::app::win32 {

os::ShellFolder wizardShortcutFolder(int item) {
    using F = os::ShellFolder;
    static constexpr F folders[] = {F::Desktop, F::StartMenu, F::Programs,
                                    F::Startup, F::Favorites, F::Personal};
    return item >= 1 && item <= 6 ? folders[item - 1] : F::None;
}

std::vector<std::string> WizardLink::macroNames() {
    return manager_ ? manager_->rowNames() : std::vector<std::string>{};
}

void WizardLink::addListRow(int image, const std::string& caption, const std::string& hotKeyText) {
    if (manager_) manager_->addRow(image, caption, hotKeyText);
}

void WizardLink::showManager() {
    if (manager_) manager_->show(false);
}

void WizardLink::hideManager() {
    if (manager_) static_cast<ui::win32::Form&>(*manager_).hide();
}

void WizardLink::createShortcut(int folder, int slot) {
    const os::ShellFolder f = wizardShortcutFolder(folder);
    if (links_ && f != os::ShellFolder::None) manager::createShortcut(sys_, *links_, f, slot);
}

}  // namespace kv::app::win32
