#include "authoring/arrival_choice.hpp"

#include "core/text.hpp"

namespace kv::authoring {

std::optional<int> parseKeyDelay(std::string_view typed) {
    const std::string_view digits = kv::trimBlanks(typed);
    if (digits.empty() || digits.size() > 4) return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > store::kMaxKeyDelay) return std::nullopt;
    return value;
}

}  // namespace kv::authoring
