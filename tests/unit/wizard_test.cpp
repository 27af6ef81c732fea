#include "authoring/wizard.hpp"

#include <gtest/gtest.h>

#include <map>

#include "app/application.hpp"
#include "app/help.hpp"
#include "authoring/hot_key_rule.hpp"
#include "authoring/macro_name.hpp"
#include "hotkeys/abbreviations.hpp"
#include "os/fake/fake_os.hpp"
#include "store/macro_repository.hpp"
#include "store/macros.hpp"

using namespace kv;
using authoring::StartChoice;
using authoring::WizardButton;
using authoring::WizardPage;

namespace {

struct FakeView : authoring::WizardView {
    authoring::WizardFields f;
    WizardPage page = WizardPage::Start;
    std::map<WizardButton, bool> enabledButtons, shownButtons;
    authoring::WizardSummary summary;
    bool visible = true, closed = false, editPicture = false, onTop = false, arrivalChoice = true;
    authoring::WizardFields fields() override { return f; }
    void clearFields() override {
        f.name = f.commandLine = f.trigger = f.script = "";
        f.hotKey = 0;
    }
    void setShortcut(int i) override { f.shortcut = i; }
    void setCommandLine(const std::string& t) override { f.commandLine = t; }
    void showPage(WizardPage p) override { page = p; }
    void showButton(WizardButton b, bool on) override { shownButtons[b] = on; }
    void enableButton(WizardButton b, bool on) override { enabledButtons[b] = on; }
    void showEditPicture(bool on) override { editPicture = on; }
    void showArrivalChoice(bool on) override { arrivalChoice = on; }
    void setSummary(const authoring::WizardSummary& s) override { summary = s; }
    void focus(authoring::WizardFocus f) override { focused = f; }
    std::optional<authoring::WizardFocus> focused;
    bool wizardVisible() override { return visible; }
    void hideWizard() override { visible = false; }
    void showWizardOnTop() override { visible = onTop = true; }
    void close() override { closed = true; }
    void setScript(const std::string& text) override { f.script = text; }
    // Runs while the wizard is shown modally.
    std::function<void()> whileModal;
    void runModal() override {
        if (whileModal) whileModal();
    }
};

struct FakeHost : authoring::WizardHost, authoring::HintsHost {
    std::vector<std::string> names;
    std::vector<std::string> rows;
    std::vector<std::string> calls;
    bool failShortcut = false;
    std::vector<std::string> macroNames() override { return names; }
    void addListRow(int image, const std::string& caption, const std::string& keys) override {
        rows.push_back(std::to_string(image) + "|" + caption + "|" + keys);
    }
    void showManager() override { calls.push_back("show manager"); }
    void hideManager() override { calls.push_back("hide manager"); }
    void createShortcut(int folder, int slot) override {
        calls.push_back("shortcut " + std::to_string(folder) + " " + std::to_string(slot));
        if (failShortcut) throw std::runtime_error("Erreur en écriture.");
    }
    void loadHotKeys() override { calls.push_back("load hot keys"); }
    void propertiesRecordingStopped() override { calls.push_back("properties recording stopped"); }
    void setShowHintsTick(bool on) override { calls.push_back(on ? "tick" : "untick"); }
    std::function<void()> help;
    void openHelp() override { help(); }
};

// Writes a file on stop, as the recorder does.
struct FakeJournal : journal::Journal {
    os::Files& files;
    bool saves = true;
    int playBacks = 0;
    bool recordingNow = false;
    explicit FakeJournal(os::Files& f) : files(f) {}
    // What the latest calls asked for.
    std::string recordFileName, playBackFileName;
    bool keyStrokesOnly = false, hiSpeedPlayBack = false;
    void record(const std::string& path, journal::Capture capture) override {
        recordFileName = path;
        keyStrokesOnly = capture == journal::Capture::KeysOnly;
        recordingNow = true;
    }
    void stop() override {
        if (recordingNow && saves) files.write(recordFileName, "recorded");
        recordingNow = false;
    }
    void playBack(const std::string& path, journal::Pace pace) override {
        playBackFileName = path;
        hiSpeedPlayBack = pace == journal::Pace::High;
        ++playBacks;
    }
};

struct HintsShown : authoring::HintView {
    std::vector<std::string> texts;
    int ticks = 0;
    void showModal(const std::string& t) override { texts.push_back(t); }
    void tickShowHints() override { ++ticks; }
};

struct WizardTest : ::testing::Test {
    os::fake::FakeSystem fake;
    FakeJournal journal{fake.files};
    playback::RunState state;
    FakeHost host;
    HintsShown hintView;
    authoring::Hints hints{fake.sys, hintView, host};
    FakeView view;
    authoring::Wizard wizard{fake.sys, journal, state, host, hints, view};
    store::Store st{fake.files, fake.sys.storePath};
    WizardTest() {
        host.help = [this] { app::openHelpTopic(fake.sys); };
        wizard.viewCreated();
        wizard.formShow();
    }
    // From the start page to the kind's own page, with a name.
    void toKindPage(StartChoice c, bool keysOnly = true, const std::string& name = "Notes") {
        view.f.start = c;
        view.f.keysOnly = keysOnly;
        wizard.next();
        view.f.name = name;
        wizard.next();
        wizard.next();
        if (c == StartChoice::Record) wizard.next();
    }
    std::string key(int slot, const char* k) { return st.readString(store::macroSection(slot), k, "<none>"); }
};

TEST_F(WizardTest, AHotKeyWithoutCtrlOrAltIsRefusedOnNextAndWhenTheFieldIsLeft) {
    view.f.name = "Notes";
    wizard.next();
    wizard.next();
    ASSERT_EQ(wizard.page(), WizardPage::HotKey);
    view.f.hotKey = 0x78;  // F9 alone
    wizard.next();
    EXPECT_EQ(wizard.page(), WizardPage::HotKey);
    EXPECT_EQ(fake.dialogs.errors, std::vector<std::string>{authoring::kWizardHotKeyRefused});
    view.f.hotKey = 0x2000 | 0x78;  // Shift+F9
    wizard.hotKeyLeft();
    EXPECT_EQ(fake.dialogs.errors.size(), 2u);
    view.f.hotKey = 0xA000 | 0x78;  // Shift+Alt+F9
    wizard.hotKeyLeft();
    wizard.next();
    EXPECT_EQ(fake.dialogs.errors.size(), 2u);
    EXPECT_NE(wizard.page(), WizardPage::HotKey);
}

TEST_F(WizardTest, NextAndBackWalkThePagesOfEveryKind) {
    struct Case {
        StartChoice start;
        bool keysOnly;
        std::vector<WizardPage> forward;  // pages after each Next from the start page
    };
    const std::vector<Case> cases = {
        {StartChoice::Advanced, true, {WizardPage::Name, WizardPage::HotKey, WizardPage::Script}},
        {StartChoice::StartApp, true, {WizardPage::Name, WizardPage::HotKey, WizardPage::StartApp}},
        {StartChoice::Record,
         true,
         {WizardPage::Name, WizardPage::HotKey, WizardPage::KeysOrMouse, WizardPage::RecordKeys}},
        {StartChoice::Record,
         false,
         {WizardPage::Name, WizardPage::HotKey, WizardPage::KeysOrMouse, WizardPage::RecordMouse}},
    };
    for (const Case& c : cases) {
        wizard.formClose();
        wizard.formShow();
        view.f.start = c.start;
        view.f.keysOnly = c.keysOnly;
        view.f.name = "Notes";
        view.f.commandLine = "notepad.exe";
        for (WizardPage expected : c.forward) {
            wizard.next();
            EXPECT_EQ(view.page, expected);
            EXPECT_TRUE(view.enabledButtons[WizardButton::Back]);
        }
        const bool recording = c.start == StartChoice::Record;
        EXPECT_EQ(wizard.enabled(WizardButton::Next), !recording);
        if (recording) wizard.stopKeys();
        wizard.next();
        EXPECT_EQ(view.page, WizardPage::Finished);
        EXPECT_TRUE(view.shownButtons[WizardButton::Finished]);
        EXPECT_FALSE(view.shownButtons[WizardButton::Next]);
        // Back retraces every page down to the start page, where Back is disabled.
        for (auto it = c.forward.rbegin(); it != c.forward.rend(); ++it) {
            wizard.back();
            EXPECT_EQ(view.page, *it);
            EXPECT_TRUE(wizard.enabled(WizardButton::Next));
        }
        EXPECT_TRUE(view.shownButtons[WizardButton::Next]);
        wizard.back();
        EXPECT_EQ(view.page, WizardPage::Start);
        EXPECT_FALSE(view.enabledButtons[WizardButton::Back]);
    }
}

TEST_F(WizardTest, TheNamePageRefusesDuplicatesEmptyNamesAndNamesThatAreNoFileName) {
    host.names = {"Notes", "mail"};
    const std::string notAFile = "<refused as a file name>";
    const std::string duplicate = "You have selected a name of an existing macro, please select another.";
    const struct {
        const char* name;
        std::string error;
    } cases[] = {
        {"Notes ", duplicate},  // trailing blanks do not make another name
        {"MAIL", duplicate},
        {"", "Please type a name for this macro."},
        {"  \t", "Please type a name for this macro."},
        {"a/b", notAFile},
        {"..\\x", notAFile},
        {"a:b", notAFile},
        {"what?", notAFile},
        {"x\"y", notAFile},
        {"a|b", notAFile},
        {"a\rb", notAFile},
        {"..", notAFile},
        {". .", notAFile},
        {"CON", notAFile},
        {"nul.txt", notAFile},
        {"Com7", notAFile},
        {"LPT1 ", notAFile},
        {"Notes2", ""},
        {"Console", ""},
        {"COM10", ""},
        {"Mr. Smith", ""},
        {"~temp", notAFile},
    };
    for (const auto& c : cases) {
        wizard.formClose();
        wizard.formShow();
        fake.dialogs.errors.clear();
        wizard.next();
        view.f.shortcut = 4;
        view.f.name = c.name;
        wizard.next();
        EXPECT_EQ(view.f.shortcut, 0) << "leaving the name page resets the shortcut choice";
        if (c.error.empty()) {
            EXPECT_TRUE(fake.dialogs.errors.empty()) << c.name;
            EXPECT_EQ(view.page, WizardPage::HotKey) << c.name;
        } else if (c.error == notAFile) {
            ASSERT_EQ(fake.dialogs.errors.size(), 1u) << c.name;
            EXPECT_EQ(fake.dialogs.errors[0], authoring::macroNameProblem(c.name).value_or("")) << c.name;
            EXPECT_EQ(view.page, WizardPage::Name) << c.name;
        } else {
            EXPECT_EQ(fake.dialogs.errors, std::vector<std::string>{c.error}) << c.name;
            EXPECT_EQ(view.page, WizardPage::Name) << c.name;
        }
    }
}

TEST_F(WizardTest, TheSummaryShowsTheKindTheKeysAndTheTrigger) {
    view.f.hotKey = 0x4000 | 'A';
    view.f.trigger = "Untitled - Notepad";
    view.f.commandLine = "notepad.exe";
    toKindPage(StartChoice::StartApp);
    wizard.next();
    EXPECT_EQ(view.summary.name, "Notes");
    EXPECT_EQ(view.summary.type, "Start an Application");
    EXPECT_EQ(view.summary.shortcutKeys, "Ctrl+A");
    EXPECT_EQ(view.summary.trigger, "Untitled - Notepad");
    wizard.back();
    view.f.hotKey = 0;
    view.f.trigger = "";
    wizard.next();
    EXPECT_EQ(view.summary.shortcutKeys, "None");
    EXPECT_EQ(view.summary.trigger, "None");
}

TEST_F(WizardTest, AnEmptyProgramIsRefused) {
    toKindPage(StartChoice::StartApp);
    view.f.commandLine = "\r\n";
    wizard.next();
    EXPECT_EQ(view.page, WizardPage::StartApp);
    EXPECT_EQ(
        fake.dialogs.errors,
        std::vector<std::string>{"Please specify an application or document to launch.  You can search for "
                                 "files by selecting 'Browse'."});
}

TEST_F(WizardTest, FinishWritesTheEntryOfEachKindInTheNextSlot) {
    struct Case {
        StartChoice start;
        bool keysOnly, highSpeed;
        const char* type;
        const char* fileName;
        const char* speed;
        int image;
    };
    const Case cases[] = {
        {StartChoice::StartApp, true, false, "1", "mailto:me@example.com", "<none>", 0},
        {StartChoice::Record, true, true, "2", "Macro 2.dat", "<none>", 1},
        {StartChoice::Record, false, true, "3", "Macro 3.dat", "2", 2},
        {StartChoice::Record, false, false, "3", "Macro 4.dat", "1", 2},
        {StartChoice::Advanced, true, false, "4", "Macro 5.key", "<none>", 1},
    };
    st.writeInt(store::kMain, "Entries", 0);
    int slot = 0;
    for (const Case& c : cases) {
        ++slot;
        wizard.formShow();
        view.f.hotKey = static_cast<std::uint16_t>(0xC000 | ('0' + slot));
        view.f.trigger = "Title\r\n" + std::to_string(slot);  // a pasted line break stays out of the store
        view.f.commandLine = "mailto:me@example.com\n";
        view.f.onlyIn = slot == 2 ? "mail.exe\r\n" : "";
        view.f.highSpeed = c.highSpeed;
        view.f.script = "Hello\r\n<<ENTER>>\nBye";
        view.f.insert = store::Insert::Auto;
        view.f.pasteKeys = store::PasteKeys::ShiftInsert;
        toKindPage(c.start, c.keysOnly, "Macro " + std::to_string(slot) + "  ");
        if (c.start == StartChoice::Record) {
            c.keysOnly ? wizard.startKeys() : wizard.recordMouse();
            c.keysOnly ? wizard.stopKeys() : wizard.stopMouse();
        }
        wizard.next();
        host.calls.clear();
        wizard.finish();
        const std::string s = store::macroSection(slot);
        EXPECT_EQ(st.readInt(store::kMain, "Entries", 0), slot);
        EXPECT_EQ(key(slot, "Name"), "Macro " + std::to_string(slot));
        EXPECT_EQ(key(slot, "Type"), c.type);
        EXPECT_EQ(key(slot, "HotKey"), std::to_string(0xC000 | ('0' + slot)));
        EXPECT_EQ(key(slot, "FileName"), c.fileName);
        EXPECT_EQ(key(slot, "Trigger"), "Title" + std::to_string(slot));
        EXPECT_EQ(key(slot, "Speed"), c.speed);
        EXPECT_EQ(key(slot, "OnlyIn"), slot == 2 ? "mail.exe" : "<none>");
        // Only a script says how its text arrives.
        const bool script = c.start == StartChoice::Advanced;
        EXPECT_EQ(key(slot, "Insert"), script ? "auto" : "<none>");
        EXPECT_EQ(key(slot, "PasteKeys"), script ? "shift-insert" : "<none>");
        EXPECT_EQ(key(slot, "KeyDelay"), "<none>");  // at its default: not stored
        EXPECT_EQ(host.rows.back(), std::to_string(c.image) + "|Macro " + std::to_string(slot) +
                                        "  |Ctrl+Alt+" + std::to_string(slot));
        EXPECT_TRUE(view.closed);
        EXPECT_EQ(host.calls, std::vector<std::string>{"load hot keys"});
        wizard.formClose();
        view.closed = false;
    }
    EXPECT_EQ(fake.files.files.at("C:\\Keyvale\\Macro 5.key"), "Hello\r\n<<ENTER>>\r\nBye\r\n");
}

TEST_F(WizardTest, AFailedShortcutIsShownAndTheHotKeysAreStillLoaded) {
    host.failShortcut = true;
    view.f.commandLine = "notepad.exe";
    toKindPage(StartChoice::StartApp);
    view.f.shortcut = 5;
    wizard.next();
    wizard.finish();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"shortcut 5 1", "load hot keys"}));
    EXPECT_EQ(fake.dialogs.errors, std::vector<std::string>{"Erreur en écriture."});
}

TEST_F(WizardTest, NoMacroIsStoredWhenItsFileIsMissing) {
    // A script that cannot be written.
    toKindPage(StartChoice::Advanced);
    fake.files.readOnly.insert("C:\\Keyvale\\Notes.key");
    fake.files.files["C:\\Keyvale\\Notes.key"] = "old";
    wizard.next();
    EXPECT_THROW(wizard.finish(), std::exception);
    // A recording that the journal could not save.
    wizard.formClose();
    wizard.formShow();
    journal.saves = false;
    toKindPage(StartChoice::Record, true, "Typed");
    wizard.startKeys();
    // The page is back to idle before the failure is raised for the error box.
    try {
        wizard.stopKeys();
        ADD_FAILURE() << "the failed recording was not reported";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("C:\\Keyvale\\~new.dat"), std::string::npos);
    }
    EXPECT_TRUE(wizard.enabled(WizardButton::StartKeys) && !wizard.enabled(WizardButton::StopKeys));
    wizard.next();
    wizard.finish();
    EXPECT_EQ(fake.dialogs.errors.size(), 1u);
    EXPECT_FALSE(view.closed);
    EXPECT_TRUE(host.rows.empty());
    EXPECT_EQ(st.readInt(store::kMain, "Entries", 0), 0);
}

TEST_F(WizardTest, MouseRecordingHidesTheWindowsAndTheStopKeyBringsTheWizardBack) {
    toKindPage(StartChoice::Record, false);
    ASSERT_EQ(view.page, WizardPage::RecordMouse);
    EXPECT_FALSE(wizard.enabled(WizardButton::Next));
    wizard.recordMouse();
    ASSERT_EQ(hintView.texts.size(), 1u);
    EXPECT_FALSE(view.visible);
    EXPECT_EQ(host.calls, std::vector<std::string>{"hide manager"});
    EXPECT_TRUE(journal.recordingNow);
    EXPECT_FALSE(journal.keyStrokesOnly);
    EXPECT_EQ(journal.recordFileName, "C:\\Keyvale\\~new.dat") << "not a file that may be there";
    EXPECT_TRUE(fake.hotKeys.press(os::kModShift | os::kModControl, 0x7B));
    EXPECT_FALSE(journal.recordingNow);
    EXPECT_TRUE(view.onTop);
    EXPECT_EQ(host.calls.back(), "show manager");
    EXPECT_TRUE(wizard.enabled(WizardButton::Next));
    EXPECT_TRUE(wizard.enabled(WizardButton::PlayMouse));
    EXPECT_FALSE(wizard.enabled(WizardButton::StopMouse));
    EXPECT_EQ(view.page, WizardPage::RecordMouse);
    view.f.highSpeed = true;
    wizard.playMouse();
    EXPECT_FALSE(wizard.enabled(WizardButton::PlayMouse));
    EXPECT_TRUE(journal.hiSpeedPlayBack);
    EXPECT_EQ(journal.playBackFileName, "C:\\Keyvale\\~new.dat");
    wizard.recorderFinished();
    EXPECT_TRUE(wizard.enabled(WizardButton::PlayMouse));
    // Without a recording in progress the stop key changes nothing and
    // brings back no window.
    host.calls.clear();
    view.onTop = false;
    EXPECT_TRUE(fake.hotKeys.press(os::kModShift | os::kModControl, 0x7B));
    EXPECT_EQ(host.calls, std::vector<std::string>{"properties recording stopped"});
    EXPECT_FALSE(view.onTop);
    // A recording that cannot be saved: the windows come back, then the error shows.
    journal.saves = false;
    wizard.recordMouse();
    EXPECT_TRUE(fake.hotKeys.press(os::kModShift | os::kModControl, 0x7B));
    EXPECT_TRUE(view.onTop);
    EXPECT_EQ(host.calls.back(), "show manager");
    EXPECT_EQ(fake.dialogs.errors.size(), 1u);
    // Closing disables the stop key: it no longer reaches the wizard.
    wizard.formClose();
    EXPECT_FALSE(fake.hotKeys.press(os::kModShift | os::kModControl, 0x7B));
}

TEST_F(WizardTest, TheKeysPageRecordsWithTheWizardVisibleAndTriesOutAtHighSpeed) {
    toKindPage(StartChoice::Record, true);
    wizard.startKeys();
    EXPECT_TRUE(view.visible);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(journal.keyStrokesOnly);
    EXPECT_FALSE(wizard.enabled(WizardButton::StartKeys));
    EXPECT_FALSE(wizard.enabled(WizardButton::Next));
    wizard.stopKeys();
    EXPECT_TRUE(wizard.enabled(WizardButton::Next));
    EXPECT_TRUE(wizard.enabled(WizardButton::PlayKeys));
    wizard.playKeys();
    EXPECT_TRUE(journal.hiSpeedPlayBack);
    EXPECT_EQ(journal.playBacks, 1);
    // Forward again from the choice page: Next waits for another recording.
    wizard.back();
    wizard.next();
    EXPECT_FALSE(wizard.enabled(WizardButton::Next));
}

TEST_F(WizardTest, OpeningAndClosingInNewAndEditMode) {
    EXPECT_TRUE(state.macroDialogOpen);
    EXPECT_TRUE(wizard.stopHotKey().enabled());
    EXPECT_EQ(wizard.stopHotKey().hotKey(), 24699);
    toKindPage(StartChoice::Advanced);
    // Cancel answered No keeps everything; Yes closes and writes nothing.
    fake.dialogs.confirmAnswer = false;
    wizard.cancel();
    EXPECT_FALSE(view.closed);
    EXPECT_EQ(view.page, WizardPage::Script);
    fake.dialogs.confirmAnswer = true;
    wizard.cancel();
    EXPECT_TRUE(view.closed);
    wizard.formClose();
    EXPECT_FALSE(state.macroDialogOpen);
    EXPECT_FALSE(wizard.stopHotKey().enabled());
    EXPECT_FALSE(fake.files.exists(fake.sys.storePath));
    // Reopening shows the start page with empty fields and Next enabled.
    view.f.name = "left over";
    wizard.formShow();
    EXPECT_EQ(view.page, WizardPage::Start);
    EXPECT_EQ(view.f.name, "");
    EXPECT_TRUE(wizard.enabled(WizardButton::Next));
    wizard.formClose();
    // Edit mode: only the script page, Save instead of Next; Cancel asks nothing.
    state.macroDialogOpen = true;  // set by the properties dialog
    int shown = 0;
    view.whileModal = [&] {
        ++shown;
        EXPECT_EQ(view.page, WizardPage::Script);
        EXPECT_EQ(view.f.script, "kept");
        EXPECT_TRUE(view.shownButtons[WizardButton::Save]);
        EXPECT_FALSE(view.shownButtons[WizardButton::Next]);
        EXPECT_FALSE(view.shownButtons[WizardButton::Back]);
        EXPECT_FALSE(view.arrivalChoice) << "the properties dialog holds it";
        const auto asked = fake.dialogs.questions.size();
        view.closed = false;
        wizard.cancel();
        EXPECT_TRUE(view.closed);
        EXPECT_EQ(fake.dialogs.questions.size(), asked);
    };
    EXPECT_EQ(wizard.editScript({"kept", "Old", "Old", "Old"}), std::nullopt) << "cancelled";
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(state.macroDialogOpen) << "the properties dialog is still open";
    EXPECT_FALSE(view.shownButtons[WizardButton::Save]);
    EXPECT_FALSE(wizard.editMode());
    EXPECT_TRUE(view.arrivalChoice);
}

// The properties dialog's "Edit Macro" through the wizard: Save writes the
// script under the name typed in the dialog and closes the wizard.
TEST_F(WizardTest, EditScriptSavesUnderTheTypedNameOrNothingWhenCancelled) {
    wizard.formClose();
    fake.files.files["C:\\Keyvale\\Old.key"] = "old text";
    struct Case {
        const char* typedName;
        bool save;
        std::optional<std::string> returned;
        const char* newFile;  // where the edited script is, or nullptr
    };
    const Case cases[] = {
        {"Old", true, "Old", "C:\\Keyvale\\Old.key"},
        {"Renamed", true, "Renamed", "C:\\Keyvale\\Renamed.key"},
        {"Other", false, std::nullopt, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typedName);
        view.whileModal = [&] {
            view.f.script = "edited";
            c.save ? wizard.save() : wizard.cancel();
            EXPECT_TRUE(view.closed);
        };
        view.closed = false;
        EXPECT_EQ(wizard.editScript({"old text", "Old", "Old", c.typedName}), c.returned);
        if (c.newFile) {
            ASSERT_TRUE(fake.files.exists(c.newFile));
            EXPECT_NE(fake.files.files[c.newFile].find("edited"), std::string::npos);
        } else {
            EXPECT_FALSE(fake.files.exists(std::string("C:\\Keyvale\\") + c.typedName + ".key"));
        }
        EXPECT_FALSE(wizard.editMode());
        wizard.save();  // outside an edit: nothing
    }
    // Opened again from inside its own modal showing: nothing happens.
    int shown = 0;
    view.whileModal = [&] {
        if (++shown > 1) return;
        EXPECT_EQ(wizard.editScript({"x", "Old", "Old", "Old"}), std::nullopt);
        wizard.cancel();
    };
    wizard.editScript({"x", "Old", "Old", "Old"});
    EXPECT_EQ(shown, 1);
}

TEST_F(WizardTest, HintsShowOnlyWhileOnAndTheBoxTurnsThemOff) {
    wizard.browse();  // the Browse hint, then the file dialog
    EXPECT_EQ(hintView.texts.size(), 1u);
    EXPECT_EQ(fake.dialogs.fileFilters.size(), 1u);
    hints.closed(true);
    EXPECT_FALSE(fake.files.exists(fake.sys.storePath)) << "a ticked box writes nothing";
    hints.closed(false);
    EXPECT_FALSE(st.readBool(store::kMain, "Show Hints", true));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"tick", "untick"}));
    fake.dialogs.pickedFile = "C:\\Tools\\run.exe";
    wizard.browse();
    EXPECT_EQ(hintView.texts.size(), 1u);
    EXPECT_EQ(view.f.commandLine, "C:\\Tools\\run.exe");
    // Hints on again from the tray: the box shows ticked, so OK keeps them on.
    st.writeBool(store::kMain, "Show Hints", true);
    wizard.browse();
    EXPECT_EQ(hintView.texts.size(), 2u);
    EXPECT_EQ(hintView.ticks, 1);
}

TEST_F(WizardTest, F1OpensTheHelpTopicAndOtherKeysDoNothing) {
    wizard.keyUp(0x70);
    wizard.keyUp(0x71);
    EXPECT_EQ(fake.shell.opened, std::vector<std::string>{"file:///C:/Keyvale/Keyvale.html#Operation"});
}

TEST(WizardReplayEnd, EveryEndOfAReplayReachesTheWizardAfterTheDispatcher) {
    os::fake::FakeSystem fake;
    journal::NullJournal journal;  // every replay ends at once
    struct Listener : app::ReplayListener {
        std::function<void()> ended;
        void replayEnded() override { ended(); }
    } listener;
    app::Application app(fake.sys, journal, nullptr, nullptr, nullptr, &listener);
    playback::RunStatus statusSeen{};
    listener.ended = [&] { statusSeen = app.state().runStatus; };
    journal.playBack("C:\\Keyvale\\Any.dat", journal::Pace::High);
    EXPECT_EQ(statusSeen, playback::RunStatus::ReplayEnded);
    EXPECT_TRUE(app.state().journalFinished);
}

}  // namespace

// An abbreviation is refused, with the field focused, when malformed or
// another macro's (ignoring case); a good one is stored with Immediate.
TEST_F(WizardTest, AnAbbreviationIsRefusedWhenMalformedOrTakenAndStoredOtherwise) {
    st.writeInt(store::kMain, "Entries", 1);
    st.writeString("Macro1", "Name", "Way");
    st.writeString("Macro1", store::macroKey(store::kAbbreviationField).key, "btw");
    view.f.start = StartChoice::StartApp;
    wizard.next();
    view.f.name = "Notes";
    wizard.next();
    ASSERT_EQ(wizard.page(), WizardPage::HotKey);
    const struct {
        const char* typed;
        std::string error;
    } refused[] = {{"by the", hotkeys::kWizardAbbreviationRefused},
                   {"abcdefghijklmnopqrstuvwxyz0123456", hotkeys::kWizardAbbreviationRefused},
                   {" BTW ", "You have selected the abbreviation of the macro Way, please select another."}};
    for (const auto& r : refused) {
        fake.dialogs.errors.clear();
        view.f.abbreviation = r.typed;
        wizard.next();
        EXPECT_EQ(wizard.page(), WizardPage::HotKey) << r.typed;
        EXPECT_EQ(fake.dialogs.errors, std::vector<std::string>{r.error});
        EXPECT_EQ(view.focused, authoring::WizardFocus::Abbreviation);
    }
    view.f.abbreviation = " ;sig ";
    view.f.immediate = true;
    view.f.commandLine = "notepad.exe";
    wizard.next();
    wizard.next();
    wizard.finish();
    const store::Macro stored = store::MacroRepository(fake.sys).read(2);
    EXPECT_EQ(stored.abbreviation, ";sig");
    EXPECT_TRUE(stored.immediate);
}
