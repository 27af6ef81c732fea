// Pasting against typing: one long text arriving through the clipboard and
// the same text typed key by key, in the same run. Not part of the test run;
// scripts/bench runs it.

#include <gtest/gtest.h>

#include <cstdio>

#include "harness.hpp"

using namespace std::chrono_literals;

namespace {

// Milliseconds from the hot key until the edit control holds the text.
double arrivalMs(e2e::Harness& h, const std::string& text, char key) {
    h.clearEdit();
    h.pumpFor(200ms);
    const ULONGLONG t0 = GetTickCount64();
    h.pressHotKey({VK_CONTROL, VK_MENU}, static_cast<BYTE>(key));
    EXPECT_TRUE(h.waitFor([&] { return h.editText().size() >= text.size(); }, 300s));
    const double ms = static_cast<double>(GetTickCount64() - t0);
    EXPECT_EQ(h.editText(), text);
    return ms;
}

}  // namespace

TEST(PasteBench, TenThousandCharactersPastedAgainstTyped) {
    const std::size_t n = 10000;
    std::string text;
    const char* words = "the quick brown fox jumps over the lazy dog ";
    while (text.size() < n) text += words;
    text.resize(n);
    text.back() = 'x';
    e2e::Harness h;
    h.writeProgramFile("Text.key", text);
    h.writeStore(e2e::store(
        2, e2e::macroSection(1, "Typed", 4, e2e::ctrlAlt('K'), "Text.key") +
               e2e::macroSection(2, "Pasted", 4, e2e::ctrlAlt('P'), "Text.key", "Insert=paste\r\n")));
    h.start();
    ASSERT_TRUE(h.hookSeesKeys()) << "the keyboard hook saw no key within 20 s";
    h.focusTarget();
    e2e::Harness::setClipboardText("before");
    const double pasted = arrivalMs(h, text, 'P');
    const double typed = arrivalMs(h, text, 'K');
    std::printf(
        "%zu characters: pasted %.0f ms, typed %.0f ms, %.1fx faster (target: pasted <= 1000 ms, >= 20x)\n",
        n, pasted, typed, typed / pasted);
    EXPECT_EQ(e2e::Harness::clipboardText(), "before");
    EXPECT_LE(pasted, 1000.0);
    EXPECT_GE(typed / pasted, 20.0);
}
