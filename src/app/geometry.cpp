#include "app/geometry.hpp"

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

}  // namespace kv::app
