#pragma once
// The program's own recorder: records the user's keyboard (and mouse) through
// the os input watcher into a recorded-stream file, and replays such files by
// injecting their events from timer ticks on the user-interface thread.
//
// Rules of a replay:
// - playBack() returns at once. A missing or damaged file (or one of a newer
//   format) is said in an error box, "Cannot open file <path>" or "<path> is
//   not a recording Keyvale can play", then reports the replay's end
//   (userCancel false) synchronously, before playBack returns; callers set
//   their own "replay running" state before calling playBack. Every replay
//   of a readable file ends from a later timer tick.
// - playBack() while a replay runs queues the new one; queued replays run in
//   the order asked, each in full, each with its own end reported.
// - Esc pressed by the user (not injected) cancels the running replay and
//   every queued one, each with userCancel true, then tells the listener.
//   While a script runs (watchEscape) the keyboard is watched for Esc too;
//   when nothing runs, nothing is watched.
// - However a replay ends, every key and mouse button it left pressed is
//   released.

#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "journal/journal.hpp"
#include "journal/journal_file.hpp"
#include "os/os.hpp"

namespace kv::journal {

class Recorder : public Journal {
public:
    // Without dialogs, a replay that cannot start is not said.
    Recorder(os::Pump& pump, os::Input& input, os::Files& files, os::Dialogs* dialogs = nullptr);
    explicit Recorder(os::System& sys) : Recorder(sys.pump, sys.input, sys.files, &sys.dialogs) {}
    ~Recorder() override;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void record(const std::string& path, Capture capture) override;
    void playBack(const std::string& path, Pace pace) override;
    // Ends recording and writes the file; does nothing when not recording.
    // Raises kv::Error "Unable to save the recording to <path>" when the file
    // cannot be written; an older file of that name is then left as it was.
    void stop() override;
    void cancelAll() override;
    void watchEscape(bool on) override;

    bool recording() const { return recording_; }
    bool playing() const { return replay_.has_value(); }
    bool idle() const override { return !replay_ && queue_.empty(); }
    std::size_t queued() const { return queue_.size(); }

    // High-speed pacing: at most this many events per timer tick, so the
    // target's queue is drained between batches and the program's own
    // messages are handled.
    static constexpr std::size_t kHighSpeedBatch = 128;
    static constexpr unsigned kHighSpeedTickMs = 1;
    // The longest a tick injects before the program's messages (the user's
    // Esc among them) are handled.
    static constexpr os::Millis kTickBudgetMs = 10;

private:
    struct Request {
        std::string path;
        bool hiSpeed;
    };
    struct Replay {
        // Declared, so that std::optional<Replay> sees a default constructor
        // while this class is still incomplete (clang checks it there).
        Replay() {}
        std::vector<os::InputEvent> events;
        bool hiSpeed = false;
        std::size_t next = 0;
        // Clock time of event 0; set by the first tick.
        std::optional<os::Millis> start;
        std::uint64_t nextDue = 0;  // offset of events[next] from start
        bool cancelRequested = false;
        // What the replay holds down now: the press of each key, oldest first, and buttons.
        std::vector<os::InputEvent> heldKeys;
        std::uint32_t heldButtons = 0;
        std::int32_t lastX = 0, lastY = 0;
    };

    void onInput(const os::InputEvent& e);
    void recordEvent(const os::InputEvent& e);
    void updateWatching();
    void startQueued();
    void tick();
    void inject(os::InputEvent e);
    void releaseHeld();
    void finish(bool userCancel);
    void reportDropped();

    os::Pump& pump_;
    os::Input& input_;
    os::Files& files_;
    os::Dialogs* dialogs_;
    std::unique_ptr<os::Timer> timer_;

    bool watching_ = false;
    bool watchingKeyboardOnly_ = false;

    bool recording_ = false;
    bool recordingKeyStrokesOnly_ = false;
    std::string recordingPath_;
    std::vector<os::InputEvent> recorded_;  // with the watcher's absolute times
    std::set<std::uint16_t> keysDown_;      // as seen since record()
    std::set<std::uint16_t> suppressed_;    // dropped until their release

    std::deque<Request> queue_;
    std::optional<Replay> replay_;
    bool starting_ = false;
    // Queued replays dropped by cancelAll, still to report.
    std::size_t dropped_ = 0;
    int escapeWatchers_ = 0;
};

}  // namespace kv::journal
