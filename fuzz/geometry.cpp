// The manager window's stored geometry, from any numbers a hand-edited store
// may hold: no arithmetic overflows (the sanitizer would stop), the size is
// positive and no larger than the screens, and a window that fits its work
// area is placed with its title bar inside it.

#include "app/geometry.hpp"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "desk.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto any = [&] { return in.ConsumeIntegral<int>(); };
    const kv::app::Rect stored{any(), any(), any(), any()};
    // Screens as the system reports them: up to 32767 pixels either way.
    const auto coordinate = [&] { return in.ConsumeIntegralInRange<int>(-32768, 32767); };
    const auto length = [&] { return in.ConsumeIntegralInRange<int>(1, 32767); };
    const kv::app::Rect screen{coordinate(), coordinate(), length(), length()};
    // A monitor's work area lies within the virtual screen.
    const int areaWidth = in.ConsumeIntegralInRange<int>(1, screen.width);
    const int areaHeight = in.ConsumeIntegralInRange<int>(1, screen.height);
    const kv::app::Rect area{screen.left + in.ConsumeIntegralInRange<int>(0, screen.width - areaWidth),
                             screen.top + in.ConsumeIntegralInRange<int>(0, screen.height - areaHeight),
                             areaWidth, areaHeight};

    const kv::app::Rect safe = kv::app::onVirtualScreen(stored, screen);
    kv::fuzz::check(safe.width > 0 && safe.height > 0, "the size is positive");
    kv::fuzz::check(safe.width <= std::max(screen.width, 421) && safe.height <= std::max(screen.height, 343),
                    "the size is at most the screens'");
    if (stored.width > 0 && stored.width <= screen.width && stored.height > 0 &&
        stored.height <= screen.height && stored.left >= screen.left && stored.top >= screen.top &&
        stored.left <= screen.left + screen.width && stored.top <= screen.top + screen.height)
        kv::fuzz::check(safe == stored, "a sane geometry is left as it was");

    const kv::app::Rect placed = kv::app::keptVisible(safe, area);
    kv::fuzz::check(placed.width == safe.width && placed.height == safe.height, "the size is kept");
    if (safe.width <= area.width && safe.height <= area.height) {
        kv::fuzz::check((placed.top >= area.top && placed.top + placed.height <= area.top + area.height) ||
                            placed == safe,
                        "a window that was moved lies inside the work area");
        kv::fuzz::check(placed.top >= area.top && placed.top <= area.top + area.height,
                        "the title bar lies in the work area");
    }
    // Once placed, it stays where it is.
    kv::fuzz::check(kv::app::keptVisible(placed, area) == placed, "a placed window is not moved again");
    return 0;
}
