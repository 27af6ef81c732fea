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
    const int entries = store::readEntries(s);
    std::vector<MacroRow> rows;
    rows.reserve(static_cast<std::size_t>(entries));
    static constexpr std::string_view kKeys[] = {"Name", "HotKey", "Trigger", "Type"};
    std::optional<std::string_view> v[std::size(kKeys)];
    const auto number = [](const std::optional<std::string_view>& text, std::int32_t def) {
        return text ? store::parseInteger(*text).value_or(def) : def;
    };
    for (int n = 1; n <= entries; ++n) {
        const std::string section = store::macroSection(n);
        s.readKeys(section, kKeys, v);
        const auto hotKey = static_cast<store::ShortCut>(number(v[1], 0) & 0xFFFF);
        rows.push_back({v[0] ? std::string(*v[0]) : section, store::shortCutText(hotKey, keyboard),
                        std::string(v[2].value_or("")), kindImage(number(v[3], 1))});
    }
    return rows;
}

}  // namespace kv::manager
