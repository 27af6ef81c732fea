#pragma once
// The program's one application object: the run state, the dispatcher, the
// hot-key slot table and the recorder, wired together over the os services.

#include <functional>

#include "journal/journal.hpp"
#include "os/os.hpp"
#include "playback/interpreter.hpp"
#include "playback/sender.hpp"
#include "store/hotkeys.hpp"
#include "triggers/dispatcher.hpp"

namespace kv::app {

class Application {
public:
    Application(os::System& sys, journal::Journal& journal);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Registers the hot keys of the store's macros.
    void start();
    // Rebuilds the hot-key table from the store (after any change of macros).
    void loadHotKeys();

    // Runs the action; an error it raises is shown in the standard error box
    // and the program goes on.
    void guarded(const std::function<void()>& action);

    triggers::RunState& state() { return state_; }
    triggers::Dispatcher& dispatcher() { return dispatcher_; }
    playback::Interpreter& interpreter() { return interpreter_; }
    store::HotKeySlotTable& hotKeys() { return hotKeys_; }
    os::System& system() { return sys_; }

private:
    os::System& sys_;
    journal::Journal& journal_;
    triggers::RunState state_;
    triggers::Dispatcher dispatcher_;
    playback::SendKey sendKey_;
    playback::Interpreter interpreter_;
    store::HotKeySlotTable hotKeys_;
};

}  // namespace kv::app
