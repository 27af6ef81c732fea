#pragma once
// The program's one application object: the run state, the dispatcher, the
// interpreter, the hot-key slot table, the window-trigger watcher, the
// command line and the tray form's decisions, wired over the os services.
// The windows themselves are behind ShellView.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/geometry.hpp"
#include "app/tray.hpp"
#include "hotkeys/abbreviations.hpp"
#include "hotkeys/hot_key_slots.hpp"
#include "journal/journal.hpp"
#include "os/instances.hpp"
#include "os/os.hpp"
#include "os/shell_links.hpp"
#include "playback/interpreter.hpp"
#include "playback/sender.hpp"
#include "triggers/command_line.hpp"
#include "triggers/dispatcher.hpp"
#include "triggers/watcher.hpp"

namespace kv::app {

// What the application asks of its windows.
class ShellView {
public:
    virtual ~ShellView() = default;
    virtual ScreenSize screen() = 0;
    virtual Rect managerRect() = 0;
    virtual void placeManager(const Rect& r) = 0;
    // All monitors together, in screen coordinates.
    virtual Rect virtualScreen() { return {0, 0, screen().width, screen().height}; }
    // The work area of the monitor nearest to the rectangle.
    virtual Rect workAreaNearest(const Rect&) { return {0, 0, screen().width, screen().height}; }
    // Shows the manager window; activate brings the application to the front.
    virtual void showManager(bool activate) = 0;
    virtual void showAbout(const AboutText& text) = 0;
    // Total physical memory in bytes and the free share in percent.
    virtual std::pair<unsigned long long, unsigned> memoryStatus() = 0;
    // Ends the message loop: the program ends.
    virtual void quit() = 0;
    // The tray icon's look and tip.
    virtual void showTrayState(const TrayState&) {}
    // Asks for a hot key in a small dialog captioned caption, showing
    // current; nothing when cancelled.
    virtual std::optional<std::uint16_t> askHotKey(const std::string& /*caption*/,
                                                   std::uint16_t /*current*/) {
        return std::nullopt;
    }
    // Lets this process shut the system down (log-off and shutdown).
    virtual void enableShutdownPrivilege() = 0;
    // The macro list, rebuilt from the store after every change.
    virtual void refillList() {}
    // Prints the macro list as the manager window last showed it.
    virtual void printList() {}
    // A line the manager window shows on the very first run.
    virtual void showFirstRunNote(const std::string&) {}
    // The tray's "&Import Macros...", "&Run Macro..." and "Run Macro Hot Key...".
    virtual void importMacros() {}
    virtual void openRunMacro() {}
    virtual void setRunMacroHotKey() {}
};

// Told of every end of a replay, after the dispatcher has handled it: the
// setup wizard and the properties dialog wait for their own replays.
class ReplayListener {
public:
    virtual ~ReplayListener() = default;
    virtual void replayEnded() = 0;
};

// A plain start (no macro named) while another copy is resident: that copy
// shows its manager window and this start ends (true). A start that names
// macros runs them in a further instance, as always.
bool handOverToResidentCopy(const std::vector<std::string>& arguments, os::Instances& instances);

inline constexpr const char* kFirstRunNote =
    "Keyvale lives in the tray; right-click its icon for Start with Windows.";

inline constexpr const char* kPauseHotKeyTaken =
    "The hot key %s is taken by another program or macro; please choose another.";
// The rule for the Run Macro window's hot key: that of a macro's, and not
// the hot key of a macro. The message, or nothing when it may be used.
std::optional<std::string> runMacroHotKeyProblem(os::System& sys, std::uint16_t value);
// "The hot key %s belongs to the macro %s; ..." for a macro that has the
// key, or nothing.
std::optional<std::string> macroHoldingHotKey(os::System& sys, std::uint16_t value);

class Application : private triggers::RunHost,
                    private playback::InterpreterHost,
                    private journal::JournalListener,
                    private hotkeys::HotKeyListener,
                    private hotkeys::AbbreviationHost {
public:
    // view: the program's windows (null: none, as in tests of the run
    // logic); links: the shell's shortcuts (null: "Start with Windows" is
    // off); instances tells this instance from others running (null: it runs
    // alone); replays: told of every replay's end (null: nobody).
    Application(os::System& sys, journal::Journal& journal, ShellView* view, os::ShellLinks* links = nullptr,
                os::Instances* instances = nullptr, ReplayListener* replays = nullptr);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Creating the manager window: hot keys from the store, the watcher. The
    // command line decides this instance's part in watching.
    void managerCreated(const std::vector<std::string>& arguments = {});
    // Creating the tray form: the hints tick, the command line, then Open.
    // An error raised on the way is shown and skips the rest; a start that
    // asked for /CLOSE then ends.
    void trayCreated(const std::vector<std::string>& arguments);
    // The last start-up step: the manager window shows on the first run.
    void firstRunCheck();

    // Rebuilds the hot-key table (and with it the list) and the
    // abbreviations from the store.
    void loadHotKeys();
    void loadHotKeys(const store::StoreSnapshot& reading);
    // The Run Macro window's hot key ("Run Macro Hot Key..."): refused with
    // the rule's message, else stored and registered.
    std::uint16_t runMacroHotKey() const { return runMacroKey_.hotKey(); }
    void setRunMacroHotKey(std::uint16_t value);
    // SavePosition: the manager window's geometry into section Position.
    void saveManagerPosition() { savePosition(); }

    // Tray menu and tray icon.
    bool openEnabled() const { return openEnabled_; }
    bool showHints() const { return showHints_; }
    // The hint window sets the tray menu's tick.
    void setShowHints(bool on) { showHints_ = on; }
    bool commandEnabled(TrayCommand c) const;
    void trayCommand(TrayCommand c);
    void trayDoubleClick();
    // Another start of the program found this one resident: the manager
    // window comes to the front instead of a second copy. False while the
    // tray form is still being created.
    bool showManagerForAnotherStart();
    // The shortcuts of the StartUp folder (the tray's "Start with Windows").
    bool startsWithWindows();
    // A close request to the tray form, and the log-off or shutdown query.
    void closeRequested();
    bool queryEndSession();
    // The once-a-second check of a /CLOSE run.
    void playbackTimerTick();
    // Paused, no hot key, window title or abbreviation starts a macro, and
    // the macros' hot keys are free for other programs. Not stored.
    bool paused() const { return paused_; }
    void setPaused(bool paused);
    TrayState trayState() const;

    playback::RunState& state() { return state_; }
    triggers::Dispatcher& dispatcher() { return dispatcher_; }
    playback::Interpreter& interpreter() { return interpreter_; }
    hotkeys::HotKeySlotTable& hotKeys() { return hotKeys_; }
    hotkeys::AbbreviationTrigger& abbreviations() { return abbreviations_; }
    triggers::Watcher& watcher() { return watcher_; }
    triggers::CommandLine& commandLine() { return commandLine_; }
    os::System& system() { return sys_; }

private:
    void setPosition();
    void savePosition();
    // Stops everything running, then ends the message loop.
    void endProgram();
    // Exit and a close request: the program ends even when the geometry
    // cannot be saved.
    void saveAndQuit();
    store::Store store() const { return store::Store(sys_.files, sys_.storePath); }
    // triggers::RunHost
    void runScript(const std::string& script) override { interpreter_.sendKeys(script); }
    void runMacroScript(const std::string& script, const playback::Arrival& arrival) override {
        interpreter_.sendKeys(script, arrival);
    }
    void releaseKeys() override { sendKey_.reset(); }
    void runEnded(playback::RunStatus) override { showTrayState(); }
    void runsStarted(const std::string& name) override;
    void runsEnded() override { showTrayState(); }
    void showTrayState();
    // playback::InterpreterHost
    void pauseWatcher() override { watcher_.pause(); }
    void resumeWatcher() override { watcher_.resume(); }
    bool replaying() override { return dispatcher_.replaying(); }
    void delayStarted(os::Millis deadline) override;
    void delayEnded() override;
    // journal::JournalListener
    void replayFinished(bool userCancel) override;
    void escapePressed() override;
    // hotkeys::HotKeyListener: the pause hot key and the Run Macro window's.
    void hotKeyPressed(hotkeys::HotKeyComponent& component, unsigned, hotkeys::ShortCut) override;
    // hotkeys::AbbreviationHost
    bool expanding() override;
    void sendKeys(const std::string& keys) override { sendKey_.send(keys); }
    // "Pause Hot Key...": asks until the key follows the rules or is cancelled.
    void choosePauseHotKey();

    os::System& sys_;
    journal::Journal& journal_;
    ShellView* view_;
    os::ShellLinks* links_;
    os::Instances* instances_;
    ReplayListener* replays_;
    playback::RunState state_;
    triggers::Dispatcher dispatcher_;
    playback::SendKey sendKey_;
    playback::Interpreter interpreter_;
    hotkeys::HotKeySlotTable hotKeys_;
    hotkeys::AbbreviationTrigger abbreviations_;
    triggers::Watcher watcher_;
    triggers::CommandLine commandLine_;
    hotkeys::HotKeyComponent runMacroKey_;
    std::unique_ptr<os::Timer> playbackTimer_;
    // The store as read at start-up, for the settings read until the
    // first-run check: a large store is parsed once for all of them.
    std::unique_ptr<store::StoreSnapshot> startUp_;
    bool openEnabled_ = false;
    bool showHints_ = true;
    bool paused_ = false;
    // Toggles the pause; not in the slot table, so a pause never frees it.
    hotkeys::HotKeyComponent pauseKey_;
    std::optional<std::string> running_;
    // The deadlines of the long delays in progress, innermost last, and the
    // timer that counts the tip down meanwhile.
    std::vector<os::Millis> delays_;
    std::unique_ptr<os::Timer> countdown_;
    // Shows a started run in the tray a moment later (runsStarted).
    std::unique_ptr<os::Timer> trayUpdate_;
    TrayState shown_;
};

}  // namespace kv::app
