#include "playback/window_search.hpp"

#include <cstdint>

#include "core/text.hpp"

namespace kv::playback {

namespace {

// The platform reads titles into a buffer of 250 characters.
constexpr std::size_t kMaxTitleChars = 249;
constexpr os::Millis kPollMs = 1000;

}  // namespace

os::Millis unitMillis(WaitUnit unit) {
    return unit == WaitUnit::Minutes ? 60'000 : 1'000;
}

std::string normaliseTitle(std::string_view title) {
    return std::string(kv::trimBlanks(kv::toUpperAscii(title)));
}

os::WindowHandle findWindowByTitle(os::Windows& windows, std::string_view wanted) {
    const std::string target = normaliseTitle(wanted);
    os::WindowHandle found = 0;
    windows.enumerateTopLevel([&](os::WindowHandle w) {
        if (normaliseTitle(windows.title(w, kMaxTitleChars)) != target) return true;
        found = w;
        return false;
    });
    return found;
}

std::vector<TitledWindow> listWindows(os::Windows& windows) {
    std::vector<TitledWindow> list;
    windows.enumerateTopLevel([&](os::WindowHandle w) {
        list.push_back({w, normaliseTitle(windows.title(w, kMaxTitleChars))});
        return true;
    });
    return list;
}

void waitForWindow(os::System& sys, std::string_view wanted, WaitUnit unit, int n,
                   const std::function<bool()>& stopped) {
    const auto stop = [&] { return stopped && stopped(); };
    if (n <= 0) return;
    // Kept per wait: searches made by nested waits or window triggers while
    // this one pumps messages change neither.
    const std::string title(wanted);
    const std::int64_t polls = static_cast<std::int64_t>(n) * (unit == WaitUnit::Minutes ? 60 : 1);
    for (std::int64_t i = 0; i < polls; ++i) {
        const os::Millis deadline = sys.pump.now() + kPollMs;
        const os::WindowHandle found = findWindowByTitle(sys.windows, title);
        sys.pump.processMessages();
        if (found != 0 || stop()) return;
        // The rest of the second is spent in the message wait, not asleep.
        while (sys.pump.now() < deadline) {
            sys.pump.waitUntil(deadline);
            if (stop()) return;
        }
    }
}

}  // namespace kv::playback
