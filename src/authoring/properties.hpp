#pragma once
// The macro properties dialog's decisions: what it shows for each kind of
// macro, recording a macro's stream again, editing its script, and what OK
// writes to the store and does to the macro's files.
//
// No change loses a macro's data: OK moves files before it writes the store
// and writes every key in one replacement; a move that fails leaves the
// macro as it was; a new recording replaces the old stream by one rename.

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "authoring/arrival_choice.hpp"
#include "authoring/macro_name.hpp"
#include "authoring/script_editor.hpp"
#include "authoring/script_file.hpp"
#include "journal/journal.hpp"
#include "os/os.hpp"
#include "playback/run_state.hpp"

namespace kv::authoring {

inline constexpr const char* kScriptUnreadableMessage =
    "Error: Keyvale could not load the macro file for this macro";

// The kind's description shown after "Type:", empty for an unknown kind.
const char* macroKindDescription(int kind);

// Which of the kind-specific rows the dialog shows.
struct PropertiesLayout {
    std::string description;
    int picture = 0;           // the kind, 1 to 4
    bool fileRow = false;      // file name and Browse (kind 1)
    bool speedChoice = false;  // kind 3
    bool recordPanel = false;  // kinds 2 and 3
    bool editMacro = false;    // kind 4
    bool arrival = false;      // how the text arrives and the pause (kind 4)
    bool operator==(const PropertiesLayout&) const = default;
};

enum class PropertiesButton { Record, Stop, Play, Ok, Cancel };
enum class PropertiesFocus { Name, Browse, Scratch, HotKey, Abbreviation, KeyDelay };

class PropertiesView {
public:
    virtual ~PropertiesView() = default;
    virtual void setLayout(const PropertiesLayout& layout) = 0;
    virtual void setName(const std::string& text) = 0;
    virtual std::string name() = 0;
    virtual void setFileName(const std::string& text) = 0;
    virtual std::string fileName() = 0;
    virtual void setHighSpeed(bool on) = 0;
    virtual bool highSpeed() = 0;
    virtual void setHotKey(std::uint16_t shortcut) = 0;
    virtual std::uint16_t hotKey() = 0;
    virtual void setTrigger(const std::string& text) = 0;
    virtual std::string trigger() = 0;
    // Where the hot key runs the macro, and whether it is switched on.
    virtual void setScope(const std::string& onlyIn, const std::string& notIn, bool enabled) = 0;
    virtual std::string onlyIn() = 0;
    virtual std::string notIn() = 0;
    virtual bool macroEnabled() = 0;
    // The abbreviation that runs the macro, and whether it expands at once.
    virtual void setAbbreviation(const std::string&, bool /*immediate*/) {}
    virtual std::string abbreviation() { return {}; }
    virtual bool immediate() { return false; }
    // How a script's text arrives (kind 4).
    virtual void setArrival(const ArrivalChoice&) {}
    virtual ArrivalChoice arrival() { return {}; }
    // Empties the scratch area in which the user may type while recording.
    virtual void clearScratch() = 0;
    virtual void enable(PropertiesButton b, bool on) = 0;
    virtual void focus(PropertiesFocus f) = 0;
    // Hides the dialog while a mouse recording runs, and shows it again.
    virtual void showDialog(bool on) = 0;
    // Places the dialog on top of all windows, neither moved nor resized.
    virtual void bringToFront() = 0;
    // Ends the dialog's modal showing.
    virtual void close() = 0;
};

// What the dialog needs of the rest of the program.
class PropertiesHost {
public:
    virtual ~PropertiesHost() = default;
    // The stop-recording hot key Shift+Ctrl+F12.
    virtual void setStopHotKeyEnabled(bool on) = 0;
    virtual void showManager(bool on) = 0;
    virtual void refillList() = 0;
    // Re-registers every macro's hot key from the store.
    virtual void loadHotKeys() = 0;
    virtual void openHelp() = 0;
    // Shows the script editor in edit mode with request.script. Its Save
    // writes the script to the data folder as newBaseName's script file and
    // either removes the file of scriptBaseName or, while the dialog is open,
    // keeps the file of storedBaseName (the store's FileName without extension)
    // holding the saved script too; the dialog handles both. Returns the base
    // name saved under (the new ScriptBaseName), or nothing when the user
    // cancelled.
    virtual std::optional<std::string> editScript(const ScriptEditRequest& request) = 0;
};

class PropertiesPresenter {
public:
    PropertiesPresenter(os::System& sys, journal::Journal& journal, playback::RunState& state,
                        PropertiesHost& host, PropertiesView& view);

    // The dialog opens for the macro in the slot.
    void open(int slot);
    // OK; true when the dialog closed.
    bool ok();
    // Cancel, and the close box.
    void cancel();
    // The dialog became hidden.
    void hidden();
    void record();
    void stop();
    void play();
    // The end of any replay of the journal.
    void playbackFinished();
    // Shift+Ctrl+F12: stops the dialog's recording and brings the dialog
    // back; nothing when no recording of the dialog's runs.
    void stopByHotKey();
    void browse();
    void editMacro();
    // The focus left the hot-key field (not for Cancel): a refused hot key
    // is explained at once.
    void hotKeyLeft();
    void keyUp(unsigned key);

    int slot() const { return slot_; }
    int kind() const { return kind_; }
    bool recordedInDialog() const { return recordedInDialog_; }
    bool recording() const { return recording_; }
    // A mouse-and-keyboard recording has been started from the dialog in this run.
    bool mouseRecording() const { return mouseRecording_; }
    const std::string& scriptBaseName() const { return scriptBaseName_; }

private:
    // The typed name may be stored: it is not empty, follows the name rules
    // and is no other macro's. Shows the problem otherwise.
    bool checkName(const std::string& typed);
    // Stops the recording; what the stop raised, to raise once the windows
    // are back.
    std::exception_ptr stopJournal();
    void stopped();
    void closeDialog();
    // Removes a script file that a Save left beside the stored one, unless
    // it is the file the macro keeps.
    void dropSavedScript(const std::string& keepPath);

    os::System& sys_;
    journal::Journal& journal_;
    playback::RunState& state_;
    PropertiesHost& host_;
    PropertiesView* view_;

    int slot_ = 0;
    int kind_ = 0;
    std::string storedFileName_;
    std::string scriptBaseName_;
    // The file of the last Save while the one under the stored name stays too.
    std::optional<std::string> savedScriptPath_;
    bool recordedInDialog_ = false;
    bool recording_ = false;
    // A replay the dialog started runs: its keys go to the scratch area, so
    // OK and Cancel wait for its end.
    bool playing_ = false;
    bool mouseRecording_ = false;
};

}  // namespace kv::authoring
