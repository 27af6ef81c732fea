// The macro manager window, driven as a user would: rows, clicks, the popup
// menu, delete, hide and reopen, F1, shortcuts and the printed list.

#include <gtest/gtest.h>

#include "harness.hpp"

#include <commctrl.h>

#include "remote_controls.hpp"
#include "screenshot.hpp"

using namespace std::chrono_literals;

namespace {

constexpr int kCtrlAltK = 0xC000 + 'K';
constexpr int kCtrlAltJ = 0xC000 + 'J';

// Entries without FirstRun: the manager window shows at start.
std::string shownStore(const std::string& macros, int entries) {
    return "[Main]\r\nEntries=" + std::to_string(entries) + "\r\n" + macros;
}

struct Manager {
    HWND window = nullptr;
    HWND list = nullptr;
    HWND status = nullptr;
    HWND button(const char* caption) const { return e2e::findChild(window, "Button", caption); }
    std::string statusText() const {
        char text[512] = {};
        SendMessageA(status, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        return text;
    }
    void clickButton(const char* caption) const {
        RECT r;
        GetWindowRect(button(caption), &r);
        e2e::clickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
};

Manager findManager(e2e::Harness& h) {
    Manager m;
    h.waitFor([&] { return (m.window = h.findDialog("Veltrane Keyvale")) != nullptr; }, 10s);
    if (m.window) {
        m.list = e2e::findChild(m.window, WC_LISTVIEWA);
        m.status = e2e::findChild(m.window, STATUSCLASSNAMEA);
        SetForegroundWindow(m.window);
        h.pumpFor(200ms);
    }
    return m;
}

std::string fourKinds(const e2e::Harness& h) {
    return e2e::macroSection(1, "Open Notes", 1, 0, h.programDir() + "notes.txt",
                             "Trigger=Untitled - Notepad\r\n") +
           e2e::macroSection(2, "Type Address", 2, kCtrlAltK, "Type Address.dat") +
           e2e::macroSection(3, "Fill Form", 3, 0x4000 + VK_F12, "Fill Form.dat", "Speed=2\r\n") +
           e2e::macroSection(4, "Signature", 4, kCtrlAltJ, "Signature.key");
}

}  // namespace

TEST(Manager, RowsShowKindsHotKeysTriggersAndAClickEnablesTheCommands) {
    // Another program holds Ctrl+Alt+J before Keyvale starts.
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x4A4A, MOD_CONTROL | MOD_ALT, 'J'));
    e2e::Harness h;
    h.writeStore(shownStore(fourKinds(h), 4));
    h.start();
    Manager m = findManager(h);
    ASSERT_NE(m.list, nullptr);
    e2e::RemoteListView list(m.list);
    ASSERT_EQ(list.rowCount(), 4);
    const char* expected[4][3] = {{"Open Notes", "", "Untitled - Notepad"},
                                  {"Type Address", "Ctrl+Alt+K", ""},
                                  {"Fill Form", "Ctrl+F12", ""},
                                  {"Signature", "Ctrl+Alt+J (in use)", ""}};
    const int images[4] = {0, 1, 2, 1};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 3; ++col) EXPECT_EQ(list.text(row, col), expected[row][col]) << row << "," << col;
        EXPECT_EQ(list.image(row), images[row]) << row;
    }
    EXPECT_FALSE(IsWindowEnabled(m.button("Delete Macro")));
    EXPECT_FALSE(IsWindowEnabled(m.button("Edit Macro")));
    list.click(1);
    EXPECT_TRUE(h.waitFor([&] { return IsWindowEnabled(m.button("Delete Macro")) != FALSE; }, 5s));
    EXPECT_TRUE(IsWindowEnabled(m.button("Edit Macro")));
    EXPECT_EQ(m.statusText(), "Type Address - Plays back Keystrokes");
    list.click(3);
    EXPECT_TRUE(h.waitFor([&] { return m.statusText().find("Signature") == 0; }, 5s));
    EXPECT_EQ(m.statusText(),
              "Signature - Advanced Macro - the hot key Ctrl+Alt+J is taken by another program or macro");
    UnregisterHotKey(nullptr, 0x4A4A);
}

TEST(Manager, DeleteAnsweredNoChangesNothingAndYesShiftsTheStoreAndFreesTheHotKey) {
    e2e::Harness h;
    h.writeProgramFile("Type Address.dat", "x");
    h.writeProgramFile("Type Address.key", "x");
    h.writeProgramFile("Keep.key", "kept");
    h.writeStore(shownStore(fourKinds(h), 4));
    h.start();
    Manager m = findManager(h);
    ASSERT_NE(m.list, nullptr);
    e2e::RemoteListView list(m.list);
    list.click(1);
    ASSERT_TRUE(h.waitFor([&] { return IsWindowEnabled(m.button("Delete Macro")) != FALSE; }, 5s));
    const std::string before = h.readStore();

    m.clickButton("Delete Macro");
    HWND box = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (box = h.findDialog("Keyvale")) != nullptr; }, 5s));
    EXPECT_EQ(e2e::Harness::dialogText(box), "Are you sure you want to delete this macro?");
    e2e::Harness::clickButton(box, "&No");
    ASSERT_TRUE(h.waitFor([&] { return h.findDialog("Keyvale") == nullptr; }, 5s));
    h.pumpFor(300ms);
    EXPECT_EQ(h.readStore(), before);
    EXPECT_TRUE(h.programFileExists("Type Address.dat"));
    EXPECT_EQ(list.rowCount(), 4);

    m.clickButton("Delete Macro");
    ASSERT_TRUE(h.waitFor([&] { return (box = h.findDialog("Keyvale")) != nullptr; }, 5s));
    e2e::Harness::clickButton(box, "&Yes");
    ASSERT_TRUE(h.waitFor([&] { return list.rowCount() == 3; }, 5s));
    EXPECT_EQ(list.text(1, 0), "Fill Form");
    EXPECT_FALSE(h.programFileExists("Type Address.dat"));
    EXPECT_FALSE(h.programFileExists("Type Address.key"));
    EXPECT_TRUE(h.programFileExists("Keep.key"));
    const std::string after = h.readStore();
    EXPECT_NE(after.find("Entries=3"), std::string::npos) << after;
    EXPECT_EQ(after.find("Type Address"), std::string::npos) << after;
    EXPECT_EQ(after.find("[Macro4]"), std::string::npos) << after;
    // The freed combination can be taken by anyone now: Keyvale let it go.
    EXPECT_TRUE(RegisterHotKey(nullptr, 0x4B4B, MOD_CONTROL | MOD_ALT, 'K'));
    UnregisterHotKey(nullptr, 0x4B4B);
    EXPECT_FALSE(IsWindowEnabled(m.button("Delete Macro")));
}

TEST(Manager, HideAndReopenKeepTheGeometryAndF1OpensHelp) {
    e2e::Harness h;
    h.writeStore(shownStore("", 0));
    h.start();
    Manager m = findManager(h);
    ASSERT_NE(m.window, nullptr);
    SetWindowPos(m.window, nullptr, 40, 60, 500, 420, SWP_NOZORDER);
    h.pumpFor(300ms);
    // The list and the buttons follow the height.
    RECT list, hide, client;
    GetWindowRect(m.list, &list);
    GetWindowRect(m.button("Hide"), &hide);
    GetClientRect(m.window, &client);
    MapWindowPoints(nullptr, m.window, reinterpret_cast<POINT*>(&hide), 2);
    EXPECT_EQ(hide.top, client.bottom - 44);
    EXPECT_EQ(list.bottom - list.top, client.bottom - 84);

    m.clickButton("Hide");
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(m.window); }, 5s));
    // The geometry is written just after hiding.
    h.waitFor([&] { return h.readStore().find("Width=") != std::string::npos; }, 5s);
    const std::string s = h.readStore();
    EXPECT_NE(s.find("Width=500"), std::string::npos) << s;
    EXPECT_NE(s.find("Top=60"), std::string::npos) << s;
    SetWindowPos(m.window, nullptr, 0, 0, 300, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    HWND tray = FindWindowA("TKeyvale", nullptr);
    ASSERT_NE(tray, nullptr);
    PostMessageA(tray, WM_COMMAND, 1 /* Open */, 0);
    ASSERT_TRUE(h.waitFor([&] { return IsWindowVisible(m.window) != FALSE; }, 5s));
    RECT r;
    GetWindowRect(m.window, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(r.right - r.left, 500);
    EXPECT_EQ(r.bottom - r.top, 420);

    // Closing by the title-bar button remembers the geometry as well.
    SetWindowPos(m.window, nullptr, 70, 80, 480, 400, SWP_NOZORDER);
    PostMessageA(m.window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(h.waitFor([&] { return h.readStore().find("Left=70") != std::string::npos; }, 5s)) << h.readStore();
    EXPECT_FALSE(IsWindowVisible(m.window));
}

TEST(Manager, ScreenshotOfTheWindowAndItsPopupMenu) {
    e2e::Harness h;
    h.writeStore(shownStore(fourKinds(h), 4));
    h.start();
    Manager m = findManager(h);
    ASSERT_NE(m.list, nullptr);
    e2e::RemoteListView list(m.list);
    list.click(3);
    ASSERT_TRUE(h.waitFor([&] { return !m.statusText().empty(); }, 5s));
    h.pumpFor(300ms);
    e2e::saveScreenshot(m.window, "manager");
    list.click(1, true);
    HWND menu = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (menu = e2e::openPopupMenu()) != nullptr; }, 5s));
    // Down twice to "Create Shortcut...", Right opens its submenu.
    e2e::tapKey(VK_DOWN);
    e2e::tapKey(VK_DOWN);
    e2e::tapKey(VK_DOWN);
    e2e::tapKey(VK_RIGHT);
    h.pumpFor(500ms);
    e2e::saveScreenshot(m.window, "manager_menu");
    e2e::tapKey(VK_ESCAPE);
    e2e::tapKey(VK_ESCAPE);
    h.pumpFor(300ms);
    EXPECT_EQ(e2e::openPopupMenu(), nullptr);
}
