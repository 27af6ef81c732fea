// The key-string sender against the US layout of the fake keyboard.

#include <gtest/gtest.h>

#include "os/fake/fake_os.hpp"
#include "playback/sender.hpp"
#include "playback_keys.hpp"
#include "store/error.hpp"

namespace kv::playback {
namespace {

using os::fake::FakeKeyboard;
using test::rawKeys;
using test::typedText;

// A layout that answers chosen characters with chosen keys, for shift
// states the US layout never produces.
class CustomLayout : public FakeKeyboard {
public:
    std::map<char, std::int16_t> keys;
    std::int16_t vkKeyScan(char c) override {
        auto it = keys.find(c);
        return it != keys.end() ? it->second : FakeKeyboard::vkKeyScan(c);
    }
};

class SenderTest : public ::testing::Test {
protected:
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

TEST_F(SenderTest, PlainCharactersFollowTheLayoutAndPumpOnce) {
    EXPECT_EQ(sender.send("aB1"), 0);
    EXPECT_EQ(rawKeys(kb), "+A -A +Shift +B -B -Shift +1 -1");
    EXPECT_EQ(pump.processCalls, 1);
}

TEST_F(SenderTest, EmptyStringReturnsMinusOneAndDoesNothing) {
    EXPECT_EQ(sender.send(""), -1);
    EXPECT_TRUE(kb.events.empty());
    EXPECT_EQ(pump.processCalls, 0);
}

TEST_F(SenderTest, LongStringsAreCutTo255Characters) {
    sender.send(std::string(300, 'a'));
    EXPECT_EQ(kb.events.size(), 2u * 255);
}

TEST_F(SenderTest, UseDllStillSendsThroughTheBuiltInSender) {
    sender.setUseDll(true);
    EXPECT_EQ(sender.send("a"), 0);
    EXPECT_EQ(rawKeys(kb), "+A -A");
}

TEST_F(SenderTest, ABraceAloneIsTyped) {
    sender.send("{");
    sender.send("}");
    EXPECT_EQ(typedText(kb), "{}");
}

TEST_F(SenderTest, MalformedBraceNamesRaiseTheirErrors) {
    EXPECT_EQ(errorOf("{}"), "Invalid token");
    EXPECT_EQ(errorOf("{F1"), "No Closing brackets");
    EXPECT_EQ(errorOf("{PAGEDOWN}"), "No Closing brackets");  // 8 letters
    EXPECT_EQ(errorOf("{PAGEUP}"), "Invalid token");          // 6 letters, not a key name
    EXPECT_EQ(errorOf("{ESCAPE"), "No Closing brackets");
    EXPECT_TRUE(kb.events.empty());
}

TEST_F(SenderTest, KeysBeforeAFaultStaySentAndTheRestIsNot) {
    EXPECT_EQ(errorOf("a}b"), "Invalid token");
    EXPECT_EQ(typedText(kb), "a");
    EXPECT_EQ(pump.processCalls, 0);
}

TEST_F(SenderTest, BraceNamesMatchInAnyLetterCase) {
    sender.send("{esc}{Enter}{L}{R}{DN}{del}{DELETE}{bksp}{PrtSc}{SPACE}{f12}{PGDN}");
    EXPECT_EQ(rawKeys(kb),
              "+Esc -Esc +Enter -Enter +Left -Left +Right -Right +Down -Down +Del -Del +Del -Del "
              "+Bksp -Bksp +PrtSc -PrtSc +Space -Space +F12 -F12 +PgDn -PgDn");
}

TEST_F(SenderTest, CtrlPrefixSuppressesTheLayoutsShift) {
    sender.send("^a");
    sender.send("^A");
    EXPECT_EQ(rawKeys(kb), "+Ctrl +A -A -Ctrl +Ctrl +A -A -Ctrl");
}

TEST_F(SenderTest, ShiftPrefixPressesShiftTwice) {
    sender.send("~a");
    EXPECT_EQ(rawKeys(kb), "+Shift +Shift +A -A -Shift -Shift");
}

TEST_F(SenderTest, ModifiersPressAltCtrlShiftAndReleaseShiftCtrlAlt) {
    sender.send("@{F4}");
    EXPECT_EQ(rawKeys(kb), "+Alt +F4 -F4 -Alt");
    kb.events.clear();
    sender.send("^@{DEL}");
    EXPECT_EQ(rawKeys(kb), "+Alt +Ctrl +Del -Del -Ctrl -Alt");
    kb.events.clear();
    sender.send("~@^{F5}");
    EXPECT_EQ(rawKeys(kb), "+Alt +Ctrl +Shift +Shift +F5 -F5 -Shift -Shift -Ctrl -Alt");
}

TEST_F(SenderTest, OnlyModifierNamesInCapitalsActAsPrefixes) {
    sender.send("{CTRL}c");
    EXPECT_EQ(rawKeys(kb), "+Ctrl +C -C -Ctrl");
    kb.events.clear();
    sender.send("{ctrl}c");
    EXPECT_EQ(rawKeys(kb), "+Ctrl -Ctrl +C -C");
    kb.events.clear();
    sender.send("{MENU}{Shift}{ALT}x");
    EXPECT_EQ(rawKeys(kb), "+Alt -Alt +Shift -Shift +Alt +X -X -Alt");
}

TEST_F(SenderTest, TokensOnlyTypesPrefixCharactersLiterally) {
    sender.setTokensOnly(true);
    sender.send("a^b@c~");
    EXPECT_EQ(typedText(kb), "a^b@c~");
    EXPECT_EQ(errorOf("x}"), "Invalid token");
    EXPECT_EQ(typedText(kb), "a^b@c~x");
}

TEST_F(SenderTest, TokensOnlyIsSharedByEverySender) {
    SendKey other{kb, pump, shared};
    other.setTokensOnly(true);
    EXPECT_TRUE(sender.tokensOnly());
    sender.send("^");
    EXPECT_EQ(typedText(kb), "^");
}

TEST_F(SenderTest, APendingPrefixCarriesOverToTheNextCallerAndThenClears) {
    EXPECT_EQ(sender.send("^"), 0);
    EXPECT_TRUE(kb.events.empty());
    SendKey other{kb, pump, shared};
    other.send("cc");
    EXPECT_EQ(rawKeys(kb), "+Ctrl +C -C -Ctrl +C -C");
}

TEST_F(SenderTest, PrefixesSetBeforeAnErrorStayPending) {
    EXPECT_EQ(errorOf("~}"), "Invalid token");
    sender.send("a");
    EXPECT_EQ(typedText(kb), "A");
}

TEST_F(SenderTest, LayoutShiftStatesFoldIntoModifiers) {
    kb.keys['1'] = 0x245;  // Ctrl level
    kb.keys['2'] = 0x345;  // Ctrl and Shift
    kb.keys['3'] = 0x645;  // AltGr
    kb.keys['4'] = 0x745;  // AltGr and Shift
    kb.keys['5'] = 0x445;  // Alt alone is not pressed
    sender.send("1");
    EXPECT_EQ(rawKeys(kb), "+Ctrl +E -E -Ctrl");
    kb.events.clear();
    sender.send("2");
    EXPECT_EQ(rawKeys(kb), "+Ctrl +Shift +Shift +E -E -Shift -Shift -Ctrl");
    kb.events.clear();
    sender.send("3");
    EXPECT_EQ(rawKeys(kb), "+Ctrl +Alt +E -E -Ctrl -Alt");
    kb.events.clear();
    sender.send("4");
    EXPECT_EQ(rawKeys(kb), "+Shift +Ctrl +Alt +Shift +E -E -Shift -Shift -Ctrl -Alt");
    kb.events.clear();
    sender.send("5");
    EXPECT_EQ(rawKeys(kb), "+E -E");
}

TEST_F(SenderTest, ACharacterWithoutAKeyIsTypedAsItselfWithPendingModifiers) {
    const char eAcute = static_cast<char>(0xE9);
    sender.send(std::string(1, eAcute));
    EXPECT_EQ(rawKeys(kb), "'\xE9'");
    kb.events.clear();
    kb.charEvents.clear();
    kb.typed.clear();
    sender.send(std::string("~^") + eAcute + "c");
    // Shift only once (no layout Shift for it), then the flags are clear.
    EXPECT_EQ(rawKeys(kb), "+Ctrl +Shift '\xE9' -Shift -Ctrl +C -C");
}

TEST_F(SenderTest, ScanCodesAndTheExtendedFlagFollowTheLayout) {
    using Event = FakeKeyboard::Event;
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

TEST(KeyNames, FirstMatchInTableOrderAnyCase) {
    EXPECT_EQ(lookupKeyName("shift"), 0x10);
    EXPECT_EQ(lookupKeyName("Menu"), 0x12);
    EXPECT_EQ(lookupKeyName("r"), 0x27);
    EXPECT_EQ(lookupKeyName("ESCAPE"), 0x1B);
    EXPECT_FALSE(lookupKeyName(""));
    EXPECT_FALSE(lookupKeyName("F13"));
    EXPECT_FALSE(lookupKeyName("BACKSPACE"));
}

}  // namespace
}  // namespace kv::playback
