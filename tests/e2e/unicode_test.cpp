// Text, names and folders in every language: Wine runs these suites under a
// locale whose ANSI code page is 932 (Japanese), 1252 (Western) or 1251
// (Cyrillic, with the Russian keyboard layout), as tests/e2e/CMakeLists.txt
// sets LC_ALL for each; Wine takes the code page from the locale of each
// process it starts. Characters a user cannot type on the layout arrive as
// Unicode input, as an input method or an on-screen keyboard sends them.

// clang-format off
#include <windows.h>  // before the other system headers
// clang-format on
#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <set>

#include "harness.hpp"
#include "remote_controls.hpp"
#include "screenshot.hpp"

using namespace std::chrono_literals;

namespace {

// The suites mean nothing under another code page: say how to get the right one.
#define REQUIRE_CODE_PAGE(cp)                                                                     \
    ASSERT_EQ(GetACP(), static_cast<UINT>(cp))                                                    \
        << "Wine's ANSI code page follows LC_ALL; the locale must exist (scripts/test generates " \
           "ja_JP.UTF-8, ru_RU.UTF-8 and en_US.UTF-8)"

constexpr const char* kWizard = "Macro Setup Wizard";
constexpr const char* kManager = "Veltrane Keyvale";

std::string trimLineBreaks(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.pop_back();
    return s;
}

// Ctrl or Alt pressed by Keyvale, as the hook saw them.
std::string modifiersPressed(const e2e::Harness& h) {
    std::string seen;
    for (const e2e::KeyRecord& k : h.keys())
        if (k.injectedByKeyvale && k.down &&
            (k.vk == VK_CONTROL || k.vk == VK_MENU || (k.vk >= VK_LCONTROL && k.vk <= VK_RMENU)))
            seen += std::to_string(k.vk) + " ";
    return seen;
}

// The setup wizard from the manager's New Macro to Finished: an advanced
// macro with a name, a Ctrl+Alt hot key and a script, each typed into its
// field as the user would (Unicode input for what the layout lacks).
struct Wizard {
    e2e::Harness& h;
    HWND wizard = nullptr;

    void click(const std::string& caption) {
        HWND b = e2e::visibleChild(wizard, "Button", caption);
        ASSERT_NE(b, nullptr) << caption;
        PostMessageW(b, BM_CLICK, 0, 0);
        h.pumpFor(300ms);
    }
    void typeInto(HWND control, const std::string& text) {
        SetForegroundWindow(GetAncestor(control, GA_ROOT));
        h.pumpFor(100ms);
        e2e::clickControl(control);
        h.pumpFor(200ms);
        h.sendText(text);
    }
    void create(const std::string& name, BYTE hotKey, const std::string& script) {
        HWND manager = nullptr;
        ASSERT_TRUE(h.waitFor([&] { return (manager = h.findDialog(kManager)) != nullptr; }, 15s));
        e2e::Harness::clickButton(manager, "New Macro");
        ASSERT_TRUE(h.waitFor([&] { return (wizard = h.findDialog(kWizard)) != nullptr; }, 10s));
        h.pumpFor(300ms);
        click("&Next >");
        HWND nameBox = e2e::visibleChild(wizard, "Edit");
        ASSERT_NE(nameBox, nullptr);
        typeInto(nameBox, name);
        click("&Next >");
        ASSERT_TRUE(e2e::visibleChild(wizard, "Static", "Select Triggers")) << "the name was refused";
        h.pressHotKey({VK_CONTROL, VK_MENU}, hotKey);
        h.pumpFor(200ms);
        click("&Next >");
        HWND scriptBox = e2e::visibleChild(wizard, "Edit", "", ES_MULTILINE);
        ASSERT_NE(scriptBox, nullptr);
        typeInto(scriptBox, script);
        click("&Next >");
        ASSERT_TRUE(e2e::visibleChild(wizard, "Static", "Finished"));
        click("&Finished");
        HWND box = nullptr;
        ASSERT_TRUE(
            h.waitFor([&] { return !IsWindowVisible(wizard) || (box = h.findDialog("Keyvale")); }, 5s));
        ASSERT_EQ(box, nullptr) << e2e::Harness::dialogText(box);
        h.pumpFor(500ms);
    }
};

bool runs(e2e::Harness& h, BYTE hotKey, const std::string& text) {
    h.focusTarget();
    h.clearEdit();
    h.clearKeys();
    h.pressHotKey({VK_CONTROL, VK_MENU}, hotKey);
    return h.waitFor([&] { return trimLineBreaks(h.editTextUtf8()) == text; }, 10s);
}

// A value of a profile file as Wine's own wide profile functions read it.
std::string profileValue(const std::string& file, const std::string& section, const std::string& key) {
    wchar_t buf[1024] = {};
    GetPrivateProfileStringW(e2e::utf16(section).c_str(), e2e::utf16(key).c_str(), L"(none)", buf, 1024,
                             e2e::utf16(file).c_str());
    return e2e::utf8(buf);
}

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// Points one of the user's shell folders (a value of User Shell Folders) at
// a folder of the test while it lives.
class ShellFolderInto {
public:
    ShellFolderInto(const wchar_t* value, const std::string& folder) : value_(value) {
        RegCreateKeyExW(HKEY_CURRENT_USER,
                        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        DWORD size = sizeof old_;
        hadOld_ = RegQueryValueExW(key_, value_, nullptr, &type_, reinterpret_cast<BYTE*>(old_), &size) ==
                  ERROR_SUCCESS;
        const std::wstring w = e2e::utf16(folder);
        RegSetValueExW(key_, value_, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(w.c_str()),
                       static_cast<DWORD>((w.size() + 1) * sizeof(wchar_t)));
    }
    ~ShellFolderInto() {
        if (hadOld_)
            RegSetValueExW(key_, value_, 0, type_, reinterpret_cast<const BYTE*>(old_),
                           static_cast<DWORD>((lstrlenW(old_) + 1) * sizeof(wchar_t)));
        else
            RegDeleteValueW(key_, value_);
        RegCloseKey(key_);
    }
    ShellFolderInto(const ShellFolderInto&) = delete;
    ShellFolderInto& operator=(const ShellFolderInto&) = delete;

private:
    const wchar_t* value_;
    HKEY key_ = nullptr;
    wchar_t old_[MAX_PATH] = {};
    DWORD type_ = REG_EXPAND_SZ;
    bool hadOld_ = false;
};

// The names in a folder (UTF-8), without "." and "..".
std::set<std::string> entries(const std::string& dir) {
    std::set<std::string> names;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(e2e::utf16(dir + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return names;
    do
        if (lstrcmpW(fd.cFileName, L".") != 0 && lstrcmpW(fd.cFileName, L"..") != 0)
            names.insert(e2e::utf8(fd.cFileName));
    while (FindNextFileW(find, &fd));
    FindClose(find);
    return names;
}

std::string joined(const std::set<std::string>& names) {
    std::string s;
    for (const auto& n : names) s += "[" + n + "]";
    return s;
}

void removeTree(const std::string& dir) {
    for (const std::string& name : entries(dir)) {
        const std::wstring path = e2e::utf16(dir + "\\" + name);
        if (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            removeTree(dir + "\\" + name);
        else
            DeleteFileW(path.c_str());
    }
    RemoveDirectoryW(e2e::utf16(dir).c_str());
}

}  // namespace

// Code page 932: the second byte of "タ" is "^" and that of "ァ" is "@", which
// are Ctrl and Alt prefixes when a script is read byte by byte.
TEST(UnicodeJapanese, ADoubleByteScriptTypesItsTextAndPressesNoModifier) {
    REQUIRE_CODE_PAGE(932);
    e2e::Harness h;
    // "アイウタァ" in code page 932, as an older version or another program wrote it.
    h.writeProgramFile("kana.key", "\x83\x41\x83\x43\x83\x45\x83\x5E\x83\x40");
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Kana", 4, e2e::ctrlAlt('K'), "kana.key")));
    h.start();
    EXPECT_TRUE(runs(h, 'K', "アイウタァ")) << h.editTextUtf8();
    EXPECT_EQ(h.typedByHook(), "アイウタァ");
    EXPECT_EQ(modifiersPressed(h), "") << h.injectedKeys();
}

TEST(UnicodeJapanese, AJapaneseNameGetsItsFileAndRunsFromItsHotKeyAndTheCommandLine) {
    REQUIRE_CODE_PAGE(932);
    e2e::Harness h;
    h.writeStore(e2e::store(0, "", "Show Hints=0\r\n"));
    h.start();
    Wizard w{h};
    w.create("報告", 'R', "ok");
    EXPECT_TRUE(h.programFileExists("報告.key")) << joined(entries(h.programDir()));
    EXPECT_EQ(trimLineBreaks(h.readProgramFile("報告.key")), "ok");
    EXPECT_EQ(h.storeValue(1, "Name"), "報告");
    EXPECT_TRUE(runs(h, 'R', "ok")) << h.editTextUtf8();

    h.stop();
    h.focusTarget();
    h.clearEdit();
    h.start("/Open:\"報告\" /Close");
    EXPECT_TRUE(h.waitFor([&] { return h.editTextUtf8() == "ok"; }, 15s)) << h.editTextUtf8();
    EXPECT_TRUE(h.waitForExit(15s)) << "/Close ends the program once the macro has run";
}

// Code page 1252 has "€" but no Cyrillic, no arrow and no emoji.
TEST(UnicodeWestern, AScriptOutsideTheCodePageIsSavedAsUtf8AndTheStoreTurnsUtf16ForAName) {
    REQUIRE_CODE_PAGE(1252);
    e2e::Harness h;
    h.writeProgramFile("Café.key", "caf\xE9");
    // "Café" in code page 1252: a store as an older version wrote it.
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Caf\xE9", 4, 0, "Caf\xE9.key"), "Show Hints=0\r\n"));
    h.start();
    Wizard w{h};
    const std::string text = "Дж → € 😀";
    w.create("Symbols", 'S', text);
    const std::string bytes = h.readProgramFile("Symbols.key");
    EXPECT_EQ(trimLineBreaks(bytes), "\xEF\xBB\xBF" + text) << "UTF-8 with a byte-order mark";
    std::string store = h.readStore();
    EXPECT_FALSE(startsWith(store, "\xFF\xFE")) << "every value still fits the code page";
    EXPECT_NE(store.find("Name=Caf\xE9\r\n"), std::string::npos) << "code page 1252 bytes, as before";
    EXPECT_NE(store.find("Name=Symbols\r\n"), std::string::npos) << store;

    EXPECT_TRUE(runs(h, 'S', text)) << h.editTextUtf8();
    EXPECT_EQ(trimLineBreaks(h.typedByHook()), text);

    w.create("Отчёт", 'O', "report");
    store = h.readStore();
    EXPECT_TRUE(startsWith(store, "\xFF\xFE")) << "a name outside the code page: UTF-16LE";
    EXPECT_EQ(profileValue(h.storePath(), "Main", "Entries"), "3");
    EXPECT_EQ(h.storeValue(1, "Name"), "Café");
    EXPECT_EQ(h.storeValue(1, "FileName"), "Café.key");
    EXPECT_EQ(h.storeValue(2, "Name"), "Symbols");
    EXPECT_EQ(h.storeValue(3, "Name"), "Отчёт");
    EXPECT_EQ(h.storeValue(3, "FileName"), "Отчёт.key");
    EXPECT_EQ(trimLineBreaks(h.readProgramFile("Отчёт.key")), "report");
    EXPECT_TRUE(runs(h, 'O', "report")) << h.editTextUtf8();
}

// The manager reads a store the way this version writes one with names
// outside the code page (UTF-16LE), and the editor holds any text. With
// KV_SCREENSHOT_DIR set (scripts/screenshots) both are pictures for docs/.
TEST(UnicodeWestern, ScreenshotOfTheManagerAndTheEditorInThreeScripts) {
    REQUIRE_CODE_PAGE(1252);
    e2e::Harness h;
    const std::vector<std::string> names = {"Отчёт за май", "報告書を送る", "Smile 😀"};
    std::string sections;
    for (int i = 0; i < 3; ++i) {
        const std::string file = "script" + std::to_string(i + 1) + ".key";
        h.writeProgramFile(file, "\xEF\xBB\xBF" + names[static_cast<std::size_t>(i)]);
        sections +=
            e2e::macroSection(i + 1, names[static_cast<std::size_t>(i)], 4, e2e::ctrlAlt("RJS"[i]), file);
    }
    const std::wstring store = e2e::utf16(e2e::store(3, sections, "Show Hints=0\r\n"));
    h.writeStore("\xFF\xFE" + std::string(reinterpret_cast<const char*>(store.data()), store.size() * 2));
    h.start();
    HWND manager = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (manager = h.findDialog(kManager)) != nullptr; }, 15s));
    e2e::RemoteListView list(e2e::findChild(manager, WC_LISTVIEWA));
    ASSERT_EQ(list.rowCount(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(list.textUtf8(i, 0), names[static_cast<std::size_t>(i)]);
    SetForegroundWindow(manager);
    list.click(1);
    h.pumpFor(500ms);
    e2e::saveScreenshot(manager, "manager-unicode");

    e2e::Harness::clickButton(manager, "New Macro");
    Wizard w{h};
    ASSERT_TRUE(h.waitFor([&] { return (w.wizard = h.findDialog(kWizard)) != nullptr; }, 10s));
    h.pumpFor(300ms);
    w.click("&Next >");
    w.typeInto(e2e::visibleChild(w.wizard, "Edit"), "Привет 日本 😀");
    w.click("&Next >");
    w.click("&Next >");
    HWND script = e2e::visibleChild(w.wizard, "Edit", "", ES_MULTILINE);
    ASSERT_NE(script, nullptr);
    const std::string text = "Здравствуйте, Дмитрий! → こんにちは、世界 😀 €5";
    w.typeInto(script, text);
    EXPECT_TRUE(h.waitFor([&] { return e2e::windowTextUtf8(script) == text; }, 5s))
        << e2e::windowTextUtf8(script);
    h.pumpFor(300ms);
    e2e::saveScreenshot(w.wizard, "editor-unicode");
}

// What current Notepad saves by default: UTF-8 without a byte-order mark.
TEST(UnicodeWestern, ABomLessUtf8ScriptTypesItsCharacters) {
    REQUIRE_CODE_PAGE(1252);
    e2e::Harness h;
    h.writeProgramFile("cafe.key", "café");
    h.writeStore(e2e::store(1, e2e::macroSection(1, "Cafe", 4, e2e::ctrlAlt('K'), "cafe.key")));
    h.start();
    EXPECT_TRUE(runs(h, 'K', "café")) << h.editTextUtf8();
    EXPECT_EQ(h.typedByHook(), "café");
}

// C:\Users\Дмитрий on a Western system: the program folder and the user's
// application-data folder both have names the code page cannot hold.
TEST(UnicodeFolders, ProgramAndUserFoldersOutsideTheCodePageWork) {
    REQUIRE_CODE_PAGE(1252);
    CoInitialize(nullptr);
    struct Cleanup {
        std::string root;
        ~Cleanup() { removeTree(root); }
    } cleanup;
    e2e::Harness h;
    const std::string root = h.programDir().substr(0, h.programDir().size() - 1);
    const std::string program = root + "\\Дмитрий\\";
    ASSERT_TRUE(CreateDirectoryW(e2e::utf16(program).c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(e2e::utf16(h.programDir() + "Macros.exe").c_str(),
                          e2e::utf16(program + "Macros.exe").c_str(), FALSE));
    h.useProgramDir(program);
    cleanup.root = root;
    const std::string appData = root + "\\Users\\Дмитрий\\AppData\\Roaming";
    for (const std::string& d : {root + "\\Users", root + "\\Users\\Дмитрий",
                                 root + "\\Users\\Дмитрий\\AppData", appData, appData + "\\Keyvale"})
        CreateDirectoryW(e2e::utf16(d).c_str(), nullptr);
    const std::string desktop = root + "\\Рабочий стол";
    CreateDirectoryW(e2e::utf16(desktop).c_str(), nullptr);
    ShellFolderInto appDataInto(L"AppData", appData);
    ShellFolderInto desktopInto(L"Desktop", desktop);
    // The user's own store, which a start finds before the Windows folder's.
    const std::string store = appData + "\\Keyvale\\macros.ini";
    e2e::writeFile(store, e2e::store(0, "", "Show Hints=0\r\n"));

    h.start();
    HWND manager = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (manager = h.findDialog(kManager)) != nullptr; }, 30s));
    h.pumpFor(500ms);
    HWND error = h.findDialog("Keyvale");
    ASSERT_EQ(error, nullptr) << e2e::Harness::dialogText(error);

    Wizard w{h};
    w.create("Note", 'N', "hi");
    EXPECT_EQ(trimLineBreaks(e2e::readFile(program + "Note.key")), "hi");
    EXPECT_EQ(profileValue(store, "Macro1", "FileName"), "Note.key");
    EXPECT_TRUE(runs(h, 'N', "hi")) << h.editTextUtf8();

    // Edited: renamed in the properties dialog, the file takes the new name.
    e2e::RemoteListView list(e2e::findChild(manager, WC_LISTVIEWA));
    ASSERT_EQ(list.rowCount(), 1);
    list.doubleClick(0);
    HWND properties = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (properties = h.findDialog("Macro Properties")) != nullptr; }, 10s));
    h.pumpFor(200ms);
    SendMessageW(e2e::findChild(properties, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Notiz"));
    PostMessageW(e2e::button(properties, "&OK"), BM_CLICK, 0, 0);
    ASSERT_TRUE(h.waitFor([&] { return !IsWindowVisible(properties); }, 5s));
    EXPECT_EQ(profileValue(store, "Macro1", "FileName"), "Notiz.key");
    EXPECT_EQ(trimLineBreaks(e2e::readFile(program + "Notiz.key")), "hi");
    EXPECT_TRUE(runs(h, 'N', "hi")) << h.editTextUtf8();

    // A desktop shortcut: "Create Shortcut...", its submenu, "On &Desktop".
    SetForegroundWindow(manager);
    list.click(0, true);
    ASSERT_TRUE(h.waitFor([] { return e2e::openPopupMenu() != nullptr; }, 5s));
    h.pumpFor(300ms);
    for (BYTE key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}) h.tap(key);
    h.tap('D');
    const std::string lnk = desktop + "\\Notiz.lnk";
    e2e::LinkFields link;
    ASSERT_TRUE(h.waitFor([&] { return e2e::readLink(lnk, link); }, 10s)) << joined(entries(desktop));
    EXPECT_EQ(link.path, program + "Macros.exe");
    EXPECT_EQ(link.arguments, " /Open:\"Notiz\" /Close");
    h.focusTarget();
    h.clearEdit();
    // Started as the shell starts a link, from its program and arguments (Wine
    // would start it from the ANSI copy of the path).
    ShellExecuteW(nullptr, L"open", e2e::utf16(link.path).c_str(), e2e::utf16(link.arguments).c_str(),
                  nullptr, SW_SHOWNORMAL);
    EXPECT_TRUE(h.waitFor([&] { return h.editTextUtf8() == "hi"; }, 15s)) << h.editTextUtf8();

    // Deleted, the macro takes its file with it.
    SetForegroundWindow(manager);
    list.click(0);
    h.pumpFor(300ms);
    PostMessageW(e2e::button(manager, "Delete Macro"), BM_CLICK, 0, 0);
    HWND box = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (box = h.findDialog("Keyvale")) != nullptr; }, 10s));
    EXPECT_EQ(e2e::Harness::dialogText(box), "Are you sure you want to delete this macro?");
    h.tap('Y');
    EXPECT_TRUE(h.waitFor([&] { return e2e::readFile(program + "Notiz.key").empty(); }, 5s));
    EXPECT_EQ(profileValue(store, "Main", "Entries"), "0");

    // Nothing went to a look-alike folder, nor to the Windows folder's store.
    EXPECT_EQ(joined(entries(root)), "[Users][Дмитрий][Рабочий стол]");
    EXPECT_EQ(joined(entries(root + "\\Users")), "[Дмитрий]");
    EXPECT_EQ(joined(entries(appData)), "[Keyvale]");
    EXPECT_TRUE(e2e::readFile(h.storePath()).empty()) << "a store in the Windows folder";
    CoUninitialize();
}

// The Russian layout has no C or V key: Wine's keyboard follows the X
// server's layout (setxkbmap -layout ru, which the CTest fixture sets on
// the test display), and there VkKeyScanW(L'c') finds nothing.
TEST(UnicodeRussianLayout, CtrlLetterCombinationsArriveAsThoseKeys) {
    REQUIRE_CODE_PAGE(1251);
    ASSERT_EQ(VkKeyScanW(L'c'), -1) << "the Russian layout is not active: run setxkbmap -layout ru on "
                                       "the display (an Xvfb started with -noreset keeps it)";
    e2e::Harness h;
    // In a script "^" is a character; the prefix comes from the token.
    h.writeProgramFile("copy.key", "<<CTRL>>c");
    h.writeProgramFile("paste.key", "<<CTRL>>v");
    h.writeStore(e2e::store(2, e2e::macroSection(1, "Copy", 4, e2e::ctrlAlt('K'), "copy.key") +
                                   e2e::macroSection(2, "Paste", 4, e2e::ctrlAlt('J'), "paste.key")));
    h.start();
    h.focusTarget();
    h.clearKeys();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    EXPECT_TRUE(h.waitFor([&] { return h.injectedKeys().size() >= 15; }, 10s));
    EXPECT_EQ(h.injectedKeys(), "11+ 43+ 43- 11-") << "Ctrl+C";
    h.pumpFor(300ms);
    h.clearKeys();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'J');
    EXPECT_TRUE(h.waitFor([&] { return h.injectedKeys().size() >= 15; }, 10s));
    EXPECT_EQ(h.injectedKeys(), "11+ 56+ 56- 11-") << "Ctrl+V";
}
