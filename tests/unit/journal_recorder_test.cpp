#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>

#include "core/error.hpp"
#include "journal/journal_file.hpp"
#include "journal/recorder.hpp"
#include "os/fake/fake_os.hpp"
#include "run_host.hpp"
#include "store/store.hpp"
#include "triggers/dispatcher.hpp"

using namespace kv;
using os::InputEvent;

namespace {

constexpr std::uint16_t kShift = 0xA0, kCtrl = 0xA2, kAlt = 0xA4, kEsc = 0x1B, kF12 = 0x7B, kEnter = 0x0D;

InputEvent down(std::uint16_t vk) {
    InputEvent e;
    e.vk = vk;
    e.scan = static_cast<std::uint16_t>(vk & 0x3F);
    return e;
}

InputEvent up(std::uint16_t vk) {
    InputEvent e = down(vk);
    e.keyFlags = os::kKeyUp;
    return e;
}

InputEvent mouse(std::int32_t x, std::int32_t y, std::uint32_t flags = 0, std::int32_t wheel = 0) {
    InputEvent e;
    e.kind = InputEvent::Kind::Mouse;
    e.x = x;
    e.y = y;
    e.mouseFlags = flags;
    e.wheelDelta = wheel;
    return e;
}

// Types the letters as press and release pairs.
std::vector<InputEvent> typed(const std::string& letters) {
    std::vector<InputEvent> out;
    for (char c : letters) {
        out.push_back(down(static_cast<std::uint16_t>(c)));
        out.push_back(up(static_cast<std::uint16_t>(c)));
    }
    return out;
}

std::vector<InputEvent> withoutTimes(std::vector<InputEvent> events) {
    for (InputEvent& e : events) e.time = 0;
    return events;
}

// Notes the clock at each injection, to check the pacing.
struct TimedInput : os::fake::FakeInput {
    explicit TimedInput(os::Pump& p) : pump(p) {}
    void inject(const InputEvent& e) override {
        FakeInput::inject(e);
        times.push_back(pump.now());
        if (whileInjecting) whileInjecting();
    }
    os::Pump& pump;
    std::vector<os::Millis> times;
    // What the user does while the system takes an injected event.
    std::function<void()> whileInjecting;
};

// Told of each replay's end and of the user's Esc.
struct Listener : journal::JournalListener {
    std::function<void(bool)> finished;
    std::function<void()> escape;
    void replayFinished(bool userCancel) override {
        if (finished) finished(userCancel);
    }
    void escapePressed() override {
        if (escape) escape();
    }
};

// Hands each replay's end to the dispatcher, as the application does.
struct ToDispatcher : journal::JournalListener {
    triggers::Dispatcher& dispatcher;
    explicit ToDispatcher(triggers::Dispatcher& d) : dispatcher(d) {}
    void replayFinished(bool) override { dispatcher.recorderFinished(); }
    void escapePressed() override {}
};

struct RecorderTest : ::testing::Test {
    os::fake::FakePump pump;
    TimedInput input{pump};
    os::fake::FakeFiles files;
    journal::Recorder recorder{pump, input, files};
    std::vector<bool> finished;  // userCancel of each replay's end
    Listener listener;

    RecorderTest() {
        listener.finished = [this](bool userCancel) { finished.push_back(userCancel); };
        recorder.setListener(listener);
    }

    // The user acts after delay ms; the watcher's time stamp is the clock's.
    void userIn(os::Millis delay, InputEvent e) {
        const os::Millis when = pump.now() + delay;
        e.time = static_cast<std::uint32_t>(when);
        pump.at(when, [this, e] { input.user(e); });
    }
    void runFor(os::Millis duration) {
        const os::Millis until = pump.now() + duration;
        do pump.waitUntil(until);
        while (pump.now() < until);
    }
    void runUntilFinished(std::size_t count = 1) {
        const os::Millis limit = pump.now() + 3'600'000;
        while (finished.size() < count && pump.now() < limit) pump.waitUntil(limit);
    }
    // Records the user's events, each at its offset in ms from now, into path.
    void recordAt(const std::string& path, const std::vector<std::pair<os::Millis, InputEvent>>& timeline) {
        recorder.record(path, journal::Capture::KeysAndMouse);
        for (const auto& [at, e] : timeline) userIn(at, e);
        runFor(timeline.empty() ? 0 : timeline.back().first);
        recorder.stop();
    }
    std::vector<InputEvent> recordedIn(const std::string& path) {
        auto r = journal::decodeRecording(files.files.at(path));
        EXPECT_TRUE(r) << "not a readable recording";
        return r ? r->events : std::vector<InputEvent>{};
    }
    void play(const std::string& path, bool hiSpeed) {
        recorder.playBack(path, hiSpeed ? journal::Pace::High : journal::Pace::Recorded);
    }
};

const std::vector<std::pair<os::Millis, InputEvent>> kSession = {
    {0, down(kShift)},
    {40, down('H')},
    {90, up('H')},
    {95, up(kShift)},
    {300, down('I')},
    {1300, up('I')},
    {1310, mouse(100, 65535)},
    {2000, mouse(30000, 20000, journal::kMouseLeftDown)},
    {2150, mouse(30000, 20000, journal::kMouseLeftUp)},
    {2151, mouse(31000, 20100, journal::kMouseWheel, -120)},
};

}  // namespace

TEST_F(RecorderTest, RecordedSpeedReplaysTheSameEventsWithTheSameGaps) {
    std::vector<InputEvent> session;
    for (const auto& [at, e] : kSession) session.push_back(e);
    recordAt("C:\\K\\s.dat", kSession);
    EXPECT_FALSE(input.watching()) << "stop ends the watching";

    const auto stored = recordedIn("C:\\K\\s.dat");
    EXPECT_EQ(withoutTimes(stored), session);
    ASSERT_EQ(stored.size(), kSession.size());
    for (std::size_t i = 1; i < stored.size(); ++i)
        EXPECT_EQ(stored[i].time, kSession[i].first - kSession[i - 1].first);

    play("C:\\K\\s.dat", false);
    EXPECT_TRUE(finished.empty()) << "playBack returns while the replay goes on";
    runUntilFinished();
    EXPECT_EQ(finished, std::vector<bool>{false});
    EXPECT_EQ(input.injected, withoutTimes(stored)) << "every event as recorded, and nothing left to release";
    ASSERT_EQ(input.times.size(), kSession.size());
    for (std::size_t i = 1; i < kSession.size(); ++i)
        EXPECT_EQ(input.times[i] - input.times[0], kSession[i].first) << "event " << i;
    EXPECT_FALSE(input.watching());
}

TEST_F(RecorderTest, AReplayBehindItsPaceGoesOnAtOnce) {
    // Each injection takes longer than the gaps between the events (a slow
    // hook of another program): the replay catches up, tick after tick.
    files.files["C:\\K\\slow.dat"] = journal::encodeRecording({true, [] {
                                                                   auto events = typed("ABCDEFGHIJKLMNOP");
                                                                   for (auto& e : events) e.time = 2;
                                                                   return events;
                                                               }()});
    input.whileInjecting = [this] { pump.spend(7); };
    const os::Millis start = pump.now();
    play("C:\\K\\slow.dat", false);
    runUntilFinished();
    EXPECT_EQ(input.injected.size(), 32u);
    EXPECT_LT(pump.now() - start, 1000u) << "the replay waited for a tick long after its events were due";
}

TEST_F(RecorderTest, HighSpeedDropsTheGapsButPacesBatchesSoTheTargetKeepsUp) {
    std::vector<std::pair<os::Millis, InputEvent>> timeline;
    for (int i = 0; i < 150; ++i) {
        const auto e = typed(std::string(1, static_cast<char>('A' + i % 26)));
        timeline.push_back({static_cast<os::Millis>(i) * 1000, e[0]});
        timeline.push_back({static_cast<os::Millis>(i) * 1000 + 500, e[1]});
    }
    recordAt("C:\\K\\long.dat", timeline);
    const auto stored = recordedIn("C:\\K\\long.dat");
    const os::Millis started = pump.now();
    play("C:\\K\\long.dat", true);
    runUntilFinished();
    EXPECT_EQ(finished, std::vector<bool>{false});
    EXPECT_EQ(input.injected, withoutTimes(stored));
    // 300 events recorded over 150 seconds: no gaps, only ticks between batches.
    const std::size_t batches =
        (300 + journal::Recorder::kHighSpeedBatch - 1) / journal::Recorder::kHighSpeedBatch;
    EXPECT_LE(pump.now() - started, batches * (journal::Recorder::kHighSpeedTickMs + 1));
    std::map<os::Millis, std::size_t> perTick;
    for (os::Millis t : input.times) ++perTick[t];
    EXPECT_EQ(perTick.size(), batches);
    for (const auto& [t, n] : perTick) EXPECT_LE(n, journal::Recorder::kHighSpeedBatch) << "at " << t;
}

TEST_F(RecorderTest, KeystrokeRecordingWatchesTheKeyboardAlone) {
    recorder.record("C:\\K\\keys.dat", journal::Capture::KeysOnly);
    EXPECT_TRUE(input.watching());
    EXPECT_TRUE(input.watchingKeyboardOnly);
    // Even were a mouse event reported, it has no place in a keystroke file.
    userIn(5, mouse(1, 1, journal::kMouseLeftDown));
    for (const InputEvent& e : typed("OK")) userIn(10, e);
    runFor(10);
    recorder.stop();
    auto r = journal::decodeRecording(files.files.at("C:\\K\\keys.dat"));
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->keyStrokesOnly);
    EXPECT_EQ(withoutTimes(r->events), typed("OK"));
}

TEST_F(RecorderTest, TheStopKeyAndItsModifiersAreNotRecorded) {
    auto seq = [](std::initializer_list<std::vector<InputEvent>> parts) {
        std::vector<InputEvent> all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const struct {
        const char* what;
        std::vector<InputEvent> user;
        std::vector<InputEvent> kept;
    } cases[] = {
        {"pressed to end the recording",
         seq({typed("AB"), {down(kCtrl), down(kShift), down(kShift), down(kF12)}}), typed("AB")},
        {"released before the recording ends",
         seq({typed("A"),
              {down(kShift), down(kCtrl), down(kF12), down(kF12), up(kF12), up(kCtrl), up(kShift)},
              typed("B")}),
         seq({typed("A"), typed("B")})},
        // Shift already served for typing: only the Ctrl pressed for the stop key goes.
        {"with Shift held from typing", seq({{down(kShift)}, typed("A"), {down(kCtrl), down(kF12)}}),
         seq({{down(kShift)}, typed("A")})},
        {"with the mouse moved in between",
         seq({{down(kCtrl), mouse(5, 5), down(kShift), mouse(6, 6), down(kF12)}}),
         {mouse(5, 5), mouse(6, 6)}},
        {"F12 alone is a key like others", seq({{down(kF12), up(kF12)}}), seq({{down(kF12), up(kF12)}})},
        {"Ctrl+F12 is not the stop key", seq({{down(kCtrl), down(kF12), up(kF12), up(kCtrl)}}),
         seq({{down(kCtrl), down(kF12), up(kF12), up(kCtrl)}})},
        {"Shift+Ctrl+Alt+F12 is not the stop key", seq({{down(kAlt), down(kCtrl), down(kShift), down(kF12)}}),
         seq({{down(kAlt), down(kCtrl), down(kShift), down(kF12)}})},
        {"a release left over from starting the recording", seq({{up(kEnter)}, typed("A")}), typed("A")},
    };
    for (const auto& c : cases) {
        recorder.record("C:\\K\\stop.dat", journal::Capture::KeysAndMouse);
        for (const InputEvent& e : c.user) input.user(e);
        recorder.stop();
        EXPECT_EQ(withoutTimes(recordedIn("C:\\K\\stop.dat")), c.kept) << c.what;
    }
}

TEST_F(RecorderTest, ARecordingThatEndsWithAKeyHeldReleasesItAfterTheReplay) {
    // Shift was held for typing when the stop key came, so the file ends with it down.
    recordAt("C:\\K\\held.dat",
             {{0, down(kShift)}, {1, down('A')}, {2, up('A')}, {3, down(kCtrl)}, {4, down(kF12)}});
    play("C:\\K\\held.dat", true);
    runUntilFinished();
    EXPECT_EQ(input.injected, (std::vector<InputEvent>{down(kShift), down('A'), up('A'), up(kShift)}));
}

TEST_F(RecorderTest, EscFromTheUserCancelsAndReleasesWhatTheReplayHeld) {
    recordAt("C:\\K\\drag.dat", {{0, down(kCtrl)},
                                 {10, mouse(100, 200, journal::kMouseLeftDown)},
                                 {20, down('X')},
                                 {5000, up('X')},
                                 {5010, mouse(900, 900, journal::kMouseLeftUp)},
                                 {5020, up(kCtrl)}});
    input.injected.clear();
    int escapes = 0;
    listener.escape = [&] { ++escapes; };
    const os::Millis start = pump.now();
    play("C:\\K\\drag.dat", false);
    EXPECT_TRUE(input.watching());
    EXPECT_TRUE(input.watchingKeyboardOnly);
    // Neither other keys nor an Esc release cancel; the press does.
    userIn(1000, down('Q'));
    userIn(1100, up(kEsc));
    userIn(2000, down(kEsc));
    runUntilFinished();
    EXPECT_EQ(finished, std::vector<bool>{true});
    EXPECT_EQ(escapes, 1) << "the listener hears of the user's Esc";
    EXPECT_LT(pump.now(), start + 2100) << "cancelled at once";
    InputEvent leftUp = mouse(100, 200, journal::kMouseLeftUp);
    EXPECT_EQ(withoutTimes(input.injected),
              (std::vector<InputEvent>{down(kCtrl), mouse(100, 200, journal::kMouseLeftDown), down('X'),
                                       up('X'), up(kCtrl), leftUp}));
    EXPECT_FALSE(input.watching());
    // Nothing more arrives, and a late Esc reaches nobody.
    userIn(1000, down(kEsc));
    runFor(8000);
    EXPECT_EQ(input.injected.size(), 6u);
    EXPECT_EQ(finished.size(), 1u);
    EXPECT_EQ(escapes, 1);
}

TEST_F(RecorderTest, EscDuringAHighSpeedBatchStopsItThere) {
    std::vector<std::pair<os::Millis, InputEvent>> timeline;
    for (const InputEvent& e : typed("ABCDEFGHIJ")) timeline.push_back({timeline.size(), e});
    recordAt("C:\\K\\fast.dat", timeline);
    input.whileInjecting = [this] {
        if (input.injected.size() == 3) input.user(down(kEsc));
    };
    play("C:\\K\\fast.dat", true);
    runUntilFinished();
    EXPECT_EQ(finished, std::vector<bool>{true});
    EXPECT_EQ(input.injected, (std::vector<InputEvent>{down('A'), up('A'), down('B'), up('B')}));
}

TEST_F(RecorderTest, MissingAndDamagedFilesFinishAtOnce) {
    files.files["C:\\K\\bad.dat"] = journal::encodeRecording({false, typed("AB")}).substr(0, 40);
    files.files["C:\\K\\junk.dat"] = "not a recording";
    for (const char* path : {"C:\\K\\none.dat", "C:\\K\\bad.dat", "C:\\K\\junk.dat"}) {
        finished.clear();
        play(path, true);
        // Synchronously, so the caller's own "running" state must be set before playBack.
        EXPECT_EQ(finished, std::vector<bool>{false}) << path;
        EXPECT_FALSE(recorder.playing());
        runFor(5000);
        EXPECT_EQ(finished.size(), 1u) << path;
    }
    EXPECT_TRUE(input.injected.empty());
    EXPECT_FALSE(input.watching());
}

TEST_F(RecorderTest, OverlappingReplaysQueueAndEachFinishesOnceInOrder) {
    recordAt("C:\\K\\a.dat", {{0, down('A')}, {3000, up('A')}});
    recordAt("C:\\K\\b.dat", {{0, down('B')}, {3000, up('B')}});
    std::vector<std::string> order;
    listener.finished = [&](bool) {
        order.push_back(input.injected.empty() ? "?" : std::string(1, char(input.injected.back().vk)));
    };
    play("C:\\K\\a.dat", false);
    play("C:\\K\\none.dat", false);
    play("C:\\K\\b.dat", true);  // at its own speed
    EXPECT_EQ(recorder.queued(), 2u);
    const os::Millis started = pump.now();
    while (order.size() < 3 && pump.now() < started + 60000) pump.waitUntil(started + 60000);
    // A ends in full, the missing file ends next, then B plays, not interleaved.
    EXPECT_EQ(order, (std::vector<std::string>{"A", "A", "B"}));
    EXPECT_EQ(input.injected, (std::vector<InputEvent>{down('A'), up('A'), down('B'), up('B')}));
    EXPECT_LT(input.times[3] - input.times[2], 100u) << "B kept the high speed it was asked with";
    EXPECT_GE(input.times[1] - input.times[0], 3000u);
}

TEST_F(RecorderTest, StopSavesAReadableFileWholeOrSaysItCouldNot) {
    const std::string old = journal::encodeRecording({true, typed("OLD")});
    files.files["C:\\K\\r.dat"] = old;
    recorder.stop();  // not recording: nothing written
    EXPECT_EQ(files.writes, 0);

    files.failReplace = true;
    try {
        recordAt("C:\\K\\r.dat", {{0, down('N')}, {1, up('N')}});
        ADD_FAILURE() << "a recording that was not saved was not reported";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Unable to save the recording to C:\\K\\r.dat");
    }
    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(files.files.at("C:\\K\\r.dat"), old);
    EXPECT_EQ(files.files.size(), 1u) << "no temporary file left behind";

    // Keys without a virtual key of their own are left out and a pointer
    // beyond the screen's edge is kept at the edge, so the reader takes the file.
    files.failReplace = false;
    recordAt("C:\\K\\r.dat",
             {{0, down(0)}, {1, down('N')}, {2, up(0xFF)}, {3, up('N')}, {4, mouse(70000, -5)}});
    EXPECT_EQ(withoutTimes(recordedIn("C:\\K\\r.dat")),
              (std::vector<InputEvent>{down('N'), up('N'), mouse(65535, 0)}));
    EXPECT_EQ(files.files.size(), 1u);
}

TEST(RecorderWithDispatcher, ScriptsWaitForTheirReplaysAndMissingFilesEndTheRunAtOnce) {
    os::fake::FakeSystem fake;
    journal::Recorder recorder(fake.sys);
    playback::RunState state;
    test::RunHost host;
    triggers::Dispatcher dispatcher(fake.sys, state, recorder, host);
    ToDispatcher ends(dispatcher);
    recorder.setListener(ends);
    store::Store st(fake.files, fake.sys.storePath);
    st.writeInt("Macro1", "Type", 3);
    st.writeString("Macro1", "FileName", "slow.dat");
    st.writeInt("Macro2", "Type", 2);
    st.writeString("Macro2", "FileName", "gone.dat");
    std::vector<InputEvent> slow = typed("AB");
    slow[2].time = 60000;
    fake.files.files[fake.sys.programDirectory + "slow.dat"] = journal::encodeRecording({false, slow});
    fake.files.files[fake.sys.programDirectory + "s.key"] = "script";

    // The end is reported inside playBack, after the dispatcher marked the replay as running.
    dispatcher.processHotKey(2);
    EXPECT_TRUE(state.journalFinished);
    EXPECT_EQ(state.runStatus, playback::RunStatus::ReplayEnded);

    host.run = [&](const std::string&) { dispatcher.processHotKey(1); };
    const os::Millis before = fake.pump.now();
    dispatcher.runAdvancedMacro(fake.sys.programDirectory + "s.key");
    EXPECT_EQ(fake.input.injected, withoutTimes(slow)) << "the script ended before its replay";
    EXPECT_GE(fake.pump.now() - before, 60000u);
    EXPECT_EQ(state.runStatus, playback::RunStatus::RunEnded);
}

// A replay that cannot start says why, then reports its end all the same (a
// /Close start ends); a file named like a device is never opened.
TEST(RecorderWithDispatcher, ARecordingThatCannotBePlayedIsSaidAndTheRunStillEnds) {
    std::string newer = journal::encodeRecording({false, typed("A")});
    newer[4] = 2;  // the format version after ours
    const struct {
        const char* fileName;
        std::optional<std::string> bytes;
        const char* message;  // %s is the path
    } cases[] = {
        {"gone.dat", std::nullopt, "Cannot open file %s"},
        {"cut.dat", journal::encodeRecording({false, typed("AB")}).substr(0, 40),
         "%s is not a recording Keyvale can play"},
        {"text.dat", "not a recording", "%s is not a recording Keyvale can play"},
        {"newer.dat", newer, "%s is not a recording Keyvale can play"},
        {"empty.dat", "", "%s is not a recording Keyvale can play"},
        {"COM1", journal::encodeRecording({false, typed("A")}), "Cannot open file %s"},
        {"lpt\xC2\xB2.dat", journal::encodeRecording({false, typed("A")}), "Cannot open file %s"},
        {"CONIN$", journal::encodeRecording({false, typed("A")}), "Cannot open file %s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName);
        os::fake::FakeSystem fake;
        journal::Recorder recorder(fake.sys);
        playback::RunState state;
        test::RunHost host;
        triggers::Dispatcher dispatcher(fake.sys, state, recorder, host);
        ToDispatcher ends(dispatcher);
        recorder.setListener(ends);
        store::Store st(fake.files, fake.sys.storePath);
        st.writeInt("Macro1", "Type", 3);
        st.writeString("Macro1", "FileName", c.fileName);
        const std::string path = fake.sys.programDirectory + c.fileName;
        if (c.bytes) fake.files.files[path] = *c.bytes;

        dispatcher.processHotKey(1);
        std::string expected = c.message;
        expected.replace(expected.find("%s"), 2, path);
        EXPECT_EQ(fake.dialogs.errors, std::vector<std::string>{expected});
        EXPECT_EQ(state.runStatus, playback::RunStatus::ReplayEnded);
        // The device-named files hold a good recording: played, they would type.
        EXPECT_TRUE(fake.input.injected.empty());
    }
}
