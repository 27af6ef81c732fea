// The properties dialog with the setup wizard: Edit Macro and the stop hot key.
// The stores have no FirstRun key, so the manager window shows at start.

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include "harness.hpp"
#include "remote_controls.hpp"

using namespace std::chrono_literals;

namespace {

HWND openRow0(e2e::Harness& h) {
    HWND manager = nullptr;
    EXPECT_TRUE(h.waitFor([&] { return (manager = h.findDialog("Veltrane Keyvale")) != nullptr; }, 10s));
    e2e::RemoteListView(FindWindowExA(manager, nullptr, WC_LISTVIEWA, nullptr)).doubleClick(0);
    HWND dialog = nullptr;
    EXPECT_TRUE(h.waitFor([&] { return (dialog = h.findDialog("Macro Properties")) != nullptr; }, 10s));
    h.pumpFor(300ms);
    return dialog;
}

}  // namespace

TEST(PropertiesWizard, EditMacroSavedThenOkOrCancelRunsTheNewScript) {
    for (bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        e2e::Harness h;
        h.writeProgramFile("Say.key", "old\r\n");
        h.writeStore(e2e::store(1, e2e::macroSection(1, "Say", 4, e2e::ctrlAlt('A'), "Say.key"), ""));
        h.start();
        HWND dialog = openRow0(h);
        ASSERT_NE(dialog, nullptr);
        e2e::Harness::setDialogEdit(dialog, "Speak");
        h.press(dialog, "&Edit Macro");
        HWND wizard = nullptr;
        ASSERT_TRUE(h.waitFor([&] { return (wizard = h.findDialog("Macro Setup Wizard")) != nullptr; }, 10s));
        h.pumpFor(300ms);
        HWND box = e2e::visibleChild(wizard, "Edit", "", ES_MULTILINE);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(e2e::windowText(box), "old");
        SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("new"));
        h.press(wizard, "&Save");
        EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(wizard); }, 5s));
        h.press(dialog, ok ? "&OK" : "&Cancel");
        EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(dialog); }, 5s));
        h.pumpFor(300ms);
        const std::string file = h.storeValue(1, "FileName");
        EXPECT_EQ(file, ok ? "Speak.key" : "Say.key");
        EXPECT_TRUE(h.programFileExists(file));
        EXPECT_FALSE(h.programFileExists(ok ? "Say.key" : "Speak.key"));
        h.focusTarget();
        h.clearEdit();
        h.pressHotKey({VK_CONTROL, VK_MENU}, 'A');
        EXPECT_TRUE(h.waitFor([&] { return h.editText() == "new"; }, 10s)) << h.editText();
    }
}

TEST(PropertiesWizard, TheStopHotKeyEndsTheDialogsMouseRecording) {
    e2e::Harness h;
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Mouse", 3, 0, "Mouse.dat", "Speed=1\r\n"), ""));
    h.start();
    HWND dialog = openRow0(h);
    ASSERT_NE(dialog, nullptr);
    h.press(dialog, "&Start Recording");
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(dialog); }, 5s));
    h.pressHotKey({VK_SHIFT, VK_CONTROL}, VK_F12);
    EXPECT_TRUE(h.waitFor([&] { return IsWindowVisible(dialog); }, 5s));
    h.pumpFor(300ms);
    EXPECT_TRUE(IsWindowEnabled(e2e::button(dialog, "&OK")));
    EXPECT_FALSE(IsWindowEnabled(e2e::button(dialog, "Stop &Recording")));
    EXPECT_TRUE(h.programFileExists("~temp.dat"));
    h.press(dialog, "&OK");
    EXPECT_TRUE(h.waitFor([&] { return h.programFileExists("Mouse.dat"); }, 5s));
}
