// Replay throughput and pacing under Wine; prints its figures. Not part of the
// test run (no CTest entry): run with --gtest_filter='JournalBench.*'.

#include <gtest/gtest.h>

#include <cstdio>

#include "harness.hpp"
#include "journal/journal_file.hpp"

using namespace std::chrono_literals;

namespace {

constexpr int kHotKey = 0xC000 + 'K';

std::string setUpStore(int kind, int speed) {
    return "[Main]\r\nEntries=1\r\nFirstRun=0\r\n[Macro1]\r\nName=Bench\r\nType=" + std::to_string(kind) +
           "\r\nHotKey=" + std::to_string(kHotKey) +
           "\r\nFileName=bench.dat\r\nSpeed=" + std::to_string(speed) + "\r\n";
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

// Pumps closely (1 ms waits) until the edit control holds text; times from
// start, or from the first character when start is not given.
double millisUntilTyped(e2e::Harness& h, const std::string& text, std::optional<ULONGLONG> start) {
    const ULONGLONG deadline = GetTickCount64() + 120000;
    while (GetTickCount64() < deadline) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const std::string now = h.editText();
        if (!start && !now.empty()) start = GetTickCount64();
        if (now.size() >= text.size()) {
            EXPECT_EQ(now, text);
            return static_cast<double>(GetTickCount64() - *start);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    ADD_FAILURE() << "not typed in time: " << h.editText().size() << " of " << text.size();
    return -1;
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

    // The same events through SendInput, one call each, from this process.
    h.focusTarget();
    h.clearEdit();
    const ULONGLONG rawStart = GetTickCount64();
    for (const auto& e : events) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = e.vk;
        in.ki.wScan = e.scan;
        in.ki.dwFlags = (e.keyFlags & kv::os::kKeyUp) ? KEYEVENTF_KEYUP : 0;
        SendInput(1, &in, sizeof in);
    }
    const double raw = millisUntilTyped(h, text, rawStart);

    h.clearEdit();
    h.pumpFor(200ms);
    const ULONGLONG pressed = GetTickCount64();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    std::optional<ULONGLONG> none;
    const double replay = millisUntilTyped(h, text, none);
    const double fromPress = static_cast<double>(GetTickCount64() - pressed);
    std::printf(
        "2000 key events: raw SendInput loop %.0f ms, high-speed replay %.0f ms (first to last "
        "character; %.0f ms from the hot-key press), throughput ratio %.2f\n",
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
    h.focusTarget();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    std::optional<ULONGLONG> none;
    const double took = millisUntilTyped(h, text, none);
    const double expected = 1000.0 * static_cast<double>(text.size() - 1);
    std::printf(
        "recorded speed: %zu presses 1 s apart, recorded %.0f ms from first to last, replayed %.0f ms "
        "(%+.1f %%)\n",
        text.size(), expected, took, 100.0 * (took - expected) / expected);
    EXPECT_NEAR(took, expected, expected * 0.10);
}
