#pragma once
// How a script's literal text arrives: which stretches between tokens are
// typed key by key and which are pasted through the clipboard.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/run_requests.hpp"
#include "store/macro.hpp"

namespace kv::playback {

// A stretch of literal text at least this many characters long is pasted
// when a macro pastes long text and types the rest.
inline constexpr std::size_t kLongStretch = 100;

// What a run's macro says about its text.
struct Arrival {
    store::Insert insert = store::Insert::Type;
    store::PasteKeys pasteKeys = store::PasteKeys::CtrlV;
    int keyDelay = 0;  // milliseconds between keys, 0 to store::kMaxKeyDelay
    TextCase textCase = TextCase::AsWritten;

    static Arrival of(const store::Macro& m, TextCase textCase = TextCase::AsWritten) {
        return {m.insert, m.pasteKeys, m.keyDelay, textCase};
    }
};

// The literal text at the front of text: everything before the next "<<".
std::string_view literalStretch(std::string_view text);

// Literal text in the case the run types it. A first capital, once made,
// turns textCase back to AsWritten for the rest of the run.
std::string cased(std::string_view text, TextCase& textCase);

// Whether the stretch of literal text goes through the clipboard.
bool pastes(store::Insert insert, std::string_view stretch);

// A script cut as the interpreter walks it: tokens, and the literal text
// between them typed or pasted.
struct Stretch {
    enum class Kind { Token, Typed, Pasted } kind;
    std::string_view text;
    bool operator==(const Stretch&) const = default;
};
// The script's parts in order; a token is cut at its first ">>" (or at the
// end of the text), which is all that deciding the output needs.
std::vector<Stretch> stretches(std::string_view script, store::Insert insert);
// Whether any stretch of the script would be pasted.
bool pastesAny(std::string_view script, store::Insert insert);

}  // namespace kv::playback
