#pragma once
// The program-wide state of running macros, and how a stopped run unwinds.

#include <cstdint>
#include <string>

namespace kv::playback {

// Program-wide run state, owned by the application object.
struct RunState {
    bool hotKeyBusy = false;
    bool macroDialogOpen = false;
    // No replay is in progress.
    bool journalFinished = false;
    // "NoRecord" after a kind-1 or kind-4 run, "True" after a replay; never reset.
    std::string runStatus;
    // The last answer to a value prompt.
    std::string storedValue;
    // Counts the stops of everything running; a run that began under an
    // earlier count has been stopped.
    std::uint64_t stopGeneration = 0;
};

// Unwinds a run that was stopped (Esc, Exit, log-off) out of every run it is
// nested in. Not an error: nothing is shown for it.
struct Stopped {};

}  // namespace kv::playback
