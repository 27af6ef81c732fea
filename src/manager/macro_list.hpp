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
    bool operator==(const MacroRow&) const = default;
};

std::vector<MacroRow> macroListRows(const store::Store& store, os::Keyboard& keyboard);

}  // namespace kv::manager
