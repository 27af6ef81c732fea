// Watching the desktop's keyboard and mouse through low-level hooks on the
// user-interface thread, and replaying input with SendInput.

#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

namespace {

// Low-level hooks are per thread and carry no context: the watching object
// is found here while its hooks are installed.
Win32Input* g_watching = nullptr;
HHOOK g_keyboardHook = nullptr;
HHOOK g_mouseHook = nullptr;

LRESULT CALLBACK keyboardHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && g_watching) {
        const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        if (k->dwExtraInfo != kInjectedByKeyvale) {
            InputEvent e;
            e.kind = InputEvent::Kind::Key;
            e.time = k->time;
            e.vk = static_cast<std::uint16_t>(k->vkCode);
            e.scan = static_cast<std::uint16_t>(k->scanCode);
            e.keyFlags =
                ((k->flags & LLKHF_EXTENDED) ? kKeyExtended : 0) | ((k->flags & LLKHF_UP) ? kKeyUp : 0);
            (void)wp;
            g_watching->deliver(e);
        }
    }
    return CallNextHookEx(g_keyboardHook, code, wp, lp);
}

std::int32_t normalise(LONG v, int origin, int extent) {
    if (extent <= 1) return 0;
    return MulDiv(v - origin, 65535, extent - 1);
}

LRESULT CALLBACK mouseHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && g_watching) {
        const auto* m = reinterpret_cast<const MSLLHOOKSTRUCT*>(lp);
        if (m->dwExtraInfo != kInjectedByKeyvale) {
            InputEvent e;
            e.kind = InputEvent::Kind::Mouse;
            e.time = m->time;
            e.x =
                normalise(m->pt.x, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN));
            e.y =
                normalise(m->pt.y, GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
            switch (wp) {
                case WM_LBUTTONDOWN: e.mouseFlags = MOUSEEVENTF_LEFTDOWN; break;
                case WM_LBUTTONUP: e.mouseFlags = MOUSEEVENTF_LEFTUP; break;
                case WM_RBUTTONDOWN: e.mouseFlags = MOUSEEVENTF_RIGHTDOWN; break;
                case WM_RBUTTONUP: e.mouseFlags = MOUSEEVENTF_RIGHTUP; break;
                case WM_MBUTTONDOWN: e.mouseFlags = MOUSEEVENTF_MIDDLEDOWN; break;
                case WM_MBUTTONUP: e.mouseFlags = MOUSEEVENTF_MIDDLEUP; break;
                case WM_MOUSEWHEEL:
                    e.mouseFlags = MOUSEEVENTF_WHEEL;
                    e.wheelDelta = static_cast<short>(HIWORD(m->mouseData));
                    break;
                case WM_MOUSEHWHEEL:
                    e.mouseFlags = MOUSEEVENTF_HWHEEL;
                    e.wheelDelta = static_cast<short>(HIWORD(m->mouseData));
                    break;
                default: break;  // a move
            }
            g_watching->deliver(e);
        }
    }
    return CallNextHookEx(g_mouseHook, code, wp, lp);
}

}  // namespace

Win32Input::~Win32Input() {
    stopWatching();
}

bool Win32Input::startWatching(std::function<void(const InputEvent&)> onEvent, bool keyboardOnly) {
    stopWatching();
    onEvent_ = std::move(onEvent);
    g_watching = this;
    HINSTANCE self = GetModuleHandleW(nullptr);
    g_keyboardHook = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardHook, self, 0);
    if (!keyboardOnly) g_mouseHook = SetWindowsHookExW(WH_MOUSE_LL, mouseHook, self, 0);
    if (!g_keyboardHook || (!keyboardOnly && !g_mouseHook)) {
        stopWatching();
        return false;
    }
    return true;
}

void Win32Input::stopWatching() {
    if (g_keyboardHook) UnhookWindowsHookEx(g_keyboardHook);
    if (g_mouseHook) UnhookWindowsHookEx(g_mouseHook);
    g_keyboardHook = g_mouseHook = nullptr;
    if (g_watching == this) g_watching = nullptr;
    onEvent_ = nullptr;
}

void Win32Input::deliver(const InputEvent& e) {
    guard_.run([&] { onEvent_(e); });
}

void Win32Input::inject(const InputEvent& e) {
    INPUT in{};
    if (e.kind == InputEvent::Kind::Key) {
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = e.vk;
        in.ki.wScan = e.scan;
        in.ki.dwFlags = ((e.keyFlags & kKeyExtended) ? KEYEVENTF_EXTENDEDKEY : 0) |
                        ((e.keyFlags & kKeyUp) ? KEYEVENTF_KEYUP : 0);
        in.ki.dwExtraInfo = kInjectedByKeyvale;
    } else {
        in.type = INPUT_MOUSE;
        in.mi.dx = e.x;
        in.mi.dy = e.y;
        in.mi.mouseData = static_cast<DWORD>(e.wheelDelta);
        in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | e.mouseFlags;
        in.mi.dwExtraInfo = kInjectedByKeyvale;
    }
    SendInput(1, &in, sizeof in);
}

}  // namespace kv::os::win32
