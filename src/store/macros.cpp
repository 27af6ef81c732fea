#include "store/macros.hpp"

#include "store/error.hpp"

namespace kv::store {

std::string macroSection(int slot) { return "Macro" + std::to_string(slot); }

int readEntries(const Store& store) { return store.readInt(kMain, "Entries", 0); }

int addMacro(Store& store, const MacroEntry& m) {
    const int slot = readEntries(store) + 1;
    store.writeInt(kMain, "Entries", slot);
    const std::string s = macroSection(slot);
    store.writeString(s, "Name", m.name);
    store.writeInt(s, "Type", m.kind);
    store.writeInt(s, "HotKey", m.hotKey);
    store.writeString(s, "FileName", m.fileName);
    store.writeString(s, "Trigger", m.trigger);
    if (m.kind == kReplayMouseAndKeys) store.writeInt(s, "Speed", m.speed);
    return slot;
}

void deleteMacroSlot(Store& store, int slot) {
    const int entries = readEntries(store);
    for (int k = slot; k < entries; ++k) {
        const std::string from = macroSection(k + 1);
        const std::string to = macroSection(k);
        store.writeString(to, "Name", store.readString(from, "Name", ""));
        store.writeInt(to, "Type", store.readInt(from, "Type", 1));
        store.writeInt(to, "HotKey", store.readInt(from, "HotKey", 0));
        store.writeString(to, "FileName", store.readString(from, "FileName", ""));
        store.writeString(to, "Trigger", store.readString(from, "Trigger", ""));
        store.writeInt(to, "Speed", store.readInt(from, "Speed", 1));
        store.writeBool(to, "TriggerRan", store.readBool(from, "TriggerRan", false));
        store.writeString(to, "FoundHandle", store.readString(from, "FoundHandle", ""));
    }
    store.eraseSection(macroSection(entries));
    store.writeInt(kMain, "Entries", entries - 1);
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
