#include "authoring/properties.hpp"

#include <exception>

#include "authoring/macro_name.hpp"
#include "store/macros.hpp"
#include "store/store.hpp"
#include "ui/guard.hpp"

namespace kv::authoring {

namespace {

constexpr unsigned kKeyF1 = 112;
constexpr const char* kEmptyNameMessage = "Please enter a name for this macro.";
constexpr const char* kEmptyFileMessage =
    "Please specify an application or document to launch.  You can search for files by selecting 'Browse'.";

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

std::string trimBoth(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Windows file names: letter case does not make another file.
bool samePath(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

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
                                         triggers::RunState& state, PropertiesHost& host)
    : sys_(sys), journal_(journal), state_(state), host_(host) {}

// The data file a stored FileName names, or nothing when it names none that
// can be addressed safely (empty, or leaving the program directory).
static std::optional<std::string> storedPath(const std::string& dir, const std::string& fileName) {
    if (fileName.empty()) return std::nullopt;
    try {
        return store::storedDataFilePath(dir, fileName);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void PropertiesPresenter::open(int slot) {
    slot_ = slot;
    recordedInDialog_ = false;
    recording_ = false;
    savedScriptPath_.reset();
    host_.setStopHotKeyEnabled(true);
    state_.macroDialogOpen = true;
    view_->focus(PropertiesFocus::Name);
    view_->clearScratch();
    // A dialog closed in the middle of a recording left them otherwise.
    for (auto b : {PropertiesButton::Record, PropertiesButton::Ok, PropertiesButton::Cancel})
        view_->enable(b, true);
    view_->enable(PropertiesButton::Stop, false);

    const store::Store st(sys_.files, sys_.storePath);
    const store::StoreSnapshot snap(st);
    const std::string section = store::macroSection(slot);
    kind_ = snap.readInt(section, "Type", 0);
    const std::string storedName = snap.readString(section, "Name", "");
    storedFileName_ = snap.readString(section, "FileName", "");

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
            view_->setHighSpeed(snap.readInt(section, "Speed", 1) != 1);
            break;
        case store::kScript: layout.editMacro = true; break;
        default: break;
    }
    // An unknown kind sets nothing up: the rows stay as they were.
    if (kind_ >= 1 && kind_ <= 4) view_->setLayout(layout);
    if (recordsStreams(kind_)) {
        prepareJournal(false);
        journal_.hiSpeedPlayBack = kind_ == store::kReplayKeys;
    }

    view_->setName(storedName);
    scriptBaseName_ = storedName;
    view_->setHotKey(static_cast<std::uint16_t>(snap.readInt(section, "HotKey", 0)));
    view_->setTrigger(snap.readString(section, "Trigger", ""));
}

void PropertiesPresenter::prepareJournal(bool forRecording) {
    // Set again before every use: the dispatcher shares the journal and may
    // have replayed another macro since.
    journal_.recordFileName = sys_.programDirectory + kTempRecording;
    journal_.keyStrokesOnly = kind_ == store::kReplayKeys;
    if (!forRecording)
        journal_.playBackFileName = recordedInDialog_
                                        ? sys_.programDirectory + kTempRecording
                                        : storedPath(sys_.programDirectory, storedFileName_).value_or("");
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
    const store::Store st(sys_.files, sys_.storePath);
    const store::StoreSnapshot snap(st);
    const std::string trimmed = store::trimmedName(typed);
    const char* extension = kind_ == store::kScript ? ".key" : recordsStreams(kind_) ? ".dat" : nullptr;
    const int entries = snap.readInt(store::kMain, "Entries", 0);
    for (int n = 1; n <= entries; ++n) {
        if (n == slot_) continue;
        const std::string section = store::macroSection(n);
        if (sameMacroName(trimmed, snap.readString(section, "Name", section)))
            return refuse(kDuplicateNameMessage);
        const int otherKind = snap.readInt(section, "Type", 1);
        if (extension && otherKind >= 2 && otherKind <= 4 &&
            samePath(trimmed + extension, snap.readString(section, "FileName", "")))
            return refuse(kDuplicateNameMessage);
    }
    return true;
}

bool PropertiesPresenter::ok() {
    const std::string typed = view_->name();
    if (!checkName(typed)) return false;

    store::Store st(sys_.files, sys_.storePath);
    const std::string section = store::macroSection(slot_);
    const int kind = st.readInt(section, "Type", 0);
    std::string fileText;
    if (kind == store::kOpenDocument) {
        fileText = singleLine(trimBoth(view_->fileName()));
        if (fileText.empty()) {
            sys_.dialogs.errorBox(kEmptyFileMessage);
            view_->focus(PropertiesFocus::Browse);
            return false;
        }
    }

    const std::string trimmed = store::trimmedName(typed);
    const std::string storedFile = st.readString(section, "FileName", "");
    std::optional<std::string> newFileName;
    switch (kind) {
        case store::kOpenDocument: newFileName = fileText; break;
        case store::kReplayKeys:
        case store::kReplayMouseAndKeys: newFileName = trimmed + ".dat"; break;
        case store::kScript: newFileName = trimmed + ".key"; break;
        default: break;
    }

    // The files move first; the store follows only when they have.
    const std::string& dir = sys_.programDirectory;
    const std::optional<std::string> oldPath = storedPath(dir, storedFile);
    struct Move {
        std::string from, to;
    };
    std::optional<Move> moved;
    std::optional<std::string> removeAfterwards;
    const auto move = [&](const std::string& from, const std::string& to) {
        if (!sys_.files.replace(from, to)) {
            sys_.dialogs.errorBox("Unable to rename " + from + " to " + to);
            return false;
        }
        moved = Move{from, to};
        return true;
    };
    // A recording stored under the stream's own file name replaces it by one
    // rename, after the store is written: a rename over the old stream cannot
    // be undone, a store write can.
    std::optional<Move> replaceAfterwards;
    if (recordedInDialog_ && recordsStreams(kind)) {
        const std::string to = dir + *newFileName;
        if (oldPath && samePath(*oldPath, to)) {
            replaceAfterwards = Move{dir + kTempRecording, to};
        } else {
            if (!move(dir + kTempRecording, to)) return false;
            if (oldPath) removeAfterwards = *oldPath;
        }
    } else if (newFileName && kind != store::kOpenDocument && oldPath) {
        // The file follows the name; it also moves when the stored file name
        // did not match the name before, so that the new one never names a
        // file that is not there. A missing file has nothing to lose.
        const std::string to = dir + *newFileName;
        if (*oldPath != to && sys_.files.exists(*oldPath) && !move(*oldPath, to)) return false;
    }

    const std::optional<std::string> storeBefore = sys_.files.read(st.path());
    const std::string trigger = singleLine(view_->trigger());
    const bool written = ui::guarded(sys_.dialogs, [&] {
        try {
            st.edit([&](store::Store::Edit& e) {
                e.writeInt(section, "HotKey", view_->hotKey());
                e.writeString(section, "Name", trimmed);
                if (newFileName) e.writeString(section, "FileName", *newFileName);
                if (kind == store::kReplayMouseAndKeys)
                    e.writeInt(section, "Speed", view_->highSpeed() ? 2 : 1);
                e.writeString(section, "Trigger", trigger);
            });
        } catch (...) {
            // The store still names the old file: put it back before the error shows.
            if (moved) sys_.files.replace(moved->to, moved->from);
            throw;
        }
    });
    if (!written) return false;
    if (replaceAfterwards && !move(replaceAfterwards->from, replaceAfterwards->to)) {
        if (storeBefore) store::replaceFileContent(sys_.files, st.path(), *storeBefore);
        return false;
    }
    if (removeAfterwards) sys_.files.remove(*removeAfterwards);
    if (newFileName) dropSavedScript(dir + *newFileName);

    host_.refillList();
    host_.loadHotKeys();
    closeDialog();
    return true;
}

void PropertiesPresenter::cancel() {
    if (savedScriptPath_) {
        // The file under the stored name holds the saved script: it stays.
        const store::Store st(sys_.files, sys_.storePath);
        const auto stored =
            storedPath(sys_.programDirectory, st.readString(store::macroSection(slot_), "FileName", ""));
        if (stored && sys_.files.exists(*stored)) dropSavedScript(*stored);
    }
    closeDialog();
}

void PropertiesPresenter::dropSavedScript(const std::string& keepPath) {
    if (savedScriptPath_ && !samePath(*savedScriptPath_, keepPath)) sys_.files.remove(*savedScriptPath_);
    savedScriptPath_.reset();
}

void PropertiesPresenter::closeDialog() {
    // The close box stays usable while a keystroke recording runs.
    if (recording_) {
        journal_.stop();
        recording_ = false;
    }
    host_.setStopHotKeyEnabled(false);
    state_.macroDialogOpen = false;
    recordedInDialog_ = false;
    view_->close();
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
    prepareJournal(true);
    journal_.record();
}

void PropertiesPresenter::stop() {
    view_->enable(PropertiesButton::Ok, true);
    view_->enable(PropertiesButton::Cancel, true);
    journal_.stop();
    stopped();
}

void PropertiesPresenter::stopByHotKey() {
    journal_.stop();
    view_->enable(PropertiesButton::Record, true);
    view_->enable(PropertiesButton::Cancel, true);
    view_->enable(PropertiesButton::Ok, true);
    stopped();
    view_->bringToFront();
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
    prepareJournal(false);
    view_->focus(PropertiesFocus::Scratch);
    journal_.hiSpeedPlayBack = kind_ == store::kReplayKeys || view_->highSpeed();
    journal_.playBack();
}

void PropertiesPresenter::browse() {
    if (auto picked = sys_.dialogs.openFile(kProgramFileFilter); picked && !picked->empty())
        view_->setFileName(*picked);
}

void PropertiesPresenter::keyUp(unsigned key) {
    if (key == kKeyF1) host_.openHelp();
}

void PropertiesPresenter::editMacro() {
    if (kind_ != store::kScript) return;
    // Save writes the script under the typed name: it must be one a macro may have.
    const std::string typed = view_->name();
    if (!checkName(typed)) return;

    std::optional<std::string> text;
    if (!store::trimmedName(scriptBaseName_).empty()) {
        if (auto path = storedPath(sys_.programDirectory, store::trimmedName(scriptBaseName_) + ".key"))
            text = sys_.files.read(*path);
    }
    if (!text) {
        sys_.dialogs.message(kScriptUnreadableMessage);
        return;
    }
    sys_.pump.processMessages();

    store::Store st(sys_.files, sys_.storePath);
    const std::string section = store::macroSection(slot_);
    const std::string storedFile = st.readString(section, "FileName", "");
    ScriptEditRequest request{trimBoth(*text), storedFile, scriptBaseName_, store::trimmedName(typed)};
    if (request.storedBaseName.size() > 4 &&
        samePath(request.storedBaseName.substr(request.storedBaseName.size() - 4), ".key"))
        request.storedBaseName.resize(request.storedBaseName.size() - 4);
    const std::optional<std::string> saved = host_.editScript(request);
    // The editor's closing may clear the flag; this dialog is still open.
    state_.macroDialogOpen = true;
    if (!saved) return;
    scriptBaseName_ = *saved;

    const std::string fileName = *saved + ".key";
    const std::string savedPath = sys_.programDirectory + fileName;
    const std::optional<std::string> stored = storedPath(sys_.programDirectory, storedFile);
    if (stored && samePath(*stored, savedPath)) {
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
    st.edit([&](store::Store::Edit& e) {
        e.writeString(section, "Name", *saved);
        e.writeString(section, "FileName", fileName);
    });
    dropSavedScript(savedPath);
    host_.refillList();
}

}  // namespace kv::authoring
