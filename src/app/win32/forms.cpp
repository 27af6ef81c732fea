#include "app/win32/forms.hpp"

#include <commctrl.h>
#include <shellapi.h>

#include "os/win32/instances.hpp"
#include "os/win32/wide.hpp"

namespace kv::app::win32 {

// ---- the tray form ----

namespace {

HICON loadTrayIcon(const wchar_t* name) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

}  // namespace

TrayForm::TrayForm(Application& app, HWND applicationWindow)
    : Form(app.system()), app_(app), applicationWindow_(applicationWindow) {
    create("TKeyvale", "Keyvale", WS_POPUP | WS_CAPTION | WS_MINIMIZE, WS_EX_TOOLWINDOW, applicationWindow,
           CS_DBLCLKS);
    SetWindowPos(hwnd(), nullptr, -5000, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd(), SW_HIDE);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    icon_.reset(loadTrayIcon(L"MAINICON"));
}

HICON TrayForm::iconOf(TrayLook look) {
    // The paused and running icons are loaded when first shown: a
    // shortcut's start shows neither before its macro's first key.
    const auto loaded = [](os::win32::UniqueIcon& icon, const wchar_t* name) -> os::win32::UniqueIcon& {
        if (!icon) icon.reset(loadTrayIcon(name));
        return icon;
    };
    const os::win32::UniqueIcon& icon = look == TrayLook::Paused    ? loaded(pausedIcon_, L"TRAYPAUSED")
                                        : look == TrayLook::Running ? loaded(runningIcon_, L"TRAYRUNNING")
                                                                    : icon_;
    if (icon) return icon.get();
    return icon_ ? icon_.get() : LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
}

void TrayForm::showState(const TrayState& state) {
    if (state == state_) return;
    state_ = state;
    if (!iconAdded_) return;
    NOTIFYICONDATAW nid{};
    nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
    nid.hWnd = hwnd();
    nid.uID = kTrayIconId;
    nid.hIcon = iconOf(state.look);
    const std::wstring tip = os::win32::widen(trayTip(state.tip));
    lstrcpynW(nid.szTip, tip.c_str(), static_cast<int>(std::size(nid.szTip)));
    nid.uFlags = NIF_ICON | NIF_TIP;
    Shell_NotifyIconW(NIM_MODIFY, &nid);
}

TrayForm::~TrayForm() {
    if (iconAdded_) {
        NOTIFYICONDATAW nid{};
        nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
        nid.hWnd = hwnd();
        nid.uID = kTrayIconId;
        Shell_NotifyIconW(NIM_DELETE, &nid);
    }
}

void TrayForm::addIcon() {
    NOTIFYICONDATAW nid{};
    nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
    nid.hWnd = hwnd();
    nid.uID = kTrayIconId;
    nid.uCallbackMessage = kTrayCallbackMessage;
    nid.hIcon = iconOf(state_.look);
    const std::wstring tip = os::win32::widen(trayTip(state_.tip));
    lstrcpynW(nid.szTip, tip.c_str(), static_cast<int>(std::size(nid.szTip)));
    nid.uFlags = NIF_MESSAGE | NIF_ICON | (tip.empty() ? 0 : NIF_TIP);
    if (nid.hIcon && hwnd()) iconAdded_ = Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
}

void TrayForm::popupMenu() {
    os::win32::UniqueMenu menu(CreatePopupMenu());
    HMENU help = CreatePopupMenu();  // owned by menu once appended
    bool helpAppended = false;
    for (const TrayMenuItem& item : trayMenuItems()) {
        if (!item.caption) {
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING;
        if (!app_.commandEnabled(item.command)) flags |= MF_GRAYED;
        if (item.command == TrayCommand::ShowHints && app_.showHints()) flags |= MF_CHECKED;
        if (item.command == TrayCommand::StartWithWindows && app_.startsWithWindows()) flags |= MF_CHECKED;
        if (item.command == TrayCommand::Pause && app_.paused()) flags |= MF_CHECKED;
        if (item.command == TrayCommand::Help) {
            AppendMenuW(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(help),
                        os::win32::widen(item.caption).c_str());
            helpAppended = true;
        } else {
            AppendMenuW(item.inHelpSubmenu ? help : menu.get(), flags, static_cast<UINT_PTR>(item.command),
                        os::win32::widen(item.caption).c_str());
        }
    }
    if (!helpAppended) DestroyMenu(help);
    POINT pt;
    GetCursorPos(&pt);
    // The menu closes properly only when its window is in the foreground.
    SetForegroundWindow(hwnd());
    TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd(), nullptr);
    PostMessageW(hwnd(), WM_NULL, 0, 0);
}

LRESULT TrayForm::handle(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kTrayCallbackMessage) {
        switch (lp) {
            case WM_LBUTTONDBLCLK: app_.trayDoubleClick(); break;
            case WM_RBUTTONDOWN: popupMenu(); break;
            default: break;
        }
        return Form::handle(msg, wp, lp);
    }
    if (msg == os::win32::showManagerMessage()) {
        // An error raised here ends in the window procedure's guard: 0.
        return app_.showManagerForAnotherStart() ? 1 : 0;
    }
    if (taskbarCreated_ && msg == taskbarCreated_) {
        // The shell restarted: without the icon nobody could reach the program.
        addIcon();
        return 0;
    }
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == 0 && lp == 0) {
                const auto command = static_cast<TrayCommand>(LOWORD(wp));
                app_.trayCommand(command);
                return 0;
            }
            break;
        case WM_CLOSE: app_.closeRequested(); return 0;
        case WM_QUERYENDSESSION: return app_.queryEndSession() ? TRUE : FALSE;
        default: break;
    }
    return Form::handle(msg, wp, lp);
}

// ---- About box ----

namespace {

// Built from a table like every form, so that it scales with the DPI of its
// monitor when it opens and when the DPI changes.
class AboutForm : public ui::win32::Form {
public:
    AboutForm(os::System& sys, HWND owner, const AboutText& text) : Form(sys) {
        using namespace ui::win32;
        create("KeyvaleAbout", "About Keyvale", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
               owner);
        setClientSize96(kWidth, 184);
        enum Role { kIconRole = 1, kOk };
        add({
            {kIcon, kIconRole, {"", {16, 16, 32, 32}}},
            {kLabel, 0, {text.product.c_str(), {64, 24, 292, 20}}},
            {kLabel, 0, {"", {16, 64, kWidth - 32, 2}, SS_ETCHEDHORZ}},
            {kLabel, 0, {text.memoryLabel.c_str(), {16, 78, 200, 18}}},
            {kLabel, 0, {text.memoryValue.c_str(), {220, 78, kWidth - 236, 18}, SS_RIGHT}},
            {kLabel, 0, {text.resourcesLabel.c_str(), {16, 100, 200, 18}}},
            {kLabel, 0, {text.resourcesValue.c_str(), {220, 100, kWidth - 236, 18}, SS_RIGHT}},
            {kButton, kOk, {"OK", {(kWidth - 80) / 2, 140, 80, 26}}},
        });
        icon_ = &control<Label>(kIconRole);
        auto& ok = control<Button>(kOk);
        ok.onClick = [this] { endModal(1); };
        setDefaultButton(&ok);
        setCancelButton(&ok);
        setIcon();
        centre();
    }

protected:
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp) override {
        const LRESULT result = Form::handle(msg, wp, lp);
        if (msg == 0x02E0) setIcon();  // WM_DPICHANGED: the icon's pixels too
        return result;
    }

private:
    static constexpr int kWidth = 372;
    void setIcon() {
        const int size = scale(32);
        HICON icon = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        SendMessageW(icon_->hwnd(), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        iconHandle_.reset(icon);
    }
    ui::win32::Label* icon_ = nullptr;
    os::win32::UniqueIcon iconHandle_;
};

// A hot key of the program itself (the pause key, the Run Macro window's),
// typed as a macro's is.
class HotKeyForm : public ui::win32::Form {
public:
    HotKeyForm(os::System& sys, HWND owner, const std::string& caption, const std::string& prompt,
               std::uint16_t current)
        : Form(sys) {
        using namespace ui::win32;
        create("KeyvaleHotKey", caption.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
               owner);
        setClientSize96(300, 100);
        enum Role { kField = 1, kOk, kCancel };
        add({
            {kLabel, 0, {prompt.c_str(), {12, 10, 276, 28}}},
            {ui::win32::kHotKey, kField, {"", {12, 40, 200, 21}}},
            {kButton, kOk, {"&OK", {132, 70, 75, 23}, WS_GROUP}},
            {kButton, kCancel, {"&Cancel", {213, 70, 75, 23}}},
        });
        field_ = &control<HotKeyEdit>(kField);
        field_->setValue(current);
        auto& ok = control<Button>(kOk);
        auto& cancel = control<Button>(kCancel);
        ok.onClick = [this] {
            value_ = field_->value();
            endModal(1);
        };
        cancel.onClick = [this] { endModal(0); };
        setDefaultButton(&ok);
        setCancelButton(&cancel);
        centre();
    }
    std::optional<std::uint16_t> ask() {
        if (showModal() != 1) return std::nullopt;
        return value_;
    }

private:
    ui::win32::HotKeyEdit* field_ = nullptr;
    std::uint16_t value_ = 0;
};

}  // namespace

std::optional<std::uint16_t> Win32ShellView::askHotKey(const std::string& caption, std::uint16_t current) {
    HotKeyForm form(manager_.system(), applicationWindow_, caption,
                    "Pause or resume Keyvale when a certain set of keys is pressed.", current);
    return form.ask();
}

void showRunMacroHotKeyBox(Application& app, HWND owner) {
    // A refused key shows the rule's message, and the box opens again.
    std::uint16_t shown = app.runMacroHotKey();
    while (const auto chosen =
               HotKeyForm(app.system(), owner, "Run Macro Hot Key",
                          "The hot key that opens the Run Macro window from any program:", shown)
                   .ask()) {
        shown = *chosen;
        if (app.system().guard.run([&] { app.setRunMacroHotKey(*chosen); })) return;
    }
}

void showAboutBox(os::System& sys, HWND owner, const AboutText& text) {
    AboutForm box(sys, owner, text);
    box.showModal();
}

// ---- privileges ----

bool changeSecurity() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return false;
    os::win32::UniqueFile token(raw);
    TOKEN_PRIVILEGES tp{};
    if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &tp.Privileges[0].Luid)) return false;
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    return AdjustTokenPrivileges(token.get(), FALSE, &tp, 0, nullptr, nullptr) != FALSE;
}

// ---- the view ----

ManagerWindow& ManagerWindowOnDemand::get() {
    if (!window_) {
        window_.emplace(sys_, links_, printing_, host_);
        window_->refillList();
    }
    return *window_;
}

ScreenSize Win32ShellView::screen() {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

Rect Win32ShellView::managerRect() {
    RECT r;
    GetWindowRect(manager_.get().hwnd(), &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Win32ShellView::placeManager(const Rect& r) {
    SetWindowPos(manager_.get().hwnd(), nullptr, r.left, r.top, r.width, r.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

Rect Win32ShellView::virtualScreen() {
    return {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
            GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

Rect Win32ShellView::workAreaNearest(const Rect& r) {
    const RECT wanted{r.left, r.top, r.left + r.width, r.top + r.height};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &info))
        return ShellView::workAreaNearest(r);
    const RECT& a = info.rcWork;
    return {a.left, a.top, a.right - a.left, a.bottom - a.top};
}

void Win32ShellView::showFirstRunNote(const std::string& text) {
    manager_.get().showNote(text);
}

void Win32ShellView::showManager(bool activate) {
    const HWND window = manager_.get().hwnd();
    if (activate) {
        ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
        os::win32::forceForeground(window);
    } else {
        ShowWindow(window, SW_SHOWNOACTIVATE);
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void Win32ShellView::showAbout(const AboutText& text) {
    showAboutBox(manager_.system(), applicationWindow_, text);
}

std::pair<unsigned long long, unsigned> Win32ShellView::memoryStatus() {
    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof ms;
    GlobalMemoryStatusEx(&ms);
    return {ms.ullTotalPhys, 100u - ms.dwMemoryLoad};
}

void Win32ShellView::quit() {
    PostQuitMessage(0);
}

}  // namespace kv::app::win32
