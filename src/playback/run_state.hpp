#pragma once
// The program-wide state of running macros.

#include <cstdint>
#include <string>

namespace kv::playback {

// How the last run ended; a /CLOSE start ends once it is not None.
enum class RunStatus {
    None,         // nothing has run yet
    RunEnded,     // a kind-1 or kind-4 run ended (stopped ones too)
    ReplayEnded,  // a replay ended
};

// Program-wide run state, owned by the application object.
struct RunState {
    bool hotKeyBusy = false;
    bool macroDialogOpen = false;
    // No replay is in progress.
    bool journalFinished = false;
    // Never reset.
    RunStatus runStatus = RunStatus::None;
    // The last answer to a value prompt.
    std::string storedValue;
    // Counts the stops of everything running; a run that began under an
    // earlier count has been stopped.
    std::uint64_t stopGeneration = 0;
};

}  // namespace kv::playback
