#pragma once
// A simulated desktop for the unit tests: a clock that only moves when the
// program waits, a US keyboard layout, a system-wide hot-key table, top-level
// windows, files in memory, and scripted dialog answers.

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/utf8.hpp"
#include "os/fake/fake_clipboard.hpp"
#include "os/os.hpp"

namespace kv::os::fake {

class FakePump : public Pump {
public:
    Millis now() override { return now_; }
    void processMessages() override;
    void waitUntil(Millis deadline) override;
    std::unique_ptr<Timer> createTimer(std::function<void()> onTick) override;

    // Runs at the given simulated time, as a message would arrive then.
    void at(Millis when, std::function<void()> action);
    // Runs at the next processing of messages.
    void post(std::function<void()> action);
    // Time passes inside a call that blocks (a slow system call).
    void spend(Millis ms) { now_ += ms; }

    int processCalls = 0;
    int waitCalls = 0;
    // Timers started and not stopped: what wakes an idle program.
    int runningTimers() const;

private:
    struct TimerState {
        std::function<void()> onTick;
        unsigned period = 0;
        Millis due = 0;
        bool running = false;
        bool alive = true;
    };
    class FakeTimer;
    friend class FakeTimer;
    // Runs posted actions and whatever is due now; true if anything ran.
    bool dispatchDue();
    // The earliest future event, if any.
    std::optional<Millis> nextEvent() const;

    Millis now_ = 1'000'000;
    std::deque<std::function<void()>> posted_;
    std::multimap<Millis, std::function<void()>> scheduled_;
    std::vector<std::shared_ptr<TimerState>> timers_;
};

class FakeKeyboard : public Keyboard {
public:
    struct Event {
        std::uint8_t vk;
        std::uint8_t scan;
        std::uint32_t flags;
        bool operator==(const Event&) const = default;
    };
    std::int16_t vkKeyScan(char32_t c) override;
    unsigned mapVirtualKey(unsigned vk) override;
    void keyEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) override;
    void typeCharacter(char32_t c) override;
    bool isKeyDown(unsigned vk) override { return held.count(vk) != 0; }
    std::string keyName(unsigned vk) override;

    std::vector<Event> events;
    std::string typed;                    // characters sent by character input, as UTF-8
    std::u32string typedChars;            // the same, one code point each
    std::vector<std::size_t> charEvents;  // position in events of each typed character
    std::set<unsigned> held;              // keys the "user" holds down
    // Sees every key event as the target receives it.
    std::function<void(const Event&)> onKey;
    // Key presses of virtual keys in order, e.g. for quick text checks.
    std::string pressedText() const;
};

class FakeHotKeys : public HotKeys {
public:
    std::unique_ptr<HotKeyRegistration> create(std::function<void()> onPressed) override;
    bool applicationActive() override { return active; }
    // The user presses the combination; returns whether any registration had it.
    bool press(unsigned modifiers, unsigned vk);
    std::size_t registeredCount() const { return table_.size(); }
    bool isRegistered(unsigned modifiers, unsigned vk) const { return table_.count({modifiers, vk}) != 0; }
    bool active = false;
    // Combinations held by other programs.
    std::set<std::pair<unsigned, unsigned>> takenElsewhere;

private:
    class Registration;
    std::map<std::pair<unsigned, unsigned>, std::function<void()>*> table_;
};

class FakeWindows : public Windows {
public:
    struct Window {
        WindowHandle handle;
        std::string title;
        bool visible = true;
    };
    void enumerateTopLevel(const std::function<bool(WindowHandle)>& visit) override;
    std::string title(WindowHandle w, std::size_t maxChars) override;
    bool isVisible(WindowHandle w) override;
    bool exists(WindowHandle w) override;
    WindowHandle findByExactTitle(const std::string& title) override;
    WindowHandle foreground() override { return foreground_; }
    void setForeground(WindowHandle w) override;
    bool runsAboveUs(WindowHandle w) override { return elevated.count(w) != 0; }
    std::set<WindowHandle> elevated;
    std::string programName(WindowHandle w) override {
        const auto it = programs.find(w);
        return it == programs.end() ? std::string() : it->second;
    }
    std::map<WindowHandle, std::string> programs;

    // Opens a window in front of the others and returns its handle.
    WindowHandle open(const std::string& title, bool visible = true);
    void close(WindowHandle w);
    void setVisible(WindowHandle w, bool visible);
    int enumerations = 0;
    std::vector<WindowHandle> foregroundRequests;

private:
    Window* find(WindowHandle w);
    std::vector<Window> windows_;  // front to back
    WindowHandle next_ = 0x10010;
    WindowHandle foreground_ = 0;
};

class FakeShell : public Shell {
public:
    void open(const std::string& target) override { opened.push_back(target); }
    std::vector<std::string> opened;
};

class FakeFiles : public Files {
public:
    std::optional<std::string> read(const std::string& path) override;
    bool write(const std::string& path, std::string_view bytes) override;
    bool replace(const std::string& from, const std::string& to) override;
    bool remove(const std::string& path) override;
    bool exists(const std::string& path) override { return files.count(path) != 0; }
    bool writable(const std::string& path) override { return exists(path) && !readOnly.count(path); }
    bool createDirectory(const std::string& path) override {
        directories.insert(path);
        return true;
    }
    std::set<std::string> directories;

    std::map<std::string, std::string> files;
    std::set<std::string> readOnly;             // exist but refuse writes
    std::set<std::string> noNewFilesIn;         // directories that refuse new files
    std::set<std::string> readOnlyDirectories;  // no file made, changed, renamed or removed there
    std::set<std::string> unreadable;           // exist but refuse reads (held by another program)
    bool failReplace = false;
    int writes = 0;
    int reads = 0;

    // Locks: those another process keeps, and for each file the hold of its
    // lock (numbered from 1, 0 for none) its last reading and its last
    // replacement happened under.
    std::unique_ptr<FileLock> lock(const std::string& path) override;
    std::set<std::string> lockedElsewhere;
    std::map<std::string, int> readUnderHold, replacedUnderHold;

private:
    struct Hold {
        int number = 0, depth = 0;
    };
    std::map<std::string, Hold> holds_;
    int lastHold_ = 0;
};

class FakeDialogs : public Dialogs {
public:
    void errorBox(const std::string& message) override {
        errors.push_back(message);
        if (whileErrorOpen) whileErrorOpen();
    }
    std::string promptValue(const std::string& prompt) override;
    bool confirm(const std::string& question) override {
        questions.push_back(question);
        return confirmAnswer;
    }
    void message(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> openFile(const std::string& filter) override {
        fileFilters.push_back(filter);
        return pickedFile;
    }
    std::optional<std::string> saveFile(const std::string& filter, const std::string& suggested,
                                        const std::string&) override {
        fileFilters.push_back(filter);
        suggestedFiles.push_back(suggested);
        return savedFile;
    }
    std::optional<std::string> savedFile;
    std::vector<std::string> suggestedFiles;
    std::optional<std::string> inputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override {
        queries.push_back({caption, prompt, initial});
        if (queryAnswers.empty()) return std::nullopt;
        auto a = queryAnswers.front();
        queryAnswers.pop_front();
        return a;
    }
    struct Query {
        std::string caption, prompt, initial;
    };
    std::vector<Query> queries;
    // Answers of the input box in turn; nothing is Cancel (also when none is left).
    std::deque<std::optional<std::string>> queryAnswers;
    std::vector<std::string> questions;
    bool confirmAnswer = true;
    std::vector<std::string> messages;
    std::vector<std::string> fileFilters;
    std::optional<std::string> pickedFile;
    void closePrompts() override { ++promptsClosed; }
    int promptsClosed = 0;
    std::vector<std::string> errors;
    std::vector<std::string> prompts;
    std::deque<std::string> answers;
    // Runs while the prompt is open (the program pumps messages meanwhile).
    std::function<void()> whilePromptOpen;
    // Runs while an error box is open; it pumps messages as well.
    std::function<void()> whileErrorOpen;
};

class FakeLocale : public Locale {
public:
    std::string formatNow(DateTimeFormat f) override;
    std::string shortDate = "12/8/2026", longDate = "Tuesday, December 8, 2026", shortTime = "3:37 AM",
                longTime = "3:37:12 AM";
};

class FakeInput : public Input {
public:
    bool startWatching(std::function<void(const InputEvent&)> onEvent, bool keyboardOnly) override {
        watcher = std::move(onEvent);
        watchingKeyboardOnly = keyboardOnly;
        return !refuseWatching;
    }
    void stopWatching() override { watcher = nullptr; }
    void inject(const InputEvent& e) override { injected.push_back(e); }
    // The user presses, moves or clicks; reaches the watcher if any.
    void user(const InputEvent& e) {
        if (watcher) watcher(e);
    }
    bool watching() const { return static_cast<bool>(watcher); }

    std::function<void(const InputEvent&)> watcher;
    bool watchingKeyboardOnly = false;
    bool refuseWatching = false;
    std::vector<InputEvent> injected;
};

// Typing as the input thread reports it, made by hand.
class FakeTyping : public Typing {
public:
    bool start(std::function<void(const TypedEvent&)> onEvent) override {
        if (refuse) return false;
        onEvent_ = std::move(onEvent);
        return true;
    }
    void stop() override { onEvent_ = nullptr; }
    bool passwordFocused() override { return password; }
    bool watching() const { return static_cast<bool>(onEvent_); }
    // Each character as one key's text; '\b' is a Backspace and '\x1b' a
    // clear. Nothing reaches a program that is not watching.
    void type(std::string_view keys) {
        for (std::size_t i = 0; i < keys.size() && onEvent_;) {
            TypedEvent e;
            if (keys[i] == '\b' || keys[i] == '\x1b') {
                e.kind = keys[i] == '\b' ? TypedEvent::Kind::Backspace : TypedEvent::Kind::Clear;
                ++i;
            } else {
                e.kind = TypedEvent::Kind::Text;
                const std::size_t from = i;
                decodeUtf8(keys, i);
                e.text = std::string(keys.substr(from, i - from));
            }
            onEvent_(e);
        }
    }
    bool refuse = false;
    bool password = false;

private:
    std::function<void(const TypedEvent&)> onEvent_;
};

// Everything at once, wired into an os::System.
struct FakeSystem {
    FakePump pump;
    FakeKeyboard keyboard;
    FakeHotKeys hotKeys;
    FakeWindows windows;
    FakeShell shell;
    FakeFiles files;
    FakeDialogs dialogs;
    FakeLocale locale;
    FakeInput input;
    System sys{pump,
               keyboard,
               hotKeys,
               windows,
               shell,
               files,
               dialogs,
               locale,
               input,
               "C:\\Keyvale\\",
               "C:\\windows\\macros.ini"};
    FakeClipboard clipboard;
    FakeTyping typing;

    FakeSystem() {
        sys.clipboard = &clipboard;
        sys.typing = &typing;
        keyboard.onKey = [this](const FakeKeyboard::Event& e) {
            clipboard.key(e.vk, (e.flags & kKeyUp) != 0);
        };
    }
    FakeSystem(const FakeSystem&) = delete;
    FakeSystem& operator=(const FakeSystem&) = delete;
};

}  // namespace kv::os::fake
