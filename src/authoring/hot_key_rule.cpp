#include "authoring/hot_key_rule.hpp"

#include "store/macros.hpp"
#include "store/shortcut.hpp"

namespace kv::authoring {

std::optional<std::string> hotKeyProblem(os::System& sys, std::uint16_t hotKey, const char* refused) {
    if (hotKeyRefused(hotKey)) return std::string(refused);
    if (hotKey == 0) return std::nullopt;
    // One reading for both keys.
    const store::StoreSnapshot reading(store::Store(sys.files, sys.storePath));
    for (const auto& [key, message] : {std::pair{store::kRunMacroHotKey, kHotKeyOpensRunMacro},
                                       std::pair{store::kPauseHotKey, kHotKeyPauses}}) {
        if (static_cast<std::uint16_t>(reading.readInt(store::kMain, key, 0)) != hotKey) continue;
        std::string text = message;
        text.replace(text.find("%s"), 2, store::shortCutText(hotKey, sys.keyboard));
        return text;
    }
    return std::nullopt;
}

}  // namespace kv::authoring
