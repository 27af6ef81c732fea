#include "os/win32/win32_os.hpp"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <optional>
#include <utility>
#include <vector>

#include "core/utf8.hpp"
#include "os/win32/wide.hpp"

namespace kv::os::win32 {

// ---- message-only windows ----

namespace {

const wchar_t* messageWindowClass() {
    static const wchar_t* name = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KeyvaleMessageWindow";
        RegisterClassW(&wc);
        return L"KeyvaleMessageWindow";
    }();
    return name;
}

}  // namespace

MessageWindow::MessageWindow(Handler handler) : handler_(std::move(handler)) {
    window_.reset(CreateWindowExW(0, messageWindowClass(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr));
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageWindow::proc));
}

LRESULT CALLBACK MessageWindow::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || !self->handler_) return DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT result = 0;
    callGuarded([&] { result = self->handler_(hwnd, msg, wp, lp); });
    return result;
}

// ---- pump and timers ----

class Win32Timer : public Timer {
public:
    Win32Timer(Win32Pump& pump, std::function<void()> onTick) : pump_(pump), onTick_(std::move(onTick)) {
        id_ = pump_.nextTimerId_++;
        pump_.timers_[id_] = &onTick_;
    }
    ~Win32Timer() override {
        stop();
        pump_.timers_.erase(id_);
    }
    void start(unsigned periodMs) override {
        stop();
        if (periodMs == 0) return;
        running_ = SetTimer(pump_.timerWindow_.hwnd(), id_, periodMs, nullptr) != 0;
    }
    void stop() override {
        if (running_) KillTimer(pump_.timerWindow_.hwnd(), id_);
        running_ = false;
    }
    bool running() const override { return running_; }

private:
    Win32Pump& pump_;
    std::function<void()> onTick_;
    UINT_PTR id_ = 0;
    bool running_ = false;
};

Win32Pump::Win32Pump()
    : timerWindow_([this](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
          if (msg == WM_TIMER) {
              auto it = timers_.find(wp);
              if (it != timers_.end()) (*it->second)();
              return 0;
          }
          return DefWindowProcW(h, msg, wp, lp);
      }) {}

Millis Win32Pump::now() {
    return GetTickCount64();
}

std::unique_ptr<Timer> Win32Pump::createTimer(std::function<void()> onTick) {
    return std::make_unique<Win32Timer>(*this, std::move(onTick));
}

void Win32Pump::removeDialog(HWND dialog) {
    std::erase(dialogs_, dialog);
}

namespace {

bool isHotKeyField(HWND hwnd) {
    wchar_t name[32] = L"";
    return hwnd && GetClassNameW(hwnd, name, 32) && lstrcmpiW(name, HOTKEY_CLASSW) == 0;
}

// A message pumped here may be nested in a loop of the system's own: a menu
// being tracked, or a window being moved or sized. Such a loop reads the
// keyboard and mouse itself.
bool systemLoopOwnsInput() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetCurrentThreadId(), &info) && (info.flags & (GUI_INMENUMODE | GUI_INMOVESIZE));
}

}  // namespace

void Win32Pump::dispatch(MSG& msg) {
    // Alt+letter typed into a hot-key field is the hot key being set: the
    // field has taken it from the key press already, and the dialog must not
    // also press the button whose mnemonic the letter is (Alt+N would set the
    // hot key and go to the next page at once, unseen).
    if (msg.message == WM_SYSCHAR && isHotKeyField(msg.hwnd)) return;
    for (HWND d : dialogs_)
        if (IsWindow(d) && IsDialogMessageW(d, &msg)) return;
    if (HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        root && GetPropW(root, kFormProperty)) {
        if ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) &&
            SendMessageW(root, kFormKeyPreview, msg.message, static_cast<LPARAM>(msg.wParam)))
            return;
        if (IsDialogMessageW(root, &msg)) return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool Win32Pump::dispatchPending(bool leaveInput) {
    bool any = false;
    MSG msg;
    // Beneath a menu the keys and clicks are the menu's: taken here, they would
    // reach the control with the focus instead, and the menu would never see
    // its Escape or its arrow key.
    const UINT only = leaveInput ? PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE : 0;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | only)) {
        any = true;
        if (msg.message == WM_QUIT) {
            quit_ = true;
            continue;
        }
        dispatch(msg);
    }
    return any;
}

void Win32Pump::processMessages() {
    dispatchPending(systemLoopOwnsInput());
}

void Win32Pump::waitUntil(Millis deadline) {
    // What is already waiting may be what the caller waits for: it then
    // returns at once, so the caller sees its condition change.
    // A menu opened by a message dispatched here has closed again when the
    // dispatch returns, so one look serves the whole wait.
    const bool leaveInput = systemLoopOwnsInput();
    if (dispatchPending(leaveInput)) return;
    const Millis t = now();
    if (t >= deadline) return;
    const Millis wait = deadline - t;
    // Input left for a menu's loop must not end the wait at once, again and again.
    const DWORD wake = leaveInput ? QS_ALLINPUT & ~QS_INPUT : QS_ALLINPUT;
    MsgWaitForMultipleObjectsEx(0, nullptr, wait > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(wait), wake,
                                MWMO_INPUTAVAILABLE);
    dispatchPending(leaveInput);
}

bool Win32Pump::runOne() {
    if (quit_) return false;
    MSG msg;
    const BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0 || r == -1) {
        quit_ = true;
        return false;
    }
    dispatch(msg);
    return !quit_;
}

// ---- keyboard ----

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

// ---- hot keys ----

namespace {

class Win32HotKeyRegistration : public HotKeyRegistration {
public:
    explicit Win32HotKeyRegistration(std::function<void()> onPressed) : onPressed_(std::move(onPressed)) {}
    ~Win32HotKeyRegistration() override { unregisterKey(); }
    bool registerKey(unsigned modifiers, unsigned vk) override {
        unregisterKey();
        // The window and the atom are made at the first key: of the hundred
        // slots most never hold one, and a window each would cost start-up
        // a tenth of a second under Wine and a USER object apiece.
        if (!window_) {
            window_.emplace([this](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
                if (msg == WM_HOTKEY) {
                    if (onPressed_) onPressed_();
                    return 0;
                }
                return DefWindowProcW(h, msg, wp, lp);
            });
            // The registration id is an atom of a text unique to this instance.
            const std::wstring unique =
                L"Keyvale.HotKey." + std::to_wstring(reinterpret_cast<std::uintptr_t>(this));
            atom_.reset(GlobalAddAtomW(unique.c_str()));
        }
        registered_ = RegisterHotKey(window_->hwnd(), atom_.get(), modifiers, vk) != FALSE;
        return registered_;
    }
    void unregisterKey() override {
        if (registered_) UnregisterHotKey(window_->hwnd(), atom_.get());
        registered_ = false;
    }

private:
    std::function<void()> onPressed_;
    std::optional<MessageWindow> window_;
    UniqueAtom atom_;
    bool registered_ = false;
};

}  // namespace

std::unique_ptr<HotKeyRegistration> Win32HotKeys::create(std::function<void()> onPressed) {
    return std::make_unique<Win32HotKeyRegistration>(std::move(onPressed));
}

bool Win32HotKeys::applicationActive() {
    return GetActiveWindow() != nullptr;
}

// ---- windows ----

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

// ---- shell ----

void Win32Shell::open(const std::string& target) {
    const std::size_t anchor = target.rfind('#');
    const std::wstring wide = widen(target);
    if (anchor != std::string::npos && lstrcmpiW(wide.substr(0, 5).c_str(), L"file:") == 0) {
        // Some shells take the anchor of a file URL for part of the file's
        // name and find no file: the document itself is then opened, at its top.
        SHELLEXECUTEINFOW sei{};
        sei.cbSize = sizeof sei;
        sei.fMask = SEE_MASK_FLAG_NO_UI;
        sei.hwnd = owner;
        sei.lpVerb = L"open";
        sei.lpFile = wide.c_str();
        sei.nShow = SW_SHOWNORMAL;
        if (ShellExecuteExW(&sei)) return;
        ShellExecuteW(owner, L"open", widen(target.substr(0, anchor)).c_str(), nullptr, nullptr,
                      SW_SHOWNORMAL);
        return;
    }
    ShellExecuteW(owner, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// ---- files ----

std::optional<std::string> Win32Files::read(const std::string& path) {
    UniqueFile f(CreateFileW(widen(path).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return std::nullopt;
    // Straight into a string of the file's size: a large store is not copied
    // chunk by chunk. A file that grows meanwhile is read to its end.
    LARGE_INTEGER size{};
    const bool sized = GetFileSizeEx(f.get(), &size) && size.QuadPart > 0;
    std::string out(sized ? static_cast<std::size_t>(size.QuadPart) : 0, '\0');
    std::size_t done = 0;
    for (;;) {
        if (done == out.size()) out.resize(out.size() + 65536);
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1 << 20));
        DWORD got = 0;
        if (!ReadFile(f.get(), out.data() + done, chunk, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        done += got;
    }
    out.resize(done);
    return out;
}

bool Win32Files::write(const std::string& path, std::string_view bytes) {
    UniqueFile f(CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(f.get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) return false;
        done += wrote;
    }
    return FlushFileBuffers(f.get()) != FALSE;
}

bool Win32Files::replace(const std::string& from, const std::string& to) {
    // A program that reads the file at that moment (a virus scanner, a backup,
    // an editor) makes the rename fail; such holds are short, so the rename is
    // tried again for about half a second before the write is given up.
    const std::wstring wideFrom = widen(from), wideTo = widen(to);
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if (attempt == 10 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
                              error != ERROR_LOCK_VIOLATION))
            return false;
        Sleep(50);
    }
}

bool Win32Files::remove(const std::string& path) {
    return DeleteFileW(widen(path).c_str()) != FALSE;
}

bool Win32Files::exists(const std::string& path) {
    const DWORD a = GetFileAttributesW(widen(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<FileStamp> Win32Files::stamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &d) ||
        (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return FileStamp{(static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow,
                     (static_cast<std::uint64_t>(d.ftLastWriteTime.dwHighDateTime) << 32) |
                         d.ftLastWriteTime.dwLowDateTime};
}

bool Win32Files::sameName(std::string_view a, std::string_view b) {
    // The comparison the file system makes of names.
    const std::wstring wa = widen(a), wb = widen(b);
    return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                                static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

bool Win32Files::writable(const std::string& path) {
    UniqueFile f(CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(f);
}

bool Win32Files::createDirectory(const std::string& path) {
    const std::wstring wide = widen(path);
    if (CreateDirectoryW(wide.c_str(), nullptr)) return true;
    const DWORD a = GetFileAttributesW(wide.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> Win32Files::toCodePage(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    const std::wstring wide = widen(utf8);
    const int size = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    const int n =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &lossy);
    if (lossy || n <= 0) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), n, nullptr, &lossy);
    // Only text that reads back as written counts as fitting: some code
    // pages map a character to a byte that reads as another.
    if (lossy || fromCodePage(out) != utf8) return std::nullopt;
    return out;
}

std::string Win32Files::fromCodePage(std::string_view bytes) {
    if (isAscii(bytes)) return std::string(bytes);
    const int size = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), n);
    return narrow(wide);
}

// ---- dialogs ----

namespace {

// The window a box belongs to: the active window of this program, so the
// form that asked stays disabled while the box is open.
HWND boxOwner(HWND fallback) {
    HWND active = GetActiveWindow();
    return active ? active : fallback;
}

}  // namespace

void Win32Dialogs::errorBox(const std::string& message) {
    letTypedKeysArrive();
    MessageBoxW(boxOwner(owner), widen(message).c_str(), L"Keyvale", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

bool Win32Dialogs::confirm(const std::string& question) {
    letTypedKeysArrive();
    return MessageBoxW(boxOwner(owner), widen(question).c_str(), L"Keyvale",
                       MB_YESNO | MB_ICONWARNING | MB_SETFOREGROUND) == IDYES;
}

void Win32Dialogs::message(const std::string& text) {
    letTypedKeysArrive();
    MessageBoxW(boxOwner(owner), widen(text).c_str(), L"Keyvale", MB_OK | MB_SETFOREGROUND);
}

std::optional<std::string> Win32Dialogs::openFile(const std::string& filter) {
    // The dialog wants the filter's parts separated by NUL and ended by two.
    std::wstring parts = widen(filter);
    for (wchar_t& c : parts)
        if (c == L'|') c = L'\0';
    parts.append(2, L'\0');
    // Room for the long paths of current Windows, not only MAX_PATH.
    std::vector<wchar_t> path(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = boxOwner(owner);
    ofn.lpstrFilter = parts.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path.data();
    ofn.nMaxFile = static_cast<DWORD>(path.size());
    ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn) || !path[0]) return std::nullopt;
    return narrow(path.data());
}

// ---- locale ----

std::string Win32Locale::formatNow(DateTimeFormat format) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    wchar_t buf[256] = {};
    int n = 0;
    switch (format) {
        case DateTimeFormat::ShortDate:
            n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 256);
            break;
        case DateTimeFormat::LongDate:
            n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, buf, 256);
            break;
        case DateTimeFormat::ShortTime:
            n = GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, buf, 256);
            break;
        case DateTimeFormat::LongTime:
            n = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, 256);
            break;
    }
    return n > 0 ? narrow(buf) : std::string();
}

// ---- paths ----

std::string programDirectory() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size()) {
            const std::string path = narrow(std::wstring_view(buf.data(), n));
            return path.substr(0, path.find_last_of('\\') + 1);
        }
        buf.resize(buf.size() * 2);
    }
}

std::string windowsDirectory() {
    wchar_t buf[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryW(buf, MAX_PATH);
    return narrow(std::wstring_view(buf, n < MAX_PATH ? n : 0));
}

std::string appDataDirectory() {
    wchar_t buf[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buf) !=
        S_OK)
        return windowsDirectory();
    return narrow(buf);
}

Win32System::Win32System()
    : sys{pump,  keyboard,           hotKeys,      windows, shell, files, dialogs, locale,
          input, programDirectory(), std::string()} {}

}  // namespace kv::os::win32
