// The macro properties dialog, opened from the manager window's list as a user
// does (a double click on the row) and operated by its controls. The stores
// have no FirstRun key, so the manager window shows at start.

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include "harness.hpp"
#include "remote_controls.hpp"
#include "screenshot.hpp"

using namespace std::chrono_literals;

namespace {

HWND child(HWND parent, const char* cls, int index) {
    HWND h = nullptr;
    for (int i = 0; i <= index; ++i) {
        h = FindWindowExA(parent, h, cls, nullptr);
        if (!h) return nullptr;
    }
    return h;
}

void setText(HWND h, const std::string& t) {
    SendMessageA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
}

// The dialog's edit boxes in their order: name, file name, scratch area,
// pause between keys, window title.
enum EditBox { kName = 0, kFileName = 1, kScratch = 2, kKeyDelay = 3, kWindowTitle = 4 };

class PropertiesRun {
public:
    explicit PropertiesRun(e2e::Harness& h) : h_(h) {}

    // Opens the dialog for the row of the manager's list, by a double click
    // on it or by selecting it and pressing Edit Macro, and waits for it.
    HWND open(int row, bool editButton = false) {
        HWND manager = nullptr;
        EXPECT_TRUE(
            h_.waitFor([&] { return (manager = h_.findDialog("Veltrane Keyvale")) != nullptr; }, 10s));
        e2e::RemoteListView list(FindWindowExA(manager, nullptr, WC_LISTVIEWA, nullptr));
        if (editButton) {
            list.click(row);
            h_.pumpFor(300ms);
            PostMessageA(e2e::button(manager, "Edit Macro"), BM_CLICK, 0, 0);
        } else {
            list.doubleClick(row);
        }
        HWND dialog = nullptr;
        EXPECT_TRUE(h_.waitFor([&] { return (dialog = h_.findDialog("Macro Properties")) != nullptr; }, 10s));
        h_.pumpFor(200ms);
        return dialog;
    }

    // Clicks a button of the dialog without waiting for what it opens.
    void press(HWND dialog, const std::string& caption) { h_.press(dialog, caption); }

    // Presses a button and waits for the dialog to close.
    void close(HWND dialog, const std::string& caption) {
        press(dialog, caption);
        EXPECT_TRUE(h_.waitFor([&] { return !IsWindowVisible(dialog); }, 5s)) << caption;
        h_.pumpFor(200ms);
    }

    // The standard error box with the message, closed with its OK button.
    std::string takeErrorBox() {
        HWND box = nullptr;
        h_.waitFor(
            [&] {
                box = FindWindowA("#32770", "Keyvale");
                return box && IsWindowVisible(box);
            },
            5s);
        if (!box) return "(no error box)";
        const std::string message = e2e::Harness::dialogText(box);
        PostMessageA(e2e::button(box, "OK"), BM_CLICK, 0, 0);
        h_.waitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5s);
        return message;
    }

    void typeKeys(const std::string& upperCaseLetters) {
        for (char c : upperCaseLetters) h_.tap(static_cast<BYTE>(c));
    }

private:
    e2e::Harness& h_;
};

}  // namespace

TEST(Properties, RenamingAMouseMacroRenamesItsStream) {
    e2e::Harness h;
    h.writeProgramFile("Alpha.dat", "stream of Alpha");
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Alpha", 3, 0, "Alpha.dat", "Speed=2\r\n"), ""));
    h.start();
    PropertiesRun run(h);
    HWND dialog = run.open(0, true);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(e2e::windowText(child(dialog, "Edit", kName)), "Alpha");
    setText(child(dialog, "Edit", kName), "Beta");
    run.close(dialog, "&OK");
    EXPECT_EQ(h.storeValue(1, "Name"), "Beta");
    EXPECT_EQ(h.storeValue(1, "FileName"), "Beta.dat");
    EXPECT_EQ(h.storeValue(1, "Speed"), "2");
    EXPECT_EQ(h.readProgramFile("Beta.dat"), "stream of Alpha");
    EXPECT_FALSE(h.programFileExists("Alpha.dat"));
}

TEST(Properties, RecordingAgainThenCancelChangesNothing_ThenWhileRenamingReplacesTheStream) {
    e2e::Harness h;
    h.writeProgramFile("Keys.dat", "old stream");
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Keys", 2, e2e::ctrlAlt('J'), "Keys.dat"), ""));
    h.start();
    const std::string before = h.readStore();
    PropertiesRun run(h);
    HWND dialog = run.open(0);
    ASSERT_NE(dialog, nullptr);
    run.press(dialog, "&Start Recording");
    EXPECT_FALSE(IsWindowEnabled(e2e::button(dialog, "&OK")));
    EXPECT_FALSE(IsWindowEnabled(e2e::button(dialog, "&Cancel")));
    run.typeKeys("QX");
    run.press(dialog, "Stop &Recording");
    EXPECT_TRUE(h.programFileExists("~temp.dat"));
    run.close(dialog, "&Cancel");
    EXPECT_EQ(h.readStore(), before);
    EXPECT_EQ(h.readProgramFile("Keys.dat"), "old stream");

    dialog = run.open(0);
    ASSERT_NE(dialog, nullptr);
    run.press(dialog, "&Start Recording");
    run.typeKeys("HI");
    run.press(dialog, "Stop &Recording");
    setText(child(dialog, "Edit", kName), "Greeting");
    run.close(dialog, "&OK");
    EXPECT_FALSE(h.programFileExists("Keys.dat"));
    EXPECT_FALSE(h.programFileExists("~temp.dat"));
    EXPECT_EQ(h.storeValue(1, "FileName"), "Greeting.dat");
    // The new recording is the macro now.
    h.focusTarget();
    h.clearEdit();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'J');
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "hi"; }, 10s)) << h.editText();
}

TEST(Properties, PlaybackReplaysTheMacroBeforeARecordingAndTheNewOneAfter) {
    e2e::Harness h;
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Keys", 2, 0, "Keys.dat"), ""));
    h.start();
    PropertiesRun run(h);
    // The macro's own stream, recorded in a first opening.
    HWND dialog = run.open(0);
    ASSERT_NE(dialog, nullptr);
    run.press(dialog, "&Start Recording");
    run.typeKeys("AB");
    run.press(dialog, "Stop &Recording");
    run.close(dialog, "&OK");

    dialog = run.open(0);
    ASSERT_NE(dialog, nullptr);
    HWND scratch = child(dialog, "Edit", kScratch);
    run.press(dialog, "&Playback");
    EXPECT_TRUE(h.waitFor([&] { return e2e::windowText(scratch) == "ab"; }, 10s)) << e2e::windowText(scratch);
    run.press(dialog, "&Start Recording");
    run.typeKeys("CD");
    run.press(dialog, "Stop &Recording");
    setText(scratch, "");
    run.press(dialog, "&Playback");
    EXPECT_TRUE(h.waitFor([&] { return e2e::windowText(scratch) == "cd"; }, 10s)) << e2e::windowText(scratch);
    run.close(dialog, "&Cancel");
}

TEST(Properties, EscEndsAPlaybackFromTheDialogAndTheProgramGoesOnWorking) {
    e2e::Harness h;
    h.writeProgramFile("Long.dat", e2e::longRecording());
    h.writeProgramFile("ok.key", "ok");
    h.writeStore(e2e::store(2,
                            e2e::macroSection(1, "Long", 3, 0, "Long.dat", "Speed=1\r\n") +
                                e2e::macroSection(2, "Ok", 4, e2e::ctrlAlt('J'), "ok.key"),
                            ""));
    h.start();
    PropertiesRun run(h);
    HWND dialog = run.open(0);
    ASSERT_NE(dialog, nullptr);
    run.press(dialog, "&Playback");
    ASSERT_TRUE(h.escapeAReplay()) << h.editText();
    EXPECT_EQ(h.stillHeld(), "");
    EXPECT_LT(h.editText().size(), 900u) << "the replay went on";
    // Keyvale is still there and works.
    ASSERT_TRUE(h.running());
    run.close(dialog, "&Cancel");
    h.focusTarget();
    h.clearEdit();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'J');
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "ok"; }, 10s)) << h.editText();
}

TEST(Properties, AMouseRecordingHidesTheWindowsUntilStopped) {
    e2e::Harness h;
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Mouse", 3, 0, "Mouse.dat", "Speed=1\r\n"), ""));
    h.start();
    PropertiesRun run(h);
    HWND dialog = run.open(0);
    ASSERT_NE(dialog, nullptr);
    HWND manager = h.findDialog("Veltrane Keyvale");
    run.press(dialog, "&Start Recording");
    EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(dialog) && !IsWindowVisible(manager); }, 5s));
    // The user's own Stop: the button of the hidden dialog.
    run.press(dialog, "Stop &Recording");
    EXPECT_TRUE(h.waitFor([&] { return IsWindowVisible(dialog) && IsWindowVisible(manager); }, 5s));
    EXPECT_TRUE(IsWindowEnabled(e2e::button(dialog, "&OK")));
    EXPECT_TRUE(h.programFileExists("~temp.dat"));
    run.close(dialog, "&OK");
    EXPECT_TRUE(h.programFileExists("Mouse.dat"));
    EXPECT_FALSE(h.programFileExists("~temp.dat"));
}

TEST(Properties, ANewHotKeyIsLiveAtOnceAndTheOldOneFree_AnEmptyTitleRemovesTheTrigger) {
    e2e::Harness h;
    h.writeProgramFile("Say.key", "said\r\n");
    h.writeStore(e2e::store(
        1, e2e::macroSection(1, "Say", 4, e2e::ctrlAlt('A'), "Say.key", "Trigger=Some window\r\n"), ""));
    h.start();
    PropertiesRun run(h);
    HWND dialog = run.open(0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(e2e::windowText(child(dialog, "Edit", kWindowTitle)), "Some window");
    SendMessageA(FindWindowExA(dialog, nullptr, HOTKEY_CLASSA, nullptr), HKM_SETHOTKEY,
                 MAKEWORD('B', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
    setText(child(dialog, "Edit", kWindowTitle), "");
    run.close(dialog, "&OK");
    EXPECT_EQ(h.storeValue(1, "Trigger"), "");
    EXPECT_EQ(h.storeValue(1, "HotKey"), std::to_string(e2e::ctrlAlt('B')));

    h.focusTarget();
    h.clearEdit();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'A');
    h.pumpFor(1s);
    EXPECT_EQ(h.editText(), "");
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'B');
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "said"; }, 10s)) << h.editText();
}

TEST(Properties, AScriptsWayOfArrivingAndItsPauseAreKeptOnOk) {
    e2e::Harness h;
    h.writeProgramFile("Say.key", "said\r\n");
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Say", 4, 0, "Say.key"), ""));
    h.start();
    PropertiesRun run(h);
    HWND dialog = run.open(0);
    ASSERT_NE(dialog, nullptr);
    HWND way = FindWindowExA(dialog, nullptr, "ComboBox", nullptr);
    HWND keys = FindWindowExA(dialog, way, "ComboBox", nullptr);
    ASSERT_TRUE(way && keys);
    EXPECT_EQ(SendMessageA(way, CB_GETCURSEL, 0, 0), 0);  // a macro from before types
    EXPECT_EQ(e2e::windowText(child(dialog, "Edit", kKeyDelay)), "0");
    SendMessageA(way, CB_SETCURSEL, 1, 0);
    SendMessageA(keys, CB_SETCURSEL, 1, 0);
    setText(child(dialog, "Edit", kKeyDelay), "20");
    run.close(dialog, "&OK");
    EXPECT_EQ(h.storeValue(1, "Insert"), "paste");
    EXPECT_EQ(h.storeValue(1, "PasteKeys"), "shift-insert");
    EXPECT_EQ(h.storeValue(1, "KeyDelay"), "20");
}

TEST(Properties, RenamingOntoAnotherMacroIsRefused_TheCloseBoxWritesNothing) {
    e2e::Harness h;
    h.writeProgramFile("Alpha.dat", "stream of Alpha");
    h.writeProgramFile("Beta.dat", "stream of Beta");
    h.writeStore(e2e::store(
        2, e2e::macroSection(1, "Alpha", 2, 0, "Alpha.dat") + e2e::macroSection(2, "Beta", 2, 0, "Beta.dat"),
        ""));
    h.start();
    const std::string before = h.readStore();
    PropertiesRun run(h);
    HWND dialog = run.open(0);
    ASSERT_NE(dialog, nullptr);
    setText(child(dialog, "Edit", kName), "BETA ");
    run.press(dialog, "&OK");
    EXPECT_EQ(run.takeErrorBox(), "You have selected a name of an existing macro, please select another.");
    EXPECT_TRUE(IsWindowVisible(dialog));
    setText(child(dialog, "Edit", kName), "Gamma");
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(dialog); }, 5s));
    h.pumpFor(200ms);
    EXPECT_EQ(h.readStore(), before);
    EXPECT_EQ(h.readProgramFile("Alpha.dat"), "stream of Alpha");
    EXPECT_EQ(h.readProgramFile("Beta.dat"), "stream of Beta");
}

TEST(Properties, ScreenshotOfEachKind) {
    e2e::Harness h;
    h.writeStore(e2e::store(4,
                            e2e::macroSection(1, "Start Notepad", 1, e2e::ctrlAlt('N'), "notepad.exe") +
                                e2e::macroSection(2, "Sign letter", 2, e2e::ctrlAlt('S'), "Sign letter.dat") +
                                e2e::macroSection(3, "Arrange windows", 3, 0, "Arrange windows.dat",
                                                  "Trigger=Untitled - Notepad\r\nSpeed=2\r\n") +
                                e2e::macroSection(4, "Weekly report", 4, e2e::ctrlAlt('W'),
                                                  "Weekly report.key", "Insert=auto\r\nKeyDelay=20\r\n"),
                            ""));
    h.start();
    PropertiesRun run(h);
    const char* names[] = {"properties-start-program", "properties-keystrokes",
                           "properties-mouse-and-keyboard", "properties-script"};
    for (int row = 0; row < 4; ++row) {
        HWND dialog = run.open(row);
        ASSERT_NE(dialog, nullptr) << row;
        EXPECT_EQ(e2e::windowText(child(dialog, "Edit", kName)), h.storeValue(row + 1, "Name"));
        h.pumpFor(300ms);
        e2e::saveScreenshot(dialog, names[row]);
        run.close(dialog, "&Cancel");
    }
}
