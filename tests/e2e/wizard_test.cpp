// The setup wizard of the real Macros.exe, opened from the manager window's
// New Macro button and driven as a user would: clicks on its buttons, real
// keys typed into its fields and its hot-key control.

#include <gtest/gtest.h>

#include "harness.hpp"
#include "remote_controls.hpp"
#include "screenshot.hpp"
// After windows.h, which harness.hpp brings.
#include <commctrl.h>
#include <shlobj.h>

#include <cstdlib>

using namespace std::chrono_literals;

namespace {

constexpr const char* kWizard = "Macro Setup Wizard";

// The visible edit controls (or hot-key controls) of the dialog, in creation order.
std::vector<HWND> visibleOfClass(HWND dialog, const char* cls) {
    std::pair<const char*, std::vector<HWND>> s{cls, {}};
    EnumChildWindows(
        dialog,
        [](HWND h, LPARAM lp) -> BOOL {
            auto& s = *reinterpret_cast<std::pair<const char*, std::vector<HWND>>*>(lp);
            char c[64] = {};
            GetClassNameA(h, c, sizeof c);
            if (IsWindowVisible(h) && lstrcmpiA(c, s.first) == 0) s.second.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.second;
}

struct WizardDriver {
    e2e::Harness& h;
    HWND wizard = nullptr;

    HWND manager() { return h.findDialog("Veltrane Keyvale"); }

    // Starts the program on its first run, so the manager window shows, and
    // opens the wizard with New Macro.
    void open() {
        if (!h.running()) h.start();
        ASSERT_TRUE(h.waitFor([&] { return manager() != nullptr; }, 10s));
        e2e::Harness::clickButton(manager(), "New Macro");
        ASSERT_TRUE(h.waitFor([&] { return (wizard = h.findDialog(kWizard)) != nullptr; }, 10s));
        h.pumpFor(300ms);
    }
    // A click on a visible button, radio button or check box of the wizard.
    void click(const std::string& caption, HWND dialog = nullptr) {
        HWND b = e2e::visibleChild(dialog ? dialog : wizard, "Button", caption);
        ASSERT_NE(b, nullptr) << caption;
        PostMessageA(b, BM_CLICK, 0, 0);
        h.pumpFor(300ms);
    }
    bool showing(const std::string& staticText) {
        return e2e::visibleChild(wizard, "Static", staticText) != nullptr;
    }
    // A real mouse click into a control, which takes the focus.
    void clickInto(HWND control) {
        // A click on an inactive window activates it; a bare X server has no window manager to do it.
        SetForegroundWindow(GetAncestor(control, GA_ROOT));
        h.pumpFor(100ms);
        RECT r;
        GetWindowRect(control, &r);
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
        mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
        h.pumpFor(200ms);
    }
    void type(const std::string& text) {
        for (char c : text) {
            if (c == '\n') {
                // The script box breaks a line on Ctrl+Enter; Enter alone presses the default button.
                h.keyDown(VK_CONTROL);
                h.keyDown(VK_RETURN);
                h.keyUp(VK_RETURN);
                h.keyUp(VK_CONTROL);
                continue;
            }
            const SHORT k = VkKeyScanA(c);
            const bool shift = (k >> 8) & 1;
            if (shift) h.keyDown(VK_SHIFT);
            h.keyDown(static_cast<BYTE>(k & 0xFF));
            h.keyUp(static_cast<BYTE>(k & 0xFF));
            if (shift) h.keyUp(VK_SHIFT);
        }
        h.pumpFor(200ms);
    }
    // Types into the nth visible edit control of the wizard.
    void typeInto(int nth, const std::string& text) {
        const auto edits = visibleOfClass(wizard, "Edit");
        ASSERT_GT(edits.size(), static_cast<std::size_t>(nth));
        clickInto(edits[static_cast<std::size_t>(nth)]);
        type(text);
    }
    // The error or message box of the program: its text, after which OK or the answer closes it.
    // (A posted BM_CLICK hides a message box under Wine without ending it, so keys answer it.)
    std::string answerBox(const std::string& button) {
        HWND box = nullptr;
        EXPECT_TRUE(h.waitFor([&] { return (box = h.findDialog("Keyvale")) != nullptr; }, 10s));
        if (!box) return "";
        const std::string text = e2e::Harness::dialogText(box);
        // The keys a user answers with: Enter for OK, the mnemonic for Yes and No.
        const BYTE key = button == "OK" ? VK_RETURN : static_cast<BYTE>(button[1]);
        h.tap(key);
        h.waitFor([&] { return !IsWindow(box); }, 5s);
        return text;
    }
    // The name page to the triggers page, with a hot key typed into its control.
    void nameAndHotKey(const std::string& name, std::vector<BYTE> modifiers, BYTE key) {
        click("&Next >");
        type(name);
        click("&Next >");
        ASSERT_TRUE(showing("Select Triggers"));
        hotKey(modifiers, key);
    }
    // Keys pressed into the focused control.
    void hotKey(const std::vector<BYTE>& modifiers, BYTE key) {
        h.pressHotKey(modifiers, key);
        h.pumpFor(200ms);
    }
    // A keystroke macro of that name and Ctrl+Alt hot key, up to its recording page.
    void toKeystrokeRecording(const std::string& name, BYTE key) {
        click("&Playback mouse movements, clicks, and keystrokes.");
        nameAndHotKey(name, {VK_CONTROL, VK_MENU}, key);
        click("&Next >");
        click("&Next >");
    }
    // A mouse-and-keyboard macro of that name and Ctrl+Alt hot key, up to its recording's start.
    void startMouseRecording(const std::string& name, BYTE key) {
        click("&Playback mouse movements, clicks, and keystrokes.");
        nameAndHotKey(name, {VK_CONTROL, VK_MENU}, key);
        click("&Next >");
        click("Capture all mouse and keyboard actions.");
        click("&Next >");
        ASSERT_TRUE(showing("Record Mouse and Keyboard"));
        click("&Start Recording");
    }
    void finish() {
        click("&Next >");
        ASSERT_TRUE(showing("Finished"));
        click("&Finished");
        ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(wizard); }, 5s));
        h.pumpFor(500ms);
    }
    e2e::RemoteListView list() {
        return e2e::RemoteListView(FindWindowExA(manager(), nullptr, WC_LISTVIEWA, nullptr));
    }
};

// Points the user's Desktop folder into the test's directory while it lives,
// so that a shortcut never reaches the real desktop.
class DesktopInto {
public:
    explicit DesktopInto(const std::string& folder) {
        CreateDirectoryA(folder.c_str(), nullptr);
        RegCreateKeyExA(HKEY_CURRENT_USER,
                        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        DWORD size = sizeof old_;
        hadOld_ = RegQueryValueExA(key_, "Desktop", nullptr, &type_, reinterpret_cast<BYTE*>(old_), &size) ==
                  ERROR_SUCCESS;
        RegSetValueExA(key_, "Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>(folder.size() + 1));
    }
    ~DesktopInto() {
        if (hadOld_)
            RegSetValueExA(key_, "Desktop", 0, type_, reinterpret_cast<const BYTE*>(old_),
                           static_cast<DWORD>(lstrlenA(old_) + 1));
        else
            RegDeleteValueA(key_, "Desktop");
        RegCloseKey(key_);
    }

private:
    HKEY key_ = nullptr;
    char old_[MAX_PATH] = {};
    DWORD type_ = REG_EXPAND_SZ;
    bool hadOld_ = false;
};

bool holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(Wizard, AnAdvancedMacroIsStoredListedAndRunsFromItsHotKey) {
    e2e::Harness h;
    h.writeStore(e2e::store(0, "", "Show Hints=0\r\n"));
    WizardDriver w{h};
    w.open();
    w.nameAndHotKey("Greeting", {VK_MENU}, 'N');
    // Alt+N in the hot-key field is a hot key, not the mnemonic of Next.
    ASSERT_TRUE(w.showing("Select Triggers"));
    w.hotKey({VK_CONTROL, VK_MENU}, 'G');
    w.typeInto(0, "Some Window");
    w.click("&Next >");
    ASSERT_TRUE(w.showing("Create an advanced macro"));
    w.typeInto(0, "hello\nworld");
    w.finish();

    const std::string ini = h.readStore();
    EXPECT_TRUE(holds(ini, "Entries=1")) << ini;
    EXPECT_TRUE(
        holds(ini, "[Macro1]\r\nName=Greeting\r\nType=4\r\nHotKey=" + std::to_string(e2e::ctrlAlt('G')) +
                       "\r\nFileName=Greeting.key\r\nTrigger=Some Window\r\n"))
        << ini;
    EXPECT_EQ(h.readProgramFile("Greeting.key"), "hello\r\nworld\r\n");
    const e2e::RemoteListView list = w.list();
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.text(0, 0), "Greeting");
    EXPECT_EQ(list.text(0, 1), "Ctrl+Alt+G");

    h.focusTarget();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'G');
    // How a line break is typed is the interpreter's; the lines arrive in order.
    EXPECT_TRUE(h.waitFor([&] { return holds(h.editText(), "world"); }, 10s)) << h.editText();
    EXPECT_EQ(h.editText().rfind("hello\r\n", 0), 0u) << h.editText();
}

TEST(Wizard, AKeystrokeRecordingBecomesAKindTwoMacroThatReplaysFromItsHotKey) {
    e2e::Harness h;
    h.writeStore(e2e::store(0, "", "Show Hints=0\r\n"));
    WizardDriver w{h};
    w.open();
    w.toKeystrokeRecording("Typed", 'T');
    ASSERT_TRUE(w.showing("Record Keystrokes"));
    EXPECT_FALSE(IsWindowEnabled(e2e::visibleChild(w.wizard, "Button", "&Next >")));
    w.click("&Start Recording");
    h.focusTarget();
    w.type("hello");
    h.pumpFor(300ms);
    w.click("Stop &Recording");
    EXPECT_TRUE(IsWindowEnabled(e2e::visibleChild(w.wizard, "Button", "&Next >")));
    // Trying it out replays the recorded keys, and the end of the replay enables Playback again.
    HWND playback = e2e::visibleChild(w.wizard, "Button", "&Playback");
    h.clearKeys();
    w.click("&Playback");
    EXPECT_TRUE(h.waitFor([&] { return h.injectedKeys() == "48+ 48- 45+ 45- 4C+ 4C- 4C+ 4C- 4F+ 4F-"; }, 10s))
        << h.injectedKeys();
    EXPECT_TRUE(h.waitFor([&] { return IsWindowEnabled(playback) != FALSE; }, 5s));
    // The replay types into the wizard's own scratch area, which Playback focuses.
    const auto areas = visibleOfClass(w.wizard, "Edit");
    ASSERT_EQ(areas.size(), 1u);
    EXPECT_TRUE(h.waitFor([&] { return e2e::windowText(areas[0]) == "hello"; }, 5s))
        << e2e::windowText(areas[0]);
    w.finish();
    const std::string ini = h.readStore();
    EXPECT_TRUE(holds(ini, "Name=Typed\r\nType=2\r\nHotKey=" + std::to_string(e2e::ctrlAlt('T')) +
                               "\r\nFileName=Typed.dat\r\nTrigger=\r\n"))
        << ini;
    EXPECT_FALSE(holds(ini, "Speed"));

    h.focusTarget();
    h.clearEdit();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'T');
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "hello"; }, 10s)) << h.editText();
}

TEST(Wizard, TheStopKeyEndsAMouseRecordingAndBringsTheWizardBackOnTop) {
    e2e::Harness h;
    h.writeStore(e2e::store(0, "", "Show Hints=0\r\n"));
    WizardDriver w{h};
    w.open();
    w.startMouseRecording("Moves", 'M');
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(w.wizard) && !w.manager(); }, 5s));
    h.focusTarget();
    w.type("ab");
    h.pressHotKey({VK_SHIFT, VK_CONTROL}, VK_F12);
    EXPECT_TRUE(
        h.waitFor([&] { return IsWindowVisible(w.wizard) && GetForegroundWindow() == w.wizard; }, 5s));
    EXPECT_TRUE(w.manager() != nullptr);
    EXPECT_TRUE(w.showing("Record Mouse and Keyboard"));
    w.click("Play this macro back at high speed.");
    w.finish();
    const std::string ini = h.readStore();
    EXPECT_TRUE(holds(ini, "Name=Moves\r\nType=3\r\n")) << ini;
    EXPECT_TRUE(holds(ini, "FileName=Moves.dat\r\nTrigger=\r\nSpeed=2\r\n")) << ini;
    EXPECT_TRUE(h.programFileExists("Moves.dat"));
}

TEST(Wizard, EscEndsThePlaybackOfARecordingAndTheProgramGoesOnWorking) {
    e2e::Harness h;
    h.writeProgramFile("ok.key", "ok");
    h.writeStore(
        e2e::store(1, e2e::macroSection(1, "Ok", 4, e2e::ctrlAlt('J'), "ok.key"), "Show Hints=0\r\n"));
    WizardDriver w{h};
    w.open();
    w.startMouseRecording("Long", 'L');
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(w.wizard); }, 5s));
    h.pressHotKey({VK_SHIFT, VK_CONTROL}, VK_F12);
    ASSERT_TRUE(h.waitFor([&] { return IsWindowVisible(w.wizard) != FALSE; }, 5s));
    // What Playback tries out: 10 s at the recorded speed, of letters that
    // press no button of the page where the wizard has the keys.
    // The wizard records into a file of its own until Finish.
    h.writeProgramFile("~new.dat", e2e::longRecording("DEFGHIKLMO"));
    HWND playback = e2e::visibleChild(w.wizard, "Button", "&Playback");
    ASSERT_NE(playback, nullptr);
    w.click("&Playback");
    ASSERT_TRUE(h.escapeAReplay()) << h.editText();
    EXPECT_EQ(h.stillHeld(), "");
    EXPECT_LT(h.editText().size(), 900u) << "the replay went on";
    EXPECT_TRUE(h.waitFor([&] { return IsWindowEnabled(playback) != FALSE; }, 5s));
    // Keyvale is still there and works.
    ASSERT_TRUE(h.running());
    // When the wizard has the keys, Esc is its Cancel as well, which asks first.
    if (HWND question = h.findDialog("Keyvale")) {
        EXPECT_TRUE(holds(e2e::Harness::dialogText(question), "Are you sure you want to exit the wizard?"));
        PostMessageA(question, WM_COMMAND, IDNO, 0);
        ASSERT_TRUE(h.waitFor([&] { return !IsWindow(question); }, 5s));
    }
    w.finish();
    h.focusTarget();
    h.clearEdit();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'J');
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "ok"; }, 10s)) << h.editText();
}

TEST(Wizard, AStartApplicationMacroKeepsTheProgramAsTyped) {
    e2e::Harness h;
    h.writeStore(e2e::store(0, "", "Show Hints=0\r\n"));
    WizardDriver w{h};
    w.open();
    w.click("&Start an Application or Launch a Document");
    w.nameAndHotKey("Editor", {VK_CONTROL, VK_MENU}, 'E');
    w.click("&Next >");
    ASSERT_TRUE(w.showing("Start an Application"));
    w.typeInto(0, "notepad.exe letter.txt");
    w.finish();
    EXPECT_TRUE(holds(h.readStore(), "Name=Editor\r\nType=1\r\nHotKey=" + std::to_string(e2e::ctrlAlt('E')) +
                                         "\r\nFileName=notepad.exe letter.txt\r\n"))
        << h.readStore();
}

TEST(Wizard, FinishMakesTheChosenShortcut) {
    e2e::Harness h;
    h.writeStore(e2e::store(0, "", "Show Hints=0\r\n"));
    const std::string desktop = h.programDir() + "Desktop";
    DesktopInto redirect(desktop);
    WizardDriver w{h};
    w.open();
    w.click("&Start an Application or Launch a Document");
    w.nameAndHotKey("Linked", {VK_CONTROL, VK_MENU}, 'L');
    SendMessageA(visibleOfClass(w.wizard, "ComboBox").at(0), CB_SETCURSEL, 1, 0);  // "On Desktop"
    w.click("&Next >");
    w.typeInto(0, "notepad.exe");
    w.finish();
    const std::string lnk = desktop + "\\Linked.lnk";
    EXPECT_TRUE(h.waitFor([&] { return GetFileAttributesA(lnk.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10s));
    EXPECT_EQ(h.findDialog("Keyvale"), nullptr);
    DeleteFileA(lnk.c_str());
    RemoveDirectoryA(desktop.c_str());
}

TEST(Wizard, RefusedNamesAndProgramsAndCancelShowTheirMessages) {
    e2e::Harness h;
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Notes", 1, 0, "notepad.exe"), "Show Hints=0\r\n"));
    WizardDriver w{h};
    w.open();
    w.click("&Start an Application or Launch a Document");
    w.click("&Next >");
    w.click("&Next >");
    EXPECT_EQ(w.answerBox("OK"), "Please type a name for this macro.");
    w.typeInto(0, "notes ");
    w.click("&Next >");
    EXPECT_EQ(w.answerBox("OK"), "You have selected a name of an existing macro, please select another.");
    EXPECT_TRUE(w.showing("Name Your Macro"));
    w.type("2");
    w.click("&Next >");
    w.click("&Next >");
    w.click("&Next >");
    EXPECT_EQ(w.answerBox("OK"),
              "Please specify an application or document to launch.  You can search for files by selecting "
              "'Browse'.");
    EXPECT_TRUE(w.showing("Start an Application"));
    w.click("&Cancel");
    EXPECT_EQ(
        w.answerBox("&No"),
        "The Macro Setup Wizard has not finished creating your macro.  Are you sure you want to exit the "
        "wizard?");
    EXPECT_TRUE(IsWindowVisible(w.wizard));
    EXPECT_TRUE(w.showing("Start an Application"));
    w.click("&Cancel");
    w.answerBox("&Yes");
    EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(w.wizard); }, 5s));
    EXPECT_FALSE(holds(h.readStore(), "Macro2"));
}

TEST(Wizard, UntickingShowHintsWritesItOffAndAHotKeyRunsNothingWhileTheWizardIsOpen) {
    e2e::Harness h;
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Say", 4, e2e::ctrlAlt('K'), "Say.key"), ""));
    h.writeProgramFile("Say.key", "said\r\n");
    WizardDriver w{h};
    w.open();
    h.focusTarget();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    h.pumpFor(1500ms);
    EXPECT_EQ(h.editText(), "");

    w.click("&Start an Application or Launch a Document");
    w.click("&Next >");
    w.typeInto(0, "Browser");
    w.click("&Next >");
    w.click("&Next >");
    w.click("&Browse");
    HWND hint = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (hint = h.findDialog("Keyvale Hints")) != nullptr; }, 5s));
    w.click("Show hints", hint);
    w.click("&OK", hint);
    HWND open = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (open = h.findDialog("Open")) != nullptr; }, 10s));
    PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
    h.waitFor([&] { return h.findDialog("Open") == nullptr; }, 5s);
    EXPECT_TRUE(holds(h.readStore(), "Show Hints=0")) << h.readStore();
    w.click("&Cancel");
    w.answerBox("&Yes");
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(w.wizard); }, 5s));
    h.focusTarget();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    EXPECT_TRUE(h.waitFor([&] { return holds(h.editText(), "said"); }, 10s)) << h.editText();
}

TEST(Wizard, ScreenshotOfEveryPageAndTheHintWindow) {
    e2e::Harness h;
    h.writeStore(e2e::store(0, "", ""));
    WizardDriver w{h};
    w.open();
    auto shot = [&](const char* name) {
        h.pumpFor(300ms);
        e2e::saveScreenshot(w.wizard, name);
    };
    shot("wizard-start");
    w.click("&Playback mouse movements, clicks, and keystrokes.");
    w.click("&Next >");
    w.type("Morning mail");
    shot("wizard-name");
    w.click("&Next >");
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'M');
    w.typeInto(0, "Inbox - Mail");
    shot("wizard-triggers");
    w.click("&Next >");
    shot("wizard-keys-or-mouse");
    w.click("&Next >");
    shot("wizard-record-keys");
    w.click("< &Back");
    w.click("Capture all mouse and keyboard actions.");
    w.click("&Next >");
    shot("wizard-record-mouse");
    w.click("< &Back");
    w.click("< &Back");
    w.click("< &Back");
    w.click("< &Back");
    w.click("&Create a macro using advanced options.");
    w.click("&Next >");
    w.click("&Next >");
    w.click("&Next >");
    w.typeInto(0, "Good morning,\n\nthe mail of today:\n");
    shot("wizard-script");
    w.click("< &Back");
    w.click("< &Back");
    w.click("< &Back");
    w.click("< &Back");
    w.click("&Start an Application or Launch a Document");
    w.click("&Next >");
    w.click("&Next >");
    w.click("&Next >");
    w.typeInto(0, "mailto:someone@example.com");
    shot("wizard-start-application");
    w.click("&Next >");
    shot("wizard-finished");
    w.click("< &Back");
    w.click("&Browse");
    HWND hint = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (hint = h.findDialog("Keyvale Hints")) != nullptr; }, 5s));
    h.pumpFor(300ms);
    e2e::saveScreenshot(hint, "wizard-hint");
    w.click("&OK", hint);
    HWND open = nullptr;
    if (h.waitFor([&] { return (open = h.findDialog("Open")) != nullptr; }, 10s))
        PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
}

namespace {

// The user's own Keyvale folder (%APPDATA%\Keyvale\), empty before the test
// and removed after it: a store left there would be every later test's store.
struct UserKeyvaleFolder {
    std::string path;
    UserKeyvaleFolder() {
        char appData[MAX_PATH] = {};
        SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
        path = std::string(appData) + "\\Keyvale\\";
        empty();
    }
    ~UserKeyvaleFolder() {
        empty();
        RemoveDirectoryA(path.c_str());
    }
    void empty() const {
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((path + "*").c_str(), &fd);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((path + fd.cFileName).c_str());
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    bool has(const std::string& name) const {
        return GetFileAttributesA((path + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
};

}  // namespace

// Installed under Program Files, a standard user cannot write beside
// Macros.exe: what the wizard makes goes to the user's folder, and a macro
// whose file came with the program still runs, is renamed and deleted.
TEST(ReadOnlyProgramFolder, NewMacrosGoToTheUsersFolderAndShippedOnesKeepWorking) {
    const char* mounted = std::getenv("KV_READONLY_DIR");
    if (!mounted) GTEST_SKIP() << "KV_READONLY_DIR is not set";
    std::string dir = mounted;
    for (char& c : dir)
        if (c == '/') c = '\\';
    dir += "\\";
    HANDLE probe =
        CreateFileA((dir + "probe.tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        DeleteFileA((dir + "probe.tmp").c_str());
        GTEST_SKIP() << "the program folder is writable: mounting it read-only needs root";
    }
    UserKeyvaleFolder user;
    e2e::Harness h;
    h.useProgramDir(dir);
    h.writeStore(e2e::store(3,
                            e2e::macroSection(1, "Shipped", 4, e2e::ctrlAlt('S'), "Shipped.key") +
                                e2e::macroSection(2, "Notes", 1, 0, "notepad.exe") +
                                e2e::macroSection(3, "Other", 4, 0, "Other.key"),
                            "Show Hints=0\r\n"));
    WizardDriver w{h};
    w.open();
    w.nameAndHotKey("Greeting", {VK_CONTROL, VK_MENU}, 'G');
    w.click("&Next >");
    ASSERT_TRUE(w.showing("Create an advanced macro"));
    w.typeInto(0, "hello");
    w.finish();
    w.open();
    w.toKeystrokeRecording("Typed", 'T');
    ASSERT_TRUE(w.showing("Record Keystrokes"));
    w.click("&Start Recording");
    h.focusTarget();
    w.type("abc");
    h.pumpFor(300ms);
    w.click("Stop &Recording");
    w.finish();
    EXPECT_EQ(e2e::readFile(user.path + "Greeting.key"), "hello\r\n");
    EXPECT_TRUE(user.has("Typed.dat"));
    EXPECT_EQ(h.storeValue(4, "FileName"), "Greeting.key");
    EXPECT_EQ(h.storeValue(5, "FileName"), "Typed.dat");

    const auto runs = [&](char key, const std::string& text) {
        h.focusTarget();
        h.clearEdit();
        h.pressHotKey({VK_CONTROL, VK_MENU}, static_cast<BYTE>(key));
        return h.waitFor([&] { return h.editText() == text; }, 10s);
    };
    EXPECT_TRUE(runs('S', "shipped")) << h.editText();
    EXPECT_TRUE(runs('G', "hello")) << h.editText();
    EXPECT_TRUE(runs('T', "abc")) << h.editText();

    // Renamed, the shipped script is copied into the user's folder under the new name.
    e2e::RemoteListView list = w.list();
    list.doubleClick(0);
    HWND dialog = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (dialog = h.findDialog("Macro Properties")) != nullptr; }, 10s));
    h.pumpFor(200ms);
    SendMessageA(e2e::findChild(dialog, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Renamed"));
    PostMessageA(e2e::button(dialog, "&OK"), BM_CLICK, 0, 0);
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(dialog); }, 5s));
    EXPECT_EQ(h.storeValue(1, "FileName"), "Renamed.key");
    EXPECT_EQ(e2e::readFile(user.path + "Renamed.key"), "shipped");
    EXPECT_TRUE(runs('S', "shipped")) << h.editText();

    // Deleted, a macro the wizard made takes its file with it.
    list.click(3);
    h.pumpFor(300ms);
    PostMessageA(e2e::button(w.manager(), "Delete Macro"), BM_CLICK, 0, 0);
    EXPECT_EQ(w.answerBox("&Yes"), "Are you sure you want to delete this macro?");
    EXPECT_TRUE(h.waitFor([&] { return !user.has("Greeting.key"); }, 5s));
    EXPECT_EQ(h.storeValue(4, "Name"), "Typed");
}
