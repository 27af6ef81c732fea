#include "authoring/properties.hpp"

#include <gtest/gtest.h>

#include "authoring/hot_key_rule.hpp"
#include "authoring/macro_name.hpp"
#include "hotkeys/abbreviations.hpp"
#include "os/fake/fake_os.hpp"
#include "store/macro_repository.hpp"
#include "store/store.hpp"

using namespace kv;
using authoring::PropertiesButton;
using authoring::PropertiesFocus;
using authoring::PropertiesLayout;

TEST(MacroName, PlainFileNamesOnly) {
    const struct {
        const char* name;
        bool allowed;
    } cases[] = {
        {"Alpha", true},    {"My macro 2", true}, {"Con game", true}, {"COM10", true}, {"a.b", true},
        {"Alpha   ", true}, {"..x", true},        {"a/b", false},     {"a\\b", false}, {"C:x", false},
        {"a*", false},      {"why?", false},      {"\"q\"", false},   {"<a>", false},  {"a|b", false},
        {"a\tb", false},    {"a\r\nb", false},    {"..", false},      {". .", false},  {"   ", false},
        {"CON", false},     {"con.txt", false},   {"Nul .x", false},  {"com1", false}, {"LPT9.dat", false},
        {"aux  ", false},   {"~temp", false},     {"~TEMP ", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(!authoring::macroNameProblem(c.name).has_value(), c.allowed) << c.name;
    EXPECT_FALSE(authoring::macroNameProblem("").has_value());  // the caller's own message
}

namespace {

struct FakeJournal : journal::Journal {
    struct Call {
        std::string what, playBackFileName, recordFileName;
        bool hiSpeed, keyStrokesOnly;
        bool operator==(const Call&) const = default;
    };
    // What the latest calls asked for.
    std::string playBackFileName, recordFileName;
    bool hiSpeedPlayBack = false, keyStrokesOnly = false;
    void record(const std::string& path, journal::Capture capture) override {
        recordFileName = path;
        keyStrokesOnly = capture == journal::Capture::KeysOnly;
        calls.push_back({"record", playBackFileName, recordFileName, hiSpeedPlayBack, keyStrokesOnly});
    }
    void playBack(const std::string& path, journal::Pace pace) override {
        playBackFileName = path;
        hiSpeedPlayBack = pace == journal::Pace::High;
        calls.push_back({"play", playBackFileName, "", hiSpeedPlayBack, keyStrokesOnly});
    }
    void stop() override { calls.push_back({"stop", "", "", false, false}); }
    std::vector<Call> calls;
};

struct FakeView : authoring::PropertiesView {
    void setLayout(const PropertiesLayout& l) override { layout = l; }
    void setName(const std::string& t) override { name_ = t; }
    std::string name() override { return name_; }
    void setFileName(const std::string& t) override { file = t; }
    std::string fileName() override { return file; }
    void setHighSpeed(bool on) override { high = on; }
    bool highSpeed() override { return high; }
    void setHotKey(std::uint16_t v) override { hot = v; }
    std::uint16_t hotKey() override { return hot; }
    void setTrigger(const std::string& t) override { trig = t; }
    std::string trigger() override { return trig; }
    void setArrival(const authoring::ArrivalChoice& a) override { arrivalChoice = a; }
    authoring::ArrivalChoice arrival() override { return arrivalChoice; }
    void setScope(const std::string& o, const std::string& n, bool on) override {
        only = o, notIn_ = n, switchedOn = on;
    }
    std::string onlyIn() override { return only; }
    std::string notIn() override { return notIn_; }
    bool macroEnabled() override { return switchedOn; }
    void setAbbreviation(const std::string& a, bool i) override { abbreviation_ = a, immediate_ = i; }
    std::string abbreviation() override { return abbreviation_; }
    bool immediate() override { return immediate_; }
    std::string abbreviation_;
    bool immediate_ = false;
    std::string only, notIn_;
    bool switchedOn = true;
    void clearScratch() override { ++scratchCleared; }
    void enable(PropertiesButton b, bool on) override { enabled[b] = on; }
    void focus(PropertiesFocus f) override { focused = f; }
    void showDialog(bool on) override { shown = on; }
    void bringToFront() override { ++broughtToFront; }
    void close() override { ++closed; }

    std::optional<PropertiesLayout> layout;
    authoring::ArrivalChoice arrivalChoice{store::Insert::Paste, store::PasteKeys::CtrlV, "unset"};
    std::string name_, file, trig;
    bool high = false;
    std::uint16_t hot = 0;
    int scratchCleared = 0, broughtToFront = 0, closed = 0;
    std::map<PropertiesButton, bool> enabled;
    std::optional<PropertiesFocus> focused;
    bool shown = true;
};

struct FakeHost : authoring::PropertiesHost {
    void setStopHotKeyEnabled(bool on) override { stopKey = on; }
    void showManager(bool on) override { manager = on; }
    void refillList() override { ++refills; }
    void loadHotKeys() override { ++hotKeyLoads; }
    void openHelp() override { ++helps; }
    std::optional<std::string> editScript(const authoring::ScriptEditRequest& r) override {
        edited = r.script;
        return save ? save(r) : std::nullopt;
    }
    bool stopKey = false, manager = true;
    int refills = 0, hotKeyLoads = 0, helps = 0;
    std::string edited;
    std::function<std::optional<std::string>(const authoring::ScriptEditRequest&)> save;
};

const std::string kDir = "C:\\Keyvale\\";

struct Properties : ::testing::Test {
    os::fake::FakeSystem fake;
    FakeJournal journal;
    playback::RunState state;
    FakeHost host;
    FakeView view;
    authoring::PropertiesPresenter p{fake.sys, journal, state, host, view};
    Properties() {
        fake.files.files[fake.sys.storePath] =
            "[Main]\r\nEntries=4\r\n"
            "[Macro1]\r\nName=Notes\r\nType=1\r\nHotKey=16449\r\nFileName=notepad.exe\r\nTrigger=Untitled\r\n"
            "[Macro2]\r\nName=Keys\r\nType=2\r\nFileName=Keys.dat\r\n"
            "[Macro3]\r\nName=Alpha\r\nType=3\r\nHotKey=16450\r\nFileName=Alpha.dat\r\nSpeed=2\r\nTrigger="
            "Calc\r\n"
            "[Macro4]\r\nName=Script\r\nType=4\r\nFileName=Script.key\r\nOnlyIn=mail.exe\r\nEnabled=0\r\n";
        for (const char* f : {"Keys.dat", "Alpha.dat", "Script.key"})
            fake.files.files[kDir + f] = std::string("data of ") + f;
    }
    store::Store st() { return store::Store(fake.files, fake.sys.storePath); }
    std::string key(int slot, const char* k) {
        return st().readString("Macro" + std::to_string(slot), k, "(none)");
    }
    std::string file(const std::string& name) {
        auto it = fake.files.files.find(kDir + name);
        return it == fake.files.files.end() ? "(missing)" : it->second;
    }
};

}  // namespace

TEST_F(Properties, OpeningSetsUpTheRowsFieldsAndRecorderByKind) {
    const std::string none;
    // Built by a function: GCC 12 at -O2 takes the nested brace form for
    // strings used uninitialised.
    const auto layoutOf = [](const char* text, int picture, bool file, bool speed, bool record, bool edit) {
        PropertiesLayout l;
        l.description = text;
        l.picture = picture;
        l.fileRow = file;
        l.speedChoice = speed;
        l.recordPanel = record;
        l.editMacro = edit;
        l.arrival = edit;  // a script also shows how its text arrives
        return l;
    };
    const struct {
        PropertiesLayout layout;
        std::string file, playBack;
        bool high, journalHigh;
    } cases[] = {
        {layoutOf("Start an Application or Launch a Document", 1, true, false, false, false), "notepad.exe",
         none, 0, 0},
        {layoutOf("Playback Keystrokes", 2, false, false, true, false), none, kDir + "Keys.dat", false, true},
        {layoutOf("Playback Mouse and Keyboard", 3, false, true, true, false), none, kDir + "Alpha.dat", true,
         false},
        {layoutOf("Playback Manually Created Keystrokes", 4, false, false, false, true), none, none, false,
         false},
    };
    for (int slot = 1; slot <= 4; ++slot) {
        const auto& c = cases[slot - 1];
        SCOPED_TRACE(slot);
        view = FakeView{};
        journal.playBackFileName.clear();
        journal.hiSpeedPlayBack = !c.journalHigh;
        p.open(slot);
        EXPECT_EQ(view.layout, c.layout);
        EXPECT_EQ(view.file, c.file);
        EXPECT_EQ(view.high, c.high);
        if (slot == 2 || slot == 3) {
            // What Play replays and Record records into, as the dialog opened.
            view.high = false;
            p.play();
            p.playbackFinished();
            p.record();
            p.stop();
            EXPECT_EQ(journal.recordFileName, kDir + "~temp.dat");
            EXPECT_EQ(journal.hiSpeedPlayBack, c.journalHigh);
            EXPECT_EQ(journal.keyStrokesOnly, slot == 2);
        }
        EXPECT_EQ(journal.playBackFileName, c.playBack);
    }
    const auto fields = [&] { return view.name_ + "|" + std::to_string(view.hot) + "|" + view.trig; };
    EXPECT_EQ(fields(), "Script|0|");
    view = FakeView{};
    p.open(3);
    EXPECT_EQ(fields(), "Alpha|16450|Calc");
    EXPECT_EQ(view.focused, PropertiesFocus::Name);
    EXPECT_TRUE(state.macroDialogOpen && host.stopKey && view.scratchCleared == 1);
    // An unknown kind leaves the rows as they were.
    st().writeInt("Macro4", "Type", 7);
    view.layout.reset();
    p.open(4);
    EXPECT_FALSE(view.layout.has_value());
}

TEST_F(Properties, AScriptShowsAndKeepsHowItsTextArrivesAndRefusesABadPause) {
    p.open(4);
    EXPECT_EQ(view.arrivalChoice,
              (authoring::ArrivalChoice{store::Insert::Type, store::PasteKeys::CtrlV, "0"}));
    // Refused pauses keep the dialog open on the field and write nothing.
    for (const char* bad : {"1001", "x", "", "-5", "99999"}) {
        SCOPED_TRACE(bad);
        fake.dialogs.errors.clear();
        view.arrivalChoice = {store::Insert::Auto, store::PasteKeys::ShiftInsert, bad};
        EXPECT_FALSE(p.ok());
        EXPECT_EQ(fake.dialogs.errors, std::vector<std::string>{authoring::kKeyDelayMessage});
        EXPECT_EQ(view.focused, PropertiesFocus::KeyDelay);
        EXPECT_EQ(key(4, "Insert"), "(none)");
    }
    view.arrivalChoice = {store::Insert::Auto, store::PasteKeys::ShiftInsert, " 1000 "};
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(key(4, "Insert") + "|" + key(4, "PasteKeys") + "|" + key(4, "KeyDelay"),
              "auto|shift-insert|1000");
    view = FakeView{};
    p.open(4);
    EXPECT_EQ(view.arrivalChoice,
              (authoring::ArrivalChoice{store::Insert::Auto, store::PasteKeys::ShiftInsert, "1000"}));
    // Other kinds neither show nor write it.
    view = FakeView{};
    p.open(1);
    EXPECT_EQ(view.arrivalChoice.keyDelay, "unset");
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(key(1, "Insert"), "(none)");
}

TEST_F(Properties, OkWritesEveryKeyAndMovesTheFileByKind) {
    // Kind 3, renamed without a new recording, trailing blanks dropped.
    p.open(3);
    view.name_ = "Beta  ";
    view.high = false;
    view.hot = 16451;
    view.trig = "";
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(key(3, "Name"), "Beta");
    EXPECT_EQ(key(3, "FileName"), "Beta.dat");
    EXPECT_EQ(key(3, "Speed"), "1");
    EXPECT_EQ(key(3, "HotKey"), "16451");
    EXPECT_EQ(key(3, "Trigger"), "");  // an empty title removes the trigger
    EXPECT_EQ(file("Beta.dat"), "data of Alpha.dat");
    EXPECT_EQ(file("Alpha.dat"), "(missing)");
    EXPECT_TRUE(host.refills == 1 && host.hotKeyLoads == 1 && view.closed == 1);
    EXPECT_FALSE(state.macroDialogOpen || host.stopKey);

    // Kind 4 renamed: the script follows; its scope stays as shown.
    p.open(4);
    EXPECT_EQ(view.only, "mail.exe");
    EXPECT_FALSE(view.switchedOn);
    view.name_ = "Script two";
    view.notIn_ = "Drafts\r\n";
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(key(4, "OnlyIn"), "mail.exe");
    EXPECT_EQ(key(4, "NotIn"), "Drafts");
    EXPECT_EQ(key(4, "Enabled"), "0");
    EXPECT_EQ(key(4, "FileName"), "Script two.key");
    EXPECT_EQ(file("Script two.key"), "data of Script.key");
    EXPECT_EQ(file("Script.key"), "(missing)");

    // Kind 1: Browse fills the file name unless cancelled; F1 opens help.
    p.open(1);
    fake.dialogs.pickedFile = "C:\\Tools\\x.exe";
    p.browse();
    EXPECT_EQ(view.file, "C:\\Tools\\x.exe");
    fake.dialogs.pickedFile.reset();
    p.browse();
    EXPECT_EQ(view.file, "C:\\Tools\\x.exe");
    EXPECT_EQ(fake.dialogs.fileFilters.back(), authoring::kProgramFileFilter);
    p.keyUp(113);
    p.keyUp(112);
    EXPECT_EQ(host.helps, 1);
    // The file name as typed, trimmed and on one line; no file moves.
    const auto before = fake.files.files.size();
    view.file = "  notepad.exe\r\nx.txt ";
    view.trig = "Untitled\r\n[Main]";
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(key(1, "FileName"), "notepad.exex.txt");
    EXPECT_EQ(key(1, "Trigger"), "Untitled[Main]");
    EXPECT_EQ(key(1, "Speed"), "(none)");
    EXPECT_EQ(fake.files.files.size(), before);
}

TEST_F(Properties, ANewRecordingReplacesTheStreamOnlyOnOk) {
    const auto recordAgain = [&](const char* bytes) {
        p.open(3);
        p.record();
        fake.files.files[kDir + "~temp.dat"] = bytes;
        p.stop();
    };
    recordAgain("new");
    p.cancel();
    EXPECT_EQ(file("Alpha.dat"), "data of Alpha.dat");
    EXPECT_EQ(key(3, "Name"), "Alpha");
    EXPECT_FALSE(p.recordedInDialog());

    // Same name: one rename over the old stream.
    recordAgain("new");
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(file("Alpha.dat"), "new");
    EXPECT_EQ(file("~temp.dat"), "(missing)");

    // With a new name: stored under it, the old stream is gone.
    recordAgain("newer");
    view.name_ = "Gamma";
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(file("Gamma.dat"), "newer");
    EXPECT_EQ(file("Alpha.dat"), "(missing)");
    EXPECT_EQ(key(3, "FileName"), "Gamma.dat");

    // A name differing only in letter case keeps the one file it names on Windows.
    recordAgain("newest");
    view.name_ = "GAMMA";
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(file("GAMMA.dat"), "newest");
    EXPECT_EQ(file("Gamma.dat"), "newer");  // not deleted: on Windows it is GAMMA.dat
}

TEST_F(Properties, RefusedNamesChangeNothing) {
    const auto storeBefore = fake.files.files;
    const struct {
        const char* name;
        std::string message;
    } cases[] = {
        {"", "Please enter a name for this macro."},
        {"keys  ", authoring::kDuplicateNameMessage},
        {"NOTES", authoring::kDuplicateNameMessage},
        {"..\\Keys", "A macro name cannot contain any of the characters \\ / : * ? \" < > |"},
        {"LPT1",
         "Windows reserves the name LPT1 for a device, so it cannot name a macro; please select another."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.dialogs.errors.clear();
        p.open(3);
        view.name_ = c.name;
        view.focused.reset();
        EXPECT_FALSE(p.ok());
        EXPECT_EQ(fake.dialogs.errors, std::vector<std::string>{c.message});
        EXPECT_EQ(view.focused, PropertiesFocus::Name);
        EXPECT_EQ(view.closed, 0);
        EXPECT_EQ(fake.files.files, storeBefore);
    }
    // Another macro's hand-edited file name counts as its name.
    st().writeString("Macro2", "FileName", "Other.dat");
    p.open(3);
    view.name_ = "other";
    EXPECT_FALSE(p.ok());
    EXPECT_EQ(fake.dialogs.errors.back(), authoring::kDuplicateNameMessage);
    // Its own name in other letters is no conflict.
    view.name_ = "ALPHA";
    EXPECT_TRUE(p.ok());
}

TEST_F(Properties, AFailedMoveOrStoreWriteLeavesTheMacroAsItWas) {
    p.open(3);
    view.name_ = "Beta";
    fake.files.failReplace = true;
    EXPECT_FALSE(p.ok());
    EXPECT_EQ(fake.dialogs.errors,
              std::vector<std::string>{"Unable to rename " + kDir + "Alpha.dat to " + kDir + "Beta.dat"});
    EXPECT_EQ(key(3, "Name"), "Alpha");
    EXPECT_EQ(key(3, "FileName"), "Alpha.dat");
    EXPECT_EQ(file("Alpha.dat"), "data of Alpha.dat");
    EXPECT_EQ(view.closed, 0);
    EXPECT_TRUE(state.macroDialogOpen);

    // A recording that cannot be moved keeps the old stream too.
    fake.files.failReplace = false;
    p.record();
    p.stop();
    view.name_ = "Alpha";
    view.trig = "Changed";
    EXPECT_FALSE(p.ok());  // no ~temp.dat was written
    EXPECT_EQ(file("Alpha.dat"), "data of Alpha.dat");
    EXPECT_EQ(key(3, "Trigger"), "Calc");  // the store is put back as it was

    // The store refuses the write: the moved file goes back.
    fake.files.files[kDir + "~temp.dat"] = "new";
    fake.files.readOnly.insert(fake.sys.storePath);
    view.trig = "Other";
    EXPECT_FALSE(p.ok());
    EXPECT_EQ(file("Alpha.dat"), "data of Alpha.dat");
    EXPECT_EQ(file("~temp.dat"), "new");
    EXPECT_EQ(key(3, "Name"), "Alpha");
}

TEST_F(Properties, AHotKeyWithoutCtrlOrAltIsRefused) {
    p.open(3);
    view.hot = 0x2000 | 0x78;  // Shift+F9
    EXPECT_FALSE(p.ok());
    EXPECT_EQ(fake.dialogs.errors, std::vector<std::string>{authoring::kPropertiesHotKeyRefused});
    EXPECT_EQ(view.focused, PropertiesFocus::HotKey);
    EXPECT_EQ(view.closed, 0);
    view.hot = 0x4000 | 0x78;
    p.hotKeyLeft();
    EXPECT_TRUE(p.ok());
    EXPECT_EQ(fake.dialogs.errors.size(), 1u);
}

TEST_F(Properties, RecordingStoppingAndTryingOut) {
    p.open(3);
    p.play();  // the macro's own stream, at the chosen speed
    // Replayed keys press no button: OK and Cancel wait for the replay's end.
    EXPECT_FALSE(view.enabled[PropertiesButton::Ok] || view.enabled[PropertiesButton::Cancel]);
    p.playbackFinished();
    EXPECT_TRUE(view.enabled[PropertiesButton::Ok] && view.enabled[PropertiesButton::Cancel]);
    p.stopByHotKey();  // nothing records: nothing comes back
    EXPECT_EQ(view.broughtToFront, 0);
    view.high = false;
    p.record();
    auto& on = view.enabled;
    using B = PropertiesButton;
    EXPECT_TRUE(p.mouseRecording() && on[B::Stop]);
    EXPECT_FALSE(host.manager || view.shown || on[B::Ok] || on[B::Cancel] || on[B::Record]);
    p.hidden();
    EXPECT_TRUE(host.stopKey);  // the mouse recording keeps the stop key
    p.stopByHotKey();
    EXPECT_TRUE(host.manager && view.shown && view.broughtToFront == 1);
    EXPECT_TRUE(on[B::Record] && on[B::Ok] && on[B::Cancel] && !on[B::Stop]);
    p.play();
    const std::string temp = kDir + "~temp.dat";
    EXPECT_EQ(journal.calls,
              (std::vector<FakeJournal::Call>{{"play", kDir + "Alpha.dat", "", true, false},
                                              {"record", kDir + "Alpha.dat", temp, true, false},
                                              {"stop", "", "", false, false},
                                              {"play", temp, "", false, false}}));
    // Closing always frees the stop key.
    p.cancel();
    EXPECT_FALSE(host.stopKey);

    // A keystroke recording leaves the dialog up, replays at high speed, and
    // closing the dialog in the middle of it ends it.
    journal.calls.clear();
    p.open(2);
    p.record();
    EXPECT_TRUE(view.shown);
    EXPECT_EQ(view.focused, PropertiesFocus::Scratch);
    p.cancel();
    ASSERT_EQ(journal.calls.size(), 2u);
    EXPECT_TRUE(journal.calls[0].keyStrokesOnly && journal.calls[1].what == "stop" && !p.recording());
    p.open(2);
    EXPECT_TRUE(on[B::Record] && on[B::Ok] && on[B::Cancel] && !on[B::Stop]);
}

TEST_F(Properties, EditMacroSavedUnderANewNameThenCancelled) {
    fake.files.files[kDir + "Script.key"] = "\r\n  Hello<<ENTER>>\r\n\r\n";
    // A Save that writes the new file whole, then removes the old one.
    host.save = [&](const authoring::ScriptEditRequest& r) -> std::optional<std::string> {
        fake.files.write(kDir + r.newBaseName + ".key", "Changed\r\n");
        if (r.newBaseName != r.scriptBaseName) fake.files.remove(kDir + r.scriptBaseName + ".key");
        return r.newBaseName;
    };
    p.open(4);
    view.name_ = "Renamed ";
    p.editMacro();
    EXPECT_EQ(host.edited, "Hello<<ENTER>>");
    EXPECT_EQ(p.scriptBaseName(), "Renamed");
    p.cancel();
    const std::string stored = key(4, "FileName");
    EXPECT_EQ(stored, "Renamed.key");
    EXPECT_EQ(file(stored), "Changed\r\n");
    EXPECT_EQ(key(4, "Name"), "Renamed");

    // The next opening reads the script under its new name; OK keeps it.
    p.open(4);
    p.editMacro();
    EXPECT_EQ(host.edited, "Changed");
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(file("Renamed.key"), "Changed\r\n");

    // A name Save may not write under opens no editor.
    host.edited.clear();
    p.open(4);
    view.name_ = "Notes";
    p.editMacro();
    EXPECT_EQ(host.edited, "");
    EXPECT_EQ(file("Notes.key"), "(missing)");

    // A script that cannot be read.
    fake.files.files.erase(kDir + "Renamed.key");
    view.name_ = "Renamed";
    p.editMacro();
    EXPECT_EQ(fake.dialogs.messages,
              std::vector<std::string>{"Error: Keyvale could not load the macro file for this macro"});
    EXPECT_EQ(host.edited, "");
}

TEST_F(Properties, EditMacroWhoseSaveKeepsTheStoredFileSettlesOnOkOrCancel) {
    // A Save that also rewrites the file under the stored name until the dialog settles.
    host.save = [&](const authoring::ScriptEditRequest& r) -> std::optional<std::string> {
        EXPECT_EQ(r.storedBaseName, "Script");
        fake.files.write(kDir + r.newBaseName + ".key", "v2\r\n");
        fake.files.write(kDir + r.storedBaseName + ".key", "v2\r\n");
        return r.newBaseName;
    };
    const std::string storeBefore = fake.files.files[fake.sys.storePath];
    p.open(4);
    view.name_ = "Old";
    p.editMacro();
    view.name_ = "New";
    p.editMacro();
    EXPECT_EQ(file("Old.key"), "(missing)");
    p.cancel();
    EXPECT_EQ(fake.files.files[fake.sys.storePath], storeBefore);
    EXPECT_EQ(file("Script.key"), "v2\r\n");
    EXPECT_EQ(file("New.key"), "(missing)");

    // Saved as New, renamed again to Newer before OK: one file, under the stored name.
    p.open(4);
    view.name_ = "New";
    p.editMacro();
    view.name_ = "Newer";
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(key(4, "FileName"), "Newer.key");
    EXPECT_EQ(file("Newer.key"), "v2\r\n");
    EXPECT_EQ(file("New.key"), "(missing)");
    EXPECT_EQ(file("Script.key"), "(missing)");
}

// Keyvale's own hot keys take a key from every program: a macro given the
// Run Macro window's or Pause's would never run.
TEST_F(Properties, AHotKeyKeyvaleHoldsForItselfIsRefused) {
    st().writeInt(store::kMain, store::kRunMacroHotKey, 0xC000 | 'R');
    st().writeInt(store::kMain, store::kPauseHotKey, 0xC000 | 'P');
    p.open(3);
    for (const auto& [hotKey, error] : std::vector<std::pair<std::uint16_t, std::string>>{
             {0xC000 | 'R', "The hot key Ctrl+Alt+R opens the Run Macro window; please select another."},
             {0xC000 | 'P', "The hot key Ctrl+Alt+P pauses Keyvale; please select another."}}) {
        fake.dialogs.errors.clear();
        view.hot = hotKey;
        EXPECT_FALSE(p.ok());
        EXPECT_EQ(fake.dialogs.errors, std::vector<std::string>{error});
        EXPECT_EQ(view.focused, PropertiesFocus::HotKey);
    }
    view.hot = 0xA000 | 'R';
    EXPECT_TRUE(p.ok());
}

// As in the wizard: refused when malformed or another macro's, with the
// field focused and the dialog open; the macro's own is no other's.
TEST_F(Properties, AnAbbreviationIsRefusedWhenMalformedOrTakenAndStoredOtherwise) {
    st().writeString("Macro1", store::macroKey(store::kAbbreviationField).key, "btw");
    p.open(3);
    for (const auto& [typed, error] : std::vector<std::pair<std::string, std::string>>{
             {"a\tb", hotkeys::kPropertiesAbbreviationRefused},
             {"Btw", "You have selected the abbreviation of the macro Notes, please select another."}}) {
        fake.dialogs.errors.clear();
        view.abbreviation_ = typed;
        EXPECT_FALSE(p.ok()) << typed;
        EXPECT_EQ(fake.dialogs.errors, std::vector<std::string>{error});
        EXPECT_EQ(view.focused, PropertiesFocus::Abbreviation);
        EXPECT_EQ(view.closed, 0);
    }
    view.abbreviation_ = "alp";
    view.immediate_ = true;
    EXPECT_TRUE(p.ok());
    const store::Macro stored = store::MacroRepository(fake.sys).read(3);
    EXPECT_EQ(stored.abbreviation, "alp");
    EXPECT_TRUE(stored.immediate);
    p.open(1);
    EXPECT_EQ(view.abbreviation_, "btw");
    EXPECT_TRUE(p.ok());
}
