#pragma once
// The macro entries of the store: section Main and one section Macro<N> per
// slot, slots dense from 1 to Entries in creation order.

#include <cstdint>
#include <string>

#include "store/store.hpp"

namespace kv::store {

inline constexpr const char* kMain = "Main";

enum MacroKind : std::int32_t { kOpenDocument = 1, kReplayKeys = 2, kReplayMouseAndKeys = 3, kScript = 4 };

std::string macroSection(int slot);

struct MacroEntry {
    std::string name;
    std::int32_t kind = kOpenDocument;
    std::uint16_t hotKey = 0;
    std::string fileName;
    std::string trigger;
    std::int32_t speed = 1;  // kind 3 only: 2 high speed, 1 recorded speed
};

// The most macros the store holds. Every walk over the macros reads the
// whole file once, so a hand-edited Entries of two thousand million must
// not turn into as many slots: Entries is read clamped to 0..kMaxEntries.
inline constexpr int kMaxEntries = 10000;

int readEntries(const Store& store);
int readEntries(const StoreSnapshot& store);
int readEntries(const Store::Edit& store);

// Appends a macro in slot Entries + 1 and returns that slot. Refuses a macro
// beyond kMaxEntries.
int addMacro(Store& store, const MacroEntry& macro);

// Moves every macro after the slot down by one, erases the highest slot and
// lowers Entries, in one replacement of the file. A moved macro takes its own
// record of fired windows with it. A slot that holds no macro changes nothing.
// Where every read would come out the same, the later sections are renamed
// rather than rewritten (see deleteMacroSlotByCopying).
void deleteMacroSlot(Store& store, int slot);

// The same deletion by copying Name, Type, HotKey, FileName, Trigger, Speed,
// TriggerRan and FoundHandle of each later slot into the slot below, each
// written even when it held its default: for a store whose sections cannot
// simply be renamed (a slot without a section or with two, a moved macro
// without Name or Type).
void deleteMacroSlotByCopying(Store& store, int slot);

// Empties the key in the section of every macro where it holds something, as
// read by the snapshot, in at most one replacement of the file.
void emptyKeyInMacros(Store& store, const StoreSnapshot& read, std::string_view key);

// Removes trailing characters with codes up to 32.
std::string trimmedName(std::string_view name);

// program directory + name + extension for a macro's data file. Raises an
// error for a name that would address a file outside the program directory.
std::string dataFilePath(const std::string& programDirectory, std::string_view name, std::string_view extension);

// program directory + a stored FileName (kinds 2 to 4), with the same guard.
std::string storedDataFilePath(const std::string& programDirectory, std::string_view fileName);

}  // namespace kv::store
