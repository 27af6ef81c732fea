#pragma once
// The recorder of keyboard and mouse streams, as the rest of the program uses
// it: set the properties, start a replay (which returns at once), and learn of
// its end through onFinished, raised once per replay.

#include <functional>
#include <string>

namespace kv::journal {

class Journal {
public:
    virtual ~Journal() = default;

    std::string playBackFileName;
    std::string recordFileName;
    bool hiSpeedPlayBack = false;
    bool keyStrokesOnly = false;

    // Raised once per replay, also when it is cancelled or cannot start.
    std::function<void(bool userCancel)> onFinished;
    // Raised when the user (not Keyvale) presses Esc while a replay runs or
    // while Esc is watched for; the replays have been cancelled by then.
    std::function<void()> onEscape;

    // No replay is running or waiting to run.
    virtual bool idle() const { return true; }

    virtual void record() = 0;
    virtual void playBack() = 0;
    // Ends recording and saves the file; raises kv::Error when it cannot.
    virtual void stop() = 0;
    // Ends the running replay and drops the queued ones, releasing what they
    // hold; each still reports onFinished (userCancel true). Safe to call
    // from inside the system's input hook: the work is done from a tick.
    virtual void cancelAll() {}
    // Watches the user's keyboard for Esc while on (a script is running), on
    // top of the watch every replay has; counted, so nested runs may nest.
    virtual void watchEscape(bool on) { (void)on; }
};

// Stands in until a real recorder is attached: records nothing, and every
// replay ends at once.
class NullJournal : public Journal {
public:
    void record() override {}
    void playBack() override {
        if (onFinished) onFinished(false);
    }
    void stop() override {}
};

}  // namespace kv::journal
