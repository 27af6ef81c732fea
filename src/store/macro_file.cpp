#include "store/macro_file.hpp"

#include <array>
#include <cstdint>

#include "core/text.hpp"
#include "core/utf8.hpp"

namespace kv::store {

namespace {

constexpr std::string_view kVersionLine = "Keyvale macro file, version ";
constexpr std::string_view kSectionLine = "[Macro]";
constexpr std::string_view kDataKey = "Data";
constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> decodingTable() {
    std::array<std::int8_t, 256> table{};
    for (auto& t : table) t = -1;
    for (std::size_t i = 0; i < kAlphabet.size(); ++i)
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
    return table;
}
constexpr auto kDecoding = decodingTable();

// The next line of the text from pos, without its CR LF or LF.
std::string_view nextLine(std::string_view text, std::size_t& pos) {
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool isVersionLine(std::string_view line) {
    if (line.substr(0, kVersionLine.size()) != kVersionLine) return false;
    return trimBlanks(line.substr(kVersionLine.size())) == std::to_string(kMacroFileVersion);
}

}  // namespace

std::optional<std::string_view> FileMacro::value(std::string_view key) const {
    for (const auto& [k, v] : keys)
        if (equalsIgnoringAsciiCase(k, key)) return std::string_view(v);
    return std::nullopt;
}

void FileMacro::set(std::string_view key, std::string_view text) {
    for (auto& [k, v] : keys)
        if (equalsIgnoringAsciiCase(k, key)) {
            v = text;
            return;
        }
    keys.emplace_back(key, text);
}

std::string encodeBase64(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t n = static_cast<unsigned char>(bytes[i]) << 16 |
                                static_cast<unsigned char>(bytes[i + 1]) << 8 |
                                static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) out += kAlphabet[(n >> shift) & 63];
    }
    if (const std::size_t rest = bytes.size() - i; rest > 0) {
        std::uint32_t n = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += rest == 2 ? kAlphabet[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<std::string> decodeBase64(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3);
    std::uint32_t bits = 0;
    int count = 0;  // sextets in bits
    std::size_t padding = 0;
    for (char c : text) {
        if (isBlank(c)) continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const std::int8_t v = kDecoding[static_cast<unsigned char>(c)];
        // Nothing follows padding, and every character belongs to the alphabet.
        if (v < 0 || padding) return std::nullopt;
        bits = bits << 6 | static_cast<std::uint32_t>(v);
        if (++count == 4) {
            out += static_cast<char>(bits >> 16);
            out += static_cast<char>(bits >> 8);
            out += static_cast<char>(bits);
            bits = 0, count = 0;
        }
    }
    // One sextet alone makes no byte; padding fills a group, no more.
    if (count == 1 || padding > 2 || (padding && count + padding != 4)) return std::nullopt;
    if (count == 2) out += static_cast<char>(bits >> 4);
    if (count == 3) {
        out += static_cast<char>(bits >> 10);
        out += static_cast<char>(bits >> 2);
    }
    return out;
}

std::string writeMacroFile(const std::vector<FileMacro>& macros) {
    std::string out(kVersionLine);
    out += std::to_string(kMacroFileVersion) + "\r\n";
    for (const FileMacro& m : macros) {
        out += std::string(kSectionLine) + "\r\n";
        for (const auto& [key, value] : m.keys) {
            if (equalsIgnoringAsciiCase(key, kDataKey)) continue;
            out += key + "=" + value + "\r\n";
        }
        if (m.data) out += std::string(kDataKey) + "=" + encodeBase64(*m.data) + "\r\n";
    }
    return out;
}

std::optional<std::vector<FileMacro>> readMacroFile(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::size_t pos = 0;
    if (bytes.empty() || !isVersionLine(nextLine(bytes, pos))) return std::nullopt;
    std::vector<FileMacro> macros;
    while (pos < bytes.size()) {
        const std::string_view line = nextLine(bytes, pos);
        const std::string_view trimmed = trimBlanks(line);
        // Comments as in a profile file: their first character past blanks.
        if (trimmed.empty() || trimmed.front() == ';') continue;
        if (trimmed == kSectionLine) {
            macros.emplace_back();
            continue;
        }
        // Lines before the first section belong to no macro.
        if (macros.empty()) continue;
        FileMacro& m = macros.back();
        const std::size_t eq = line.find('=');
        const std::string_view key = trimBlanks(line.substr(0, eq));
        if (eq == std::string_view::npos || key.empty()) {
            if (m.damage.empty()) m.damage = "a line is not of the form key=value";
            continue;
        }
        const std::string_view value = line.substr(eq + 1);
        if (equalsIgnoringAsciiCase(key, kDataKey)) {
            if (m.data || !m.damage.empty()) continue;
            if (value.size() / 4 * 3 > kMostMacroDataBytes)
                m.damage = "its data is larger than " + std::to_string(kMostMacroDataBytes >> 20) + " MB";
            else if (auto decoded = decodeBase64(value))
                m.data = std::move(*decoded);
            else
                m.damage = "its data is not base64";
            continue;
        }
        if (!m.value(key)) {
            if (!isValidUtf8(value) || !isValidUtf8(key)) {
                if (m.damage.empty()) m.damage = "a value is not UTF-8 text";
                continue;
            }
            m.keys.emplace_back(key, value);
        }
    }
    return macros;
}

}  // namespace kv::store
