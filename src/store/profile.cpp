#include "store/profile.hpp"

#include <algorithm>
#include <utility>

namespace kv::store {

namespace {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

bool isBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string_view trimControl(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return upper(x) == upper(y);
           });
}

std::string toUpperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = upper(c);
    return r;
}

ProfileLine classifyLine(std::string_view raw) {
    ProfileLine line;
    std::string_view t = trimControl(raw);
    if (!t.empty() && t.front() == '[') {
        line.isSection = true;
        std::size_t close = t.find(']');
        line.name = trimControl(t.substr(1, close == std::string_view::npos ? npos : close - 1));
    } else if (std::size_t eq = t.find('='); eq != std::string_view::npos) {
        line.name = trimControl(t.substr(0, eq));
        line.hasValue = true;
        line.value = trimControl(t.substr(eq + 1));
    }
    return line;
}

std::string_view readableValue(std::string_view v) {
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.size() > kMaxReadLength) v = v.substr(0, kMaxReadLength);
    return v;
}

ProfileIndex::ProfileIndex(std::string bytes) : bytes_(std::move(bytes)) {
    keys_.reserve(static_cast<std::size_t>(std::count(bytes_.begin(), bytes_.end(), '\n')) + 1);
    forEachLine(bytes_, [this](std::string_view raw) {
        const ProfileLine line = classifyLine(raw);
        if (line.isSection) {
            if (!sections_.empty()) sections_.back().endKey = keys_.size();
            sections_.push_back({toUpperAscii(line.name), keys_.size(), keys_.size()});
        } else if (line.hasValue && !sections_.empty()) {
            keys_.push_back({line.name, line.value});
        }
    });
    if (!sections_.empty()) sections_.back().endKey = keys_.size();
    sorted_.resize(sections_.size());
    for (std::size_t i = 0; i < sorted_.size(); ++i) sorted_[i] = i;
    // Stable: of two sections with one name, the first in the file is found.
    std::stable_sort(sorted_.begin(), sorted_.end(),
                     [this](std::size_t a, std::size_t b) { return sections_[a].name < sections_[b].name; });
}

std::optional<std::string_view> ProfileIndex::get(std::string_view section, std::string_view key) const {
    const std::string wanted = toUpperAscii(trimControl(section));
    auto it = std::lower_bound(sorted_.begin(), sorted_.end(), wanted,
                               [this](std::size_t i, const std::string& w) { return sections_[i].name < w; });
    if (it == sorted_.end() || sections_[*it].name != wanted) return std::nullopt;
    const std::string_view k = trimControl(key);
    const Section& s = sections_[*it];
    for (std::size_t i = s.firstKey; i < s.endKey; ++i)
        if (equalsIgnoreCase(keys_[i].name, k)) return readableValue(keys_[i].value);
    return std::nullopt;
}

ProfileText::ProfileText(std::string_view bytes) : original_(bytes) {
    blocks_.emplace_back();
    forEachLine(std::string_view(original_), [this](std::string_view raw) {
        const ProfileLine line = classifyLine(raw);
        if (line.isSection) {
            byName_[toUpperAscii(line.name)].push_back(blocks_.size());
            blocks_.emplace_back();
        }
        blocks_.back().lines.push_back(raw);
    });
}

std::string_view ProfileText::own(std::string text) { return made_.emplace_back(std::move(text)); }

const ProfileText::Block* ProfileText::findSection(std::string_view section) const {
    const auto it = byName_.find(toUpperAscii(trimControl(section)));
    if (it == byName_.end() || it->second.empty()) return nullptr;
    return &blocks_[it->second.front()];
}

ProfileText::Block* ProfileText::findSection(std::string_view section) {
    return const_cast<Block*>(std::as_const(*this).findSection(section));
}

namespace {

// The key's line in a block, or npos.
std::size_t findKey(const std::vector<std::string_view>& lines, std::string_view key) {
    const std::string_view wanted = trimControl(key);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const ProfileLine l = classifyLine(lines[i]);
        if (l.hasValue && equalsIgnoreCase(l.name, wanted)) return i;
    }
    return npos;
}

}  // namespace

std::optional<std::string> ProfileText::get(std::string_view section, std::string_view key) const {
    const Block* b = findSection(section);
    if (!b) return std::nullopt;
    const std::size_t k = findKey(b->lines, key);
    if (k == npos) return std::nullopt;
    return std::string(readableValue(classifyLine(b->lines[k]).value));
}

void ProfileText::set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view keyName = trimControl(key);
    Block* b = findSection(section);
    if (!b) {
        // The profile functions drop the file's trailing blank lines before
        // a new section follows them. The last block is always live.
        std::vector<std::string_view>& last = blocks_.back().lines;
        while (!last.empty() && trimControl(last.back()).empty()) last.pop_back();
        const std::string_view name = trimControl(section);
        byName_[toUpperAscii(name)].push_back(blocks_.size());
        Block& fresh = blocks_.emplace_back();
        fresh.lines.push_back(own("[" + std::string(name) + "]"));
        fresh.lines.push_back(own(std::string(keyName) + "=" + std::string(value)));
        return;
    }
    std::vector<std::string_view>& lines = b->lines;
    if (const std::size_t k = findKey(lines, keyName); k != npos) {
        // The key keeps the spelling it already has in the file.
        lines[k] = own(std::string(classifyLine(lines[k]).name) + "=" + std::string(value));
        return;
    }
    // After the section's last non-blank line.
    std::size_t at = lines.size();
    while (at > 1 && trimControl(lines[at - 1]).empty()) --at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                 own(std::string(keyName) + "=" + std::string(value)));
}

bool ProfileText::eraseSection(std::string_view section) {
    const auto it = byName_.find(toUpperAscii(trimControl(section)));
    if (it == byName_.end() || it->second.empty()) return false;
    blocks_[it->second.front()].erased = true;
    it->second.erase(it->second.begin());
    // Erased blocks at the end go, so that the last block is a live one.
    while (blocks_.size() > 1 && blocks_.back().erased) blocks_.pop_back();
    return true;
}

std::string ProfileText::bytes() const {
    std::size_t size = 0;
    for (const Block& b : blocks_)
        if (!b.erased)
            for (std::string_view l : b.lines) size += l.size() + 2;
    std::string out;
    out.reserve(size);
    for (const Block& b : blocks_) {
        if (b.erased) continue;
        for (std::string_view l : b.lines) {
            out += l;
            out += "\r\n";
        }
    }
    return out;
}

}  // namespace kv::store
