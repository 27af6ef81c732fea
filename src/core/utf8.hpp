#pragma once
// UTF-8, the form every text takes inside the program, and the conversions
// the file formats need. Malformed bytes decode to U+FFFD, one per byte, so
// nothing read from a foreign file can stop a scan.

#include <cstddef>
#include <string>
#include <string_view>

namespace kv {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// The code point starting at at; advances at past it.
char32_t decodeUtf8(std::string_view text, std::size_t& at);
void appendUtf8(std::string& out, char32_t c);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or
// code points above U+10FFFF).
bool isValidUtf8(std::string_view text);
bool isAscii(std::string_view text);

std::size_t countChars(std::string_view text);
// The first n characters.
std::string_view firstChars(std::string_view text, std::size_t n);
// The length in UTF-16 units, as the platform's wide functions count.
std::size_t utf16Length(std::string_view text);
// The first n UTF-16 units, never half of a surrogate pair.
std::string_view firstUtf16Units(std::string_view text, std::size_t n);

// Little-endian UTF-16 bytes (no byte-order mark) and back; a lone surrogate
// decodes to U+FFFD.
std::string utf8ToUtf16Le(std::string_view text);
std::string utf16LeToUtf8(std::string_view bytes);

}  // namespace kv
