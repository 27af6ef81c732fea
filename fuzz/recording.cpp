// The recorded-stream file: a file the decoder accepts encodes back to the
// same bytes, and replaying it on the fake desktop ends with every key and
// mouse button it pressed released.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "desk.hpp"
#include "journal/journal_file.hpp"
#include "journal/recorder.hpp"

namespace {

constexpr std::uint32_t kButtonDowns[] = {kv::journal::kMouseLeftDown, kv::journal::kMouseRightDown,
                                          kv::journal::kMouseMiddleDown};

void checkInjectedReleased(const std::vector<kv::os::InputEvent>& events) {
    std::map<std::uint16_t, bool> keys;
    std::uint32_t buttons = 0;
    for (const kv::os::InputEvent& e : events) {
        if (e.kind == kv::os::InputEvent::Kind::Key) {
            keys[e.vk] = !(e.keyFlags & kv::os::kKeyUp);
            continue;
        }
        for (std::uint32_t down : kButtonDowns) {
            if (e.mouseFlags & down) buttons |= down;
            if (e.mouseFlags & (down << 1)) buttons &= ~down;
        }
    }
    for (const auto& [vk, down] : keys)
        if (down) kv::fuzz::fail("a replayed key is left down");
    kv::fuzz::check(buttons == 0, "a replayed mouse button is left down");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto recording = kv::journal::decodeRecording(bytes);
    if (!recording) return 0;
    kv::fuzz::check(kv::journal::encodeRecording(*recording) == bytes,
                    "an accepted file encodes back to itself");

    kv::fuzz::Desk desk(1000000);
    desk.files.files["C:\\Keyvale\\r.dat"] = std::string(bytes);
    kv::journal::Recorder recorder(desk.sys);
    struct Ends : kv::journal::JournalListener {
        int finished = 0;
        void replayFinished(bool) override { ++finished; }
        void escapePressed() override {}
    } ends;
    recorder.setListener(ends);
    const bool high = !recording->events.empty() && (recording->events.front().time & 1);
    recorder.playBack("C:\\Keyvale\\r.dat", high ? kv::journal::Pace::High : kv::journal::Pace::Recorded);
    try {
        while (!recorder.idle()) desk.pump.waitUntil(desk.pump.now() + 60'000);
    } catch (const kv::fuzz::OutOfBudget&) {
        return 0;
    }
    kv::fuzz::check(ends.finished == 1, "a replay reports its end once");
    kv::fuzz::check(desk.input.injected.size() >= recording->events.size(), "every event is replayed");
    checkInjectedReleased(desk.input.injected);
    return 0;
}
