#pragma once
// The rows of the manager's macro list: one per slot 1..Entries, in slot order.

#include <string>
#include <vector>

#include "os/os.hpp"
#include "store/store.hpp"

namespace kv::manager {

struct MacroRow {
    std::string name;     // Name, or "Macro<N>" when the section has none
    std::string hotKey;   // the hot key's text, empty for none
    std::string trigger;  // the window trigger
    int image = 0;        // by Type: 0 application, 1 keystrokes or script, 2 mouse and keyboard
    bool enabled = true;  // switched off: shown grey, its hot key and trigger start nothing
    std::string abbreviation = {};
    bool operator==(const MacroRow&) const = default;
};

// The list image of a Type: 1 -> 0, 2 -> 1, 3 -> 2, 4 -> 1, anything else -> 0.
int kindImage(int type);

// Reads the store once.
std::vector<MacroRow> macroListRows(const store::Store& store, os::Keyboard& keyboard);

}  // namespace kv::manager
