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
