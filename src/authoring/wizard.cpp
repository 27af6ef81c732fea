#include "authoring/wizard.hpp"

#include <exception>

#include "authoring/abbreviation_rule.hpp"
#include "authoring/hot_key_rule.hpp"
#include "authoring/macro_name.hpp"
#include "authoring/script_editor.hpp"
#include "core/error.hpp"
#include "core/text.hpp"
#include "hotkeys/abbreviations.hpp"
#include "store/macro_repository.hpp"
#include "store/script_text.hpp"
#include "store/shortcut.hpp"
#include "store/store.hpp"

namespace kv::authoring {

namespace {

constexpr const char* kEmptyName = "Please type a name for this macro.";
constexpr const char* kEmptyProgram =
    "Please specify an application or document to launch.  You can search for files by selecting 'Browse'.";
constexpr const char* kCancelQuestion =
    "The Macro Setup Wizard has not finished creating your macro.  Are you sure you want to exit the wizard?";
constexpr const char* kRecordMouseHint =
    "When you close this box, Keyvale will disappear and start recording all of your keyboard and mouse actions.  To end recording type Shift+Ctrl+F12.";
constexpr const char* kRecordKeysHint =
    "When you close this box, Keyvale will start to record all of the keys that you press.  You do not need to use the space at the bottom to record your keystrokes - it is only there if you need it.  You may open the program that you intend this macro to be run within and begin typing in it.  When you are finished, simply use your mouse to click the Stop Recording button in Keyvale.";
constexpr const char* kHotKeyHelp =
    "If you would like to launch this macro using a set of keys, type them directly into this area.  You may use Alt, Ctrl, and or Shift together with other keys to create a valid shortcut combination.  It is important to choose a unique set of keys that are not globally assigned or used by the program that this macro is intended for.  For more information, see the help topic \"Operation\" (F1).";
constexpr const char* kWinTitleHelp =
    "To have this macro run when a particular window appears, type the entire title (not case sensitive) of the window that you would like Keyvale to look for before running this macro.  To skip this option, leave the area blank.";
constexpr const char* kRecordingNotSaved =
    "The recording could not be saved to %s.  Please record the macro again.";
constexpr unsigned kVkF1 = 112;

std::string withPath(std::string_view text, const std::string& path) {
    const std::size_t at = text.find("%s");
    std::string s;
    s.append(text.substr(0, at));
    s.append(path);
    s.append(text.substr(at + 2));
    return s;
}

// The list image of each kind: 0 program, 1 keystrokes and scripts, 2 mouse.
int listImage(int kind) {
    return kind == store::kReplayMouseAndKeys ? 2 : kind == store::kOpenDocument ? 0 : 1;
}

}  // namespace

const char* kindSummary(int kind) {
    switch (kind) {
        case store::kOpenDocument: return "Start an Application";
        case store::kReplayKeys: return "Playback keyboard";
        case store::kReplayMouseAndKeys: return "Playback mouse and keyboard";
        case store::kScript: return "Playback advanced macro";
        default: return "";
    }
}

int Wizard::kindOf(const WizardFields& f) {
    switch (f.start) {
        case StartChoice::StartApp: return store::kOpenDocument;
        case StartChoice::Record: return f.keysOnly ? store::kReplayKeys : store::kReplayMouseAndKeys;
        case StartChoice::Advanced: break;
    }
    return store::kScript;
}

Wizard::Wizard(os::System& sys, journal::Journal& journal, playback::RunState& state, WizardHost& host,
               Hints& hints, WizardView& view)
    : sys_(sys),
      journal_(journal),
      state_(state),
      host_(host),
      hints_(hints),
      view_(&view),
      stopHotKey_(sys.hotKeys, this) {
    stopHotKey_.setEnabled(false);
    stopHotKey_.setHotKey(kStopRecordHotKey);
    enabled_.fill(true);
    shown_.fill(true);
    for (WizardButton b :
         {WizardButton::Back, WizardButton::StopKeys, WizardButton::PlayKeys, WizardButton::StopMouse})
        enabled_[index(b)] = false;
    shown_[index(WizardButton::Finished)] = false;
    shown_[index(WizardButton::Save)] = false;
}

void Wizard::hotKeyPressed(hotkeys::HotKeyComponent&, unsigned, store::ShortCut) {
    sys_.guard.run([this] { stopHotKeyPressed(); });
}

void Wizard::viewCreated() {
    view_->showPage(page_);
    for (std::size_t i = 0; i < kWizardButtons; ++i) {
        view_->enableButton(static_cast<WizardButton>(i), enabled_[i]);
        view_->showButton(static_cast<WizardButton>(i), shown_[i]);
    }
    view_->showEditPicture(false);
    view_->showArrivalChoice(true);
}

void Wizard::enable(WizardButton b, bool on) {
    enabled_[index(b)] = on;
    if (view_) view_->enableButton(b, on);
}

void Wizard::showButton(WizardButton b, bool on) {
    shown_[index(b)] = on;
    if (view_) view_->showButton(b, on);
}

void Wizard::showPage(WizardPage p) {
    page_ = p;
    if (view_) view_->showPage(p);
}

void Wizard::focus(WizardFocus f) {
    if (view_) view_->focus(f);
}

// ---- opening and closing ----

void Wizard::formShow() {
    stopHotKey_.setEnabled(true);
    if (wizardRecording_) return;  // back after a recording: page and fields stay
    if (editMode_) {
        focus(WizardFocus::Script);
        return;
    }
    state_.macroDialogOpen = true;
    resetToNewState();
    showButton(WizardButton::Finished, false);
    enable(WizardButton::Next, true);
}

void Wizard::formClose() {
    // A recording the wizard started would otherwise go on watching the
    // keyboard with nobody left to stop it.
    const std::exception_ptr failed = recording_ ? stopRecording() : nullptr;
    wizardRecording_ = false;
    stopHotKey_.setEnabled(false);
    if (!editMode_) state_.macroDialogOpen = false;
    if (failed) std::rethrow_exception(failed);
}

void Wizard::arrangeForEdit() {
    showPage(WizardPage::Script);
    if (view_) {
        view_->showEditPicture(true);
        view_->showArrivalChoice(false);
    }
    showButton(WizardButton::Next, false);
    showButton(WizardButton::Back, false);
    showButton(WizardButton::Finished, false);
    showButton(WizardButton::Save, true);
    editMode_ = true;
}

void Wizard::resetToNewState() {
    showPage(WizardPage::Start);
    if (view_) {
        view_->clearFields();
        view_->showEditPicture(false);
        view_->showArrivalChoice(true);
    }
    enable(WizardButton::PlayKeys, false);
    enable(WizardButton::PlayMouse, false);
    showButton(WizardButton::Save, false);
    showButton(WizardButton::Next, true);
    showButton(WizardButton::Back, true);
    editMode_ = false;
}

// ---- Next, Back, summary ----

bool Wizard::nameAccepted(const WizardFields& f) {
    // Compared as stored: without trailing blanks, so "Notes " is "Notes".
    for (const std::string& caption : host_.macroNames()) {
        if (sameMacroName(sys_.files, f.name, caption)) {
            sys_.dialogs.errorBox(kDuplicateNameMessage);
            focus(WizardFocus::Name);
            return false;
        }
    }
    if (store::trimmedName(f.name).empty()) {
        sys_.dialogs.errorBox(kEmptyName);
        focus(WizardFocus::Name);
        return false;
    }
    if (auto problem = macroNameProblem(f.name)) {
        sys_.dialogs.errorBox(*problem);
        focus(WizardFocus::Name);
        return false;
    }
    return true;
}

void Wizard::next() {
    if (!enabled(WizardButton::Next) || !shown(WizardButton::Next) || !view_) return;
    const WizardFields f = view_->fields();
    switch (page_) {
        case WizardPage::Start:
            showPage(WizardPage::Name);
            focus(WizardFocus::Name);
            enable(WizardButton::Back, true);
            break;
        case WizardPage::Name:
            view_->setShortcut(0);
            if (!nameAccepted(f)) return;
            showPage(WizardPage::HotKey);
            focus(WizardFocus::HotKey);
            enable(WizardButton::Back, true);
            break;
        case WizardPage::HotKey:
            if (const auto problem = hotKeyProblem(sys_, f.hotKey, kWizardHotKeyRefused)) {
                sys_.dialogs.errorBox(*problem);
                focus(WizardFocus::HotKey);
                return;
            }
            if (const auto problem =
                    abbreviationProblem(sys_, f.abbreviation, 0, hotkeys::kWizardAbbreviationRefused)) {
                sys_.dialogs.errorBox(*problem);
                focus(WizardFocus::Abbreviation);
                return;
            }
            switch (f.start) {
                case StartChoice::Advanced:
                    showPage(WizardPage::Script);
                    focus(WizardFocus::Script);
                    break;
                case StartChoice::Record: showPage(WizardPage::KeysOrMouse); break;
                case StartChoice::StartApp:
                    showPage(WizardPage::StartApp);
                    focus(WizardFocus::Browse);
                    break;
            }
            enable(WizardButton::Back, true);
            break;
        case WizardPage::StartApp:
            if (singleLine(f.commandLine).empty()) {
                sys_.dialogs.errorBox(kEmptyProgram);
                focus(WizardFocus::Browse);
                return;
            }
            goToSummary();
            break;
        case WizardPage::KeysOrMouse:
            showPage(f.keysOnly ? WizardPage::RecordKeys : WizardPage::RecordMouse);
            enable(WizardButton::Next, false);
            enable(WizardButton::Back, true);
            fillSummary(f);
            break;
        case WizardPage::RecordKeys:
        case WizardPage::RecordMouse:
        case WizardPage::Script: goToSummary(); break;
        case WizardPage::Finished: break;
    }
}

WizardPage Wizard::lastPageOfKind(const WizardFields& f) const {
    switch (kindOf(f)) {
        case store::kOpenDocument: return WizardPage::StartApp;
        case store::kReplayKeys: return WizardPage::RecordKeys;
        case store::kReplayMouseAndKeys: return WizardPage::RecordMouse;
        default: return WizardPage::Script;
    }
}

void Wizard::back() {
    if (!enabled(WizardButton::Back) || !shown(WizardButton::Back) || !view_) return;
    enable(WizardButton::Next, true);
    switch (page_) {
        case WizardPage::Name:
            showPage(WizardPage::Start);
            enable(WizardButton::Back, false);
            break;
        case WizardPage::StartApp:
            showPage(WizardPage::HotKey);
            focus(WizardFocus::HotKey);
            break;
        case WizardPage::RecordKeys:
        case WizardPage::RecordMouse: showPage(WizardPage::KeysOrMouse); break;
        case WizardPage::Script:
        case WizardPage::KeysOrMouse: showPage(WizardPage::HotKey); break;
        case WizardPage::HotKey:
            showPage(WizardPage::Name);
            focus(WizardFocus::Name);
            break;
        case WizardPage::Finished: {
            showButton(WizardButton::Finished, false);
            showButton(WizardButton::Next, true);
            const WizardPage last = lastPageOfKind(view_->fields());
            showPage(last);
            if (last == WizardPage::StartApp) focus(WizardFocus::Browse);
            if (last == WizardPage::Script) focus(WizardFocus::Script);
            break;
        }
        case WizardPage::Start: break;
    }
}

void Wizard::fillSummary(const WizardFields& f) {
    if (!view_) return;
    WizardSummary s;
    s.name = f.name;
    s.type = kindSummary(kindOf(f));
    s.shortcutKeys = f.hotKey != 0 ? store::shortCutText(f.hotKey, sys_.keyboard) : "None";
    const std::string trigger = singleLine(f.trigger);
    s.trigger = trigger.empty() ? "None" : trigger;
    view_->setSummary(s);
}

void Wizard::goToSummary() {
    showPage(WizardPage::Finished);
    showButton(WizardButton::Finished, true);
    showButton(WizardButton::Next, false);
    enable(WizardButton::Back, true);
    if (view_) fillSummary(view_->fields());
}

// ---- Finish ----

void Wizard::finish() {
    if (!shown(WizardButton::Finished) || !view_) return;
    const WizardFields f = view_->fields();
    const int kind = kindOf(f);
    const std::string name = store::trimmedName(f.name);

    store::MacroRepository macros(sys_);
    store::Macro macro;
    macro.name = name;
    macro.kind = kind;
    macro.hotKey = f.hotKey;
    macro.trigger = singleLine(f.trigger);
    macro.onlyIn = singleLine(f.onlyIn);
    macro.notIn = singleLine(f.notIn);
    macro.abbreviation = std::string(trimBlanks(f.abbreviation));
    macro.immediate = f.immediate;
    std::string script, recording;
    switch (kind) {
        case store::kOpenDocument: macro.fileName = singleLine(f.commandLine); break;
        case store::kReplayKeys:
        case store::kReplayMouseAndKeys: {
            // A macro is never stored pointing at a recording that is not there.
            const std::string path = macros.newRecordingPath();
            if (!sys_.files.exists(path)) {
                sys_.dialogs.errorBox(withPath(kRecordingNotSaved, path));
                return;
            }
            recording = path;
            macro.speed = f.highSpeed ? 2 : 1;
            break;
        }
        default:
            script = store::joinScriptLines(f.script);
            macro.insert = f.insert;
            macro.pasteKeys = f.pasteKeys;
            break;
    }
    const int slot = macros.create(macro, script, recording);

    host_.addListRow(listImage(kind), f.name,
                     f.hotKey != 0 ? store::shortCutText(f.hotKey, sys_.keyboard) : std::string("None"));
    showButton(WizardButton::Finished, false);
    showButton(WizardButton::Next, true);
    view_->close();
    if (f.shortcut >= 1 && f.shortcut <= 6) {
        // The macro is stored: a failed shortcut must not keep its hot key dead.
        sys_.guard.run([&] { host_.createShortcut(f.shortcut, slot); });
    }
    sys_.pump.processMessages();
    host_.loadHotKeys();
}

// ---- Cancel, Save, Browse, help ----

void Wizard::cancel() {
    if (editMode_) {
        if (view_) {
            view_->showEditPicture(false);
            view_->showArrivalChoice(true);
        }
        showButton(WizardButton::Next, true);
        showButton(WizardButton::Back, true);
        showButton(WizardButton::Save, false);
        showButton(WizardButton::Finished, false);
        showPage(WizardPage::Start);
        if (view_) view_->close();
        return;
    }
    if (!sys_.dialogs.confirm(kCancelQuestion)) return;
    // A recording no macro took goes with the wizard.
    if (!recording_) sys_.files.remove(store::MacroRepository(sys_).newRecordingPath());
    if (view_) view_->close();
}

void Wizard::save() {
    if (!editMode_ || !editing_ || !view_) return;
    editing_->session.save(editing_->newBaseName, view_->fields().script);
    editing_->saved = editing_->session.scriptBaseName();
    cancel();  // back to the normal buttons, closed
}

std::optional<std::string> Wizard::editScript(const ScriptEditRequest& request) {
    if (!view_ || modal_) return std::nullopt;
    ScriptEditSession session(sys_.files, store::MacroRepository(sys_).dataFolder(), request.storedBaseName);
    std::optional<std::string> saved;
    arrangeForEdit();
    view_->setScript(request.script);
    editing_.emplace(Editing{session, request.newBaseName, saved});
    struct Leave {
        Wizard& w;
        ~Leave() {
            w.editing_.reset();
            w.editMode_ = false;
            w.modal_ = false;
        }
    } leave{*this};
    modal_ = true;
    formShow();
    view_->runModal();
    sys_.guard.run([this] { formClose(); });
    return saved;
}

void Wizard::browse() {
    hints_.show(kBrowseHint);
    if (auto picked = sys_.dialogs.openFile(kProgramFileFilter); picked && !picked->empty() && view_)
        view_->setCommandLine(*picked);
}

void Wizard::hotKeyHelp() {
    sys_.dialogs.message(kHotKeyHelp);
}
void Wizard::winTitleHelp() {
    sys_.dialogs.message(kWinTitleHelp);
}

void Wizard::hotKeyLeft() {
    if (!view_ || page_ != WizardPage::HotKey) return;
    const auto problem = hotKeyProblem(sys_, view_->fields().hotKey, kWizardHotKeyRefused);
    if (!problem) return;
    sys_.dialogs.errorBox(*problem);
    focus(WizardFocus::HotKey);
}

void Wizard::keyUp(unsigned vk) {
    if (vk == kVkF1) host_.openHelp();
}

// ---- recording and trying out ----

void Wizard::startRecording(bool keysOnly) {
    // Into a file of the wizard's own, which Finish moves into place: a file
    // that has the macro's name already is never touched before.
    recordedPath_ = store::MacroRepository(sys_).newRecordingPath();
    // A file left from an earlier attempt must not pass for this recording.
    sys_.files.remove(recordedPath_);
    journal_.record(recordedPath_, keysOnly ? journal::Capture::KeysOnly : journal::Capture::KeysAndMouse);
    recording_ = true;
}

std::exception_ptr Wizard::stopRecording() {
    std::exception_ptr failed;
    try {
        journal_.stop();
    } catch (...) {
        failed = std::current_exception();
    }
    if (!recording_) return failed;
    recording_ = false;
    if (!failed && !sys_.files.exists(recordedPath_))
        failed = std::make_exception_ptr(Error(withPath(kRecordingNotSaved, recordedPath_)));
    return failed;
}

void Wizard::recordMouse() {
    if (!view_) return;
    hints_.show(kRecordMouseHint);
    enable(WizardButton::RecordMouse, false);
    enable(WizardButton::StopMouse, true);
    wizardRecording_ = true;
    host_.hideManager();
    view_->hideWizard();
    startRecording(false);
}

void Wizard::stopMouse() {
    enable(WizardButton::Next, true);
    const std::exception_ptr failed = stopRecording();
    enable(WizardButton::StopMouse, false);
    enable(WizardButton::RecordMouse, true);
    enable(WizardButton::PlayMouse, true);
    host_.showManager();
    if (view_) view_->showWizardOnTop();
    wizardRecording_ = false;
    if (failed) std::rethrow_exception(failed);
}

void Wizard::stopHotKeyPressed() {
    // Only a recording in progress stops, and only the window that started
    // it comes back.
    if (!recording_) {
        host_.propertiesRecordingStopped();
        return;
    }
    enable(WizardButton::Next, true);
    const std::exception_ptr failed = stopRecording();
    enable(WizardButton::StopMouse, false);
    enable(WizardButton::RecordMouse, true);
    enable(WizardButton::PlayMouse, true);
    if (wizardRecording_) {
        host_.showManager();
        if (view_) view_->showWizardOnTop();
    }
    if (failed) std::rethrow_exception(failed);
}

void Wizard::playMouse() {
    if (!view_) return;
    const bool highSpeed = view_->fields().highSpeed;
    enable(WizardButton::PlayMouse, false);
    journal_.playBack(recordedPath_, highSpeed ? journal::Pace::High : journal::Pace::Recorded);
}

void Wizard::startKeys() {
    if (!view_) return;
    hints_.show(kRecordKeysHint);
    wizardRecording_ = view_->wizardVisible();
    focus(WizardFocus::KeysArea);
    enable(WizardButton::StartKeys, false);
    enable(WizardButton::StopKeys, true);
    startRecording(true);
}

void Wizard::stopKeys() {
    enable(WizardButton::Next, true);
    const std::exception_ptr failed = stopRecording();
    enable(WizardButton::StopKeys, false);
    enable(WizardButton::StartKeys, true);
    enable(WizardButton::PlayKeys, true);
    if (failed) std::rethrow_exception(failed);
}

void Wizard::playKeys() {
    focus(WizardFocus::KeysArea);
    enable(WizardButton::PlayKeys, false);
    journal_.playBack(recordedPath_, journal::Pace::High);
}

void Wizard::recorderFinished() {
    enable(WizardButton::PlayMouse, true);
    enable(WizardButton::PlayKeys, true);
}

}  // namespace kv::authoring
