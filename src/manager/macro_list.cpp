#include "manager/macro_list.hpp"

#include "store/macros.hpp"
#include "store/shortcut.hpp"

namespace kv::manager {

int kindImage(int type) {
    switch (type) {
        case 2:
        case 4: return 1;
        case 3: return 2;
        default: return 0;
    }
}

std::vector<MacroRow> macroListRows(const store::Store& store, os::Keyboard& keyboard) {
    const store::StoreSnapshot s(store);
    const int entries = s.readInt(store::kMain, "Entries", 0);
    std::vector<MacroRow> rows;
    for (int n = 1; n <= entries; ++n) {
        const std::string section = store::macroSection(n);
        const auto hotKey = static_cast<store::ShortCut>(s.readInt(section, "HotKey", 0) & 0xFFFF);
        rows.push_back({s.readString(section, "Name", section), store::shortCutText(hotKey, keyboard),
                        s.readString(section, "Trigger", ""), kindImage(s.readInt(section, "Type", 1))});
    }
    return rows;
}

}  // namespace kv::manager
