#pragma once
// Carrying macros to another computer or another user: "Export..." writes
// the chosen macros into one macro file, "Import Macros..." reads one and
// shows, for each macro in it, what adding it would do before anything is
// written.

#include <optional>
#include <string>
#include <vector>

#include "os/os.hpp"
#include "store/macro_file.hpp"
#include "store/macro_import.hpp"

namespace kv::authoring {

inline constexpr const char* kMacroFileFilter = "Keyvale Macros (*.kvmacros)|*.kvmacros|All Files (*.*)|*.*";

// The program's rules for a macro to import: its name as a new macro's
// name, its recording as the player reads one.
store::ImportRules importRules();

// Asks where to save, then writes the macros of the slots (every macro when
// none are given). Says which macros went without their data file. False
// when the user cancelled.
bool exportMacros(os::System& sys, const std::vector<int>& slots = {});

// The macros of the macro file at path; raises "%s is not a Keyvale macro
// file" for anything else.
std::vector<store::FileMacro> readMacroFileAt(os::System& sys, const std::string& path);
// Asks for a macro file; nothing when cancelled.
std::optional<std::string> chooseMacroFile(os::System& sys);

// A row of the import window.
struct ImportRow {
    std::string name;     // as the file has it
    std::string outcome;  // what adding it does
    bool checked = true;
    bool refused = false;  // its check box stays clear
    bool operator==(const ImportRow&) const = default;
};

class ImportView {
public:
    virtual ~ImportView() = default;
    virtual void showRows(const std::vector<ImportRow>& rows) = 0;
    virtual void enableOk(bool on) = 0;
};

class ImportPresenter {
public:
    // The window shows the file's macros, every one that can be added ticked.
    ImportPresenter(os::System& sys, ImportView& view, std::vector<store::FileMacro> file);

    // A check box was ticked or cleared; a refused macro stays clear.
    void setChecked(int row, bool on);
    // OK: the ticked macros are added in one write of the store. Returns
    // how many; an error is raised with nothing changed.
    int ok();
    const std::vector<ImportRow>& rows() const { return rows_; }

private:
    void plan();

    os::System& sys_;
    ImportView& view_;
    std::vector<store::FileMacro> file_;
    std::vector<bool> chosen_;
    std::vector<ImportRow> rows_;
};

// What importing the macro does, as the import window says it.
std::string outcomeText(const store::ImportStep& step);

}  // namespace kv::authoring
