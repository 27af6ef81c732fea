// The key-string sender against the US layout of the fake keyboard.

#include <gtest/gtest.h>

#include "core/error.hpp"
#include "os/fake/fake_os.hpp"
#include "playback/sender.hpp"
#include "playback_keys.hpp"

namespace kv::playback {
namespace {

using test::rawKeys;
using test::typedText;

// A layout that answers chosen characters with chosen keys, for shift
// states the US layout never produces.
class CustomLayout : public os::fake::FakeKeyboard {
public:
    std::map<char32_t, std::int16_t> keys;
    std::int16_t vkKeyScan(char32_t c) override {
        auto it = keys.find(c);
        return it != keys.end() ? it->second : FakeKeyboard::vkKeyScan(c);
    }
};

class SenderTest : public ::testing::Test {
protected:
    // Sends and returns the raw events of this call alone.
    std::string sent(std::string_view keys) {
        kb.events.clear();
        kb.typed.clear();
        kb.typedChars.clear();
        kb.charEvents.clear();
        sender.send(keys);
        return rawKeys(kb);
    }
    // The message of the kv::Error that sending raises, or "" when none.
    std::string errorOf(std::string_view keys) {
        try {
            sender.send(keys);
        } catch (const Error& e) {
            return e.what();
        }
        return "";
    }

    CustomLayout kb;
    os::fake::FakePump pump;
    SenderState shared;
    SendKey sender{kb, pump, shared};
};

TEST_F(SenderTest, ReturnsZeroAndPumpsOnceOrMinusOneForNothing) {
    EXPECT_EQ(sender.send(""), -1);
    EXPECT_EQ(pump.processCalls, 0);
    EXPECT_EQ(sender.send("aB1"), 0);
    EXPECT_EQ(rawKeys(kb), "+A -A +Shift +B -B -Shift +1 -1");
    EXPECT_EQ(pump.processCalls, 1);
    sender.send(std::string(300, 'a'));  // cut to 255 characters
    EXPECT_EQ(kb.events.size(), 8u + 2 * 255);
}

TEST_F(SenderTest, BracesAloneAndBraceNamesInAnyCase) {
    sender.send("{");
    sender.send("}");
    EXPECT_EQ(typedText(kb), "{}");
    EXPECT_EQ(sent("{esc}{Enter}{L}{R}{DN}{del}{bksp}{PrtSc}{SPACE}{f12}{PGDN}"),
              "+Esc -Esc +Enter -Enter +Left -Left +Right -Right +Down -Down +Del -Del +Bksp -Bksp "
              "+PrtSc -PrtSc +Space -Space +F12 -F12 +PgDn -PgDn");
}

TEST_F(SenderTest, MalformedBraceNamesRaiseTheirErrorsAfterTheKeysBefore) {
    EXPECT_EQ(errorOf("{}"), "Invalid token");
    EXPECT_EQ(errorOf("{F1"), "No Closing brackets");
    EXPECT_EQ(errorOf("{PAGEDOWN}"), "No Closing brackets");  // 8 letters
    EXPECT_EQ(errorOf("{PAGEUP}"), "Invalid token");          // not a key name
    EXPECT_EQ(errorOf("{BACKSPACE}"), "No Closing brackets");
    EXPECT_TRUE(kb.events.empty());
    EXPECT_EQ(errorOf("a}b"), "Invalid token");
    EXPECT_EQ(typedText(kb), "a");
}

TEST_F(SenderTest, ModifierOrderAndTheCtrlThatSuppressesTheLayoutsShift) {
    EXPECT_EQ(sent("^a"), "+Ctrl +A -A -Ctrl");
    EXPECT_EQ(sent("^A"), "+Ctrl +A -A -Ctrl");
    EXPECT_EQ(sent("~a"), "+Shift +Shift +A -A -Shift -Shift");
    EXPECT_EQ(sent("@{F4}"), "+Alt +F4 -F4 -Alt");
    EXPECT_EQ(sent("^@{DEL}"), "+Alt +Ctrl +Del -Del -Ctrl -Alt");
    EXPECT_EQ(sent("~@^{F5}"), "+Alt +Ctrl +Shift +Shift +F5 -F5 -Shift -Shift -Ctrl -Alt");
}

TEST_F(SenderTest, OnlyModifierNamesInCapitalsActAsPrefixes) {
    EXPECT_EQ(sent("{CTRL}c"), "+Ctrl +C -C -Ctrl");
    EXPECT_EQ(sent("{ctrl}c"), "+Ctrl -Ctrl +C -C");
    EXPECT_EQ(sent("{MENU}{Shift}{ALT}x"), "+Alt -Alt +Shift -Shift +Alt +X -X -Alt");
}

TEST_F(SenderTest, TokensOnlyIsSharedAndTypesPrefixCharacters) {
    SendKey other{kb, pump, shared};
    other.setTokensOnly(true);
    sender.send("a^b@c~");
    EXPECT_EQ(typedText(kb), "a^b@c~");
    EXPECT_EQ(errorOf("x}"), "Invalid token");
    EXPECT_EQ(typedText(kb), "a^b@c~x");
}

TEST_F(SenderTest, APendingPrefixCarriesOverToTheNextCallerButAnErrorDropsIt) {
    EXPECT_EQ(sent("^"), "");
    SendKey other{kb, pump, shared};
    other.send("cc");
    EXPECT_EQ(rawKeys(kb), "+Ctrl +C -C -Ctrl +C -C");
    // A key string that ends in an error leaves no modifier for a later one.
    for (const char* failing : {"~}", "^{", "^@{F1", "{CTRL}{bad}"}) {
        EXPECT_NE(errorOf(failing), "") << failing;
        EXPECT_EQ(sent("a"), "+A -A") << failing;
    }
}

TEST_F(SenderTest, LayoutShiftStatesFoldIntoModifiers) {
    kb.keys = {{'1', 0x245}, {'2', 0x345}, {'3', 0x645}, {'4', 0x745}, {'5', 0x445}};
    EXPECT_EQ(sent("1"), "+Ctrl +E -E -Ctrl");
    EXPECT_EQ(sent("2"), "+Ctrl +Shift +Shift +E -E -Shift -Shift -Ctrl");
    EXPECT_EQ(sent("3"), "+Ctrl +Alt +E -E -Ctrl -Alt");  // AltGr
    EXPECT_EQ(sent("4"), "+Shift +Ctrl +Alt +Shift +E -E -Shift -Shift -Ctrl -Alt");
    EXPECT_EQ(sent("5"), "+E -E");  // Alt alone is not pressed
}

TEST_F(SenderTest, ACharacterWithoutAKeyIsTypedAsItselfWithPendingModifiers) {
    EXPECT_EQ(sent("\u00E9"), "'\u00E9'");
    // Shift only once (no layout Shift for it), and the flags clear after it.
    EXPECT_EQ(sent("~^\u00E9c"), "+Ctrl +Shift '\u00E9' -Shift -Ctrl +C -C");
    // A character beyond the first plane goes whole, as one character.
    EXPECT_EQ(sent("\U0001F600"), "'\U0001F600'");
}

TEST_F(SenderTest, NoByteOfAMultiByteCharacterActsAsAPrefixOrBrace) {
    // Text that a double-byte code page holds with "^", "@", "{" or "}" as
    // its second byte: each character is typed, and no modifier is pressed.
    EXPECT_EQ(sent("\u30BF\u30A1{ENTER}\u8868"), "'\u30BF' '\u30A1' +Enter -Enter '\u8868'");
    EXPECT_EQ(sent("^\u30DE"), "+Ctrl '\u30DE' -Ctrl");
    // The 255-character limit counts characters, not bytes.
    kb.events.clear();
    kb.typedChars.clear();
    kb.charEvents.clear();
    std::string kana;
    for (int i = 0; i < 300; ++i) kana += "\u30A2";
    sender.send(kana);
    EXPECT_EQ(kb.typedChars.size(), 255u);
}

TEST_F(SenderTest, AModifierWithALetterTheLayoutLacksPressesTheLettersKey) {
    // A Cyrillic layout: no key types "c" or "v" or "1".
    kb.keys['c'] = kb.keys['v'] = kb.keys['C'] = kb.keys['1'] = -1;
    EXPECT_EQ(sent("^c"), "+Ctrl +C -C -Ctrl");
    EXPECT_EQ(sent("^C"), "+Ctrl +C -C -Ctrl");
    EXPECT_EQ(sent("@1"), "+Alt +1 -1 -Alt");
    EXPECT_EQ(sent("{CTRL}v"), "+Ctrl +V -V -Ctrl");
    // Without a modifier the letter itself is typed.
    EXPECT_EQ(sent("c"), "'c'");
}

TEST_F(SenderTest, ScanCodesAndTheExtendedFlagFollowTheLayout) {
    using Event = os::fake::FakeKeyboard::Event;
    sender.send("{LEFT}{ENTER}d{ESC}{F1}");
    const std::vector<Event> expected = {
        {0x25, 0x4B, 1}, {0x25, 0x4B, 3},  // Left: 0x4B has a bit of 0xE0
        {0x0D, 0x1C, 0}, {0x0D, 0x1C, 2},  // Enter
        {'D', 0x20, 1},  {'D', 0x20, 3},   // D: scan 0x20
        {0x1B, 0x01, 0}, {0x1B, 0x01, 2},  // Escape
        {0x70, 0x3B, 1}, {0x70, 0x3B, 3},  // F1
    };
    EXPECT_EQ(kb.events, expected);
}

TEST_F(SenderTest, MessagesHandledAfterAKeyStringSeeTokensOnlyClear) {
    bool tokensOnlyInside = true;
    pump.post([&] { tokensOnlyInside = sender.tokensOnly(); });
    sender.setTokensOnly(true);
    sender.send("^");
    EXPECT_FALSE(tokensOnlyInside);
    EXPECT_TRUE(sender.tokensOnly());
}

}  // namespace
}  // namespace kv::playback
