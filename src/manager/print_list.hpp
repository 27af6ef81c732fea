#pragma once
// The printed macro list: the lines to print, and the plain-text channel
// that puts lines on pages.

#include <string>
#include <vector>

#include "manager/macro_list.hpp"
#include "os/printing.hpp"

namespace kv::manager {

// The heading, a rule, and one line per row with a hot-key text: three tabs
// after a text of up to 8 characters, two after a longer one, then the name.
std::vector<std::string> printedLines(const std::vector<MacroRow>& rows);

// Draws the lines as a plain-text channel does: from the top of the page at
// the left edge; a tab goes to the next multiple of 8 average character
// widths at least 2 units further (past the right edge it starts a new
// line); text that does not fit is cut and goes on on the next line; a line
// advances by its tallest text + 2 (the character height when it has no
// text); a new page begins when less than two heights of the line just
// ended remain.
void printLines(os::PrintJob& job, const std::vector<std::string>& lines);

}  // namespace kv::manager
