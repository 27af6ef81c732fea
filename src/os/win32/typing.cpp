// Following what the user types: low-level hooks on the input thread turn
// each key into characters and post them to the user-interface thread.

#include "os/win32/typing.hpp"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cwctype>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/dead_keys.hpp"
#include "os/input_queue.hpp"
#include "os/win32/wide.hpp"

namespace kv::os::win32 {

namespace {

constexpr UINT kTyped = WM_APP + 0x4C0;
// ToUnicodeEx leaves the keyboard's dead-key state alone (Windows 10 1607
// and later), so the user's own dead keys still compose.
constexpr UINT kKeepKeyboardState = 0x4;

// With KV_TYPING_TIMES naming a file, the input thread measures the time
// its keyboard hook spends on each key (the rest of the chain left out), and
// the time of the work on that key once the hook has returned, and writes
// "samples p50 p99 max afterP50 afterP99" in microseconds there once a
// second: how benchmarks see inside the hook.
struct HookTimes {
    std::wstring file;
    std::vector<double> us, after;
    std::size_t written = 0;
    LARGE_INTEGER frequency{};
    double since(const LARGE_INTEGER& from) const {
        LARGE_INTEGER to{};
        QueryPerformanceCounter(&to);
        return 1e6 * static_cast<double>(to.QuadPart - from.QuadPart) /
               static_cast<double>(frequency.QuadPart);
    }
};

double percentile(std::vector<double> v, double q) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * v.size()))];
}
HookTimes* g_times = nullptr;

void writeTimes() {
    if (!g_times || g_times->us.size() == g_times->written) return;
    const std::vector<double>& v = g_times->us;
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%zu %.1f %.1f %.1f %.1f %.1f\n", v.size(),
                                percentile(v, 0.5), percentile(v, 0.99), percentile(v, 1),
                                percentile(g_times->after, 0.5), percentile(g_times->after, 0.99));
    UniqueFile f(CreateFileW(g_times->file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD done = 0;
    if (f) WriteFile(f.get(), line, static_cast<DWORD>(n), &done, nullptr);
    g_times->written = g_times->us.size();
}

// The input thread's own state; the hooks carry no context.
std::atomic<HWND> g_target{nullptr};
UniqueHook g_keys, g_mouse;
UINT_PTR g_everySecond = 0;
HWND g_front = nullptr;
DWORD g_lastSeen = 0;

void post(TypedEvent::Kind kind, const wchar_t* units = nullptr, int count = 0) {
    count = std::clamp(count, 0, 4);
    std::uint64_t packed = 0;
    for (int i = 0; i < count; ++i)
        packed |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(units[i])) << (16 * i);
    PostMessageW(g_target.load(), kTyped, static_cast<WPARAM>(kind) | (static_cast<WPARAM>(count) << 8),
                 static_cast<LPARAM>(packed));
}

// The modifiers as the hook saw them go down and up, so that a key costs
// no question to the system; checked against the system once a second.
struct Modifiers {
    bool shift = false, ctrl = false, alt = false, rightAlt = false, win = false, caps = false;
};
Modifiers g_mods;
bool g_side[8] = {};  // left and right Shift, Ctrl, Alt, Windows

// A side's index; keys sent without a side (VK_CONTROL) count by their
// scan code and extended flag, as the system places them.
int sideIndex(const KBDLLHOOKSTRUCT& k) {
    const bool extended = (k.flags & LLKHF_EXTENDED) != 0;
    switch (k.vkCode) {
        case VK_SHIFT: return k.scanCode == 0x36 ? 1 : 0;
        case VK_CONTROL: return extended ? 3 : 2;
        case VK_MENU: return extended ? 5 : 4;
        case VK_LSHIFT: return 0;
        case VK_RSHIFT: return 1;
        case VK_LCONTROL: return 2;
        case VK_RCONTROL: return 3;
        case VK_LMENU: return 4;
        case VK_RMENU: return 5;
        case VK_LWIN: return 6;
        case VK_RWIN: return 7;
        default: return -1;
    }
}

void modifiersFromSides() {
    g_mods.shift = g_side[0] || g_side[1];
    g_mods.ctrl = g_side[2] || g_side[3];
    g_mods.alt = g_side[4] || g_side[5];
    g_mods.rightAlt = g_side[5];
    g_mods.win = g_side[6] || g_side[7];
}

void readModifiers() {
    const int sides[8] = {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL,
                          VK_LMENU,  VK_RMENU,  VK_LWIN,     VK_RWIN};
    for (int i = 0; i < 8; ++i) g_side[i] = (GetAsyncKeyState(sides[i]) & 0x8000) != 0;
    modifiersFromSides();
}

// The foreground thread's layout, asked again when the foreground changes,
// after a chord (which may switch it) and once a second.
HKL g_layout = nullptr;
// The first half of a character sent as a surrogate pair.
wchar_t g_highSurrogate = 0;
// A dead key's own character, waiting for the key it accents.
wchar_t g_dead = 0;
void readLayout(HWND front) {
    g_layout = GetKeyboardLayout(GetWindowThreadProcessId(front, nullptr));
}

// What ToUnicodeEx made of a key in a state: it is asked once per key,
// state and layout (with the flag that keeps the keyboard state, the
// answer depends on nothing else).
struct Made {
    int count;
    wchar_t units[4];
};
struct TranslationKey {
    HKL layout;
    std::uint32_t key;
    bool operator==(const TranslationKey&) const = default;
};
struct TranslationHash {
    std::size_t operator()(const TranslationKey& k) const {
        return std::hash<std::uintptr_t>()(reinterpret_cast<std::uintptr_t>(k.layout)) * 31 + k.key;
    }
};
std::unordered_map<TranslationKey, Made, TranslationHash> g_made;

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

const Made& translated(DWORD vk, DWORD scan, bool altGr, const Modifiers& mods) {
    const TranslationKey key{g_layout, (vk & 0xFF) | ((scan & 0x1FF) << 8) | (mods.shift ? 1u << 20 : 0) |
                                           (altGr ? 1u << 21 : 0) | (mods.caps ? 1u << 22 : 0)};
    auto found = g_made.find(key);
    if (found == g_made.end()) {
        BYTE state[256] = {};
        if (mods.shift) state[VK_SHIFT] = 0x80;
        if (altGr) state[VK_CONTROL] = state[VK_LCONTROL] = state[VK_MENU] = state[VK_RMENU] = 0x80;
        if (mods.caps) state[VK_CAPITAL] = 1;
        wchar_t units[8] = {};
        const int made = ToUnicodeEx(vk, scan, state, units, 8, kKeepKeyboardState, g_layout);
        if (g_made.size() > 4096) g_made.clear();
        found = g_made.emplace(key, Made{std::min(made, 4), {units[0], units[1], units[2], units[3]}}).first;
    }
    return found->second;
}

// The layout's letter, digit and punctuation keys, with and without Shift,
// made before anyone types, so that a key in the hook is a look-up.
void translateCommonKeys() {
    Modifiers mods = g_mods;
    for (const bool shift : {false, true}) {
        mods.shift = shift;
        for (DWORD vk = 0x20; vk <= 0xDF; ++vk)
            if ((vk >= 0x30 && vk <= 0x5A) || vk >= 0xBA || vk == VK_SPACE)
                translated(vk, MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, g_layout), false, mods);
    }
}

void keyDown(const KBDLLHOOKSTRUCT& k, const Modifiers& mods) {
    const DWORD vk = k.vkCode;
    if (modifierKey(vk) || vk == VK_LWIN || vk == VK_RWIN) return;
    const HWND front = GetForegroundWindow();
    if (front != g_front) {
        g_front = front;
        g_dead = 0;
        readLayout(front);
        post(TypedEvent::Kind::Clear);
    }
    // AltGr reaches the hook as the left Ctrl with the right Alt.
    const bool altGr = mods.rightAlt && mods.ctrl;
    if (movesAway(vk) || mods.win || ((mods.ctrl || mods.alt) && !altGr)) {
        // A chord may have switched the layout: asked again at the next key.
        if (mods.win || mods.ctrl || mods.alt) g_layout = nullptr;
        g_dead = 0;
        post(TypedEvent::Kind::Clear);
        return;
    }
    if (vk == VK_BACK) {
        g_dead = 0;
        post(TypedEvent::Kind::Backspace);
        return;
    }
    if (vk == VK_PACKET) {
        // A character sent as itself (an on-screen keyboard, a remote
        // control): the scan code holds its UTF-16 unit, a pair in two keys.
        const auto unit = static_cast<wchar_t>(k.scanCode);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            g_highSurrogate = unit;
            return;
        }
        const wchar_t units[2] = {g_highSurrogate, unit};
        const bool pair = g_highSurrogate != 0 && unit >= 0xDC00 && unit <= 0xDFFF;
        g_highSurrogate = 0;
        g_dead = 0;
        post(TypedEvent::Kind::Text, pair ? units : units + 1, pair ? 2 : 1);
        return;
    }
    g_highSurrogate = 0;
    if (!g_layout) readLayout(front);
    const Made& made = translated(vk, k.scanCode, altGr, mods);
    if (made.count < 0) {
        // A dead key: its character waits for the key it accents. The
        // keyboard state is never touched, so the program in front composes
        // the two itself; the same is done here for what was typed.
        if (g_dead) post(TypedEvent::Kind::Text, &g_dead, 1);
        g_dead = made.units[0];
    } else if (made.count > 0 && g_dead) {
        const auto dead = static_cast<char16_t>(std::exchange(g_dead, 0));
        std::optional<char16_t> composed;
        if (const char16_t mark = combiningMarkOf(dead); mark && made.count == 1) {
            const wchar_t pair[2] = {made.units[0], static_cast<wchar_t>(mark)};
            wchar_t one[4] = {};
            if (NormalizeString(NormalizationC, pair, 2, one, 4) == 1)
                composed = static_cast<char16_t>(one[0]);
        }
        const std::u16string text = afterDeadKey(
            dead, std::u16string_view(reinterpret_cast<const char16_t*>(made.units), made.count), composed);
        post(TypedEvent::Kind::Text, reinterpret_cast<const wchar_t*>(text.data()),
             static_cast<int>(text.size()));
    } else if (made.count > 0) {
        post(TypedEvent::Kind::Text, made.units, made.count);
    } else {
        g_dead = 0;
        post(TypedEvent::Kind::Clear);  // a function key or the like
    }
}

// What the hooks saw, handled by the input thread once they have returned:
// a hook holds the key up on its way to every program, so it only notes the
// key with the modifiers of that moment. The hooks and this work run on the
// one input thread, one after the other.
struct Seen {
    KBDLLHOOKSTRUCT key;
    Modifiers mods;
    bool click;  // a mouse button went down
};
constexpr std::size_t kSeenCapacity = 256;
Seen g_seen[kSeenCapacity];
std::size_t g_seenCount = 0;
bool g_seenOverflow = false;

void handleSeen() {
    for (std::size_t i = 0; i < g_seenCount; ++i) {
        const Seen& seen = g_seen[i];
        if (seen.click) {
            g_dead = 0;
            post(TypedEvent::Kind::Clear);
        } else {
            LARGE_INTEGER from{};
            if (g_times) QueryPerformanceCounter(&from);
            keyDown(seen.key, seen.mods);
            if (g_times && g_times->after.size() < 1000000) g_times->after.push_back(g_times->since(from));
        }
    }
    g_seenCount = 0;
    if (std::exchange(g_seenOverflow, false)) {
        g_dead = 0;
        post(TypedEvent::Kind::Clear);
    }
}

void see(const Seen& seen) {
    if (g_seenCount == kSeenCapacity) {
        g_seenOverflow = true;  // what was typed is no longer known
        return;
    }
    g_seen[g_seenCount++] = seen;
    InputThread::afterHooks(handleSeen);
}

LRESULT CALLBACK keyHook(int code, WPARAM wp, LPARAM lp) {
    // The rest of the chain runs first: what an expansion sends must not
    // overtake the key that completed it on its way to the program.
    const LRESULT next = CallNextHookEx(nullptr, code, wp, lp);
    if (code == HC_ACTION) {
        g_lastSeen = GetTickCount();
        const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        const bool down = wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN;
        // Every key that reaches the programs moves the modifiers, ours too.
        if (const int side = sideIndex(*k); side >= 0 && next == 0) {
            g_side[side] = down;
            modifiersFromSides();
        }
        if (k->vkCode == VK_CAPITAL && down && next == 0) g_mods.caps = !g_mods.caps;
        if (down && k->dwExtraInfo != kInjectedByKeyvale && next == 0) {
            LARGE_INTEGER from{};
            if (g_times) QueryPerformanceCounter(&from);
            see({*k, g_mods, false});
            if (g_times && g_times->us.size() < 1000000) g_times->us.push_back(g_times->since(from));
        }
    }
    return next;
}

LRESULT CALLBACK mouseHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        g_lastSeen = GetTickCount();
        const auto* m = reinterpret_cast<const MSLLHOOKSTRUCT*>(lp);
        if ((wp == WM_LBUTTONDOWN || wp == WM_RBUTTONDOWN || wp == WM_MBUTTONDOWN) &&
            m->dwExtraInfo != kInjectedByKeyvale)
            see({{}, g_mods, true});
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

bool installHooks() {
    // The new hooks go in before the old come out, so nothing typed meanwhile
    // is missed; no hook runs between the two, as this thread runs hooks only
    // while it waits for messages.
    HINSTANCE self = GetModuleHandleW(nullptr);
    UniqueHook keys(SetWindowsHookExW(WH_KEYBOARD_LL, keyHook, self, 0));
    UniqueHook mouse(SetWindowsHookExW(WH_MOUSE_LL, mouseHook, self, 0));
    g_lastSeen = GetTickCount();
    if (!keys || !mouse) return false;
    g_keys = std::move(keys);
    g_mouse = std::move(mouse);
    return true;
}

void CALLBACK everySecond(HWND, UINT, UINT_PTR, DWORD) {
    writeTimes();
    readModifiers();
    readLayout(GetForegroundWindow());
    LASTINPUTINFO last{};
    last.cbSize = sizeof last;
    if (GetLastInputInfo(&last) && hookLooksLost(GetTickCount(), g_lastSeen, last.dwTime)) installHooks();
}

// On the input thread.
bool startFollowing() {
    static HookTimes times;
    times = HookTimes{};
    if (wchar_t file[MAX_PATH];
        GetEnvironmentVariableW(L"KV_TYPING_TIMES", file, MAX_PATH) - 1u < MAX_PATH - 1u) {
        times.file = file;
        QueryPerformanceFrequency(&times.frequency);
        g_times = &times;
    }
    readModifiers();
    g_mods.caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
    g_front = GetForegroundWindow();
    readLayout(g_front);
    g_made.clear();
    translateCommonKeys();
    if (!installHooks()) return false;
    g_everySecond = SetTimer(nullptr, 0, 1000, everySecond);
    return true;
}

void stopFollowing() {
    if (g_everySecond) KillTimer(nullptr, g_everySecond);
    g_everySecond = 0;
    g_keys.reset();
    g_mouse.reset();
    g_seenCount = 0;
    g_seenOverflow = false;
    g_front = nullptr;
    g_dead = 0;
    writeTimes();
    g_times = nullptr;
}

}  // namespace

Win32Typing::Win32Typing(Guard& guard, InputThread& thread)
    : thread_(thread),
      window_(guard, [this](HWND h, UINT msg, WPARAM wp, LPARAM lp) { return handle(h, msg, wp, lp); }) {}

Win32Typing::~Win32Typing() {
    stop();
}

bool Win32Typing::start(std::function<void(const TypedEvent&)> onEvent) {
    stop();
    onEvent_ = std::move(onEvent);
    g_target = window_.hwnd();
    bool started = false;
    if (!thread_.run([&] { started = startFollowing(); }) || !started) {
        stop();
        return false;
    }
    following_ = true;
    return true;
}

void Win32Typing::stop() {
    if (following_) thread_.run(stopFollowing);
    following_ = false;
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
