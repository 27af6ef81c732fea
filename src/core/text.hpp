#pragma once
// Plain text helpers every layer shares. Blanks are the characters of code
// 32 or below (space, tab, line breaks, other controls), as the store and
// the name rules count them.

#include <string>
#include <string_view>

namespace kv {

constexpr bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// Without blanks at either end.
std::string_view trimBlanks(std::string_view s);
// Without blanks at the end.
std::string_view trimTrailingBlanks(std::string_view s);

// Equal when ASCII letters are upper-cased, as the profile functions compare
// section and key names and the script language its keywords. Names of files
// and macros compare through os::Files::sameName instead.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
std::string toUpperAscii(std::string_view s);

}  // namespace kv
