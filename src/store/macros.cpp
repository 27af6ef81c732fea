#include "store/macros.hpp"

#include <algorithm>
#include <optional>
#include <vector>

#include "core/error.hpp"
#include "store/profile.hpp"

namespace kv::store {

std::string macroSection(int slot) {
    return "Macro" + std::to_string(slot);
}

namespace {

int clampEntries(std::int32_t entries) {
    return entries < 0 ? 0 : entries > kMaxEntries ? kMaxEntries : entries;
}

}  // namespace

int readEntries(const Store& store) {
    return clampEntries(store.readInt(kMain, "Entries", 0));
}
int readEntries(const StoreSnapshot& store) {
    return clampEntries(store.readInt(kMain, "Entries", 0));
}
int readEntries(const Store::Edit& store) {
    return clampEntries(store.readInt(kMain, "Entries", 0));
}

int addMacro(Store& store, const Macro& m) {
    return addMacros(store, {m});
}

int addMacros(Store& store, const std::vector<Macro>& macros) {
    int first = 0;
    if (macros.empty()) return first;
    store.edit([&](Store::Edit& e) {
        const int entries = readEntries(e);
        if (e.readInt(kMain, "Entries", 0) >= kMaxEntries ||
            entries + static_cast<int>(macros.size()) > kMaxEntries)
            throw Error("Unable to add a macro: the store already holds " + std::to_string(kMaxEntries) +
                        " macros");
        first = entries + 1;
        e.writeInt(kMain, "Entries", entries + static_cast<int>(macros.size()));
        int slot = entries;
        for (const Macro& m : macros) {
            const std::string s = macroSection(++slot);
            const unsigned fields = writtenFields(m, MacroWrite::Created);
            for (const MacroKey& k : macroKeys())
                if ((fields & k.field) && !(k.omittedAtFallback && k.atFallback(m)))
                    e.writeString(s, k.key, k.text(m));
        }
    });
    return first;
}

void deleteMacroSlotByCopying(Store& store, int slot) {
    // One reading and one replacement of the file: a crash never leaves the
    // slots half moved. Slot k + 1 is read before it is overwritten, all its
    // keys in one pass.
    store.edit([&](Store::Edit& e) {
        const int entries = readEntries(e);
        if (slot < 1 || slot > entries) return;
        // Every key of the table, with its default when missing; integer
        // keys as integers (any value a read of it gives), so that a copy
        // reads as the original.
        const std::span<const MacroKey> table = macroKeys();
        constexpr std::size_t kMost = 16;
        const std::size_t count = table.size();
        std::string_view keys[kMost];
        for (std::size_t i = 0; i < count; ++i) keys[i] = table[i].key;
        std::optional<std::string_view> read[kMost];
        std::string numbers[kMost];
        std::pair<std::string_view, std::string_view> written[kMost];
        for (int k = slot; k < entries; ++k) {
            e.readKeys(macroSection(k + 1), std::span(keys, count), std::span(read, count));
            std::size_t n = 0;
            for (std::size_t i = 0; i < count; ++i) {
                const MacroKey& key = table[i];
                // A key stored only when set is copied only when there.
                if (key.omittedAtFallback && !read[i]) {
                    e.eraseKey(macroSection(k), key.key);
                    continue;
                }
                std::string_view value = read[i].value_or(key.fallback);
                if (key.form != MacroKey::Form::Text) {
                    const std::int32_t n = parseInteger(value).value_or(*parseInteger(key.fallback));
                    numbers[i] = std::to_string(key.form == MacroKey::Form::Boolean ? (n != 0 ? 1 : 0) : n);
                    value = numbers[i];
                }
                written[n++] = {key.key, value};
            }
            e.writeKeys(macroSection(k), std::span(written, n));
        }
        e.eraseSection(macroSection(entries));
        e.writeInt(kMain, "Entries", entries - 1);
    });
}

namespace {

bool quoted(std::string_view v) {
    return v.size() >= 2 && v.front() == '"' && v.back() == '"';
}

// Whether every read the program makes of the section's keys returns the
// same once the section is renamed as once its keys are copied into another
// section: copying writes each key, with its default when missing, as read
// (quotes removed, integers as numbers). Readers differ in the defaults of
// Name and Type, so those must be there, and Type a number; a value still
// in quotes after one removal would lose them in a copy.
bool readsTheSameRenamed(const ProfileIndex& index, const ProfileIndex::Section& section) {
    const std::string_view body = index.body(section);
    // Without a quote in the section, its first Name and Type are all that
    // matter, and they come first in a section this program wrote.
    const bool quotes = body.find('"') != std::string_view::npos;
    bool name = false, type = false, same = true;
    forEachLine(body, [&](std::string_view line) {
        const std::string_view t = trimBlanks(line);
        if (t.empty()) return true;
        const char first = t.front() & ~0x20;
        if (!quotes && first != 'N' && first != 'T') return true;
        const ProfileLine l = classifyLine(t);
        if (!l.hasValue) return true;
        const bool isName = !name && equalsIgnoringAsciiCase(l.name, macroKey(kNameField).key);
        const bool isType = !isName && !type && equalsIgnoringAsciiCase(l.name, macroKey(kKindField).key);
        // Without a quote in the section only Type's value matters.
        if (!quotes && !isType) {
            name = name || isName;
            return !name || !type;
        }
        const std::string_view value = readableValue(l.value);
        if (quoted(value)) return same = false;
        name = name || isName;
        if (isType) {
            type = true;
            if (!parseInteger(value)) return same = false;
        }
        return quotes || !name || !type;
    });
    return same && name && type;
}

// The deletion as changes of single lines, when the later macros' sections
// can be renamed one slot down instead of having their keys copied: each of
// the slots from the deleted one up to Entries has exactly one section, and
// the moved ones read the same renamed. A moved macro then takes all its
// keys, its record of fired windows included, and the file is changed in
// its headers, the deleted section and Entries only.
std::optional<std::vector<Store::ByteChange>> renumbering(const StoreSnapshot& read, int slot, int entries) {
    const ProfileIndex& index = read.index();
    const ProfileIndex::Section* main = index.section(kMain);
    const auto entriesLine = main ? index.keyLine(*main, "Entries") : std::nullopt;
    if (!entriesLine) return std::nullopt;
    std::vector<Store::ByteChange> changes;
    changes.reserve(static_cast<std::size_t>(entries - slot) + 2);
    for (int k = slot; k <= entries; ++k) {
        const ProfileIndex::Section* s = index.numberedSection(k);
        if (!s || s->repeated) return std::nullopt;
        if (k == slot) {
            changes.push_back({s->header, s->end, {}});
        } else {
            if (!readsTheSameRenamed(index, *s)) return std::nullopt;
            std::string header = "[Macro";
            header += std::to_string(k - 1);
            header += ']';
            changes.push_back({s->header, s->headerEnd, std::move(header)});
        }
    }
    // In file order, as a hand-edited file need not have its slots in order.
    const auto byPlace = [](const auto& a, const auto& b) { return a.begin < b.begin; };
    if (!std::is_sorted(changes.begin(), changes.end(), byPlace))
        std::sort(changes.begin(), changes.end(), byPlace);
    Store::ByteChange count{entriesLine->begin, entriesLine->end,
                            std::string(entriesLine->name) + "=" + std::to_string(entries - 1)};
    changes.insert(std::upper_bound(changes.begin(), changes.end(), count, byPlace), std::move(count));
    return changes;
}

}  // namespace

void deleteMacroSlot(Store& store, int slot) {
    const auto held = store.hold();
    const StoreSnapshot read(store);
    const int entries = readEntries(read);
    if (slot < 1 || slot > entries) return;
    if (const auto changes = renumbering(read, slot, entries))
        store.apply(read, *changes);
    else
        deleteMacroSlotByCopying(store, slot);
}

void emptyKeyInMacros(Store& store, const StoreSnapshot& read, std::string_view key) {
    const ProfileIndex& index = read.index();
    const int entries = readEntries(read);
    std::vector<Store::ByteChange> changes;
    for (int n = 1; n <= entries; ++n) {
        const ProfileIndex::Section* s = index.numberedSection(n);
        if (!s) continue;
        // An empty value reads the same as none: only lists that hold
        // something are written.
        if (const auto line = index.keyLine(*s, key); line && !readableValue(line->value).empty())
            changes.push_back({line->begin, line->end, std::string(line->name) + "="});
    }
    // Sections in file order need not be in slot order.
    const auto byPlace = [](const auto& a, const auto& b) { return a.begin < b.begin; };
    if (!std::is_sorted(changes.begin(), changes.end(), byPlace))
        std::sort(changes.begin(), changes.end(), byPlace);
    store.apply(read, changes);
}

std::string trimmedName(std::string_view name) {
    return std::string(trimBlanks(name));
}

namespace {

// Refuses names that leave the directory: separators, drive colons, names
// made of dots and blanks only ("..", which Windows resolves upwards) and
// control characters.
void checkInsideDirectory(std::string_view fileName) {
    const auto refuse = [&] { throw Error("Invalid macro file name \"" + std::string(fileName) + "\""); };
    if (fileName.find_first_of("\\/:") != std::string_view::npos) refuse();
    if (!fileName.empty() && fileName.find_first_not_of(". ") == std::string_view::npos) refuse();
    for (char c : fileName)
        if (static_cast<unsigned char>(c) < 32) refuse();
}

}  // namespace

std::string storedDataFilePath(const std::string& folder, std::string_view fileName) {
    checkInsideDirectory(fileName);
    return folder + std::string(fileName);
}

std::string dataFilePath(const std::string& folder, std::string_view name, std::string_view extension) {
    const std::string trimmed = trimmedName(name);
    checkInsideDirectory(trimmed);
    if (trimmed.empty()) throw Error("Invalid macro file name \"\"");
    return folder + trimmed + std::string(extension);
}

}  // namespace kv::store
