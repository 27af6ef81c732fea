#pragma once
// The macro manager window's decisions: the list rows, the status text, which
// commands are enabled, deleting a macro, shortcuts and printing. The window
// itself is behind ManagerView; the dialogs it opens are behind ManagerHooks.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "manager/macro_list.hpp"
#include "os/os.hpp"
#include "os/printing.hpp"
#include "os/shell_links.hpp"

namespace kv::manager {

// The commands whose state follows the selection.
enum class Command { DeleteButton, EditButton, DeleteItem, PropertiesItem, CreateShortcut };
inline constexpr int kCommandCount = 5;

// A row as the list shows it.
struct ListRow {
    std::string caption;
    std::string hotKey;  // the hot-key text, marked when the system refused it
    std::string trigger;
    int image = 0;
    bool enabled = true;
    std::string abbreviation = {};
    bool operator==(const ListRow&) const = default;
};

inline constexpr const char* kInUseMarker = " (in use)";

class ManagerView {
public:
    virtual ~ManagerView() = default;
    virtual void showRows(const std::vector<ListRow>& rows) = 0;
    virtual void addRow(const ListRow& row) = 0;
    virtual void removeRow(int row) = 0;
    virtual int selectedRow() = 0;  // -1 when none
    virtual int focusedRow() = 0;   // -1 when none
    // Every selected row in list order (the list lets several be chosen).
    virtual std::vector<int> selectedRows() {
        const int row = selectedRow();
        return row < 0 ? std::vector<int>{} : std::vector<int>{row};
    }
    virtual void setStatus(const std::string& text) = 0;
    virtual void enableCommand(Command c, bool on) = 0;
    // Whether the window is the foreground window.
    virtual bool isForeground() = 0;
    virtual bool isVisible() = 0;
    virtual void hide() = 0;
};

// What the window asks of the rest of the program.
class ManagerHost {
public:
    virtual ~ManagerHost() = default;
    // "New Macro" and "&New Macro": the setup wizard, shown modally.
    virtual void openWizard() = 0;
    // Double click, "Edit Macro" and "&Properties" with a row selected: the
    // properties dialog for the macro of that slot, shown modally.
    virtual void openProperties(int slot) = 0;
    // Rebuilds the hot-key slot table, and with it the list (after a delete).
    virtual void loadHotKeys() = 0;
    // Stores the window's geometry (Hide, and closing while visible).
    virtual void savePosition() = 0;
    // Whether the system refused the hot key of the slot (taken by another
    // program or by an earlier slot).
    virtual bool hotKeyRefused(int slot) = 0;
    // "&Help": the program's help at the topic "Operation".
    virtual void openHelp() = 0;
    // "&Export...": the macros of the slots into one macro file.
    virtual void exportMacros(const std::vector<int>& /*slots*/) {}
    // "&Import Macros...": a macro file's macros, added after the user saw
    // what each becomes.
    virtual void importMacros() {}
};

// The status text for a macro: its Name and a phrase for its Type.
std::string statusText(const std::string& name, int type);

class ManagerPresenter {
public:
    ManagerPresenter(os::System& sys, os::ShellLinks& links, os::Printing& printing, ManagerView& view,
                     ManagerHost& host);

    // Rebuilds every row from one reading of the store. While the window is
    // hidden the rows are only marked out of date and built when they are
    // needed (shown, printed, compared with a new name): a hidden list of
    // thousands of macros costs start-up nothing.
    void fillMacroList();
    // The window is about to be shown.
    void showing();

    // Events of the list and the window.
    void listClick();
    void listMouseUp();
    void listKeyUp();
    void listDoubleClick() { properties(); }
    // F1 and "Help".
    void help();
    void newMacro();
    void properties();
    void deleteMacro();
    // "&Export..." of the selected macros, "&Import Macros...".
    void exportSelected();
    void importMacros() { host_.importMacros(); }
    void hide();
    // The window is being closed (it is only hidden).
    void closeQuery();
    void createShortcut(os::ShellFolder folder);
    // Prints the list as last filled; works while the window is hidden.
    void printList();
    // The check box in front of a row, and "&Enabled" for the selected row:
    // switches the macro on or off.
    void setEnabled(int row, bool on);
    void toggleSelectedEnabled();
    // Whether the selected row's macro is switched on (false: none selected).
    bool selectedEnabled() const;

    bool commandEnabled(Command c) const { return enabled_[static_cast<std::size_t>(c)]; }

    // For the setup wizard: the rows' captions in list order, and a new row
    // at the end.
    std::vector<std::string> rowNames();
    void addRow(int image, const std::string& caption, const std::string& hotKeyText);

    const std::vector<MacroRow>& rows() const { return rows_; }

private:
    void enable(Command c, bool on);
    std::string selectedStatus(int row) const;
    void refill();
    void bringUpToDate() {
        if (outOfDate_) refill();
    }

    os::System& sys_;
    os::ShellLinks& links_;
    os::Printing& printing_;
    ManagerView& view_;
    ManagerHost& host_;
    std::vector<MacroRow> rows_;
    bool outOfDate_ = false;
    std::array<bool, kCommandCount> enabled_{};
};

}  // namespace kv::manager
