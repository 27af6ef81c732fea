#include "authoring/run_macro.hpp"

#include <algorithm>
#include <array>
#include <cctype>

#include "core/utf8.hpp"
#include "store/macro_import.hpp"
#include "store/macro_repository.hpp"
#include "store/shortcut.hpp"

namespace kv::authoring {

namespace {

// The base letters of U+00C0..U+017F, in lower case; '*' keeps the
// character (the signs of multiplication and division), control characters
// stand for two letters.
constexpr std::string_view kLatin =
    "aaaaaa\x01"
    "ceeeeiiiidnooooo*ouuuuy\x02"
    "\x05"
    "aaaaaa\x01"
    "ceeeeiiiidnooooo*ouuuuy\x02"
    "y"
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii\x03"
    "\x03"
    "jjkkkllllllllllnnnnnnnnnoooooo\x04"
    "\x04"
    "rrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
static_assert(kLatin.size() == 0x180 - 0xC0);

void appendBase(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        return;
    }
    // Combining marks (text typed as a letter and its accent) count for nothing.
    if (c >= 0x300 && c <= 0x36F) return;
    char base = 0;
    if (c >= 0xC0 && c <= 0x17F) base = kLatin[c - 0xC0];
    switch (base) {
        case 0: break;
        case '*': base = 0; break;
        case '\x01': out += "ae"; return;
        case '\x02': out += "th"; return;
        case '\x03': out += "ij"; return;
        case '\x04': out += "oe"; return;
        case '\x05': out += "ss"; return;
        default: out += base; return;
    }
    // Greek and Cyrillic capitals to small letters.
    if ((c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F))
        c += 32;
    else if (c >= 0x400 && c <= 0x40F)
        c += 80;
    appendUtf8(out, c);
}

bool wordStartsWith(std::string_view text, std::string_view typed) {
    for (std::size_t at = text.find(typed); at != std::string_view::npos; at = text.find(typed, at + 1)) {
        const unsigned char before = static_cast<unsigned char>(text[at - (at > 0)]);
        // A word starts after anything that is no letter or digit of ASCII
        // (text beyond ASCII counts as letters).
        if (at > 0 && !(before >= 0x80 || std::isalnum(before))) return true;
    }
    return false;
}

}  // namespace

std::string searchText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) appendBase(out, decodeUtf8(text, at));
    return out;
}

SearchKey searchKey(const RunMacroItem& item) {
    return {searchText(item.name), searchText(item.abbreviation), searchText(item.hotKey)};
}

Match match(const SearchKey& key, std::string_view typed) {
    if (key.name.starts_with(typed)) return Match::NameStart;
    if (wordStartsWith(key.name, typed)) return Match::WordStart;
    if (key.name.find(typed) != std::string::npos) return Match::InName;
    if (key.abbreviation.find(typed) != std::string::npos || key.hotKey.find(typed) != std::string::npos)
        return Match::Elsewhere;
    return Match::None;
}

std::vector<std::size_t> ranked(const std::vector<SearchKey>& keys, std::string_view typed) {
    std::array<std::vector<std::size_t>, 4> byRank;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const Match m = typed.empty() ? Match::NameStart : match(keys[i], typed);
        if (m != Match::None) byRank[static_cast<std::size_t>(m)].push_back(i);
    }
    std::vector<std::size_t> out = std::move(byRank[0]);
    for (std::size_t r = 1; r < byRank.size(); ++r) out.insert(out.end(), byRank[r].begin(), byRank[r].end());
    return out;
}

void RunMacroPresenter::open(std::vector<RunMacroItem> items, os::WindowHandle inFront) {
    items_ = std::move(items);
    keys_.clear();
    keys_.reserve(items_.size());
    for (const RunMacroItem& item : items_) keys_.push_back(searchKey(item));
    inFront_ = inFront;
    typed("");
}

void RunMacroPresenter::typed(std::string_view text) {
    shown_ = ranked(keys_, searchText(text));
    std::vector<const RunMacroItem*> rows;
    rows.reserve(shown_.size());
    for (std::size_t i : shown_) rows.push_back(&items_[i]);
    view_.showRows(rows);
    selected_ = shown_.empty() ? -1 : 0;
    view_.selectRow(selected_);
}

void RunMacroPresenter::move(int by) {
    if (shown_.empty()) return;
    select(std::clamp(selected_ + by, 0, static_cast<int>(shown_.size()) - 1));
}

void RunMacroPresenter::select(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= shown_.size()) return;
    if (row != selected_) view_.selectRow(row);
    selected_ = row;
}

void RunMacroPresenter::run() {
    if (selected_ < 0) return;
    const int slot = items_[shown_[static_cast<std::size_t>(selected_)]].slot;
    close();
    // The focus moves before the first key goes out.
    sys_.pump.processMessages();
    runs_.runMacro(slot, Road::RunWindow);
}

void RunMacroPresenter::close() {
    // Hidden first: while it is there, the system would hand the activation
    // back to it (or its owner) rather than to the window in front before.
    view_.close();
    if (inFront_) sys_.windows.setForeground(inFront_);
}

std::vector<RunMacroItem> runMacroItems(os::System& sys) {
    const store::MacroRepository macros(sys);
    const store::StoreSnapshot reading(macros.store());
    std::vector<RunMacroItem> items;
    items.reserve(static_cast<std::size_t>(store::readEntries(reading)));
    store::MacroRepository::forEach(
        reading, store::kNameField | store::kHotKeyField | store::kKindField | store::kAbbreviationField,
        [&](const store::Macro& m) {
            const int kind = m.kindOr(store::kOpenDocument);
            items.push_back({m.slot, m.name ? *m.name : store::macroSection(m.slot),
                             m.hotKey ? store::shortCutText(m.hotKey, sys.keyboard) : std::string(),
                             m.abbreviation,
                             kind == store::kReplayMouseAndKeys ? 2
                             : kind == store::kOpenDocument     ? 0
                                                                : 1});
        });
    return items;
}

}  // namespace kv::authoring
