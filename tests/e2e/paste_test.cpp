// Script macros whose text is pasted through the clipboard, or typed with a
// pause between keys, into the driver's focused edit control.

#include <gtest/gtest.h>

#include "harness.hpp"

using namespace std::chrono_literals;

namespace {

// Lines of words, each ended by CR LF as the script file holds them.
std::string lines(std::size_t chars, char first = 'a') {
    std::string s;
    for (std::size_t i = 0; s.size() < chars; ++i) {
        s += static_cast<char>(first + static_cast<char>(i % 26));
        if (i % 60 == 59) s += "\r\n";
    }
    s.resize(chars);
    s.back() = 'z';  // the script is trimmed: keep every character
    return s;
}

// One script macro on Ctrl+Alt+K with the keys of its section.
void setUp(e2e::Harness& h, const std::string& script, const std::string& keys) {
    h.writeProgramFile("Text.key", script);
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Text", 4, e2e::ctrlAlt('K'), "Text.key", keys)));
    h.start();
    ASSERT_TRUE(h.hookSeesKeys()) << "the keyboard hook saw no key within 20 s";
    h.focusTarget();
}

// The key presses Keyvale sent of one virtual key.
int pressesOf(const e2e::Harness& h, DWORD vk) {
    int n = 0;
    for (const e2e::KeyRecord& k : h.keys()) n += k.injectedByKeyvale && k.down && k.vk == vk;
    return n;
}

}  // namespace

TEST(Paste, ALongScriptArrivesExactlyAndTheClipboardIsPutBack) {
    e2e::Harness h;
    const std::string text = lines(3000) + "{braces}^@~";
    setUp(h, text, "Insert=paste\r\n");
    e2e::Harness::setClipboardText("the driver's own text");
    h.clearKeys();
    const ULONGLONG t0 = GetTickCount64();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    ASSERT_TRUE(h.waitFor([&] { return h.editText() == text; }, 20s)) << h.editText().size();
    const ULONGLONG ms = GetTickCount64() - t0;
    // Once the text is in, the user's clipboard follows at once.
    EXPECT_TRUE(h.waitFor([&] { return e2e::Harness::clipboardText() == "the driver's own text"; }, 3s))
        << e2e::Harness::clipboardText();
    EXPECT_EQ(pressesOf(h, 'V'), 1);
    EXPECT_LT(ms, 3000u) << "typed rather than pasted?";
}

TEST(Paste, LongStretchesArePastedAndTheTokensBetweenThemStillPressTheirKeys) {
    e2e::Harness h;
    const std::string first = lines(150), second = lines(200, 'k');
    setUp(h, first + "<<ENTER>>short<<ENTER>>" + second, "Insert=auto\r\n");
    e2e::Harness::setClipboardText("kept");
    h.clearKeys();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    const std::string expected = first + "\r\nshort\r\n" + second;
    ASSERT_TRUE(h.waitFor([&] { return h.editText() == expected; }, 20s)) << h.editText();
    EXPECT_EQ(pressesOf(h, 'V'), 2);        // the two long stretches
    EXPECT_EQ(pressesOf(h, VK_RETURN), 2);  // the tokens, as keys
    EXPECT_EQ(pressesOf(h, 'S'), 1);        // the short stretch, typed
    EXPECT_TRUE(h.waitFor([&] { return e2e::Harness::clipboardText() == "kept"; }, 3s));
}

TEST(Paste, APauseBetweenKeysSpacesEveryKey) {
    e2e::Harness h;
    setUp(h, "abcdefgh", "KeyDelay=50\r\n");
    h.clearKeys();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    ASSERT_TRUE(h.waitFor([&] { return h.editText() == "abcdefgh"; }, 10s)) << h.editText();
    std::vector<DWORD> downs;
    for (const e2e::KeyRecord& k : h.keys())
        if (k.injectedByKeyvale && k.down && k.vk >= 'A' && k.vk <= 'H') downs.push_back(k.time);
    ASSERT_EQ(downs.size(), 8u);
    for (std::size_t i = 1; i < downs.size(); ++i) EXPECT_GE(downs[i] - downs[i - 1], 50u) << i;
}
