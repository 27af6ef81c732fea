#pragma once
// The rule a macro's hot key follows in the wizard and the properties
// dialog: none at all, or a key with Ctrl or Alt (Shift may come with them).
// A key alone, or with Shift alone, would take that key away from every
// program. The field shows what was typed; the window refuses it with a
// message, as it refuses a missing name.

#include <cstdint>
#include <optional>
#include <string>

#include "os/os.hpp"

namespace kv::authoring {

// A TShortCut value: virtual key in the low byte, Shift 0x2000, Ctrl 0x4000, Alt 0x8000.
inline bool hotKeyRefused(std::uint16_t shortcut) {
    return (shortcut & 0xFF) != 0 && (shortcut & 0xC000) == 0;
}

inline constexpr const char* kWizardHotKeyRefused =
    "Please type a hot key with Ctrl or Alt for this macro, or none at all.";
inline constexpr const char* kPropertiesHotKeyRefused =
    "Please enter a hot key with Ctrl or Alt for this macro, or none at all.";

// Keyvale's own hot keys: a macro given one would never run, and the
// window or the pause would stop answering.
inline constexpr const char* kHotKeyOpensRunMacro =
    "The hot key %s opens the Run Macro window; please select another.";
inline constexpr const char* kHotKeyPauses = "The hot key %s pauses Keyvale; please select another.";

// The message that refuses a macro's hot key, or nothing when it may be
// stored. refused: the window's wording for one without Ctrl or Alt.
std::optional<std::string> hotKeyProblem(os::System& sys, std::uint16_t hotKey, const char* refused);

}  // namespace kv::authoring
