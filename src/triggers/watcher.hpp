#pragma once
// The window-trigger watcher: a timer that scans the top-level windows and
// runs a macro once for every visible window whose title equals its trigger.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "os/os.hpp"

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
    Watcher(os::System& sys, std::function<void(int slot)> processHotKey,
            std::function<void(const std::function<void()>&)> guarded = {});

    // At the manager window's creation: reads SearchInterval (default 250; 0
    // leaves the watcher off), clears FoundHandle of slots 1..Entries, and
    // starts the timer.
    void setUp();
    // One scan, as on every timer tick.
    void scan();
    // Script delays switch the timer off while they run.
    void pause();
    void resume();

    unsigned interval() const { return interval_; }
    bool running() const { return timer_ && timer_->running(); }

private:
    os::System& sys_;
    std::function<void(int)> processHotKey_;
    std::function<void(const std::function<void()>&)> guarded_;
    std::unique_ptr<os::Timer> timer_;
    unsigned interval_ = 0;
};

}  // namespace kv::triggers
