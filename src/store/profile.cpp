#include "store/profile.hpp"

#include <algorithm>

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

ProfileText::ProfileText(std::string_view bytes) {
    forEachLine(bytes, [this](std::string_view raw) {
        Line line;
        line.text = std::string(raw);
        const ProfileLine parsed = classifyLine(line.text);
        line.isSection = parsed.isSection;
        line.name = std::string(parsed.name);
        line.hasValue = parsed.hasValue;
        line.value = std::string(parsed.value);
        lines_.push_back(std::move(line));
    });
}

std::size_t ProfileText::findSection(std::string_view section) const {
    std::string_view wanted = trimControl(section);
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].isSection && equalsIgnoreCase(lines_[i].name, wanted)) return i;
    return npos;
}

std::size_t ProfileText::sectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && !lines_[i].isSection) ++i;
    return i;
}

std::size_t ProfileText::findKey(std::size_t header, std::string_view key) const {
    std::string_view wanted = trimControl(key);
    std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (lines_[i].hasValue && equalsIgnoreCase(lines_[i].name, wanted)) return i;
    return npos;
}

std::optional<std::string> ProfileText::get(std::string_view section, std::string_view key) const {
    std::size_t header = findSection(section);
    if (header == npos) return std::nullopt;
    std::size_t k = findKey(header, key);
    if (k == npos) return std::nullopt;
    return std::string(readableValue(lines_[k].value));
}

void ProfileText::set(std::string_view section, std::string_view key, std::string_view value) {
    std::string_view keyName = trimControl(key);
    Line entry;
    entry.name = std::string(keyName);
    entry.hasValue = true;
    entry.value = std::string(trimControl(value));
    std::size_t header = findSection(section);
    if (header == npos) {
        Line head;
        head.isSection = true;
        head.name = std::string(trimControl(section));
        head.text = "[" + head.name + "]";
        // The profile functions drop the file's trailing blank lines before
        // a new section follows them.
        while (!lines_.empty() && trimControl(lines_.back().text).empty()) lines_.pop_back();
        lines_.push_back(std::move(head));
        entry.text = entry.name + "=" + std::string(value);
        lines_.push_back(std::move(entry));
        return;
    }
    std::size_t k = findKey(header, keyName);
    if (k != npos) {
        // The key keeps the spelling it already has in the file.
        lines_[k].text = lines_[k].name + "=" + std::string(value);
        lines_[k].value = entry.value;
        return;
    }
    // After the section's last non-blank line.
    std::size_t at = sectionEnd(header);
    while (at > header + 1 && trimControl(lines_[at - 1].text).empty()) --at;
    entry.text = entry.name + "=" + std::string(value);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
}

bool ProfileText::eraseSection(std::string_view section) {
    std::size_t header = findSection(section);
    if (header == npos) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(sectionEnd(header)));
    return true;
}

std::string ProfileText::bytes() const {
    std::string out;
    for (const Line& l : lines_) {
        out += l.text;
        out += "\r\n";
    }
    return out;
}

}  // namespace kv::store
