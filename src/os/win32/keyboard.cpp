// The keyboard: sending keys, key state and names, and the wait for typed keys to arrive.

#include <utility>

#include "os/win32/wide.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

namespace {

// Key events sent since the last error box.
unsigned g_keysSent = 0;

// A key no program acts on (the code is unassigned), sent after the typed
// keys to learn when the window has read them.
constexpr BYTE kMarkerKey = 0xE8;

// Typed keys may still wait in the queue of the window they were typed into
// when an error ends the run; a box that takes the focus then would take
// them too (Wine hands a queued key to whichever window has the focus when
// it is read). So the marker key goes down after them, and the wait lasts
// until the window's thread has read it, then up, until it has read that:
// its key state, seen from here while this thread shares its input for the
// moment, shows the key down only once the press is read, and up again only
// once the release is. (Wine shows a thread the keyboard's own state once it
// has read every key queued for it, and clears the shared state on
// attaching; the key's down bit holds under both rules, its toggle bit does
// not.) Each check waits for the window to come back for its messages; a
// window that stops answering for a second, or two seconds in all, ends the
// wait, and the key is released all the same.
}  // namespace

void letTypedKeysArrive() {
    const unsigned sent = std::exchange(g_keysSent, 0u);
    HWND target = GetForegroundWindow();
    DWORD pid = 0;
    const DWORD thread = target ? GetWindowThreadProcessId(target, &pid) : 0;
    if (sent == 0 || !target || pid == GetCurrentProcessId()) return;
    const DWORD self = GetCurrentThreadId();
    if (!AttachThreadInput(self, thread, TRUE)) return;
    const ULONGLONG deadline = GetTickCount64() + 2000;
    const auto waitUntilRead = [&](bool down) {
        DWORD_PTR ignored = 0;
        while (((GetKeyState(kMarkerKey) & 0x8000) != 0) != down && GetTickCount64() < deadline &&
               SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored)) {
        }
    };
    keybd_event(kMarkerKey, 0, 0, kInjectedByKeyvale);
    waitUntilRead(true);
    keybd_event(kMarkerKey, 0, KEYEVENTF_KEYUP, kInjectedByKeyvale);
    waitUntilRead(false);
    AttachThreadInput(self, thread, FALSE);
}

std::int16_t Win32Keyboard::vkKeyScan(char32_t c) {
    // Beyond the first plane no key types a character: it goes by Unicode input.
    if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) return -1;
    const auto wanted = static_cast<wchar_t>(c);
    const SHORT key = VkKeyScanW(wanted);
    if (key == -1) return key;
    // The layout's answer is trusted only when its key really types the
    // character: under some layouts the lookup answers with the base
    // letter's key (E for an e with an accent), or a Latin letter's key that
    // types a Cyrillic one. Such characters go in by Unicode input instead;
    // control characters (Enter, Tab, Backspace) are keys of their own.
    if (c < 0x20 || c == 0x7F) return key;
    BYTE keyState[256] = {};
    const unsigned shiftState = (static_cast<unsigned>(key) >> 8) & 0xFF;
    if (shiftState & 1) keyState[VK_SHIFT] = 0x80;
    if (shiftState & 2) keyState[VK_CONTROL] = 0x80;
    if (shiftState & 4) keyState[VK_MENU] = 0x80;
    HKL layout = GetKeyboardLayout(0);
    const UINT vk = static_cast<UINT>(key) & 0xFF;
    const UINT scan = MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout);
    wchar_t produced[4] = {};
    // Flag 4: leave the keyboard's dead-key state as it is.
    const int n = ToUnicodeEx(vk, scan, keyState, produced, 4, 0x4, layout);
    if (n < 0) {
        // A dead key; a second call takes it out of the state again where
        // the flag is not known.
        ToUnicodeEx(vk, scan, keyState, produced, 4, 0x4, layout);
        return -1;
    }
    return n == 1 && produced[0] == wanted ? key : -1;
}

unsigned Win32Keyboard::mapVirtualKey(unsigned vk) {
    return MapVirtualKeyW(vk, 0);
}

void Win32Keyboard::keyEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
    keybd_event(vk, scan, flags, kInjectedByKeyvale);
    ++g_keysSent;
}

void Win32Keyboard::typeCharacter(char32_t c) {
    // Beyond the first plane: both halves of the surrogate pair, each pressed
    // and released, as the system's own input of such a character.
    wchar_t units[2] = {static_cast<wchar_t>(c), 0};
    int count = 1;
    if (c > 0xFFFF) {
        units[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        units[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        count = 2;
    }
    INPUT in[4]{};
    for (int u = 0; u < count; ++u) {
        for (int i = 0; i < 2; ++i) {
            INPUT& k = in[u * 2 + i];
            k.type = INPUT_KEYBOARD;
            k.ki.wScan = units[u];
            k.ki.dwFlags = KEYEVENTF_UNICODE | (i == 1 ? KEYEVENTF_KEYUP : 0);
            k.ki.dwExtraInfo = kInjectedByKeyvale;
        }
    }
    SendInput(static_cast<UINT>(count * 2), in, sizeof(INPUT));
    g_keysSent += static_cast<unsigned>(count * 2);
}

bool Win32Keyboard::isKeyDown(unsigned vk) {
    return (GetAsyncKeyState(static_cast<int>(vk)) & 0x8000) != 0;
}

std::string Win32Keyboard::keyName(unsigned vk) {
    const UINT scan = MapVirtualKeyW(vk, 0);
    if (scan == 0) return {};
    wchar_t buf[64] = {};
    if (GetKeyNameTextW(static_cast<LONG>(scan << 16), buf, 64) <= 0) return {};
    return narrow(buf);
}

}  // namespace kv::os::win32
