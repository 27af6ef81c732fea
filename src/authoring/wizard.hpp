#pragma once
// The setup wizard's decisions: the page machine (Next, Back, the summary,
// Finish), validation with its message texts, what Finish writes to the
// store and to files, recording and trying out through the journal, the
// stop-recording hot key, hints, and the opening and closing rules of new
// and edit mode. The form only shows what this says.

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "authoring/hints.hpp"
#include "authoring/script_file.hpp"
#include "authoring/wizard_host.hpp"
#include "hotkeys/hot_key_slots.hpp"
#include "journal/journal.hpp"
#include "os/os.hpp"
#include "playback/run_state.hpp"
#include "store/macro.hpp"

namespace kv::authoring {

enum class WizardPage {
    Start,
    Name,
    HotKey,
    StartApp,
    KeysOrMouse,
    RecordKeys,
    RecordMouse,
    Script,
    Finished
};

// The start page's choice: an advanced macro, a recording, or a program.
enum class StartChoice { Advanced, Record, StartApp };

enum class WizardButton {
    Back,
    Next,
    Finished,
    Save,
    StartKeys,
    StopKeys,
    PlayKeys,
    RecordMouse,
    StopMouse,
    PlayMouse,
};
inline constexpr std::size_t kWizardButtons = 10;

enum class WizardFocus { Name, HotKey, Abbreviation, Browse, Script, KeysArea };

// What the user has entered, as the form's controls hold it.
struct WizardFields {
    StartChoice start = StartChoice::Advanced;
    bool keysOnly = true;  // "Only capture keystrokes." rather than all mouse and keyboard actions
    std::string name;
    std::uint16_t hotKey = 0;
    std::string trigger;
    std::string onlyIn, notIn;  // where the hot key runs the macro
    std::string abbreviation;   // typed anywhere, it runs the macro
    bool immediate = false;     // expands on its last character
    int shortcut = 0;           // index in the drop-down; 0 is "No Shortcut"
    std::string commandLine;
    bool highSpeed = false;
    std::string script;  // lines ended by CR LF
    store::Insert insert = store::Insert::Type;
    store::PasteKeys pasteKeys = store::PasteKeys::CtrlV;
};

struct WizardSummary {
    std::string name, type, shortcutKeys, trigger;
};

class WizardView {
public:
    virtual ~WizardView() = default;
    virtual WizardFields fields() = 0;
    // Empties the name, command line, window title and script; hot key 0.
    virtual void clearFields() = 0;
    virtual void setShortcut(int index) = 0;
    virtual void setCommandLine(const std::string& text) = 0;
    // Shows the page and hides every other.
    virtual void showPage(WizardPage page) = 0;
    virtual void showButton(WizardButton b, bool on) = 0;
    virtual void enableButton(WizardButton b, bool on) = 0;
    virtual void showEditPicture(bool on) = 0;
    // The script page's choice of how the text arrives; hidden in edit
    // mode, where the properties dialog holds it.
    virtual void showArrivalChoice(bool) {}
    virtual void setSummary(const WizardSummary& s) = 0;
    virtual void focus(WizardFocus f) = 0;
    virtual bool wizardVisible() = 0;
    virtual void hideWizard() = 0;
    // Shows the wizard again on top of all windows, without moving it.
    virtual void showWizardOnTop() = 0;
    // Ends the wizard's modal showing; the form then calls formClose.
    virtual void close() = 0;
    // The script page's text.
    virtual void setScript(const std::string& text) = 0;
    // Shows the wizard modally as it is arranged; returns once it is closed.
    virtual void runModal() = 0;
};

// The summary texts of the four kinds.
const char* kindSummary(int kind);

class Wizard : private hotkeys::HotKeyListener {
public:
    static constexpr std::uint16_t kStopRecordHotKey = 24699;  // Shift+Ctrl+F12

    // view is told nothing until viewCreated: a form that owns its wizard
    // passes itself before its controls exist.
    Wizard(os::System& sys, journal::Journal& journal, playback::RunState& state, WizardHost& host,
           Hints& hints, WizardView& view);
    // The view's controls exist: it is shown the wizard's state.
    void viewCreated();

    // Opening and closing (FormShow, FormClose).
    void formShow();
    void formClose();

    // The properties dialog's "Edit Macro": the wizard in edit mode, only its
    // script page, showing request.script. Its Save writes the script to the
    // data folder under request.newBaseName (ScriptEditSession) and closes
    // the wizard. Returns the base name saved under, or nothing when the
    // user cancelled (or the wizard is already open).
    std::optional<std::string> editScript(const ScriptEditRequest& request);
    // Edit mode, as editScript arranges it before it shows the wizard.
    void arrangeForEdit();
    // Back to the state of a new macro (all pages hidden but the first,
    // fields empty, both Playback buttons disabled), edit mode cleared.
    void resetToNewState();
    void setEditMode(bool on) { editMode_ = on; }
    bool editMode() const { return editMode_; }
    bool wizardRecording() const { return wizardRecording_; }

    // Buttons and keys.
    void next();
    void back();
    void finish();
    void cancel();
    void save();
    void browse();
    void hotKeyHelp();
    void winTitleHelp();
    // The focus left the hot-key field (not for Cancel): a refused hot key
    // is explained at once.
    void hotKeyLeft();
    void keyUp(unsigned vk);
    void recordMouse();
    void stopMouse();
    void playMouse();
    void startKeys();
    void stopKeys();
    void playKeys();
    // Shift+Ctrl+F12 while the stop hot key is enabled.
    void stopHotKeyPressed();
    // The journal's end of any replay.
    void recorderFinished();

    WizardPage page() const { return page_; }
    bool enabled(WizardButton b) const { return enabled_[index(b)]; }
    bool shown(WizardButton b) const { return shown_[index(b)]; }
    hotkeys::HotKeyComponent& stopHotKey() { return stopHotKey_; }
    // The kind that the start page and the keystroke choice give.
    static int kindOf(const WizardFields& f);

private:
    static std::size_t index(WizardButton b) { return static_cast<std::size_t>(b); }
    // The stop hot key fired.
    void hotKeyPressed(hotkeys::HotKeyComponent&, unsigned key, store::ShortCut shift) override;
    void enable(WizardButton b, bool on);
    void showButton(WizardButton b, bool on);
    void showPage(WizardPage p);
    void focus(WizardFocus f);
    void goToSummary();
    void fillSummary(const WizardFields& f);
    bool nameAccepted(const WizardFields& f);
    void startRecording(bool keysOnly);
    // Stops the journal; what went wrong comes back, to be raised once the
    // hidden windows are shown again.
    std::exception_ptr stopRecording();
    WizardPage lastPageOfKind(const WizardFields& f) const;

    os::System& sys_;
    journal::Journal& journal_;
    playback::RunState& state_;
    WizardHost& host_;
    Hints& hints_;
    WizardView* view_;
    hotkeys::HotKeyComponent stopHotKey_;

    WizardPage page_ = WizardPage::Start;
    std::array<bool, kWizardButtons> enabled_{};
    std::array<bool, kWizardButtons> shown_{};
    bool editMode_ = false;
    // While editScript shows the wizard: where Save writes.
    struct Editing {
        ScriptEditSession& session;
        const std::string& newBaseName;
        std::optional<std::string>& saved;
    };
    std::optional<Editing> editing_;
    bool modal_ = false;
    bool wizardRecording_ = false;
    // The wizard started the recording that is running now.
    bool recording_ = false;
    // The file of the latest recording, which Play replays.
    std::string recordedPath_;
};

}  // namespace kv::authoring
