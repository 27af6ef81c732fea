// The script interpreter on the simulated desktop: text, delays on the
// simulated clock, repeats, the value prompt, dates, running other macros,
// window waits, focus and shell commands.

#include <gtest/gtest.h>

#include "journal/journal.hpp"
#include "playback_fixture.hpp"
#include "run_host.hpp"
#include "triggers/dispatcher.hpp"

namespace kv::playback {
namespace {

using test::InterpreterTest;

const char* const kTooDeep =
    "Macro runs nested too deeply (more than 64 levels); a macro probably runs itself.";

TEST_F(InterpreterTest, TextRepeatsAndUnknownTokens) {
    const std::pair<const char*, const char*> cases[] = {
        {"Hello{World}", "Hello{World}"},
        {"a^b@c~d", "a^b@c~d"},
        {"2 << 3 < 4", "2  3 < 4"},
        {" \tab\r\ncd\r\n", "ab[Enter][Ctrl+Enter]cd"},  // trimmed; inner line breaks are keys
        {"<<HELLO>> <<ENDREP>> <<enter>><<", "HELLO>> ENDREP>> [Enter]"},
        {"<<REP3>>ab<<ENDREP>>x", "abababx"},
        {"<<rep3>> ab <<ENDREP>>", "ababab"},  // the body is trimmed like a script
        {"<<REP0>>ab<<ENDREP>>x<<REP-2>>cd<<ENDREP>>y", "xy"},
        // No nesting: the first end token closes the outer repeat, and the
        // inner one, left without an end, repeats the rest of the body.
        {"<<REP2>>a<<REP2>>b<<ENDREP>>x<<ENDREP>>", "abbabbxENDREP>>"},
        {"a<<REP2>>bc", "abcbc"},
        {"<<REP2>>x<<endrep>>", "xendrep>>xendrep>>"},  // the end token is only found in capitals
        {"<<SHORTDATE>>|<<longdate>>|<<ShortTime>>|<<LONGTIME>>",
         "12/8/2026|Tuesday, December 8, 2026|3:37 AM|3:37:12 AM"},
    };
    for (const auto& [script, expected] : cases) EXPECT_EQ(typedBy(script), expected) << script;
    EXPECT_FALSE(sender.tokensOnly());
}

TEST_F(InterpreterTest, ErrorsEndTheRunAndKeepWhatWasTyped) {
    EXPECT_EQ(errorOf("ab<<SECSz>>cd"), "'z' is not a valid integer value");
    EXPECT_EQ(errorOf("<<SECS>>x"), "'' is not a valid integer value");
    EXPECT_EQ(errorOf("<<MINS 1>>x"), "' 1' is not a valid integer value");
    EXPECT_EQ(errorOf("<<REPtwo>>ab<<ENDREP>>"), "'two' is not a valid integer value");
    EXPECT_EQ(errorOf("<<LOOKFOR:Notepad~~SECS:ten>>x"), "'ten' is not a valid integer value");
    fake.locale.shortDate = "8}12";
    EXPECT_EQ(errorOf("<<SHORTDATE>>x"), "Invalid token");
    EXPECT_EQ(typed(), "ab8");
    EXPECT_EQ(pauses, 0);
}

TEST_F(InterpreterTest, DelaysWaitOnTheClockWithTheWatcherOff) {
    std::pair<std::string, bool> at1999;
    fake.pump.at(start + 1'999, [&] { at1999 = {typed(), watcherOn}; });
    interp.sendKeys("a<<SECS2>>b");
    EXPECT_EQ(at1999, std::make_pair(std::string("a"), false));
    EXPECT_EQ(typed(), "ab");
    EXPECT_EQ(elapsed(), 2'000u);
    EXPECT_TRUE(watcherOn);
    interp.sendKeys("<<mins10>><<SECS0>><<SECS-5>>");
    EXPECT_EQ(elapsed(), 602'000u);
    EXPECT_EQ(pauses, 4);
    EXPECT_EQ(resumes, 4);
}

TEST_F(InterpreterTest, NestedDelaysEachLastTheirOwnTimeAndTheWatcherWaitsForTheLast) {
    // A macro started by a message during the outer delay has its own delay.
    std::vector<bool> watcher;
    fake.pump.at(start + 3'000, [&] { interp.sendKeys("<<SECS5>>b"); });
    fake.pump.at(start + 8'500, [&] { watcher.push_back(watcherOn); });
    interp.sendKeys("<<SECS10>>a");
    EXPECT_EQ(typed(), "ba");
    EXPECT_EQ(elapsed(), 10'000u);
    EXPECT_EQ(watcher, std::vector<bool>{false});
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(resumes, 1);
}

TEST_F(InterpreterTest, TheWatcherComesBackWhenADelayEndsInAnError) {
    fake.pump.at(start + 1'000, [&] { throw Error("boom"); });
    EXPECT_EQ(errorOf("<<SECS5>>"), "boom");
    EXPECT_EQ(interp.activeDelays(), 0);
    EXPECT_TRUE(watcherOn);
}

TEST_F(InterpreterTest, ChainsOfRepeatsWithoutEndTokensAreLimited) {
    std::string chain;
    for (int i = 0; i < Interpreter::kMaxRepeatDepth; ++i) chain += "<<REP1>>";
    EXPECT_EQ(typedBy(chain + "x"), "x");
    EXPECT_EQ(errorOf("<<REP1>>" + chain + "y"),
              "Repeats nested too deeply (more than 64 levels); a <<REP has no <<ENDREP>>.");
    EXPECT_EQ(typedBy("<<REP2>>z<<ENDREP>>"), "zz");  // the depth was unwound
}

TEST_F(InterpreterTest, RepeatsOfABodyThatSendsNothingStillHandleMessages) {
    // Nested counts multiply: without message handling between repetitions
    // the program would spin unresponsive for hours.
    fake.pump.post([] { throw Error("handled"); });
    EXPECT_EQ(errorOf("<<REP50>><<REP50>><<ENDREP>>"), "handled");
}

TEST_F(InterpreterTest, InputAsksAndGivesTheForegroundBackAndWriteValueTypesTheAnswer) {
    const auto editor = fake.windows.open("Editor");
    const auto prompt = fake.windows.open("Keyvale Input Box");
    fake.windows.setForeground(editor);
    fake.dialogs.whilePromptOpen = [&] { fake.windows.setForeground(prompt); };
    fake.dialogs.answers.push_back("Bob");
    interp.sendKeys("<<INPUT:Your name>>Hi <<WRITEVALUE>>!");
    EXPECT_EQ(fake.dialogs.prompts, std::vector<std::string>{"Your name"});
    EXPECT_EQ(typed(), "Hi Bob!");
    EXPECT_EQ(fake.windows.foreground(), editor);
}

TEST_F(InterpreterTest, WriteValueTypesPrefixesLiterallyButReadsBraceNames) {
    state.storedValue = "a^b@c~{ENTER}";
    EXPECT_EQ(typedBy("<<WRITEVALUE>><<CTRL>>c"), "a^b@c~[Enter][Ctrl+C]");
    state.storedValue = "a}";
    EXPECT_EQ(errorOf("<<WRITEVALUE>>"), "Invalid token");
    EXPECT_FALSE(sender.tokensOnly());
}

TEST_F(InterpreterTest, RunGoesOnOnlyAfterAReplayItStartedHasEnded) {
    addMacro("Replay");
    os::Millis replayEnded = 0;
    runSlot = [this, &replayEnded](int) {
        // What the dispatcher does for a recorded macro: the replay goes on
        // after the call returns and reports its end later.
        replayRunning = true;
        fake.pump.at(fake.pump.now() + 3000, [this, &replayEnded] {
            replayRunning = false;
            replayEnded = fake.pump.now();
        });
    };
    interp.sendKeys("<<RUN:replay>>x");
    EXPECT_EQ(typed(), "x");
    ASSERT_NE(replayEnded, 0u);
    EXPECT_GE(fake.pump.now(), replayEnded);
}

TEST_F(InterpreterTest, RunRunsEveryMacroOfTheNameInSlotOrderReadingTheStoreAfresh) {
    interp.sendKeys("<<RUN:other>>");
    EXPECT_TRUE(ranSlots.empty());
    addMacro("Other", "1");
    addMacro("Else", "2");
    addMacro("OTHER", "3");
    fake.files.reads = 0;
    interp.sendKeys("a<<RUN:other>>b");
    EXPECT_EQ(ranSlots, (std::vector<int>{1, 3}));
    EXPECT_EQ(roads, (std::vector<Road>{Road::RunToken, Road::RunToken}));
    EXPECT_EQ(typed(), "a13b");
    EXPECT_EQ(fake.files.reads, 1) << "one reading of the file finds every slot";
}

TEST_F(InterpreterTest, RunsNestUpTo64LevelsAndOneMoreIsAnError) {
    addMacro("Self");
    int calls = 0, allowed = Interpreter::kMaxRunDepth;
    runSlot = [&](int) {
        if (++calls < allowed) interp.sendKeys("<<RUN:Self>>");
    };
    interp.sendKeys("<<RUN:Self>>");
    EXPECT_EQ(calls, 64);
    calls = 0;
    allowed = 65;
    EXPECT_EQ(errorOf("<<RUN:Self>>"), kTooDeep);
    EXPECT_EQ(calls, 64);
    EXPECT_EQ(interp.runDepth(), 0);
}

TEST_F(InterpreterTest, AMacroRunningItselfThroughTheDispatcherEndsTheWholeRun) {
    journal::NullJournal journal;
    kv::test::RunHost host;
    host.run = [this](const std::string& s) { interp.sendKeys(s); };
    triggers::Dispatcher dispatcher(fake.sys, state, journal, host);
    runSlot = [&](int slot) { dispatcher.processHotKey(slot); };
    addMacro("Inner");
    addMacro("Loop");
    fake.files.files[fake.sys.programDirectory + "Inner.key"] = "[<<WRITEVALUE>>]\r\n";
    fake.files.files[fake.sys.programDirectory + "Loop.key"] = "x<<RUN:loop>>y";
    state.storedValue = "v";
    interp.sendKeys("<<WRITEVALUE>><<RUN:Inner>><<WRITEVALUE>>");  // the nested run empties the value
    EXPECT_EQ(typed(), "v[]");
    EXPECT_EQ(errorOf("a<<RUN:Loop>>b"), kTooDeep);
    EXPECT_EQ(typed(), "v[]a" + std::string(64, 'x'));
    EXPECT_EQ(typedBy("<<RUN:Inner>>"), "[]");  // and it goes on working
}

TEST_F(InterpreterTest, LookForReturnsAtOnceWhenFoundOrAfterItsTimeOut) {
    fake.windows.open("untitled - notepad");
    interp.sendKeys("<<LOOKFOR:Untitled - Notepad~~SECS:10>>a");
    EXPECT_EQ(elapsed(), 0u);
    interp.sendKeys("<<LOOKFOR:Missing~~secs:10>>b<<LOOKFOR:Missing~~MINS:1>>c");
    EXPECT_EQ(elapsed(), 70'000u);
    fake.pump.at(start + 72'500, [&] { fake.windows.open("Report"); });
    interp.sendKeys("<<LOOKFOR:Report~~SECS:30>>d");
    EXPECT_EQ(elapsed(), 73'000u);
    EXPECT_EQ(typed(), "abcd");
}

TEST_F(InterpreterTest, LookForReadsTheSeparatorAfreshEachTime) {
    store::Store st(fake.files, fake.sys.storePath);
    st.writeString("Main", "WaitForSeparator", "##");
    interp.sendKeys("<<LOOKFOR:A~~B##SECS:2>>x");
    EXPECT_EQ(elapsed(), 2'000u);
    st.writeString("Main", "WaitForSeparator", "|");
    fake.windows.open("Q");
    interp.sendKeys("<<LOOKFOR:Q|SECS:5>>y");
    EXPECT_EQ(elapsed(), 2'000u);
    EXPECT_EQ(typed(), "xy");
}

TEST_F(InterpreterTest, LookForWithoutSeparatorIsTypedAndWithoutTimeOutWaitsForNothing) {
    EXPECT_EQ(typedBy("<<LOOKFOR:Notepad>>x"), "LOOKFOR:Notepad>>x");
    EXPECT_EQ(typedBy("<<LOOKFOR:Notepad~~abc"), "abc");
    EXPECT_EQ(fake.windows.enumerations, 0);
    EXPECT_EQ(elapsed(), 0u);
}

TEST_F(InterpreterTest, FocusAndExecuteActAndTheScriptGoesOnAtOnce) {
    const auto calc = fake.windows.open("Calculator");
    interp.sendKeys(
        "<<FOCUS:Nothing>>a<<FOCUS:Calculator>>b<<EXECUTE:notepad.exe>>c<<EXECUTE:mailto:a@b.c>>");
    EXPECT_EQ(fake.windows.foregroundRequests, std::vector<os::WindowHandle>{calc});
    EXPECT_EQ(fake.shell.opened, (std::vector<std::string>{"notepad.exe", "mailto:a@b.c"}));
    EXPECT_EQ(typed(), "abc");
    EXPECT_EQ(elapsed(), 0u);
}

TEST_F(InterpreterTest, AnArgumentTokenWithoutItsEndIsAnErrorAndRunsNothing) {
    addMacro("Other", "x");
    fake.windows.open("Notes");
    const std::pair<const char*, const char*> cases[] = {
        {"<<EXECUTE:notepad.exe\r\nnext line", "<<EXECUTE:"},
        {"<<EXECUTE:notepad.exe>\r\nmore<<ENTER>>", "<<EXECUTE:"},  // that ">>" ends a later token
        {"<<FOCUS:Notes", "<<FOCUS:"},
        {"<<INPUT:Name?", "<<INPUT:"},
        {"<<RUN:Other", "<<RUN:"},
        {"<<SECS5<<ENTER>>", "<<SECS"},
        {"<<MINS1", "<<MINS"},
        {"<<REP2 ab<<ENDREP>>", "<<REP"},
        {"<<LOOKFOR:Notes~~SECS:5", "<<LOOKFOR:"},
    };
    for (const auto& [script, token] : cases)
        EXPECT_EQ(errorOf(std::string("a") + script), std::string("No closing >> for ") + token) << script;
    EXPECT_TRUE(fake.shell.opened.empty());
    EXPECT_TRUE(fake.windows.foregroundRequests.empty());
    EXPECT_TRUE(fake.dialogs.prompts.empty());
    EXPECT_TRUE(ranSlots.empty());
    EXPECT_EQ(elapsed(), 0u);
    EXPECT_EQ(typed(), std::string(std::size(cases), 'a'));
}

}  // namespace
}  // namespace kv::playback
