#pragma once
// The seam between portable logic and the operating system. Portable code
// reaches keyboard, windows, shell, files, timers and dialogs only through
// these interfaces; os/win32 implements them with the Windows API and
// os/fake with a simulated desktop and clock for the unit tests.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/guard.hpp"

namespace kv::os {

// A top-level window handle as a number; 0 is no window.
using WindowHandle = std::uint64_t;

// Milliseconds on a monotonic clock.
using Millis = std::uint64_t;

class Timer {
public:
    virtual ~Timer() = default;
    // Starts (or restarts) the timer; a period of 0 leaves it stopped.
    virtual void start(unsigned periodMs) = 0;
    virtual void stop() = 0;
    virtual bool running() const = 0;
};

// The user-interface thread's message queue and clock.
class Pump {
public:
    virtual ~Pump() = default;
    virtual Millis now() = 0;
    // Dispatches every message already waiting, then returns.
    virtual void processMessages() = 0;
    // Blocks until a message arrives or the clock reaches the deadline,
    // dispatches what is waiting, and returns. Never spins.
    virtual void waitUntil(Millis deadline) = 0;
    // A timer whose ticks are delivered through this queue.
    virtual std::unique_ptr<Timer> createTimer(std::function<void()> onTick) = 0;
    // The program has been asked to end (the system's quit message was
    // seen): modal loops return instead of waiting on.
    virtual bool quitRequested() const { return false; }
};

// KEYEVENTF_* values as keybd_event takes them.
inline constexpr std::uint32_t kKeyExtended = 0x1;
inline constexpr std::uint32_t kKeyUp = 0x2;

class Keyboard {
public:
    virtual ~Keyboard() = default;
    // The layout's key for a character: low byte virtual key, high byte
    // shift state (bit 0 Shift, bit 1 Ctrl, bit 2 Alt); -1 when the layout
    // has no key that really produces it.
    virtual std::int16_t vkKeyScan(char32_t c) = 0;
    // Virtual key to scan code (map type 0).
    virtual unsigned mapVirtualKey(unsigned vk) = 0;
    virtual void keyEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) = 0;
    // Types a character that has no key on the layout, by Unicode input
    // rather than by virtual key.
    virtual void typeCharacter(char32_t c) = 0;
    // Whether the key is held now (high bit of the asynchronous state).
    virtual bool isKeyDown(unsigned vk) = 0;
    // The keyboard's own name for the key (by its scan code); empty if none.
    virtual std::string keyName(unsigned vk) = 0;
};

// Modifier flags as RegisterHotKey takes them.
inline constexpr unsigned kModAlt = 1;
inline constexpr unsigned kModControl = 2;
inline constexpr unsigned kModShift = 4;

// One independent hot-key registration; the callback identifies its owner.
class HotKeyRegistration {
public:
    virtual ~HotKeyRegistration() = default;
    // False when the system refuses the combination.
    virtual bool registerKey(unsigned modifiers, unsigned vk) = 0;
    virtual void unregisterKey() = 0;
};

class HotKeys {
public:
    virtual ~HotKeys() = default;
    virtual std::unique_ptr<HotKeyRegistration> create(std::function<void()> onPressed) = 0;
    // Whether one of the application's windows is active.
    virtual bool applicationActive() = 0;
};

class Windows {
public:
    virtual ~Windows() = default;
    // Top-level windows in the system's enumeration order (front to back),
    // hidden ones included; the visitor returns false to stop.
    virtual void enumerateTopLevel(const std::function<bool(WindowHandle)>& visit) = 0;
    // At most maxChars characters of the window's text; empty when unreadable.
    virtual std::string title(WindowHandle w, std::size_t maxChars) = 0;
    virtual bool isVisible(WindowHandle w) = 0;
    virtual bool exists(WindowHandle w) = 0;
    // The platform's exact-title lookup (no class name).
    virtual WindowHandle findByExactTitle(const std::string& title) = 0;
    virtual WindowHandle foreground() = 0;
    virtual void setForeground(WindowHandle w) = 0;
    // Whether the window's program runs at a higher integrity level than
    // Keyvale (an administrator's window): the system drops keys sent to it.
    virtual bool runsAboveUs(WindowHandle) { return false; }
    // The file name of the window's program ("outlook.exe"); empty when its
    // process cannot be queried.
    virtual std::string programName(WindowHandle) { return {}; }
};

class Shell {
public:
    virtual ~Shell() = default;
    // Opens a program, document, web address or mail link with the verb
    // "open", shown normally, owned by the application window. The result
    // is not reported.
    virtual void open(const std::string& target) = 0;
};

// What changes when a file's content may have: its size and last write time.
struct FileStamp {
    std::uint64_t size = 0, lastWrite = 0;
    bool operator==(const FileStamp&) const = default;
};

// Held by one process across a reading of a file and the write it leads to,
// so that a copy of Keyvale running beside it never writes in between.
class FileLock {
public:
    virtual ~FileLock() = default;
};

// Paths are UTF-8. Text files that other programs share (the store, the
// scripts) are kept in the system's ANSI code page where their text fits it;
// the code page's conversions belong here with the files.
class Files {
public:
    virtual ~Files() = default;
    // The text in the ANSI code page, or nothing when a character has no
    // exact form there (no look-alike letters). Windows-1252 unless the
    // system says otherwise.
    virtual std::optional<std::string> toCodePage(std::string_view utf8);
    virtual std::string fromCodePage(std::string_view bytes);
    // The whole file, or nothing when it is missing or unreadable.
    virtual std::optional<std::string> read(const std::string& path) = 0;
    // Creates or truncates the file and writes the bytes through to disk.
    virtual bool write(const std::string& path, std::string_view bytes) = 0;
    // Renames from over to, replacing to when it exists.
    virtual bool replace(const std::string& from, const std::string& to) = 0;
    virtual bool remove(const std::string& path) = 0;
    virtual bool exists(const std::string& path) = 0;
    // Whether an existing file can be opened for writing (nothing is changed).
    virtual bool writable(const std::string& path) = 0;
    // Creates the directory if it is missing; true when it exists afterwards.
    virtual bool createDirectory(const std::string& path) = 0;
    // The file's stamp, or nothing when the system cannot tell (or the file
    // is missing): a caller then reads the file.
    virtual std::optional<FileStamp> stamp(const std::string& path);
    // Whether two file names are one name on the system's disks: equal
    // without regard to letter case in every alphabet, compared ordinally
    // (CompareStringOrdinal ignoring case on Windows; here each UTF-16 unit
    // upper-cased by the simple mapping, as Windows does).
    virtual bool sameName(std::string_view a, std::string_view b);
    // The file's lock among processes, waited for a few seconds at most;
    // nothing when another process kept it. The same thread may take it
    // again while it holds it.
    virtual std::unique_ptr<FileLock> lock(const std::string& path);
    // A name beside the file for a temporary copy that no other process
    // writes at the same time.
    virtual std::string temporaryName(const std::string& path) { return path + ".new"; }
};

enum class DateTimeFormat { ShortDate, LongDate, ShortTime, LongTime };

class Locale {
public:
    virtual ~Locale() = default;
    // The current local date or time in the system locale's format, from one
    // reading of the clock.
    virtual std::string formatNow(DateTimeFormat format) = 0;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The standard error box: caption "Keyvale", error icon, the message.
    virtual void errorBox(const std::string& message) = 0;
    // The value prompt; returns whatever the answer field holds when closed.
    virtual std::string promptValue(const std::string& prompt) = 0;
    // A warning box with Yes and No, caption "Keyvale"; true for Yes.
    virtual bool confirm(const std::string& question) = 0;
    // A plain message box with OK, caption "Keyvale".
    virtual void message(const std::string& text) = 0;
    // The common file-open dialog; the filter is in the form
    // "All Files (*.*)|*.*|Executables (*.exe)|*.exe". The full path of the
    // picked file, or nothing when cancelled.
    virtual std::optional<std::string> openFile(const std::string& filter) = 0;
    // The common file-save dialog with the same filter, starting at the
    // suggested name; it asks before replacing a file, and a name typed
    // without an extension takes defaultExtension (no dot).
    virtual std::optional<std::string> saveFile(const std::string& filter, const std::string& suggested,
                                                const std::string& defaultExtension) = 0;
    // Closes every open value prompt (their calls then return); safe from
    // inside a watcher of Input.
    virtual void closePrompts() {}
    // The standard one-line input box: caption, prompt, an answer field that
    // starts with initial, OK (default) and Cancel. The answer as typed, or
    // nothing when cancelled.
    virtual std::optional<std::string> inputQuery(const std::string& caption, const std::string& prompt,
                                                  const std::string& initial) = 0;
};

// One low-level input event, as recorded and as replayed.
struct InputEvent {
    enum class Kind : std::uint8_t { Key, Mouse };
    Kind kind = Kind::Key;
    // Milliseconds on the system's input clock when the event happened.
    std::uint32_t time = 0;
    // Key: virtual key, scan code, and kKeyExtended / kKeyUp flags.
    std::uint16_t vk = 0;
    std::uint16_t scan = 0;
    std::uint32_t keyFlags = 0;
    // Mouse: position normalised to 0..65535 over the virtual screen, the
    // MOUSEEVENTF_* button and wheel flags (without MOVE/ABSOLUTE, which a
    // replay adds), and the wheel delta.
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t mouseFlags = 0;
    std::int32_t wheelDelta = 0;
    bool operator==(const InputEvent&) const = default;
};

// Watching the user's keyboard and mouse across the desktop, and injecting
// recorded input.
class Input {
public:
    virtual ~Input() = default;
    // Reports every keyboard event (and mouse event unless keyboardOnly)
    // that reaches the desktop, except those Keyvale injected itself. The
    // events arrive in order on the user-interface thread while it handles
    // messages, possibly some time after they happened; one seen before a
    // later startWatching or stopWatching never reaches the later watcher.
    // False when the system refuses to watch.
    virtual bool startWatching(std::function<void(const InputEvent&)> onEvent, bool keyboardOnly) = 0;
    virtual void stopWatching() = 0;
    // Sends the event as input, marked as Keyvale's own.
    virtual void inject(const InputEvent& event) = 0;
};

// What the user typed in any program: the characters a key made (UTF-8), a
// Backspace, or a sign that what was typed before no longer stands before
// the caret (a click, a caret key, a shortcut, another window, an input
// method's key).
struct TypedEvent {
    enum class Kind : std::uint8_t { Text, Backspace, Clear };
    Kind kind = Kind::Clear;
    std::string text;
    bool operator==(const TypedEvent&) const = default;
};

// Watching what the user types, on a thread of its own that does nothing
// else, so that a busy user-interface thread never delays anybody's typing.
// Keys Keyvale sends are not typing; keys other programs inject are.
class Typing {
public:
    virtual ~Typing() = default;
    // Each event reaches onEvent on the calling (user-interface) thread, in
    // the order typed. False when the system refuses to watch.
    virtual bool start(std::function<void(const TypedEvent&)> onEvent) = 0;
    virtual void stop() = 0;
    // Whether the control that has the keyboard focus hides what is typed
    // in it (a password field).
    virtual bool passwordFocused() { return false; }
};

// One format of the clipboard as saved: its number, its registered name
// (empty for the system's own formats) and its bytes.
struct ClipboardFormat {
    std::uint32_t id = 0;
    std::string name;
    std::string data;
    bool operator==(const ClipboardFormat&) const = default;
};
using ClipboardContents = std::vector<ClipboardFormat>;

// The system clipboard, for pasting text and putting the user's back. Each
// call opens it for a second at most, handling messages meanwhile; a
// clipboard another program keeps open longer fails the call.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Every format a program can read, in the clipboard's order (formats
    // rendered on demand that give nothing are left out); nothing when the
    // clipboard cannot be opened.
    virtual std::optional<ClipboardContents> save() = 0;
    // Replaces the clipboard by the saved formats, in their order.
    virtual bool restore(const ClipboardContents& contents) = 0;
    // Replaces the clipboard by the text (as Unicode text), marked so that
    // clipboard history, the cloud clipboard and clipboard managers leave it
    // alone.
    virtual bool putText(std::string_view utf8) = 0;
    // Changes whenever the clipboard's content does, and when a program has
    // read the text putText offered.
    virtual std::uint32_t sequenceNumber() = 0;
};

// The services a running program uses, with the two paths everything needs.
struct System {
    Pump& pump;
    Keyboard& keyboard;
    HotKeys& hotKeys;
    Windows& windows;
    Shell& shell;
    Files& files;
    Dialogs& dialogs;
    Locale& locale;
    Input& input;
    // The running program's directory, with a trailing backslash.
    std::string programDirectory;
    // Full path of macros.ini.
    std::string storePath;
    // Where the macros' data files are written, with a trailing backslash;
    // empty for the program directory.
    std::string dataDirectory = {};
    // The one error guard: it shows errors through dialogs.
    Guard guard{dialogs};
    // Nothing where no clipboard can be reached: text is then typed.
    Clipboard* clipboard = nullptr;
    // Nothing where typing cannot be watched: abbreviations then do nothing.
    Typing* typing = nullptr;
};

// The text with each character upper-cased as names are compared on the
// system's disks (Files::sameName): for finding one text in another
// without regard to case, in every alphabet.
std::string upperCased(std::string_view text);
// One character upper-cased the same way.
char32_t upperCasedChar(char32_t c);
// Whether the character is a letter with a capital and a small form.
bool hasCase(char32_t c);

}  // namespace kv::os
