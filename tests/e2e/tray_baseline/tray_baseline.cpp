// The least a tray program does for a shortcut's start: a hidden window, a
// tray icon, one key typed, and the end at the first tick of a one-second
// timer, as a /Close run ends. The baseline of LatencyBench's shortcut start.

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

namespace {

// Keyvale's mark on the events it sends, so that the driver's hook counts these alike.
constexpr ULONG_PTR kMark = 0x4B56414CUL;

LRESULT CALLBACK baselineProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_TIMER) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = baselineProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"KeyvaleTrayBaseline";
    RegisterClassW(&wc);
    HWND window =
        CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_TIP;
    icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpyW(icon.szTip, L"Tray baseline");
    Shell_NotifyIconW(NIM_ADD, &icon);

    INPUT keys[2]{};
    for (INPUT& k : keys) {
        k.type = INPUT_KEYBOARD;
        k.ki.wVk = 'A';
        k.ki.wScan = static_cast<WORD>(MapVirtualKeyW('A', MAPVK_VK_TO_VSC));
        k.ki.dwExtraInfo = kMark;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));

    SetTimer(window, 1, 1000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    Shell_NotifyIconW(NIM_DELETE, &icon);
    DestroyWindow(window);
    return 0;
}
