#pragma once
// TShortCut: a hot key as 16 bits, the virtual key in bits 0-12, Shift 0x2000,
// Ctrl 0x4000, Alt 0x8000; 0 is no hot key.

#include <cstdint>
#include <string>

namespace kv::os {
class Keyboard;
}

namespace kv::store {

using ShortCut = std::uint16_t;

inline constexpr ShortCut kShortCutShift = 0x2000;
inline constexpr ShortCut kShortCutCtrl = 0x4000;
inline constexpr ShortCut kShortCutAlt = 0x8000;
inline constexpr ShortCut kShortCutKeyMask = 0x1FFF;

// A key code of 256 or more composes to 0.
ShortCut composeShortCut(unsigned vk, bool shift, bool ctrl, bool alt);

// RegisterHotKey's modifier flags for the value.
unsigned hotKeyModifiers(ShortCut value);

// "Shift+Ctrl+F12"; empty for 0 and for a key without a name. Keys outside
// the fixed names take the keyboard's own name.
std::string shortCutText(ShortCut value, os::Keyboard& keyboard);

}  // namespace kv::store
