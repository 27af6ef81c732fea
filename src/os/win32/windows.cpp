// The top-level windows: enumeration, titles, the foreground and its integrity level.

#include <optional>
#include <vector>

#include "os/win32/wide.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

namespace {

BOOL CALLBACK visitWindow(HWND h, LPARAM lp) {
    auto& v = *reinterpret_cast<const std::function<bool(WindowHandle)>*>(lp);
    return v(fromHwnd(h)) ? TRUE : FALSE;
}

}  // namespace

void Win32Windows::enumerateTopLevel(const std::function<bool(WindowHandle)>& visit) {
    EnumWindows(visitWindow, reinterpret_cast<LPARAM>(&visit));
}

std::string Win32Windows::title(WindowHandle w, std::size_t maxChars) {
    std::vector<wchar_t> buf(maxChars + 1, L'\0');
    // The title as the system holds it, which GetWindowText returns for
    // another program's window too; for the program's own windows this
    // sends no WM_GETTEXT, so the watcher's scan costs a lookup a window.
    int n = InternalGetWindowText(toHwnd(w), buf.data(), static_cast<int>(buf.size()));
    // A cut between the halves of a surrogate pair leaves no half behind.
    if (n > 0 && static_cast<std::size_t>(n) == maxChars && buf[n - 1] >= 0xD800 && buf[n - 1] <= 0xDBFF) --n;
    return n > 0 ? narrow(std::wstring_view(buf.data(), static_cast<std::size_t>(n))) : std::string();
}

bool Win32Windows::isVisible(WindowHandle w) {
    return IsWindowVisible(toHwnd(w)) != FALSE;
}

bool Win32Windows::exists(WindowHandle w) {
    return IsWindow(toHwnd(w)) != FALSE;
}

WindowHandle Win32Windows::findByExactTitle(const std::string& title) {
    return fromHwnd(FindWindowW(nullptr, widen(title).c_str()));
}

WindowHandle Win32Windows::foreground() {
    return fromHwnd(GetForegroundWindow());
}

namespace {

// The mandatory integrity level of a process's token (the last part of its
// label), or nothing when the token cannot be read.
std::optional<DWORD> integrityLevel(HANDLE process) {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &raw)) return std::nullopt;
    UniqueHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenIntegrityLevel, buffer.data(), size, &size))
        return std::nullopt;
    const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
    return *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1);
}

}  // namespace

bool Win32Windows::runsAboveUs(WindowHandle w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(toHwnd(w), &pid);
    if (pid == 0 || pid == GetCurrentProcessId()) return false;
    const auto own = integrityLevel(GetCurrentProcess());
    if (!own) return false;
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    // A process of higher integrity may refuse even this much.
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const auto theirs = integrityLevel(process.get());
    if (!theirs) return GetLastError() == ERROR_ACCESS_DENIED;
    return *theirs > *own;
}

std::string Win32Windows::programName(WindowHandle w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(toHwnd(w), &pid);
    if (pid == 0) return {};
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return {};
    wchar_t path[MAX_PATH * 4];
    DWORD size = static_cast<DWORD>(std::size(path));
    if (!QueryFullProcessImageNameW(process.get(), 0, path, &size)) return {};
    std::wstring_view full(path, size);
    const std::size_t slash = full.find_last_of(L"\\/");
    return narrow(slash == std::wstring_view::npos ? full : full.substr(slash + 1));
}

void Win32Windows::setForeground(WindowHandle w) {
    if (!w) return;
    HWND hwnd = toHwnd(w);
    SetForegroundWindow(hwnd);
    // The window's thread takes the activation in its own time, and a key
    // typed before it has could reach the window that had the focus. An
    // answered round trip comes after the activation sent to it.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored);
}

void forceForeground(HWND hwnd) {
    if (SetForegroundWindow(hwnd)) return;
    // Windows refuses a background process the foreground; joining the input
    // of the foreground window's thread for a moment is allowed.
    HWND fg = GetForegroundWindow();
    const DWORD fgThread = fg ? GetWindowThreadProcessId(fg, nullptr) : 0;
    const DWORD self = GetCurrentThreadId();
    if (fgThread && fgThread != self) {
        AttachThreadInput(self, fgThread, TRUE);
        SetForegroundWindow(hwnd);
        BringWindowToTop(hwnd);
        AttachThreadInput(self, fgThread, FALSE);
    }
}

}  // namespace kv::os::win32
