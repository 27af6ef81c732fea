// Keystroke tokens: key tokens, modifier tokens and the rule that a modifier
// applies to the next key only.

#include <gtest/gtest.h>

#include "playback/tokens.hpp"
#include "playback_fixture.hpp"

namespace kv::playback {
namespace {

using test::InterpreterTest;
using TokenTest = InterpreterTest;

TEST_F(TokenTest, ModifierTokensApplyToTheNextKeyToken) {
    interp.sendKeys("<<ctrl>><<f1>> <<SHIFT+ALT>><<TAB>> <<Ctrl+Alt>><<delete>> <<CTRL+SHIFT>><<HOME>>");
    EXPECT_EQ(typed(), "[Ctrl+F1] [Alt+Shift+Tab] [Ctrl+Alt+Del] [Ctrl+Shift+Home]");
}

TEST_F(TokenTest, ModifierTokensApplyToOnePlainCharacter) {
    interp.sendKeys("<<CTRL>>cc<<SHIFT>>a<<CTRL+SHIFT>>s<<ALT>> x");
    EXPECT_EQ(typed(), "[Ctrl+C]cA[Ctrl+Shift+S][Alt+Space]x");
    EXPECT_TRUE(test::allReleased(fake.keyboard));
}

TEST_F(TokenTest, ShiftTokenSendsTheDoubleShiftOfTheSender) {
    interp.sendKeys("<<SHIFT>><<F5>>");
    EXPECT_EQ(test::rawKeys(fake.keyboard), "+Shift +Shift +F5 -F5 -Shift -Shift");
}

TEST_F(TokenTest, KeyTokensAlone) {
    interp.sendKeys("<<PRINTSCREEN>><<Esc>><<BackSpace>><<PAGEUP>><<pagedown>><<F12>>");
    EXPECT_EQ(typed(), "[PrtSc][Esc][Bksp][PgUp][PgDn][F12]");
}

TEST_F(TokenTest, EveryKeyTokenSendsOneKeyAloneAndAfterAModifier) {
    for (const KeyToken& k : kKeyTokens) {
        fake.keyboard.events.clear();
        interp.sendKeys(k.token);
        EXPECT_EQ(fake.keyboard.events.size(), 2u) << k.token;
        if (!k.afterModifier) continue;
        fake.keyboard.events.clear();
        interp.sendKeys("<<CTRL>>" + std::string(k.token));
        EXPECT_EQ(fake.keyboard.events.size(), 4u) << k.token;
    }
}

TEST_F(TokenTest, AnUnrecognisedTokenAfterAModifierDropsOnlyTheBrackets) {
    interp.sendKeys("<<CTRL>><<PRINTSCREEN>>");
    EXPECT_EQ(typed(), "PRINTSCREEN>>");
    fake.keyboard.events.clear();
    interp.sendKeys("<<CTRL>><<ALT>><<F1>>");
    EXPECT_EQ(typed(), "ALT>>[F1]");
    fake.keyboard.events.clear();
    interp.sendKeys("<<CTRL>><<SECS5>>");
    EXPECT_EQ(typed(), "SECS5>>");
    EXPECT_EQ(elapsed(), 0u);
}

TEST_F(TokenTest, ABraceAfterAModifierIsAnErrorOfTheSender) {
    EXPECT_EQ(errorOf("<<CTRL>>{x"), "No Closing brackets");
    EXPECT_EQ(errorOf("<<CTRL>>}x"), "Invalid token");
    EXPECT_EQ(typed(), "");
}

TEST_F(TokenTest, APrefixCharacterAfterAModifierStaysPendingForTheNextKey) {
    interp.sendKeys("<<CTRL>>@x");
    EXPECT_EQ(typed(), "[Ctrl+Alt+X]");
}

TEST_F(TokenTest, AModifierAtTheEndLeavesItsPrefixPendingForTheNextCaller) {
    interp.sendKeys("a<<ALT>>");
    EXPECT_EQ(typed(), "a");
    SendKey other{fake.keyboard, fake.pump, shared};
    other.send("x");
    EXPECT_EQ(typed(), "a[Alt+X]");
}

TEST(TranslateKeyToken, ReturnsTheTextAfterWhatItTook) {
    os::fake::FakeKeyboard kb;
    os::fake::FakePump pump;
    SenderState shared;
    SendKey sender{kb, pump, shared};
    EXPECT_EQ(translateKeyToken(sender, "<<enter>>rest", ModifierState::CtrlShift), "rest");
    EXPECT_EQ(translateKeyToken(sender, "<<PRINTSCREEN>>rest", ModifierState::Ctrl), "PRINTSCREEN>>rest");
    EXPECT_EQ(test::rawKeys(kb), "+Ctrl +Shift +Shift +Enter -Enter -Shift -Shift -Ctrl");
    EXPECT_EQ(processKeystrokeToken(sender, "<<SECS5>>"), std::nullopt);
    EXPECT_EQ(processKeystrokeToken(sender, "<<ALT>>"), "");
}

}  // namespace
}  // namespace kv::playback
