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

// Milliseconds until the edit control holds the text, from when start() begins.
template <typename F>
double typedIn(e2e::Harness& h, const std::string& text, F start) {
    h.clearEdit();
    h.pumpFor(100ms);
    const ULONGLONG t0 = GetTickCount64();
    start();
    EXPECT_TRUE(h.waitFor([&] { return h.editText().size() >= text.size(); }, 120s));
    const double ms = static_cast<double>(GetTickCount64() - t0);
    EXPECT_EQ(h.editText(), text);
    return ms;
}

}  // namespace

// Each way twice: with the driver's low-level hook, which every key passes
// through, and without it, where the raw loop is at its fastest.
TEST(PlaybackBench, MacroTypingAgainstARawKeybdEventLoop) {
    const std::size_t n = 2000;
    const std::string text = benchText(n);
    e2e::Harness h;
    h.writeProgramFile("Type.key", text);
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Type", 4, e2e::ctrlAlt('K'), "Type.key")));
    h.start();
    ASSERT_TRUE(h.hookSeesKeys()) << "the keyboard hook saw no key within 20 s";
    h.focusTarget();

    const auto raw = [&] {
        for (char c : text) {
            const SHORT k = VkKeyScanA(c);
            const BYTE vk = LOBYTE(k);
            const bool shift = HIBYTE(k) & 1;
            if (shift) h.keyDown(VK_SHIFT);
            h.keyDown(vk);
            h.keyUp(vk);
            if (shift) h.keyUp(VK_SHIFT);
        }
    };
    const auto macro = [&] { h.pressHotKey({VK_CONTROL, VK_MENU}, 'K'); };
    double ms[2][2];  // [hook][raw, macro]
    for (int hook = 1; hook >= 0; --hook) {
        e2e::Harness::keyboardHook(hook != 0);
        ms[hook][0] = typedIn(h, text, raw);
        ms[hook][1] = typedIn(h, text, macro);
    }
    e2e::Harness::keyboardHook(true);
    const auto rate = [&](double m) { return static_cast<double>(n) / (m / 1000.0); };
    for (int hook = 1; hook >= 0; --hook)
        std::printf(
            "typing %zu characters, %s the driver's hook: raw keybd_event %.0f chars/s (%.0f ms), macro "
            "%.0f chars/s (%.0f ms), ratio %.2f (target >= 0.95)\n",
            n, hook ? "with" : "without", rate(ms[hook][0]), ms[hook][0], rate(ms[hook][1]), ms[hook][1],
            ms[hook][0] / ms[hook][1]);
    EXPECT_GE(ms[1][0] / ms[1][1], 0.95);
    EXPECT_GE(ms[0][0] / ms[0][1], 0.95);
}
