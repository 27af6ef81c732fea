#pragma once
// A dead key types nothing by itself: it puts its accent on the next letter
// ("´" then "e" types "é"). A keyboard hook sees the dead key's own
// character; these say what the two keys type together.

#include <optional>
#include <string>
#include <string_view>

namespace kv {

// The combining mark a dead key's own character stands for ("´" for the
// acute accent, U+0301), 0 for a character that is no accent.
char16_t combiningMarkOf(char16_t deadKeyChar);

// What a dead key followed by the next key's text types: the accented
// letter when there is one (composed, from the system's composition of the
// text with the mark), the dead key's own character for a blank, and both
// characters otherwise.
std::u16string afterDeadKey(char16_t dead, std::u16string_view next, std::optional<char16_t> composed);

}  // namespace kv
