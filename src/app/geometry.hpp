#pragma once
// The manager window's saved geometry in section Position.

#include <optional>

#include "store/store.hpp"

namespace kv::app {

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// Where SetPosition puts the manager window: nothing when no geometry was
// ever saved (Width reads as the marker 10000: centre it, size unchanged);
// otherwise the stored values, with the defaults 421, 343, half the screen
// height for the top and half the screen height less 210 for the left edge.
std::optional<Rect> savedPlacement(const store::Store& store, ScreenSize screen);

void savePosition(store::Store& store, const Rect& r);

// A stored geometry made safe for any arithmetic: a width or height of zero
// or less becomes the default (421 by 343), one larger than the virtual
// screen (all monitors together) that screen's; the left and top edges are
// brought to within one window's size of the virtual screen. A hand-edited
// store may hold any number.
Rect onVirtualScreen(const Rect& stored, const Rect& virtualScreen);

// The window of the given size centred on the screen.
Rect centred(ScreenSize screen, int width, int height);

// The window moved into the work area when it would not be visible there
// (a position saved on a monitor that is gone): its title bar must lie in the
// work area and at least a grip of its width; otherwise it goes to the
// nearest place inside, size unchanged.
Rect keptVisible(const Rect& window, const Rect& workArea);

}  // namespace kv::app
