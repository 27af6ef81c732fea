#include "playback/arrival.hpp"

#include "core/utf8.hpp"
#include "os/os.hpp"
#include "playback/tokens.hpp"

namespace kv::playback {

std::string_view literalStretch(std::string_view text) {
    return text.substr(0, text.find("<<"));
}

std::string cased(std::string_view text, TextCase& textCase) {
    if (textCase == TextCase::Upper) return os::upperCased(text);
    std::string out(text);
    if (textCase != TextCase::FirstUpper) return out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t at = i;
        const char32_t c = decodeUtf8(text, i);
        if (!os::hasCase(c)) continue;
        std::string capital;
        appendUtf8(capital, os::upperCasedChar(c));
        out = std::string(text.substr(0, at)) + capital + std::string(text.substr(i));
        textCase = TextCase::AsWritten;
        break;
    }
    return out;
}

bool pastes(store::Insert insert, std::string_view stretch) {
    if (stretch.empty()) return false;
    switch (insert) {
        case store::Insert::Type: return false;
        case store::Insert::Paste: return true;
        case store::Insert::Auto: return kv::countChars(stretch) >= kLongStretch;
    }
    return false;
}

std::vector<Stretch> stretches(std::string_view script, store::Insert insert) {
    std::vector<Stretch> out;
    while (!script.empty()) {
        if (script.starts_with("<<")) {
            const std::size_t end = script.find(">>", 2);
            std::size_t size = end == std::string_view::npos ? script.size() : end + 2;
            // A modifier takes the one character after it as its key.
            for (const ModifierToken& m : kModifierTokens)
                if (startsWithToken(script, m.token) && !script.substr(size).starts_with("<<"))
                    size += firstChars(script.substr(size), 1).size();
            out.push_back({Stretch::Kind::Token, script.substr(0, size)});
            script.remove_prefix(size);
            continue;
        }
        const std::string_view literal = literalStretch(script);
        out.push_back({pastes(insert, literal) ? Stretch::Kind::Pasted : Stretch::Kind::Typed, literal});
        script.remove_prefix(literal.size());
    }
    return out;
}

bool pastesAny(std::string_view script, store::Insert insert) {
    if (insert == store::Insert::Type) return false;
    for (const Stretch& s : stretches(script, insert))
        if (s.kind == Stretch::Kind::Pasted) return true;
    return false;
}

}  // namespace kv::playback
