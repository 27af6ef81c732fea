#include "core/utf8.hpp"

namespace kv {

namespace {

bool continuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

}  // namespace

char32_t decodeUtf8(std::string_view t, std::size_t& at) {
    const auto b0 = static_cast<unsigned char>(t[at]);
    if (b0 < 0x80) {
        ++at;
        return b0;
    }
    int extra = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1, c = b0 & 0x1F, least = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2, c = b0 & 0x0F, least = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3, c = b0 & 0x07, least = 0x10000;
    } else {
        ++at;
        return kReplacementChar;
    }
    if (at + extra >= t.size()) {
        ++at;
        return kReplacementChar;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(t[at + k]);
        if (!continuation(b)) {
            ++at;
            return kReplacementChar;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++at;
        return kReplacementChar;
    }
    at += extra + 1;
    return c;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isAscii(std::string_view t) {
    for (char c : t)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

bool isValidUtf8(std::string_view t) {
    for (std::size_t i = 0; i < t.size();) {
        if (static_cast<unsigned char>(t[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t from = i;
        // A real U+FFFD in the text is three bytes; a malformed byte is one.
        if (decodeUtf8(t, i) == kReplacementChar && i - from != 3) return false;
    }
    return true;
}

std::size_t countChars(std::string_view t) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < t.size(); ++n) decodeUtf8(t, i);
    return n;
}

std::string_view firstChars(std::string_view t, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t k = 0; k < n && i < t.size(); ++k) decodeUtf8(t, i);
    return t.substr(0, i);
}

std::size_t utf16Length(std::string_view t) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < t.size();) n += decodeUtf8(t, i) >= 0x10000 ? 2 : 1;
    return n;
}

std::string_view firstUtf16Units(std::string_view t, std::size_t n) {
    std::size_t i = 0, units = 0;
    while (i < t.size()) {
        std::size_t next = i;
        units += decodeUtf8(t, next) >= 0x10000 ? 2 : 1;
        if (units > n) break;
        i = next;
    }
    return t.substr(0, i);
}

std::string utf8ToUtf16Le(std::string_view t) {
    std::string out;
    out.reserve(t.size() * 2);
    const auto unit = [&](char32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    for (std::size_t i = 0; i < t.size();) {
        const char32_t c = decodeUtf8(t, i);
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return out;
}

std::string utf16LeToUtf8(std::string_view b) {
    std::string out;
    out.reserve(b.size() / 2);
    const auto unitAt = [&](std::size_t i) -> char32_t {
        return static_cast<unsigned char>(b[i]) |
               (static_cast<char32_t>(static_cast<unsigned char>(b[i + 1])) << 8);
    };
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        const char32_t u = unitAt(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < b.size()) {
            const char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacementChar : u);
    }
    return out;
}

char32_t upperChar(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c < 0xB5) return c;
    if (c == 0xB5) return 0x39C;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
    if (c == 0xFF) return 0x178;
    // Latin Extended-A: pairs of upper then lower, with two runs offset by one.
    if (c >= 0x100 && c <= 0x137) return c & ~char32_t{1};
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? c : c - 1;
    if (c >= 0x14A && c <= 0x177) return c & ~char32_t{1};
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c : c - 1;
    // Greek
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 32;
    if (c == 0x3C2) return 0x3A3;
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return c - 37;
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return c - 63;
    // Cyrillic
    if (c >= 0x430 && c <= 0x44F) return c - 32;
    if (c >= 0x450 && c <= 0x45F) return c - 80;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
        return c & ~char32_t{1};
    if (c >= 0x4C1 && c <= 0x4CE) return (c & 1) ? c : c - 1;
    if (c == 0x4CF) return 0x4C0;
    // Armenian
    if (c >= 0x561 && c <= 0x586) return c - 48;
    // Full-width Latin
    if (c >= 0xFF41 && c <= 0xFF5A) return c - 32;
    return c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
        if (upperChar(decodeUtf8(a, i)) != upperChar(decodeUtf8(b, j))) return false;
    return i == a.size() && j == b.size();
}

}  // namespace kv
