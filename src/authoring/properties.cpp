#include "authoring/properties.hpp"

#include <exception>

#include "authoring/abbreviation_rule.hpp"
#include "authoring/hot_key_rule.hpp"
#include "authoring/macro_name.hpp"
#include "core/text.hpp"
#include "hotkeys/abbreviations.hpp"
#include "store/macro_repository.hpp"
#include "store/text_encoding.hpp"

namespace kv::authoring {

namespace {

constexpr unsigned kKeyF1 = 112;
constexpr const char* kEmptyNameMessage = "Please enter a name for this macro.";
constexpr const char* kEmptyFileMessage =
    "Please specify an application or document to launch.  You can search for files by selecting 'Browse'.";

bool recordsStreams(int kind) {
    return kind == store::kReplayKeys || kind == store::kReplayMouseAndKeys;
}

}  // namespace

const char* macroKindDescription(int kind) {
    switch (kind) {
        case 1: return "Start an Application or Launch a Document";
        case 2: return "Playback Keystrokes";
        case 3: return "Playback Mouse and Keyboard";
        case 4: return "Playback Manually Created Keystrokes";
        default: return "";
    }
}

PropertiesPresenter::PropertiesPresenter(os::System& sys, journal::Journal& journal,
                                         playback::RunState& state, PropertiesHost& host,
                                         PropertiesView& view)
    : sys_(sys), journal_(journal), state_(state), host_(host), view_(&view) {}

void PropertiesPresenter::open(int slot) {
    slot_ = slot;
    recordedInDialog_ = false;
    recording_ = false;
    playing_ = false;
    savedScriptPath_.reset();
    host_.setStopHotKeyEnabled(true);
    state_.macroDialogOpen = true;
    view_->focus(PropertiesFocus::Name);
    view_->clearScratch();
    // A dialog closed in the middle of a recording left them otherwise.
    for (auto b : {PropertiesButton::Record, PropertiesButton::Ok, PropertiesButton::Cancel})
        view_->enable(b, true);
    view_->enable(PropertiesButton::Stop, false);

    const store::Macro macro = store::MacroRepository(sys_).read(slot);
    kind_ = macro.kindOr(0);
    const std::string storedName = macro.nameOr("");
    storedFileName_ = macro.fileName;

    PropertiesLayout layout;
    layout.description = macroKindDescription(kind_);
    layout.picture = kind_;
    switch (kind_) {
        case store::kOpenDocument:
            layout.fileRow = true;
            view_->setFileName(storedFileName_);
            break;
        case store::kReplayKeys: layout.recordPanel = true; break;
        case store::kReplayMouseAndKeys:
            layout.recordPanel = true;
            layout.speedChoice = true;
            view_->setHighSpeed(macro.speed != 1);
            break;
        case store::kScript:
            layout.editMacro = true;
            layout.arrival = true;
            view_->setArrival({macro.insert, macro.pasteKeys, std::to_string(macro.keyDelay)});
            break;
        default: break;
    }
    // An unknown kind sets nothing up: the rows stay as they were.
    if (kind_ >= 1 && kind_ <= 4) view_->setLayout(layout);

    view_->setName(storedName);
    scriptBaseName_ = storedName;
    view_->setHotKey(macro.hotKey);
    view_->setTrigger(macro.trigger);
    view_->setScope(macro.onlyIn, macro.notIn, macro.enabled);
    view_->setAbbreviation(macro.abbreviation, macro.immediate);
}

bool PropertiesPresenter::checkName(const std::string& typed) {
    const auto refuse = [&](const std::string& message) {
        sys_.dialogs.errorBox(message);
        view_->focus(PropertiesFocus::Name);
        return false;
    };
    if (typed.empty()) return refuse(kEmptyNameMessage);
    if (auto problem = macroNameProblem(typed)) return refuse(*problem);

    // Another macro of this name would lose its data file to this one.
    const std::string trimmed = store::trimmedName(typed);
    const bool hasDataFile = store::dataExtension(kind_).has_value();
    for (const store::Macro& other :
         store::MacroRepository(sys_).all(store::kNameField | store::kKindField | store::kFileNameField)) {
        if (other.slot == slot_) continue;
        if (sameMacroName(sys_.files, trimmed, other.nameOr(store::macroSection(other.slot))))
            return refuse(kDuplicateNameMessage);
        const int otherKind = other.kindOr(1);
        if (hasDataFile && otherKind >= 2 && otherKind <= 4 &&
            sys_.files.sameName(store::MacroRepository::dataFileName(trimmed, kind_), other.fileName))
            return refuse(kDuplicateNameMessage);
    }
    return true;
}

bool PropertiesPresenter::ok() {
    const std::string typed = view_->name();
    if (!checkName(typed)) return false;
    if (const auto problem = hotKeyProblem(sys_, view_->hotKey(), kPropertiesHotKeyRefused)) {
        sys_.dialogs.errorBox(*problem);
        view_->focus(PropertiesFocus::HotKey);
        return false;
    }
    if (const auto problem = abbreviationProblem(sys_, view_->abbreviation(), slot_,
                                                 hotkeys::kPropertiesAbbreviationRefused)) {
        sys_.dialogs.errorBox(*problem);
        view_->focus(PropertiesFocus::Abbreviation);
        return false;
    }

    store::MacroRepository macros(sys_);
    store::Macro change;
    change.slot = slot_;
    const int storedKind = macros.read(slot_).kindOr(0);
    if (storedKind == store::kScript) {
        const ArrivalChoice arrival = view_->arrival();
        const std::optional<int> delay = parseKeyDelay(arrival.keyDelay);
        if (!delay) {
            sys_.dialogs.errorBox(kKeyDelayMessage);
            view_->focus(PropertiesFocus::KeyDelay);
            return false;
        }
        change.insert = arrival.insert;
        change.pasteKeys = arrival.pasteKeys;
        change.keyDelay = *delay;
    }
    if (storedKind == store::kOpenDocument) {
        change.fileName = singleLine(trimBlanks(view_->fileName()));
        if (change.fileName.empty()) {
            sys_.dialogs.errorBox(kEmptyFileMessage);
            view_->focus(PropertiesFocus::Browse);
            return false;
        }
    }
    change.name = store::trimmedName(typed);
    change.hotKey = view_->hotKey();
    change.trigger = singleLine(view_->trigger());
    change.onlyIn = singleLine(view_->onlyIn());
    change.notIn = singleLine(view_->notIn());
    change.enabled = view_->macroEnabled();
    change.abbreviation = std::string(trimBlanks(view_->abbreviation()));
    change.immediate = view_->immediate();
    change.speed = view_->highSpeed() ? 2 : 1;
    std::optional<std::string> fileName;
    if (!sys_.guard.run([&] { fileName = macros.update(change, recordedInDialog_); })) return false;
    if (fileName) dropSavedScript(macros.pathInDataFolder(*fileName));

    host_.refillList();
    host_.loadHotKeys();
    closeDialog();
    return true;
}

void PropertiesPresenter::cancel() {
    if (savedScriptPath_) {
        // The file under the stored name holds the saved script: it stays.
        const store::MacroRepository macros(sys_);
        const auto stored = macros.storedPathIfSafe(macros.read(slot_).fileName);
        if (stored && sys_.files.exists(*stored)) dropSavedScript(*stored);
    }
    closeDialog();
}

void PropertiesPresenter::dropSavedScript(const std::string& keepPath) {
    if (savedScriptPath_ && !sys_.files.sameName(*savedScriptPath_, keepPath))
        sys_.files.remove(*savedScriptPath_);
    savedScriptPath_.reset();
}

void PropertiesPresenter::closeDialog() {
    // The close box stays usable while a keystroke recording runs.
    std::exception_ptr failed;
    if (recording_) {
        failed = stopJournal();
        recording_ = false;
    }
    playing_ = false;
    host_.setStopHotKeyEnabled(false);
    state_.macroDialogOpen = false;
    recordedInDialog_ = false;
    view_->close();
    if (failed) std::rethrow_exception(failed);
}

void PropertiesPresenter::hidden() {
    if (!mouseRecording_) host_.setStopHotKeyEnabled(false);
}

void PropertiesPresenter::record() {
    if (!recordsStreams(kind_)) return;
    recordedInDialog_ = true;
    recording_ = true;
    view_->enable(PropertiesButton::Record, false);
    view_->enable(PropertiesButton::Stop, true);
    view_->focus(PropertiesFocus::Scratch);
    view_->enable(PropertiesButton::Ok, false);
    view_->enable(PropertiesButton::Cancel, false);
    if (kind_ == store::kReplayMouseAndKeys) {
        // Set before hiding, so that hiding keeps the stop hot key.
        mouseRecording_ = true;
        host_.showManager(false);
        view_->showDialog(false);
    }
    const std::string path = store::MacroRepository(sys_).temporaryRecordingPath();
    // A recording left from an earlier attempt must not pass for this one.
    sys_.files.remove(path);
    journal_.record(
        path, kind_ == store::kReplayKeys ? journal::Capture::KeysOnly : journal::Capture::KeysAndMouse);
}

std::exception_ptr PropertiesPresenter::stopJournal() {
    try {
        journal_.stop();
        return nullptr;
    } catch (...) {
        // Nothing was recorded: OK keeps the macro's stream.
        recordedInDialog_ = false;
        return std::current_exception();
    }
}

void PropertiesPresenter::stop() {
    view_->enable(PropertiesButton::Ok, true);
    view_->enable(PropertiesButton::Cancel, true);
    const std::exception_ptr failed = stopJournal();
    stopped();
    if (failed) std::rethrow_exception(failed);
}

void PropertiesPresenter::stopByHotKey() {
    if (!recording_) return;
    const std::exception_ptr failed = stopJournal();
    view_->enable(PropertiesButton::Record, true);
    view_->enable(PropertiesButton::Cancel, true);
    view_->enable(PropertiesButton::Ok, true);
    stopped();
    view_->bringToFront();
    if (failed) std::rethrow_exception(failed);
}

void PropertiesPresenter::stopped() {
    recording_ = false;
    view_->enable(PropertiesButton::Stop, false);
    view_->enable(PropertiesButton::Record, true);
    host_.showManager(true);
    view_->showDialog(true);
}

void PropertiesPresenter::play() {
    if (!recordsStreams(kind_)) return;
    const store::MacroRepository macros(sys_);
    const std::string path = recordedInDialog_ ? macros.temporaryRecordingPath()
                                               : macros.storedPathIfSafe(storedFileName_).value_or("");
    view_->focus(PropertiesFocus::Scratch);
    const bool high = kind_ == store::kReplayKeys || view_->highSpeed();
    playing_ = true;
    view_->enable(PropertiesButton::Ok, false);
    view_->enable(PropertiesButton::Cancel, false);
    journal_.playBack(path, high ? journal::Pace::High : journal::Pace::Recorded);
}

void PropertiesPresenter::playbackFinished() {
    if (!playing_) return;
    playing_ = false;
    view_->enable(PropertiesButton::Ok, true);
    view_->enable(PropertiesButton::Cancel, true);
}

void PropertiesPresenter::browse() {
    if (auto picked = sys_.dialogs.openFile(kProgramFileFilter); picked && !picked->empty())
        view_->setFileName(*picked);
}

void PropertiesPresenter::hotKeyLeft() {
    const auto problem = hotKeyProblem(sys_, view_->hotKey(), kPropertiesHotKeyRefused);
    if (!problem) return;
    sys_.dialogs.errorBox(*problem);
    view_->focus(PropertiesFocus::HotKey);
}

void PropertiesPresenter::keyUp(unsigned key) {
    if (key == kKeyF1) host_.openHelp();
}

void PropertiesPresenter::editMacro() {
    if (kind_ != store::kScript) return;
    // Save writes the script under the typed name: it must be one a macro may have.
    const std::string typed = view_->name();
    if (!checkName(typed)) return;

    store::MacroRepository macros(sys_);
    std::optional<std::string> text;
    if (!store::trimmedName(scriptBaseName_).empty()) {
        if (auto path = macros.storedPathIfSafe(store::MacroRepository::dataFileName(scriptBaseName_, kind_)))
            text = store::readScript(sys_.files, *path);
    }
    if (!text) {
        sys_.dialogs.message(kScriptUnreadableMessage);
        return;
    }
    sys_.pump.processMessages();

    const std::string storedFile = macros.read(slot_).fileName;
    const ScriptEditRequest request{std::string(trimBlanks(*text)), macros.scriptBaseName(storedFile),
                                    scriptBaseName_, store::trimmedName(typed)};
    const std::optional<std::string> saved = host_.editScript(request);
    // The editor's closing may clear the flag; this dialog is still open.
    state_.macroDialogOpen = true;
    if (!saved) return;
    scriptBaseName_ = *saved;

    const std::string savedPath = macros.dataPath(*saved, kind_);
    const std::optional<std::string> stored = macros.storedPathIfSafe(storedFile);
    if (stored && sys_.files.sameName(*stored, savedPath)) {
        dropSavedScript(savedPath);
        return;
    }
    if (stored && sys_.files.exists(*stored)) {
        // Save kept the stored file too: it settles with OK or Cancel. The
        // file of an earlier Save in this dialog is superseded.
        dropSavedScript(savedPath);
        savedScriptPath_ = savedPath;
        return;
    }
    // Save removed the file under the old name: the store follows the script
    // at once, so that it stays reachable even when the dialog is cancelled.
    macros.storeScriptName(slot_, *saved);
    dropSavedScript(savedPath);
    host_.refillList();
}

}  // namespace kv::authoring
