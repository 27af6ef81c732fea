// Finding windows by normalised title and waiting for one, on the simulated
// desktop and clock.

#include <gtest/gtest.h>

#include "os/fake/fake_os.hpp"
#include "playback/window_search.hpp"

namespace kv::playback {
namespace {

using os::WindowHandle;

// Counts the titles read, to see where an enumeration stopped.
class CountingWindows : public os::fake::FakeWindows {
public:
    std::string title(WindowHandle w, std::size_t maxChars) override {
        ++titlesRead;
        return FakeWindows::title(w, maxChars);
    }
    int titlesRead = 0;
};

struct TitleCase {
    const char* wanted;
    const char* title;
    bool match;
};

class TitleMatch : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleMatch, WholeTitleComparedAfterNormalising) {
    os::fake::FakeWindows windows;
    const WindowHandle w = windows.open(GetParam().title);
    windows.open("Something else");
    EXPECT_EQ(findWindowByTitle(windows, GetParam().wanted), GetParam().match ? w : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, TitleMatch,
    ::testing::Values(TitleCase{"Untitled - Notepad", "UNTITLED - NOTEPAD", true},
                      TitleCase{"Untitled - Notepad", " Untitled - Notepad ", true},
                      TitleCase{"Untitled - Notepad", "Document1 - Untitled - Notepad", false},
                      TitleCase{"Untitled - Notepad", "Untitled - Notepad - more", false},
                      TitleCase{"untitled - notepad", "Untitled - Notepad", true},
                      TitleCase{"\t Notepad\r\n", "\x01Notepad\x7f", false},  // 127 is not trimmed
                      TitleCase{"\t Notepad\r\n", "\x01Notepad\x1f", true},
                      TitleCase{"caf\xe9", "CAF\xc9", false},  // only a to z change case
                      TitleCase{"caf\xe9", "CAF\xe9", true}));

TEST(FindWindow, FirstInEnumerationOrderHiddenIncludedAndStopsThere) {
    CountingWindows windows;
    windows.open("Target");
    windows.open("Other");
    const WindowHandle hidden = windows.open("target", false);
    windows.open("Front");
    EXPECT_EQ(findWindowByTitle(windows, "TARGET"), hidden);
    EXPECT_EQ(windows.titlesRead, 2);
}

TEST(FindWindow, EmptyOrBlankWantedMatchesTheFirstBlankTitle) {
    os::fake::FakeWindows windows;
    windows.open("Named");
    const WindowHandle blank = windows.open("  ");
    windows.open("Front");
    EXPECT_EQ(findWindowByTitle(windows, ""), blank);
    EXPECT_EQ(findWindowByTitle(windows, " \t"), blank);
}

TEST(FindWindow, TitlesAreReadUpTo249Characters) {
    os::fake::FakeWindows windows;
    const WindowHandle w = windows.open(std::string(260, 'x'));
    EXPECT_EQ(findWindowByTitle(windows, std::string(260, 'x')), 0u);
    EXPECT_EQ(findWindowByTitle(windows, std::string(249, 'x')), w);
}

class WaitForWindowTest : public ::testing::Test {
protected:
    os::fake::FakeSystem fake;
    const os::Millis start = fake.pump.now();
    os::Millis elapsed() { return fake.pump.now() - start; }
};

TEST_F(WaitForWindowTest, AnExistingWindowEndsTheWaitAfterTheFirstSearch) {
    fake.windows.open("Notepad", false);
    waitForWindow(fake.sys, "notepad", WaitUnit::Seconds, 30);
    EXPECT_EQ(elapsed(), 0u);
    EXPECT_EQ(fake.windows.enumerations, 1);
    EXPECT_EQ(fake.pump.waitCalls, 0);
}

TEST_F(WaitForWindowTest, AMissingWindowTimesOutAfterOnePollASecond) {
    waitForWindow(fake.sys, "Notepad", WaitUnit::Seconds, 10);
    EXPECT_EQ(elapsed(), 10'000u);
    EXPECT_EQ(fake.windows.enumerations, 10);
}

TEST_F(WaitForWindowTest, MinutesPollSixtyTimesEach) {
    waitForWindow(fake.sys, "Notepad", WaitUnit::Minutes, 2);
    EXPECT_EQ(elapsed(), 120'000u);
    EXPECT_EQ(fake.windows.enumerations, 120);
}

TEST_F(WaitForWindowTest, ZeroOrNegativeCountReturnsWithoutSearching) {
    waitForWindow(fake.sys, "Notepad", WaitUnit::Seconds, 0);
    waitForWindow(fake.sys, "Notepad", WaitUnit::Minutes, -3);
    EXPECT_EQ(fake.windows.enumerations, 0);
    EXPECT_EQ(elapsed(), 0u);
}

TEST_F(WaitForWindowTest, AWindowOpeningDuringTheWaitIsFoundAtTheNextPoll) {
    fake.pump.at(start + 3'500, [&] { fake.windows.open("Notepad"); });
    waitForWindow(fake.sys, "Notepad", WaitUnit::Seconds, 10);
    EXPECT_EQ(elapsed(), 4'000u);
}

TEST_F(WaitForWindowTest, MessagesAreHandledWhenTheyArriveNotAtTheEndOfTheSecond) {
    os::Millis handledAt = 0;
    fake.pump.at(start + 250, [&] { handledAt = fake.pump.now(); });
    waitForWindow(fake.sys, "Notepad", WaitUnit::Seconds, 2);
    EXPECT_EQ(handledAt, start + 250);
    EXPECT_EQ(elapsed(), 2'000u);
}

TEST_F(WaitForWindowTest, AWaitInsideTheWaitChangesNeitherTitleNorResult) {
    fake.windows.open("Other");
    bool innerDone = false;
    fake.pump.at(start + 1'500, [&] {
        waitForWindow(fake.sys, "Other", WaitUnit::Seconds, 5);
        innerDone = true;
    });
    fake.pump.at(start + 4'200, [&] { fake.windows.open("Mine"); });
    waitForWindow(fake.sys, "Mine", WaitUnit::Seconds, 10);
    EXPECT_TRUE(innerDone);
    EXPECT_EQ(elapsed(), 5'000u);
}

}  // namespace
}  // namespace kv::playback
