#include "hotkeys/abbreviations.hpp"

#include <algorithm>

#include "core/utf8.hpp"
#include "os/os.hpp"
#include "store/macro_repository.hpp"
#include "store/scope.hpp"

namespace kv::hotkeys {

namespace {

std::u32string decoded(std::string_view text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) out += decodeUtf8(text, i);
    return out;
}

std::u32string folded(std::u32string text) {
    for (char32_t& c : text) c = os::upperCasedChar(c);
    return text;
}

bool blankOrControl(char32_t c) {
    return c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0x1680 || (c >= 0x2000 && c <= 0x200B) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000 || c == 0xFEFF;
}

// The case the user typed the abbreviation in, judged on the letters the
// stored text has in lower case: all of them (two at least) in capitals, or
// only the first.
TextCase caseTyped(std::u32string_view stored, std::u32string_view typed) {
    std::size_t letters = 0, capitals = 0;
    bool firstCapital = false;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const char32_t upper = os::upperCasedChar(stored[i]);
        if (upper == stored[i]) continue;
        const bool capital = typed[i] == upper;
        if (letters == 0) firstCapital = capital;
        ++letters;
        capitals += capital ? 1 : 0;
    }
    if (letters >= 2 && capitals == letters) return TextCase::Upper;
    if (firstCapital && capitals == 1) return TextCase::FirstUpper;
    return TextCase::AsWritten;
}

}  // namespace

bool abbreviationAllowed(std::string_view abbreviation) {
    if (!isValidUtf8(abbreviation)) return false;
    const std::u32string text = decoded(abbreviation);
    return !text.empty() && text.size() <= kMaxAbbreviationChars &&
           std::none_of(text.begin(), text.end(), blankOrControl);
}

bool sameAbbreviation(std::string_view a, std::string_view b) {
    return folded(decoded(a)) == folded(decoded(b));
}

bool endsWord(char32_t c) {
    switch (c) {
        case ' ':
        case '\t':
        case '\r':
        case '\n':
        case '.':
        case ',':
        case ';':
        case ':':
        case '!':
        case '?':
        case '\'':
        case '"':
        case ')':
        case ']':
        case '}':
        case '-': return true;
        default: return false;
    }
}

void AbbreviationMatcher::setTable(const std::vector<store::Macro>& macros) {
    table_.clear();
    folded_.clear();
    for (const store::Macro& m : macros) {
        if (m.abbreviation.empty() || !abbreviationAllowed(m.abbreviation)) continue;
        std::u32string key = folded(decoded(m.abbreviation));
        if (std::find(folded_.begin(), folded_.end(), key) != folded_.end()) continue;
        table_.push_back({m.slot, decoded(m.abbreviation), m.immediate});
        folded_.push_back(std::move(key));
    }
}

std::optional<Expansion> AbbreviationMatcher::endingAt(std::size_t end, bool immediate) const {
    // The longest abbreviation that ends there and starts a word.
    std::optional<Expansion> found;
    std::size_t longest = 0;
    for (std::size_t i = 0; i < table_.size(); ++i) {
        const std::u32string& key = folded_[i];
        if (table_[i].immediate != immediate || key.size() > end || key.size() <= longest) continue;
        const std::size_t start = end - key.size();
        const bool wordStart = start == 0 ? whole_ : endsWord(typed_[start - 1]);
        if (!wordStart) continue;
        bool same = true;
        for (std::size_t k = 0; k < key.size() && same; ++k)
            same = os::upperCasedChar(typed_[start + k]) == key[k];
        if (!same) continue;
        longest = key.size();
        found = Expansion{table_[i].slot, key.size(), std::nullopt,
                          caseTyped(table_[i].text, std::u32string_view(typed_).substr(start, key.size()))};
    }
    return found;
}

std::optional<Expansion> AbbreviationMatcher::typed(char32_t c) {
    std::optional<Expansion> found;
    if (endsWord(c)) {
        found = endingAt(typed_.size(), false);
        if (found) {
            found->erase += 1;
            found->ending = c;
        }
    }
    if (found) {
        // The ending character, typed again after the macro, starts the next word.
        typed_.assign(1, c);
        whole_ = true;
        return found;
    }
    typed_ += c;
    if (typed_.size() > kTypedMemory) {
        typed_.erase(0, typed_.size() - kTypedMemory);
        whole_ = false;
    }
    found = endingAt(typed_.size(), true);
    if (found) clear();
    return found;
}

void AbbreviationMatcher::backspace() {
    if (typed_.empty())
        whole_ = false;  // it erased a character typed before the buffer began
    else
        typed_.pop_back();
}

void AbbreviationMatcher::clear() {
    typed_.clear();
    whole_ = true;
}

}  // namespace kv::hotkeys

namespace kv::hotkeys {

AbbreviationTrigger::AbbreviationTrigger(os::System& sys, RunRequests& runs, AbbreviationHost& host)
    : sys_(sys), runs_(runs), host_(host) {}

AbbreviationTrigger::~AbbreviationTrigger() {
    if (watching_) sys_.typing->stop();
}

void AbbreviationTrigger::load(const store::StoreSnapshot& snapshot) {
    macros_.clear();
    for (store::Macro& m : store::MacroRepository::all(
             snapshot, store::kAbbreviationField | store::kImmediateField | store::kEnabledField |
                           store::kOnlyInField | store::kNotInField))
        if (m.enabled && !m.abbreviation.empty()) macros_.push_back(std::move(m));
    matcher_.setTable(macros_);
    matcher_.clear();
    // Nobody's typing is watched for nothing.
    const bool wanted = matcher_.size() > 0 && sys_.typing;
    if (wanted && !watching_)
        watching_ = sys_.typing->start([this](const os::TypedEvent& e) { typed(e); });
    else if (!wanted && watching_) {
        sys_.typing->stop();
        watching_ = false;
    }
}

void AbbreviationTrigger::typed(const os::TypedEvent& event) {
    switch (event.kind) {
        case os::TypedEvent::Kind::Clear: matcher_.clear(); return;
        case os::TypedEvent::Kind::Backspace: matcher_.backspace(); return;
        case os::TypedEvent::Kind::Text: break;
    }
    for (std::size_t i = 0; i < event.text.size();) {
        const char32_t c = decodeUtf8(event.text, i);
        if (!host_.expanding()) {
            // Typed into a macro's own windows or while one runs: no word
            // started there may complete later.
            matcher_.clear();
            continue;
        }
        if (const auto found = matcher_.typed(c)) expand(*found);
    }
}

namespace {

// The ending character as a key string: the keys that type it again (a lone
// brace is typed as itself).
std::string endingKeys(char32_t c) {
    switch (c) {
        case '\t': return "{TAB}";
        case '\r':
        case '\n': return "{ENTER}";
        default: {
            std::string keys;
            appendUtf8(keys, c);
            return keys;
        }
    }
}

}  // namespace

void AbbreviationTrigger::expand(const Expansion& e) {
    if (sys_.typing->passwordFocused()) return;
    const auto m =
        std::find_if(macros_.begin(), macros_.end(), [&](const store::Macro& x) { return x.slot == e.slot; });
    if (m == macros_.end()) return;
    if (store::scoped(*m)) {
        const os::WindowHandle front = sys_.windows.foreground();
        const store::Place place{sys_.windows.programName(front), sys_.windows.title(front, 1023)};
        if (!store::runsAt(*m, place, sys_.files)) return;
    }
    std::string erase;
    for (std::size_t i = 0; i < e.erase; ++i) erase += "{BKSP}";
    sys_.guard.run([&] { host_.sendKeys(erase); });
    runs_.runMacro(e.slot, Road::Abbreviation, e.textCase);
    if (e.ending) sys_.guard.run([&] { host_.sendKeys(endingKeys(*e.ending)); });
}

}  // namespace kv::hotkeys
