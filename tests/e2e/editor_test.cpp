// The advanced-macro editor in the real wizard: menu buttons used with the
// keyboard, insertion at the caret and over the selection, hints, the
// command dialogs and the one-line input box, and a script built from them
// that runs from its hot key.

#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <gtest/gtest.h>

#include "harness.hpp"
#include "remote_controls.hpp"
#include "screenshot.hpp"

using namespace std::chrono_literals;

namespace {

void setClipboard(HWND owner, const std::string& text) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(g), text.c_str(), text.size() + 1);
    GlobalUnlock(g);
    SetClipboardData(CF_TEXT, g);
    CloseClipboard();
}

std::string clipboardText(HWND owner) {
    std::string text;
    if (!OpenClipboard(owner)) return "<busy>";
    if (HANDLE g = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(g));
        GlobalUnlock(g);
    }
    CloseClipboard();
    return text;
}

// The wizard opened from the manager window and led to the script page.
struct Editor {
    e2e::Harness& h;
    HWND wizard = nullptr;
    HWND script = nullptr;

    explicit Editor(e2e::Harness& harness, const std::string& name = "Typed", WORD hotKey = 0) : h(harness) {
        h.start();
        HWND manager = nullptr;
        EXPECT_TRUE(h.waitFor([&] { return (manager = h.findDialog("Veltrane Keyvale")) != nullptr; }, 15s));
        e2e::Harness::clickButton(manager, "New Macro");
        EXPECT_TRUE(h.waitFor([&] { return (wizard = h.findDialog("Macro Setup Wizard")) != nullptr; }, 10s));
        next([&] { return e2e::visibleChild(wizard, "Edit") != nullptr; });
        SendMessageA(e2e::visibleChild(wizard, "Edit"), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(name.c_str()));
        next([&] { return e2e::visibleChild(wizard, HOTKEY_CLASSA) != nullptr; });
        if (hotKey) SendMessageA(e2e::visibleChild(wizard, HOTKEY_CLASSA), HKM_SETHOTKEY, hotKey, 0);
        next([&] { return (script = e2e::visibleChild(wizard, "Edit", "", ES_MULTILINE)) != nullptr; });
    }

    void next(const std::function<bool()>& arrived) {
        e2e::Harness::clickButton(wizard, "&Next >");
        EXPECT_TRUE(h.waitFor(arrived, 10s));
    }

    std::string text() const { return e2e::windowText(script); }
    void setText(const std::string& t, int selStart, int selEnd) {
        SendMessageA(script, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
        SendMessageA(script, EM_SETSEL, selStart, selEnd);
    }
    HWND button(const char* caption) const { return e2e::visibleChild(wizard, "Button", caption); }

    // Picks item index of the open menu with the arrow keys and Enter.
    void pickOpenMenuItem(int index) {
        ASSERT_TRUE(h.waitFor([] { return e2e::openPopupMenu() != nullptr; }, 5s));
        for (int i = 0; i <= index; ++i) h.tap(VK_DOWN);
        h.tap(VK_RETURN);
        EXPECT_TRUE(h.waitFor([] { return e2e::openPopupMenu() == nullptr; }, 5s));
    }
    // Clicks the menu button and picks the item.
    void choose(const char* caption, int index) {
        PostMessageA(button(caption), BM_CLICK, 0, 0);
        pickOpenMenuItem(index);
    }
    HWND waitForWindow(const std::string& caption) {
        HWND w = nullptr;
        EXPECT_TRUE(h.waitFor([&] { return (w = h.findDialog(caption)) != nullptr; }, 10s)) << caption;
        return w;
    }
    bool waitForText(const std::string& expected) {
        return h.waitFor([&] { return text() == expected; }, 5s);
    }
};

// Sets the first edit of a dialog and presses one of its buttons.
void answer(HWND dialog, const std::string& value, const std::string& buttonCaption) {
    SendMessageA(e2e::visibleChild(dialog, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
    e2e::Harness::clickButton(dialog, buttonCaption);
}

}  // namespace

TEST(Editor, MenuButtonsWorkFromTheKeyboardAndInsertOverTheSelectionOrAtTheCaret) {
    e2e::Harness h;
    h.writeStore("[Main]\r\nShow Hints=0\r\n");
    setClipboard(h.target(), "held by the user");
    Editor e(h);
    ASSERT_TRUE(e.script);

    // Text selected: the selection becomes the token. Tab reaches the menu
    // button from the script box, Alt+Down opens it.
    e.setText("abcdef", 1, 3);
    h.tap(VK_TAB);
    h.keyDown(VK_MENU);
    h.tap(VK_DOWN);
    h.keyUp(VK_MENU);
    e.pickOpenMenuItem(11);  // F5
    EXPECT_TRUE(e.waitForText("a<<F5>>def")) << e.text();

    // No selection: inserted at the caret, not at the end; Enter opens the menu.
    e.setText("abcdef", 2, 2);
    h.tap(VK_TAB);
    h.tap(VK_RETURN);
    e.pickOpenMenuItem(11);
    EXPECT_TRUE(e.waitForText("ab<<F5>>cdef")) << e.text();
    DWORD start = 0, end = 0;
    SendMessageA(e.script, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 8u);
    EXPECT_EQ(end, 8u);

    // The focus went back to the script box: typing goes there. Space opens the menu too.
    h.tap(VK_END);
    h.tap('X');
    EXPECT_TRUE(e.waitForText("ab<<F5>>cdefx")) << e.text();
    h.tap(VK_TAB);
    h.tap(VK_SPACE);
    e.pickOpenMenuItem(6);  // Enter
    EXPECT_TRUE(e.waitForText("ab<<F5>>cdefx<<ENTER>>")) << e.text();

    // Run another macro, answered and cancelled.
    e.setText("", 0, 0);
    e.choose("&Misc.", 2);
    HWND box = e.waitForWindow("Run another macro");
    ASSERT_TRUE(box);
    EXPECT_NE(e2e::Harness::dialogText(box).find("Type the exact name of the existing macro to run"),
              std::string::npos);
    // Enter answers, Esc cancels.
    SendMessageA(e2e::visibleChild(box, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Notes"));
    h.tap(VK_RETURN);
    EXPECT_TRUE(e.waitForText("<<RUN:Notes>>")) << e.text();
    e.choose("&Misc.", 2);
    box = e.waitForWindow("Run another macro");
    ASSERT_TRUE(box);
    SendMessageA(e2e::visibleChild(box, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other"));
    h.tap(VK_ESCAPE);
    EXPECT_TRUE(h.waitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5s));
    h.pumpFor(300ms);
    EXPECT_EQ(e.text(), "<<RUN:Notes>>");

    EXPECT_EQ(clipboardText(h.target()), "held by the user");
}

TEST(Editor, HintsComeFirstWhenOnAndTheDialogsInsertTheirTokens) {
    e2e::Harness h;
    h.writeStore("[Main]\r\nWaitForSeparator=|\r\n");
    Editor e(h);
    ASSERT_TRUE(e.script);

    e.choose("Special &Keys", 0);  // Ctrl
    HWND hint = e.waitForWindow("Keyvale Hints");
    ASSERT_TRUE(hint);
    h.pumpFor(300ms);
    EXPECT_EQ(e.text(), "");  // not before the hint is closed
    e2e::Harness::clickButton(hint, "&OK");
    EXPECT_TRUE(e.waitForText("<<CTRL>>")) << e.text();

    // Hints off: at once.
    h.writeStore("[Main]\r\nWaitForSeparator=|\r\nShow Hints=0\r\n");
    e.setText("", 0, 0);
    e.choose("Special &Keys", 0);
    EXPECT_TRUE(e.waitForText("<<CTRL>>")) << e.text();
    EXPECT_EQ(h.findDialog("Keyvale Hints"), nullptr);

    // The delay dialog: an empty time is refused, 10 and Minutes give <<MINS10>>.
    e.setText("", 0, 0);
    e2e::Harness::clickButton(e.wizard, "&Start a Delay");
    HWND wait = e.waitForWindow("Wait Time");
    ASSERT_TRUE(wait);
    EXPECT_FALSE(IsWindowEnabled(e.wizard));
    e2e::Harness::clickButton(wait, "&OK");
    HWND message = e.waitForWindow("Keyvale");
    ASSERT_TRUE(message);
    EXPECT_EQ(e2e::Harness::dialogText(message), "Please specify the time to wait.");
    e2e::Harness::clickButton(message, "OK");
    EXPECT_TRUE(h.waitFor([&] { return h.findDialog("Keyvale") == nullptr; }, 5s));
    EXPECT_TRUE(IsWindowVisible(wait));
    // Digits only, at most three.
    HWND time = e2e::visibleChild(wait, "Edit");
    for (char c : std::string("1a2345")) SendMessageA(time, WM_CHAR, static_cast<WPARAM>(c), 0);
    EXPECT_EQ(e2e::windowText(time), "123");
    SendMessageA(time, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("10"));
    e2e::Harness::clickButton(wait, "&Minutes");
    e2e::Harness::clickButton(wait, "&OK");
    EXPECT_TRUE(e.waitForText("<<MINS10>>")) << e.text();
    // The token goes in just before the dialog closes.
    EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(wait) && IsWindowEnabled(e.wizard); }, 5s));

    // The dialog keeps its values for the next use.
    e2e::Harness::clickButton(e.wizard, "&Start a Delay");
    wait = e.waitForWindow("Wait Time");
    ASSERT_TRUE(wait);
    EXPECT_EQ(e2e::windowText(e2e::visibleChild(wait, "Edit")), "10");
    e2e::Harness::clickButton(wait, "&Cancel");
    EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(wait); }, 5s));
    EXPECT_EQ(e.text(), "<<MINS10>>");

    // Wait for a window, with the separator from the store.
    e.setText("", 0, 0);
    e.choose("&Misc.", 3);
    HWND look = e.waitForWindow("Wait for a Window");
    ASSERT_TRUE(look);
    const LONG_PTR ex = GetWindowLongPtrA(look, GWL_EXSTYLE), style = GetWindowLongPtrA(look, GWL_STYLE);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(style & WS_SYSMENU);
    answer(look, "Calc", "&OK");
    EXPECT_TRUE(e.waitForText("<<LOOKFOR:Calc|SECS:5>>")) << e.text();
}

TEST(Editor, AScriptBuiltFromMenusAndDialogsRunsFromItsHotKey) {
    e2e::Harness h;
    h.writeStore("[Main]\r\nShow Hints=0\r\n");
    Editor e(h, "Built", MAKEWORD('B', HOTKEYF_CONTROL | HOTKEYF_ALT));
    ASSERT_TRUE(e.script);

    e.choose("&Repeat", 0);
    HWND repeat = e.waitForWindow("Number of Times to Repeat");
    ASSERT_TRUE(repeat);
    answer(repeat, "2", "&OK");
    EXPECT_TRUE(e.waitForText("<<REP2>>")) << e.text();
    // Keys go to the wizard once the dialog has gone and the wizard is enabled again.
    EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(repeat) && IsWindowEnabled(e.wizard); }, 5s));
    h.pumpFor(200ms);
    // The accelerator opens a menu button's menu too.
    SetForegroundWindow(e.wizard);
    h.keyDown(VK_MENU);
    h.tap('D');
    h.keyUp(VK_MENU);
    e.pickOpenMenuItem(0);  // short date
    e.choose("&Repeat", 1);
    e.choose("&More Keys", 0);  // Home
    EXPECT_TRUE(e.waitForText("<<REP2>><<SHORTDATE>><<ENDREP>><<HOME>>")) << e.text();

    // Enter in the script box presses the default button: Next to the summary.
    SetForegroundWindow(e.wizard);
    h.tap(VK_RETURN);
    HWND finished = nullptr;
    ASSERT_TRUE(h.waitFor([&] { return (finished = e.button("&Finished")) != nullptr; }, 5s));
    e2e::Harness::clickButton(e.wizard, "&Finished");
    ASSERT_TRUE(h.waitFor([&] { return h.programFileExists("Built.key"); }, 10s));
    EXPECT_TRUE(h.waitFor([&] { return h.readStore().find("FileName=Built.key") != std::string::npos; }, 5s));

    h.focusTarget();
    h.clearKeys();
    h.pressHotKey({VK_CONTROL, VK_MENU}, 'B');
    char date[128] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
    const std::string twice = std::string(date) + date;
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == twice; }, 15s)) << h.editText();
    EXPECT_TRUE(h.waitFor([&] { return h.injectedKeys().find("24+ 24-") != std::string::npos; }, 5s))
        << h.injectedKeys();
}

TEST(Editor, ScreenshotOfThePageWithAMenuAndTheFourDialogs) {
    e2e::Harness h;
    h.writeStore("[Main]\r\nShow Hints=0\r\n");
    Editor e(h);
    ASSERT_TRUE(e.script);
    e.setText("Dear <<INPUT:Name>><<WRITEVALUE>>,<<ENTER>><<SHORTDATE>><<TAB>>", 0, 0);
    PostMessageA(e.button("Special &Keys"), BM_CLICK, 0, 0);
    ASSERT_TRUE(h.waitFor([] { return e2e::openPopupMenu() != nullptr; }, 5s));
    h.tap(VK_DOWN);
    h.pumpFor(300ms);
    RECT w, m;
    GetWindowRect(e.wizard, &w);
    GetWindowRect(e2e::openPopupMenu(), &m);
    UnionRect(&w, &w, &m);
    e2e::saveScreenRect(w, "editor-menu");
    h.tap(VK_ESCAPE);
    ASSERT_TRUE(h.waitFor([] { return e2e::openPopupMenu() == nullptr; }, 5s));
    h.pumpFor(300ms);
    EXPECT_EQ(e.text(), "Dear <<INPUT:Name>><<WRITEVALUE>>,<<ENTER>><<SHORTDATE>><<TAB>>");  // nothing chosen

    struct Shot {
        const char* button;
        int item;  // -1: a push button
        const char* caption;
        const char* name;
        const char* cancel;
    };
    const Shot shots[] = {
        {"&Start a Delay", -1, "Wait Time", "dialog-wait-time", "&Cancel"},
        {"&Repeat", 0, "Number of Times to Repeat", "dialog-repeat", "&Cancel"},
        {"&Misc.", 0, "Input Box", "dialog-input-box", "&Cancel"},
        {"&Misc.", 3, "Wait for a Window", "dialog-wait-for-window", "&Cancel"},
        {"&Misc.", 2, "Run another macro", "dialog-run-another-macro", "Cancel"},
    };
    for (const Shot& s : shots) {
        if (s.item < 0)
            e2e::Harness::clickButton(e.wizard, s.button);
        else
            e.choose(s.button, s.item);
        HWND d = e.waitForWindow(s.caption);
        ASSERT_TRUE(d) << s.caption;
        h.pumpFor(300ms);
        e2e::saveScreenshot(d, s.name);
        e2e::Harness::clickButton(d, s.cancel);
        EXPECT_TRUE(h.waitFor([&] { return !IsWindowVisible(d) || !IsWindow(d); }, 5s)) << s.caption;
    }
    EXPECT_EQ(e.text(), "Dear <<INPUT:Name>><<WRITEVALUE>>,<<ENTER>><<SHORTDATE>><<TAB>>");
}
