#include "app/win32/wizard_link.hpp"

#include <commctrl.h>

#include "store/error.hpp"

namespace kv::app::win32 {

HWND WizardLink::list() const {
    return manager_ ? FindWindowExA(manager_, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
}

std::vector<std::string> WizardLink::macroNames() {
    std::vector<std::string> names;
    HWND lv = list();
    if (!lv) return names;
    const int count = static_cast<int>(SendMessageA(lv, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        char buffer[1024] = {};
        LVITEMA item{};
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        SendMessageA(lv, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        names.emplace_back(buffer);
    }
    return names;
}

void WizardLink::addListRow(int image, const std::string& caption, const std::string& hotKeyText) {
    HWND lv = list();
    if (!lv) return;
    std::string texts[2] = {caption, hotKeyText};
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(SendMessageA(lv, LVM_GETITEMCOUNT, 0, 0));
    item.iImage = image;
    item.pszText = texts[0].data();
    const int row = static_cast<int>(SendMessageA(lv, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    LVITEMA sub{};
    sub.iSubItem = 1;
    sub.pszText = texts[1].data();
    SendMessageA(lv, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
}

void WizardLink::showManager() {
    if (manager_) ShowWindow(manager_, SW_SHOWNOACTIVATE);
}

void WizardLink::hideManager() {
    if (manager_) ShowWindow(manager_, SW_HIDE);
}

void WizardLink::createShortcut(int, int) {
    throw Error("Shortcuts cannot be created from the wizard in this version of Keyvale.");
}

}  // namespace kv::app::win32
