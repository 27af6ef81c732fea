// How a script's text arrives: the stored choice, the split into typed and
// pasted stretches, pasting through the clipboard with the user's clipboard
// put back, the fall back to typing, and the pause between keys.

#include <gtest/gtest.h>

#include "playback/arrival.hpp"
#include "playback_fixture.hpp"
#include "store/macro_repository.hpp"

namespace kv::playback::test {
namespace {

using store::Insert;
using store::PasteKeys;
using Kind = Stretch::Kind;

TEST(TextArrival, TheStoredChoiceReadsLeniently) {
    struct Case {
        const char* section;
        Insert insert;
        PasteKeys keys;
        int delay;
    };
    const Case cases[] = {
        {"", Insert::Type, PasteKeys::CtrlV, 0},  // a store from before: as it always was
        {"Insert=paste\r\nPasteKeys=shift-insert\r\nKeyDelay=50\r\n", Insert::Paste, PasteKeys::ShiftInsert,
         50},
        {"Insert= AUTO \r\nPasteKeys=Shift-Insert\r\n", Insert::Auto, PasteKeys::ShiftInsert, 0},
        {"Insert=clipboard\r\nPasteKeys=ctrl+v\r\nKeyDelay=x\r\n", Insert::Type, PasteKeys::CtrlV, 0},
        {"KeyDelay=5000\r\n", Insert::Type, PasteKeys::CtrlV, 1000},
        {"KeyDelay=-3\r\n", Insert::Type, PasteKeys::CtrlV, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section);
        os::fake::FakeFiles files;
        files.files["C:\\macros.ini"] =
            std::string("[Main]\r\nEntries=1\r\n[Macro1]\r\nName=A\r\nType=4\r\n") + c.section;
        const store::Macro m = store::MacroRepository(files, "C:\\macros.ini", "C:\\").read(1);
        EXPECT_EQ(m.insert, c.insert);
        EXPECT_EQ(m.pasteKeys, c.keys);
        EXPECT_EQ(m.keyDelay, c.delay);
    }
}

TEST(TextArrival, StretchesAreTypedOrPastedByTheMacrosChoice) {
    const std::string longText(120, 'x');
    const std::string script = "Dear <<INPUT:Name>><<WRITEVALUE>>,<<ENTER>>" + longText + "<<TAB>>bye";
    const std::vector<Stretch> typed = {{Kind::Typed, "Dear "},          {Kind::Token, "<<INPUT:Name>>"},
                                        {Kind::Token, "<<WRITEVALUE>>"}, {Kind::Typed, ","},
                                        {Kind::Token, "<<ENTER>>"},      {Kind::Typed, longText},
                                        {Kind::Token, "<<TAB>>"},        {Kind::Typed, "bye"}};
    EXPECT_EQ(stretches(script, Insert::Type), typed);

    std::vector<Stretch> pasted = typed;
    for (Stretch& s : pasted)
        if (s.kind == Kind::Typed) s.kind = Kind::Pasted;
    EXPECT_EQ(stretches(script, Insert::Paste), pasted);

    std::vector<Stretch> automatic = typed;
    automatic[5].kind = Kind::Pasted;  // only the long one
    EXPECT_EQ(stretches(script, Insert::Auto), automatic);

    EXPECT_FALSE(pastesAny(script, Insert::Type));
    EXPECT_TRUE(pastesAny(script, Insert::Auto));
    EXPECT_FALSE(pastesAny("short<<ENTER>>text", Insert::Auto));
}

TEST(TextArrival, LongMeansCharactersAndAModifierKeepsItsKey) {
    // 99 characters of two bytes each stay typed; the 100th makes it long.
    std::string ninetyNine;
    for (int i = 0; i < 99; ++i) ninetyNine += "é";
    EXPECT_FALSE(pastes(Insert::Auto, ninetyNine));
    EXPECT_TRUE(pastes(Insert::Auto, ninetyNine + "é"));
    EXPECT_FALSE(pastes(Insert::Paste, ""));  // an empty stretch does nothing
    // The character after a modifier is its key, never pasted.
    EXPECT_EQ(stretches("<<CTRL>>sx", Insert::Paste),
              (std::vector<Stretch>{{Kind::Token, "<<CTRL>>s"}, {Kind::Pasted, "x"}}));
    EXPECT_EQ(stretches("<<CTRL>><<END>>", Insert::Paste),
              (std::vector<Stretch>{{Kind::Token, "<<CTRL>>"}, {Kind::Token, "<<END>>"}}));
}

class PasteTest : public InterpreterTest {
protected:
    PasteTest() {
        fake.clipboard.setUserText("mine");
        runSlot = [this](int slot) {
            ranSlots.push_back(slot);
            interp.sendKeys(scripts[slot], arrivals[slot]);
        };
    }
    // What the target received: typed keys, each paste chord replaced by
    // the text it pasted.
    std::string arrived() const {
        std::string out = typed();
        for (const std::string& text : fake.clipboard.pasted) {
            for (const char* chord : {"[Ctrl+V]", "[Shift+0x2D]"}) {
                if (const std::size_t at = out.find(chord); at != std::string::npos) {
                    out.replace(at, std::string(chord).size(), "{" + text + "}");
                    break;
                }
            }
        }
        return out;
    }
    void run(std::string_view script, Arrival arrival) {
        fake.keyboard.events.clear();
        interp.sendKeys(script, arrival);
    }
    const os::ClipboardContents users = [] {
        os::fake::FakeClipboard c;
        c.setUserText("mine");
        return c.contents;
    }();
    std::map<int, Arrival> arrivals;
    const Arrival paste{Insert::Paste};
    const std::string longText = std::string(150, 'a') + "\r\nsecond line";
};

TEST_F(PasteTest, PastedStretchesArriveWithTokensAsKeysAndTheClipboardComesBack) {
    run("Dear <<ENTER>>" + longText + "<<TAB>>{x}^@~", paste);
    EXPECT_EQ(arrived(), "{Dear }[Enter]{" + longText + "}[Tab]{{x}^@~}");
    EXPECT_EQ(fake.clipboard.contents, users);
    EXPECT_EQ(fake.clipboard.saves, 1);
    EXPECT_EQ(fake.clipboard.restores, 1);

    // Auto types the short stretches; Shift+Insert where the macro says so.
    fake.clipboard.pasted.clear();
    run("Dear <<ENTER>>" + longText + "<<TAB>>{x}", {Insert::Auto, PasteKeys::ShiftInsert});
    EXPECT_EQ(arrived(), "Dear [Enter]{" + longText + "}[Tab]{x}");
    EXPECT_EQ(fake.clipboard.contents, users);

    // Typing leaves the clipboard alone.
    const int opens = fake.clipboard.opens;
    run(longText, {});
    EXPECT_EQ(fake.clipboard.opens, opens);
}

TEST_F(PasteTest, NestedRunsFollowTheirOwnMacroAndTheOutermostPasterRestoresOnce) {
    addMacro("inner", "short<<ENTER>>" + longText);
    arrivals[1] = paste;
    // A typing run around a pasting one: the inner run saves and restores.
    run("ab<<RUN:inner>>cd", {});
    EXPECT_EQ(arrived(), "ab{short}[Enter]{" + longText + "}cd");
    EXPECT_EQ(fake.clipboard.saves, 1);
    EXPECT_EQ(fake.clipboard.restores, 1);

    // A pasting run around pasting and typing ones: saved once, before the
    // first paste, and put back once, at the outer run's end.
    addMacro("typist", "xy");
    fake.clipboard.pasted.clear();
    run(longText + "<<RUN:inner>><<RUN:typist>>" + longText, paste);
    EXPECT_EQ(arrived(), "{" + longText + "}{short}[Enter]{" + longText + "}xy{" + longText + "}");
    EXPECT_EQ(fake.clipboard.saves, 2);
    EXPECT_EQ(fake.clipboard.restores, 2);
    EXPECT_EQ(fake.clipboard.contents, users);
}

TEST_F(PasteTest, AClipboardKeptByAnotherProgramMeansTyping) {
    fake.clipboard.heldByOther = -1;
    run("ab<<ENTER>>{c}^", paste);
    EXPECT_EQ(arrived(), "ab[Enter]{c}^");
    EXPECT_EQ(fake.clipboard.saves, 0);
    EXPECT_EQ(fake.clipboard.restores, 0);
    // Each try waits at most a second: one failed try, not one per stretch.
    EXPECT_EQ(fake.clipboard.opens, 1);
    EXPECT_EQ(fake.clipboard.contents, users);
}

TEST_F(PasteTest, ATargetThatNeverReadsGetsHalfASecondAndTheUserKeepsTheClipboard) {
    fake.clipboard.targetReads = false;
    const os::Millis before = fake.pump.now();
    run(longText, paste);
    EXPECT_GE(fake.pump.now() - before, 500u);
    EXPECT_LT(fake.pump.now() - before, 600u);
    EXPECT_TRUE(fake.clipboard.pasted.empty());
    EXPECT_EQ(fake.clipboard.contents, users);
}

TEST_F(PasteTest, AStopBetweenPastesEndsTheRunAndStillRestores) {
    fake.pump.at(fake.pump.now() + 500, [this] { ++state.stopGeneration; });
    EXPECT_THROW(run(longText + "<<SECS1>>" + longText, paste), Stopped);
    EXPECT_EQ(fake.clipboard.pasted.size(), 1u);
    EXPECT_EQ(fake.clipboard.contents, users);
    EXPECT_EQ(fake.clipboard.restores, 1);
}

TEST_F(PasteTest, KeyDelaySpacesEveryKeyOfTheMacro) {
    std::vector<os::Millis> downs;
    auto onKey = fake.keyboard.onKey;
    fake.keyboard.onKey = [&](const os::fake::FakeKeyboard::Event& e) {
        if (!(e.flags & os::kKeyUp) && e.vk != 0x10) downs.push_back(fake.pump.now());
        onKey(e);
    };
    run("aB<<ENTER>>c", {Insert::Type, PasteKeys::CtrlV, 50});
    EXPECT_EQ(typed(), "aB[Enter]c");
    ASSERT_EQ(downs.size(), 4u);
    for (std::size_t i = 1; i < downs.size(); ++i) EXPECT_GE(downs[i] - downs[i - 1], 50u) << i;

    // Without a pause the keys go at once, as they always did.
    downs.clear();
    run("abc", {});
    EXPECT_EQ(downs.front(), downs.back());
}

// An abbreviation typed in capitals: the run's own literal text follows the
// case it was typed in; tokens and the macros it runs do not.
TEST_F(PasteTest, AnAbbreviationsCaseReachesOnlyTheRunsOwnLiteralText) {
    addMacro("inner", "inner text");
    run("by the way<<ENTER>>ß é<<RUN:inner>>", {Insert::Type, PasteKeys::CtrlV, 0, TextCase::Upper});
    EXPECT_EQ(arrived(), "BY THE WAY[Enter]ß Éinner text");
    // The first letter only, even when the text starts with no letter and
    // the stretch is pasted.
    run("  \"(by) the way", {Insert::Paste, PasteKeys::CtrlV, 0, TextCase::FirstUpper});
    EXPECT_EQ(arrived(), "{\"(By) the way}");
    run("<<TAB>>by<<TAB>>the", {Insert::Type, PasteKeys::CtrlV, 0, TextCase::FirstUpper});
    EXPECT_EQ(arrived(), "[Tab]By[Tab]the");
}

}  // namespace
}  // namespace kv::playback::test
