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

// Writes script as the script file of newName (trailing blanks removed): a complete
// temporary file first, then renamed over the target. When the stored name
// is another file, that file is rewritten the same way; a file under the name
// of an earlier save that is neither is removed. Names are compared without
// regard to case, as the file system does. Raises "Unable to write to %s"
// when a write fails; the files written before stay as they were.
// Returns the new ScriptBaseName.
std::string saveScriptInPlace(os::Files& files, const std::string& dataFolder,
                              const std::string& storedBaseName, const std::string& oldBaseName,
                              const std::string& newName, const std::string& script);

// When the properties dialog settles: removes the script file under
// dropBaseName unless it is the file under keepBaseName. After OK the stored
// name is dropped and the saved one kept; after Cancel the other way round.
void dropScriptFile(os::Files& files, const std::string& dataFolder, const std::string& keepBaseName,
                    const std::string& dropBaseName);

// The script of an existing advanced macro while the properties dialog has
// it open: what the editor shows, Save, and the dialog's end.
// The properties dialog's "Edit Macro": the script it shows, the base name
// of the macro's stored file, the name of the last save, and the name typed
// in the dialog now.
struct ScriptEditRequest {
    std::string script;
    std::string storedBaseName;
    std::string scriptBaseName;
    std::string newBaseName;
};

class ScriptEditSession {
public:
    ScriptEditSession(os::Files& files, std::string dataFolder, std::string storedBaseName)
        : files_(files),
          directory_(std::move(dataFolder)),
          stored_(std::move(storedBaseName)),
          current_(stored_) {}

    // The script file's text without leading and trailing blanks and line
    // breaks, as the editor shows it; empty when the file cannot be read.
    std::string load() const;
    // Save in edit mode, under the name now typed in the dialog.
    void save(const std::string& typedName, const std::string& script);
    // ScriptBaseName: the name of the last save (the stored name before any).
    const std::string& scriptBaseName() const { return current_; }
    // The dialog's OK has stored scriptBaseName() as the macro's file.
    void confirmed() { dropScriptFile(files_, directory_, current_, stored_); }
    // The dialog was cancelled: the store keeps its name, which opens the saved script.
    void cancelled() { dropScriptFile(files_, directory_, stored_, current_); }

private:
    os::Files& files_;
    std::string directory_;
    std::string stored_;
    std::string current_;
};

}  // namespace kv::authoring
