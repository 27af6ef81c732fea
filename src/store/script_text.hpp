#pragma once
// A script file's text as a script runs it.

#include <string>

namespace kv::store {

// A script file's lines, each followed by CR LF.
std::string joinScriptLines(const std::string& fileBytes);

}  // namespace kv::store
