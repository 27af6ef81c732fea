#include "authoring/macro_name.hpp"

#include <algorithm>
#include <array>

namespace kv::authoring {

namespace {

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isDeviceName(std::string_view name) {
    // Windows ignores the extension and trailing blanks and dots of a device name.
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && (base.back() == ' ' || base.back() == '.')) base.pop_back();
    std::transform(base.begin(), base.end(), base.begin(), upper);
    static constexpr std::array<std::string_view, 4> plain = {"CON", "PRN", "AUX", "NUL"};
    if (std::find(plain.begin(), plain.end(), base) != plain.end()) return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' &&
           base[3] <= '9';
}

}  // namespace

bool isPlainFileName(std::string_view name) {
    if (name.empty()) return false;
    if (name.find_first_of("\\/:*?\"<>|") != std::string_view::npos) return false;
    if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }))
        return false;
    if (name.find_first_not_of(". ") == std::string_view::npos) return false;
    return !isDeviceName(name);
}

std::string singleLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

}  // namespace kv::authoring
