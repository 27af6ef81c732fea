#pragma once
#include <string>

#include "os/os.hpp"

namespace kv::store {

// Where macros.ini lives. The Windows directory, where the profile functions
// put a bare name, when the directory takes new files (the temporary file of
// every write) and a store there can be written; otherwise (a standard user
// on current Windows) the user's application-data folder, Keyvale\macros.ini,
// which starts as a copy of a store that only the Windows directory holds, so
// no macro is lost.
std::string chooseStorePath(os::Files& files, const std::string& windowsDirectory,
                            const std::string& appDataDirectory);

}  // namespace kv::store
