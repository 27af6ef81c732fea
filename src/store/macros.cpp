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

void deleteMacroSlot(Store& store, int slot) {
    // One reading and one replacement of the file: a crash never leaves the
    // slots half moved. Slot k + 1 is read before it is overwritten.
    store.edit([&](Store::Edit& e) {
        const int entries = readEntries(e);
        if (slot < 1 || slot > entries) return;
        for (int k = slot; k < entries; ++k) {
            const std::string from = macroSection(k + 1);
            const std::string name = e.readString(from, "Name", "");
            const std::int32_t type = e.readInt(from, "Type", 1);
            const std::int32_t hotKey = e.readInt(from, "HotKey", 0);
            const std::string fileName = e.readString(from, "FileName", "");
            const std::string trigger = e.readString(from, "Trigger", "");
            const std::int32_t speed = e.readInt(from, "Speed", 1);
            const bool triggerRan = e.readInt(from, "TriggerRan", 0) != 0;
            const std::string foundHandle = e.readString(from, "FoundHandle", "");
            const std::string to = macroSection(k);
            e.writeString(to, "Name", name);
            e.writeInt(to, "Type", type);
            e.writeInt(to, "HotKey", hotKey);
            e.writeString(to, "FileName", fileName);
            e.writeString(to, "Trigger", trigger);
            e.writeInt(to, "Speed", speed);
            e.writeBool(to, "TriggerRan", triggerRan);
            e.writeString(to, "FoundHandle", foundHandle);
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
