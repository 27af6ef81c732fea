#pragma once
// Finding a top-level window by its title, and waiting for one to appear.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "os/os.hpp"

namespace kv::playback {

enum class WaitUnit { Seconds, Minutes };

// Milliseconds in one unit.
os::Millis unitMillis(WaitUnit unit);

// A title as titles are compared: ASCII letters in capitals, characters of
// code 32 or less trimmed from both ends.
std::string normaliseTitle(std::string_view title);

// The first top-level window in enumeration order, hidden ones included,
// whose whole normalised title (at most 249 characters read) equals the
// normalised wanted title; 0 when none.
os::WindowHandle findWindowByTitle(os::Windows& windows, std::string_view wanted);

// One enumeration's titles, normalised, in enumeration order: serves many
// searches (the window-trigger scan) with the same result per search as
// findWindowByTitle at the moment of the enumeration.
struct TitledWindow {
    os::WindowHandle handle;
    std::string title;
};
std::vector<TitledWindow> listWindows(os::Windows& windows);

// Searches once a second, the first time at once, until a window titled
// wanted exists or n seconds (or minutes) have passed; n <= 0 returns without
// searching. Messages are handled throughout, so hot keys and timers stay live.
// Returns early, without the window, once stopped() holds.
void waitForWindow(os::System& sys, std::string_view wanted, WaitUnit unit, int n,
                   const std::function<bool()>& stopped = {});

}  // namespace kv::playback
