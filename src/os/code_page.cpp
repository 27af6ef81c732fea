#include <array>

#include "core/utf8.hpp"
#include "os/os.hpp"

namespace kv::os {

namespace {

// Windows-1252's 0x80-0x9F; the five bytes it leaves undefined map to the C1
// controls, as the platform's own conversion does.
constexpr std::array<char16_t, 32> kHigh{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

std::optional<std::string> Files::toCodePage(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t from = i;
        const char32_t c = decodeUtf8(utf8, i);
        if (c == kReplacementChar && i - from != 3) return std::nullopt;
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += static_cast<char>(c);
            continue;
        }
        std::size_t k = 0;
        while (k < kHigh.size() && kHigh[k] != c) ++k;
        if (k == kHigh.size()) return std::nullopt;
        out += static_cast<char>(0x80 + k);
    }
    return out;
}

std::string Files::fromCodePage(std::string_view bytes) {
    if (isAscii(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        appendUtf8(out, u >= 0x80 && u < 0xA0 ? kHigh[u - 0x80] : u);
    }
    return out;
}

std::optional<FileStamp> Files::stamp(const std::string&) {
    return std::nullopt;
}

std::unique_ptr<FileLock> Files::lock(const std::string&) {
    // Without other processes, holding is enough.
    return std::make_unique<FileLock>();
}

}  // namespace kv::os
