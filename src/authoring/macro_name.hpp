#pragma once
// The rules a macro name follows: it becomes the name of the macro's data
// file in the program directory, so it must be a plain file name there.

#include <optional>
#include <string>
#include <string_view>

#include "os/os.hpp"

namespace kv::authoring {

// What is wrong with the name, as the message the user sees, or nothing when
// it may be used. The name is checked as it will be stored: without trailing
// characters of code 32 or below. An empty name is the caller's to report
// (each window has its own message for it).
std::optional<std::string> macroNameProblem(std::string_view name);

// A name another macro has (the wizard and the properties dialog say so alike).
inline constexpr const char* kDuplicateNameMessage =
    "You have selected a name of an existing macro, please select another.";
// The same rules for a window that shows one message for all of them.
inline constexpr const char* kNameNotAFileName =
    "A macro name is also the name of its file, so it cannot contain \\ / : * ? \" < > | or control characters, cannot be made of dots and blanks only, and cannot be a device name such as CON, PRN, AUX, NUL, COM1 or LPT1.  Please select another.";
// Whether the trimmed name is not empty and follows the rules.
bool isPlainFileName(std::string_view trimmedName);

// The text with every CR and LF removed: a value written to the store must
// stay on its one line.
std::string singleLine(std::string_view text);

// The names compare equal as macro names: as the file system compares names
// (letter case in any alphabet does not count), and trailing characters of
// code 32 or below do not count.
bool sameMacroName(os::Files& files, std::string_view a, std::string_view b);

}  // namespace kv::authoring
