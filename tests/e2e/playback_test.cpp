// Advanced macros started by their hot keys type into the focused window.

#include <gtest/gtest.h>

#include "harness.hpp"

using namespace std::chrono_literals;

namespace {

// One script macro per hot key Ctrl+Alt+<letter>, in slot order.
struct Script {
    std::string name;
    char key;
    std::string text;
};

void setUp(e2e::Harness& h, const std::vector<Script>& scripts) {
    std::string sections;
    int slot = 0;
    for (const Script& s : scripts) {
        ++slot;
        // File names by slot: two macros may share a name in another letter case.
        const std::string file = "slot" + std::to_string(slot) + ".key";
        h.writeProgramFile(file, s.text);
        sections += e2e::macroSection(slot, s.name, 4, s.key ? e2e::ctrlAlt(s.key) : 0, file);
    }
    h.writeStore(e2e::store(slot, sections));
    h.start();
    h.focusTarget();
}

bool typed(e2e::Harness& h, const std::string& text, std::chrono::milliseconds timeout = 10s) {
    return h.waitFor([&] { return h.editText() == text; }, timeout);
}

}  // namespace

TEST(Playback, ModifierTokensPressAndReleaseInOrder) {
    e2e::Harness h;
    setUp(h, {{"CtrlC", 'K', "<<CTRL>>c"},
              {"ShiftAltF5", 'J', "<<SHIFT+ALT>><<F5>>"},
              {"CtrlAltDel", 'L', "<<CTRL+ALT>><<DELETE>>"}});
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    EXPECT_TRUE(h.waitFor([&] { return h.injectedKeys().size() >= 15; }, 10s));
    EXPECT_EQ(h.injectedKeys(), "11+ 43+ 43- 11-");
    // A hot key pressed before the last macro has quite ended is dropped.
    h.pumpFor(300ms);
    h.clearKeys();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'J');
    // Shift is pressed twice around the key, as a pending Shift always is.
    EXPECT_TRUE(h.waitFor([&] { return h.injectedKeys().size() >= 31; }, 10s));
    EXPECT_EQ(h.injectedKeys(), "12+ 10+ 10+ 74+ 74- 10- 10- 12-");
    h.pumpFor(300ms);
    h.clearKeys();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'L');
    EXPECT_TRUE(h.waitFor([&] { return h.injectedKeys().size() >= 23; }, 10s));
    EXPECT_EQ(h.injectedKeys(), "12+ 11+ 2E+ 2E- 11- 12-");
}

TEST(Playback, LiteralTextKeepsBracesAndPrefixCharacters) {
    e2e::Harness h;
    setUp(h, {{"Literal", 'K', "Hi {esc} a^b@c~d {World}\r\n"}});
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    EXPECT_TRUE(typed(h, "Hi {esc} a^b@c~d {World}")) << h.editText();
    bool sawEscape = false;
    for (const auto& k : h.keys()) sawEscape |= k.vk == VK_ESCAPE;
    EXPECT_FALSE(sawEscape) << "{esc} in a script is text, not the Escape key";
}

TEST(Playback, ACharacterOutsideTheLayoutArrivesAsThatCharacter) {
    e2e::Harness h;
    setUp(h, {{"Accent", 'K', "caf\xE9!"}});
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    EXPECT_TRUE(typed(h, "caf\xE9!")) << h.editText();
}

TEST(Playback, TheValuePromptAsksAndTheAnswerIsTypedBack) {
    e2e::Harness h;
    // Text typed just before the prompt opens stays with the window it was typed into.
    setUp(h, {{"Ask", 'K', "Dear you<<INPUT:Your name>>Hi <<WRITEVALUE>>"}});
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    HWND prompt = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (prompt = h.findDialog("Keyvale Input Box")) != nullptr; }, 10s));
    EXPECT_EQ(e2e::Harness::dialogText(prompt), "Your name");
    EXPECT_TRUE(h.waitFor([&] { return GetForegroundWindow() == prompt; }, 3s))
        << "the prompt comes to the front";
    e2e::Harness::setDialogEdit(prompt, "Bob");
    e2e::Harness::clickButton(prompt, "&OK");
    EXPECT_TRUE(typed(h, "Dear youHi Bob")) << "[" << h.editText() << "]";
    EXPECT_EQ(GetForegroundWindow(), h.target()) << "the window that was active gets the foreground back";

    // The answer field is empty the next time.
    h.clearEdit();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    ASSERT_TRUE(h.waitFor([&] { return (prompt = h.findDialog("Keyvale Input Box")) != nullptr; }, 10s));
    char answer[64] = {};
    // WM_GETTEXT: GetWindowText reads only the creation caption of another process's edit box.
    SendMessageA(FindWindowExA(prompt, nullptr, "Edit", nullptr), WM_GETTEXT, sizeof answer,
                 reinterpret_cast<LPARAM>(answer));
    EXPECT_STREQ(answer, "");
    e2e::Harness::clickButton(prompt, "&OK");
    EXPECT_TRUE(typed(h, "Dear youHi ")) << "[" << h.editText() << "]";

    // Closed another way than by OK, the prompt answers with its field all the same.
    h.clearEdit();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    ASSERT_TRUE(h.waitFor([&] { return (prompt = h.findDialog("Keyvale Input Box")) != nullptr; }, 10s));
    e2e::Harness::setDialogEdit(prompt, "Ann");
    PostMessageA(prompt, WM_CLOSE, 0, 0);
    EXPECT_TRUE(typed(h, "Dear youHi Ann")) << "[" << h.editText() << "]";
}

TEST(Playback, RunStartsEveryMacroOfTheNameInSlotOrder) {
    e2e::Harness h;
    setUp(h, {{"Outer", 'K', "a<<RUN:other>>b"}, {"Other", 0, "x"}, {"OTHER", 0, "y"}});
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    EXPECT_TRUE(typed(h, "axyb")) << h.editText();
}

TEST(Playback, AMacroThatRunsItselfEndsInAnErrorAndTheProgramGoesOn) {
    e2e::Harness h;
    setUp(h, {{"Self", 'K', "s<<RUN:Self>>"}, {"After", 'J', "ok"}});
    // A slow target: it takes each character some time, so typed keys still
    // wait in its queue when the error is raised.
    HWND edit = FindWindowExA(h.target(), nullptr, "Edit", nullptr);
    static WNDPROC editProc = nullptr;
    editProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC));
    SetWindowLongPtrA(edit, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
                          if (m == WM_CHAR) Sleep(10);
                          return CallWindowProcA(editProc, w, m, wp, lp);
                      }));
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    HWND box = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (box = h.findDialog("Keyvale")) != nullptr; }, 20s));
    EXPECT_NE(e2e::Harness::dialogText(box).find("nested too deeply"), std::string::npos)
        << e2e::Harness::dialogText(box);
    e2e::Harness::clickButton(box, "OK");
    ASSERT_TRUE(h.waitFor([&] { return !IsWindow(box); }, 5s));
    // On a busy machine the last keys may still be on their way; none may go to the error box.
    h.waitFor([&] { return h.editText().size() >= 65; }, 5s);
    EXPECT_EQ(h.editText(), std::string(65, 's')) << "each run typed before it ran the next, and no key "
                                                     "went to the error box";
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc));
    h.clearEdit();
    h.focusTarget();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'J');
    EXPECT_TRUE(typed(h, "ok")) << h.editText();
}

// The box waits until the window has read the typed keys, and no longer:
// one run after another, each box opens as soon as the other did.
TEST(Playback, EveryErrorBoxOpensOnceTheTypedKeysAreRead) {
    e2e::Harness h;
    setUp(h, {{"Self", 'K', "s<<RUN:Self>>"}});
    unsigned long long took[2] = {};
    for (auto& t : took) {
        h.clearEdit();
        h.focusTarget();
        const auto start = GetTickCount64();
        h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
        HWND box = nullptr;
        ASSERT_TRUE(h.waitFor([&] { return (box = h.findDialog("Keyvale")) != nullptr; }, 20s));
        t = GetTickCount64() - start;
        e2e::Harness::clickButton(box, "OK");
        ASSERT_TRUE(h.waitFor([&] { return !IsWindow(box); }, 5s));
        h.waitFor([&] { return h.editText().size() >= 65; }, 5s);
        EXPECT_EQ(h.editText(), std::string(65, 's'));
    }
    const auto apart = took[0] > took[1] ? took[0] - took[1] : took[1] - took[0];
    EXPECT_LT(apart, 1200u) << "the boxes opened after " << took[0] << " and " << took[1] << " ms";
}

TEST(Playback, LookForReturnsAtOnceForAnOpenWindowAndAfterItsTimeOutOtherwise) {
    e2e::Harness h;
    setUp(h, {{"Present", 'K', "<<LOOKFOR:keyvale TEST target~~SECS:20>>x"},
              {"Absent", 'J', "<<LOOKFOR:No Such Window~~SECS:3>>y"}});
    auto start = GetTickCount64();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'K');
    EXPECT_TRUE(typed(h, "x"));
    EXPECT_LT(GetTickCount64() - start, 5000u);
    h.clearEdit();
    start = GetTickCount64();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'J');
    EXPECT_TRUE(typed(h, "y", 15s));
    const auto took = GetTickCount64() - start;
    EXPECT_GE(took, 2900u);
    EXPECT_LT(took, 8000u);
}
