#pragma once
// The operating-system services implemented with the Windows API, one
// file per service (pump.cpp, keyboard.cpp, hot_keys.cpp, windows.cpp,
// shell.cpp, files.cpp, dialogs.cpp, locale.cpp, input.cpp, system.cpp).

#include <windows.h>

#include <map>
#include <memory>

#include "os/os.hpp"
#include "os/win32/handles.hpp"
#include "os/win32/input_thread.hpp"

namespace kv::os::win32 {

// A top-level window that carries this property gets dialog keys (Tab,
// Enter, Esc, accelerators) from the message pump, and first sight of its
// key presses and releases as kFormKeyPreview (wParam WM_KEYDOWN or
// WM_KEYUP, lParam the virtual key; a non-zero result consumes the key).
inline constexpr const wchar_t* kFormProperty = L"KeyvaleForm";
inline constexpr UINT kFormKeyPreview = WM_APP + 0x4B0;

// A message-only window whose messages go to a callback, run in the guard.
class MessageWindow {
public:
    using Handler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
    MessageWindow(Guard& guard, Handler handler);
    HWND hwnd() const { return window_.get(); }

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
    Guard& guard_;
    Handler handler_;
    UniqueWindow window_;
};

class Win32Pump : public Pump {
public:
    explicit Win32Pump(Guard& guard);
    Millis now() override;
    void processMessages() override;
    void waitUntil(Millis deadline) override;
    std::unique_ptr<Timer> createTimer(std::function<void()> onTick) override;

    // Whether WM_QUIT has been seen; the main loop then ends.
    bool quitRequested() const override { return quit_; }
    // Gets and dispatches one message, blocking; false after WM_QUIT.
    bool runOne();

private:
    friend class Win32Timer;
    void dispatch(MSG& msg);
    // Dispatches what is waiting; true if there was anything. With
    // leaveInput the keyboard and mouse stay queued for a menu's own loop.
    bool dispatchPending(bool leaveInput);
    MessageWindow timerWindow_;
    std::map<UINT_PTR, std::function<void()>*> timers_;
    UINT_PTR nextTimerId_ = 1;
    bool quit_ = false;
};

class Win32Keyboard : public Keyboard {
public:
    std::int16_t vkKeyScan(char32_t c) override;
    unsigned mapVirtualKey(unsigned vk) override;
    void keyEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) override;
    void typeCharacter(char32_t c) override;
    bool isKeyDown(unsigned vk) override;
    std::string keyName(unsigned vk) override;
};

class Win32HotKeys : public HotKeys {
public:
    explicit Win32HotKeys(Guard& guard) : guard_(guard) {}
    std::unique_ptr<HotKeyRegistration> create(std::function<void()> onPressed) override;
    bool applicationActive() override;

private:
    Guard& guard_;
};

class Win32Windows : public Windows {
public:
    void enumerateTopLevel(const std::function<bool(WindowHandle)>& visit) override;
    std::string title(WindowHandle w, std::size_t maxChars) override;
    bool isVisible(WindowHandle w) override;
    bool exists(WindowHandle w) override;
    WindowHandle findByExactTitle(const std::string& title) override;
    WindowHandle foreground() override;
    void setForeground(WindowHandle w) override;
    bool runsAboveUs(WindowHandle w) override;
    std::string programName(WindowHandle w) override;
};

// Brings a window of this program to the front even when another
// application is active.
void forceForeground(HWND hwnd);

class Win32Shell : public Shell {
public:
    void open(const std::string& target) override;
    HWND owner = nullptr;
};

class Win32Files : public Files {
public:
    // Refuses links (see refuseLinks) when the process runs elevated.
    Win32Files();
    // While on, no write or deletion follows a junction or symbolic link put
    // in place of the file's folder, nor a write one put in place of the
    // file: any program of the user could otherwise aim an administrator's
    // writes at a system file. Off, links are followed (a synced folder).
    bool refuseLinks = false;
    std::optional<std::string> read(const std::string& path) override;
    bool write(const std::string& path, std::string_view bytes) override;
    bool replace(const std::string& from, const std::string& to) override;
    bool remove(const std::string& path) override;
    bool exists(const std::string& path) override;
    bool writable(const std::string& path) override;
    bool createDirectory(const std::string& path) override;
    std::optional<FileStamp> stamp(const std::string& path) override;
    bool sameName(std::string_view a, std::string_view b) override;
    std::unique_ptr<FileLock> lock(const std::string& path) override;
    std::string temporaryName(const std::string& path) override;
    std::optional<std::string> toCodePage(std::string_view utf8) override;
    std::string fromCodePage(std::string_view bytes) override;
};

// Waits (at most two seconds) until the window in front has read the keys
// Keyvale typed since the last call, so that a box of Keyvale's that takes
// the focus now does not take them too.
void letTypedKeysArrive();

// The value prompt and the input box are forms of the control layer, which
// sits above this one: the dialogs are given them at construction, and show
// them for the window they belong to.
class PromptBoxes {
public:
    virtual ~PromptBoxes() = default;
    // Dialogs::promptValue, owned by owner.
    virtual std::string promptValue(const std::string& prompt, HWND owner) = 0;
    // Dialogs::closePrompts.
    virtual void closePrompts() = 0;
    // Dialogs::inputQuery; owner stays disabled while the box is open and is
    // activated again after it.
    virtual std::optional<std::string> inputQuery(const std::string& caption, const std::string& prompt,
                                                  const std::string& initial, HWND owner) = 0;
};

class Win32Dialogs : public Dialogs {
public:
    explicit Win32Dialogs(PromptBoxes& boxes) : boxes_(boxes) {}
    void errorBox(const std::string& message) override;
    std::string promptValue(const std::string& prompt) override;
    bool confirm(const std::string& question) override;
    void message(const std::string& text) override;
    std::optional<std::string> openFile(const std::string& filter) override;
    std::optional<std::string> saveFile(const std::string& filter, const std::string& suggested,
                                        const std::string& defaultExtension) override;
    void closePrompts() override;
    std::optional<std::string> inputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override;
    HWND owner = nullptr;

private:
    PromptBoxes& boxes_;
};

class Win32Locale : public Locale {
public:
    std::string formatNow(DateTimeFormat format) override;
};

// Low-level keyboard and mouse hooks on the input thread, whose events are
// handed to the watcher on the user-interface thread; SendInput for replays.
class Win32Input : public Input {
public:
    Win32Input(Guard& guard, InputThread& thread);
    ~Win32Input() override;
    bool startWatching(std::function<void(const InputEvent&)> onEvent, bool keyboardOnly) override;
    void stopWatching() override;
    void inject(const InputEvent& event) override;

private:
    class Watch;
    std::unique_ptr<Watch> watch_;
};

// The program file's directory with a trailing backslash.
std::string programDirectory();
std::string windowsDirectory();
// The user's roaming application-data folder, without a trailing backslash.
std::string appDataDirectory();

struct Win32System {
    // The boxes are built beside the system, over it: they are reached only
    // once both are built.
    explicit Win32System(PromptBoxes& boxes);
    // First, so that the services whose window procedures and hooks run in
    // its guard can hold it; it holds the services by reference and reaches
    // them only once everything is built.
    System sys;
    Win32Pump pump{sys.guard};
    Win32Keyboard keyboard;
    Win32HotKeys hotKeys{sys.guard};
    Win32Windows windows;
    Win32Shell shell;
    Win32Files files;
    Win32Dialogs dialogs;
    Win32Locale locale;
    // Before the services whose hooks it runs, so that it outlives them.
    InputThread inputThread;
    Win32Input input{sys.guard, inputThread};
    std::unique_ptr<Clipboard> clipboard;
    std::unique_ptr<Typing> typing;
    // Owner of shell requests and message boxes.
    void setApplicationWindow(HWND hwnd) {
        shell.owner = hwnd;
        dialogs.owner = hwnd;
    }
};

}  // namespace kv::os::win32
