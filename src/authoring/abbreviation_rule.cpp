#include "authoring/abbreviation_rule.hpp"

#include "core/text.hpp"
#include "hotkeys/abbreviations.hpp"
#include "store/macro_repository.hpp"

namespace kv::authoring {

std::optional<std::string> abbreviationProblem(os::System& sys, std::string_view typed, int ownSlot,
                                               const char* refused) {
    const std::string_view abbreviation = trimBlanks(typed);
    if (abbreviation.empty()) return std::nullopt;
    if (!hotkeys::abbreviationAllowed(abbreviation)) return std::string(refused);
    for (const store::Macro& m :
         store::MacroRepository(sys).all(store::kNameField | store::kAbbreviationField)) {
        if (m.slot == ownSlot || !hotkeys::sameAbbreviation(m.abbreviation, abbreviation)) continue;
        std::string message = hotkeys::kAbbreviationTaken;
        message.replace(message.find("%s"), 2, m.nameOr(store::macroSection(m.slot)));
        return message;
    }
    return std::nullopt;
}

}  // namespace kv::authoring
