// The input thread: it owns the low-level hooks that watch typing and does
// nothing else, so Windows never removes them for a slow answer while the
// user-interface thread writes a file or runs a macro.

#include "os/win32/typing.hpp"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cwctype>

#include "os/win32/wide.hpp"

namespace kv::os::win32 {

namespace {

constexpr UINT kTyped = WM_APP + 0x4C0;
// Without a word from the hooks this long while the user gave input, they
// are installed again (Windows may have removed them silently).
constexpr DWORD kSilentHookMs = 5000;
// ToUnicodeEx leaves the keyboard's dead-key state alone (Windows 10 1607
// and later), so the user's own dead keys still compose.
constexpr UINT kKeepKeyboardState = 0x4;

// The input thread's own state; the hooks carry no context.
std::atomic<HWND> g_target{nullptr};
HHOOK g_keys = nullptr;
HHOOK g_mouse = nullptr;
HWND g_front = nullptr;
std::atomic<DWORD> g_lastSeen{0};

void post(TypedEvent::Kind kind, const wchar_t* units = nullptr, int count = 0) {
    count = std::clamp(count, 0, 4);
    std::uint64_t packed = 0;
    for (int i = 0; i < count; ++i)
        packed |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(units[i])) << (16 * i);
    PostMessageW(g_target.load(), kTyped, static_cast<WPARAM>(kind) | (static_cast<WPARAM>(count) << 8),
                 static_cast<LPARAM>(packed));
}

bool held(int vk) {
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

bool modifierKey(DWORD vk) {
    switch (vk) {
        case VK_SHIFT:
        case VK_LSHIFT:
        case VK_RSHIFT:
        case VK_CONTROL:
        case VK_LCONTROL:
        case VK_RCONTROL:
        case VK_MENU:
        case VK_LMENU:
        case VK_RMENU:
        case VK_CAPITAL:
        case VK_NUMLOCK:
        case VK_SCROLL: return true;
        default: return false;
    }
}

// Keys that move the caret or leave the text: what was typed no longer
// stands before the caret.
bool movesAway(DWORD vk) {
    switch (vk) {
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_ESCAPE:
        case VK_DELETE:
        case VK_INSERT:
        case VK_LWIN:
        case VK_RWIN:
        case VK_PROCESSKEY:  // an input method's composition
            return true;
        default: return false;
    }
}

void keyDown(const KBDLLHOOKSTRUCT& k) {
    const DWORD vk = k.vkCode;
    if (modifierKey(vk)) return;
    const HWND front = GetForegroundWindow();
    if (front != g_front) {
        g_front = front;
        post(TypedEvent::Kind::Clear);
    }
    const bool ctrl = held(VK_CONTROL), alt = held(VK_MENU);
    // AltGr reaches the hook as the left Ctrl with the right Alt.
    const bool altGr = held(VK_RMENU) && ctrl;
    if (movesAway(vk) || held(VK_LWIN) || held(VK_RWIN) || ((ctrl || alt) && !altGr)) {
        post(TypedEvent::Kind::Clear);
        return;
    }
    if (vk == VK_BACK) {
        post(TypedEvent::Kind::Backspace);
        return;
    }
    BYTE state[256] = {};
    if (held(VK_SHIFT)) state[VK_SHIFT] = 0x80;
    if (altGr) state[VK_CONTROL] = state[VK_LCONTROL] = state[VK_MENU] = state[VK_RMENU] = 0x80;
    if (GetKeyState(VK_CAPITAL) & 1) state[VK_CAPITAL] = 1;
    const HKL layout = GetKeyboardLayout(GetWindowThreadProcessId(front, nullptr));
    wchar_t units[8] = {};
    const int made = ToUnicodeEx(vk, k.scanCode, state, units, 8, kKeepKeyboardState, layout);
    if (made > 0)
        post(TypedEvent::Kind::Text, units, made);
    else if (made == 0)
        post(TypedEvent::Kind::Clear);  // a function key or the like
    // A dead key (made < 0) makes its character with the next key.
}

LRESULT CALLBACK keyHook(int code, WPARAM wp, LPARAM lp) {
    // The rest of the chain runs first: what an expansion sends must not
    // overtake the key that completed it on its way to the program.
    const LRESULT next = CallNextHookEx(nullptr, code, wp, lp);
    if (code == HC_ACTION) {
        g_lastSeen = GetTickCount();
        const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        if ((wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN) && k->dwExtraInfo != kInjectedByKeyvale && next == 0)
            keyDown(*k);
    }
    return next;
}

LRESULT CALLBACK mouseHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        g_lastSeen = GetTickCount();
        const auto* m = reinterpret_cast<const MSLLHOOKSTRUCT*>(lp);
        if ((wp == WM_LBUTTONDOWN || wp == WM_RBUTTONDOWN || wp == WM_MBUTTONDOWN) &&
            m->dwExtraInfo != kInjectedByKeyvale)
            post(TypedEvent::Kind::Clear);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

bool installHooks() {
    if (g_keys) UnhookWindowsHookEx(g_keys);
    if (g_mouse) UnhookWindowsHookEx(g_mouse);
    HINSTANCE self = GetModuleHandleW(nullptr);
    g_keys = SetWindowsHookExW(WH_KEYBOARD_LL, keyHook, self, 0);
    g_mouse = SetWindowsHookExW(WH_MOUSE_LL, mouseHook, self, 0);
    g_lastSeen = GetTickCount();
    return g_keys && g_mouse;
}

struct Start {
    HANDLE ready;
    bool installed = false;
};

DWORD WINAPI inputThread(void* param) {
    auto* start = static_cast<Start*>(param);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, before anyone posts
    start->installed = installHooks();
    const bool installed = start->installed;
    SetEvent(start->ready);
    if (installed) {
        SetTimer(nullptr, 0, 1000, nullptr);
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.message != WM_TIMER) continue;
            LASTINPUTINFO last{};
            last.cbSize = sizeof last;
            if (GetLastInputInfo(&last) && static_cast<LONG>(last.dwTime - g_lastSeen.load()) > 0 &&
                GetTickCount() - g_lastSeen.load() > kSilentHookMs)
                installHooks();
        }
    }
    if (g_keys) UnhookWindowsHookEx(g_keys);
    if (g_mouse) UnhookWindowsHookEx(g_mouse);
    g_keys = g_mouse = nullptr;
    g_front = nullptr;
    return 0;
}

}  // namespace

Win32Typing::Win32Typing(Guard& guard)
    : window_(guard, [this](HWND h, UINT msg, WPARAM wp, LPARAM lp) { return handle(h, msg, wp, lp); }) {}

Win32Typing::~Win32Typing() {
    stop();
}

bool Win32Typing::start(std::function<void(const TypedEvent&)> onEvent) {
    stop();
    onEvent_ = std::move(onEvent);
    g_target = window_.hwnd();
    UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    Start start{ready.get()};
    thread_.reset(CreateThread(nullptr, 0, inputThread, &start, 0, &threadId_));
    if (!thread_) return false;
    WaitForSingleObject(ready.get(), INFINITE);
    if (!start.installed) {
        stop();
        return false;
    }
    return true;
}

void Win32Typing::stop() {
    if (thread_) {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_.get(), 5000);
        thread_.reset();
    }
    threadId_ = 0;
    onEvent_ = nullptr;
}

bool Win32Typing::passwordFocused() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const HWND front = GetForegroundWindow();
    if (!front || !GetGUIThreadInfo(GetWindowThreadProcessId(front, nullptr), &info) || !info.hwndFocus)
        return false;
    wchar_t name[64] = {};
    GetClassNameW(info.hwndFocus, name, 64);
    std::wstring lower(name);
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    return lower.find(L"edit") != std::wstring::npos &&
           (GetWindowLongPtrW(info.hwndFocus, GWL_STYLE) & ES_PASSWORD) != 0;
}

LRESULT Win32Typing::handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != kTyped) return DefWindowProcW(hwnd, msg, wp, lp);
    if (!onEvent_) return 0;
    TypedEvent e;
    e.kind = static_cast<TypedEvent::Kind>(wp & 0xFF);
    const int count = static_cast<int>((wp >> 8) & 0xFF);
    std::wstring units;
    for (int i = 0; i < count; ++i)
        units += static_cast<wchar_t>((static_cast<std::uint64_t>(lp) >> (16 * i)) & 0xFFFF);
    e.text = narrow(units);
    onEvent_(e);
    return 0;
}

}  // namespace kv::os::win32
