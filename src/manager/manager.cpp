#include "manager/manager.hpp"

#include "core/error.hpp"
#include "manager/print_list.hpp"
#include "manager/shortcuts.hpp"
#include "store/macro_repository.hpp"

namespace kv::manager {

std::string statusText(const std::string& name, int type) {
    switch (type) {
        case 1: return name + " - Starts an Application or Document";
        case 2: return name + " - Plays back Keystrokes";
        case 3: return name + " - Plays back Mouse and Keyboard";
        case 4: return name + " - Advanced Macro";
        default: return name;
    }
}

ManagerPresenter::ManagerPresenter(os::System& sys, os::ShellLinks& links, os::Printing& printing,
                                   ManagerView& view, ManagerHost& host)
    : sys_(sys), links_(links), printing_(printing), view_(view), host_(host) {
    enabled_.fill(false);
}

void ManagerPresenter::enable(Command c, bool on) {
    enabled_[static_cast<std::size_t>(c)] = on;
    view_.enableCommand(c, on);
}

void ManagerPresenter::fillMacroList() {
    if (view_.isVisible())
        refill();
    else
        outOfDate_ = true;
}

void ManagerPresenter::showing() {
    bringUpToDate();
}

void ManagerPresenter::refill() {
    outOfDate_ = false;
    rows_ = macroListRows(store::Store(sys_.files, sys_.storePath), sys_.keyboard);
    std::vector<ListRow> shown;
    shown.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const MacroRow& r = rows_[i];
        const bool refused = !r.hotKey.empty() && host_.hotKeyRefused(static_cast<int>(i) + 1);
        shown.push_back({r.name, refused ? r.hotKey + kInUseMarker : r.hotKey, r.trigger, r.image, r.enabled,
                         r.abbreviation});
    }
    view_.showRows(shown);
}

std::string ManagerPresenter::selectedStatus(int row) const {
    const store::Macro macro = store::MacroRepository(sys_).read(row + 1);
    std::string text = statusText(macro.nameOr(""), macro.kindOr(0));
    if (static_cast<std::size_t>(row) < rows_.size() && !rows_[row].hotKey.empty() &&
        host_.hotKeyRefused(row + 1))
        text += " - the hot key " + rows_[row].hotKey + " is taken by another program or macro";
    return text;
}

void ManagerPresenter::listClick() {
    const int row = view_.selectedRow();
    const bool on = !rows_.empty() && row >= 0;
    view_.setStatus(on ? selectedStatus(row) : std::string());
    for (Command c :
         {Command::DeleteButton, Command::DeleteItem, Command::PropertiesItem, Command::CreateShortcut})
        enable(c, on);
}

void ManagerPresenter::listMouseUp() {
    const bool on = !rows_.empty() && view_.selectedRow() >= 0 && view_.focusedRow() >= 0;
    for (int c = 0; c < kCommandCount; ++c) enable(static_cast<Command>(c), on);
}

void ManagerPresenter::listKeyUp() {
    const int row = view_.selectedRow();
    if (row >= 0 && view_.isForeground()) view_.setStatus(selectedStatus(row));
}

void ManagerPresenter::help() {
    host_.openHelp();
}

void ManagerPresenter::newMacro() {
    host_.openWizard();
}

void ManagerPresenter::properties() {
    const int row = view_.selectedRow();
    if (row >= 0) host_.openProperties(row + 1);
}

void ManagerPresenter::deleteMacro() {
    const int row = view_.selectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
    if (!sys_.dialogs.confirm("Are you sure you want to delete this macro?")) return;
    const std::string caption = rows_[row].name;
    // The store first: when it cannot be written the macro stays, files and all.
    const std::optional<int> deleted = store::MacroRepository(sys_).remove(row + 1, caption);
    if (deleted == row + 1) {
        rows_.erase(rows_.begin() + row);
        view_.removeRow(row);
    } else {
        // Another copy of Keyvale changed the store: the list shows it anew.
        refill();
    }
    for (Command c : {Command::DeleteButton, Command::DeleteItem, Command::CreateShortcut}) enable(c, false);
    host_.loadHotKeys();
}

void ManagerPresenter::exportSelected() {
    std::vector<int> slots;
    for (int row : view_.selectedRows())
        if (row >= 0 && static_cast<std::size_t>(row) < rows_.size()) slots.push_back(row + 1);
    if (!slots.empty()) host_.exportMacros(slots);
}

void ManagerPresenter::hide() {
    view_.hide();
    host_.savePosition();
}

void ManagerPresenter::closeQuery() {
    if (view_.isVisible()) host_.savePosition();
    view_.hide();
}

void ManagerPresenter::createShortcut(os::ShellFolder folder) {
    const int row = view_.selectedRow();
    if (row < 0) return;
    manager::createShortcut(sys_, links_, folder, row + 1);
}

void ManagerPresenter::printList() {
    auto job = printing_.choosePrinterAndStart("Keyvale Macro List");
    if (!job) return;
    bringUpToDate();
    printLines(*job, printedLines(rows_));
}

std::vector<std::string> ManagerPresenter::rowNames() {
    bringUpToDate();
    std::vector<std::string> names;
    for (const MacroRow& r : rows_) names.push_back(r.name);
    return names;
}

void ManagerPresenter::addRow(int image, const std::string& caption, const std::string& hotKeyText) {
    // Rows out of date are built from the store, which holds the new macro.
    if (outOfDate_) return;
    rows_.push_back({caption, hotKeyText, "", image});
    view_.addRow({caption, hotKeyText, "", image});
}

void ManagerPresenter::setEnabled(int row, bool on) {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || rows_[row].enabled == on) return;
    store::MacroRepository macros(sys_);
    // The macro the row shows, found by its name: another copy of Keyvale
    // may have moved the slots since the list was filled.
    if (!macros.setEnabled(row + 1, rows_[row].name, on)) {
        refill();
        return;
    }
    rows_[row].enabled = on;
    // The hot-key table follows the store, and the list with it.
    host_.loadHotKeys();
}

void ManagerPresenter::toggleSelectedEnabled() {
    const int row = view_.selectedRow();
    if (row >= 0) setEnabled(row, !selectedEnabled());
}

bool ManagerPresenter::selectedEnabled() const {
    const int row = view_.selectedRow();
    return row >= 0 && static_cast<std::size_t>(row) < rows_.size() && rows_[row].enabled;
}

}  // namespace kv::manager
