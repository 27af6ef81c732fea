#include "playback/tokens.hpp"

#include <string>

namespace kv::playback {

namespace {

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string braced(std::string_view prefix, std::string_view name) {
    std::string keys(prefix);
    keys += '{';
    keys += name;
    keys += '}';
    return keys;
}

}  // namespace

std::string_view modifierPrefix(ModifierState state) {
    switch (state) {
        case ModifierState::Ctrl: return "^";
        case ModifierState::Alt: return "@";
        case ModifierState::Shift: return "~";
        case ModifierState::CtrlAlt: return "^@";
        case ModifierState::CtrlShift: return "^~";
        case ModifierState::ShiftAlt: return "~@";
    }
    return {};
}

bool startsWithToken(std::string_view text, std::string_view token) {
    if (text.size() < token.size()) return false;
    for (std::size_t i = 0; i < token.size(); ++i)
        if (upper(text[i]) != token[i]) return false;
    return true;
}

std::string_view translateKeyToken(SendKey& sender, std::string_view text, ModifierState state) {
    for (const KeyToken& k : kKeyTokens) {
        if (k.afterModifier && startsWithToken(text, k.token)) {
            sender.send(braced(modifierPrefix(state), k.braceName));
            return text.substr(k.token.size());
        }
    }
    // Not a key that takes a modifier: the modifier is dropped and the rest
    // of the token is typed as text.
    return text.substr(2);
}

std::optional<std::string_view> processKeystrokeToken(SendKey& sender, std::string_view text) {
    for (const ModifierToken& m : kModifierTokens) {
        if (!startsWithToken(text, m.token)) continue;
        const std::string_view rest = text.substr(m.token.size());
        if (rest.starts_with("<<")) return translateKeyToken(sender, rest, m.state);
        // The modifier applies to the one plain character after it; at the
        // end of the script the bare prefix stays pending in the sender.
        std::string keys(modifierPrefix(m.state));
        keys += rest.substr(0, 1);
        sender.send(keys);
        return rest.substr(rest.empty() ? 0 : 1);
    }
    for (const KeyToken& k : kKeyTokens) {
        if (startsWithToken(text, k.token)) {
            sender.send(braced({}, k.braceName));
            return text.substr(k.token.size());
        }
    }
    return std::nullopt;
}

}  // namespace kv::playback
