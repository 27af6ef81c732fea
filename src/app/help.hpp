#pragma once
// Where Help opens the program's HTML help.

#include <string>
#include <string_view>

namespace kv::app {

// The file URL of a Windows path, at a topic's anchor when one is given:
// backslashes become slashes and every byte that a URL cannot carry as it
// stands (blanks, "#", "%", non-ASCII) is percent-encoded, so that a folder
// named "My #1 Tools" does not cut the URL short. A UNC path \\server\share
// becomes file://server/share.
std::string fileUrl(std::string_view path, std::string_view anchor = {});

}  // namespace kv::app
