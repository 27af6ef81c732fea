// Finding and sharing macros from the tray: the Run Macro window runs a macro
// found by part of its name into the window that was in front, and an export
// of every kind imports into an empty store as it was, then again renamed.

// clang-format off
#include <windows.h>  // before the other system headers
// clang-format on
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "harness.hpp"
#include "remote_controls.hpp"
#include "screenshot.hpp"

using namespace std::chrono_literals;

namespace {

// The tray menu's items, as the tray form receives them.
constexpr WPARAM kRunMacro = 11, kExportAll = 13, kImportMacros = 14;

void trayCommand(e2e::Harness& h, WPARAM command) {
    HWND tray = e2e::trayForm(h.processId());
    ASSERT_NE(tray, nullptr);
    PostMessageA(tray, WM_COMMAND, command, 0);
}

// Types the path into the program's common file dialog of this caption and
// confirms it.
bool answerFileDialog(e2e::Harness& h, const char* caption, const std::string& path) {
    HWND dialog = nullptr;
    if (!h.waitFor([&] { return (dialog = h.findDialog(caption)) != nullptr; }, 10s)) return false;
    h.pumpFor(300ms);
    HWND name = GetDlgItem(dialog, 0x47C);  // the file name's combo box
    if (!name) name = GetDlgItem(dialog, 0x480);
    if (!name) return false;
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(e2e::utf16(path).c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return h.waitFor([&] { return h.findDialog(caption) == nullptr; }, 10s);
}

// As the wizard writes them: an empty trigger is written too.
std::string threeKinds(const e2e::Harness& h) {
    return e2e::macroSection(1, "Signature", 4, e2e::ctrlAlt('G'), "Signature.key", "Trigger=Mail\r\n") +
           e2e::macroSection(2, "Letters", 2, e2e::ctrlAlt('K'), "Letters.dat", "Trigger=\r\n") +
           e2e::macroSection(3, "Notes", 1, e2e::ctrlAlt('N'), h.programDir() + "notes.txt", "Trigger=\r\n");
}

// Imports the file through the tray and the import window's OK; the texts
// the window showed for each macro.
std::vector<std::string> importThroughTray(e2e::Harness& h, const std::string& file) {
    trayCommand(h, kImportMacros);
    if (!answerFileDialog(h, "Open", file)) return {"no open dialog"};
    HWND window = nullptr;
    if (!h.waitFor([&] { return (window = h.findDialog("Import Macros")) != nullptr; }, 10s))
        return {"no import window"};
    HWND list = e2e::findChild(window, WC_LISTVIEWA);
    std::vector<std::string> said;
    e2e::RemoteListView rows(list);
    for (int i = 0; i < rows.rowCount(); ++i) said.push_back(rows.text(i, 0) + ": " + rows.text(i, 1));
    h.press(window, "OK");
    h.waitFor([&] { return h.findDialog("Import Macros") == nullptr; }, 10s);
    return said;
}

TEST(Sharing, AnExportOfThreeKindsImportsIntoAnEmptyStoreAsItWasAndAgainRenamed) {
    e2e::Harness h;
    const std::string script = "Kind regards,<<ENTER>>Ann\r\n";
    const std::string recording = e2e::KeystrokeRecording().tap('A').tap('B').bytes();
    h.writeStore(e2e::store(3, threeKinds(h)));
    h.writeProgramFile("Signature.key", script);
    h.writeProgramFile("Letters.dat", recording);
    h.start();
    h.waitUntilIdle();
    const std::string file = h.programDir() + "mine.kvmacros";
    trayCommand(h, kExportAll);
    ASSERT_TRUE(answerFileDialog(h, "Save As", file));
    ASSERT_TRUE(h.waitFor([&] { return h.programFileExists("mine.kvmacros"); }, 10s));
    EXPECT_EQ(h.readProgramFile("mine.kvmacros").rfind("Keyvale macro file, version 1\r\n", 0), 0u);
    const auto before = [&](int slot, const char* key) { return h.storeValue(slot, key); };
    std::vector<std::string> was;
    for (int slot = 1; slot <= 3; ++slot)
        for (const char* key : {"Name", "Type", "HotKey", "FileName", "Trigger"})
            was.push_back(before(slot, key));
    h.stop();

    // An empty store and no data files.
    h.writeStore(e2e::store(0));
    DeleteFileW(e2e::utf16(h.programDir() + "Signature.key").c_str());
    DeleteFileW(e2e::utf16(h.programDir() + "Letters.dat").c_str());
    h.start();
    h.waitUntilIdle();
    const auto first = importThroughTray(h, file);
    EXPECT_EQ(first, (std::vector<std::string>{"Signature: Added", "Letters: Added", "Notes: Added"}));
    ASSERT_TRUE(h.waitFor([&] { return h.storeValue(3, "Name") == "Notes"; }, 10s)) << h.readStore();
    std::vector<std::string> now;
    for (int slot = 1; slot <= 3; ++slot)
        for (const char* key : {"Name", "Type", "HotKey", "FileName", "Trigger"})
            now.push_back(h.storeValue(slot, key));
    EXPECT_EQ(now, was);
    EXPECT_EQ(h.readProgramFile("Signature.key"), script);
    EXPECT_EQ(h.readProgramFile("Letters.dat"), recording);

    // Again: every name and every hot key is taken.
    const auto second = importThroughTray(h, file);
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(second[0],
              "Signature: Added as Signature (2): a macro has its name; its hot key is left out: "
              "another macro has it");
    ASSERT_TRUE(h.waitFor([&] { return h.storeValue(6, "Name") == "Notes (2)"; }, 10s)) << h.readStore();
    for (int slot = 4; slot <= 6; ++slot) {
        EXPECT_EQ(h.storeValue(slot, "Name"), was[(slot - 4) * 5] + " (2)");
        EXPECT_EQ(h.storeValue(slot, "HotKey"), "0");
    }
    EXPECT_EQ(h.readProgramFile("Letters (2).dat"), recording);
    EXPECT_EQ(h.storeValue(5, "FileName"), "Letters (2).dat");
}

TEST(Sharing, RunMacroFindsAMacroByPartOfItsNameAndEnterTypesItIntoTheWindowInFront) {
    e2e::Harness h;
    h.writeStore(e2e::store(2, e2e::macroSection(1, "Goodbye", 4, 0, "Goodbye.key") +
                                   e2e::macroSection(2, "Morning greeting", 4, 0, "Greeting.key")));
    h.writeProgramFile("Goodbye.key", "bye");
    h.writeProgramFile("Greeting.key", "hello");
    h.start();
    h.waitUntilIdle();
    h.focusTarget();
    h.clearEdit();
    trayCommand(h, kRunMacro);
    HWND window = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (window = h.findDialog("Run Macro")) != nullptr; }, 10s));
    ASSERT_TRUE(h.waitFor([&] { return GetForegroundWindow() == window; }, 5s)) << "it opens in front";
    HWND list = e2e::findChild(window, WC_LISTVIEWA);
    EXPECT_EQ(e2e::RemoteListView(list).rowCount(), 2);
    h.typeLetters("gree");
    ASSERT_TRUE(h.waitFor([&] { return e2e::RemoteListView(list).rowCount() == 1; }, 5s));
    EXPECT_EQ(e2e::RemoteListView(list).text(0, 0), "Morning greeting");
    h.tap(VK_RETURN);
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "hello"; }, 10s)) << h.editText();
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetForegroundWindow(), h.target());
}

// The two windows with something in every column, for the help and the
// README: the search over macros of each kind, and an import that adds,
// renames, leaves a hot key out and refuses.
TEST(Sharing, Screenshot) {
    if (!e2e::screenshotsWanted()) GTEST_SKIP() << "no screenshots wanted";
    e2e::Harness h;
    // With a byte-order mark: the store is read as UTF-8, accents and all.
    h.writeStore("\xEF\xBB\xBF" +
                 e2e::store(5, e2e::macroSection(1, "Signature", 4, e2e::ctrlAlt('G'), "Signature.key") +
                                   e2e::macroSection(2, "Sign and send", 3, e2e::ctrlAlt('S'), "Sign.dat") +
                                   e2e::macroSection(3, "Open the design notes", 1, 0, "notes.txt") +
                                   e2e::macroSection(4, "Résumé signing", 4, 0, "Résumé signing.key") +
                                   e2e::macroSection(5, "Address", 2, e2e::ctrlAlt('A'), "Address.dat")));
    h.writeProgramFile("Signature.key", "x");
    h.start();
    h.waitUntilIdle();
    h.focusTarget();
    trayCommand(h, kRunMacro);
    HWND run = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (run = h.findDialog("Run Macro")) != nullptr; }, 10s));
    ASSERT_TRUE(h.waitFor([&] { return GetForegroundWindow() == run; }, 5s));
    h.typeLetters("sig");
    h.pumpFor(500ms);
    e2e::saveScreenshot(run, "run_macro");
    h.tap(VK_ESCAPE);
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(run); }, 5s));

    h.writeProgramFile("shared.kvmacros",
                       "Keyvale macro file, version 1\r\n"
                       "[Macro]\r\nName=Signature\r\nType=4\r\nHotKey=" +
                           std::to_string(e2e::ctrlAlt('G')) +
                           "\r\nData=eA==\r\n"
                           "[Macro]\r\nName=Weekly report\r\nType=4\r\nHotKey=" +
                           std::to_string(e2e::ctrlAlt('W')) +
                           "\r\nData=eA==\r\n"
                           "[Macro]\r\nName=Address\r\nType=2\r\nData=eA==\r\n"
                           "[Macro]\r\nName=Clicks\r\nType=3\r\nData=@@@\r\n"
                           "[Macro]\r\nName=Greeting\r\nType=4\r\nData=eA==\r\n");
    trayCommand(h, kImportMacros);
    ASSERT_TRUE(answerFileDialog(h, "Open", h.programDir() + "shared.kvmacros"));
    HWND window = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (window = h.findDialog("Import Macros")) != nullptr; }, 10s));
    h.pumpFor(500ms);
    e2e::saveScreenshot(window, "import_macros");
    h.press(window, "Cancel");
}

}  // namespace

namespace {

// Opening the Run Macro window over 1,000 macros until its list holds them
// all, and the filter per key typed until the list shows the result (p95),
// against the program's own full reading of the store in the same run (the
// manager's list filled when it opens, the rows the window reads too).
TEST(RunMacroBench, OpensOverAThousandMacrosAndFiltersAsFastAsOneTypes) {
    e2e::Harness h;
    std::string sections;
    for (int n = 1; n <= 1000; ++n)
        sections += e2e::macroSection(n, "Macro number " + std::to_string(n), 4, 0, "m.key", "Trigger=\r\n");
    h.writeStore(e2e::store(1000, sections));
    h.start();
    h.waitUntilIdle();
    const auto ms = [](auto since) {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
    };
    // The baseline: the manager window shows with every row read afresh.
    HWND tray = e2e::trayForm(h.processId());
    ASSERT_NE(tray, nullptr);
    auto t0 = std::chrono::steady_clock::now();
    PostMessageA(tray, WM_COMMAND, 1 /* Open */, 0);
    HWND manager = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (manager = h.findDialog("Veltrane Keyvale")) != nullptr; }, 10s, 1ms));
    HWND managerList = e2e::findChild(manager, WC_LISTVIEWA);
    ASSERT_TRUE(h.waitFor([&] { return e2e::RemoteListView(managerList).rowCount() == 1000; }, 10s, 1ms));
    const double baseline = ms(t0);
    ShowWindow(manager, SW_HIDE);

    std::vector<double> opens, keys;
    for (int round = 0; round < 5; ++round) {
        h.focusTarget();
        t0 = std::chrono::steady_clock::now();
        trayCommand(h, kRunMacro);
        HWND window = nullptr;
        ASSERT_TRUE(h.waitFor([&] { return (window = h.findDialog("Run Macro")) != nullptr; }, 10s, 1ms));
        HWND list = e2e::findChild(window, WC_LISTVIEWA);
        ASSERT_TRUE(h.waitFor([&] { return e2e::RemoteListView(list).rowCount() == 1000; }, 10s, 1ms));
        UpdateWindow(window);
        opens.push_back(ms(t0));
        // "number 12" narrows the list at every key from the first digit on.
        int rows = 1000;
        for (char c : std::string("12")) {
            t0 = std::chrono::steady_clock::now();
            h.keyDown(static_cast<BYTE>(c));
            h.keyUp(static_cast<BYTE>(c));
            if (!h.waitFor([&] { return e2e::RemoteListView(list).rowCount() != rows; }, 5s, 1ms)) break;
            keys.push_back(ms(t0));
            rows = e2e::RemoteListView(list).rowCount();
        }
        h.tap(VK_ESCAPE);
        h.waitFor([&] { return !IsWindowVisible(window); }, 5s);
        // Without a window manager on the display, Wine waits up to 2 s for
        // a hidden window's withdrawal before the program's thread goes on:
        // the next round starts after that.
        h.pumpFor(2500ms);
    }
    std::sort(opens.begin(), opens.end());
    std::sort(keys.begin(), keys.end());
    ASSERT_FALSE(keys.empty());
    const double open = opens[opens.size() / 2], key = keys[keys.size() * 95 / 100];
    std::printf(
        "1000 macros: manager window filled %.0f ms; Run Macro open %.0f ms (median, target < 100); "
        "filter per key %.0f ms (p95)\n",
        baseline, open, key);
    RecordProperty("open_ms", static_cast<int>(open));
    // Both read the whole store and fill a list of 1,000 rows.
    EXPECT_LE(open, 1.5 * baseline + 20) << "the window opens in about one reading of the store";
}

}  // namespace

namespace {

// "Export..." in the manager's popup menu saves the rows chosen with a
// click and Shift+Down, and only those.
TEST(Sharing, ThePopupMenuExportsTheSelectedRows) {
    e2e::Harness h;
    h.writeStore(e2e::store(3,
                            e2e::macroSection(1, "First", 4, 0, "First.key") +
                                e2e::macroSection(2, "Second", 4, 0, "Second.key") +
                                e2e::macroSection(3, "Third", 4, 0, "Third.key"),
                            ""));
    for (const char* name : {"First.key", "Second.key", "Third.key"}) h.writeProgramFile(name, name);
    h.start();
    HWND manager = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (manager = h.findDialog("Veltrane Keyvale")) != nullptr; }, 10s));
    SetForegroundWindow(manager);
    h.pumpFor(300ms);
    HWND listWindow = e2e::findChild(manager, WC_LISTVIEWA);
    const e2e::RemoteListView list(listWindow);
    // On the name, past the row's check box.
    const auto clickName = [&](int row, bool right = false) {
        const RECT r = list.rowRect(row);
        e2e::clickAt({r.left + 80, (r.top + r.bottom) / 2}, right);
    };
    clickName(1);
    h.pumpFor(200ms);
    h.pressHotKey({VK_SHIFT}, VK_DOWN);
    ASSERT_TRUE(h.waitFor([&] { return SendMessageW(listWindow, LVM_GETSELECTEDCOUNT, 0, 0) == 2; }, 5s));
    clickName(2, true);
    ASSERT_TRUE(h.waitFor([] { return e2e::openPopupMenu() != nullptr; }, 5s));
    h.pumpFor(300ms);
    // New, Delete, Create Shortcut, Print, then Export.
    for (BYTE key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) h.tap(key);
    const std::string file = h.programDir() + "two.kvmacros";
    ASSERT_TRUE(answerFileDialog(h, "Save As", file));
    ASSERT_TRUE(h.waitFor([&] { return h.programFileExists("two.kvmacros"); }, 10s));
    const std::string text = h.readProgramFile("two.kvmacros");
    EXPECT_NE(text.find("Name=Second\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Name=Third\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Name=First"), std::string::npos) << text;
}

}  // namespace
