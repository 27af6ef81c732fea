// Hot keys pressed at the keyboard run the macros of their slots.

#include <gtest/gtest.h>

#include "harness.hpp"

using namespace std::chrono_literals;

namespace {

// A kind-1 macro that opens a batch file writing a marker file.
std::string markerMacro(int slot, const std::string& hotKey, const e2e::Harness& h,
                        const std::string& marker) {
    return "[Macro" + std::to_string(slot) + "]\r\nName=Marker " + marker + "\r\nType=1\r\nHotKey=" + hotKey +
           "\r\nFileName=" + h.programDir() + marker + ".bat\r\n";
}

void writeMarkerBatch(e2e::Harness& h, const std::string& marker) {
    h.writeProgramFile(marker + ".bat", "@echo off\r\necho ran> \"%~dp0" + marker + ".txt\"\r\n");
}

}  // namespace

TEST(HotKeys, AKindOneMacroRunsOnlyAfterTheModifiersAreReleased) {
    e2e::Harness h;
    writeMarkerBatch(h, "one");
    // The value in hexadecimal, as a hand-edited store may hold it.
    h.writeStore(e2e::store(1, markerMacro(1, "0xC04B", h, "one")));
    h.start();
    h.keyDown(VK_CONTROL);
    h.keyDown(VK_MENU);
    h.keyDown('K');
    h.keyUp('K');
    h.keyUp(VK_MENU);
    EXPECT_FALSE(h.waitFor([&] { return h.programFileExists("one.txt"); }, 2000ms))
        << "the macro ran while Ctrl was held";
    EXPECT_TRUE(GetAsyncKeyState(VK_CONTROL) & 0x8000) << "the system lost the held Ctrl";
    h.keyDown(VK_SHIFT);
    h.keyUp(VK_CONTROL);
    EXPECT_FALSE(h.waitFor([&] { return h.programFileExists("one.txt"); }, 2000ms))
        << "the macro ran while Shift was held";
    h.keyUp(VK_SHIFT);
    EXPECT_TRUE(h.waitFor([&] { return h.programFileExists("one.txt"); }, 15s));
}

TEST(HotKeys, TwoMacrosOnOneCombinationRunOnlyTheLowerSlot) {
    e2e::Harness h;
    writeMarkerBatch(h, "low");
    writeMarkerBatch(h, "high");
    h.writeStore(e2e::store(2, markerMacro(1, std::to_string(e2e::ctrlAlt('K')), h, "low") +
                                   markerMacro(2, std::to_string(e2e::ctrlAlt('K')), h, "high")));
    h.start();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    EXPECT_TRUE(h.waitFor([&] { return h.programFileExists("low.txt"); }, 15s));
    h.pumpFor(1500ms);
    EXPECT_FALSE(h.programFileExists("high.txt"));
}

TEST(HotKeys, SlotsBeyondTheTableOrBehindZeroEntriesDoNotRun) {
    {
        e2e::Harness h;
        writeMarkerBatch(h, "zero");
        h.writeStore(e2e::store(0, markerMacro(1, std::to_string(e2e::ctrlAlt('K')), h, "zero")));
        h.start();
        h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
        EXPECT_FALSE(h.waitFor([&] { return h.programFileExists("zero.txt"); }, 3s));
    }
    {
        e2e::Harness h;
        writeMarkerBatch(h, "far");
        writeMarkerBatch(h, "near");
        h.writeStore(e2e::store(101, markerMacro(101, std::to_string(e2e::ctrlAlt('K')), h, "far") +
                                         markerMacro(100, std::to_string(e2e::ctrlAlt('J')), h, "near")));
        h.start();
        h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
        h.pressHotKey({VK_CONTROL, VK_MENU}, 'J');
        EXPECT_TRUE(h.waitFor([&] { return h.programFileExists("near.txt"); }, 15s)) << "slot 100 runs";
        h.pumpFor(1500ms);
        EXPECT_FALSE(h.programFileExists("far.txt")) << "slot 101 has no hot key";
    }
}

namespace {

// A window of this process with the title a trigger looks for.
struct TitledWindow {
    explicit TitledWindow(const char* title)
        : hwnd(CreateWindowA("STATIC", title, WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 80, nullptr, nullptr,
                             nullptr, nullptr)) {}
    ~TitledWindow() { DestroyWindow(hwnd); }
    HWND hwnd;
};

bool freeForOthers(char key) {
    if (!RegisterHotKey(nullptr, 0x5151, MOD_CONTROL | MOD_ALT, key)) return false;
    UnregisterHotKey(nullptr, 0x5151);
    return true;
}

}  // namespace

// A hot key runs its macro only in the programs its scope names; elsewhere
// the program in front gets the key. A switched-off macro and a paused
// Keyvale leave their keys to other programs and run no trigger window.
TEST(HotKeys, ScopesSwitchedOffMacrosAndPauseDecideWhatAKeyRuns) {
    e2e::Harness h;
    h.writeProgramFile("Here.key", "here");
    h.writeProgramFile("There.key", "there");
    writeMarkerBatch(h, "trigger");
    h.writeStore(e2e::store(
        4,
        e2e::macroSection(1, "Here", 4, e2e::ctrlAlt('K'), "Here.key", "OnlyIn=E2E_TESTS.exe | x\r\n") +
            e2e::macroSection(2, "There", 4, e2e::ctrlAlt('L'), "There.key", "OnlyIn=notepad.exe\r\n") +
            e2e::macroSection(3, "Off", 4, e2e::ctrlAlt('J'), "There.key", "Enabled=0\r\n") +
            markerMacro(4, "0", h, "trigger") + "Trigger=Keyvale pause probe\r\n",
        "FirstRun=0\r\nSearchInterval=100\r\n"));
    h.start();
    h.focusTarget();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "here"; }, 10s)) << h.editText() << "; " << h.state();

    h.clearEdit();
    h.clearKeys();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'L');
    const auto givenBack = [&] {
        for (const e2e::KeyRecord& k : h.keys())
            if (k.vk == 'L' && k.down && k.injectedByKeyvale) return true;
        return false;
    };
    EXPECT_TRUE(h.waitFor(givenBack, 5s)) << "Ctrl+Alt+L did not come back to this program";
    h.pumpFor(1s);
    EXPECT_EQ(h.editText(), "") << "a macro scoped to Notepad ran here";
    EXPECT_TRUE(freeForOthers('J')) << "a switched-off macro holds its hot key";

    const HWND tray = e2e::trayForm(h.processId());
    ASSERT_NE(tray, nullptr) << h.state();
    // Sent, not posted: the probe below registers the key itself for a moment,
    // and a resume that landed in that moment would find the key taken.
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(tray, WM_COMMAND, 10 /* Pause */, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_TRUE(freeForOthers('K')) << "paused, Keyvale still holds Ctrl+Alt+K";
    {
        TitledWindow probe("Keyvale pause probe");
        h.pumpFor(1500ms);
        EXPECT_FALSE(h.programFileExists("trigger.txt")) << "a trigger window ran while paused";
    }
    ASSERT_TRUE(SendMessageTimeoutA(tray, WM_COMMAND, 10 /* Pause */, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_FALSE(freeForOthers('K')) << "resumed, Keyvale does not hold Ctrl+Alt+K again";
    h.focusTarget();
    h.clearEdit();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "here"; }, 10s)) << h.editText();
    TitledWindow probe("Keyvale pause probe");
    EXPECT_TRUE(h.waitFor([&] { return h.programFileExists("trigger.txt"); }, 15s));
}
