#pragma once
// Profile-file (INI) rules over the bytes of one file, as the Windows
// profile functions read and write them: names match without regard to
// case, blanks are trimmed, the first of duplicate sections or keys wins,
// new keys go to the end of their section and new sections to the end of
// the file, lines end in CR LF.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv::store {

// The longest value a read returns.
inline constexpr std::size_t kMaxReadLength = 1023;

class ProfileText {
public:
    explicit ProfileText(std::string_view bytes);

    // The value as the profile functions return it (trimmed, surrounding
    // double quotes removed, cut to 1023 characters), or nothing.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    void set(std::string_view section, std::string_view key, std::string_view value);
    // False when there was no such section.
    bool eraseSection(std::string_view section);

    std::string bytes() const;

private:
    struct Line {
        std::string text;
        bool isSection = false;
        std::string name;  // trimmed section name or key name
        bool hasValue = false;
        std::string value;  // trimmed raw value
    };
    // Index of the first header of the section, or npos.
    std::size_t findSection(std::string_view section) const;
    // One past the last line of the section starting at header.
    std::size_t sectionEnd(std::size_t header) const;
    std::size_t findKey(std::size_t header, std::string_view key) const;

    std::vector<Line> lines_;
};

// The lines of a text; each ends at CR LF, a lone CR or a lone LF.
std::vector<std::string_view> splitLines(std::string_view text);

bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string toUpperAscii(std::string_view s);
// Removes leading and trailing characters with codes up to 32.
std::string_view trimControl(std::string_view s);

}  // namespace kv::store
