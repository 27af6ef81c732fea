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
    // Present for callers that expect them; the program never sets them.
    bool allowCancel = true;
    bool relativeToHwnd = false;
    bool enabled = true;

    // Raised once per replay, also when it is cancelled or cannot start.
    std::function<void(bool userCancel)> onFinished;

    // No replay is running or waiting to run.
    virtual bool idle() const { return true; }

    virtual void record() = 0;
    virtual void playBack() = 0;
    virtual void stop() = 0;
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
