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

// One line of a profile file as the rules read it.
struct ProfileLine {
    bool isSection = false;
    std::string_view name;  // trimmed section name or key name
    bool hasValue = false;  // a key line: it holds "="
    std::string_view value;  // trimmed raw value
};
ProfileLine classifyLine(std::string_view line);

// A raw value as a read returns it: surrounding double quotes removed, cut
// to 1023 characters.
std::string_view readableValue(std::string_view raw);

// A read-only view of a whole file for many reads: sections are found
// through an index instead of a walk over the lines.
class ProfileIndex {
public:
    explicit ProfileIndex(std::string bytes);
    std::optional<std::string_view> get(std::string_view section, std::string_view key) const;
    const std::string& bytes() const { return bytes_; }

private:
    struct Key {
        std::string_view name;
        std::string_view value;
    };
    struct Section {
        std::string name;  // upper-cased
        std::size_t firstKey = 0;
        std::size_t endKey = 0;
    };
    std::string bytes_;
    // In file order; the keys of all sections in one array.
    std::vector<Section> sections_;
    std::vector<Key> keys_;
    std::vector<std::size_t> sorted_;  // indexes into sections_, by name
};

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

// Calls f with each line of a text; a line ends at CR LF, a lone CR or a
// lone LF.
template <typename F>
void forEachLine(std::string_view text, F f) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        f(text.substr(pos, end - pos));
        if (end < text.size() && text[end] == '\r') {
            ++end;
            if (end < text.size() && text[end] == '\n') ++end;
        } else if (end < text.size()) {
            ++end;
        }
        pos = end;
    }
}

bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string toUpperAscii(std::string_view s);
// Removes leading and trailing characters with codes up to 32.
std::string_view trimControl(std::string_view s);

}  // namespace kv::store
