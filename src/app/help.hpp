#pragma once
// The program's own HTML help, beside the program file.

#include <string>
#include <string_view>

#include "os/os.hpp"

namespace kv::app {

// Opens the help topic "Operation" (F1 and the Help buttons of every window).
void openHelpTopic(os::System& sys, const std::string& topic = "Operation");

// The file URL of a Windows path, at a topic's anchor when one is given:
// backslashes become slashes and every byte that a URL cannot carry as it
// stands (blanks, "#", "%", non-ASCII) is percent-encoded, so that a folder
// named "My #1 Tools" does not cut the URL short. A UNC path \\server\share
// becomes file://server/share.
std::string fileUrl(std::string_view path, std::string_view anchor = {});

}  // namespace kv::app
