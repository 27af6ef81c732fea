// Keystroke tokens ("<<ENTER>>", "<<CTRL>>" and friends) at every position
// of the input: each recognised token is consumed (the text returned is a
// proper tail of the text given) and leaves no key down.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "desk.hpp"
#include "playback/sender.hpp"
#include "playback/tokens.hpp"
#include "core/error.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    kv::fuzz::Desk desk(100000);
    kv::playback::SenderState state;
    kv::playback::SendKey sender(desk.keyboard, desk.pump, state);
    while (!text.empty()) {
        std::optional<std::string_view> rest;
        try {
            rest = kv::playback::processKeystrokeToken(sender, text);
        } catch (const kv::Error&) {
            // A modifier before a brace: the sender refuses the key string.
            rest = text.substr(1);
        }
        kv::fuzz::checkNoKeyDown(desk.keyboard);
        if (!rest) {
            text.remove_prefix(1);
            continue;
        }
        const bool tail =
            rest->data() + rest->size() == text.data() + text.size() && rest->size() < text.size();
        kv::fuzz::check(tail, "a token returns a proper tail of its text");
        text = *rest;
    }
    return 0;
}
