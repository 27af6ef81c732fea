#include "store/macros.hpp"

#include "store/error.hpp"

namespace kv::store {

std::string macroSection(int slot) { return "Macro" + std::to_string(slot); }

namespace {

int clampEntries(std::int32_t entries) { return entries < 0 ? 0 : entries > kMaxEntries ? kMaxEntries : entries; }

}  // namespace

int readEntries(const Store& store) { return clampEntries(store.readInt(kMain, "Entries", 0)); }
int readEntries(const StoreSnapshot& store) { return clampEntries(store.readInt(kMain, "Entries", 0)); }
int readEntries(const Store::Edit& store) { return clampEntries(store.readInt(kMain, "Entries", 0)); }

int addMacro(Store& store, const MacroEntry& m) {
    int slot = 0;
    store.edit([&](Store::Edit& e) {
        if (e.readInt(kMain, "Entries", 0) >= kMaxEntries)
            throw Error("Unable to add a macro: the store already holds " + std::to_string(kMaxEntries) +
                        " macros");
        slot = readEntries(e) + 1;
        const std::string s = macroSection(slot);
        e.writeInt(kMain, "Entries", slot);
        e.writeString(s, "Name", m.name);
        e.writeInt(s, "Type", m.kind);
        e.writeInt(s, "HotKey", m.hotKey);
        e.writeString(s, "FileName", m.fileName);
        e.writeString(s, "Trigger", m.trigger);
        if (m.kind == kReplayMouseAndKeys) e.writeInt(s, "Speed", m.speed);
    });
    return slot;
}

namespace {

// What a deletion shift copies from each slot to the one below, with the
// default of each read; the integer keys are read and written as integers.
constexpr std::string_view kShiftedKeys[] = {"Name",  "Type",       "HotKey",     "FileName",
                                             "Trigger", "Speed", "TriggerRan", "FoundHandle"};
constexpr std::string_view kShiftedDefaults[] = {"", "1", "0", "", "", "1", "0", ""};
constexpr bool kShiftedIsInteger[] = {false, true, true, false, false, true, true, false};
constexpr std::size_t kShifted = std::size(kShiftedKeys);

}  // namespace

void deleteMacroSlot(Store& store, int slot) {
    // One reading and one replacement of the file: a crash never leaves the
    // slots half moved. Slot k + 1 is read before it is overwritten, all its
    // keys in one pass.
    store.edit([&](Store::Edit& e) {
        const int entries = readEntries(e);
        if (slot < 1 || slot > entries) return;
        std::optional<std::string_view> read[kShifted];
        std::string numbers[kShifted];
        std::pair<std::string_view, std::string_view> written[kShifted];
        for (int k = slot; k < entries; ++k) {
            e.readKeys(macroSection(k + 1), kShiftedKeys, read);
            for (std::size_t i = 0; i < kShifted; ++i) {
                std::string_view value = read[i].value_or(kShiftedDefaults[i]);
                if (kShiftedIsInteger[i]) {
                    const std::int32_t n = parseInteger(value).value_or(*parseInteger(kShiftedDefaults[i]));
                    // TriggerRan is a boolean: any integer but 0 is true.
                    numbers[i] = std::to_string(kShiftedKeys[i] == "TriggerRan" ? (n != 0 ? 1 : 0) : n);
                    value = numbers[i];
                }
                written[i] = {kShiftedKeys[i], value};
            }
            e.writeKeys(macroSection(k), written);
        }
        e.eraseSection(macroSection(entries));
        e.writeInt(kMain, "Entries", entries - 1);
    });
}

std::string trimmedName(std::string_view name) {
    while (!name.empty() && static_cast<unsigned char>(name.back()) <= 32) name.remove_suffix(1);
    return std::string(name);
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

std::string storedDataFilePath(const std::string& programDirectory, std::string_view fileName) {
    checkInsideDirectory(fileName);
    return programDirectory + std::string(fileName);
}

std::string dataFilePath(const std::string& programDirectory, std::string_view name, std::string_view extension) {
    const std::string trimmed = trimmedName(name);
    checkInsideDirectory(trimmed);
    if (trimmed.empty()) throw Error("Invalid macro file name \"\"");
    return programDirectory + trimmed + std::string(extension);
}

}  // namespace kv::store
