#pragma once
// The rules a macro name follows: it becomes the name of the macro's data
// file in the program directory, so it must be a plain file name there.

#include <optional>
#include <string>
#include <string_view>

namespace kv::authoring {

// What is wrong with the name, as the message the user sees, or nothing when
// it may be used. The name is checked as it will be stored: without trailing
// characters of code 32 or below. An empty name is the caller's to report
// (each window has its own message for it).
std::optional<std::string> macroNameProblem(std::string_view name);

// The names compare equal as macro names: letter case (ASCII) and trailing
// characters of code 32 or below do not count.
bool sameMacroName(std::string_view a, std::string_view b);

}  // namespace kv::authoring
