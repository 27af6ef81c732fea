#pragma once
// Runs one macro by its slot and kind, and the hot-key path into it.

#include <functional>
#include <string>

#include "journal/journal.hpp"
#include "os/os.hpp"
#include "playback/run_state.hpp"

namespace kv::triggers {

// Runs a script's text to its end (the interpreter's entry point).
using ScriptRunner = std::function<void(const std::string& script)>;

class Dispatcher {
public:
    Dispatcher(os::System& sys, playback::RunState& state, journal::Journal& journal);

    void setScriptRunner(ScriptRunner runner) { runScript_ = std::move(runner); }
    // Called with the status whenever a run ends; the tray form keeps it.
    void setRecordFinished(std::function<void(const std::string&)> f) { onRecordFinished_ = std::move(f); }
    // Lets go of every key the key sender holds or has pending; called when a
    // script run ends in an error and when everything is stopped.
    void setReleaseKeys(std::function<void()> f) { releaseKeys_ = std::move(f); }

    // Ends every running script, wait, value prompt and replay (queued ones
    // too) and releases every key Keyvale holds. The runs unwind with Stopped
    // as soon as they next look; runs started afterwards run as usual. Safe
    // from inside the system's input hook.
    void stopAll();
    // A replay is running or queued.
    bool replaying() const { return !journal_.idle(); }

    // A hot-key event of the slot component for slot (0 runs nothing).
    void hotKeyPressed(int slot);
    void processHotKey(int slot);
    void runAdvancedMacro(const std::string& path);
    // The recorder's end of a replay.
    void recorderFinished();

    void recordFinished(const std::string& status);

private:
    void runSlot(int slot);
    void waitForModifierRelease();

    os::System& sys_;
    playback::RunState& state_;
    journal::Journal& journal_;
    ScriptRunner runScript_;
    std::function<void(const std::string&)> onRecordFinished_;
    std::function<void()> releaseKeys_;
    // processHotKey calls in progress, nested ones included.
    int depth_ = 0;
};

}  // namespace kv::triggers
