#pragma once
// Keystroke tokens of the script language: key tokens such as "<<ENTER>>"
// and modifier tokens such as "<<CTRL>>", turned into key strings for the
// sender.

#include <optional>
#include <string_view>

#include "playback/sender.hpp"

namespace kv::playback {

// Set by a modifier token, valid for the next key only.
enum class ModifierState { Ctrl = 1, Alt = 2, Shift = 3, CtrlAlt = 4, CtrlShift = 5, ShiftAlt = 6 };

// The sender prefix of a state: "^", "@", "~", "^@", "^~" or "~@".
std::string_view modifierPrefix(ModifierState state);

struct ModifierToken {
    std::string_view token;
    ModifierState state;
};

struct KeyToken {
    std::string_view token;
    std::string_view braceName;
    bool afterModifier;  // whether a modifier token may precede it
};

inline constexpr ModifierToken kModifierTokens[] = {
    {"<<CTRL>>", ModifierState::Ctrl},
    {"<<ALT>>", ModifierState::Alt},
    {"<<SHIFT>>", ModifierState::Shift},
    {"<<CTRL+ALT>>", ModifierState::CtrlAlt},
    {"<<CTRL+SHIFT>>", ModifierState::CtrlShift},
    {"<<SHIFT+ALT>>", ModifierState::ShiftAlt},
};

inline constexpr KeyToken kKeyTokens[] = {
    {"<<ENTER>>", "ENTER", true},    {"<<F1>>", "F1", true},
    {"<<F2>>", "F2", true},          {"<<F3>>", "F3", true},
    {"<<F4>>", "F4", true},          {"<<F5>>", "F5", true},
    {"<<F6>>", "F6", true},          {"<<F7>>", "F7", true},
    {"<<F8>>", "F8", true},          {"<<F9>>", "F9", true},
    {"<<F10>>", "F10", true},        {"<<F11>>", "F11", true},
    {"<<F12>>", "F12", true},        {"<<TAB>>", "TAB", true},
    {"<<BACKSPACE>>", "BKSP", true}, {"<<INSERT>>", "INSERT", true},
    {"<<DELETE>>", "DELETE", true},  {"<<HOME>>", "HOME", true},
    {"<<END>>", "END", true},        {"<<PAGEUP>>", "PGUP", true},
    {"<<PAGEDOWN>>", "PGDN", true},  {"<<PRINTSCREEN>>", "PRTSC", false},
    {"<<UP>>", "UP", true},          {"<<DOWN>>", "DOWN", true},
    {"<<LEFT>>", "LEFT", true},      {"<<RIGHT>>", "RIGHT", true},
    {"<<ESC>>", "ESC", true},
};

// Whether text begins with token, letters compared without regard to case
// over exactly the token's length.
bool startsWithToken(std::string_view text, std::string_view token);

// text begins at a key token that follows a modifier token. Sends the key
// with the modifier's prefix and returns the text after the token; when no
// key token that may follow a modifier stands there, sends nothing and
// returns the text after its leading "<<", dropping the modifier.
std::string_view translateKeyToken(SendKey& sender, std::string_view text, ModifierState state);

// Performs the modifier or key token at the front of text and returns the
// text after it; nothing when text does not begin with one.
std::optional<std::string_view> processKeystrokeToken(SendKey& sender, std::string_view text);

}  // namespace kv::playback
