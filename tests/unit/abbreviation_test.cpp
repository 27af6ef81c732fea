#include <gtest/gtest.h>

#include "app/application.hpp"
#include "core/dead_keys.hpp"
#include "hotkeys/abbreviations.hpp"
#include "os/fake/fake_os.hpp"
#include "playback_keys.hpp"
#include "store/macro_repository.hpp"

using namespace kv;
using hotkeys::AbbreviationMatcher;
using hotkeys::Expansion;

namespace {

store::Macro withAbbreviation(int slot, std::string abbreviation, bool immediate = false) {
    store::Macro m;
    m.slot = slot;
    m.abbreviation = std::move(abbreviation);
    m.immediate = immediate;
    return m;
}

// What typing the keys expands: each expansion as "slot/erase/ending/case"
// where it happens, each other key as nothing. '\b' is a Backspace, '\x1b'
// a clear.
std::string expansions(AbbreviationMatcher& m, std::u32string keys) {
    std::string out;
    for (char32_t c : keys) {
        if (c == '\b') {
            m.backspace();
            continue;
        }
        if (c == 0x1B) {
            m.clear();
            continue;
        }
        if (const auto e = m.typed(c)) {
            out += std::to_string(e->slot) + "/" + std::to_string(e->erase) + "/" +
                   (e->ending ? std::string(1, static_cast<char>(*e->ending)) : std::string("-")) + "/" +
                   "WUF"[static_cast<int>(e->textCase)] + " ";
        }
    }
    return out;
}

}  // namespace

TEST(AbbreviationMatcher, WordsEndingsImmediateBackspaceAndCase) {
    AbbreviationMatcher m;
    m.setTable({withAbbreviation(1, "btw"), withAbbreviation(2, ";ad"), withAbbreviation(3, "sig", true),
                withAbbreviation(4, "sig2"), withAbbreviation(5, "BTW"), withAbbreviation(6, "a b"),
                withAbbreviation(7, "спс"), withAbbreviation(8, "e.g.")});
    EXPECT_EQ(m.size(), 6u) << "a duplicate (ignoring case) and one with a blank are left out";
    const struct {
        std::u32string keys;
        std::string expected;
    } cases[] = {
        {U"btw ", "1/4/ /W "},
        {U"I said btw.", "1/4/./W "},
        {U"abtw btw\t", "1/4/\t/W "},  // "abtw" starts no word
        {U"btwx ", ""},
        {U"btx\bw!", "1/4/!/W "},
        {U"BTW ", "1/4/ /U "},
        {U"Btw ", "1/4/ /F "},
        {U"bTw ", "1/4/ /W "},
        {U"x;ad ", ""},  // ";ad" does not start a word after "x"
        {U"x ;ad)", "2/4/)/W "},
        {U"sig", "3/3/-/W "},  // the immediate one wins over "sig2"
        {U"Sig", "3/3/-/F "},
        {U"спс,", "7/4/,/W "},
        {U"СПС ", "7/4/ /U "},
        {U"e.g. ", "8/5/ /W "},
        {U"btw\x1b btw ", "1/4/ /W "},
        {U"btw btw btw ", "1/4/ /W 1/4/ /W 1/4/ /W "},
        // A Backspace past what was seen leaves the word's start unknown.
        {U"\bbtw ", ""},
        {U"\bx btw ", "1/4/ /W "},
    };
    for (const auto& c : cases) {
        m.clear();
        EXPECT_EQ(expansions(m, c.keys), c.expected)
            << std::string(c.keys.begin(), c.keys.end());  // ASCII view is enough to tell them apart
    }
    // Only the last 64 characters are kept: a long word's end starts none.
    m.clear();
    EXPECT_EQ(expansions(m, std::u32string(70, U'x') + U" btw "), "1/4/ /W ");
    m.clear();
    EXPECT_EQ(expansions(m, std::u32string(63, U'x') + U"\x1b" + std::u32string(70, U'y') + U"btw "), "");
}

// A dead key and the next key type one accented letter, the accent itself
// before a blank, or both characters when no letter has that accent.
TEST(DeadKeys, TheAccentGoesOnTheNextLetterOrStandsAlone) {
    EXPECT_EQ(combiningMarkOf(0x00B4), 0x0301);  // ´, as German and French layouts give it
    EXPECT_EQ(combiningMarkOf(u'\''), 0x0301);   // ', as US-International gives it
    EXPECT_EQ(combiningMarkOf(u'^'), 0x0302);
    EXPECT_EQ(combiningMarkOf(0x00A8), 0x0308);
    EXPECT_EQ(combiningMarkOf(0x0308), 0x0308);
    EXPECT_EQ(combiningMarkOf(u'e'), 0);
    EXPECT_EQ(afterDeadKey(0x00B4, u"e", u'\u00E9'), u"\u00E9");
    EXPECT_EQ(afterDeadKey(u'^', u" ", std::nullopt), u"^");
    EXPECT_EQ(afterDeadKey(u'^', u"x", std::nullopt), u"^x");
}

TEST(AbbreviationRules, LengthBlanksAndCase) {
    EXPECT_TRUE(hotkeys::abbreviationAllowed("b"));
    EXPECT_TRUE(hotkeys::abbreviationAllowed(std::string(32, 'x')));
    EXPECT_TRUE(hotkeys::abbreviationAllowed("ñé;"));
    for (const std::string& bad :
         std::vector<std::string>{"", std::string(33, 'x'), "a b", "a\tb", "a\u00a0b", "a\x01", "\xff"})
        EXPECT_FALSE(hotkeys::abbreviationAllowed(bad)) << bad;
    EXPECT_TRUE(hotkeys::sameAbbreviation("Ñu", "ñU"));
    EXPECT_FALSE(hotkeys::sameAbbreviation("nu", "ñu"));
}

namespace {

struct AbbreviationAppTest : ::testing::Test {
    os::fake::FakeSystem fake;
    journal::NullJournal journal;
    app::Application app{fake.sys, journal, nullptr};
    store::Store st{fake.files, fake.sys.storePath};

    void addScript(const std::string& name, const std::string& abbreviation, const std::string& text) {
        store::Macro m(name, store::kScript, 0, name + ".key", "");
        m.abbreviation = abbreviation;
        store::MacroRepository(fake.sys).create(m, text, "");
    }
};

}  // namespace

TEST_F(AbbreviationAppTest, TypingItErasesRunsAndTypesTheEndingOnlyWhereAMacroMayRun) {
    EXPECT_FALSE(fake.typing.watching()) << "nobody's typing is watched without an abbreviation";
    addScript("Way", "btw", "by the way");
    app.loadHotKeys();
    ASSERT_TRUE(fake.typing.watching());

    fake.typing.type("I said btw ");
    EXPECT_EQ(playback::test::typedText(fake.keyboard), "[Bksp][Bksp][Bksp][Bksp]by the way ");

    const auto nothingFrom = [&](std::string_view keys) {
        fake.keyboard.events.clear();
        fake.typing.type(keys);
        return fake.keyboard.events.empty();
    };
    fake.typing.password = true;
    EXPECT_TRUE(nothingFrom(" btw ")) << "a password field";
    fake.typing.password = false;
    app.setPaused(true);
    EXPECT_TRUE(nothingFrom(" btw ")) << "paused";
    app.setPaused(false);
    app.state().macroDialogOpen = true;
    EXPECT_TRUE(nothingFrom(" btw ")) << "a macro dialog open";
    app.state().macroDialogOpen = false;

    store::MacroRepository(fake.sys).setEnabled(1, "Way", false);
    app.loadHotKeys();
    EXPECT_FALSE(fake.typing.watching()) << "a switched-off macro's abbreviation is not watched for";
}
