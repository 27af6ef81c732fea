#pragma once
// Profile-file (INI) rules over the bytes of one file, as the Windows
// profile functions read and write them: names match without regard to
// case, blanks are trimmed, the first of duplicate sections or keys wins,
// new keys go to the end of their section and new sections to the end of
// the file, lines end in CR LF.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
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
    // The last section found, as the caller spelled it: a walk over the
    // macros reads several keys of each section in a row.
    mutable std::string lastName_;
    mutable std::size_t lastSection_ = static_cast<std::size_t>(-1);
};

// The file as lines, for changes. Lines are views into the bytes read or
// into text the changes made; sections are found through a table by name,
// so a whole-store change costs time in proportion to the file, not to the
// file times the number of changes.
class ProfileText {
public:
    explicit ProfileText(std::string_view bytes);
    ProfileText(const ProfileText&) = delete;
    ProfileText& operator=(const ProfileText&) = delete;

    // The value as the profile functions return it (trimmed, surrounding
    // double quotes removed, cut to 1023 characters), or nothing.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    // The same, valid until the next change.
    std::optional<std::string_view> view(std::string_view section, std::string_view key) const;
    void set(std::string_view section, std::string_view key, std::string_view value);
    // False when there was no such section.
    bool eraseSection(std::string_view section);

    std::string bytes() const;

private:
    struct Line {
        std::string_view text;
        std::string_view name;  // a key line's trimmed key name
        bool hasValue = false;
    };
    // The lines before the first header form the unnamed block 0; every
    // other block starts with its header line.
    struct Block {
        std::vector<Line> lines;
        bool erased = false;
    };
    static Line makeLine(std::string_view text);
    // Index of the first live block of the name, or npos.
    std::size_t findSection(std::string_view section) const;
    // Text of the form a + b + c, kept for the life of this object.
    std::string_view own(std::string_view a, std::string_view b = {}, std::string_view c = {});

    std::string original_;
    // Changed lines' text, in chunks that never move.
    std::vector<std::unique_ptr<char[]>> chunks_;
    char* free_ = nullptr;
    std::size_t left_ = 0;
    std::vector<Block> blocks_;
    // Upper-cased name to the live blocks of that name, in file order.
    std::unordered_map<std::string, std::vector<std::size_t>> byName_;
    // The last section found, as the caller spelled it: a change of many
    // keys names one section many times in a row.
    mutable std::string lastName_;
    mutable std::size_t lastBlock_ = static_cast<std::size_t>(-1);
};

// Calls f with each line of a text; a line ends at CR LF, a lone CR or a
// lone LF.
template <typename F>
void forEachLine(std::string_view text, F f) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        // A plain scan: find_first_of searches the set once per character.
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
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
