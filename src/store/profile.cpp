#include "store/profile.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "core/utf8.hpp"

namespace kv::store {

namespace {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::size_t lineEnd(std::string_view text, std::size_t pos) {
    // Eight bytes at a time: a word with no byte below 14 holds neither CR
    // (13) nor LF (10); the few that do are looked at byte by byte.
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    const char* const data = text.data();
    const std::size_t size = text.size();
    while (pos + 8 <= size) {
        std::uint64_t word;
        std::memcpy(&word, data + pos, 8);
        if (((word - ones * 14) & ~word & highs) != 0) break;
        pos += 8;
    }
    while (pos < size && data[pos] != '\r' && data[pos] != '\n') ++pos;
    return pos;
}

ProfileLine classifyLine(std::string_view raw) {
    ProfileLine line;
    std::string_view t = trimBlanks(raw);
    if (!t.empty() && t.front() == '[') {
        line.isSection = true;
        std::size_t close = t.find(']');
        line.name = trimBlanks(t.substr(1, close == std::string_view::npos ? npos : close - 1));
    } else if (std::size_t eq = t.find('='); eq != std::string_view::npos) {
        line.name = trimBlanks(t.substr(0, eq));
        line.hasValue = true;
        line.value = trimBlanks(t.substr(eq + 1));
    }
    return line;
}

std::string_view readableValue(std::string_view v) {
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    return readableDefault(v);
}

std::string_view readableDefault(std::string_view v) {
    return firstUtf16Units(v, kMaxReadLength);
}

std::size_t CaseInsensitiveHash::operator()(std::string_view s) const {
    std::uint64_t h = 1469598103934665603ull;
    for (char c : s) h = (h ^ static_cast<unsigned char>(upper(c))) * 1099511628211ull;
    return static_cast<std::size_t>(h ^ (h >> 32));
}

bool CaseInsensitiveEqual::operator()(std::string_view a, std::string_view b) const {
    return equalsIgnoringAsciiCase(a, b);
}

namespace {

// Sections named "Macro" and a number below this are found by the number.
constexpr std::uint32_t kNumberedBound = 1u << 17;

// n for a trimmed name "Macro<n>" in any letter case, n written without a
// leading zero and below the bound; 0 for any other name. Two names with one
// number are the same name, as the profile rules compare them.
std::uint32_t macroNumber(std::string_view name) {
    if (name.size() < 6 || name.size() > 11 || !equalsIgnoringAsciiCase(name.substr(0, 5), "Macro") ||
        name[5] < '1' || name[5] > '9')
        return 0;
    std::uint32_t n = 0;
    for (char c : name.substr(5)) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + static_cast<std::uint32_t>(c - '0');
        if (n >= kNumberedBound) return 0;
    }
    return n;
}

bool isLineBreak(char c) {
    return c == '\r' || c == '\n';
}

}  // namespace

ProfileIndex::ProfileIndex(std::string bytes) : bytes_(std::move(bytes)) {
    // For the first section of each name, the last one of that name so far:
    // each section joins its name's chain in one step.
    std::vector<std::size_t> lastOfName;
    const auto chain = [&](std::size_t first, std::size_t index) {
        Section& last = sections_[lastOfName[first]];
        last.repeated = true;
        last.nextSameName = index;
        lastOfName[first] = index;
    };
    const char* const data = bytes_.data();
    const std::size_t size = bytes_.size();
    std::size_t at = 0;
    while (at < size) {
        const void* hit = std::memchr(data + at, '[', size - at);
        if (!hit) break;
        const auto open = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        // A header is a line whose first character after blanks is "[".
        std::size_t start = open;
        while (start > 0 && isBlank(data[start - 1]) && !isLineBreak(data[start - 1])) --start;
        std::size_t lineEnd = open;
        while (lineEnd < size && !isLineBreak(data[lineEnd])) ++lineEnd;
        at = lineEnd;
        if (start > 0 && !isLineBreak(data[start - 1])) continue;
        std::size_t body = lineEnd;
        if (body < size && data[body] == '\r') {
            ++body;
            if (body < size && data[body] == '\n') ++body;
        } else if (body < size) {
            ++body;
        }
        if (!sections_.empty()) sections_.back().end = start;
        const std::size_t index = sections_.size();
        lastOfName.push_back(index);
        Section& s = sections_.emplace_back();
        s.header = start;
        s.headerEnd = lineEnd;
        s.body = body;
        s.end = size;
        s.name = classifyLine(std::string_view(data + open, lineEnd - open)).name;
        // Of two sections with one name, the first in the file is found.
        if (const std::uint32_t n = macroNumber(s.name)) {
            if (n >= byNumber_.size()) byNumber_.resize(n + 1);
            if (byNumber_[n] == 0)
                byNumber_[n] = static_cast<std::uint32_t>(index + 1);
            else
                chain(byNumber_[n] - 1, index);
        } else if (auto [it, fresh] = byName_.try_emplace(s.name, index); !fresh) {
            chain(it->second, index);
        }
    }
}

std::size_t ProfileIndex::find(std::string_view name) const {
    const std::string_view wanted = trimBlanks(name);
    if (const std::uint32_t n = macroNumber(wanted))
        return n < byNumber_.size() && byNumber_[n] != 0 ? byNumber_[n] - 1 : npos;
    const auto it = byName_.find(wanted);
    return it == byName_.end() ? npos : it->second;
}

const ProfileIndex::Section* ProfileIndex::numberedSection(int n) const {
    if (n <= 0 || static_cast<std::uint32_t>(n) >= kNumberedBound)
        return section("Macro" + std::to_string(n));
    const auto i = static_cast<std::size_t>(n);
    return i < byNumber_.size() && byNumber_[i] != 0 ? &sections_[byNumber_[i] - 1] : nullptr;
}

const ProfileIndex::Section* ProfileIndex::section(std::string_view name) const {
    const std::size_t i = find(name);
    return i == npos ? nullptr : &sections_[i];
}

namespace {

// The line's trimmed value when it is a line of the key; nothing otherwise.
// The line starts at its first non-blank character; the key is trimmed and
// holds no "=" (no key line has such a name). What classifyLine and a
// comparison of the name give, without splitting the lines of other keys.
std::optional<std::string_view> valueOfKey(std::string_view line, std::string_view key) {
    if (line.size() <= key.size() || !equalsIgnoringAsciiCase(line.substr(0, key.size()), key))
        return std::nullopt;
    std::size_t at = key.size();
    while (at < line.size() && isBlank(line[at])) ++at;
    if (at == line.size() || line[at] != '=') return std::nullopt;
    return trimBlanks(line.substr(at + 1));
}

std::string_view withoutLeadingBlanks(std::string_view line) {
    std::size_t lead = 0;
    while (lead < line.size() && isBlank(line[lead])) ++lead;
    return line.substr(lead);
}

}  // namespace

std::optional<ProfileIndex::KeyLine> ProfileIndex::keyLine(const Section& s, std::string_view key) const {
    const std::string_view wanted = trimBlanks(key);
    std::optional<KeyLine> found;
    if (wanted.find('=') != std::string_view::npos) return found;
    forEachLine(body(s), [&](std::string_view raw) {
        const std::string_view line = withoutLeadingBlanks(raw);
        const auto value = valueOfKey(line, wanted);
        if (!value) return true;
        const auto begin = static_cast<std::size_t>(raw.data() - bytes_.data());
        found = KeyLine{line.substr(0, wanted.size()), *value, begin, begin + raw.size()};
        return false;
    });
    return found;
}

std::optional<std::string_view> ProfileIndex::get(std::string_view section, std::string_view key) const {
    const std::size_t i = find(section);
    if (i == npos) return std::nullopt;
    if (auto l = keyLine(sections_[i], key)) return readableValue(l->value);
    return std::nullopt;
}

void ProfileIndex::getKeys(std::string_view section, std::span<const std::string_view> keys,
                           std::span<std::optional<std::string_view>> values) const {
    const std::size_t i = find(section);
    if (i != npos) return getKeys(sections_[i], keys, values);
    for (auto& v : values) v.reset();
}

void ProfileIndex::getKeys(const Section& section, std::span<const std::string_view> keys,
                           std::span<std::optional<std::string_view>> values) const {
    for (auto& v : values) v.reset();
    // The callers read a few keys; more are read one by one.
    std::string_view wanted[8];
    bool sought[8] = {};
    if (keys.size() > std::size(wanted)) {
        for (std::size_t k = 0; k < keys.size(); ++k)
            if (const auto l = keyLine(section, keys[k])) values[k] = readableValue(l->value);
        return;
    }
    std::size_t left = 0;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        wanted[k] = trimBlanks(keys[k]);
        // No key line has a name with "=" in it.
        sought[k] = wanted[k].find('=') == std::string_view::npos;
        if (sought[k]) ++left;
    }
    if (left == 0) return;
    forEachLine(body(section), [&](std::string_view raw) {
        const std::string_view line = withoutLeadingBlanks(raw);
        for (std::size_t k = 0; k < keys.size(); ++k) {
            if (!sought[k]) continue;
            if (const auto value = valueOfKey(line, wanted[k])) {
                values[k] = readableValue(*value);
                sought[k] = false;
                --left;
            }
        }
        return left > 0;
    });
}

std::size_t ProfileText::addBlock() {
    blocks_.emplace_back();
    return blocks_.size() - 1;
}

ProfileText::ProfileText(std::string bytes)
    : ProfileText(std::make_shared<const ProfileIndex>(std::move(bytes))) {}

ProfileText::ProfileText(std::shared_ptr<const ProfileIndex> read) : read_(std::move(read)) {
    const std::string_view text(read_->bytes());
    const auto& sections = read_->sections();
    blocks_.reserve(sections.size() + 1);
    live_.assign(sections.size(), kNone);
    lines_.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    // A section's range ends where the next header's line begins, just after
    // a line break, so its lines are the lines of the whole text.
    const auto addLines = [&](Block& b, std::size_t from, std::size_t to) {
        b.begin = lines_.size();
        forEachLine(text.substr(from, to - from), [&](std::string_view raw) { lines_.push_back(raw); });
        b.end = lines_.size();
    };
    addLines(blocks_.emplace_back(), 0, sections.empty() ? text.size() : sections.front().header);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const ProfileIndex::Section& s = sections[i];
        Block& b = blocks_.emplace_back();
        addLines(b, s.header, s.end);
        b.name = s.name;
        if (s.nextSameName != ProfileIndex::npos) b.nextSameName = s.nextSameName + 1;
        if (read_->find(s.name) == i) live_[i] = i + 1;
    }
}

std::string_view ProfileText::own(std::string_view a, std::string_view b, std::string_view c) {
    const std::size_t size = a.size() + b.size() + c.size();
    if (size > left_) {
        const std::size_t chunk = std::max({size, std::size_t{64 * 1024}, original().size() / 2});
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
    if (const std::size_t i = read_->find(section); i != ProfileIndex::npos && live_[i] != kNone)
        return live_[i];
    if (addedByName_.empty()) return kNone;
    const auto it = addedByName_.find(trimBlanks(section));
    return it == addedByName_.end() ? kNone : it->second;
}

// Index in lines_ of the key's line among the block's own, or kNone.
std::size_t ProfileText::findKey(const Block& b, std::string_view key) const {
    const std::string_view wanted = trimBlanks(key);
    for (std::size_t i = b.begin + 1; i < b.end; ++i) {
        // Most lines differ from the key in their first character.
        const std::string_view t = trimBlanks(lines_[i]);
        if (!wanted.empty() && !t.empty() && upper(t.front()) != upper(wanted.front())) continue;
        const ProfileLine l = classifyLine(t);
        if (l.hasValue && equalsIgnoringAsciiCase(l.name, wanted)) return i;
    }
    return kNone;
}

std::optional<std::string_view> ProfileText::view(std::string_view section, std::string_view key) const {
    const std::size_t b = findSection(section);
    if (b == kNone) return std::nullopt;
    const Block& block = blocks_[b];
    const std::string_view wanted = trimBlanks(key);
    if (const std::size_t k = findKey(block, wanted); k != kNone)
        return readableValue(classifyLine(lines_[k]).value);
    if (block.added != kNone)
        for (std::string_view line : added_[block.added])
            if (const ProfileLine l = classifyLine(line);
                l.hasValue && equalsIgnoringAsciiCase(l.name, wanted))
                return readableValue(l.value);
    return std::nullopt;
}

std::optional<std::string> ProfileText::get(std::string_view section, std::string_view key) const {
    if (auto v = view(section, key)) return std::string(*v);
    return std::nullopt;
}

void ProfileText::set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view keyName = trimBlanks(key);
    std::size_t b = findSection(section);
    if (b == kNone) {
        // The profile functions drop the file's trailing blank lines before
        // a new section follows them. The last block is always live.
        Block& last = blocks_.back();
        if (last.added != kNone) {
            last.end = last.addAt;
        } else {
            while (last.end > last.begin && trimBlanks(lines_[last.end - 1]).empty()) --last.end;
        }
        const std::string_view name = own(trimBlanks(section));
        b = addBlock();
        addedByName_.emplace(name, b);
        blocks_[b].name = name;
        blocks_[b].begin = blocks_[b].end = lines_.size();
        blocks_[b].addAt = lines_.size();
        blocks_[b].added = added_.size();
        added_.push_back({own("[", name, "]"), own(keyName, "=", value)});
        return;
    }
    Block& block = blocks_[b];
    if (const std::size_t k = findKey(block, keyName); k != kNone) {
        // The key keeps the spelling it already has in the file.
        lines_[k] = own(classifyLine(lines_[k]).name, "=", value);
        return;
    }
    if (block.added == kNone) {
        // After the section's last non-blank line.
        std::size_t at = block.end;
        while (at > block.begin + 1 && trimBlanks(lines_[at - 1]).empty()) --at;
        block.addAt = at;
        block.added = added_.size();
        added_.emplace_back();
    } else {
        for (std::string_view& line : added_[block.added])
            if (const ProfileLine l = classifyLine(line);
                l.hasValue && equalsIgnoringAsciiCase(l.name, keyName)) {
                line = own(l.name, "=", value);
                return;
            }
    }
    added_[block.added].push_back(own(keyName, "=", value));
}

namespace {

// Which of the wanted keys a line holds, or npos.
std::size_t matchKey(std::string_view line, std::span<const std::string_view> wanted, ProfileLine& parsed) {
    const std::string_view t = trimBlanks(line);
    if (t.empty()) return npos;
    const char first = upper(t.front());
    bool classified = false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (wanted[i].empty() || upper(wanted[i].front()) != first) continue;
        if (!classified) parsed = classifyLine(t), classified = true;
        if (parsed.hasValue && equalsIgnoringAsciiCase(parsed.name, wanted[i])) return i;
    }
    return npos;
}

}  // namespace

void ProfileText::viewKeys(std::string_view section, std::span<const std::string_view> keys,
                           std::span<std::optional<std::string_view>> values) const {
    for (auto& v : values) v.reset();
    const std::size_t b = findSection(section);
    if (b == kNone) return;
    const Block& block = blocks_[b];
    const auto visit = [&](std::string_view line) {
        ProfileLine parsed;
        if (const std::size_t i = matchKey(line, keys, parsed); i != npos && !values[i])
            values[i] = readableValue(parsed.value);
    };
    for (std::size_t i = block.begin + 1; i < block.end; ++i) visit(lines_[i]);
    if (block.added != kNone)
        for (std::string_view line : added_[block.added]) visit(line);
}

void ProfileText::setKeys(std::string_view section, std::span<const KeyValue> keysAndValues) {
    const std::size_t b = findSection(section);
    if (b == kNone || keysAndValues.size() > 16 || blocks_[b].added != kNone) {
        for (const KeyValue& kv : keysAndValues) set(section, kv.first, kv.second);
        return;
    }
    std::string_view names[16];
    bool done[16] = {};
    for (std::size_t i = 0; i < keysAndValues.size(); ++i) names[i] = trimBlanks(keysAndValues[i].first);
    const std::span<const std::string_view> wanted(names, keysAndValues.size());
    Block& block = blocks_[b];
    std::size_t lastNonBlank = block.begin;
    for (std::size_t l = block.begin + 1; l < block.end; ++l) {
        ProfileLine parsed;
        if (!trimBlanks(lines_[l]).empty()) lastNonBlank = l;
        const std::size_t i = matchKey(lines_[l], wanted, parsed);
        if (i == npos || done[i]) continue;
        // The key keeps the spelling it already has in the file.
        lines_[l] = own(parsed.name, "=", keysAndValues[i].second);
        done[i] = true;
    }
    // The keys the section lacks, in order, after its last non-blank line.
    for (std::size_t i = 0; i < keysAndValues.size(); ++i) {
        if (done[i]) continue;
        if (block.added == kNone) {
            block.addAt = lastNonBlank + 1;
            block.added = added_.size();
            added_.emplace_back();
        }
        added_[block.added].push_back(own(names[i], "=", keysAndValues[i].second));
    }
}

bool ProfileText::eraseSection(std::string_view section) {
    const std::size_t b = findSection(section);
    if (b == kNone) return false;
    Block& block = blocks_[b];
    block.erased = true;
    // The next section of the name is found from now on.
    if (const std::size_t i = read_->find(section); i != ProfileIndex::npos && live_[i] == b)
        live_[i] = block.nextSameName;
    else
        addedByName_.erase(trimBlanks(section));
    // Erased blocks at the end go, so that the last block is a live one.
    while (blocks_.size() > 1 && blocks_.back().erased) blocks_.pop_back();
    return true;
}

namespace {
// The one text an erased line points at; told apart by its address.
char kErasedLine[1] = {};  // not const: never merged with another text
}  // namespace

void ProfileText::eraseKey(std::string_view section, std::string_view key) {
    const std::size_t b = findSection(section);
    if (b == kNone) return;
    Block& block = blocks_[b];
    for (std::size_t k; (k = findKey(block, key)) != kNone;) lines_[k] = std::string_view(kErasedLine, 0);
    if (block.added != kNone)
        std::erase_if(added_[block.added], [&](std::string_view line) {
            const ProfileLine l = classifyLine(line);
            return l.hasValue && equalsIgnoringAsciiCase(l.name, trimBlanks(key));
        });
}

std::string ProfileText::bytes() const {
    std::string out;
    const auto put = [&out](std::string_view line) {
        if (line.data() == kErasedLine) return;
        out += line;
        out += "\r\n";
    };
    out.reserve(original().size() + original().size() / 8 + 64);
    for (const Block& b : blocks_) {
        if (b.erased) continue;
        const std::size_t split = b.added == kNone ? b.end : b.addAt;
        for (std::size_t i = b.begin; i < split; ++i) put(lines_[i]);
        if (b.added != kNone)
            for (std::string_view line : added_[b.added]) put(line);
        for (std::size_t i = split; i < b.end; ++i) put(lines_[i]);
    }
    return out;
}

}  // namespace kv::store
