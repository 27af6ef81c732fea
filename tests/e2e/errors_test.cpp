// Errors end the operation in the standard error box; the program goes on.

#include <gtest/gtest.h>

#include "harness.hpp"

using namespace std::chrono_literals;

TEST(Errors, AMissingScriptShowsTheErrorBoxAndLaterHotKeysStillWork) {
    e2e::Harness h;
    h.writeProgramFile("after.bat", "@echo off\r\necho ran> \"%~dp0after.txt\"\r\n");
    h.writeStore(
        "[Main]\r\nEntries=2\r\nFirstRun=0\r\n"
        "[Macro1]\r\nName=Gone\r\nType=4\r\nHotKey=" +
        std::to_string(0xC000 + 'K') +
        "\r\nFileName=Gone.key\r\n"
        "[Macro2]\r\nName=After\r\nType=1\r\nHotKey=" +
        std::to_string(0xC000 + 'J') + "\r\nFileName=" + h.programDir() + "after.bat\r\n");
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
