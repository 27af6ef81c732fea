#include "authoring/macro_name.hpp"

#include "core/device_names.hpp"
#include "core/text.hpp"
#include "core/utf8.hpp"
#include "store/macros.hpp"

namespace kv::authoring {

std::optional<std::string> macroNameProblem(std::string_view typed) {
    if (typed.empty()) return std::nullopt;
    const std::string name = store::trimmedName(typed);
    if (name.find_first_not_of(". ") == std::string::npos)
        return "A macro name must contain something besides dots and blanks.";
    if (name.find_first_of("\\/:*?\"<>|") != std::string::npos)
        return "A macro name cannot contain any of the characters \\ / : * ? \" < > |";
    for (char c : name)
        if (static_cast<unsigned char>(c) < 32)
            return "A macro name cannot contain tabs, line breaks or other control characters.";
    if (namesDevice(name))
        return "Windows reserves the name " + name.substr(0, name.find('.')) +
               " for a device, so it cannot name a macro; please select another.";
    // Recordings in progress go to this file; a macro of this name would lose
    // its recording to the next one.
    if (equalsIgnoringAsciiCase(name, "~temp"))
        return "Keyvale keeps recordings in progress under the name ~temp; please select another.";
    return std::nullopt;
}

bool isPlainFileName(std::string_view trimmedName) {
    return !trimmedName.empty() && !macroNameProblem(trimmedName);
}

std::string singleLine(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

bool sameMacroName(os::Files& files, std::string_view a, std::string_view b) {
    return files.sameName(store::trimmedName(a), store::trimmedName(b));
}

}  // namespace kv::authoring
