// Stopping what runs: the user's Esc ends a running script and every replay,
// Exit and log-off end them and the program; no key Keyvale pressed stays
// down, and the program goes on working after an Esc.

#include <gtest/gtest.h>

#include <cstdio>

#include "harness.hpp"

using namespace std::chrono_literals;

namespace {

// The time stamp of the last key event Keyvale sent.
DWORD lastInjected(const e2e::Harness& h) {
    DWORD last = 0;
    for (const e2e::KeyRecord& k : h.keys())
        if (k.injectedByKeyvale) last = k.time;
    return last;
}

}  // namespace

TEST(Stop, EscEndsAWaitingScriptButTheScriptsOwnEscDoesNot) {
    e2e::Harness h;
    h.writeProgramFile("wait.key", "<<ESC>>x<<MINS10>>y");
    h.writeProgramFile("ok.key", "ok");
    h.writeStore(e2e::store(2, e2e::macroSection(1, "Wait", 4, e2e::ctrlAlt('K'), "wait.key") +
                                   e2e::macroSection(2, "Ok", 4, e2e::ctrlAlt('J'), "ok.key")));
    h.start();
    h.focusTarget();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    ASSERT_TRUE(h.waitFor([&] { return h.editText() == "x"; }, 10s))
        << "its own Esc stopped it: " << h.editText();
    h.pumpFor(300ms);
    const ULONGLONG esc = GetTickCount64();
    h.tap(VK_ESCAPE);
    // A hot key is dropped while another one's macro runs: Ok types only
    // once the waiting script has ended.
    h.pumpFor(100ms);
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'J');
    ASSERT_TRUE(h.waitFor([&] { return h.editText() == "xok"; }, 5s)) << h.editText();
    const auto took = GetTickCount64() - esc;
    std::printf("Esc to the next macro's text: %llu ms\n", static_cast<unsigned long long>(took));
    EXPECT_LT(took, 500u);
    EXPECT_EQ(h.stillHeld(), "");
}

TEST(Stop, EscEndsAScriptAndEveryReplayWithinHalfASecondAndNoKeyStaysDown) {
    e2e::Harness h;
    h.writeProgramFile("long.dat", e2e::longRecording());
    h.writeProgramFile("script.key", "<<RUN:Long>>after");
    h.writeProgramFile("ok.key", "ok");
    h.writeStore(e2e::store(3, e2e::macroSection(1, "Long", 3, e2e::ctrlAlt('L'), "long.dat", "Speed=1\r\n") +
                                   e2e::macroSection(2, "Script", 4, e2e::ctrlAlt('K'), "script.key") +
                                   e2e::macroSection(3, "Ok", 4, e2e::ctrlAlt('J'), "ok.key")));
    h.start();
    h.focusTarget();
    // One replay runs, a second waits behind it, and a script waits for a third.
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'L');
    ASSERT_TRUE(h.waitFor([&] { return !h.editText().empty(); }, 10s));
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'L');
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    h.pumpFor(500ms);
    ASSERT_NE(h.stillHeld(), "") << "Z is held while the replay runs";
    const DWORD esc = GetTickCount();
    h.tap(VK_ESCAPE);
    h.pumpFor(1500ms);
    const DWORD last = lastInjected(h);
    std::printf("Esc to the last key Keyvale sent: %ld ms\n", static_cast<long>(last - esc));
    EXPECT_LT(static_cast<long>(last - esc), 500);
    EXPECT_EQ(h.stillHeld(), "");
    EXPECT_EQ(h.editText().find("after"), std::string::npos);
    int presses = 0;
    for (const e2e::KeyRecord& k : h.keys()) presses += k.injectedByKeyvale && k.down;
    EXPECT_LT(presses, 1000) << "a queued replay went on";
    // Keyvale is still there and works.
    h.clearEdit();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'J');
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "ok"; }, 5s)) << h.editText();
}

TEST(Stop, ExitAndLogOffEndARunningMacroAndTheProgramWithinASecond) {
    for (const bool logOff : {false, true}) {
        SCOPED_TRACE(logOff ? "log-off during the value prompt" : "Exit during a delay");
        e2e::NotificationArea area;
        e2e::Harness h;
        h.writeProgramFile("s.key", logOff ? "x<<INPUT:Name>>y" : "x<<MINS10>>y");
        h.writeStore(e2e::store(1, e2e::macroSection(1, "S", 4, e2e::ctrlAlt('K'), "s.key")));
        h.start();
        h.focusTarget();
        h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
        ASSERT_TRUE(h.waitFor([&] { return h.editText() == "x"; }, 10s)) << h.editText();
        if (logOff) {
            ASSERT_TRUE(h.waitFor([&] { return h.findDialog("Keyvale Input Box") != nullptr; }, 10s));
        }
        h.pumpFor(300ms);
        HWND tray = e2e::trayForm(h.processId());
        ASSERT_NE(tray, nullptr);
        const ULONGLONG start = GetTickCount64();
        if (logOff) {
            DWORD_PTR answer = 0;
            ASSERT_TRUE(SendMessageTimeoutA(tray, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
            EXPECT_EQ(answer, TRUE);
        } else {
            PostMessageA(tray, WM_COMMAND, 8 /* Exit */, 0);
        }
        ASSERT_TRUE(h.waitFor([&] { return h.findDialog("Keyvale Input Box") == nullptr; }, 10s));
        const auto closed = GetTickCount64() - start;
        ASSERT_TRUE(h.waitForExit(10s));
        const auto took = GetTickCount64() - start;
        std::printf("%s: no prompt after %llu ms, the process ended after %llu ms\n",
                    logOff ? "log-off during the prompt" : "Exit during a delay",
                    static_cast<unsigned long long>(closed), static_cast<unsigned long long>(took));
        EXPECT_LT(closed, 500u);
        // Wine on an X server without a window manager waits 2 s for a shown
        // window's withdrawal when it is destroyed; Windows does not.
        EXPECT_LT(took, logOff ? 3000u : 1000u);
        EXPECT_EQ(h.editText(), "x");
        EXPECT_EQ(h.stillHeld(), "");
    }
}
