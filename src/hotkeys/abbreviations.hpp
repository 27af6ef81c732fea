#pragma once
// Abbreviations: a macro runs when its abbreviation is typed in any program.
// The matcher holds the last characters the user typed (in memory only) and
// the table of abbreviations, and says which macro a character completes.
// It knows nothing of hooks or windows: it is fed characters, Backspaces and
// "clear" events by the input thread, in the order they were typed.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/run_requests.hpp"
#include "os/os.hpp"
#include "store/macro.hpp"
#include "store/store.hpp"

namespace kv::hotkeys {

// The longest abbreviation, and how many typed characters are kept.
inline constexpr std::size_t kMaxAbbreviationChars = 32;
inline constexpr std::size_t kTypedMemory = 64;

// 1 to 32 characters, none of them blank or a control character.
bool abbreviationAllowed(std::string_view abbreviation);
// Whether two abbreviations are one, compared ignoring case.
bool sameAbbreviation(std::string_view a, std::string_view b);
// Characters that end a word: an abbreviation expands when one follows it,
// and must come after one (or at the start of the typed text).
bool endsWord(char32_t c);

inline constexpr const char* kWizardAbbreviationRefused =
    "Please type an abbreviation of 1 to 32 characters with no blanks, or none at all.";
inline constexpr const char* kPropertiesAbbreviationRefused =
    "Please enter an abbreviation of 1 to 32 characters with no blanks, or none at all.";
// %s: the name of the macro that has the abbreviation.
inline constexpr const char* kAbbreviationTaken =
    "You have selected the abbreviation of the macro %s, please select another.";

// What a typed character completed: erase that many characters (the
// abbreviation and its ending character), run the macro, then type the
// ending character again.
struct Expansion {
    int slot = 0;
    std::size_t erase = 0;
    std::optional<char32_t> ending;
    TextCase textCase = TextCase::AsWritten;
    bool operator==(const Expansion&) const = default;
};

class AbbreviationMatcher {
public:
    struct Entry {
        int slot = 0;
        std::u32string text;  // as stored
        bool immediate = false;
    };
    // The macros that may expand, in slot order. The first of two with one
    // abbreviation keeps it; a malformed one is left out.
    void setTable(const std::vector<store::Macro>& macros);
    std::size_t size() const { return table_.size(); }

    // The user typed c; the expansion it completes, if any.
    std::optional<Expansion> typed(char32_t c);
    void backspace();
    // A click, a move of the caret, a shortcut or another window: what was
    // typed before no longer stands before the caret.
    void clear();

private:
    std::optional<Expansion> endingAt(std::size_t end, bool immediate) const;

    std::vector<Entry> table_;
    // Upper-cased copies of table_[i].text.
    std::vector<std::u32string> folded_;
    std::u32string typed_;
    // Whether typed_ holds everything since the last clear (its first
    // character then starts a word).
    bool whole_ = true;
};

// What typing an abbreviation needs of the rest of the program.
class AbbreviationHost {
public:
    virtual ~AbbreviationHost() = default;
    // False while nothing may expand: paused, a macro running, a recording,
    // the setup wizard or the properties dialog open.
    virtual bool expanding() = 0;
    // Sends a key string as a script would (the erase and the ending key).
    virtual void sendKeys(const std::string& keys) = 0;
};

// The abbreviation trigger: rebuilt from the store after every change, as
// the hot keys are, and fed what the user types. It watches typing only
// while some macro has an abbreviation.
class AbbreviationTrigger {
public:
    AbbreviationTrigger(os::System& sys, RunRequests& runs, AbbreviationHost& host);
    ~AbbreviationTrigger();
    AbbreviationTrigger(const AbbreviationTrigger&) = delete;
    AbbreviationTrigger& operator=(const AbbreviationTrigger&) = delete;

    void load(const store::StoreSnapshot& snapshot);
    void typed(const os::TypedEvent& event);
    bool watching() const { return watching_; }

private:
    void expand(const Expansion& e);

    os::System& sys_;
    RunRequests& runs_;
    AbbreviationHost& host_;
    AbbreviationMatcher matcher_;
    // The scopes of the macros in the table, by slot.
    std::vector<store::Macro> macros_;
    bool watching_ = false;
};

}  // namespace kv::hotkeys
