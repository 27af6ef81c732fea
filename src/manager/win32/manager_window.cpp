#include "manager/win32/manager_window.hpp"

#include <algorithm>
#include <iterator>

#include "os/win32/wide.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::manager::win32 {

namespace {

constexpr int kBannerHeight = 37;
constexpr int kClientWidth = 413;
constexpr int kClientHeight = 316;
// The list ends and the buttons begin at fixed distances from the bottom: in
// the default client height the list is 232 high and the buttons at 272.
constexpr int kListHeightLess = kClientHeight - 232;
constexpr int kButtonsFromBottom = kClientHeight - 272;

enum MenuId : UINT {
    kMenuNew = 1,
    kMenuDelete,
    kMenuPrint,
    kMenuProperties,
    kMenuEnabled,
    kMenuExport,
    kMenuImport,
    kMenuShortcutFirst = 10,
};

struct ShortcutItem {
    const char* caption;
    os::ShellFolder folder;
};
constexpr ShortcutItem kShortcutItems[] = {
    {"On &Desktop", os::ShellFolder::Desktop},
    {"On &Start Menu", os::ShellFolder::StartMenu},
    {"On &Programs Menu", os::ShellFolder::Programs},
    {"In Start&Up Folder", os::ShellFolder::Startup},
    {"In &Favorites Folder", os::ShellFolder::Favorites},
    {"In P&ersonal Folder", os::ShellFolder::Personal},
};

}  // namespace

ManagerWindow::ManagerWindow(os::System& sys, os::ShellLinks& links, os::Printing& printing,
                             ManagerHost& host)
    : Form(sys), presenter_(sys, links, printing, *this, host) {
    create("TfrmMain", "Veltrane Keyvale", WS_OVERLAPPEDWINDOW, 0, nullptr);
    setClientSize96(kClientWidth, kClientHeight);

    using namespace ui::win32;
    // The five buttons' roles are their places in buttons_, from 1.
    enum Role { kHelp = 1, kNew, kEdit, kDelete, kHide, kList, kStatus };
    add({
        {kMultiListView, kList, {"", {0, kBannerHeight, kClientWidth, 232}}},
        {kButton, kHelp, {"Help", {3, 272, 55, 21}}},
        {kButton, kNew, {"New Macro", {59, 272, 86, 21}}},
        {kButton, kEdit, {"Edit Macro", {147, 272, 86, 21}}},
        {kButton, kDelete, {"Delete Macro", {235, 272, 86, 21}}},
        {kButton, kHide, {"Hide", {323, 272, 86, 21}}},
        {kStatusBar, kStatus, {}},
    });
    list_ = &control<ListView>(kList);
    list_->setColumns(
        {{"Macro Name", 140}, {"Shortcut Keys", 90}, {"Abbreviation", 80}, {"Window Trigger", 95}});
    list_->setSmallImages({"LVAPP", "LVKEYS", "LVMOUSE"});
    list_->showCheckBoxes();
    list_->onCheck = [this](int row, bool on) { presenter_.setEnabled(row, on); };
    list_->onClick = [this] {
        presenter_.listClick();
        presenter_.listMouseUp();
    };
    list_->onDoubleClick = [this] { presenter_.listDoubleClick(); };
    list_->onRightClick = [this](POINT at) {
        system().guard.run([&] { presenter_.listMouseUp(); });
        popupMenu(at);
    };

    const std::function<void()> actions[] = {
        [this] { presenter_.help(); },       [this] { presenter_.newMacro(); },
        [this] { presenter_.properties(); }, [this] { presenter_.deleteMacro(); },
        [this] { presenter_.hide(); },
    };
    for (int i = 0; i < 5; ++i) {
        buttons_[i] = &control<Button>(kHelp + i);
        buttons_[i]->onClick = actions[i];
    }
    // Edit and Delete wait for a selected row.
    buttons_[2]->enable(false);
    buttons_[3]->enable(false);
    status_ = &control<StatusBar>(kStatus);

    onKeyUp = [this](WPARAM key) {
        if (key == VK_F1) system().guard.run([&] { presenter_.help(); });
        if (GetFocus() == list_->hwnd()) presenter_.listKeyUp();
    };
    onClose = [this] { presenter_.closeQuery(); };
    onResize = [this](int, int height) { layout(height); };
    RECT rc;
    GetClientRect(hwnd(), &rc);
    layout(rc.bottom);
    centre();
}

void ManagerWindow::layout(int clientHeight) {
    if (!list_) return;
    RECT rc;
    GetClientRect(hwnd(), &rc);
    const int width96 = MulDiv(rc.right, 96, scale(96));
    const int height96 = MulDiv(clientHeight, 96, scale(96));
    list_->place({0, kBannerHeight, width96, std::max(0, height96 - kListHeightLess)});
    for (ui::win32::Button* b : buttons_) {
        ui::win32::Rect96 r = b->rect96();
        r.top = height96 - kButtonsFromBottom;
        b->place(r);
    }
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void ManagerWindow::showRows(const std::vector<ListRow>& rows) {
    std::vector<ui::win32::ListView::Row> shown;
    shown.reserve(rows.size());
    for (const ListRow& r : rows)
        shown.push_back({{r.caption, r.hotKey, r.abbreviation, r.trigger}, r.image, r.enabled, !r.enabled});
    list_->setRows(shown);
}

void ManagerWindow::addRow(const ListRow& r) {
    list_->addRow({{r.caption, r.hotKey, r.abbreviation, r.trigger}, r.image, r.enabled, !r.enabled});
}

void ManagerWindow::removeRow(int row) {
    list_->removeRow(row);
}

void ManagerWindow::enableCommand(Command c, bool on) {
    switch (c) {
        case Command::DeleteButton: buttons_[3]->enable(on); break;
        case Command::EditButton: buttons_[2]->enable(on); break;
        default: break;  // menu items take their state when the menu opens
    }
}

void ManagerWindow::popupMenu(POINT at) {
    os::win32::UniqueMenu menu(CreatePopupMenu());
    HMENU shortcuts = CreatePopupMenu();  // owned by menu once appended
    for (std::size_t i = 0; i < std::size(kShortcutItems); ++i)
        AppendMenuW(shortcuts, MF_STRING, kMenuShortcutFirst + i,
                    os::win32::widen(kShortcutItems[i].caption).c_str());
    const auto state = [&](Command c) { return presenter_.commandEnabled(c) ? MF_ENABLED : MF_GRAYED; };
    AppendMenuW(menu.get(), MF_STRING, kMenuNew, L"&New Macro");
    AppendMenuW(menu.get(), MF_STRING | state(Command::DeleteItem), kMenuDelete, L"&Delete Macro");
    AppendMenuW(menu.get(), MF_POPUP | state(Command::CreateShortcut), reinterpret_cast<UINT_PTR>(shortcuts),
                L"Create Shortcut...");
    AppendMenuW(menu.get(), MF_STRING, kMenuPrint, L"Print Macro List");
    AppendMenuW(menu.get(), MF_STRING | state(Command::DeleteItem), kMenuExport, L"&Export...");
    AppendMenuW(menu.get(), MF_STRING, kMenuImport, L"&Import Macros...");
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING | state(Command::PropertiesItem), kMenuProperties, L"&Properties");
    AppendMenuW(menu.get(),
                MF_STRING | state(Command::PropertiesItem) | (presenter_.selectedEnabled() ? MF_CHECKED : 0),
                kMenuEnabled, L"&Enabled");
    const UINT id = static_cast<UINT>(
        TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, hwnd(), nullptr));
    switch (id) {
        case 0: break;
        case kMenuNew: presenter_.newMacro(); break;
        case kMenuDelete: presenter_.deleteMacro(); break;
        case kMenuPrint: presenter_.printList(); break;
        case kMenuProperties: presenter_.properties(); break;
        case kMenuEnabled: presenter_.toggleSelectedEnabled(); break;
        case kMenuExport: presenter_.exportSelected(); break;
        case kMenuImport: presenter_.importMacros(); break;
        default:
            if (id >= kMenuShortcutFirst && id < kMenuShortcutFirst + std::size(kShortcutItems))
                presenter_.createShortcut(kShortcutItems[id - kMenuShortcutFirst].folder);
            break;
    }
}

void ManagerWindow::keyboardMenu(POINT at) {
    system().guard.run([&] { presenter_.listMouseUp(); });
    popupMenu(at);
}

void ManagerWindow::paintBanner(HDC dc) {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    const int height = scale(kBannerHeight);
    // A horizontal blend from deep blue to teal, with the product name.
    ui::win32::fillBands(
        dc, (rc.right + 3) / 4,
        [&](int i) {
            return RECT{i * 4, 0, i * 4 + 4, height};
        },
        [&](int i) {
            const int t = i * 4 * 255 / rc.right;
            return RGB(16, 40 + t / 3, 110 + t / 4);
        });
    LOGFONTW lf{};
    lf.lfHeight = -scale(20);
    lf.lfWeight = FW_BOLD;
    lf.lfItalic = TRUE;
    lstrcpynW(lf.lfFaceName, L"Arial", LF_FACESIZE);
    const os::win32::UniqueFont font(CreateFontIndirectW(&lf));
    const os::win32::SelectedObject selected(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT text{scale(10), 0, rc.right, height};
    DrawTextW(dc, L"Keyvale", -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}

LRESULT ManagerWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        paintBanner(dc);
        EndPaint(hwnd(), &ps);
        return 0;
    }
    // Sent before the window shows, whichever way it is shown.
    if (msg == WM_SHOWWINDOW && wp) system().guard.run([&] { presenter_.showing(); });
    // Shift+F10 in the list (the system's WM_CONTEXTMENU at -1, -1) and the
    // context-menu key open the popup menu at the selected row, as a right
    // click does at the cursor; the key's release is taken here, so that the
    // system does not open it a second time.
    if (msg == WM_CONTEXTMENU && reinterpret_cast<HWND>(wp) == list_->hwnd()) {
        const POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        keyboardMenu(at.x == -1 && at.y == -1 ? list_->menuPoint() : at);
        return 0;
    }
    if (msg == os::win32::kFormKeyPreview && static_cast<WPARAM>(lp) == VK_APPS &&
        GetFocus() == list_->hwnd()) {
        if (wp == WM_KEYUP) keyboardMenu(list_->menuPoint());
        return 1;
    }
    return Form::handle(msg, wp, lp);
}

}  // namespace kv::manager::win32
