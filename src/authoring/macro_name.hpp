#pragma once
// A macro's trimmed name is also the base name of its data file in the
// program directory, so it must be a plain file name there.

#include <optional>
#include <string>
#include <string_view>

namespace kv::authoring {

inline constexpr const char* kNameNotAFileName =
    "A macro name is also the name of its file, so it cannot contain \\ / : * ? \" < > | or control "
    "characters, cannot be made of dots and blanks only, and cannot be a device name such as CON, PRN, AUX, "
    "NUL, COM1 or LPT1.  Please select another.";

// Whether the trimmed name can be a file name of its own in a directory:
// no separators, wildcards or control characters, not only dots and blanks,
// not a reserved device name (with or without an extension).
bool isPlainFileName(std::string_view trimmedName);

// The text with every CR and LF removed: a value written to the store must
// stay on its one line.
std::string singleLine(std::string_view text);

}  // namespace kv::authoring
