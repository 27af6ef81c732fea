// The authoring windows as windows: where replayed keys land, what comes back
// after a recording that cannot be saved, which windows a modal one shuts
// off, what the stop hot key acts on, and what Enter presses in the editor.
// The stores have no FirstRun key, so the manager window shows at start.

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include "harness.hpp"
#include "journal/journal_file.hpp"
#include "remote_controls.hpp"

using namespace std::chrono_literals;

namespace {

constexpr const char* kManager = "Veltrane Keyvale";
constexpr const char* kProperties = "Macro Properties";
constexpr const char* kWizard = "Macro Setup Wizard";

// A keystroke recording of the keys in turn, each pressed and released.
std::string keystrokes(std::initializer_list<std::uint16_t> keys) {
    e2e::KeystrokeRecording r;
    for (std::uint16_t vk : keys) r.tap(vk);
    return r.bytes();
}

HWND waitForWindow(e2e::Harness& h, const char* caption) {
    HWND w = nullptr;
    h.waitFor([&] { return (w = h.findDialog(caption)) != nullptr; }, 10s);
    return w;
}

HWND openProperties(e2e::Harness& h, int row) {
    HWND manager = waitForWindow(h, kManager);
    if (!manager) return nullptr;
    e2e::RemoteListView(FindWindowExA(manager, nullptr, WC_LISTVIEWA, nullptr)).doubleClick(row);
    HWND dialog = waitForWindow(h, kProperties);
    h.pumpFor(300ms);
    return dialog;
}

// The error box of the program, or nullptr.
HWND errorBox(e2e::Harness& h) {
    HWND box = FindWindowA("#32770", "Keyvale");
    DWORD pid = 0;
    if (box) GetWindowThreadProcessId(box, &pid);
    return box && pid == h.processId() && IsWindowVisible(box) ? box : nullptr;
}

// The editor opened by the properties dialog's Edit Macro for the script of row 0.
struct EditorFromProperties {
    HWND dialog = nullptr, wizard = nullptr, script = nullptr;
    explicit EditorFromProperties(e2e::Harness& h) {
        dialog = openProperties(h, 0);
        if (!dialog) return;
        PostMessageA(e2e::button(dialog, "&Edit Macro"), BM_CLICK, 0, 0);
        wizard = waitForWindow(h, kWizard);
        h.pumpFor(300ms);
        if (wizard) script = e2e::visibleChild(wizard, "Edit", "", ES_MULTILINE);
    }
};

}  // namespace

TEST(AuthoringWindows, PlaybackInThePropertiesDialogTypesEnterAndEscIntoItsScratchArea) {
    e2e::Harness h;
    h.writeProgramFile("Keys.dat", keystrokes({'A', VK_RETURN, 'B', VK_ESCAPE, 'C'}));
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Keys", 2, 0, "Keys.dat"), ""));
    h.start();
    const std::string before = h.readStore();
    HWND dialog = openProperties(h, 0);
    ASSERT_NE(dialog, nullptr);
    HWND scratch = e2e::visibleChild(dialog, "Edit", "", ES_MULTILINE);
    ASSERT_NE(scratch, nullptr);
    h.press(dialog, "&Playback");
    h.waitFor([&] { return e2e::windowText(scratch).find('c') != std::string::npos; }, 10s);
    h.pumpFor(500ms);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "a replayed key closed the dialog";
    EXPECT_EQ(e2e::windowText(scratch),
              "a\r\nb\x1b"
              "c");
    EXPECT_EQ(h.readStore(), before);
    EXPECT_TRUE(IsWindowEnabled(e2e::button(dialog, "&OK")));
    h.press(dialog, "&Cancel");
    EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(dialog); }, 5s));
}

TEST(AuthoringWindows, ARecordingThatCannotBeSavedBringsTheWindowsBackBeforeTheErrorBox) {
    for (const bool wizard : {true, false}) {
        SCOPED_TRACE(wizard ? "the wizard's recording" : "the properties dialog's recording");
        e2e::Harness h;
        // A folder where the recording's file would be written: the program
        // folder refuses the file.
        CreateDirectoryA((h.programDir() + (wizard ? "~new.dat.tmp" : "~temp.dat.tmp")).c_str(), nullptr);
        h.writeStore(e2e::store(1, e2e::macroSection(1, "Mouse", 3, 0, "Mouse.dat", "Speed=1\r\n"),
                                "Show Hints=0\r\n"));
        h.start();
        HWND window = nullptr;
        if (wizard) {
            HWND manager = waitForWindow(h, kManager);
            ASSERT_NE(manager, nullptr);
            e2e::Harness::clickButton(manager, "New Macro");
            window = waitForWindow(h, kWizard);
            ASSERT_NE(window, nullptr);
            h.pumpFor(300ms);
            h.press(window, "&Playback mouse movements, clicks, and keystrokes.");
            h.press(window, "&Next >");
            e2e::Harness::setDialogEdit(window, "Moves");
            h.press(window, "&Next >");
            h.press(window, "&Next >");
            h.press(window, "Capture all mouse and keyboard actions.");
            h.press(window, "&Next >");
        } else {
            window = openProperties(h, 0);
            ASSERT_NE(window, nullptr);
        }
        h.press(window, "&Start Recording");
        ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(window) && !h.findDialog(kManager); }, 5s));
        h.pressHotKey({VK_SHIFT, VK_CONTROL}, VK_F12);
        HWND box = nullptr;
        ASSERT_TRUE(h.waitFor([&] { return (box = errorBox(h)) != nullptr; }, 10s));
        EXPECT_TRUE(IsWindowVisible(window)) << "hidden under the error box";
        EXPECT_NE(h.findDialog(kManager), nullptr) << "hidden under the error box";
        EXPECT_NE(e2e::Harness::dialogText(box).find("Unable to save the recording"), std::string::npos)
            << e2e::Harness::dialogText(box);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(h.waitFor([&] { return errorBox(h) == nullptr; }, 5s));
        EXPECT_TRUE(IsWindowVisible(window));
    }
}

TEST(AuthoringWindows, ThePropertiesDialogTakesNoClickWhileTheEditorIsOpen) {
    e2e::Harness h;
    h.writeProgramFile("Say.key", "old\r\n");
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Say", 4, 0, "Say.key"), ""));
    h.start();
    EditorFromProperties e(h);
    ASSERT_NE(e.script, nullptr);
    SendMessageA(e.script, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("edited"));
    // Beside the editor, where a click reaches it.
    SetWindowPos(e.dialog, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    h.pumpFor(300ms);
    EXPECT_FALSE(IsWindowEnabled(e.dialog));
    e2e::clickControl(e2e::button(e.dialog, "&Edit Macro"));
    h.pumpFor(800ms);
    EXPECT_EQ(e2e::windowText(e.script), "edited") << "Edit Macro was pressed again";
    EXPECT_TRUE(IsWindowVisible(e.wizard));
    EXPECT_TRUE(IsWindowVisible(e.dialog));
    // Closing the editor gives the dialog back.
    h.press(e.wizard, "&Cancel");
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(e.wizard); }, 5s));
    EXPECT_TRUE(IsWindowEnabled(e.dialog));
    EXPECT_FALSE(IsWindowEnabled(h.findDialog(kManager)));
    h.press(e.dialog, "&Cancel");
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(e.dialog); }, 5s));
    EXPECT_TRUE(IsWindowEnabled(h.findDialog(kManager)));
}

TEST(AuthoringWindows, TheStopHotKeyWithoutARecordingShowsNoPropertiesDialog) {
    e2e::Harness h;
    h.writeProgramFile("Say.key", "said\r\n");
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Say", 4, 0, "Say.key"), "Show Hints=0\r\n"));
    h.start();
    // The dialog was open once, so there is a stale one to show.
    HWND dialog = openProperties(h, 0);
    ASSERT_NE(dialog, nullptr);
    h.press(dialog, "&Cancel");
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(dialog); }, 5s));
    e2e::Harness::clickButton(waitForWindow(h, kManager), "New Macro");
    HWND wizard = waitForWindow(h, kWizard);
    ASSERT_NE(wizard, nullptr);
    h.pumpFor(300ms);
    h.pressHotKey({VK_SHIFT, VK_CONTROL}, VK_F12);
    h.pumpFor(1500ms);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_TRUE(IsWindowVisible(wizard));
    EXPECT_NE(e2e::visibleChild(wizard, "Static", "What would you like this macro to do?"), nullptr);
}

TEST(AuthoringWindows, EnterInTheScriptBoxOfTheEditorOpenedFromPropertiesSaves) {
    e2e::Harness h;
    h.writeProgramFile("Say.key", "old\r\n");
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Say", 4, 0, "Say.key"), ""));
    h.start();
    EditorFromProperties e(h);
    ASSERT_NE(e.script, nullptr);
    SendMessageA(e.script, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("new"));
    ASSERT_EQ(GetForegroundWindow(), e.wizard);
    // The script box has the focus when the editor opens.
    h.tap(VK_RETURN);
    EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(e.wizard); }, 5s)) << "Enter did not save";
    EXPECT_EQ(h.readProgramFile("Say.key").rfind("new", 0), 0u) << h.readProgramFile("Say.key");
    EXPECT_TRUE(IsWindowVisible(e.dialog));
    h.press(e.dialog, "&Cancel");
}

TEST(AuthoringWindows, ARadioGroupIsOneTabStopAndTheArrowsMoveTheChoice) {
    e2e::Harness h;
    h.writeStore(e2e::store(0, "", "Show Hints=0\r\n"));
    h.start();
    e2e::Harness::clickButton(waitForWindow(h, kManager), "New Macro");
    HWND wizard = waitForWindow(h, kWizard);
    ASSERT_NE(wizard, nullptr);
    h.pumpFor(300ms);
    const char* captions[] = {"&Create a macro using advanced options.",
                              "&Playback mouse movements, clicks, and keystrokes.",
                              "&Start an Application or Launch a Document"};
    HWND radios[3];
    for (int i = 0; i < 3; ++i)
        ASSERT_NE(radios[i] = e2e::visibleChild(wizard, "Button", captions[i]), nullptr);
    const auto checked = [&] {
        for (int i = 0; i < 3; ++i)
            if (SendMessageA(radios[i], BM_GETCHECK, 0, 0) == BST_CHECKED) return i;
        return -1;
    };
    ASSERT_EQ(checked(), 0);
    // A round of Tab stops at the group once, at its checked button, and
    // changes no choice.
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(wizard, nullptr);
    const auto focus = [&] {
        GetGUIThreadInfo(thread, &info);
        return info.hwndFocus;
    };
    bool visited[3] = {};
    for (int i = 0; i < 10; ++i) {
        h.tap(VK_TAB);
        for (int r = 0; r < 3; ++r) visited[r] = visited[r] || focus() == radios[r];
    }
    EXPECT_TRUE(visited[0]);
    EXPECT_FALSE(visited[1] || visited[2]);
    EXPECT_EQ(checked(), 0);
    for (int i = 0; i < 10 && focus() != radios[0]; ++i) h.tap(VK_TAB);
    ASSERT_EQ(focus(), radios[0]);
    h.tap(VK_DOWN);
    EXPECT_EQ(checked(), 1);
    h.tap(VK_DOWN);
    EXPECT_EQ(checked(), 2);
    h.tap(VK_DOWN);
    EXPECT_EQ(checked(), 0) << "round from the last to the first";
    h.tap(VK_UP);
    EXPECT_EQ(checked(), 2);
    EXPECT_EQ(focus(), radios[2]);
    h.tap(VK_TAB);
    EXPECT_TRUE(focus() != radios[0] && focus() != radios[1]);
    EXPECT_EQ(checked(), 2) << "leaving the group changed the choice";
}

TEST(AuthoringWindows, AHotKeyWithoutCtrlOrAltShowsAsTypedAndIsRefused_ExtendedKeysKeepTheirNames) {
    e2e::Harness h;
    h.writeProgramFile("Say.key", "said\r\n");
    h.writeStore(
        e2e::store(1, e2e::macroSection(1, "Say", 4, 0xC000 + VK_HOME, "Say.key"), "Show Hints=0\r\n"));
    h.start();
    // A stored Ctrl+Alt+Home comes back as Home, not as the keypad's 7.
    HWND dialog = openProperties(h, 0);
    ASSERT_NE(dialog, nullptr);
    HWND field = FindWindowExA(dialog, nullptr, HOTKEY_CLASSA, nullptr);
    EXPECT_EQ(SendMessageA(field, HKM_GETHOTKEY, 0, 0),
              MAKEWORD(VK_HOME, HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT));
    h.press(dialog, "&Cancel");
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(dialog); }, 5s));

    e2e::Harness::clickButton(waitForWindow(h, kManager), "New Macro");
    HWND wizard = waitForWindow(h, kWizard);
    ASSERT_NE(wizard, nullptr);
    h.pumpFor(300ms);
    h.press(wizard, "&Next >");
    e2e::Harness::setDialogEdit(wizard, "Keys");
    h.press(wizard, "&Next >");
    field = e2e::visibleChild(wizard, HOTKEY_CLASSA);
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(h.waitFor([&] { return GetForegroundWindow() == wizard; }, 5s));
    h.tap(VK_F9);  // the page focuses the field
    EXPECT_EQ(SendMessageA(field, HKM_GETHOTKEY, 0, 0), VK_F9) << "the field changed what was typed";
    const auto refusal = [&] {
        HWND box = nullptr;
        if (!h.waitFor([&] { return (box = errorBox(h)) != nullptr; }, 5s)) return std::string("(no box)");
        const std::string text = e2e::Harness::dialogText(box);
        h.tap(VK_RETURN);
        h.waitFor([&] { return errorBox(h) == nullptr; }, 5s);
        return text;
    };
    const std::string message = "Please type a hot key with Ctrl or Alt for this macro, or none at all.";
    PostMessageA(e2e::visibleChild(wizard, "Button", "&Next >"), BM_CLICK, 0, 0);
    EXPECT_EQ(refusal(), message);
    EXPECT_NE(e2e::visibleChild(wizard, "Static", "Select Triggers"), nullptr);
    // Leaving the field explains it as well.
    h.tap(VK_TAB);
    EXPECT_EQ(refusal(), message);
}
