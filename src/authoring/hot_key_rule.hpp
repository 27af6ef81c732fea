#pragma once
// The rule a macro's hot key follows in the wizard and the properties
// dialog: none at all, or a key with Ctrl or Alt (Shift may come with them).
// A key alone, or with Shift alone, would take that key away from every
// program. The field shows what was typed; the window refuses it with a
// message, as it refuses a missing name.

#include <cstdint>

namespace kv::authoring {

// A TShortCut value: virtual key in the low byte, Shift 0x2000, Ctrl 0x4000, Alt 0x8000.
inline bool hotKeyRefused(std::uint16_t shortcut) {
    return (shortcut & 0xFF) != 0 && (shortcut & 0xC000) == 0;
}

inline constexpr const char* kWizardHotKeyRefused =
    "Please type a hot key with Ctrl or Alt for this macro, or none at all.";
inline constexpr const char* kPropertiesHotKeyRefused =
    "Please enter a hot key with Ctrl or Alt for this macro, or none at all.";

}  // namespace kv::authoring
