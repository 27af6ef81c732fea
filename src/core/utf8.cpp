#include "core/utf8.hpp"

#include <cstdint>
#include <cstring>

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
    // Eight bytes at a time: a whole store passes through here on every read and write.
    std::size_t i = 0;
    for (; i + 8 <= t.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, t.data() + i, 8);
        if (word & 0x8080808080808080ull) return false;
    }
    for (; i < t.size(); ++i)
        if (static_cast<unsigned char>(t[i]) >= 0x80) return false;
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

}  // namespace kv
