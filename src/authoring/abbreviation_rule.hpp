#pragma once
// The rule a macro's abbreviation follows in the wizard and the properties
// dialog: none at all, or 1 to 32 characters with no blank that no other
// macro has (ignoring case). The window refuses it with a message and
// keeps the field, as it refuses a hot key.

#include <optional>
#include <string>
#include <string_view>

#include "os/os.hpp"

namespace kv::authoring {

// The message that refuses the abbreviation (blanks at either end left
// out), or nothing when it may be stored. ownSlot: the macro being changed
// (0 for a new one); refused: the window's wording for a malformed one.
std::optional<std::string> abbreviationProblem(os::System& sys, std::string_view typed, int ownSlot,
                                               const char* refused);

}  // namespace kv::authoring
