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
// A store already in the user's folder stays the store even when the Windows
// directory would take it (a user who once ran Keyvale elevated), so that no
// one has two stores.
std::string chooseStorePath(os::Files& files, const std::string& windowsDirectory,
                            const std::string& appDataDirectory);

// Where the macros' data files are written, with a trailing backslash: the
// program directory when a new file can be made there, otherwise (installed
// under Program Files for a standard user) the user's Keyvale folder beside
// the per-user store.
std::string chooseDataDirectory(os::Files& files, const std::string& programDirectory,
                                const std::string& appDataDirectory);

}  // namespace kv::store
