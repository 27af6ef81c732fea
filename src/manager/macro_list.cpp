#include "manager/macro_list.hpp"

#include "store/macro_repository.hpp"
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
    std::vector<MacroRow> rows;
    const store::StoreSnapshot reading(store);
    rows.reserve(static_cast<std::size_t>(store::readEntries(reading)));
    store::MacroRepository::forEach(reading,
                                    store::kNameField | store::kHotKeyField | store::kTriggerField |
                                        store::kKindField | store::kEnabledField | store::kAbbreviationField,
                                    [&](const store::Macro& m) {
                                        rows.push_back({m.name ? *m.name : store::macroSection(m.slot),
                                                        store::shortCutText(m.hotKey, keyboard), m.trigger,
                                                        kindImage(m.kindOr(1)), m.enabled, m.abbreviation});
                                    });
    return rows;
}

}  // namespace kv::manager
