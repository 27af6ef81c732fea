// Keystroke tokens: key tokens, modifier tokens and the rule that a modifier
// applies to the next key only.

#include <gtest/gtest.h>

#include "playback/tokens.hpp"
#include "playback_fixture.hpp"

namespace kv::playback {
namespace {

using TokenTest = test::InterpreterTest;

TEST_F(TokenTest, KeyAndModifierTokens) {
    const std::pair<const char*, const char*> cases[] = {
        {"<<ctrl>><<f1>>", "[Ctrl+F1]"},
        {"<<CTRL>>cc", "[Ctrl+C]c"},
        {"<<SHIFT>>a", "A"},
        {"<<CTRL+SHIFT>>s", "[Ctrl+Shift+S]"},
        {"<<SHIFT+ALT>><<TAB>>", "[Alt+Shift+Tab]"},
        {"<<Ctrl+Alt>><<delete>>", "[Ctrl+Alt+Del]"},
        {"<<ALT>> x", "[Alt+Space]x"},
        {"<<PRINTSCREEN>><<Esc>><<BackSpace>><<pagedown>>", "[PrtSc][Esc][Bksp][PgDn]"},
        // Anything but a key token after a modifier loses only its "<<".
        {"<<CTRL>><<PRINTSCREEN>>", "PRINTSCREEN>>"},
        {"<<CTRL>><<ALT>><<F1>>", "ALT>>[F1]"},
        {"<<CTRL>><<SECS5>>", "SECS5>>"},
        {"<<CTRL>>@x", "[Ctrl+Alt+X]"},
    };
    for (const auto& [script, expected] : cases) EXPECT_EQ(typedBy(script), expected) << script;
    EXPECT_EQ(elapsed(), 0u);
}

TEST_F(TokenTest, EveryKeyTokenSendsOneKeyAloneAndAfterAModifier) {
    for (const KeyToken& k : kKeyTokens) {
        typedBy(k.token);
        EXPECT_EQ(fake.keyboard.events.size(), 2u) << k.token;
        if (!k.afterModifier) continue;
        typedBy("<<CTRL>>" + std::string(k.token));
        EXPECT_EQ(fake.keyboard.events.size(), 4u) << k.token;
    }
}

TEST_F(TokenTest, ABraceAfterAModifierIsAnErrorOfTheSender) {
    EXPECT_EQ(errorOf("<<CTRL>>{x"), "No Closing brackets");
    EXPECT_EQ(errorOf("<<CTRL>>}x"), "Invalid token");
    EXPECT_EQ(typed(), "");
}

TEST_F(TokenTest, AModifierAtTheEndLeavesItsPrefixPendingForTheNextCaller) {
    interp.sendKeys("a<<ALT>>");
    SendKey other{fake.keyboard, fake.pump, shared};
    other.send("x");
    EXPECT_EQ(typed(), "a[Alt+X]");
}

TEST_F(TokenTest, TranslateKeyTokenReturnsTheTextAfterWhatItTook) {
    EXPECT_EQ(translateKeyToken(sender, "<<enter>>rest", ModifierState::CtrlShift), "rest");
    EXPECT_EQ(translateKeyToken(sender, "<<PRINTSCREEN>>rest", ModifierState::Ctrl), "PRINTSCREEN>>rest");
    EXPECT_EQ(test::rawKeys(fake.keyboard), "+Ctrl +Shift +Shift +Enter -Enter -Shift -Shift -Ctrl");
    EXPECT_EQ(processKeystrokeToken(sender, "<<SECS5>>"), std::nullopt);
}

}  // namespace
}  // namespace kv::playback
