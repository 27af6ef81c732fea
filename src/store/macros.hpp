#pragma once
// The macro entries of the store: section Main and one section Macro<N> per
// slot, slots dense from 1 to Entries in creation order.

#include <cstdint>
#include <string>
#include <vector>

#include "store/macro.hpp"
#include "store/store.hpp"

namespace kv::store {

inline constexpr const char* kMain = "Main";
// The Run Macro window's hot key, in section Main; 0 or missing for none.
inline constexpr const char* kRunMacroHotKey = "RunMacroHotKey";
// The hot key that pauses and resumes Keyvale, in section Main.
inline constexpr const char* kPauseHotKey = "PauseHotKey";

std::string macroSection(int slot);

// The most macros the store holds. Every walk over the macros reads the
// whole file once, so a hand-edited Entries of two thousand million must
// not turn into as many slots: Entries is read clamped to 0..kMaxEntries.
inline constexpr int kMaxEntries = 10000;

int readEntries(const Store& store);
int readEntries(const StoreSnapshot& store);
int readEntries(const Store::Edit& store);

// Appends a macro in slot Entries + 1 with the keys a new macro is created
// with, and returns that slot. Refuses a macro beyond kMaxEntries.
int addMacro(Store& store, const Macro& macro);
// The same for several macros in one replacement of the file; the slot of
// the first, or 0 for none. Refuses them all when they do not fit.
int addMacros(Store& store, const std::vector<Macro>& macros);

// Moves every macro after the slot down by one, erases the highest slot and
// lowers Entries, in one replacement of the file. A moved macro takes its own
// record of fired windows with it. A slot that holds no macro changes nothing.
// Where every read would come out the same, the later sections are renamed
// rather than rewritten (see deleteMacroSlotByCopying).
void deleteMacroSlot(Store& store, int slot);

// The same deletion by copying every key of the macro table of each later
// slot into the slot below, each written even when it held its default: for
// a store whose sections cannot simply be renamed (a slot without a section
// or with two, a moved macro without Name or Type).
void deleteMacroSlotByCopying(Store& store, int slot);

// Empties the key in the section of every macro where it holds something, as
// read by the snapshot, in at most one replacement of the file. The snapshot
// is read while the caller holds the store (Store::hold): a change computed
// from an older reading would undo what was written since.
void emptyKeyInMacros(Store& store, const StoreSnapshot& read, std::string_view key);

// The name without blanks at either end: what the store reads back of it,
// and so the name its data file must have.
std::string trimmedName(std::string_view name);

// folder + name + extension for a macro's data file. Raises an error for a
// name that would address a file outside the folder. The macro repository's
// paths are made here.
std::string dataFilePath(const std::string& folder, std::string_view name, std::string_view extension);

// folder + a stored FileName (kinds 2 to 4), with the same guard.
std::string storedDataFilePath(const std::string& folder, std::string_view fileName);

}  // namespace kv::store
