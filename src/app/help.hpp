#pragma once
// The program's own HTML help, beside the program file.

#include <string>

#include "os/os.hpp"

namespace kv::app {

// Opens the help topic "Operation" (F1 and the Help buttons of every window).
void openHelpTopic(os::System& sys, const std::string& topic = "Operation");

}  // namespace kv::app
