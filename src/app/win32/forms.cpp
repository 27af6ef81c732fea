#include "app/win32/forms.hpp"

#include <commctrl.h>
#include <shellapi.h>

#include "os/win32/instances.hpp"
#include "os/win32/wide.hpp"

namespace kv::app::win32 {

// ---- the tray form ----

TrayForm::TrayForm(Application& app, HWND applicationWindow) : app_(app), applicationWindow_(applicationWindow) {
    create("TKeyvale", "Keyvale", WS_POPUP | WS_CAPTION | WS_MINIMIZE, WS_EX_TOOLWINDOW, applicationWindow,
           CS_DBLCLKS);
    SetWindowPos(hwnd(), nullptr, -5000, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd(), SW_HIDE);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    icon_.reset(
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
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
    nid.hIcon = icon_ ? icon_.get() : LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
    const std::wstring tip = os::win32::widen(trayTip(kTrayTip));
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
            case WM_LBUTTONDBLCLK: app_.guarded([&] { app_.trayDoubleClick(); }); break;
            case WM_RBUTTONDOWN: popupMenu(); break;
            default: break;
        }
        return Form::handle(msg, wp, lp);
    }
    if (msg == os::win32::showManagerMessage()) {
        bool shown = false;
        app_.guarded([&] { shown = app_.showManagerForAnotherStart(); });
        return shown ? 1 : 0;
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
                app_.guarded([&] { app_.trayCommand(command); });
                return 0;
            }
            break;
        case WM_CLOSE:
            app_.guarded([&] { app_.closeRequested(); });
            return 0;
        case WM_QUERYENDSESSION:
            return app_.queryEndSession() ? TRUE : FALSE;
        default:
            break;
    }
    return Form::handle(msg, wp, lp);
}

// ---- About box ----

namespace {

struct AboutState {
    bool done = false;
};

LRESULT CALLBACK aboutProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<AboutState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if ((msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) || msg == WM_CLOSE) {
        if (state) state->done = true;
        PostMessageW(hwnd, WM_NULL, 0, 0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

void showAboutBox(HWND owner, const AboutText& text) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    if (!GetClassInfoW(instance, L"KeyvaleAbout", &wc)) {
        wc.lpfnWndProc = aboutProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"KeyvaleAbout";
        RegisterClassW(&wc);
    }
    AboutState state;
    const int w = 380, h = 220;
    UniqueWindow box(
        CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, L"KeyvaleAbout", L"About Keyvale",
                        WS_POPUP | WS_CAPTION | WS_SYSMENU, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                        (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, owner, nullptr, instance, nullptr));
    if (!box) return;
    SetWindowLongPtrW(box.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    auto child = [&](const wchar_t* cls, const std::string& t, DWORD style, int x, int y, int cw, int ch,
                     int id = 0) {
        HWND c =
            CreateWindowExW(0, cls, os::win32::widen(t).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, cw, ch,
                            box.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return c;
    };
    HWND icon = child(L"STATIC", "", SS_ICON, 16, 16, 32, 32);
    SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(instance, L"MAINICON")), 0);
    child(L"STATIC", text.product, SS_LEFT, 64, 24, 280, 20);
    child(L"STATIC", "", SS_ETCHEDHORZ, 16, 64, 340, 2);
    child(L"STATIC", text.memoryLabel, SS_LEFT, 16, 78, 200, 18);
    child(L"STATIC", text.memoryValue, SS_RIGHT, 220, 78, 136, 18);
    child(L"STATIC", text.resourcesLabel, SS_LEFT, 16, 100, 200, 18);
    child(L"STATIC", text.resourcesValue, SS_RIGHT, 220, 100, 136, 18);
    HWND ok = child(L"BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, (w - 80) / 2, 140, 80, 26, IDOK);

    const bool ownerEnabled = owner && IsWindowEnabled(owner);
    if (ownerEnabled) EnableWindow(owner, FALSE);
    ShowWindow(box.get(), SW_SHOW);
    os::win32::forceForeground(box.get());
    SetFocus(ok);
    MSG msg;
    while (!state.done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(box.get(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (msg.message == WM_QUIT && !state.done) PostQuitMessage(static_cast<int>(msg.wParam));
    if (ownerEnabled) EnableWindow(owner, TRUE);
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

ScreenSize Win32ShellView::screen() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

Rect Win32ShellView::managerRect() {
    RECT r;
    GetWindowRect(manager_.hwnd(), &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Win32ShellView::placeManager(const Rect& r) {
    SetWindowPos(manager_.hwnd(), nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
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

void Win32ShellView::showFirstRunNote(const std::string& text) { manager_.showNote(text); }

void Win32ShellView::showManager(bool activate) {
    if (activate) {
        ShowWindow(manager_.hwnd(), IsIconic(manager_.hwnd()) ? SW_RESTORE : SW_SHOW);
        os::win32::forceForeground(manager_.hwnd());
    } else {
        ShowWindow(manager_.hwnd(), SW_SHOWNOACTIVATE);
        SetWindowPos(manager_.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void Win32ShellView::showAbout(const AboutText& text) { showAboutBox(applicationWindow_, text); }

std::pair<unsigned long long, unsigned> Win32ShellView::memoryStatus() {
    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof ms;
    GlobalMemoryStatusEx(&ms);
    return {ms.ullTotalPhys, 100u - ms.dwMemoryLoad};
}

void Win32ShellView::quit() { PostQuitMessage(0); }

}  // namespace kv::app::win32
