// Stopping what runs: the user's Esc, Exit and log-off end a running script,
// its waits, the value prompt and every replay, and leave no key down; the
// program goes on working. The whole program on the simulated desktop, with
// the real recorder.

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "app/application.hpp"
#include "journal/journal_file.hpp"
#include "journal/recorder.hpp"
#include "os/fake/fake_os.hpp"
#include "playback_keys.hpp"
#include "store/macros.hpp"

using namespace kv;

namespace {

constexpr std::uint16_t kEsc = 0x1B;

struct QuitView : app::ShellView {
    bool quitCalled = false;
    app::ScreenSize screen() override { return {1280, 1024}; }
    app::Rect managerRect() override { return {0, 0, 421, 343}; }
    void placeManager(const app::Rect&) override {}
    void showManager(bool) override {}
    void showAbout(const app::AboutText&) override {}
    std::pair<unsigned long long, unsigned> memoryStatus() override { return {0, 0}; }
    void quit() override { quitCalled = true; }
    void enableShutdownPrivilege() override {}
};

os::InputEvent key(std::uint16_t vk, bool up = false) {
    os::InputEvent e;
    e.vk = vk;
    e.keyFlags = up ? os::kKeyUp : 0;
    return e;
}

// Ten seconds of typing at the recorded speed: 2000 events 5 ms apart.
std::string longRecording() {
    journal::Recording r;
    for (int i = 0; i < 1000; ++i) {
        const auto vk = static_cast<std::uint16_t>('A' + i % 26);
        r.events.push_back(key(vk));
        r.events.push_back(key(vk, true));
    }
    for (auto& e : r.events) e.time = 5;
    return journal::encodeRecording(r);
}

struct StopTest : ::testing::Test {
    os::fake::FakeSystem fake;
    journal::Recorder recorder{fake.sys};
    QuitView view;
    app::Application app{fake.sys, recorder, &view};
    store::Store st{fake.files, fake.sys.storePath};

    StopTest() {
        st.writeInt("Main", "FirstRun", 0);
        store::addMacro(st, {"Script", store::kScript, 0, "s.key", "", 1});
        store::addMacro(st, {"Replay", store::kReplayMouseAndKeys, 0, "r.dat", "", 1});
        store::addMacro(st, {"Later", store::kScript, 0, "later.key", "", 1});
        fake.files.files[fake.sys.programDirectory + "r.dat"] = longRecording();
        fake.files.files[fake.sys.programDirectory + "later.key"] = "c";
    }
    void script(const std::string& text) { fake.files.files[fake.sys.programDirectory + "s.key"] = text; }
    void run(int slot) {
        fake.sys.guard.run([&] { app.dispatcher().processHotKey(slot); });
    }
    void runFor(os::Millis ms) {
        const os::Millis end = fake.pump.now() + ms;
        while (fake.pump.now() < end) fake.pump.waitUntil(end);
    }
    std::string typed() const { return playback::test::typedText(fake.keyboard); }
    // Presses injected by the replays and not released.
    int injectedStillDown() const {
        std::map<std::uint16_t, int> balance;
        for (const auto& e : fake.input.injected) balance[e.vk] += (e.keyFlags & os::kKeyUp) ? -1 : 1;
        int down = 0;
        for (const auto& [vk, n] : balance) down += n > 0;
        return down;
    }
};

TEST_F(StopTest, EscExitAndLogOffEndEveryKindOfRunAtOnceAndLeaveNothingDown) {
    const std::function<void(StopTest&)> esc = [](StopTest& t) { t.fake.input.user(key(kEsc)); };
    const std::function<void(StopTest&)> exit = [](StopTest& t) {
        t.app.trayCommand(app::TrayCommand::Exit);
    };
    const std::function<void(StopTest&)> logOff = [](StopTest& t) { t.app.queryEndSession(); };
    struct Case {
        const char* script;
        const std::function<void(StopTest&)>* stop;
        bool replayQueuedFirst = false;
        bool busy = false;  // never waits: stopped after many passes of the queue
    };
    const Case cases[] = {
        {"a<<MINS10>>b", &esc},
        {"a<<MINS10>>b", &exit},
        {"a<<LOOKFOR:Nothing~~MINS:10>>b", &logOff},
        {"a<<INPUT:Name>>b<<WRITEVALUE>>", &esc},
        {"a<<INPUT:Name>>b<<WRITEVALUE>>", &logOff},
        {"a<<RUN:Replay>>b", &esc, true},  // a replay runs, the script's own waits behind it
        {"a<<RUN:Replay>>b", &exit},
        {"a<<REP2147483647>><<ENDREP>>b", &esc, false, true},  // sends nothing, yet handles messages
        {"a<<REP9>><<REP2147483647>>", &esc, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        fake.keyboard.events.clear();
        fake.input.injected.clear();
        fake.dialogs.promptsClosed = 0;
        script(c.script);
        bool stopped = false;
        const auto stop = [&] {
            stopped = true;
            (*c.stop)(*this);
        };
        const os::Millis start = fake.pump.now();
        // Waits get the stop a second in; a busy repeat after many passes.
        int passes = 0;
        std::function<void()> pass = [&] {
            if (!stopped && ++passes == 5000) stop();
            if (!stopped) fake.pump.post(pass);
        };
        if (c.busy)
            fake.pump.post(pass);
        else
            fake.pump.at(start + 1000, [&] {
                if (!stopped) stop();
            });
        fake.dialogs.whilePromptOpen = [&] {
            while (!stopped) fake.pump.waitUntil(fake.pump.now() + 60'000);
        };
        if (c.replayQueuedFirst) run(2);
        run(1);
        EXPECT_TRUE(stopped);
        EXPECT_LE(fake.pump.now() - start, 1000u) << "the run ended at once";
        EXPECT_EQ(typed(), "a");
        EXPECT_TRUE(fake.dialogs.errors.empty()) << fake.dialogs.errors.front();
        EXPECT_EQ(fake.dialogs.promptsClosed, 1);
        EXPECT_EQ(view.quitCalled, c.stop != &esc);
        view.quitCalled = false;
        // The replays end from the recorder's next tick.
        runFor(50);
        EXPECT_TRUE(recorder.idle());
        EXPECT_LT(fake.input.injected.size(), 1000u);
        EXPECT_EQ(injectedStillDown(), 0);
        EXPECT_FALSE(fake.input.watching()) << "a keyboard hook left behind while idle";
        runFor(60'000);
        EXPECT_LT(fake.input.injected.size(), 1000u) << "a queued replay ran after the stop";
        // Keyvale stays resident and working.
        fake.keyboard.events.clear();
        run(3);
        EXPECT_EQ(typed(), "c");
    }
}

TEST_F(StopTest, AModifierPendingWhenARunIsStoppedOrFailsReachesNoLaterMacro) {
    for (const char* text : {"<<ALT>>@<<MINS10>>", "<<CTRL>>@<<SECSx>>"}) {
        script(text);
        fake.pump.at(fake.pump.now() + 1000, [&] { fake.input.user(key(kEsc)); });
        run(1);
        fake.keyboard.events.clear();
        run(3);
        EXPECT_EQ(typed(), "c") << text;
    }
}

TEST_F(StopTest, AScriptRunWhileAnotherWaitsForItsReplayDoesNotEndThatWait) {
    script("<<RUN:Replay>>x");
    fake.files.files[fake.sys.programDirectory + "later.key"] = "y";
    os::Millis xAt = 0;
    const os::Millis start = fake.pump.now();
    fake.pump.at(start + 2000, [&] { run(3); });
    fake.keyboard.events.clear();
    run(1);
    xAt = fake.pump.now() - start;
    EXPECT_EQ(typed(), "yx");
    EXPECT_GE(xAt, 9995u) << "x was typed into the running replay";
    EXPECT_EQ(fake.input.injected.size(), 2000u);
}

}  // namespace
