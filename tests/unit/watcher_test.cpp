#include "triggers/watcher.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "os/fake/fake_os.hpp"
#include "run_requests.hpp"
#include "store/store.hpp"

using namespace kv;
using triggers::handleListContains;
using triggers::recordHandle;

TEST(FoundHandleList, ContainsAndRecording) {
    EXPECT_TRUE(handleListContains("2044,1312", 1312));
    EXPECT_FALSE(handleListContains("2044,1312", 131));
    EXPECT_FALSE(handleListContains("", 0));
    // Malformed parts are no match, not an error.
    EXPECT_FALSE(handleListContains("abc,,12x", 12));
    EXPECT_TRUE(handleListContains("abc,12", 12));
    auto alive = [](os::WindowHandle h) { return h != 22; };
    EXPECT_EQ(recordHandle("", 5, alive), "5");
    EXPECT_EQ(recordHandle("11,22,33", 44, alive), "44,11,33") << "dead handles are dropped";
    EXPECT_EQ(recordHandle("x,11", 44, alive), "44,11");
}

namespace {

struct WatcherTest : ::testing::Test {
    os::fake::FakeSystem fake;
    store::Store st{fake.files, fake.sys.storePath};
    std::vector<int> ran;
    std::function<void(int)> onRun;
    test::Runs runs{[this](int slot) {
        ran.push_back(slot);
        if (onRun) onRun(slot);
    }};
    triggers::Watcher watcher{fake.sys, runs};
    void triggers(const std::vector<std::string>& ts) {
        st.writeInt("Main", "Entries", static_cast<int>(ts.size()));
        for (std::size_t i = 0; i < ts.size(); ++i)
            st.writeString("Macro" + std::to_string(i + 1), "Trigger", ts[i]);
    }
    void tick(os::Millis ms = 250) { fake.pump.waitUntil(fake.pump.now() + ms); }
};

}  // namespace

TEST_F(WatcherTest, RunsOncePerWindowWhileItStaysOpen) {
    triggers({"untitled - notepad"});
    watcher.setUp();
    fake.windows.open("  UNTITLED - Notepad ");
    for (int i = 0; i < 8; ++i) tick();
    EXPECT_EQ(ran, (std::vector<int>{1}));
    EXPECT_EQ(runs.roads, std::vector<Road>{Road::TriggerWindow});
    fake.windows.open("Untitled - Notepad");  // a second window, in front
    tick();
    EXPECT_EQ(ran, (std::vector<int>{1, 1}));
}

TEST_F(WatcherTest, WholeTitlesOnlyAndHiddenWindowsWaitUntilShown) {
    triggers({"Report"});
    watcher.setUp();
    fake.windows.open("Report - Draft");
    const auto hidden = fake.windows.open("Report", false);
    tick();
    EXPECT_TRUE(ran.empty());
    fake.windows.setVisible(hidden, true);
    tick();
    EXPECT_EQ(ran, (std::vector<int>{1}));
}

TEST_F(WatcherTest, TwoMacrosOnOneTriggerBothRunInSlotOrder) {
    triggers({"Calc", "", "calc"});
    watcher.setUp();
    fake.windows.open("Calc");
    tick();
    EXPECT_EQ(ran, (std::vector<int>{1, 3}));
}

TEST_F(WatcherTest, SetUpClearsRecordsAndReadsTheInterval) {
    triggers({"Calc"});
    st.writeString("Macro1", "FoundHandle", "99");
    st.writeInt("Main", "SearchInterval", 1000);
    fake.windows.open("Calc");
    watcher.setUp();
    EXPECT_EQ(st.readString("Macro1", "FoundHandle", "x"), "");
    tick(999);
    EXPECT_TRUE(ran.empty());
    tick(1);
    EXPECT_EQ(ran.size(), 1u);
}

TEST_F(WatcherTest, AZeroIntervalSwitchesTheWatcherOff) {
    triggers({"Calc"});
    st.writeInt("Main", "SearchInterval", 0);
    fake.windows.open("Calc");
    watcher.setUp();
    tick(5000);
    EXPECT_TRUE(ran.empty());
    watcher.pause();
    watcher.resume();
    tick(5000);
    EXPECT_TRUE(ran.empty()) << "a delay's end does not switch it on either";
}

TEST_F(WatcherTest, ANestedScanRespectsTheWindowRecordedBeforeTheMacroRan) {
    triggers({"Calc"});
    watcher.setUp();
    fake.windows.open("Calc");
    onRun = [this](int) {
        // The macro handles messages for a while: timer ticks scan again.
        for (int i = 0; i < 5; ++i) tick();
    };
    tick();
    EXPECT_EQ(ran, (std::vector<int>{1}));
}

TEST_F(WatcherTest, AMalformedRecordIsNoMatchAndDeadHandlesArePruned) {
    triggers({"Calc"});
    watcher.setUp();
    const auto old = fake.windows.open("Old");
    st.writeString("Macro1", "FoundHandle", "junk," + std::to_string(old) + ",12345");
    const auto calc = fake.windows.open("Calc");
    tick();
    EXPECT_EQ(ran, (std::vector<int>{1}));
    EXPECT_EQ(st.readString("Macro1", "FoundHandle", ""), std::to_string(calc) + "," + std::to_string(old));
}

TEST_F(WatcherTest, OneEnumerationServesEveryTrigger) {
    std::vector<std::string> ts;
    for (int i = 0; i < 100; ++i) ts.push_back("Trigger " + std::to_string(i));
    triggers(ts);
    for (int i = 0; i < 200; ++i) fake.windows.open("Window " + std::to_string(i));
    watcher.setUp();
    const int before = fake.windows.enumerations;
    watcher.scan();
    EXPECT_EQ(fake.windows.enumerations - before, 1);
}

TEST_F(WatcherTest, PausedDuringDelaysAndBackAfterwards) {
    triggers({"Calc"});
    watcher.setUp();
    watcher.pause();
    fake.windows.open("Calc");
    tick(2000);
    EXPECT_TRUE(ran.empty());
    watcher.resume();
    tick();
    EXPECT_EQ(ran.size(), 1u);
}

TEST_F(WatcherTest, AnUnwritableStoreShowsOneErrorBoxAtATimeAndNoScanWhileItIsOpen) {
    triggers({"Calc"});
    // The watcher shows its errors through the program's guard.
    const auto shownErrors = [&] { return static_cast<int>(fake.dialogs.errors.size()); };
    test::Runs guardedRuns{[this](int slot) { ran.push_back(slot); }};
    triggers::Watcher guarded{fake.sys, guardedRuns};
    guarded.setUp();
    fake.windows.open("Calc");
    fake.files.readOnly.insert(fake.sys.storePath);
    int depth = 0, deepest = 0, enumerationsWhileOpen = 0;
    fake.dialogs.whileErrorOpen = [&] {
        // The box pumps messages for two seconds before the user closes it.
        ++depth;
        deepest = std::max(deepest, depth);
        const int before = fake.windows.enumerations;
        if (depth < 3) tick(2000);
        enumerationsWhileOpen += fake.windows.enumerations - before;
        --depth;
    };
    tick();
    EXPECT_EQ(deepest, 1) << "a box opened inside the previous one";
    EXPECT_EQ(enumerationsWhileOpen, 0);
    EXPECT_EQ(shownErrors(), 1);
    tick();
    EXPECT_EQ(shownErrors(), 2) << "the scan resumes once the box is closed";
    EXPECT_TRUE(ran.empty()) << "the window could not be recorded, so its macro did not run";
}

TEST_F(WatcherTest, TheWatcherStartsWhenClearingTheRecordsFails) {
    triggers({"Calc"});
    store::Store(fake.files, fake.sys.storePath).writeString("Macro1", "FoundHandle", "7");
    fake.files.readOnly.insert(fake.sys.storePath);
    watcher.setUp();
    EXPECT_EQ(fake.dialogs.errors.size(), 1u) << "the failure is still reported";
    fake.files.readOnly.clear();
    fake.windows.open("Calc");
    tick();
    EXPECT_EQ(ran, (std::vector<int>{1}));
}
