// The script interpreter on the simulated desktop: literal text, delays on
// the simulated clock, repeats, the value prompt, dates, running other
// macros, window waits, focus and shell commands.

#include <gtest/gtest.h>

#include "journal/journal.hpp"
#include "playback_fixture.hpp"
#include "triggers/dispatcher.hpp"

namespace kv::playback {
namespace {

using test::InterpreterTest;

// ---- literal text ----

TEST_F(InterpreterTest, LiteralTextIsTypedOneKeyStringPerCharacter) {
    interp.sendKeys("Hello{World}");
    EXPECT_EQ(typed(), "Hello{World}");
    EXPECT_EQ(fake.pump.processCalls, 12);
}

TEST_F(InterpreterTest, PrefixCharactersAreTypedAndTokensOnlyIsClearAfterwards) {
    interp.sendKeys("a^b@c~d");
    EXPECT_EQ(typed(), "a^b@c~d");
    EXPECT_FALSE(sender.tokensOnly());
}

TEST_F(InterpreterTest, OnlyTwoBracketsStartAToken) {
    interp.sendKeys("2 << 3 < 4");
    EXPECT_EQ(typed(), "2  3 < 4");
}

TEST_F(InterpreterTest, TheScriptIsTrimmedButInnerLineBreaksAreTyped) {
    interp.sendKeys(" \tab\r\ncd\r\n");
    EXPECT_EQ(typed(), "ab[Enter][Ctrl+Enter]cd");
}

TEST_F(InterpreterTest, UnknownTokensLoseOnlyTheirBrackets) {
    interp.sendKeys("<<HELLO>> <<ENDREP>> <<enter>><<");
    EXPECT_EQ(typed(), "HELLO>> ENDREP>> [Enter]");
}

TEST_F(InterpreterTest, AnErrorEndsTheRunAndKeepsWhatWasTyped) {
    EXPECT_EQ(errorOf("ab<<SECSz>>cd"), "'z' is not a valid integer value");
    EXPECT_EQ(typed(), "ab");
}

// ---- delays ----

TEST_F(InterpreterTest, DelaysWaitOnTheClockWithTheWatcherOff) {
    std::string typedAt1999;
    bool watcherOnDuringDelay = true;
    fake.pump.at(start + 1'999, [&] {
        typedAt1999 = typed();
        watcherOnDuringDelay = watcherOn;
    });
    interp.sendKeys("a<<SECS2>>b");
    EXPECT_EQ(typedAt1999, "a");
    EXPECT_FALSE(watcherOnDuringDelay);
    EXPECT_EQ(typed(), "ab");
    EXPECT_EQ(elapsed(), 2'000u);
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(resumes, 1);
    EXPECT_TRUE(watcherOn);
}

TEST_F(InterpreterTest, ATenMinuteDelayTakesTenSimulatedMinutes) {
    interp.sendKeys("<<mins10>>x");
    EXPECT_EQ(elapsed(), 600'000u);
    EXPECT_EQ(typed(), "x");
}

TEST_F(InterpreterTest, AZeroOrNegativeDelayOnlyHandlesMessages) {
    interp.sendKeys("<<SECS0>><<SECS-5>>x");
    EXPECT_EQ(elapsed(), 0u);
    EXPECT_EQ(pauses, 2);
    EXPECT_EQ(resumes, 2);
}

TEST_F(InterpreterTest, DelayCountsMustBeWholeNumbers) {
    EXPECT_EQ(errorOf("<<SECS>>x"), "'' is not a valid integer value");
    EXPECT_EQ(errorOf("<<MINS 1>>x"), "' 1' is not a valid integer value");
    EXPECT_EQ(typed(), "");
    EXPECT_EQ(pauses, 0);
}

TEST_F(InterpreterTest, NestedDelaysEachLastTheirOwnTimeAndTheWatcherWaitsForTheLast) {
    // A macro started by a message during the outer delay has its own delay.
    std::vector<std::pair<os::Millis, bool>> watcher;
    fake.pump.at(start + 3'000, [&] { interp.sendKeys("<<SECS5>>b"); });
    fake.pump.at(start + 8'500, [&] { watcher.emplace_back(elapsed(), watcherOn); });
    fake.pump.at(start + 9'500, [&] { watcher.emplace_back(elapsed(), watcherOn); });
    interp.sendKeys("<<SECS10>>a");
    EXPECT_EQ(typed(), "ba");
    EXPECT_EQ(elapsed(), 10'000u);
    EXPECT_EQ(watcher, (std::vector<std::pair<os::Millis, bool>>{{8'500, false}, {9'500, false}}));
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(resumes, 1);
    EXPECT_EQ(interp.activeDelays(), 0);
}

TEST_F(InterpreterTest, TheWatcherComesBackWhenADelayEndsInAnError) {
    fake.pump.at(start + 1'000, [&] { throw Error("boom"); });
    EXPECT_THROW(interp.sendKeys("<<SECS5>>"), Error);
    EXPECT_EQ(interp.activeDelays(), 0);
    EXPECT_TRUE(watcherOn);
}

// ---- repeats ----

TEST_F(InterpreterTest, RepeatRunsItsBodyCountTimes) {
    interp.sendKeys("<<REP3>>ab<<ENDREP>>x");
    EXPECT_EQ(typed(), "abababx");
}

TEST_F(InterpreterTest, RepeatBodiesAreTrimmedLikeScripts) {
    interp.sendKeys("<<rep3>> ab <<ENDREP>>");
    EXPECT_EQ(typed(), "ababab");
}

TEST_F(InterpreterTest, RepeatWithNoPositiveCountSkipsItsBody) {
    interp.sendKeys("<<REP0>>ab<<ENDREP>>x<<REP-2>>cd<<ENDREP>>y");
    EXPECT_EQ(typed(), "xy");
}

TEST_F(InterpreterTest, RepeatsDoNotNestTheFirstEndClosesTheOuter) {
    // The inner repeat has no end token of its own, so it repeats the rest
    // of the outer body.
    interp.sendKeys("<<REP2>>a<<REP2>>b<<ENDREP>>x<<ENDREP>>");
    EXPECT_EQ(typed(), "abbabbxENDREP>>");
}

TEST_F(InterpreterTest, RepeatWithoutEndTokenRepeatsTheRestOfTheScript) {
    interp.sendKeys("a<<REP2>>bc");
    EXPECT_EQ(typed(), "abcbc");
    fake.keyboard.events.clear();
    interp.sendKeys("<<REP2>>x<<endrep>>");  // the end token must be in capitals
    EXPECT_EQ(typed(), "xendrep>>xendrep>>");
}

TEST_F(InterpreterTest, RepeatCountMustBeAWholeNumber) {
    EXPECT_EQ(errorOf("<<REP>>ab<<ENDREP>>"), "'' is not a valid integer value");
    EXPECT_EQ(errorOf("<<REPtwo>>ab<<ENDREP>>"), "'two' is not a valid integer value");
    EXPECT_EQ(typed(), "");
}

TEST_F(InterpreterTest, ChainsOfRepeatsWithoutEndTokensAreLimited) {
    std::string chain;
    for (int i = 0; i < Interpreter::kMaxRepeatDepth; ++i) chain += "<<REP1>>";
    interp.sendKeys(chain + "x");
    EXPECT_EQ(typed(), "x");
    EXPECT_EQ(errorOf("<<REP1>>" + chain + "y"),
              "Repeats nested too deeply (more than 64 levels); a <<REP has no <<ENDREP>>.");
    EXPECT_EQ(typed(), "x");
    interp.sendKeys("<<REP2>>z<<ENDREP>>");  // the depth was unwound by the error
    EXPECT_EQ(typed(), "xzz");
}

// ---- dates ----

TEST_F(InterpreterTest, DateAndTimeTokensTypeTheLocaleFormats) {
    interp.sendKeys("<<SHORTDATE>>|<<longdate>>|<<ShortTime>>|<<LONGTIME>>");
    EXPECT_EQ(typed(), "12/8/2026|Tuesday, December 8, 2026|3:37 AM|3:37:12 AM");
}

TEST_F(InterpreterTest, AFormattedDateIsAKeyString) {
    fake.locale.shortDate = "8}12";
    EXPECT_EQ(errorOf("<<SHORTDATE>>x"), "Invalid token");
    EXPECT_EQ(typed(), "8");
}

// ---- value prompt ----

TEST_F(InterpreterTest, InputAsksAndWriteValueTypesTheAnswer) {
    fake.dialogs.answers.push_back("Bob");
    interp.sendKeys("<<INPUT:Your name>>Hi <<WRITEVALUE>>!");
    EXPECT_EQ(fake.dialogs.prompts, std::vector<std::string>{"Your name"});
    EXPECT_EQ(state.storedValue, "Bob");
    EXPECT_EQ(typed(), "Hi Bob!");
}

TEST_F(InterpreterTest, ThePreviouslyActiveWindowGetsTheForegroundBack) {
    const auto editor = fake.windows.open("Editor");
    const auto prompt = fake.windows.open("Keyvale Input Box");
    fake.windows.setForeground(editor);
    fake.dialogs.whilePromptOpen = [&] { fake.windows.setForeground(prompt); };
    interp.sendKeys("<<INPUT:Value>>");
    EXPECT_EQ(fake.windows.foreground(), editor);
}

TEST_F(InterpreterTest, WriteValueTypesPrefixesLiterallyButReadsBraceNames) {
    state.storedValue = "a^b@c~{ENTER}";
    interp.sendKeys("<<WRITEVALUE>><<CTRL>>c");
    EXPECT_EQ(typed(), "a^b@c~[Enter][Ctrl+C]");
}

TEST_F(InterpreterTest, WriteValueClearsTokensOnlyEvenWhenTheValueIsFaulty) {
    state.storedValue = "a}";
    EXPECT_EQ(errorOf("<<WRITEVALUE>>"), "Invalid token");
    EXPECT_FALSE(sender.tokensOnly());
}

TEST_F(InterpreterTest, WriteValueOfAnEmptyValueTypesNothing) {
    interp.sendKeys("<<WRITEVALUE>>x");
    EXPECT_EQ(typed(), "x");
}

TEST_F(InterpreterTest, AMacroStartedWhileAPrefixIsTypedSeesTokensOnlyClear) {
    bool nestedTokensOnly = true;
    fake.pump.post([&] { nestedTokensOnly = sender.tokensOnly(); });
    interp.sendKeys("^");
    EXPECT_FALSE(nestedTokensOnly);
}

// ---- running other macros ----

TEST_F(InterpreterTest, RunRunsEveryMacroOfTheNameInSlotOrderEachToItsEnd) {
    addMacro("Other", "1");
    addMacro("Else", "2");
    addMacro("OTHER", "3");
    interp.sendKeys("a<<RUN:other>>b");
    EXPECT_EQ(ranSlots, (std::vector<int>{1, 3}));
    EXPECT_EQ(typed(), "a13b");
}

TEST_F(InterpreterTest, RunReadsTheStoreAfreshAndIgnoresMissingNames) {
    interp.sendKeys("<<RUN:Later>>x");
    EXPECT_TRUE(ranSlots.empty());
    addMacro("Later", "y");
    interp.sendKeys("<<RUN:Later>>");
    EXPECT_EQ(ranSlots, std::vector<int>{1});
    EXPECT_EQ(typed(), "xy");
}

TEST_F(InterpreterTest, RunsNestUpTo64LevelsAndOneMoreIsAnError) {
    addMacro("Self");
    int calls = 0, allowed = Interpreter::kMaxRunDepth;
    hooks.processHotKey = [&](int) {
        if (++calls < allowed) interp.sendKeys("<<RUN:Self>>");
    };
    interp.sendKeys("<<RUN:Self>>");
    EXPECT_EQ(calls, 64);
    calls = 0;
    allowed = 65;
    EXPECT_EQ(errorOf("<<RUN:Self>>"),
              "Macro runs nested too deeply (more than 64 levels); a macro probably runs itself.");
    EXPECT_EQ(calls, 64);
    EXPECT_EQ(interp.runDepth(), 0);
}

TEST_F(InterpreterTest, AMacroThatRunsItselfEndsTheWholeRunWithAnError) {
    addMacro("Loop", "x<<RUN:loop>>y");
    EXPECT_EQ(errorOf("a<<RUN:Loop>>b"),
              "Macro runs nested too deeply (more than 64 levels); a macro probably runs itself.");
    EXPECT_EQ(typed(), "a" + std::string(64, 'x'));
    interp.sendKeys("c");  // the interpreter goes on working afterwards
    EXPECT_EQ(typed(), "a" + std::string(64, 'x') + "c");
}

TEST_F(InterpreterTest, RunThroughTheDispatcherClearsTheValueAndPropagatesErrors) {
    journal::NullJournal journal;
    triggers::Dispatcher dispatcher(fake.sys, state, journal);
    dispatcher.setScriptRunner([this](const std::string& s) { interp.sendKeys(s); });
    hooks.processHotKey = [&](int slot) { dispatcher.processHotKey(slot); };
    addMacro("Inner");
    addMacro("Bad");
    fake.files.files[fake.sys.programDirectory + "Inner.key"] = "[<<WRITEVALUE>>]\r\n";
    fake.files.files[fake.sys.programDirectory + "Bad.key"] = "<<SECS?>>";
    state.storedValue = "outer";
    interp.sendKeys("<<WRITEVALUE>><<RUN:Inner>><<WRITEVALUE>>");
    EXPECT_EQ(typed(), "outer[]");
    EXPECT_EQ(errorOf("1<<RUN:bad>>2"), "'?' is not a valid integer value");
    EXPECT_EQ(typed(), "outer[]1");
}

// ---- window commands ----

TEST_F(InterpreterTest, LookForReturnsAtOnceForAnExistingWindow) {
    fake.windows.open("untitled - notepad");
    interp.sendKeys("<<LOOKFOR:Untitled - Notepad~~SECS:10>>abc");
    EXPECT_EQ(elapsed(), 0u);
    EXPECT_EQ(typed(), "abc");
}

TEST_F(InterpreterTest, LookForTimesOutAndTheScriptGoesOn) {
    interp.sendKeys("<<LOOKFOR:Untitled - Notepad~~secs:10>>abc");
    EXPECT_EQ(elapsed(), 10'000u);
    EXPECT_EQ(typed(), "abc");
    interp.sendKeys("<<LOOKFOR:Untitled - Notepad~~MINS:1>>");
    EXPECT_EQ(elapsed(), 70'000u);
}

TEST_F(InterpreterTest, LookForEndsWhenTheWindowAppears) {
    fake.pump.at(start + 2'500, [&] { fake.windows.open("Report"); });
    interp.sendKeys("<<LOOKFOR:Report~~SECS:30>>x");
    EXPECT_EQ(elapsed(), 3'000u);
}

TEST_F(InterpreterTest, LookForReadsTheSeparatorAfreshEachTime) {
    store::Store st(fake.files, fake.sys.storePath);
    st.writeString("Main", "WaitForSeparator", "##");
    interp.sendKeys("<<LOOKFOR:A~~B##SECS:2>>x");
    EXPECT_EQ(elapsed(), 2'000u);
    EXPECT_EQ(fake.windows.enumerations, 2);
    st.writeString("Main", "WaitForSeparator", "|");
    fake.windows.open("Q");
    interp.sendKeys("<<LOOKFOR:Q|SECS:5>>y");
    EXPECT_EQ(elapsed(), 2'000u);
    EXPECT_EQ(typed(), "xy");
}

TEST_F(InterpreterTest, LookForWithoutTheSeparatorIsTypedAsText) {
    interp.sendKeys("<<LOOKFOR:Notepad>>x");
    EXPECT_EQ(typed(), "LOOKFOR:Notepad>>x");
    EXPECT_EQ(fake.windows.enumerations, 0);
    EXPECT_EQ(elapsed(), 0u);
}

TEST_F(InterpreterTest, LookForWithoutATimeOutWaitsForNothing) {
    interp.sendKeys("<<LOOKFOR:Notepad~~abc");
    EXPECT_EQ(typed(), "abc");
    EXPECT_EQ(fake.windows.enumerations, 0);
}

TEST_F(InterpreterTest, LookForTimeOutMustBeAWholeNumber) {
    EXPECT_EQ(errorOf("<<LOOKFOR:Notepad~~SECS:ten>>x"), "'ten' is not a valid integer value");
}

TEST_F(InterpreterTest, FocusBringsAnExactTitleToTheFrontOrDoesNothing) {
    const auto calc = fake.windows.open("Calculator");
    interp.sendKeys("<<FOCUS:Nothing>>a<<FOCUS:Calculator>>b");
    EXPECT_EQ(fake.windows.foregroundRequests, std::vector<os::WindowHandle>{calc});
    EXPECT_EQ(typed(), "ab");
}

TEST_F(InterpreterTest, ExecuteOpensTheTargetAndGoesOnAtOnce) {
    interp.sendKeys("<<EXECUTE:notepad.exe>>x<<EXECUTE:mailto:a@b.c>>");
    EXPECT_EQ(fake.shell.opened, (std::vector<std::string>{"notepad.exe", "mailto:a@b.c"}));
    EXPECT_EQ(typed(), "x");
    EXPECT_EQ(elapsed(), 0u);
}

TEST_F(InterpreterTest, AnArgumentWithoutItsEndRunsToTheEndOfTheScript) {
    interp.sendKeys("<<EXECUTE:notepad.exe");
    fake.dialogs.answers.push_back("v");
    interp.sendKeys("<<INPUT:Name?");
    EXPECT_EQ(fake.shell.opened, std::vector<std::string>{"notepad.exe"});
    EXPECT_EQ(fake.dialogs.prompts, std::vector<std::string>{"Name?"});
    EXPECT_EQ(typed(), "");
}

}  // namespace
}  // namespace kv::playback
