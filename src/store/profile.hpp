#pragma once
// Profile-file (INI) rules over the bytes of one file, as the Windows
// profile functions read and write them: names match without regard to
// case, blanks are trimmed, the first of duplicate sections or keys wins,
// new keys go to the end of their section and new sections to the end of
// the file, lines end in CR LF.

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
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

// Section names as the profile rules compare them: without regard to the
// case of ASCII letters.
struct CaseInsensitiveHash {
    std::size_t operator()(std::string_view s) const;
};
struct CaseInsensitiveEqual {
    bool operator()(std::string_view a, std::string_view b) const;
};
// Trimmed section name to the index of its first section in file order.
using SectionTable = std::unordered_map<std::string_view, std::size_t, CaseInsensitiveHash, CaseInsensitiveEqual>;

// One value read from the bytes of a file, as ProfileIndex::get reads it,
// by a walk that stops at the section's end: for a single read, which needs
// no index of the whole file.
std::optional<std::string_view> findValue(std::string_view bytes, std::string_view section, std::string_view key);

// A read-only view of a whole file for many reads: sections are found
// through a table instead of a walk over the lines.
class ProfileIndex {
public:
    explicit ProfileIndex(std::string bytes);
    ProfileIndex(const ProfileIndex&) = delete;
    ProfileIndex& operator=(const ProfileIndex&) = delete;
    std::optional<std::string_view> get(std::string_view section, std::string_view key) const;
    const std::string& bytes() const { return bytes_; }

private:
    struct Key {
        std::string_view name;
        std::string_view value;
    };
    struct Section {
        std::size_t firstKey = 0;
        std::size_t endKey = 0;
    };
    std::string bytes_;
    // In file order; the keys of all sections in one array.
    std::vector<Section> sections_;
    std::vector<Key> keys_;
    SectionTable byName_;
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
    explicit ProfileText(std::string bytes);
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

    // Several keys of one section in one pass over it: what view and set do
    // key by key. Values read stay valid as long as the text.
    using KeyValue = std::pair<std::string_view, std::string_view>;
    void viewKeys(std::string_view section, std::span<const std::string_view> keys,
                  std::span<std::optional<std::string_view>> values) const;
    void setKeys(std::string_view section, std::span<const KeyValue> keysAndValues);

    std::string bytes() const;
    // The bytes the text was made from.
    const std::string& original() const { return original_; }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    // A run of lines: block 0 holds the lines before the first header, every
    // other block starts with its header. Keys added to a block go to its
    // own list, after its last non-blank line and before its blank ones.
    struct Block {
        std::size_t begin = 0, end = 0;  // in lines_
        std::size_t addAt = kNone;       // where added keys go, once there are some
        std::size_t added = kNone;       // index in added_
        std::size_t nextSameName = kNone;
        std::string_view name;  // trimmed section name
        bool found = false;     // the first live block of its name: the one found by it
        bool erased = false;
    };
    std::size_t findSection(std::string_view section) const;
    std::size_t findKey(const Block& b, std::string_view key) const;
    // Text of the form a + b + c, kept for the life of this object.
    std::string_view own(std::string_view a, std::string_view b = {}, std::string_view c = {});
    std::size_t addBlock();

    std::string original_;
    std::vector<std::string_view> lines_;
    std::vector<std::vector<std::string_view>> added_;
    std::vector<Block> blocks_;
    SectionTable byName_;  // to the first live block of the name
    // Changed lines' text, in chunks that never move.
    std::vector<std::unique_ptr<char[]>> chunks_;
    char* free_ = nullptr;
    std::size_t left_ = 0;
    // The last two sections found, as the caller spelled them: a change of
    // many keys names one or two sections many times in a row.
    struct Recent {
        std::string name;
        std::size_t block = kNone;
    };
    mutable Recent recent_[2];
};

// Calls f with each line of a text; a line ends at CR LF, a lone CR or a
// lone LF. An f that returns bool stops the walk by returning false.
template <typename F>
void forEachLine(std::string_view text, F f) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        // A plain scan: find_first_of searches the set once per character.
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        if constexpr (std::is_same_v<decltype(f(text)), bool>) {
            if (!f(text.substr(pos, end - pos))) return;
        } else {
            f(text.substr(pos, end - pos));
        }
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
