#include "store/scope.hpp"

#include "core/text.hpp"
#include "os/os.hpp"

namespace kv::store {

namespace {

// Calls part(text) for each non-blank part of the list; stops at true.
template <class F>
bool anyPart(std::string_view list, F part) {
    while (true) {
        const std::size_t bar = list.find('|');
        const std::string_view p = trimBlanks(list.substr(0, bar));
        if (!p.empty() && part(p)) return true;
        if (bar == std::string_view::npos) return false;
        list.remove_prefix(bar + 1);
    }
}

bool endsWithExe(std::string_view p) {
    return p.size() > 4 && equalsIgnoringAsciiCase(p.substr(p.size() - 4), ".exe");
}

std::string_view fileNamePart(std::string_view p) {
    const std::size_t slash = p.find_last_of("\\/");
    return slash == std::string_view::npos ? p : p.substr(slash + 1);
}

}  // namespace

bool listHasParts(std::string_view list) {
    return anyPart(list, [](std::string_view) { return true; });
}

bool listNames(std::string_view list, const Place& place, os::Files& names) {
    const std::string title = os::upperCased(place.title);
    return anyPart(list, [&](std::string_view part) {
        if (endsWithExe(part))
            return !place.program.empty() && names.sameName(fileNamePart(part), fileNamePart(place.program));
        return title.find(os::upperCased(part)) != std::string::npos;
    });
}

bool runsAt(const Macro& m, const Place& place, os::Files& names) {
    if (listHasParts(m.onlyIn) && !listNames(m.onlyIn, place, names)) return false;
    return !listNames(m.notIn, place, names);
}

}  // namespace kv::store
