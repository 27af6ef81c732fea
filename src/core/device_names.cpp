#include "core/device_names.hpp"

#include <array>

#include "core/text.hpp"

namespace kv {

bool namesDevice(std::string_view fileName) {
    std::string_view base = fileName.substr(0, fileName.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    static constexpr std::array<std::string_view, 6> plain{"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view d : plain)
        if (equalsIgnoringAsciiCase(base, d)) return true;
    if (base.size() < 4) return false;
    const std::string_view prefix = base.substr(0, 3), digit = base.substr(3);
    if (!equalsIgnoringAsciiCase(prefix, "COM") && !equalsIgnoringAsciiCase(prefix, "LPT")) return false;
    // Superscript one, two and three, in UTF-8.
    static constexpr std::array<std::string_view, 3> superscripts{"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
    for (std::string_view s : superscripts)
        if (digit == s) return true;
    return digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9';
}

bool pathNamesDevice(std::string_view path) {
    while (!path.empty() && path.back() == ':') path.remove_suffix(1);
    const auto cut = path.find_last_of("\\/:");
    return namesDevice(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

}  // namespace kv
