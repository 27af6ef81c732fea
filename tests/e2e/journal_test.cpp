// Recordings made by the recorder through its hooks, replayed by kind-2 and
// kind-3 macros of the real Macros.exe into the harness's edit control.

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/win32/prompt_forms.hpp"
#include "harness.hpp"
#include "journal/journal_file.hpp"
#include "journal/recorder.hpp"

using namespace std::chrono_literals;

namespace {

// Records, with the recorder hosted in this process, what act() types with
// keybd_event (untagged, so the hooks see it as the user's), into the program
// directory; returns the recording as read back.
kv::journal::Recording record(e2e::Harness& h, const std::string& file, bool keysOnly,
                              const std::function<void()>& act) {
    kv::app::win32::ProgramSystem system;
    kv::os::win32::Win32System& os = system.os;
    kv::journal::Recorder recorder(os.sys);
    recorder.record(h.programDir() + file,
                    keysOnly ? kv::journal::Capture::KeysOnly : kv::journal::Capture::KeysAndMouse);
    act();
    h.pumpFor(300ms);  // the hooks run while this thread takes its messages
    recorder.stop();
    h.clearEdit();
    h.clearKeys();
    auto bytes = os.files.read(h.programDir() + file);
    auto r = bytes ? kv::journal::decodeRecording(*bytes) : std::nullopt;
    EXPECT_TRUE(r) << "the recorder left no readable file";
    return r.value_or(kv::journal::Recording{});
}

// Milliseconds from the first character's arrival in the edit control to the whole text's.
std::optional<double> timeToType(e2e::Harness& h, const std::string& text,
                                 std::chrono::milliseconds timeout) {
    std::optional<ULONGLONG> first;
    const bool done = h.waitFor(
        [&] {
            const std::string now = h.editText();
            if (!first && !now.empty()) first = GetTickCount64();
            return now == text;
        },
        timeout);
    if (!done || !first) return std::nullopt;
    return static_cast<double>(GetTickCount64() - *first);
}

}  // namespace

TEST(Journal, AKeystrokeRecordingReplaysFromAKindTwoHotKey) {
    e2e::Harness h;
    const auto rec = record(h, "Greeting.dat", true, [&] {
        h.keyDown(VK_SHIFT);
        h.tap('H');
        h.keyUp(VK_SHIFT);
        h.typeLetters("ELLO WORLD");
    });
    EXPECT_TRUE(rec.keyStrokesOnly);
    EXPECT_EQ(rec.events.size(), 2u + 2 * 11);
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Greeting", 2, e2e::ctrlAlt('K'), "Greeting.dat")));
    h.start();
    h.focusTarget();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "Hello world"; }, 15s)) << h.editText();
    h.pumpFor(300ms);
    EXPECT_EQ(h.editText(), "Hello world");
    EXPECT_EQ(h.stillHeld(), "");
    EXPECT_FALSE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
}

TEST(Journal, KindThreeKeepsTheRecordedPaceAtSpeedOneAndDropsItAtSpeedTwo) {
    e2e::Harness h;
    const auto rec = record(h, "Slow.dat", false, [&] {
        for (char c : std::string("ABCD")) {
            h.tap(static_cast<BYTE>(c));
            h.pumpFor(600ms);
        }
    });
    // The span from the first press to the last, as recorded.
    double recorded = 0;
    bool counting = false;
    int presses = 0;
    for (const auto& e : rec.events) {
        if (e.kind != kv::os::InputEvent::Kind::Key) continue;
        if (counting) recorded += e.time;
        if (!(e.keyFlags & kv::os::kKeyUp) && ++presses == 1) counting = true;
        if (presses == 4) break;
    }
    ASSERT_EQ(presses, 4);
    ASSERT_GT(recorded, 1700);
    h.writeStore(
        e2e::store(2, e2e::macroSection(1, "Slow", 3, e2e::ctrlAlt('S'), "Slow.dat", "Speed=1\r\n") +
                          e2e::macroSection(2, "Fast", 3, e2e::ctrlAlt('F'), "Slow.dat", "Speed=2\r\n")));
    h.start();
    h.focusTarget();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'S');
    const auto slow = timeToType(h, "abcd", 15s);
    ASSERT_TRUE(slow) << h.editText();
    EXPECT_NEAR(*slow, recorded, recorded * 0.15) << "recorded " << recorded << " ms";
    h.pumpFor(300ms);
    h.clearEdit();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'F');
    const auto fast = timeToType(h, "abcd", 15s);
    ASSERT_TRUE(fast) << h.editText();
    EXPECT_LT(*fast, recorded * 0.25) << "recorded " << recorded << " ms";
    std::printf("recorded %.0f ms, speed 1 %.0f ms, speed 2 %.0f ms\n", recorded, *slow, *fast);
}

TEST(Journal, EscFromTheUserCancelsAndNoKeyStaysDown) {
    e2e::Harness h;
    record(h, "Held.dat", false, [&] {
        h.keyDown(VK_SHIFT);
        h.tap('A');
        h.pumpFor(3000ms);
        h.tap('B');
        h.keyUp(VK_SHIFT);
    });
    h.writeStore(
        e2e::store(1, e2e::macroSection(1, "Held", 3, e2e::ctrlAlt('K'), "Held.dat", "Speed=1\r\n")));
    h.start();
    h.focusTarget();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    ASSERT_TRUE(h.waitFor([&] { return h.editText() == "A"; }, 15s)) << h.editText();
    EXPECT_NE(h.stillHeld(), "") << "Shift is down while the replay waits";
    h.tap(VK_ESCAPE);
    h.pumpFor(4000ms);
    EXPECT_EQ(h.editText(), "A") << "the rest of the replay ran";
    EXPECT_EQ(h.stillHeld(), "");
    EXPECT_FALSE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
}

TEST(Journal, WhatKeyvaleInjectsIsNotRecorded) {
    e2e::Harness h;
    record(h, "Xyz.dat", true, [&] { h.typeLetters("XYZ"); });
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Xyz", 2, e2e::ctrlAlt('K'), "Xyz.dat")));
    h.start();
    h.focusTarget();
    // Record here while Macros.exe replays: only this process's own keys count.
    const auto rec = record(h, "Mine.dat", true, [&] {
        h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
        EXPECT_TRUE(h.waitFor([&] { return h.editText() == "xyz"; }, 15s)) << h.editText();
        h.tap('Q');
    });
    std::string pressed;
    for (const auto& e : rec.events)
        if (!(e.keyFlags & kv::os::kKeyUp) && e.vk < 0x80) pressed += static_cast<char>(e.vk);
    EXPECT_EQ(pressed.find_first_of("XYZ"), std::string::npos) << pressed;
    EXPECT_NE(pressed.find('K'), std::string::npos) << pressed;
    EXPECT_NE(pressed.find('Q'), std::string::npos) << pressed;
}

TEST(Journal, AScriptThatRunsAReplayWaitsForItsEnd) {
    e2e::Harness h;
    record(h, "Keys.dat", true, [&] { h.typeLetters("THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG"); });
    // Directly, and through a macro that runs it: either way the text after
    // the run comes only after the replay.
    h.writeProgramFile("Direct.key", "<<RUN:keys>>, said the replay");
    h.writeProgramFile("Inner.key", "<<RUN:keys>>");
    h.writeProgramFile("Outer.key", "<<RUN:Inner>>, said the replay");
    h.writeStore(e2e::store(4, e2e::macroSection(1, "Keys", 2, e2e::ctrlAlt('J'), "Keys.dat") +
                                   e2e::macroSection(2, "Inner", 4, e2e::ctrlAlt('L'), "Inner.key") +
                                   e2e::macroSection(3, "Outer", 4, e2e::ctrlAlt('K'), "Outer.key") +
                                   e2e::macroSection(4, "Direct", 4, e2e::ctrlAlt('M'), "Direct.key")));
    h.start();
    const std::string expected = "the quick brown fox jumps over the lazy dog, said the replay";
    for (char key : {'M', 'K'}) {
        h.clearEdit();
        h.focusTarget();
        h.pressHotKey({VK_CONTROL, VK_MENU}, static_cast<BYTE>(key));
        EXPECT_TRUE(h.waitFor([&] { return h.editText().size() >= expected.size(); }, 20s)) << h.editText();
        h.pumpFor(300ms);
        EXPECT_EQ(h.editText(), expected) << "Ctrl+Alt+" << key;
    }
}

TEST(Journal, MouseEventsReplayWhereTheyWereRecorded) {
    e2e::Harness h;
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    auto moveTo = [&](int x, int y, DWORD buttons = 0) {
        mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | buttons,
                    static_cast<DWORD>(MulDiv(x, 65535, width - 1)),
                    static_cast<DWORD>(MulDiv(y, 65535, height - 1)), 0, 0);
        h.pumpFor(50ms);
    };
    const auto rec = record(h, "Mouse.dat", false, [&] {
        moveTo(300, 200);
        moveTo(420, 260, MOUSEEVENTF_LEFTDOWN);
        moveTo(421, 261, MOUSEEVENTF_LEFTUP);
    });
    int clicks = 0;
    for (const auto& e : rec.events) clicks += (e.mouseFlags & kv::journal::kMouseLeftDown) ? 1 : 0;
    EXPECT_EQ(clicks, 1);
    moveTo(10, 900);
    h.writeStore(
        e2e::store(1, e2e::macroSection(1, "Mouse", 3, e2e::ctrlAlt('K'), "Mouse.dat", "Speed=2\r\n")));
    h.start();
    h.focusTarget();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    POINT p{};
    EXPECT_TRUE(h.waitFor(
        [&] { return GetCursorPos(&p) && std::abs(p.x - 421) <= 1 && std::abs(p.y - 261) <= 1; }, 10s))
        << p.x << "," << p.y;
    // The button's release may be seen a moment after the cursor's move.
    EXPECT_TRUE(h.waitFor([] { return !(GetAsyncKeyState(VK_LBUTTON) & 0x8000); }, 2s))
        << "the button stays down";
}
