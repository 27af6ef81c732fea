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

TEST(FindWindow, WholeTitlesComparedAfterNormalising) {
    struct Case {
        std::string wanted, title;
        bool match;
    };
    const Case cases[] = {
        {"Untitled - Notepad", "UNTITLED - NOTEPAD", true},
        {"untitled - notepad", " Untitled - Notepad\r\n", true},
        {"Untitled - Notepad", "Document1 - Untitled - Notepad", false},
        {"\t Notepad", "\x01Notepad\x7f", false},  // 127 is not trimmed
        {"caf\xe9", "CAF\xc9", false},             // only a to z change case
        {"caf\xe9", "CAF\xe9", true},
        {std::string(260, 'x'), std::string(260, 'x'), false},  // 249 characters are read
        {std::string(249, 'x'), std::string(260, 'x'), true},
    };
    for (const Case& c : cases) {
        os::fake::FakeWindows windows;
        const WindowHandle w = windows.open(c.title);
        windows.open("Something else");
        EXPECT_EQ(findWindowByTitle(windows, c.wanted), c.match ? w : 0) << c.wanted;
    }
}

TEST(FindWindow, FirstInEnumerationOrderHiddenIncludedAndStopsThere) {
    CountingWindows windows;
    windows.open("Target");
    const WindowHandle blank = windows.open("  ");
    const WindowHandle hidden = windows.open("target", false);
    windows.open("Front");
    EXPECT_EQ(findWindowByTitle(windows, "TARGET"), hidden);
    EXPECT_EQ(windows.titlesRead, 2);
    EXPECT_EQ(findWindowByTitle(windows, ""), blank);
}

class WaitForWindowTest : public ::testing::Test {
protected:
    os::fake::FakeSystem fake;
    const os::Millis start = fake.pump.now();
    os::Millis elapsed() { return fake.pump.now() - start; }
};

TEST_F(WaitForWindowTest, AnExistingHiddenWindowEndsTheWaitAfterTheFirstSearch) {
    fake.windows.open("Notepad", false);
    waitForWindow(fake.sys, "notepad", WaitUnit::Seconds, 30);
    EXPECT_EQ(elapsed(), 0u);
    EXPECT_EQ(fake.windows.enumerations, 1);
}

TEST_F(WaitForWindowTest, AMissingWindowIsSearchedOnceASecondUntilTheTimeOut) {
    waitForWindow(fake.sys, "Notepad", WaitUnit::Seconds, 0);
    waitForWindow(fake.sys, "Notepad", WaitUnit::Minutes, -3);
    EXPECT_EQ(fake.windows.enumerations, 0);
    waitForWindow(fake.sys, "Notepad", WaitUnit::Seconds, 10);
    EXPECT_EQ(elapsed(), 10'000u);
    EXPECT_EQ(fake.windows.enumerations, 10);
    waitForWindow(fake.sys, "Notepad", WaitUnit::Minutes, 2);
    EXPECT_EQ(elapsed(), 130'000u);
    EXPECT_EQ(fake.windows.enumerations, 130);
}

TEST_F(WaitForWindowTest, MessagesAreHandledAsTheyArriveAndANewWindowIsFoundAtTheNextPoll) {
    os::Millis handledAt = 0;
    fake.pump.at(start + 250, [&] { handledAt = elapsed(); });
    fake.pump.at(start + 3'500, [&] { fake.windows.open("Notepad"); });
    waitForWindow(fake.sys, "Notepad", WaitUnit::Seconds, 10);
    EXPECT_EQ(handledAt, 250u);
    EXPECT_EQ(elapsed(), 4'000u);
}

TEST_F(WaitForWindowTest, AWaitInsideTheWaitChangesNeitherTitleNorResult) {
    fake.windows.open("Other");
    fake.pump.at(start + 1'500, [&] { waitForWindow(fake.sys, "Other", WaitUnit::Seconds, 5); });
    fake.pump.at(start + 4'200, [&] { fake.windows.open("Mine"); });
    waitForWindow(fake.sys, "Mine", WaitUnit::Seconds, 10);
    EXPECT_EQ(elapsed(), 5'000u);
}

}  // namespace
}  // namespace kv::playback
