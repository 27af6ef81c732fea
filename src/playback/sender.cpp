#include "playback/sender.hpp"

#include <array>
#include <utility>

#include "core/error.hpp"
#include "core/text.hpp"
#include "core/utf8.hpp"

namespace kv::playback {

namespace {

constexpr std::uint8_t kVkShift = 0x10;
constexpr std::uint8_t kVkControl = 0x11;
constexpr std::uint8_t kVkMenu = 0x12;

// The longest brace name.
constexpr std::size_t kMaxNameLength = 7;

struct KeyName {
    std::string_view name;
    std::uint8_t vk;
};

// Searched in this order; SHIFT stands twice and the first wins.
constexpr std::array<KeyName, 38> kKeyNames{{
    {"CTRL", 0x11},   {"ALT", 0x12},   {"MENU", 0x12}, {"SHIFT", 0x10}, {"SPACE", 0x20}, {"F1", 0x70},
    {"F2", 0x71},     {"F3", 0x72},    {"F4", 0x73},   {"F5", 0x74},    {"F6", 0x75},    {"F7", 0x76},
    {"F8", 0x77},     {"F9", 0x78},    {"F10", 0x79},  {"F11", 0x7A},   {"F12", 0x7B},   {"INSERT", 0x2D},
    {"DELETE", 0x2E}, {"DEL", 0x2E},   {"HOME", 0x24}, {"END", 0x23},   {"PGUP", 0x21},  {"PGDN", 0x22},
    {"TAB", 0x09},    {"ENTER", 0x0D}, {"BKSP", 0x08}, {"PRTSC", 0x2C}, {"SHIFT", 0x10}, {"ESCAPE", 0x1B},
    {"ESC", 0x1B},    {"UP", 0x26},    {"DOWN", 0x28}, {"LEFT", 0x25},  {"RIGHT", 0x27}, {"DN", 0x28},
    {"L", 0x25},      {"R", 0x27},
}};

}  // namespace

SenderState& SenderState::process() {
    static SenderState state;
    return state;
}

std::optional<std::uint8_t> lookupKeyName(std::string_view name) {
    for (const KeyName& k : kKeyNames)
        if (kv::equalsIgnoringAsciiCase(name, k.name)) return k.vk;
    return std::nullopt;
}

int SendKey::send(std::string_view keys) {
    keys = firstChars(keys, kMaxKeyString);
    if (keys.empty()) return -1;
    try {
        parse(keys);
    } catch (...) {
        const bool tokensOnly = state_.tokensOnly;
        reset();
        state_.tokensOnly = tokensOnly;  // the caller's scope clears it
        throw;
    }
    // A macro started while messages are handled must not inherit a
    // TokensOnly meant for this key string only.
    const bool tokensOnly = std::exchange(state_.tokensOnly, false);
    pump_.processMessages();
    state_.tokensOnly = tokensOnly;
    return 0;
}

void SendKey::reset() {
    state_ = SenderState{};
}

void SendKey::parse(std::string_view keys) {
    // Prefixes and braces are ASCII, so no byte of a multi-byte character
    // can act as one.
    for (std::size_t i = 0; i < keys.size();) {
        const std::size_t at = i;
        const char32_t c = decodeUtf8(keys, i);
        if (!state_.tokensOnly && c == '^') {
            state_.pendingCtrl = true;
        } else if (!state_.tokensOnly && c == '@') {
            state_.pendingAlt = true;
        } else if (!state_.tokensOnly && c == '~') {
            state_.pendingShift = true;
        } else if ((c == '{' || c == '}') && keys.size() == 1) {
            typeChar(c);
        } else if (c == '{') {
            i = readBraceName(keys, at) + 1;
        } else if (c == '}') {
            throw Error("Invalid token");
        } else {
            typeChar(c);
        }
    }
}

std::size_t SendKey::readBraceName(std::string_view keys, std::size_t open) {
    const std::size_t start = open + 1;
    const std::size_t close = keys.find('}', start);
    if (close == std::string_view::npos || close - start > kMaxNameLength) throw Error("No Closing brackets");
    const std::string_view name = keys.substr(start, close - start);
    const auto vk = lookupKeyName(name);
    if (!vk) throw Error("Invalid token");
    // Only the modifier names written in capitals act as prefixes; in other
    // letter case (and MENU) they are an ordinary press of that key.
    if (name.find("ALT") != std::string_view::npos) {
        state_.pendingAlt = true;
    } else if (name.find("CTRL") != std::string_view::npos) {
        state_.pendingCtrl = true;
    } else if (name.find("SHIFT") != std::string_view::npos) {
        state_.pendingShift = true;
    } else {
        emitKey(*vk);
    }
    return close;
}

void SendKey::typeChar(char32_t c) {
    const std::int16_t key = keyboard_.vkKeyScan(c);
    if (key != -1) {
        emitKey(static_cast<std::uint16_t>(key));
        return;
    }
    // Under a modifier a letter or digit means its key, whatever the layout
    // types with it: "^c" is Ctrl+C on a Cyrillic layout too.
    const bool modifierPending =
        state_.pendingCtrl || state_.pendingAlt || state_.pendingShift || state_.pendingAltGr;
    if (modifierPending && c < 0x80) {
        const auto a = static_cast<char>(c);
        if ((a >= 'a' && a <= 'z') || (a >= 'A' && a <= 'Z') || (a >= '0' && a <= '9')) {
            const bool capital = a >= 'A' && a <= 'Z';
            const char vk = (a >= 'a' && a <= 'z') ? static_cast<char>(a - 'a' + 'A') : a;
            emitKey(static_cast<std::uint16_t>((capital ? 0x100 : 0) | static_cast<unsigned char>(vk)));
            return;
        }
    }
    // The layout has no key for it: a press of virtual key 0xFF would type
    // nothing, so the character itself goes in by character input.
    pressPending();
    keyboard_.typeCharacter(c);
    releasePending();
}

void SendKey::emitKey(std::uint16_t keyValue) {
    const unsigned shiftState = keyValue >> 8;
    const auto vk = static_cast<std::uint8_t>(keyValue & 0xFF);
    switch (shiftState) {
        case 2: state_.pendingCtrl = true; break;
        case 3:
            state_.pendingCtrl = true;
            state_.pendingShift = true;
            break;
        case 6: state_.pendingAltGr = true; break;
        case 7:
            state_.pendingAltGr = true;
            state_.pendingShift = true;
            break;
        default: break;
    }
    pressPending();
    // A pending Ctrl suppresses the layout's Shift, so "^A" is Ctrl+A; a
    // pending Shift presses Shift a second time.
    const bool extraShift = ((shiftState & 1) && !state_.pendingCtrl) || state_.pendingShift;
    if (extraShift) keyEvent(kVkShift, false);
    keyEvent(vk, false);
    keyEvent(vk, true);
    if (extraShift) keyEvent(kVkShift, true);
    releasePending();
}

void SendKey::pressPending() {
    if (state_.pendingAlt) keyEvent(kVkMenu, false);
    if (state_.pendingCtrl) keyEvent(kVkControl, false);
    if (state_.pendingShift) keyEvent(kVkShift, false);
    if (state_.pendingAltGr) {
        keyEvent(kVkControl, false);
        keyEvent(kVkMenu, false);
    }
}

void SendKey::releasePending() {
    if (state_.pendingShift) {
        keyEvent(kVkShift, true);
        state_.pendingShift = false;
    }
    if (state_.pendingCtrl) {
        keyEvent(kVkControl, true);
        state_.pendingCtrl = false;
    }
    if (state_.pendingAlt) {
        keyEvent(kVkMenu, true);
        state_.pendingAlt = false;
    }
    if (state_.pendingAltGr) {
        keyEvent(kVkControl, true);
        keyEvent(kVkMenu, true);
        state_.pendingAltGr = false;
    }
}

void SendKey::keyEvent(std::uint8_t vk, bool release) {
    const unsigned scan = keyboard_.mapVirtualKey(vk);
    std::uint32_t flags = (scan & 0xE0) ? os::kKeyExtended : 0;
    if (release) flags |= os::kKeyUp;
    keyboard_.keyEvent(vk, static_cast<std::uint8_t>(scan & 0xFF), flags);
}

}  // namespace kv::playback
