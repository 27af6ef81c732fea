#pragma once
// Saving the script of an existing advanced macro from the editor, under the
// name typed in the properties dialog, without ever leaving the macro
// without its script.
//
// Three names are in play while the properties dialog is open: the stored
// name (the store's FileName, which only the dialog's OK changes), the name
// of the last save (ScriptBaseName) and the name now typed. Until the dialog
// settles, the file under the stored name holds the saved script too, so
// that Cancel leaves a store whose FileName opens the current script.

#include <string>

#include "os/os.hpp"

namespace kv::authoring {

// Writes script under newName (trailing blanks removed) + ".key": a complete
// temporary file first, then renamed over the target. When the stored name
// is another file, that file is rewritten the same way; a file under the name
// of an earlier save that is neither is removed. Names are compared without
// regard to case, as the file system does. Raises "Unable to write to %s"
// when a write fails; the files written before stay as they were.
// Returns the new ScriptBaseName.
std::string saveScriptInPlace(os::Files& files, const std::string& programDirectory,
                              const std::string& storedBaseName, const std::string& oldBaseName,
                              const std::string& newName, const std::string& script);

// When the properties dialog settles: removes the script file under
// dropBaseName unless it is the file under keepBaseName. After OK the stored
// name is dropped and the saved one kept; after Cancel the other way round.
void dropScriptFile(os::Files& files, const std::string& programDirectory, const std::string& keepBaseName,
                    const std::string& dropBaseName);

}  // namespace kv::authoring
