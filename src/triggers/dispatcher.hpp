#pragma once
// Runs one macro by its slot and kind, and the hot-key path into it.

#include <string>

#include "core/run_requests.hpp"
#include "journal/journal.hpp"
#include "os/os.hpp"
#include "playback/arrival.hpp"
#include "playback/run_state.hpp"

namespace kv::triggers {

// What a run needs of the rest of the program, given at construction.
class RunHost {
public:
    virtual ~RunHost() = default;
    // Runs a script's text to its end (the interpreter's entry point).
    virtual void runScript(const std::string& script) = 0;
    // Runs a macro's script, its text arriving as the macro says.
    virtual void runMacroScript(const std::string& script, const playback::Arrival&) { runScript(script); }
    // Lets go of every key the key sender holds or has pending; called when a
    // script run ends in an error and when everything is stopped.
    virtual void releaseKeys() {}
    // Called with the status whenever a run ends.
    virtual void runEnded(playback::RunStatus) {}
    // The first of the runs in progress starts (with the macro's name), and
    // the last of them has ended (a replay may still go on).
    virtual void runsStarted(const std::string&) {}
    virtual void runsEnded() {}
};

class Dispatcher : public RunRequests {
public:
    // Runs started while another runs, on any road (a hot key, a trigger
    // window opened by a running macro, "<<RUN:"), may nest this deep below
    // the first; one more ends every run with playback::kRunsTooDeep.
    static constexpr int kMaxNesting = 64;

    Dispatcher(os::System& sys, playback::RunState& state, journal::Journal& journal, RunHost& host);

    // Ends every running script, wait, value prompt and replay (queued ones
    // too) and releases every key Keyvale holds. The runs unwind with Stopped
    // as soon as they next look; runs started afterwards run as usual. Safe
    // from inside the system's input hook.
    void stopAll();
    // A replay is running or queued.
    bool replaying() const { return !journal_.idle(); }

    // Every road into the dispatcher: a hot key goes through hotKeyPressed,
    // under the guard (it starts a run of its own), every other road through
    // processHotKey.
    void runMacro(int slot, Road road, TextCase textCase = TextCase::AsWritten) override;
    // A hot-key event of the slot component for slot (0 runs nothing).
    void hotKeyPressed(int slot, TextCase textCase = TextCase::AsWritten);
    void processHotKey(int slot, TextCase textCase = TextCase::AsWritten);
    void runAdvancedMacro(const std::string& path, const playback::Arrival& arrival = {});
    // The recorder's end of a replay.
    void recorderFinished();

    void recordFinished(playback::RunStatus status);

private:
    void runSlot(int slot, TextCase textCase);
    void waitForModifierRelease();

    os::System& sys_;
    playback::RunState& state_;
    journal::Journal& journal_;
    RunHost& host_;
    // processHotKey calls in progress, nested ones included.
    int depth_ = 0;

public:
    // Whether a run is in progress (a replay it started may outlast it).
    bool running() const { return depth_ > 0; }
};

}  // namespace kv::triggers
