// Key strings through the sender: each line of the input is one key string,
// sent in turn with the sender state shared, as scripts send them. Whatever
// a key string holds, and whether it raises an error or not, every key
// pressed is released before send returns.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "desk.hpp"
#include "playback/sender.hpp"
#include "core/error.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    kv::fuzz::Desk desk(100000);
    kv::playback::SenderState state;
    kv::playback::SendKey sender(desk.keyboard, desk.pump, state);
    // The first byte chooses literal prefixes for odd lines.
    const bool literalOdd = !input.empty() && (input.front() & 1);
    int line = 0;
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        const std::string_view keys = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        const bool literal = literalOdd && (line++ & 1);
        sender.setTokensOnly(literal);
        const std::size_t before = desk.keyboard.events.size();
        try {
            const int result = sender.send(keys);
            kv::fuzz::check(result == (keys.empty() ? -1 : 0), "send returns 0, or -1 for nothing");
        } catch (const kv::Error&) {
        }
        kv::fuzz::check(sender.tokensOnly() == literal, "a key string keeps the caller's literal setting");
        kv::fuzz::checkNoKeyDown(desk.keyboard);
        // Each key string of up to 255 characters: at most a Shift, Ctrl
        // and Alt (AltGr adds two) around each key, a press and a release.
        kv::fuzz::check(desk.keyboard.events.size() - before <= 255 * 14,
                        "bounded key events per key string");
    }
    return 0;
}
