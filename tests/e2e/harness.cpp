#include "harness.hpp"
// After windows.h, which harness.hpp brings.
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>

#include "os/win32/wide.hpp"
#include "remote_controls.hpp"

namespace e2e {

namespace {

std::vector<KeyRecord> g_keys;
HHOOK g_hook = nullptr;
int g_dirCounter = 0;

LRESULT CALLBACK lowLevelKeyboard(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
        const bool down = wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN;
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        g_keys.push_back({k->vkCode, down, k->scanCode, (k->flags & LLKHF_EXTENDED) != 0,
                          k->dwExtraInfo == 0x4B56414CUL, k->time, now.QuadPart});
    }
    return CallNextHookEx(g_hook, code, wp, lp);
}

}  // namespace

std::wstring utf16(const std::string& utf8) {
    return kv::os::win32::widen(utf8);
}

std::string utf8(const std::wstring& utf16) {
    return kv::os::win32::narrow(utf16);
}

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    if (!v) throw std::runtime_error(std::string("missing environment variable ") + name);
    std::string s = v;
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}

// Like any editor, the target gives the focus to its edit control whenever
// it is activated.
LRESULT CALLBACK targetProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_SETFOCUS) {
        if (HWND edit = FindWindowExW(h, nullptr, L"Edit", nullptr)) SetFocus(edit);
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

}  // namespace

Harness::Harness() {
    const std::string work = env("KV_WORK_DIR");
    CreateDirectoryW(utf16(work).c_str(), nullptr);
    // Process ids repeat between Wine sessions, so the name also takes the clock.
    LARGE_INTEGER stamp;
    QueryPerformanceCounter(&stamp);
    const std::string dir = work + "\\run" + std::to_string(GetCurrentProcessId()) + "_" +
                            std::to_string(stamp.QuadPart) + "_" + std::to_string(++g_dirCounter);
    if (!CreateDirectoryW(utf16(dir).c_str(), nullptr)) throw std::runtime_error("cannot create " + dir);
    programDir_ = dir + "\\";
    if (!CopyFileW(utf16(env("KV_MACROS_EXE")).c_str(), utf16(programDir_ + "Macros.exe").c_str(), FALSE))
        throw std::runtime_error("cannot copy Macros.exe");
    DeleteFileW(utf16(storePath()).c_str());

    // A Unicode window, as any current editor is: characters outside the
    // code page reach its edit control as themselves.
    WNDCLASSW wc{};
    wc.lpfnWndProc = targetProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"KeyvaleE2ETarget";
    RegisterClassW(&wc);
    target_ =
        CreateWindowExW(0, L"KeyvaleE2ETarget", L"Keyvale test target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50,
                        50, 500, 300, nullptr, nullptr, wc.hInstance, nullptr);
    edit_ =
        CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL,
                        5, 5, 480, 250, target_, nullptr, wc.hInstance, nullptr);
    keyboardHook(true);
    focusTarget();
    g_keys.clear();
}

Harness::~Harness() {
    stop();
    DestroyWindow(target_);
    DeleteFileW(utf16(storePath()).c_str());
    removeProgramDir();
}

void Harness::stop() {
    if (!process_.hProcess) return;
    TerminateProcess(process_.hProcess, 0);
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
    hookFirstAgain();
}

void Harness::removeProgramDir() {
    const std::wstring dir = utf16(programDir_);
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((dir + L"*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((dir + fd.cFileName).c_str());
        } while (FindNextFileW(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryW(dir.c_str());
}

std::string Harness::storePath() const {
    wchar_t buf[MAX_PATH] = {};
    GetWindowsDirectoryW(buf, MAX_PATH);
    return utf8(buf) + "\\macros.ini";
}

void Harness::writeStore(const std::string& text) {
    writeFile(storePath(), text);
}

std::string Harness::readStore() const {
    return readFile(storePath());
}

std::string Harness::storeValue(int slot, const char* key) const {
    wchar_t buf[1024] = {};
    GetPrivateProfileStringW(utf16("Macro" + std::to_string(slot)).c_str(), utf16(key).c_str(), L"(none)",
                             buf, 1024, utf16(storePath()).c_str());
    return utf8(buf);
}

void Harness::writeProgramFile(const std::string& name, const std::string& bytes) {
    writeFile(programDir_ + name, bytes);
}

std::string Harness::readProgramFile(const std::string& name) const {
    return readFile(programDir_ + name);
}

bool Harness::programFileExists(const std::string& name) const {
    return GetFileAttributesW(utf16(programDir_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Harness::start(const std::string& arguments) {
    std::wstring cmd =
        utf16("\"" + programDir_ + "Macros.exe\"" + (arguments.empty() ? "" : " " + arguments));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, utf16(programDir_).c_str(),
                        &si, &process_))
        throw std::runtime_error("cannot start Macros.exe");
    waitUntilIdle();
    // The program is idle first at its first message pump, before it has
    // registered its hot keys; its tray window comes after them. A start that
    // ends (a hand-over) or stops at a message box has no tray window.
    const auto boxShown = [](DWORD pid) {
        struct Seen {
            DWORD pid;
            bool box = false;
        } seen{pid};
        EnumWindows(
            [](HWND w, LPARAM lp) {
                auto& s = *reinterpret_cast<Seen*>(lp);
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                char cls[16] = {};
                GetClassNameA(w, cls, sizeof cls);
                s.box = owner == s.pid && IsWindowVisible(w) && std::string(cls) == "#32770";
                return s.box ? FALSE : TRUE;
            },
            reinterpret_cast<LPARAM>(&seen));
        return seen.box;
    };
    waitFor([&] { return !running() || trayForm(process_.dwProcessId) || boxShown(process_.dwProcessId); },
            std::chrono::seconds(10));
}

void Harness::waitUntilIdle() {
    // Keeps pumping while the program starts, so our windows stay responsive.
    for (int i = 0; i < 200; ++i) {
        if (WaitForInputIdle(process_.hProcess, 50) != WAIT_TIMEOUT) break;
        pumpFor(std::chrono::milliseconds(1));
    }
    pumpFor(std::chrono::milliseconds(300));
}

namespace {

// The number of the /proc folder whose command line names the program's own
// folder (unique to the harness), 0 when there is none (not under Wine).
unsigned long unixPidOf(const std::string& programDir) {
    std::string folder = programDir.substr(0, programDir.size() - 1);
    folder = folder.substr(folder.find_last_of('\\') + 1);
    WIN32_FIND_DATAW f;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &f);
    if (find == INVALID_HANDLE_VALUE) return 0;
    unsigned long found = 0;
    do {
        const std::wstring name = f.cFileName;
        if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
        const std::string cmd = readFile("Z:\\proc\\" + utf8(name) + "\\cmdline");
        if (cmd.find(folder) != std::string::npos && cmd.find("Macros.exe") != std::string::npos)
            found = std::stoul(name);
    } while (!found && FindNextFileW(find, &f));
    FindClose(find);
    return found;
}

}  // namespace

unsigned long Harness::unixPid() {
    if (unixPidOf_ != process_.dwProcessId)
        unixPid_ = unixPidOf(programDir_), unixPidOf_ = process_.dwProcessId;
    return unixPid_;
}

double Harness::processorMs() {
    if (unixPid()) {
        // Fields 14 and 15 of stat, after the name in parentheses: user and system clock ticks.
        const std::string stat = readFile("Z:\\proc\\" + std::to_string(unixPid_) + "\\stat");
        const std::size_t close = stat.rfind(')');
        if (close != std::string::npos) {
            unsigned long long utime = 0, stime = 0;
            if (std::sscanf(stat.c_str() + close + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu",
                            &utime, &stime) == 2)
                return static_cast<double>(utime + stime) * 10.0;  // USER_HZ is 100 on Linux
        }
    }
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process_.hProcess, &created, &exited, &kernel, &user)) return 0;
    auto v = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(v(kernel) + v(user)) / 10000.0;
}

bool Harness::running() {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

std::string Harness::state() {
    char text[320];
    if (!running()) {
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        std::snprintf(text, sizeof text, "the program ended with code 0x%08lX", code);
        return text;
    }
    struct Found {
        DWORD pid;
        std::string list;
    } found{process_.dwProcessId, "the program runs; its windows:"};
    EnumWindows(
        [](HWND w, LPARAM lp) {
            auto& f = *reinterpret_cast<Found*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid != f.pid) return TRUE;
            char cls[64] = {}, caption[200] = {};
            GetClassNameA(w, cls, sizeof cls);
            GetWindowTextA(w, caption, sizeof caption);
            f.list +=
                std::string(" [") + cls + " \"" + caption + "\"" + (IsWindowVisible(w) ? " visible]" : "]");
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.list;
}

bool Harness::waitForExit(std::chrono::milliseconds timeout) {
    return waitFor([this] { return !running(); }, timeout);
}

void Harness::keyDown(BYTE vk) {
    keybd_event(vk, static_cast<BYTE>(MapVirtualKeyA(vk, 0)), 0, 0);
}

void Harness::keyUp(BYTE vk) {
    keybd_event(vk, static_cast<BYTE>(MapVirtualKeyA(vk, 0)), KEYEVENTF_KEYUP, 0);
}

void Harness::tap(BYTE vk) {
    keyDown(vk);
    keyUp(vk);
    pumpFor(std::chrono::milliseconds(30));
}

void Harness::pressHotKey(std::vector<BYTE> modifiers, BYTE key, std::chrono::milliseconds holdModifiers) {
    for (BYTE m : modifiers) keyDown(m);
    keyDown(key);
    keyUp(key);
    pumpFor(holdModifiers);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) keyUp(*it);
    pumpFor(std::chrono::milliseconds(20));
}

bool Harness::waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
                      std::chrono::milliseconds step) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (condition()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        const ULONGLONG left = deadline - now;
        const auto most = static_cast<ULONGLONG>(step.count());
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < most ? left : most),
                                  QS_ALLINPUT);
    }
}

void Harness::keyboardHook(bool on) {
    if (on && !g_hook)
        g_hook = SetWindowsHookExA(WH_KEYBOARD_LL, lowLevelKeyboard, GetModuleHandleA(nullptr), 0);
    if (!on && g_hook) UnhookWindowsHookEx(g_hook), g_hook = nullptr;
}

void Harness::hookFirstAgain() {
    if (!g_hook) return;
    keyboardHook(false);
    keyboardHook(true);
}

bool Harness::hookSeesKeys() {
    for (int i = 0; i < 40; ++i) {
        clearKeys();
        tap(VK_F24);
        if (waitFor([] { return !g_keys.empty(); }, std::chrono::milliseconds(500))) {
            clearKeys();
            return true;
        }
    }
    return false;
}

void Harness::pumpFor(std::chrono::milliseconds duration) {
    waitFor([] { return false; }, duration);
}

std::string Harness::editText() const {
    const int n = GetWindowTextLengthA(edit_);
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    GetWindowTextA(edit_, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(n));
    return s;
}

std::string Harness::editTextUtf8() const {
    const int n = GetWindowTextLengthW(edit_);
    std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
    GetWindowTextW(edit_, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(n));
    return utf8(s);
}

void Harness::sendText(const std::string& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : utf16(text))
        for (DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wScan = c;
            in.ki.dwFlags = KEYEVENTF_UNICODE | up;
            inputs.push_back(in);
        }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    pumpFor(std::chrono::milliseconds(200));
}

void Harness::setClipboardText(const std::string& text) {
    const std::wstring w = utf16(text);
    for (int tries = 0; tries < 50 && !OpenClipboard(nullptr); ++tries) Sleep(20);
    EmptyClipboard();
    if (HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, (w.size() + 1) * sizeof(wchar_t))) {
        std::memcpy(GlobalLock(h), w.c_str(), (w.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(h);
        if (!SetClipboardData(CF_UNICODETEXT, h)) GlobalFree(h);
    }
    CloseClipboard();
}

std::string Harness::clipboardText() {
    for (int tries = 0; tries < 50 && !OpenClipboard(nullptr); ++tries) Sleep(20);
    std::string text = "(none)";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            text = utf8(p);
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

void Harness::clearEdit() {
    SetWindowTextA(edit_, "");
}

void Harness::focusTarget() {
    ShowWindow(target_, SW_SHOW);
    SetForegroundWindow(target_);
    SetFocus(edit_);
    pumpFor(std::chrono::milliseconds(50));
}

HWND Harness::findDialog(const std::string& caption) const {
    HWND found = nullptr;
    struct Search {
        const std::string* caption;
        HWND* found;
        DWORD pid;
    } s{&caption, &found, process_.dwProcessId};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(lp);
            wchar_t text[256] = {};
            GetWindowTextW(h, text, 256);
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid == s.pid && IsWindowVisible(h) && *s.caption == utf8(text)) {
                *s.found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return found;
}

std::string Harness::dialogText(HWND dialog) {
    std::string all;
    EnumChildWindows(
        dialog,
        [](HWND h, LPARAM lp) -> BOOL {
            wchar_t cls[64] = {};
            GetClassNameW(h, cls, 64);
            if (lstrcmpiW(cls, L"Static") == 0) {
                wchar_t text[1024] = {};
                GetWindowTextW(h, text, 1024);
                auto& all = *reinterpret_cast<std::string*>(lp);
                if (text[0]) all += std::string(all.empty() ? "" : "\n") + utf8(text);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

void Harness::clickButton(HWND dialog, const std::string& caption) {
    struct Search {
        const std::string* caption;
        HWND found;
    } s{&caption, nullptr};
    EnumChildWindows(
        dialog,
        [](HWND h, LPARAM lp) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(lp);
            char text[256] = {};
            GetWindowTextA(h, text, sizeof text);
            if (*s.caption == text) {
                s.found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    if (s.found) PostMessageA(s.found, BM_CLICK, 0, 0);
}

const std::vector<KeyRecord>& Harness::keys() const {
    return g_keys;
}

std::string Harness::injectedKeys() const {
    std::string out;
    char buf[16];
    for (const KeyRecord& k : g_keys) {
        if (!k.injectedByKeyvale) continue;
        snprintf(buf, sizeof buf, "%s%02lX%c", out.empty() ? "" : " ", static_cast<unsigned long>(k.vk),
                 k.down ? '+' : '-');
        out += buf;
    }
    return out;
}

std::string Harness::typedByHook() const {
    std::wstring text;
    bool shift = false;
    for (const KeyRecord& k : g_keys) {
        if (!k.injectedByKeyvale) continue;
        if (k.vk == VK_SHIFT || k.vk == VK_LSHIFT || k.vk == VK_RSHIFT) shift = k.down;
        if (!k.down) continue;
        if (k.vk == VK_PACKET) {
            text += static_cast<wchar_t>(k.scan);
        } else {
            // What the key gives on the layout, with Shift as Keyvale held it.
            BYTE state[256] = {};
            if (shift) state[VK_SHIFT] = 0x80;
            wchar_t c[4] = {};
            if (ToUnicode(k.vk, k.scan, state, c, 4, 0) == 1) text += c[0];
        }
    }
    return utf8(text);
}

std::string Harness::stillHeld() const {
    std::map<DWORD, int> balance;
    for (const KeyRecord& k : g_keys)
        if (k.injectedByKeyvale) balance[k.vk] += k.down ? 1 : -1;
    std::string held;
    for (const auto& [vk, n] : balance)
        if (n > 0) held += std::to_string(vk) + " ";
    return held;
}

void Harness::setDialogEdit(HWND dialog, const std::string& text) {
    HWND edit = FindWindowExA(dialog, nullptr, "Edit", nullptr);
    if (edit) SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string macroSection(int slot, const std::string& name, int kind, int hotKey, const std::string& fileName,
                         const std::string& extra) {
    return "[Macro" + std::to_string(slot) + "]\r\nName=" + name + "\r\nType=" + std::to_string(kind) +
           "\r\nHotKey=" + std::to_string(hotKey) + "\r\nFileName=" + fileName + "\r\n" + extra;
}

std::string macroLine(kv::store::MacroField field, const std::string& value) {
    return std::string(kv::store::macroKey(field).key) + "=" + value + "\r\n";
}

void Harness::clearKeys() {
    g_keys.clear();
}

std::string store(int entries, const std::string& sections, const std::string& mainKeys) {
    return "[Main]\r\nEntries=" + std::to_string(entries) + "\r\n" + mainKeys + sections;
}

namespace {
LRESULT CALLBACK notificationAreaProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_COPYDATA) {
        const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(l);
        if (cds->dwData == NIM_ADD)
            ++NotificationArea::adds, NotificationArea::from = reinterpret_cast<HWND>(w);
        if (cds->dwData == NIM_DELETE) ++NotificationArea::deletes;
        return TRUE;
    }
    return DefWindowProcA(h, m, w, l);
}
}  // namespace

NotificationArea::NotificationArea() {
    adds = deletes = 0;
    WNDCLASSA wc{};
    wc.lpfnWndProc = notificationAreaProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Shell_TrayWnd";
    RegisterClassA(&wc);
    window = CreateWindowExA(WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             wc.hInstance, nullptr);
}

NotificationArea::~NotificationArea() {
    DestroyWindow(window);
}

HWND trayForm(DWORD pid) {
    for (HWND w = FindWindowExA(nullptr, nullptr, "TKeyvale", nullptr); w;
         w = FindWindowExA(nullptr, w, "TKeyvale", nullptr)) {
        DWORD p = 0;
        GetWindowThreadProcessId(w, &p);
        if (p == pid) return w;
    }
    return nullptr;
}

std::string readFile(const std::string& path) {
    HANDLE f = CreateFileW(utf16(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0) bytes.append(buf, n);
    CloseHandle(f);
    return bytes;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    HANDLE f = CreateFileW(utf16(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const bool ok =
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size();
    CloseHandle(f);
    return ok;
}

std::string longRecording(const char* letters) {
    KeystrokeRecording r;
    r.key('Z', false);
    for (int i = 0; i < 999; ++i) r.tap(static_cast<std::uint16_t>(letters[i % 10]));
    r.key('Z', true);
    return r.bytes();
}

KeystrokeRecording& KeystrokeRecording::key(std::uint16_t vk, bool up, std::uint32_t gap) {
    kv::os::InputEvent e;
    e.vk = vk;
    e.scan = static_cast<std::uint16_t>(MapVirtualKeyA(vk, 0));
    e.keyFlags = up ? kv::os::kKeyUp : 0;
    e.time = recording_.events.empty() ? 0 : gap;
    recording_.events.push_back(e);
    return *this;
}

std::string KeystrokeRecording::bytes() const {
    return kv::journal::encodeRecording(recording_);
}

bool readLink(const std::string& file, LinkFields& out) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* persist = nullptr;
    const bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
                    SUCCEEDED(persist->Load(utf16(file).c_str(), STGM_READ));
    if (ok) {
        wchar_t text[1024] = {};
        link->GetDescription(text, 1024);
        out.description = utf8(text);
        PIDLIST_ABSOLUTE items = nullptr;
        text[0] = 0;
        if (!(SUCCEEDED(link->GetIDList(&items)) && items && SHGetPathFromIDListW(items, text)))
            link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
        CoTaskMemFree(items);
        out.path = utf8(text);
        text[0] = 0;
        link->GetWorkingDirectory(text, 1024);
        out.workingDirectory = utf8(text);
        text[0] = 0;
        link->GetArguments(text, 1024);
        out.arguments = utf8(text);
        text[0] = 0;
        link->GetIconLocation(text, 1024, &out.iconIndex);
        out.iconFile = utf8(text);
        link->GetShowCmd(&out.showCommand);
        link->GetHotkey(&out.hotKey);
    }
    if (persist) persist->Release();
    link->Release();
    return ok;
}

void Harness::typeLetters(const std::string& letters) {
    for (char c : letters)
        tap(c == ' ' ? VK_SPACE : static_cast<BYTE>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    pumpFor(std::chrono::milliseconds(100));
}

bool Harness::press(HWND dialog, const std::string& caption, std::chrono::milliseconds settle) {
    HWND b = visibleChild(dialog, "Button", caption);
    // A hidden dialog's own button (a recording hides its dialog; its Stop is still there to press).
    if (!b) b = button(dialog, caption);
    if (!b) {
        ADD_FAILURE() << "no button " << caption;
        return false;
    }
    PostMessageA(b, BM_CLICK, 0, 0);
    pumpFor(settle);
    return true;
}

bool Harness::escapeAReplay() {
    focusTarget();
    if (!waitFor([&] { return editText().size() > 10; }, std::chrono::seconds(10))) return false;
    keyDown(VK_ESCAPE);
    keyUp(VK_ESCAPE);
    pumpFor(std::chrono::milliseconds(1500));
    return true;
}

}  // namespace e2e
