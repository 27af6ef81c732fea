// The macro manager window, driven as a user would: rows, clicks, the popup
// menu, delete, hide and reopen, F1, shortcuts and the printed list. The
// stores have no FirstRun key, so the manager window shows at start.

// clang-format off
#include <windows.h>  // before the other system headers
// clang-format on
#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <cstdlib>

#include "harness.hpp"
#include "remote_controls.hpp"
#include "screenshot.hpp"

using namespace std::chrono_literals;

namespace {

struct Manager {
    HWND window = nullptr;
    HWND list = nullptr;
    HWND status = nullptr;
    HWND button(const char* caption) const { return e2e::findChild(window, "Button", caption); }
    std::string statusText() const { return e2e::windowText(status); }
    void clickButton(const char* caption) const { e2e::clickControl(button(caption)); }
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

// Right-clicks a row of the manager's list and waits until its popup menu
// takes keys.
bool openRowMenu(e2e::Harness& h, const Manager& m, int row) {
    if (!m.list) return false;
    e2e::RemoteListView(m.list).click(row, true);
    if (!h.waitFor([] { return e2e::openPopupMenu() != nullptr; }, 5s)) return false;
    h.pumpFor(300ms);  // the menu's own loop takes the keys once it runs
    return true;
}

std::string fourKinds(const e2e::Harness& h) {
    return e2e::macroSection(1, "Open Notes", 1, 0, h.programDir() + "notes.txt",
                             "Trigger=Untitled - Notepad\r\n") +
           e2e::macroSection(2, "Type Address", 2, e2e::ctrlAlt('K'), "Type Address.dat") +
           e2e::macroSection(3, "Fill Form", 3, 0x4000 + VK_F12, "Fill Form.dat", "Speed=2\r\n") +
           e2e::macroSection(4, "Signature", 4, e2e::ctrlAlt('J'), "Signature.key",
                             e2e::macroLine(kv::store::kAbbreviationField, ";sig"));
}

}  // namespace

TEST(Manager, RowsShowKindsHotKeysTriggersAndAClickEnablesTheCommands) {
    // Another program holds Ctrl+Alt+J before Keyvale starts.
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x4A4A, MOD_CONTROL | MOD_ALT, 'J'));
    e2e::Harness h;
    h.writeStore(e2e::store(4, fourKinds(h), ""));
    h.start();
    Manager m = findManager(h);
    ASSERT_NE(m.list, nullptr);
    e2e::RemoteListView list(m.list);
    ASSERT_EQ(list.rowCount(), 4);
    const char* expected[4][4] = {{"Open Notes", "", "", "Untitled - Notepad"},
                                  {"Type Address", "Ctrl+Alt+K", "", ""},
                                  {"Fill Form", "Ctrl+F12", "", ""},
                                  {"Signature", "Ctrl+Alt+J (in use)", ";sig", ""}};
    const int images[4] = {0, 1, 2, 1};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col)
            EXPECT_EQ(list.text(row, col), expected[row][col]) << row << "," << col;
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
    h.writeStore(e2e::store(4, fourKinds(h), ""));
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
    EXPECT_TRUE(h.programFileExists("Type Address.key"))
        << "a file of its name that the recording does not own";
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
    h.writeStore(e2e::store(0, "", ""));
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

    // "Help" and F1 anywhere in the window: the test's own handler records
    // what the shell was asked to open. Wine takes a file address with its
    // anchor for a file of that name, hence the file and the class of
    // ".html#Operation".
    h.writeProgramFile("Keyvale.html#Operation", "");
    const std::string marker = h.programDir() + "help.txt";
    const std::string command = "cmd.exe /c echo %1> \"" + marker + "\"";
    RegSetValueA(HKEY_CLASSES_ROOT, ".html#Operation", REG_SZ, "KeyvaleTestHelp", 0);
    RegSetValueA(HKEY_CLASSES_ROOT, "KeyvaleTestHelp\\shell\\open\\command", REG_SZ, command.c_str(), 0);
    SetForegroundWindow(m.window);
    h.pumpFor(200ms);
    m.clickButton("Help");
    const auto helpOpened = [&] { return e2e::readFile(marker).find("Keyvale.html") != std::string::npos; };
    EXPECT_TRUE(h.waitFor(helpOpened, 10s)) << "Help";
    h.pumpFor(300ms);
    DeleteFileA(marker.c_str());
    // The started handler may have taken the foreground.
    SetForegroundWindow(m.window);
    h.waitFor([&] { return GetForegroundWindow() == m.window; }, 3s);
    h.tap(VK_F1);
    EXPECT_TRUE(h.waitFor(helpOpened, 10s)) << "F1: " << e2e::readFile(marker);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "KeyvaleTestHelp");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".html#Operation");

    // Closing by the title-bar button remembers the geometry as well.
    SetWindowPos(m.window, nullptr, 70, 80, 480, 400, SWP_NOZORDER);
    PostMessageA(m.window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(h.waitFor([&] { return h.readStore().find("Left=70") != std::string::npos; }, 5s))
        << h.readStore();
    EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(m.window); }, 5s));
}

TEST(Manager, ScreenshotOfTheWindowAndItsPopupMenu) {
    e2e::Harness h;
    // Fill Form switched off: its row is grey and unticked.
    std::string macros = fourKinds(h);
    macros.replace(macros.find("Speed=2\r\n"), 9, "Speed=2\r\nEnabled=0\r\n");
    h.writeStore(e2e::store(4, macros, ""));
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
    h.pumpFor(300ms);
    // Down twice to "Create Shortcut...", Right opens its submenu.
    h.tap(VK_DOWN);
    h.tap(VK_DOWN);
    h.tap(VK_DOWN);
    h.tap(VK_RIGHT);
    h.pumpFor(500ms);
    e2e::saveScreenshot(m.window, "manager_menu");
    h.tap(VK_ESCAPE);
    h.tap(VK_ESCAPE);
    EXPECT_TRUE(h.waitFor([] { return e2e::openPopupMenu() == nullptr; }, 5s));
}

namespace {

// Points one of the user's shell folders (Desktop unless named) into the
// test's directory while it lives, so that no shortcut reaches the real home
// folder.
class DesktopRedirect {
public:
    explicit DesktopRedirect(const std::string& folder, const char* shellFolder = "Desktop")
        : folder_(folder), value_(shellFolder) {
        CreateDirectoryA(folder.c_str(), nullptr);
        RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        char old[MAX_PATH] = {};
        DWORD size = sizeof old, type = 0;
        if (RegQueryValueExA(key_, value_, nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
            ERROR_SUCCESS)
            old_ = old, oldType_ = type, hadOld_ = true;
        RegSetValueExA(key_, value_, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>(folder.size() + 1));
    }
    ~DesktopRedirect() {
        if (hadOld_)
            RegSetValueExA(key_, value_, 0, oldType_, reinterpret_cast<const BYTE*>(old_.c_str()),
                           static_cast<DWORD>(old_.size() + 1));
        else
            RegDeleteValueA(key_, value_);
        RegCloseKey(key_);
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((folder_ + "\\*").c_str(), &fd);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileA((folder_ + "\\" + fd.cFileName).c_str());
            } while (FindNextFileA(find, &fd));
            FindClose(find);
        }
        RemoveDirectoryA(folder_.c_str());
    }

private:
    static constexpr const char* kKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    std::string folder_;
    const char* value_;
    HKEY key_ = nullptr;
    std::string old_;
    DWORD oldType_ = REG_EXPAND_SZ;
    bool hadOld_ = false;
};

int countProcesses(const char* exeName) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    int n = 0;
    for (BOOL more = Process32First(snap, &pe); more; more = Process32Next(snap, &pe))
        if (lstrcmpiA(pe.szExeFile, exeName) == 0) ++n;
    CloseHandle(snap);
    return n;
}

}  // namespace

TEST(Manager, ADesktopShortcutCarriesEveryFieldAndRunsItsMacroByName) {
    CoInitialize(nullptr);
    e2e::Harness h;
    const std::string desktop = h.programDir() + "Desktop";
    DesktopRedirect redirect(desktop);
    h.writeProgramFile("Sig Line.key", "signed");
    h.writeStore(e2e::store(2,
                            e2e::macroSection(1, "Other", 1, 0, "x.txt") +
                                e2e::macroSection(2, "Sig Line", 4, e2e::ctrlAlt('K'), "Sig Line.key"),
                            ""));
    h.start();
    Manager m = findManager(h);
    ASSERT_TRUE(openRowMenu(h, m, 1));
    // "Create Shortcut...", its submenu, "On &Desktop".
    for (BYTE key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}) h.tap(key);
    h.tap('D');
    const std::string lnk = desktop + "\\Sig Line.lnk";
    e2e::LinkFields f;
    ASSERT_TRUE(h.waitFor([&] { return e2e::readLink(lnk, f); }, 10s)) << "no whole link";
    EXPECT_EQ(f.description, "Sig Line");
    EXPECT_EQ(f.path, h.programDir() + "Macros.exe");
    EXPECT_EQ(f.workingDirectory, h.programDir());
    EXPECT_EQ(f.arguments, " /Open:\"Sig Line\" /Close");
    EXPECT_EQ(f.showCommand, SW_SHOWNORMAL);
    EXPECT_EQ(f.hotKey, MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT));
    // No icon file ships beside the program: the program's own icon.
    EXPECT_EQ(f.iconFile, h.programDir() + "Macros.exe");
    EXPECT_EQ(f.iconIndex, 0);

    // Started through the shell, a second instance types the script and ends.
    EXPECT_EQ(countProcesses("Macros.exe"), 1);
    h.focusTarget();
    ShellExecuteA(nullptr, "open", lnk.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "signed"; }, 15s)) << h.editText();
    EXPECT_TRUE(h.waitFor([] { return countProcesses("Macros.exe") == 1; }, 15s))
        << "the started instance ended";
    EXPECT_TRUE(h.running());
    CoUninitialize();
}

namespace {

// The PDF printer's output folder as Wine and as Linux see it.
struct PdfFolder {
    std::string windows, unix;
};

std::vector<std::string> pdfFiles(const PdfFolder& folder) {
    std::vector<std::string> files;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder.windows + "\\*.pdf").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return files;
    do files.push_back(fd.cFileName);
    while (FindNextFileA(find, &fd));
    FindClose(find);
    return files;
}

void removePdfs(const PdfFolder& folder) {
    for (const std::string& f : pdfFiles(folder)) DeleteFileA((folder.windows + "\\" + f).c_str());
}

// Waits for the printed file and returns its text (pdftotext, run as the
// Linux program it is), or empty on time-out.
std::string waitForPrintedText(e2e::Harness& h, const PdfFolder& folder) {
    std::string name;
    long long lastSize = -1;
    const bool found = h.waitFor(
        [&] {
            const auto files = pdfFiles(folder);
            if (files.empty()) return false;
            name = files.front();
            WIN32_FILE_ATTRIBUTE_DATA a{};
            if (!GetFileAttributesExA((folder.windows + "\\" + name).c_str(), GetFileExInfoStandard, &a))
                return false;
            const long long size = a.nFileSizeLow;
            // Complete once the size holds still between two looks.
            const bool stable = size > 0 && size == lastSize;
            lastSize = size;
            if (!stable) Sleep(400);
            return stable;
        },
        60s);
    if (!found) return "";
    const std::string text = folder.unix + "/page.txt";
    std::string cmd = "Z:\\usr\\bin\\pdftotext -layout \"" + folder.unix + "/" + name + "\" \"" + text + "\"";
    // The printer may still be moving the file into place: a few tries.
    for (int attempt = 0; attempt < 10 && e2e::readFile(folder.windows + "\\page.txt").empty(); ++attempt) {
        h.pumpFor(1s);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string line = cmd;
        if (!CreateProcessA("Z:\\usr\\bin\\pdftotext", line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &si, &pi))
            return "(pdftotext cannot be started)";
        WaitForSingleObject(pi.hProcess, 30000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    const std::string result = e2e::readFile(folder.windows + "\\page.txt");
    DeleteFileA((folder.windows + "\\page.txt").c_str());
    return result;
}

// Confirms the print dialog; when owner is given, the dialog must belong to
// it and keep it from taking clicks.
void confirmPrintDialog(e2e::Harness& h, HWND owner = nullptr) {
    HWND dialog = nullptr;
    // The first print dialog of a Wine session waits for the printer list.
    ASSERT_TRUE(h.waitFor([&] { return (dialog = h.findDialog("Print")) != nullptr; }, 45s))
        << "no print dialog";
    h.pumpFor(500ms);
    if (owner) {
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
        EXPECT_FALSE(IsWindowEnabled(owner)) << "the window under the print dialog takes clicks";
    }
    // A click on OK, which needs no keyboard focus in the dialog.
    HWND ok = e2e::findChild(dialog, "Button", "OK");
    ASSERT_NE(ok, nullptr);
    e2e::clickControl(ok);
    ASSERT_TRUE(h.waitFor([&] { return h.findDialog("Print") == nullptr; }, 10s));
}

void expectPrintedList(const std::string& text) {
    ASSERT_FALSE(text.empty()) << "no PDF was printed";
    const auto at = [&](const char* s) { return text.find(s); };
    EXPECT_NE(at("HOTKEY"), std::string::npos) << text;
    EXPECT_NE(at("MACRO NAME"), std::string::npos) << text;
    EXPECT_NE(at("_________________________________"), std::string::npos) << text;
    EXPECT_LT(at("HOTKEY"), at("Ctrl+Alt+K")) << text;
    EXPECT_LT(at("Ctrl+Alt+K"), at("Type Address")) << text;
    EXPECT_LT(at("Type Address"), at("Fill Form")) << text;
    EXPECT_LT(at("Fill Form"), at("Signature")) << text;
    EXPECT_NE(at("Ctrl+F12"), std::string::npos) << text;
    EXPECT_EQ(at("Open Notes"), std::string::npos) << "a macro without a hot key is not printed\n" << text;
}

}  // namespace

namespace {

// The window that has the keyboard focus in the window's thread.
HWND focusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

}  // namespace

TEST(Manager, ThePopupMenuGetsItsKeysWhileTheTriggerScanRunsBeneathIt) {
    // The trigger scan pumps messages inside the menu's own loop; scanning
    // every 50 ms, a key the scan's pump took would be lost to the menu in
    // one of these rounds.
    e2e::Harness h;
    h.writeStore(e2e::store(4, fourKinds(h), "SearchInterval=50\r\n"));
    h.start();
    Manager m = findManager(h);
    // Wine's menu loop now and then drops the Escape that follows the closing
    // of a submenu, scan or no scan (the program's pump was seen not to take
    // it): one such loss in the eight rounds is Wine's, more are ours.
    int escapesAgain = 0;
    for (int round = 0; round < 8; ++round) {
        ASSERT_TRUE(openRowMenu(h, m, round % 4)) << "round " << round;
        // "Create Shortcut...", its submenu, then out of both.
        for (BYTE key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}) h.tap(key);
        ASSERT_TRUE(h.waitFor([&] { return e2e::openPopupMenus() == 2; }, 5s))
            << "round " << round << ": no submenu";
        h.tap(VK_ESCAPE);
        ASSERT_TRUE(h.waitFor([&] { return e2e::openPopupMenus() == 1; }, 5s))
            << "round " << round << ": the first Escape lost, menus open: " << e2e::openPopupMenus();
        h.tap(VK_ESCAPE);
        if (!h.waitFor([&] { return e2e::openPopupMenus() == 0; }, 3s)) {
            ++escapesAgain;
            h.tap(VK_ESCAPE);
        }
        ASSERT_TRUE(h.waitFor([&] { return e2e::openPopupMenus() == 0; }, 5s))
            << "round " << round << ": the second Escape lost twice, menus open: " << e2e::openPopupMenus();
    }
    EXPECT_LE(escapesAgain, 1) << "Escapes lost beneath the menu in " << escapesAgain << " rounds";
}

TEST(Manager, ShiftF10OpensThePopupMenuAtTheSelectedRowAndTheFocusComesBack) {
    e2e::Harness h;
    const std::string desktop = h.programDir() + "Desktop";
    DesktopRedirect redirect(desktop);
    h.writeProgramFile("Sig Line.key", "signed");
    h.writeStore(e2e::store(2,
                            e2e::macroSection(1, "Other", 1, 0, "x.txt") +
                                e2e::macroSection(2, "Sig Line", 4, e2e::ctrlAlt('K'), "Sig Line.key"),
                            ""));
    h.start();
    Manager m = findManager(h);
    ASSERT_NE(m.list, nullptr);
    // Keys only: the active window's list has the focus; the second row, then its menu.
    EXPECT_EQ(focusOf(m.window), m.list);
    h.tap(VK_HOME);
    h.tap(VK_DOWN);
    ASSERT_TRUE(h.waitFor([&] { return e2e::RemoteListView(m.list).selected() == 1; }, 5s));
    h.pressHotKey({VK_SHIFT}, VK_F10);
    ASSERT_TRUE(h.waitFor([] { return e2e::openPopupMenu() != nullptr; }, 5s));
    h.pumpFor(300ms);
    // "Create Shortcut...", its submenu, "On &Desktop".
    for (BYTE key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}) h.tap(key);
    h.tap('D');
    const std::string lnk = desktop + "\\Sig Line.lnk";
    EXPECT_TRUE(h.waitFor([&] { return GetFileAttributesA(lnk.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10s));
    h.pumpFor(300ms);
    // The context-menu key opens it too.
    h.tap(VK_APPS);
    EXPECT_TRUE(h.waitFor([] { return e2e::openPopupMenu() != nullptr; }, 5s));
    h.pumpFor(300ms);
    h.tap(VK_ESCAPE);
    EXPECT_TRUE(h.waitFor([] { return e2e::openPopupMenu() == nullptr; }, 5s));

    // Activated again, the window gives the focus back to the control that had it.
    h.tap(VK_TAB);
    HWND focused = focusOf(m.window);
    EXPECT_EQ(focused, m.button("Help"));
    h.focusTarget();
    SetForegroundWindow(m.window);
    h.pumpFor(300ms);
    EXPECT_EQ(focusOf(m.window), focused);
}

TEST(Manager, TheListsColumnsFollowADpiChange) {
    e2e::Harness h;
    h.writeStore(e2e::store(4, fourKinds(h), ""));
    h.start();
    Manager m = findManager(h);
    ASSERT_NE(m.list, nullptr);
    const auto width = [&](int column) {
        return static_cast<int>(SendMessageA(m.list, LVM_GETCOLUMNWIDTH, column, 0));
    };
    // What the window was made for, and twice that: the suggested rectangle
    // lives in the program's memory, as the system's would.
    const int dpi = MulDiv(width(0), 96, 140);
    RECT r;
    GetWindowRect(m.window, &r);
    const RECT twice{r.left, r.top, r.left + 2 * (r.right - r.left), r.top + 2 * (r.bottom - r.top)};
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, h.processId());
    ASSERT_NE(process, nullptr);
    void* remote = VirtualAllocEx(process, nullptr, sizeof twice, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_TRUE(WriteProcessMemory(process, remote, &twice, sizeof twice, nullptr));
    SendMessageA(m.window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(2 * dpi, 2 * dpi),
                 reinterpret_cast<LPARAM>(remote));
    h.pumpFor(300ms);
    EXPECT_EQ(width(0), MulDiv(140, 2 * dpi, 96));
    EXPECT_EQ(width(1), MulDiv(90, 2 * dpi, 96));
    EXPECT_EQ(width(2), MulDiv(80, 2 * dpi, 96));
    EXPECT_EQ(width(3), MulDiv(95, 2 * dpi, 96));
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
}

TEST(ManagerPrint, ThePrintedListFromThePopupMenuAndFromTheTrayReachesThePrinter) {
    if (const char* why = std::getenv("KV_PDF_SKIP")) GTEST_SKIP() << "printing is not tested: " << why;
    const char* dir = std::getenv("KV_PDF_DIR");
    if (!dir) GTEST_SKIP() << "printing is not tested: no PDF printer was set up (scripts/test sets one up)";
    PdfFolder folder{dir, dir};
    for (char& c : folder.windows)
        if (c == '/') c = '\\';
    if (folder.unix.rfind("Z:", 0) == 0) folder.unix.erase(0, 2);
    removePdfs(folder);

    e2e::Harness h;
    h.writeStore(e2e::store(4, fourKinds(h), ""));
    h.start();
    Manager m = findManager(h);
    ASSERT_TRUE(openRowMenu(h, m, 0));
    for (BYTE key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) h.tap(key);
    ASSERT_TRUE(h.waitFor([] { return e2e::openPopupMenu() == nullptr; }, 5s)) << "the menu stays open";
    confirmPrintDialog(h, m.window);
    EXPECT_TRUE(IsWindowEnabled(m.window));
    expectPrintedList(waitForPrintedText(h, folder));
    removePdfs(folder);

    // From the tray while the window is hidden. The button is clicked where
    // it is on the screen: the window comes to the front first, as a user's
    // click would bring it, since the print job may have left another there.
    SetForegroundWindow(m.window);
    h.waitFor([&] { return GetForegroundWindow() == m.window; }, 2s);
    m.clickButton("Hide");
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(m.window); }, 5s));
    HWND tray = FindWindowA("TKeyvale", nullptr);
    ASSERT_NE(tray, nullptr);
    PostMessageA(tray, WM_COMMAND, 2 /* Print Macro List */, 0);
    confirmPrintDialog(h);
    expectPrintedList(waitForPrintedText(h, folder));
    removePdfs(folder);
}

TEST(Manager, StartWithWindowsMakesAndRemovesTheStartUpShortcut) {
    CoInitialize(nullptr);
    e2e::Harness h;
    const std::string startup = h.programDir() + "Startup";
    DesktopRedirect redirect(startup, "Startup");
    h.writeStore(e2e::store(0));
    h.start();
    HWND tray = e2e::trayForm(h.processId());
    ASSERT_NE(tray, nullptr);
    const std::string lnk = startup + "\\Keyvale.lnk";
    const auto exists = [&] { return GetFileAttributesA(lnk.c_str()) != INVALID_FILE_ATTRIBUTES; };
    PostMessageA(tray, WM_COMMAND, 9 /* Start with Windows */, 0);
    e2e::LinkFields f;
    ASSERT_TRUE(h.waitFor([&] { return e2e::readLink(lnk, f); }, 10s)) << "no whole link";
    EXPECT_EQ(f.path, h.programDir() + "Macros.exe");
    EXPECT_EQ(f.workingDirectory, h.programDir());
    EXPECT_EQ(f.arguments, "");
    EXPECT_EQ(f.iconFile, h.programDir() + "Macros.exe");
    PostMessageA(tray, WM_COMMAND, 9 /* Start with Windows */, 0);
    EXPECT_TRUE(h.waitFor([&] { return !exists(); }, 10s));
}

TEST(Manager, ScreenshotOfTheTrayMenuWhilePaused) {
    e2e::Harness h;
    h.writeStore(e2e::store(0));
    h.start();
    const HWND tray = e2e::trayForm(h.processId());
    ASSERT_NE(tray, nullptr);
    PostMessageA(tray, WM_COMMAND, 10 /* Pause */, 0);
    SetCursorPos(600, 400);
    PostMessageA(tray, 10124 /* the icon's callback */, 1, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (menu = e2e::openPopupMenu()) != nullptr; }, 5s));
    h.pumpFor(300ms);
    RECT r;
    GetWindowRect(menu, &r);
    e2e::saveScreenRect(r, "tray_menu_paused");
    h.tap(VK_ESCAPE);
    EXPECT_TRUE(h.waitFor([] { return e2e::openPopupMenu() == nullptr; }, 5s));
    PostMessageA(tray, WM_COMMAND, 15 /* Pause Hot Key... */, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (dialog = h.findDialog("Pause Hot Key")) != nullptr; }, 5s));
    h.pumpFor(300ms);
    e2e::saveScreenshot(dialog, "tray_pause_hot_key");
    PostMessageA(e2e::button(dialog, "&Cancel"), BM_CLICK, 0, 0);
    EXPECT_TRUE(h.waitFor([&] { return h.findDialog("Pause Hot Key") == nullptr; }, 5s));
}
