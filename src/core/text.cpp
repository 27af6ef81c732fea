#include "core/text.hpp"

#include <algorithm>

namespace kv {

namespace {

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string_view trimTrailingBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    return trimTrailingBlanks(s);
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return upperAscii(x) == upperAscii(y); });
}

std::string toUpperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = upperAscii(c);
    return r;
}

}  // namespace kv
