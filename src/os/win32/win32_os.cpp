#include "os/win32/win32_os.hpp"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <optional>
#include <utility>
#include <vector>

namespace kv::os::win32 {

// ---- message-only windows ----

namespace {

const char* messageWindowClass() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KeyvaleMessageWindow";
        RegisterClassA(&wc);
        return "KeyvaleMessageWindow";
    }();
    return name;
}

}  // namespace

MessageWindow::MessageWindow(Handler handler) : handler_(std::move(handler)) {
    window_.reset(CreateWindowExA(0, messageWindowClass(), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr));
    SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageWindow::proc));
}

LRESULT CALLBACK MessageWindow::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self || !self->handler_) return DefWindowProcA(hwnd, msg, wp, lp);
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
          return DefWindowProcA(h, msg, wp, lp);
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
    char name[32] = "";
    return hwnd && GetClassNameA(hwnd, name, sizeof name) && lstrcmpiA(name, HOTKEY_CLASSA) == 0;
}

}  // namespace

void Win32Pump::dispatch(MSG& msg) {
    // Alt+letter typed into a hot-key field is the hot key being set: the
    // field has taken it from the key press already, and the dialog must not
    // also press the button whose mnemonic the letter is (Alt+N would set the
    // hot key and go to the next page at once, unseen).
    if (msg.message == WM_SYSCHAR && isHotKeyField(msg.hwnd)) return;
    for (HWND d : dialogs_)
        if (IsWindow(d) && IsDialogMessageA(d, &msg)) return;
    if (HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        root && GetPropA(root, kFormProperty)) {
        if ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) &&
            SendMessageA(root, kFormKeyPreview, msg.message, static_cast<LPARAM>(msg.wParam)))
            return;
        if (IsDialogMessageA(root, &msg)) return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

bool Win32Pump::dispatchPending() {
    bool any = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
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
    dispatchPending();
}

void Win32Pump::waitUntil(Millis deadline) {
    // What is already waiting may be what the caller waits for: it then
    // returns at once, so the caller sees its condition change.
    if (dispatchPending()) return;
    const Millis t = now();
    if (t >= deadline) return;
    const Millis wait = deadline - t;
    MsgWaitForMultipleObjectsEx(0, nullptr, wait > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(wait),
                                QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    dispatchPending();
}

bool Win32Pump::runOne() {
    if (quit_) return false;
    MSG msg;
    const BOOL r = GetMessageA(&msg, nullptr, 0, 0);
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
               SendMessageTimeoutA(target, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored)) {
        }
    };
    keybd_event(kMarkerKey, 0, 0, kInjectedByKeyvale);
    waitUntilRead(true);
    keybd_event(kMarkerKey, 0, KEYEVENTF_KEYUP, kInjectedByKeyvale);
    waitUntilRead(false);
    AttachThreadInput(self, thread, FALSE);
}

std::int16_t Win32Keyboard::vkKeyScan(char c) {
    const SHORT key = VkKeyScanA(c);
    if (static_cast<unsigned char>(c) < 0x80 || key == -1) return key;
    // Beyond ASCII the layout's answer is trusted only when its key really
    // types the character: under some locales the lookup answers with the
    // base letter's key (E for an e with an accent), which types the wrong
    // character. Such characters go in by character input instead.
    wchar_t wanted = 0;
    if (MultiByteToWideChar(CP_ACP, 0, &c, 1, &wanted, 1) != 1) return -1;
    BYTE keyState[256] = {};
    const unsigned shiftState = (static_cast<unsigned>(key) >> 8) & 0xFF;
    if (shiftState & 1) keyState[VK_SHIFT] = 0x80;
    if (shiftState & 2) keyState[VK_CONTROL] = 0x80;
    if (shiftState & 4) keyState[VK_MENU] = 0x80;
    HKL layout = GetKeyboardLayout(0);
    const UINT vk = static_cast<UINT>(key) & 0xFF;
    const UINT scan = MapVirtualKeyExA(vk, MAPVK_VK_TO_VSC, layout);
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
    return MapVirtualKeyA(vk, 0);
}

void Win32Keyboard::keyEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
    keybd_event(vk, scan, flags, kInjectedByKeyvale);
    ++g_keysSent;
}

void Win32Keyboard::typeCharacter(char c) {
    wchar_t w = 0;
    if (MultiByteToWideChar(CP_ACP, 0, &c, 1, &w, 1) != 1) return;
    INPUT in[2]{};
    for (int i = 0; i < 2; ++i) {
        in[i].type = INPUT_KEYBOARD;
        in[i].ki.wScan = w;
        in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i == 1 ? KEYEVENTF_KEYUP : 0);
        in[i].ki.dwExtraInfo = kInjectedByKeyvale;
    }
    SendInput(2, in, sizeof(INPUT));
    g_keysSent += 2;
}

bool Win32Keyboard::isKeyDown(unsigned vk) {
    return (GetAsyncKeyState(static_cast<int>(vk)) & 0x8000) != 0;
}

std::string Win32Keyboard::keyName(unsigned vk) {
    const UINT scan = MapVirtualKeyA(vk, 0);
    if (scan == 0) return {};
    char buf[64] = {};
    if (GetKeyNameTextA(static_cast<LONG>(scan << 16), buf, sizeof buf) <= 0) return {};
    return buf;
}

// ---- hot keys ----

namespace {

class Win32HotKeyRegistration : public HotKeyRegistration {
public:
    explicit Win32HotKeyRegistration(std::function<void()> onPressed)
        : onPressed_(std::move(onPressed)),
          window_([this](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
              if (msg == WM_HOTKEY) {
                  if (onPressed_) onPressed_();
                  return 0;
              }
              return DefWindowProcA(h, msg, wp, lp);
          }) {
        // The registration id is an atom of a text unique to this instance.
        const std::string unique = "Keyvale.HotKey." + std::to_string(reinterpret_cast<std::uintptr_t>(this));
        atom_.reset(GlobalAddAtomA(unique.c_str()));
    }
    ~Win32HotKeyRegistration() override { unregisterKey(); }
    bool registerKey(unsigned modifiers, unsigned vk) override {
        unregisterKey();
        registered_ = RegisterHotKey(window_.hwnd(), atom_.get(), modifiers, vk) != FALSE;
        return registered_;
    }
    void unregisterKey() override {
        if (registered_) UnregisterHotKey(window_.hwnd(), atom_.get());
        registered_ = false;
    }

private:
    std::function<void()> onPressed_;
    MessageWindow window_;
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
    std::vector<char> buf(maxChars + 1, '\0');
    const int n = GetWindowTextA(toHwnd(w), buf.data(), static_cast<int>(buf.size()));
    return n > 0 ? std::string(buf.data(), static_cast<std::size_t>(n)) : std::string();
}

bool Win32Windows::isVisible(WindowHandle w) {
    return IsWindowVisible(toHwnd(w)) != FALSE;
}

bool Win32Windows::exists(WindowHandle w) {
    return IsWindow(toHwnd(w)) != FALSE;
}

WindowHandle Win32Windows::findByExactTitle(const std::string& title) {
    return fromHwnd(FindWindowA(nullptr, title.c_str()));
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
    SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored);
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
    if (anchor != std::string::npos && lstrcmpiA(target.substr(0, 5).c_str(), "file:") == 0) {
        // Some shells take the anchor of a file URL for part of the file's
        // name and find no file: the document itself is then opened, at its top.
        SHELLEXECUTEINFOA sei{};
        sei.cbSize = sizeof sei;
        sei.fMask = SEE_MASK_FLAG_NO_UI;
        sei.hwnd = owner;
        sei.lpVerb = "open";
        sei.lpFile = target.c_str();
        sei.nShow = SW_SHOWNORMAL;
        if (ShellExecuteExA(&sei)) return;
        ShellExecuteA(owner, "open", target.substr(0, anchor).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    ShellExecuteA(owner, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// ---- files ----

std::optional<std::string> Win32Files::read(const std::string& path) {
    UniqueFile f(CreateFileA(path.c_str(), GENERIC_READ,
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
    UniqueFile f(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
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
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if (attempt == 10 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
                              error != ERROR_LOCK_VIOLATION))
            return false;
        Sleep(50);
    }
}

bool Win32Files::remove(const std::string& path) {
    return DeleteFileA(path.c_str()) != FALSE;
}

bool Win32Files::exists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Files::writable(const std::string& path) {
    UniqueFile f(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(f);
}

bool Win32Files::createDirectory(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return true;
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
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
    MessageBoxA(boxOwner(owner), message.c_str(), "Keyvale", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

bool Win32Dialogs::confirm(const std::string& question) {
    letTypedKeysArrive();
    return MessageBoxA(boxOwner(owner), question.c_str(), "Keyvale",
                       MB_YESNO | MB_ICONWARNING | MB_SETFOREGROUND) == IDYES;
}

void Win32Dialogs::message(const std::string& text) {
    letTypedKeysArrive();
    MessageBoxA(boxOwner(owner), text.c_str(), "Keyvale", MB_OK | MB_SETFOREGROUND);
}

std::optional<std::string> Win32Dialogs::openFile(const std::string& filter) {
    // The dialog wants the filter's parts separated by NUL and ended by two.
    std::string parts = filter;
    for (char& c : parts)
        if (c == '|') c = '\0';
    parts.append(2, '\0');
    char path[MAX_PATH] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = boxOwner(owner);
    ofn.lpstrFilter = parts.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&ofn) || !*path) return std::nullopt;
    return std::string(path);
}

// ---- locale ----

std::string Win32Locale::formatNow(DateTimeFormat format) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    char buf[256] = {};
    int n = 0;
    switch (format) {
        case DateTimeFormat::ShortDate:
            n = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, sizeof buf);
            break;
        case DateTimeFormat::LongDate:
            n = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, buf, sizeof buf);
            break;
        case DateTimeFormat::ShortTime:
            n = GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, buf, sizeof buf);
            break;
        case DateTimeFormat::LongTime:
            n = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, sizeof buf);
            break;
    }
    return n > 0 ? std::string(buf) : std::string();
}

// ---- paths ----

std::string programDirectory() {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size()) {
            std::string path(buf.data(), n);
            return path.substr(0, path.find_last_of('\\') + 1);
        }
        buf.resize(buf.size() * 2);
    }
}

std::string windowsDirectory() {
    char buf[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
    return std::string(buf, n < MAX_PATH ? n : 0);
}

std::string appDataDirectory() {
    char buf[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buf) !=
        S_OK)
        return windowsDirectory();
    return buf;
}

Win32System::Win32System()
    : sys{pump,  keyboard,           hotKeys,      windows, shell, files, dialogs, locale,
          input, programDirectory(), std::string()} {}

}  // namespace kv::os::win32
