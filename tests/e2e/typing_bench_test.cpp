// Typing throughput: an advanced macro typing plain text against a raw
// keybd_event loop typing the same characters, in the same run. Not part of
// the test run; see the README for the command.

#include <gtest/gtest.h>

#include <cstdio>

#include "harness.hpp"

using namespace std::chrono_literals;

namespace {

std::string benchText(std::size_t n) {
    std::string s;
    const char* words = "the quick brown fox jumps over the lazy dog ";
    while (s.size() < n) s += words;
    s.resize(n);
    s.back() = 'x';  // the script is trimmed; keep every character
    return s;
}

}  // namespace

TEST(PlaybackBench, MacroTypingAgainstARawKeybdEventLoop) {
    const std::size_t n = 2000;
    const std::string text = benchText(n);
    e2e::Harness h;
    h.writeProgramFile("Type.key", text);
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Type", 4, e2e::ctrlAlt('K'), "Type.key")));
    h.start();
    h.focusTarget();

    // Raw: the same characters through keybd_event, as fast as possible.
    ULONGLONG t0 = GetTickCount64();
    for (char c : text) {
        const SHORT k = VkKeyScanA(c);
        const BYTE vk = LOBYTE(k);
        const bool shift = HIBYTE(k) & 1;
        if (shift) h.keyDown(VK_SHIFT);
        h.keyDown(vk);
        h.keyUp(vk);
        if (shift) h.keyUp(VK_SHIFT);
    }
    ASSERT_TRUE(h.waitFor([&] { return h.editText().size() >= n; }, 120s));
    const double rawMs = static_cast<double>(GetTickCount64() - t0);
    EXPECT_EQ(h.editText(), text);

    h.clearEdit();
    t0 = GetTickCount64();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    ASSERT_TRUE(h.waitFor([&] { return h.editText().size() >= n; }, 120s));
    const double macroMs = static_cast<double>(GetTickCount64() - t0);
    EXPECT_EQ(h.editText(), text);

    const double rawRate = n / (rawMs / 1000.0), macroRate = n / (macroMs / 1000.0);
    std::printf(
        "typing %zu characters: raw keybd_event %.0f chars/s (%.0f ms), macro %.0f chars/s (%.0f ms), "
        "ratio %.2f (target >= 0.5)\n",
        n, rawRate, rawMs, macroRate, macroMs, macroRate / rawRate);
    EXPECT_GE(macroRate / rawRate, 0.5);
}
