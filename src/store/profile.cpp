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
    if (lastSection_ == npos || section != lastName_) {
        const std::string wanted = toUpperAscii(trimControl(section));
        auto it = std::lower_bound(sorted_.begin(), sorted_.end(), wanted,
                                   [this](std::size_t i, const std::string& w) { return sections_[i].name < w; });
        if (it == sorted_.end() || sections_[*it].name != wanted) return std::nullopt;
        lastName_.assign(section);
        lastSection_ = *it;
    }
    const std::string_view k = trimControl(key);
    const Section& s = sections_[lastSection_];
    for (std::size_t i = s.firstKey; i < s.endKey; ++i)
        if (equalsIgnoreCase(keys_[i].name, k)) return readableValue(keys_[i].value);
    return std::nullopt;
}

ProfileText::Line ProfileText::makeLine(std::string_view text) {
    const ProfileLine l = classifyLine(text);
    return Line{text, l.hasValue ? l.name : std::string_view(), l.hasValue};
}

ProfileText::ProfileText(std::string_view bytes) : original_(bytes) {
    const auto headers = static_cast<std::size_t>(std::count(original_.begin(), original_.end(), '['));
    byName_.reserve(headers);
    blocks_.reserve(headers + 1);
    blocks_.emplace_back();
    forEachLine(std::string_view(original_), [this](std::string_view raw) {
        const ProfileLine line = classifyLine(raw);
        if (line.isSection) {
            byName_[toUpperAscii(line.name)].push_back(blocks_.size());
            blocks_.emplace_back();
        }
        blocks_.back().lines.push_back(Line{raw, line.hasValue ? line.name : std::string_view(), line.hasValue});
    });
}

std::string_view ProfileText::own(std::string_view a, std::string_view b, std::string_view c) {
    const std::size_t size = a.size() + b.size() + c.size();
    if (size > left_) {
        const std::size_t chunk = std::max<std::size_t>(size, 64 * 1024);
        chunks_.push_back(std::make_unique<char[]>(chunk));
        free_ = chunks_.back().get();
        left_ = chunk;
    }
    char* start = free_;
    for (std::string_view part : {a, b, c}) {
        std::copy(part.begin(), part.end(), free_);
        free_ += part.size();
    }
    left_ -= size;
    return std::string_view(start, size);
}

std::size_t ProfileText::findSection(std::string_view section) const {
    if (lastBlock_ != npos && section == lastName_) return lastBlock_;
    const auto it = byName_.find(toUpperAscii(trimControl(section)));
    if (it == byName_.end() || it->second.empty()) return npos;
    lastName_.assign(section);
    lastBlock_ = it->second.front();
    return lastBlock_;
}

namespace {

// The key's line in a block, or npos.
template <typename Lines>
std::size_t findKey(const Lines& lines, std::string_view key) {
    const std::string_view wanted = trimControl(key);
    for (std::size_t i = 1; i < lines.size(); ++i)
        if (lines[i].hasValue && equalsIgnoreCase(lines[i].name, wanted)) return i;
    return npos;
}

}  // namespace

std::optional<std::string_view> ProfileText::view(std::string_view section, std::string_view key) const {
    const std::size_t b = findSection(section);
    if (b == npos) return std::nullopt;
    const std::size_t k = findKey(blocks_[b].lines, key);
    if (k == npos) return std::nullopt;
    return readableValue(classifyLine(blocks_[b].lines[k].text).value);
}

std::optional<std::string> ProfileText::get(std::string_view section, std::string_view key) const {
    if (auto v = view(section, key)) return std::string(*v);
    return std::nullopt;
}

void ProfileText::set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view keyName = trimControl(key);
    const std::size_t b = findSection(section);
    if (b == npos) {
        // The profile functions drop the file's trailing blank lines before
        // a new section follows them. The last block is always live.
        std::vector<Line>& last = blocks_.back().lines;
        while (!last.empty() && trimControl(last.back().text).empty()) last.pop_back();
        const std::string_view name = trimControl(section);
        byName_[toUpperAscii(name)].push_back(blocks_.size());
        Block& fresh = blocks_.emplace_back();
        fresh.lines.push_back(makeLine(own("[", name, "]")));
        fresh.lines.push_back(makeLine(own(keyName, "=", value)));
        return;
    }
    std::vector<Line>& lines = blocks_[b].lines;
    if (const std::size_t k = findKey(lines, keyName); k != npos) {
        // The key keeps the spelling it already has in the file.
        lines[k] = makeLine(own(lines[k].name, "=", value));
        return;
    }
    // After the section's last non-blank line.
    std::size_t at = lines.size();
    while (at > 1 && trimControl(lines[at - 1].text).empty()) --at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), makeLine(own(keyName, "=", value)));
}

bool ProfileText::eraseSection(std::string_view section) {
    const auto it = byName_.find(toUpperAscii(trimControl(section)));
    if (it == byName_.end() || it->second.empty()) return false;
    blocks_[it->second.front()].erased = true;
    it->second.erase(it->second.begin());
    lastBlock_ = npos;
    // Erased blocks at the end go, so that the last block is a live one.
    while (blocks_.size() > 1 && blocks_.back().erased) blocks_.pop_back();
    return true;
}

std::string ProfileText::bytes() const {
    std::size_t size = 0;
    for (const Block& b : blocks_)
        if (!b.erased)
            for (const Line& l : b.lines) size += l.text.size() + 2;
    std::string out;
    out.reserve(size);
    for (const Block& b : blocks_) {
        if (b.erased) continue;
        for (const Line& l : b.lines) {
            out += l.text;
            out += "\r\n";
        }
    }
    return out;
}

}  // namespace kv::store
