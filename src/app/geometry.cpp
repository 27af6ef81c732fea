#include "app/geometry.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace kv::app {

namespace {

constexpr const char* kPosition = "Position";
constexpr int kNeverSaved = 10000;
constexpr int kDefaultWidth = 421, kDefaultHeight = 343;

// Every sum below is taken in 64 bits, where no two ints can overflow, and
// brought back into an int's range only at the end.
using Wide = std::int64_t;

int narrowed(Wide v) {
    return static_cast<int>(
        std::clamp<Wide>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

Wide clampWide(Wide v, Wide low, Wide high) {
    return std::max(low, std::min(v, high));
}

}  // namespace

std::optional<Rect> savedPlacement(const store::Store& store, ScreenSize screen) {
    const store::StoreSnapshot s(store);
    if (s.readInt(kPosition, "Width", kNeverSaved) == kNeverSaved) return std::nullopt;
    Rect r;
    r.width = s.readInt(kPosition, "Width", kDefaultWidth);
    r.height = s.readInt(kPosition, "Height", kDefaultHeight);
    r.top = s.readInt(kPosition, "Top", static_cast<int>(screen.height * 0.5));
    // The left edge's default is taken from the screen height, as it always was.
    r.left = s.readInt(kPosition, "Left", static_cast<int>(screen.height * 0.5 - 210));
    return r;
}

void savePosition(store::Store& store, const Rect& r) {
    store.edit([&](store::Store::Edit& e) {
        e.writeInt(kPosition, "Width", r.width);
        e.writeInt(kPosition, "Height", r.height);
        e.writeInt(kPosition, "Top", r.top);
        e.writeInt(kPosition, "Left", r.left);
    });
}

Rect onVirtualScreen(const Rect& stored, const Rect& screen) {
    const Wide screenWidth = std::max(screen.width, 1), screenHeight = std::max(screen.height, 1);
    const Wide width = stored.width > 0 ? std::min<Wide>(stored.width, screenWidth) : kDefaultWidth;
    const Wide height = stored.height > 0 ? std::min<Wide>(stored.height, screenHeight) : kDefaultHeight;
    const Wide left = screen.left, top = screen.top;
    return Rect{narrowed(clampWide(stored.left, left - width, left + screenWidth)),
                narrowed(clampWide(stored.top, top - height, top + screenHeight)), narrowed(width),
                narrowed(height)};
}

Rect centred(ScreenSize screen, int width, int height) {
    return Rect{narrowed((Wide{screen.width} - width) / 2), narrowed((Wide{screen.height} - height) / 2),
                width, height};
}

Rect keptVisible(const Rect& w, const Rect& area) {
    constexpr Wide kGrip = 50;
    const Wide right = Wide{area.left} + area.width, bottom = Wide{area.top} + area.height;
    const Wide shownWidth = std::min(Wide{w.left} + w.width, right) - std::max(w.left, area.left);
    const bool visible =
        w.top >= area.top && w.top <= bottom - kGrip / 2 && shownWidth >= std::min<Wide>(kGrip, w.width);
    if (visible) return w;
    Rect r = w;
    r.left = narrowed(clampWide(w.left, area.left, std::max<Wide>(area.left, right - w.width)));
    r.top = narrowed(clampWide(w.top, area.top, std::max<Wide>(area.top, bottom - w.height)));
    return r;
}

}  // namespace kv::app
