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

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        if (end < text.size() && text[end] == '\r') {
            ++end;
            if (end < text.size() && text[end] == '\n') ++end;
        } else if (end < text.size()) {
            ++end;
        }
        pos = end;
    }
    return lines;
}

ProfileText::ProfileText(std::string_view bytes) {
    for (std::string_view raw : splitLines(bytes)) {
        Line line;
        line.text = std::string(raw);
        std::string_view t = trimControl(line.text);
        if (!t.empty() && t.front() == '[') {
            line.isSection = true;
            std::size_t close = t.find(']');
            line.name = std::string(trimControl(t.substr(1, close == std::string_view::npos ? npos : close - 1)));
        } else if (std::size_t eq = t.find('='); eq != std::string_view::npos) {
            line.name = std::string(trimControl(t.substr(0, eq)));
            line.hasValue = true;
            line.value = std::string(trimControl(t.substr(eq + 1)));
        }
        lines_.push_back(std::move(line));
    }
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
    std::string_view v = lines_[k].value;
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.size() > kMaxReadLength) v = v.substr(0, kMaxReadLength);
    return std::string(v);
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
