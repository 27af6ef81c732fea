#pragma once
// The key-string sender: turns a short text of plain characters, brace names
// such as "{ENTER}" and the prefixes "^" Ctrl, "@" Alt, "~" Shift into
// synthetic key presses and releases on the keyboard.

#include <cstdint>
#include <optional>
#include <string_view>

#include "os/os.hpp"

namespace kv::playback {

// The longest key string; callers holding longer text pass its first part.
inline constexpr std::size_t kMaxKeyString = 255;

// State that every sender shares for the whole process: a prefix at the end
// of one key string applies to the first key of the next, whoever sends it.
struct SenderState {
    bool tokensOnly = false;
    bool pendingAlt = false;
    bool pendingCtrl = false;
    bool pendingShift = false;
    bool pendingAltGr = false;  // Ctrl and Alt together, for the layout's AltGr level

    // The program's one shared state.
    static SenderState& process();
};

// The virtual key of a brace name (any letter case), first match in table
// order; nothing for an unknown or empty name.
std::optional<std::uint8_t> lookupKeyName(std::string_view name);

class SendKey {
public:
    explicit SendKey(os::Keyboard& keyboard, os::Pump& pump, SenderState& state = SenderState::process())
        : keyboard_(keyboard), pump_(pump), state_(state) {}

    // Sends the key string (UTF-8, cut to 255 characters) and pumps the message
    // queue once. Returns 0, or -1 for an empty string. Raises kv::Error
    // "Invalid token" or "No Closing brackets" for a malformed brace name;
    // keys before it stay sent, and the pending modifiers are dropped so
    // that they cannot reach the first key of some later, unrelated macro.
    int send(std::string_view keys);
    // Drops pending modifiers and TokensOnly: a stopped or failed run leaves
    // nothing behind for the next key string.
    void reset();

    // When set, "^", "@" and "~" are typed instead of acting as prefixes.
    bool tokensOnly() const { return state_.tokensOnly; }
    void setTokensOnly(bool on) { state_.tokensOnly = on; }

    // The external sending library is not part of the program: the property
    // is kept, and the built-in sender handles every key string either way.
    bool useDll() const { return useDll_; }
    void setUseDll(bool on) { useDll_ = on; }

private:
    void parse(std::string_view keys);
    // One key: low byte virtual key, high byte the layout's shift state.
    void emitKey(std::uint16_t keyValue);
    void typeChar(char32_t c);
    // Reads the brace name starting after the "{" at open; returns the index
    // of its closing "}".
    std::size_t readBraceName(std::string_view keys, std::size_t open);
    void pressPending();
    void releasePending();
    void keyEvent(std::uint8_t vk, bool release);

    os::Keyboard& keyboard_;
    os::Pump& pump_;
    SenderState& state_;
    bool useDll_ = false;
};

}  // namespace kv::playback
