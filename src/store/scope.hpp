#pragma once
// Where a macro's hot key runs it: two lists, "Only in" and "Not in", of
// program file names ("outlook.exe") and parts of window titles ("- Word"),
// separated by "|", judged against the foreground window.

#include <string>
#include <string_view>

#include "store/macro.hpp"

namespace kv::os {
class Files;
}

namespace kv::store {

// The foreground window as a scope sees it: its program's file name (empty
// when it cannot be queried) and its title.
struct Place {
    std::string program;
    std::string title;
};

// Whether the list names the place: a part ending in ".exe" names a program
// (compared as file names are), any other part is looked for in the title;
// both without regard to case. Blanks around a part are no part of it.
bool listNames(std::string_view list, const Place& place, os::Files& names);
// Whether a list holds any part at all: an empty list, blanks or a lone
// "|" set no condition.
bool listHasParts(std::string_view list);

// Whether the macro has a scope at all.
inline bool scoped(const Macro& m) {
    return listHasParts(m.onlyIn) || listHasParts(m.notIn);
}
// Whether the macro runs at the place: it matches "Only in" when that is
// given, and does not match "Not in".
bool runsAt(const Macro& m, const Place& place, os::Files& names);

}  // namespace kv::store
