#pragma once
// The one way every road that starts a macro reaches the dispatcher. Each
// road's owner is given a RunRequests at construction; the dispatcher
// implements it and decides per road (a hot key waits for its modifiers to
// be let go and is dropped while a macro dialog is open).

namespace kv {

// Where a request to run a macro comes from.
enum class Road {
    HotKey,         // a registered hot key fired
    TriggerWindow,  // the watcher found a window whose title is a trigger
    CommandLine,    // a start of the program named the macro
    RunToken,       // "<<RUN:" in a running script
    RunWindow,      // chosen in the Run Macro window
    Abbreviation,   // its abbreviation was typed
};

// How a run types its script's literal text: as written, in capitals, or
// with its first letter a capital (an abbreviation typed that way).
enum class TextCase { AsWritten, Upper, FirstUpper };

class RunRequests {
public:
    virtual ~RunRequests() = default;
    // Runs the macro in slot to its end. Errors propagate to the caller,
    // except on the roads that start a run of their own (a hot key), whose
    // error is shown where it is raised.
    virtual void runMacro(int slot, Road road, TextCase textCase = TextCase::AsWritten) = 0;
};

}  // namespace kv
