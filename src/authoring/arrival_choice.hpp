#pragma once
// The choice of how a script's text arrives, as the wizard's script page and
// the properties dialog show it: the ways in list order, the paste keys, and
// the pause between keys as the user types it.

#include <optional>
#include <string>
#include <string_view>

#include "store/macro.hpp"

namespace kv::authoring {

// In the order of store::Insert and store::PasteKeys.
inline constexpr const char* kInsertCaptions[] = {"Type each key", "Paste", "Paste long text, type the rest"};
inline constexpr const char* kPasteKeysCaptions[] = {"Ctrl+V", "Shift+Insert"};

inline constexpr const char* kKeyDelayMessage =
    "Please enter a pause between keys from 0 to 1000 milliseconds.";

struct ArrivalChoice {
    store::Insert insert = store::Insert::Type;
    store::PasteKeys pasteKeys = store::PasteKeys::CtrlV;
    std::string keyDelay = "0";  // as typed
    bool operator==(const ArrivalChoice&) const = default;
};

// The pause typed: a whole number of milliseconds from 0 to the most a macro
// may ask for, blanks around it allowed; nothing for anything else.
std::optional<int> parseKeyDelay(std::string_view typed);

}  // namespace kv::authoring
