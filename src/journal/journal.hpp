#pragma once
// The recorder of keyboard and mouse streams, as the rest of the program uses
// it: record into a file, replay a file (which returns at once), and learn of
// each replay's end and of the user's Esc through the one listener.

#include <string>

namespace kv::journal {

// What a recording takes in.
enum class Capture { KeysAndMouse, KeysOnly };
// A replay's pace: the recorded gaps, or as fast as the target takes the events.
enum class Pace { Recorded, High };

class JournalListener {
public:
    // Once per replay, also when it is cancelled or cannot start.
    virtual void replayFinished(bool userCancel) = 0;
    // The user (not Keyvale) pressed Esc while a replay ran or while Esc was
    // watched for; the replays have been cancelled by then.
    virtual void escapePressed() = 0;

protected:
    ~JournalListener() = default;
};

class Journal {
public:
    virtual ~Journal() = default;

    // Given once, by the object that listens, as it is built. The recorder is
    // built first: the application that listens is given it at construction.
    void setListener(JournalListener& listener) { listener_ = &listener; }

    // No replay is running or waiting to run.
    virtual bool idle() const { return true; }

    // Starts recording into path (restarting a recording already running).
    virtual void record(const std::string& path, Capture capture) = 0;
    virtual void playBack(const std::string& path, Pace pace) = 0;
    // Ends recording and saves the file; raises kv::Error when it cannot.
    virtual void stop() = 0;
    // Ends the running replay and drops the queued ones, releasing what they
    // hold; each still reports its end (userCancel true). Safe to call from
    // inside the system's input hook: the work is done from a tick.
    virtual void cancelAll() {}
    // Watches the user's keyboard for Esc while on (a script is running), on
    // top of the watch every replay has; counted, so nested runs may nest.
    virtual void watchEscape(bool on) { (void)on; }

protected:
    void replayFinished(bool userCancel) {
        if (listener_) listener_->replayFinished(userCancel);
    }
    void escapePressed() {
        if (listener_) listener_->escapePressed();
    }

private:
    JournalListener* listener_ = nullptr;
};

// Stands in until a real recorder is attached: records nothing, and every
// replay ends at once.
class NullJournal : public Journal {
public:
    void record(const std::string&, Capture) override {}
    void playBack(const std::string&, Pace) override { replayFinished(false); }
    void stop() override {}
};

}  // namespace kv::journal
