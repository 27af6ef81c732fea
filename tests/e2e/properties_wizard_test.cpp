// The properties dialog with the setup wizard: Edit Macro and the stop hot key.

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "harness.hpp"
#include "remote_controls.hpp"

using namespace std::chrono_literals;

namespace {

std::string text(HWND h) {
    char buf[1024] = {};
    SendMessageA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return buf;
}

HWND button(HWND dialog, const std::string& caption) {
    for (HWND b = nullptr; (b = FindWindowExA(dialog, b, "Button", nullptr));)
        if (text(b) == caption) return b;
    return nullptr;
}

HWND openRow0(e2e::Harness& h) {
    HWND manager = nullptr;
    EXPECT_TRUE(h.waitFor([&] { return (manager = h.findDialog("Veltrane Keyvale")) != nullptr; }, 10s));
    e2e::RemoteListView(FindWindowExA(manager, nullptr, WC_LISTVIEWA, nullptr)).doubleClick(0);
    HWND dialog = nullptr;
    EXPECT_TRUE(h.waitFor([&] { return (dialog = h.findDialog("Macro Properties")) != nullptr; }, 10s));
    h.pumpFor(300ms);
    return dialog;
}

void press(e2e::Harness& h, HWND dialog, const std::string& caption) {
    HWND b = button(dialog, caption);
    ASSERT_NE(b, nullptr) << caption;
    PostMessageA(b, BM_CLICK, 0, 0);
    h.pumpFor(400ms);
}

// The visible multi-line edit box of a window.
HWND scriptBox(HWND wizard) {
    for (HWND e = nullptr; (e = FindWindowExA(wizard, e, "Edit", nullptr));)
        if (IsWindowVisible(e) && (GetWindowLongA(e, GWL_STYLE) & ES_MULTILINE)) return e;
    return nullptr;
}

std::string storeValue(const e2e::Harness& h, const char* key) {
    char buf[1024] = {};
    GetPrivateProfileStringA("Macro1", key, "(none)", buf, sizeof buf, h.storePath().c_str());
    return buf;
}

}  // namespace

TEST(PropertiesWizard, EditMacroSavedThenOkOrCancelRunsTheNewScript) {
    for (bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        e2e::Harness h;
        h.writeProgramFile("Say.key", "old\r\n");
        h.writeStore("[Main]\r\nEntries=1\r\n" +
                     e2e::macroSection(1, "Say", 4, e2e::ctrlAlt('A'), "Say.key"));
        h.start();
        HWND dialog = openRow0(h);
        ASSERT_NE(dialog, nullptr);
        SendMessageA(FindWindowExA(dialog, nullptr, "Edit", nullptr), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>("Speak"));
        press(h, dialog, "&Edit Macro");
        HWND wizard = nullptr;
        ASSERT_TRUE(h.waitFor([&] { return (wizard = h.findDialog("Macro Setup Wizard")) != nullptr; }, 10s));
        h.pumpFor(300ms);
        HWND box = scriptBox(wizard);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(text(box), "old");
        SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("new"));
        press(h, wizard, "&Save");
        EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(wizard); }, 5s));
        press(h, dialog, ok ? "&OK" : "&Cancel");
        EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(dialog); }, 5s));
        h.pumpFor(300ms);
        const std::string file = storeValue(h, "FileName");
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
    h.writeStore("[Main]\r\nEntries=1\r\n" + e2e::macroSection(1, "Mouse", 3, 0, "Mouse.dat", "Speed=1\r\n"));
    h.start();
    HWND dialog = openRow0(h);
    ASSERT_NE(dialog, nullptr);
    press(h, dialog, "&Start Recording");
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(dialog); }, 5s));
    h.pressHotKey({VK_SHIFT, VK_CONTROL}, VK_F12);
    EXPECT_TRUE(h.waitFor([&] { return IsWindowVisible(dialog); }, 5s));
    h.pumpFor(300ms);
    EXPECT_TRUE(IsWindowEnabled(button(dialog, "&OK")));
    EXPECT_FALSE(IsWindowEnabled(button(dialog, "Stop &Recording")));
    EXPECT_TRUE(h.programFileExists("~temp.dat"));
    press(h, dialog, "&OK");
    EXPECT_TRUE(h.waitFor([&] { return h.programFileExists("Mouse.dat"); }, 5s));
}
