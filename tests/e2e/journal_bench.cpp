// Replay throughput and pacing under Wine; prints its figures. Not part of the
// test run (no CTest entry): run with --gtest_filter='JournalBench.*'.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "harness.hpp"
#include "journal/journal_file.hpp"

using namespace std::chrono_literals;

namespace {

std::string setUpStore(int kind, int speed) {
    return e2e::store(1, e2e::macroSection(1, "Bench", kind, e2e::ctrlAlt('K'), "bench.dat",
                                           "Speed=" + std::to_string(speed) + "\r\n"));
}

// Lower-case letters and blanks, so the edit control shows exactly what was typed.
std::string benchText(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += (i % 7 == 6) ? ' ' : static_cast<char>('a' + i % 26);
    return s;
}

std::vector<kv::os::InputEvent> keyEvents(const std::string& text, std::uint32_t gapBetweenKeys) {
    std::vector<kv::os::InputEvent> events;
    for (char c : text) {
        kv::os::InputEvent e;
        e.vk = static_cast<std::uint16_t>(c == ' ' ? VK_SPACE : c - 'a' + 'A');
        e.scan = static_cast<std::uint16_t>(MapVirtualKeyA(e.vk, 0));
        e.time = events.empty() ? 0 : gapBetweenKeys;
        events.push_back(e);
        e.keyFlags = kv::os::kKeyUp;
        e.time = 1;
        events.push_back(e);
    }
    return events;
}

// Pumps closely (1 ms waits) until the edit control holds text; the clock
// (GetTickCount, as the events' time stamps) when it did, or 0 on time-out.
DWORD tickWhenTyped(e2e::Harness& h, const std::string& text) {
    const ULONGLONG deadline = GetTickCount64() + 120000;
    while (GetTickCount64() < deadline) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const std::string now = h.editText();
        if (now.size() >= text.size()) {
            EXPECT_EQ(now, text);
            return GetTickCount();
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    ADD_FAILURE() << "not typed in time: " << h.editText().size() << " of " << text.size();
    return 0;
}

// The time stamp the system gave the first key event of the text when it was
// sent, by Keyvale or by this process; nothing when the hook saw none.
std::optional<DWORD> firstSent(const e2e::Harness& h, bool byKeyvale) {
    for (const e2e::KeyRecord& k : h.keys())
        if (k.injectedByKeyvale == byKeyvale && k.down && (k.vk == VK_SPACE || (k.vk >= 'A' && k.vk <= 'Z')))
            return k.time;
    return std::nullopt;
}

// Milliseconds from the first event sent to the last character seen; at
// least 1, as the clock counts whole milliseconds.
double span(DWORD sent, DWORD typed) {
    return typed >= sent ? std::max(1.0, static_cast<double>(typed - sent)) : 1.0;
}

}  // namespace

TEST(JournalBench, HighSpeedReplayAgainstARawSendInputLoop) {
    const std::string text = benchText(1000);
    const auto events = keyEvents(text, 5);
    ASSERT_EQ(events.size(), 2000u);
    e2e::Harness h;
    h.writeProgramFile("bench.dat", kv::journal::encodeRecording({true, events}));
    h.writeStore(setUpStore(2, 2));
    h.start();
    ASSERT_TRUE(h.hookSeesKeys()) << "the keyboard hook saw no key within 20 s";

    // The same events through SendInput, one call each, from this process.
    h.focusTarget();
    h.clearEdit();
    h.clearKeys();
    for (const auto& e : events) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = e.vk;
        in.ki.wScan = e.scan;
        in.ki.dwFlags = (e.keyFlags & kv::os::kKeyUp) ? KEYEVENTF_KEYUP : 0;
        SendInput(1, &in, sizeof in);
    }
    const DWORD rawDone = tickWhenTyped(h, text);
    const auto rawFirst = firstSent(h, false);
    ASSERT_TRUE(rawFirst && rawDone) << "no figures: the hook saw no key event of the raw loop";
    const double raw = span(*rawFirst, rawDone);

    h.clearEdit();
    h.pumpFor(200ms);
    h.clearKeys();
    const ULONGLONG pressed = GetTickCount64();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    const DWORD replayDone = tickWhenTyped(h, text);
    const double fromPress = static_cast<double>(GetTickCount64() - pressed);
    const auto replayFirst = firstSent(h, true);
    ASSERT_TRUE(replayFirst && replayDone) << "no figures: the hook saw no key event of the replay";
    const double replay = span(*replayFirst, replayDone);
    std::printf(
        "2000 key events, from the first event sent to the last character seen: raw SendInput loop %.0f ms, "
        "high-speed replay %.0f ms (%.0f ms from the hot-key press), throughput ratio %.2f\n",
        raw, replay, fromPress, raw / replay);
    EXPECT_GE(raw / replay, 0.5);
}

TEST(JournalBench, RecordedSpeedKeepsOneSecondGaps) {
    const std::string text = "abcdefg";
    const auto events = keyEvents(text, 1000);
    e2e::Harness h;
    h.writeProgramFile("bench.dat", kv::journal::encodeRecording({false, events}));
    h.writeStore(setUpStore(3, 1));
    h.start();
    ASSERT_TRUE(h.hookSeesKeys()) << "the keyboard hook saw no key within 20 s";
    h.focusTarget();
    h.clearKeys();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    const DWORD done = tickWhenTyped(h, text);
    const auto first = firstSent(h, true);
    ASSERT_TRUE(first && done) << "no figures: the hook saw no key event of the replay";
    // The first key Keyvale sent to the last character seen, as recorded: the
    // first press to the last press.
    const double took = span(*first, done);
    const double expected = 1000.0 * static_cast<double>(text.size() - 1);
    std::printf(
        "recorded speed: %zu presses 1 s apart, recorded %.0f ms from first to last, replayed %.0f ms "
        "(%+.1f %%)\n",
        text.size(), expected, took, 100.0 * (took - expected) / expected);
    EXPECT_NEAR(took, expected, expected * 0.10);
}
