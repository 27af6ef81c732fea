// Errors end the operation in the standard error box; the program goes on.

#include <gtest/gtest.h>

#include "harness.hpp"

using namespace std::chrono_literals;

TEST(Errors, AMissingScriptShowsTheErrorBoxAndLaterHotKeysStillWork) {
    e2e::Harness h;
    h.writeProgramFile("after.bat", "@echo off\r\necho ran> \"%~dp0after.txt\"\r\n");
    h.writeStore(
        e2e::store(2, e2e::macroSection(1, "Gone", 4, e2e::ctrlAlt('K'), "Gone.key") +
                          e2e::macroSection(2, "After", 1, e2e::ctrlAlt('J'), h.programDir() + "after.bat")));
    h.start();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    HWND box = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (box = h.findDialog("Keyvale")) != nullptr; }, 10s));
    char cls[64] = {};
    GetClassNameA(box, cls, sizeof cls);
    EXPECT_STREQ(cls, "#32770");
    EXPECT_EQ(e2e::Harness::dialogText(box), "Cannot open file " + h.programDir() + "Gone.key");
    e2e::Harness::clickButton(box, "OK");
    EXPECT_TRUE(h.waitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5s));
    ASSERT_TRUE(h.running());

    h.focusTarget();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'J');
    EXPECT_TRUE(h.waitFor([&] { return h.programFileExists("after.txt"); }, 15s));
}
