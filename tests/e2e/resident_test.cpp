// The resident program: start-up, the command line, the tray form, the
// window-trigger watcher and the ways of ending.

#include <gtest/gtest.h>

#include "harness.hpp"

using namespace std::chrono_literals;

namespace {

// A further instance of the program, as a shortcut starts it while the
// harness's instance is resident; by default from the harness's directory.
struct SecondInstance {
    PROCESS_INFORMATION pi{};
    SecondInstance(const e2e::Harness& h, const std::string& arguments, std::string dir = "") {
        if (dir.empty()) dir = h.programDir();
        std::string cmd = "\"" + dir + "Macros.exe\" " + arguments;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi);
    }
    ~SecondInstance() {
        if (!pi.hProcess) return;
        TerminateProcess(pi.hProcess, 0);
        WaitForSingleObject(pi.hProcess, 5000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        e2e::Harness::hookFirstAgain();
    }
    bool ended() const { return pi.hProcess && WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }
};

HWND openTriggerWindow(const char* title) {
    HWND w = CreateWindowExA(WS_EX_NOACTIVATE, "STATIC", title, WS_POPUP, 600, 400, 200, 80, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ShowWindow(w, SW_SHOWNOACTIVATE);
    return w;
}

// The standard error boxes the process shows now.
int errorBoxes(DWORD pid) {
    struct Count {
        DWORD pid;
        int n = 0;
    } c{pid};
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            auto& c = *reinterpret_cast<Count*>(lp);
            char cls[64] = {}, text[64] = {};
            GetClassNameA(w, cls, sizeof cls);
            GetWindowTextA(w, text, sizeof text);
            DWORD p = 0;
            GetWindowThreadProcessId(w, &p);
            if (p == c.pid && IsWindowVisible(w) && lstrcmpA(cls, "#32770") == 0 &&
                lstrcmpA(text, "Keyvale") == 0)
                ++c.n;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&c));
    return c.n;
}

// Makes the store refuse writes for the life of the object, also to a program
// run by root, which ignores the read-only attribute: the store is held open
// against writers, and a folder takes the name of the replacement file.
struct UnwritableStore {
    std::string path;
    HANDLE lock;
    explicit UnwritableStore(const e2e::Harness& h) : path(h.storePath()) {
        lock = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        CreateDirectoryA((path + ".new").c_str(), nullptr);
    }
    ~UnwritableStore() {
        RemoveDirectoryA((path + ".new").c_str());
        CloseHandle(lock);
    }
};

// Lets Notepad open .html files for the life of the object: it shows the
// name of the file it opened in its caption.
class HtmlOpensInNotepad {
public:
    HtmlOpensInNotepad() {
        char old[256] = {};
        LONG size = sizeof old;
        hadOld_ = RegQueryValueA(HKEY_LOCAL_MACHINE, kExtension, old, &size) == ERROR_SUCCESS;
        old_ = old;
        set(kExtension, kClassName);
        set((std::string(kClass) + "\\shell\\open\\command").c_str(), "notepad.exe \"%1\"");
    }
    ~HtmlOpensInNotepad() {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kClass);
        if (hadOld_)
            set(kExtension, old_.c_str());
        else
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, kExtension);
    }

private:
    static constexpr const char* kExtension = "Software\\Classes\\.html";
    static constexpr const char* kClassName = "KeyvaleTest.Html";
    static constexpr const char* kClass = "Software\\Classes\\KeyvaleTest.Html";
    static void set(const char* key, const char* value) {
        RegSetValueA(HKEY_LOCAL_MACHINE, key, REG_SZ, value, static_cast<DWORD>(lstrlenA(value)));
    }
    bool hadOld_ = false;
    std::string old_;
};

}  // namespace

TEST(Resident, OpenAndCloseRunTheMacroAndEndAboutASecondLater) {
    e2e::Harness h;
    h.writeProgramFile("My.key", "typed");
    h.writeStore(e2e::store(1, e2e::macroSection(1, "My Macro", 4, 0, "My.key")));
    h.start("/Open:\"my macro\" /Close");
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "typed"; }, 10s)) << h.editText();
    const auto typedAt = GetTickCount64();
    ASSERT_TRUE(h.waitForExit(10s));
    const auto after = GetTickCount64() - typedAt;
    EXPECT_LT(after, 5000u) << "ended " << after << " ms after the macro";
    EXPECT_EQ(h.readStore().find("[Position]"), std::string::npos) << "a /CLOSE run saves no geometry";
}

TEST(Resident, ABareNameRunsAndCloseAloneOrAnUnknownNameStayResident) {
    {
        e2e::Harness h;
        h.writeProgramFile("Notes.key", "notes");
        h.writeStore(e2e::store(1, e2e::macroSection(1, "Notes", 4, 0, "Notes.key")));
        h.start("Notes");
        EXPECT_TRUE(h.waitFor([&] { return h.editText() == "notes"; }, 10s)) << h.editText();
        h.pumpFor(2s);
        EXPECT_TRUE(h.running());
    }
    {
        e2e::Harness h;
        h.writeStore(e2e::store(0));
        h.start("/CLOSE Unknown");
        h.pumpFor(3s);
        EXPECT_TRUE(h.running()) << "no run reported its end, so /CLOSE waits";
    }
}

TEST(Resident, ATriggerWindowRunsItsMacroOncePerWindow) {
    e2e::Harness h;
    h.writeProgramFile("T.key", "t");
    h.writeStore(
        e2e::store(1, e2e::macroSection(1, "Trig", 4, 0, "T.key", "Trigger=keyvale trigger window\r\n")));
    h.start();
    h.focusTarget();
    const auto open = openTriggerWindow;
    HWND prefix = open("Keyvale Trigger Window (2)");
    h.pumpFor(1500ms);
    EXPECT_EQ(h.editText(), "") << "a title that only begins with the trigger does not match";
    HWND first = open("  KEYVALE Trigger Window ");
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "t"; }, 10s)) << h.editText();
    h.pumpFor(2s);
    EXPECT_EQ(h.editText(), "t") << "the window stays open: the macro ran once";
    HWND second = open("Keyvale Trigger Window");
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "tt"; }, 10s)) << h.editText();
    DestroyWindow(second);
    DestroyWindow(first);
    DestroyWindow(prefix);
}

TEST(Resident, TheFirstStartShowsTheManagerCentredAndRecordsIt) {
    e2e::Harness h;
    h.start();
    HWND manager = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (manager = h.findDialog("Veltrane Keyvale")) != nullptr; }, 10s));
    RECT r;
    GetWindowRect(manager, &r);
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    EXPECT_NEAR(cx, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR(cy, GetSystemMetrics(SM_CYSCREEN) / 2, 2);
    EXPECT_NE(h.readStore().find("FirstRun=0"), std::string::npos) << h.readStore();
}

TEST(Resident, ExitFromTheTrayMenuEndsTheProgramAndSavesTheGeometry) {
    e2e::Harness h;
    h.writeStore(e2e::store(0));
    h.start();
    HWND tray = e2e::trayForm(h.processId());
    ASSERT_NE(tray, nullptr);
    PostMessageA(tray, WM_COMMAND, 8 /* Exit */, 0);
    ASSERT_TRUE(h.waitForExit(10s));
    const std::string s = h.readStore();
    EXPECT_NE(s.find("[Position]"), std::string::npos) << s;
    EXPECT_NE(s.find("Width=421"), std::string::npos) << s;
}

TEST(Resident, ALogOffQueryEndsTheProgramWithoutSavingTheGeometry) {
    e2e::Harness h;
    h.writeStore(e2e::store(0));
    h.start();
    HWND tray = e2e::trayForm(h.processId());
    ASSERT_NE(tray, nullptr);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(tray, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(answer, TRUE) << "log-off is never blocked";
    ASSERT_TRUE(h.waitForExit(10s));
    EXPECT_EQ(h.readStore().find("[Position]"), std::string::npos);
}

TEST(Resident, TheIconComesBackWhenTheTaskBarIsCreatedAgain) {
    e2e::NotificationArea area;
    ASSERT_EQ(FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", nullptr), area.window)
        << "another notification area is in front of the test's";
    e2e::Harness h;
    h.writeStore(e2e::store(0));
    h.start();
    ASSERT_TRUE(h.waitFor([] { return e2e::NotificationArea::adds == 1; }, 5s));
    HWND tray = e2e::trayForm(h.processId());
    EXPECT_EQ(e2e::NotificationArea::from, tray);
    // What the shell broadcasts when it restarts.
    PostMessageA(tray, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(h.waitFor([] { return e2e::NotificationArea::adds == 2; }, 5s));
    PostMessageA(tray, WM_COMMAND, 8 /* Exit */, 0);
    ASSERT_TRUE(h.waitForExit(10s));
    EXPECT_EQ(e2e::NotificationArea::deletes, 1) << "Exit removes the icon";
}

TEST(Resident, AShortcutStartWhileResidentRunsItsMacroOnceAndNoTriggerAgain) {
    e2e::Harness h;
    h.writeProgramFile("T.key", "t");
    h.writeProgramFile("X.key", "x");
    h.writeStore(
        e2e::store(2, e2e::macroSection(1, "Trig", 4, 0, "T.key", "Trigger=keyvale trigger window\r\n") +
                          e2e::macroSection(2, "x", 4, 0, "X.key")));
    h.start();
    h.focusTarget();
    HWND trigger = openTriggerWindow("Keyvale Trigger Window");
    ASSERT_TRUE(h.waitFor([&] { return h.editText() == "t"; }, 10s)) << h.editText();
    SecondInstance shortcut(h, "/Open:\"x\" /Close");
    ASSERT_NE(shortcut.pi.hProcess, nullptr);
    EXPECT_TRUE(h.waitFor([&] { return shortcut.ended(); }, 15s)) << "the shortcut's instance ends";
    h.pumpFor(2s);
    EXPECT_EQ(h.editText(), "tx") << "x runs once, and the trigger window, already handled, not again";
    EXPECT_TRUE(h.running());
    DestroyWindow(trigger);
}

TEST(Resident, ASecondResidentInstanceWatchesTriggerWindowsOnlyAfterTheFirstEnds) {
    e2e::Harness h;
    h.writeProgramFile("T.key", "t");
    h.writeStore(
        e2e::store(1, e2e::macroSection(1, "Trig", 4, 0, "T.key", "Trigger=keyvale trigger window\r\n")));
    h.start();
    h.focusTarget();
    HWND first = openTriggerWindow("Keyvale Trigger Window");
    ASSERT_TRUE(h.waitFor([&] { return h.editText() == "t"; }, 10s)) << h.editText();
    // A start that names a macro (none here) stays as a second resident copy.
    SecondInstance second(h, "/Open:\"no such macro\"");
    h.pumpFor(3s);
    EXPECT_EQ(h.editText(), "t") << "the second start keeps the record of the window";
    PostMessageA(e2e::trayForm(h.processId()), WM_COMMAND, 8 /* Exit */, 0);
    ASSERT_TRUE(h.waitForExit(10s));
    h.focusTarget();
    HWND next = openTriggerWindow("Keyvale Trigger Window");
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "tt"; }, 10s)) << "the second instance watches now";
    h.pumpFor(2s);
    EXPECT_EQ(h.editText(), "tt");
    DestroyWindow(next);
    DestroyWindow(first);
}

TEST(Resident, AnUnwritableStoreWithATriggerWindowOpenShowsOneErrorBox) {
    e2e::Harness h;
    h.writeProgramFile("T.key", "t");
    h.writeStore(
        e2e::store(1, e2e::macroSection(1, "Trig", 4, 0, "T.key", "Trigger=keyvale trigger window\r\n")));
    h.start();
    UnwritableStore unwritable(h);
    HWND trigger = openTriggerWindow("Keyvale Trigger Window");
    HWND box = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (box = h.findDialog("Keyvale")) != nullptr; }, 10s));
    h.pumpFor(2s);
    EXPECT_EQ(errorBoxes(h.processId()), 1);
    e2e::Harness::clickButton(box, "OK");
    DestroyWindow(trigger);
}

TEST(Resident, HelpOpensFromAFolderWhoseNameHasABlankAndAHash) {
    e2e::Harness h;
    h.writeStore(e2e::store(0));
    const std::string dir = h.programDir() + "Key #1\\";
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    struct RemovedAtTheEnd {
        std::string dir;
        ~RemovedAtTheEnd() {
            for (const char* name : {"Macros.exe", "Keyvale.html"}) DeleteFileA((dir + name).c_str());
            RemoveDirectoryA(dir.c_str());
        }
    } removed{dir};
    ASSERT_TRUE(CopyFileA((h.programDir() + "Macros.exe").c_str(), (dir + "Macros.exe").c_str(), FALSE));
    h.writeProgramFile("Key #1\\Keyvale.html", "<h2 id=\"Operation\">Operation</h2>");
    HtmlOpensInNotepad notepad;
    SecondInstance keyvale(h, "", dir);
    HWND tray = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (tray = e2e::trayForm(keyvale.pi.dwProcessId)) != nullptr; }, 10s));
    h.pumpFor(500ms);
    PostMessageA(tray, WM_COMMAND, 4 /* Operation */, 0);
    EXPECT_TRUE(h.waitFor([] { return FindWindowA(nullptr, "Keyvale.html - Notepad") != nullptr; }, 15s));
    for (int i = 0; i < 5; ++i) {
        HWND w = FindWindowA("Notepad", nullptr);
        if (!w) break;
        PostMessageA(w, WM_CLOSE, 0, 0);
        h.waitFor([&] { return !IsWindow(w); }, 5s);
    }
}

TEST(Resident, ASecondPlainStartShowsTheResidentManagerAndEnds) {
    e2e::Harness h;
    h.writeStore(e2e::store(0));
    h.start();
    ASSERT_EQ(h.findDialog("Veltrane Keyvale"), nullptr) << "resident, the manager is hidden";
    SecondInstance second(h, "");
    EXPECT_TRUE(h.waitFor([&] { return second.ended(); }, 2s)) << "the second start is still running";
    EXPECT_TRUE(h.waitFor([&] { return h.findDialog("Veltrane Keyvale") != nullptr; }, 2s));
    EXPECT_TRUE(h.running());
}

TEST(Resident, AManagerSavedOffEveryMonitorOpensOnScreen) {
    e2e::Harness h;
    h.writeStore(e2e::store(0, "[Position]\r\nWidth=421\r\nHeight=343\r\nTop=5000\r\nLeft=5000\r\n"));
    h.start();
    PostMessageA(e2e::trayForm(h.processId()), WM_COMMAND, 1 /* Open */, 0);
    HWND manager = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (manager = h.findDialog("Veltrane Keyvale")) != nullptr; }, 10s));
    RECT r;
    GetWindowRect(manager, &r);
    EXPECT_GE(r.left, 0);
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LE(r.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(r.right - r.left, 421);
}
