#include "app/geometry.hpp"

#include <algorithm>

namespace kv::app {

namespace {

constexpr const char* kPosition = "Position";
constexpr int kNeverSaved = 10000;

}  // namespace

std::optional<Rect> savedPlacement(const store::Store& store, ScreenSize screen) {
    const store::StoreSnapshot s(store);
    if (s.readInt(kPosition, "Width", kNeverSaved) == kNeverSaved) return std::nullopt;
    Rect r;
    r.width = s.readInt(kPosition, "Width", 421);
    r.height = s.readInt(kPosition, "Height", 343);
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

Rect centred(ScreenSize screen, int width, int height) {
    return Rect{(screen.width - width) / 2, (screen.height - height) / 2, width, height};
}

Rect keptVisible(const Rect& w, const Rect& area) {
    constexpr int kGrip = 50;
    const int right = area.left + area.width, bottom = area.top + area.height;
    const int shownWidth = std::min(w.left + w.width, right) - std::max(w.left, area.left);
    const bool visible =
        w.top >= area.top && w.top <= bottom - kGrip / 2 && shownWidth >= std::min(kGrip, w.width);
    if (visible) return w;
    const auto clamp = [](int v, int low, int high) { return std::max(low, std::min(v, high)); };
    Rect r = w;
    r.left = clamp(w.left, area.left, std::max(area.left, right - w.width));
    r.top = clamp(w.top, area.top, std::max(area.top, bottom - w.height));
    return r;
}

}  // namespace kv::app
