#include "triggers/dispatcher.hpp"

#include <gtest/gtest.h>

#include "core/error.hpp"
#include "os/fake/fake_os.hpp"
#include "playback/interpreter.hpp"
#include "run_host.hpp"
#include "store/store.hpp"
#include "triggers/watcher.hpp"

using namespace kv;

namespace {

// A recorder stand-in that keeps the replay running until the test ends it.
struct RecordingJournal : journal::Journal {
    bool running = false, moreQueued = false;
    bool idle() const override { return !running && !moreQueued; }
    std::vector<std::string> played;
    std::vector<bool> speeds;
    void record(const std::string&, journal::Capture) override {}
    void playBack(const std::string& path, journal::Pace pace) override {
        running = true;
        played.push_back(path);
        speeds.push_back(pace == journal::Pace::High);
    }
    void stop() override {}
    // The replay running now ends.
    void finish(bool userCancel = false) {
        running = false;
        replayFinished(userCancel);
    }
};

// Hands each replay's end to the dispatcher, as the application does.
struct Ends : journal::JournalListener {
    triggers::Dispatcher& dispatcher;
    explicit Ends(triggers::Dispatcher& d) : dispatcher(d) {}
    void replayFinished(bool) override { dispatcher.recorderFinished(); }
    void escapePressed() override { dispatcher.stopAll(); }
};

struct DispatcherTest : ::testing::Test {
    os::fake::FakeSystem fake;
    os::System& sys = fake.sys;
    playback::RunState state;
    RecordingJournal journal;
    test::RunHost host;
    triggers::Dispatcher dispatcher{sys, state, journal, host};
    Ends ends{dispatcher};
    store::Store store{fake.files, sys.storePath};
    std::vector<std::string> scripts;
    std::vector<playback::RunStatus>& statuses = host.statuses;

    DispatcherTest() {
        host.run = [this](const std::string& s) { scripts.push_back(s); };
        journal.setListener(ends);
    }
    void macro(int slot, int kind, const std::string& file, int speed = 0) {
        const std::string s = "Macro" + std::to_string(slot);
        store.writeInt(s, "Type", kind);
        store.writeString(s, "FileName", file);
        if (speed) store.writeInt(s, "Speed", speed);
    }
};

}  // namespace

TEST_F(DispatcherTest, KindOneOpensTheWholeValueThroughTheShell) {
    macro(1, 1, "notepad.exe C:\\notes.txt");
    macro(2, 1, "mailto:someone@example.com");
    dispatcher.processHotKey(1);
    dispatcher.processHotKey(2);
    EXPECT_EQ(fake.shell.opened,
              (std::vector<std::string>{"notepad.exe C:\\notes.txt", "mailto:someone@example.com"}));
    EXPECT_EQ(state.runStatus, playback::RunStatus::RunEnded);
}

TEST_F(DispatcherTest, UnknownOrMissingKindsDoNothing) {
    macro(1, 7, "x");
    store.writeString("Macro2", "Name", "no type");
    dispatcher.processHotKey(1);
    dispatcher.processHotKey(2);
    dispatcher.processHotKey(9);
    EXPECT_TRUE(fake.shell.opened.empty());
    EXPECT_TRUE(journal.played.empty());
    EXPECT_EQ(state.runStatus, playback::RunStatus::None);
}

TEST_F(DispatcherTest, ReplaysSetSpeedAndReturnWhileTheReplayRuns) {
    macro(1, 2, "Keys.dat");
    macro(2, 3, "Mouse.dat");
    macro(3, 3, "Fast.dat", 2);
    dispatcher.processHotKey(1);
    EXPECT_FALSE(state.journalFinished);
    dispatcher.processHotKey(2);
    dispatcher.processHotKey(3);
    EXPECT_EQ(journal.played, (std::vector<std::string>{"C:\\Keyvale\\Keys.dat", "C:\\Keyvale\\Mouse.dat",
                                                        "C:\\Keyvale\\Fast.dat"}));
    EXPECT_EQ(journal.speeds, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(state.runStatus, playback::RunStatus::None) << "a replay reports only when it ends";
    journal.finish();
    EXPECT_EQ(state.runStatus, playback::RunStatus::ReplayEnded);
    EXPECT_TRUE(state.journalFinished);
}

TEST_F(DispatcherTest, ScriptLinesAreJoinedWithLineBreaksAndTheValueCleared) {
    macro(1, 4, "S.key");
    fake.files.files["C:\\Keyvale\\S.key"] = "first\r\nsecond\nthird";
    state.storedValue = "old";
    dispatcher.processHotKey(1);
    EXPECT_EQ(scripts, (std::vector<std::string>{"first\r\nsecond\r\nthird\r\n"}));
    EXPECT_EQ(state.storedValue, "");
    EXPECT_EQ(statuses, (std::vector<playback::RunStatus>{playback::RunStatus::RunEnded}));
}

TEST_F(DispatcherTest, AMissingScriptRaisesBeforeAnythingRunsAndKeepsTheStatus) {
    macro(1, 4, "Gone.key");
    state.runStatus = playback::RunStatus::ReplayEnded;
    try {
        dispatcher.processHotKey(1);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file C:\\Keyvale\\Gone.key");
    }
    EXPECT_TRUE(scripts.empty());
    EXPECT_EQ(state.runStatus, playback::RunStatus::ReplayEnded);
}

TEST_F(DispatcherTest, AScriptThatStartsAReplayReportsOnlyAfterItEnds) {
    macro(1, 4, "S.key");
    macro(2, 3, "R.dat");
    fake.files.files["C:\\Keyvale\\S.key"] = "<<RUN:R>>";
    host.run = [this](const std::string&) {
        dispatcher.processHotKey(2);
        fake.pump.at(fake.pump.now() + 5000, [this] { journal.finish(); });
    };
    const auto start = fake.pump.now();
    dispatcher.processHotKey(1);
    EXPECT_GE(fake.pump.now() - start, 5000u);
    EXPECT_EQ(statuses, (std::vector<playback::RunStatus>{playback::RunStatus::ReplayEnded,
                                                          playback::RunStatus::RunEnded}));
}

TEST_F(DispatcherTest, AHotKeyRunsOnlyAfterCtrlAltAndShiftAreReleased) {
    macro(3, 1, "calc.exe");
    fake.keyboard.held = {0x11, 0x12};
    fake.pump.at(fake.pump.now() + 300, [this] { fake.keyboard.held.erase(0x11); });
    fake.pump.at(fake.pump.now() + 500, [this] {
        EXPECT_TRUE(fake.shell.opened.empty()) << "ran while Alt was still held";
        fake.keyboard.held = {0x10};
    });
    fake.pump.at(fake.pump.now() + 800, [this] { fake.keyboard.held.clear(); });
    const auto start = fake.pump.now();
    dispatcher.hotKeyPressed(3);
    EXPECT_EQ(fake.shell.opened, (std::vector<std::string>{"calc.exe"}));
    EXPECT_GE(fake.pump.now() - start, 800u);
    EXPECT_FALSE(state.hotKeyBusy);
    // It waited on the queue, one wait per check every 2 ms, instead of spinning.
    EXPECT_LE(fake.pump.waitCalls, 800 / 2 + 5);
}

TEST_F(DispatcherTest, HotKeysAreDroppedWhileBusyOrADialogIsOpen) {
    macro(1, 1, "a");
    macro(2, 1, "b");
    state.macroDialogOpen = true;
    dispatcher.hotKeyPressed(1);
    EXPECT_TRUE(fake.shell.opened.empty());
    state.macroDialogOpen = false;
    // A second hot key arriving while the first waits for the modifiers.
    fake.keyboard.held = {0x11};
    fake.pump.at(fake.pump.now() + 50, [this] { dispatcher.hotKeyPressed(2); });
    fake.pump.at(fake.pump.now() + 100, [this] { fake.keyboard.held.clear(); });
    dispatcher.hotKeyPressed(1);
    EXPECT_EQ(fake.shell.opened, (std::vector<std::string>{"a"}));
    dispatcher.hotKeyPressed(0);
    EXPECT_EQ(fake.shell.opened.size(), 1u) << "component 0 runs nothing";
}

// Every road asks through runMacro: a hot key takes the hot-key path (dropped
// while a macro dialog is open, its error shown where it fired), the others
// run at once and hand their errors to whoever asked.
TEST_F(DispatcherTest, EachRoadTakesItsOwnPathThroughOneRequest) {
    macro(1, 1, "a");
    macro(2, 4, "Gone.key");
    RunRequests& runs = dispatcher;
    state.macroDialogOpen = true;
    runs.runMacro(1, Road::HotKey);
    EXPECT_TRUE(fake.shell.opened.empty());
    for (Road road : {Road::TriggerWindow, Road::CommandLine, Road::RunToken}) runs.runMacro(1, road);
    EXPECT_EQ(fake.shell.opened.size(), 3u);
    state.macroDialogOpen = false;
    runs.runMacro(1, Road::HotKey);
    EXPECT_EQ(fake.shell.opened.size(), 4u);

    EXPECT_NO_THROW(runs.runMacro(2, Road::HotKey));
    EXPECT_EQ(fake.dialogs.errors, std::vector<std::string>{"Cannot open file C:\\Keyvale\\Gone.key"});
    EXPECT_FALSE(state.hotKeyBusy);
    for (Road road : {Road::TriggerWindow, Road::CommandLine, Road::RunToken})
        EXPECT_THROW(runs.runMacro(2, road), Error);
    EXPECT_EQ(fake.dialogs.errors.size(), 1u);
}

TEST_F(DispatcherTest, BusyIsClearedWhenTheRunFails) {
    macro(1, 4, "Gone.key");
    EXPECT_THROW(dispatcher.hotKeyPressed(1), Error);
    EXPECT_FALSE(state.hotKeyBusy);
    macro(2, 1, "after");
    dispatcher.hotKeyPressed(2);
    EXPECT_EQ(fake.shell.opened, (std::vector<std::string>{"after"}));
}

TEST_F(DispatcherTest, AStoredFileNameThatLeavesTheProgramDirectoryIsRefused) {
    macro(1, 4, "..\\..\\Windows\\system.ini");
    EXPECT_THROW(dispatcher.processHotKey(1), Error);
    EXPECT_TRUE(scripts.empty());
}

TEST_F(DispatcherTest, AScriptWaitsOnWhileReplaysAreStillQueued) {
    macro(1, 2, "A.dat");
    dispatcher.processHotKey(1);
    journal.moreQueued = true;
    journal.finish();
    EXPECT_EQ(state.runStatus, playback::RunStatus::ReplayEnded);
    EXPECT_FALSE(state.journalFinished) << "another replay is still to play";
    journal.moreQueued = false;
    journal.finish();
    EXPECT_TRUE(state.journalFinished);
}

TEST_F(DispatcherTest, ATriggerMacroThatOpensItsOwnTriggerWindowEndsTheWholeRunAtTheNestingLimit) {
    macro(1, 4, "Loop.key");
    store.writeInt("Main", "Entries", 1);
    store.writeString("Macro1", "Trigger", "Loop");
    fake.files.files["C:\\Keyvale\\Loop.key"] = "x";
    triggers::Watcher watcher(sys, dispatcher);
    // As "<<EXECUTE:" of its own window then "<<LOOKFOR:" of one that never
    // comes: the trigger scan runs during the wait. Bounded, so that a
    // missing limit shows as too many runs rather than a stack overflow.
    int runs = 0, stoppedRuns = 0;
    bool reopen = true;
    host.run = [&](const std::string&) {
        if (++runs > 100 || !reopen) return;
        fake.windows.open("Loop");
        const std::uint64_t generation = state.stopGeneration;
        for (int i = 0; i < 40 && state.stopGeneration == generation; ++i)
            fake.pump.waitUntil(fake.pump.now() + 250);
        if (state.stopGeneration != generation) {
            ++stoppedRuns;
            throw Stopped{};
        }
    };
    watcher.setUp();
    fake.windows.open("Loop");
    fake.pump.waitUntil(fake.pump.now() + 250);
    EXPECT_EQ(runs, 1 + triggers::Dispatcher::kMaxNesting);
    EXPECT_EQ(fake.dialogs.errors, (std::vector<std::string>{playback::kRunsTooDeep}));
    EXPECT_EQ(stoppedRuns, runs) << "every outer run ends with the innermost";
    // A run started afterwards runs as usual.
    runs = 0;
    reopen = false;
    fake.windows.open("Loop");
    fake.pump.waitUntil(fake.pump.now() + 250);
    EXPECT_EQ(runs, 1);
}
