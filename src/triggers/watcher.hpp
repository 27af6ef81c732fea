#pragma once
// The window-trigger watcher: a timer that scans the top-level windows and
// runs a macro once for every visible window whose title equals its trigger.

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/run_requests.hpp"
#include "os/instances.hpp"
#include "os/os.hpp"
#include "store/store.hpp"

namespace kv::triggers {

// Whether the FoundHandle list holds the handle. Parts that are not decimal
// integers count as no match.
bool handleListContains(std::string_view list, os::WindowHandle handle);

// The list after recording handle: the handle first, then the earlier
// handles of windows that still exist (dead ones are dropped, so the list
// stays short and a new window that reuses a handle triggers again).
std::string recordHandle(std::string_view list, os::WindowHandle handle,
                         const std::function<bool(os::WindowHandle)>& exists);

class Watcher {
public:
    // runs starts the macro of a window found; instances tells this instance
    // from others running (null: it is the only one).
    Watcher(os::System& sys, RunRequests& runs, os::Instances* instances = nullptr);

    // At the manager window's creation: reads SearchInterval (default 250; 0
    // leaves the watcher off), clears FoundHandle of slots 1..Entries when
    // this start takes part (below), and starts the timer, even when the
    // clearing fails.
    //
    // One instance at a time scans, so that no window runs a macro twice. The
    // records are cleared only by a start while no other instance runs:
    // another instance's records are still true. A start to run a shortcut
    // (shortcutStart, /CLOSE) never scans and clears nothing: the windows are
    // the resident instance's to handle.
    // heldReading: a reading of the store its caller took while holding
    // the store (Store::hold), and still holds, so that the clearing serves
    // from it; without one the watcher takes its own.
    void setUp(bool shortcutStart = false, const store::StoreSnapshot* heldReading = nullptr);
    // One scan, as on every timer tick.
    void scan();
    // Script delays switch the timer off while they run.
    // While paused (the user's Pause) no scan runs; a run's own pause and
    // resume do not end it.
    void setPaused(bool paused) { paused_ = paused; }
    void pause();
    void resume();

    unsigned interval() const { return interval_; }
    bool running() const { return timer_ && timer_->running(); }

private:
    void tick();
    // Asked at every tick: whether this instance scans now.
    bool mayScan();
    bool paused_ = false;
    // Shows the error through the guard; ticks scan nothing while it is shown.
    void report(std::exception_ptr error);

    os::System& sys_;
    RunRequests& runs_;
    os::Instances* instances_;
    std::unique_ptr<os::Timer> timer_;
    unsigned interval_ = 0;
    bool shortcutStart_ = false;
    bool errorShown_ = false;
    // The scans' reading of the store, reused while the file is unchanged.
    store::ReadingCache readings_;
    // The triggers as last read, with their normalised titles, kept while the
    // store's reading stays the same; shared, so that a scan nested in a
    // running macro may replace it under the one that started the macro.
    struct Triggers;
    std::shared_ptr<const Triggers> triggers_;
};

}  // namespace kv::triggers
