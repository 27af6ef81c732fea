#pragma once
// Profile-file (INI) rules over the bytes of one file, as the Windows
// profile functions read and write them: names match without regard to
// case, blanks are trimmed, the first of duplicate sections or keys wins,
// new keys go to the end of their section and new sections to the end of
// the file, lines end in CR LF.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "core/text.hpp"

namespace kv::store {

// The longest value a read returns, in UTF-16 units as the platform's wide
// profile functions count (their buffer of 1024 with its terminator).
inline constexpr std::size_t kMaxReadLength = 1023;

// One line of a profile file as the rules read it.
struct ProfileLine {
    bool isSection = false;
    std::string_view name;   // trimmed section name or key name
    bool hasValue = false;   // a key line: it holds "="
    std::string_view value;  // trimmed raw value
};
ProfileLine classifyLine(std::string_view line);

// A raw value as a read returns it: surrounding double quotes removed, cut
// to 1023 units.
std::string_view readableValue(std::string_view raw);
// A default as a read returns it: cut to 1023 units.
std::string_view readableDefault(std::string_view def);

// Section names as the profile rules compare them: without regard to the
// case of ASCII letters.
struct CaseInsensitiveHash {
    std::size_t operator()(std::string_view s) const;
};
struct CaseInsensitiveEqual {
    bool operator()(std::string_view a, std::string_view b) const;
};
// Trimmed section name to the index of its first section in file order.
using SectionTable =
    std::unordered_map<std::string_view, std::size_t, CaseInsensitiveHash, CaseInsensitiveEqual>;

// The one parsed model of a file that every read and every change starts
// from. Only the section headers are found when it is made (a search for "["
// at the start of a line, not a walk over every line), in time linear in the
// file's size whatever its names; a read walks the lines of its section only.
// A section named "Macro" and a number is found by that number instead of
// through a table.
class ProfileIndex {
public:
    explicit ProfileIndex(std::string bytes);
    ProfileIndex(const ProfileIndex&) = delete;
    ProfileIndex& operator=(const ProfileIndex&) = delete;
    std::optional<std::string_view> get(std::string_view section, std::string_view key) const;
    // Several keys of one section: what get does key by key.
    void getKeys(std::string_view section, std::span<const std::string_view> keys,
                 std::span<std::optional<std::string_view>> values) const;
    const std::string& bytes() const { return bytes_; }

    // Where things are in bytes(), for a change of a few lines that leaves
    // every other byte as it is.
    struct KeyLine {
        std::string_view name;           // trimmed
        std::string_view value;          // trimmed, surrounding quotes not yet removed
        std::size_t begin = 0, end = 0;  // the line without its line break
    };
    struct Section {
        std::size_t header = 0;     // where its header line begins
        std::size_t headerEnd = 0;  // where that line's text ends
        std::size_t body = 0;       // after the header's line break
        std::size_t end = 0;        // where the next header line begins, or the end of the file
        std::string_view name;      // trimmed
        bool repeated = false;      // a later section has the same name
        std::size_t nextSameName = static_cast<std::size_t>(-1);  // that section's index
    };
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    // Every section in file order.
    const std::vector<Section>& sections() const { return sections_; }
    // The index of the first section of the name, or npos.
    std::size_t find(std::string_view name) const;
    // The first section of the name, or nothing.
    const Section* section(std::string_view name) const;
    // The first section named "Macro" and n, or nothing.
    const Section* numberedSection(int n) const;
    // The first line of the key in the section, or nothing.
    std::optional<KeyLine> keyLine(const Section& section, std::string_view key) const;
    void getKeys(const Section& section, std::span<const std::string_view> keys,
                 std::span<std::optional<std::string_view>> values) const;
    // The lines of the section after its header.
    std::string_view body(const Section& section) const {
        return std::string_view(bytes_).substr(section.body, section.end - section.body);
    }

private:
    std::string bytes_;
    std::vector<Section> sections_;  // in file order
    // "Macro<n>" (n from 1 without leading zeros, below a bound) to section
    // index + 1; other names through the table.
    std::vector<std::uint32_t> byNumber_;
    SectionTable byName_;
};

// The file as lines, for changes, over the parsed model of its bytes: its
// sections are the model's, found through the model's tables, so a
// whole-store change costs time in proportion to the file, not to the file
// times the number of changes. Lines are views into the bytes read or into
// text the changes made.
class ProfileText {
public:
    explicit ProfileText(std::string bytes);
    explicit ProfileText(std::shared_ptr<const ProfileIndex> read);
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
    // Removes the key's lines from the section (every one of its name, so
    // that no later duplicate comes to light).
    void eraseKey(std::string_view section, std::string_view key);

    // Several keys of one section in one pass over it: what view and set do
    // key by key. Values read stay valid as long as the text.
    using KeyValue = std::pair<std::string_view, std::string_view>;
    void viewKeys(std::string_view section, std::span<const std::string_view> keys,
                  std::span<std::optional<std::string_view>> values) const;
    void setKeys(std::string_view section, std::span<const KeyValue> keysAndValues);

    std::string bytes() const;
    // The bytes the text was made from.
    const std::string& original() const { return read_->bytes(); }

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
        bool erased = false;
    };
    std::size_t findSection(std::string_view section) const;
    std::size_t findKey(const Block& b, std::string_view key) const;
    // Text of the form a + b + c, kept for the life of this object.
    std::string_view own(std::string_view a, std::string_view b = {}, std::string_view c = {});
    std::size_t addBlock();

    std::shared_ptr<const ProfileIndex> read_;
    std::vector<std::string_view> lines_;  // an erased line is kErasedLine
    std::vector<std::vector<std::string_view>> added_;
    // Block 0 holds the lines before the first section; block i + 1 is the
    // model's section i; sections the changes add follow.
    std::vector<Block> blocks_;
    // For the model's first section of each name: the first of its blocks
    // not erased, or kNone.
    std::vector<std::size_t> live_;
    SectionTable addedByName_;  // sections the changes added, by name
    // Changed lines' text, in chunks that never move.
    std::vector<std::unique_ptr<char[]>> chunks_;
    char* free_ = nullptr;
    std::size_t left_ = 0;
};

// Calls f with each line of a text; a line ends at CR LF, a lone CR or a
// lone LF. An f that returns bool stops the walk by returning false.
// Where the line that starts at pos ends: at the first CR or LF, or at the
// end of the text.
std::size_t lineEnd(std::string_view text, std::size_t pos);

// Calls f with each line of a text; a line ends at CR LF, a lone CR or a
// lone LF. An f that returns bool stops the walk by returning false.
template <typename F>
void forEachLine(std::string_view text, F f) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = lineEnd(text, pos);
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

}  // namespace kv::store
