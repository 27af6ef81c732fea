// Abbreviations typed with real key events into the driver's own edit
// control: Keyvale's input thread sees them as any program's typing.

#include <gtest/gtest.h>

#include "core/utf8.hpp"
#include "harness.hpp"

using namespace std::chrono_literals;

namespace {

std::string scriptMacro(int slot, const std::string& name, const std::string& keys) {
    return e2e::macroSection(slot, name, 4, 0, name + ".key", keys);
}

}  // namespace

TEST(Abbreviations, TypedAbbreviationsExpandInTheirCaseAndNeverInAPasswordField) {
    e2e::Harness h;
    h.writeProgramFile("Way.key", "by the way");
    h.writeProgramFile("Quick.key", "quick<<ENTER>>");
    h.writeProgramFile("Thanks.key",
                       "\xEF\xBB\xBF"
                       "спасибо");
    h.writeProgramFile("Long.key", "x<<MINS10>>y");
    h.writeProgramFile("Marker.bat", "@echo off\r\necho ran> \"%~dp0marker.txt\"\r\n");
    // In UTF-16, as the store turns for text outside the code page.
    h.writeStore("\xFF\xFE" +
                 kv::utf8ToUtf16Le(e2e::store(
                     5, scriptMacro(1, "Way", e2e::macroLine(kv::store::kAbbreviationField, "btw")) +
                            scriptMacro(2, "Quick",
                                        e2e::macroLine(kv::store::kAbbreviationField, "qq") +
                                            e2e::macroLine(kv::store::kImmediateField, "1")) +
                            "[Macro3]\r\nName=Marker\r\nType=1\r\nFileName=" + h.programDir() +
                            "Marker.bat\r\n" + e2e::macroLine(kv::store::kAbbreviationField, "mk") +
                            scriptMacro(4, "Thanks", e2e::macroLine(kv::store::kAbbreviationField, "спс")) +
                            scriptMacro(5, "Long", e2e::macroLine(kv::store::kAbbreviationField, "lg")))));
    h.start();
    ASSERT_TRUE(h.hookSeesKeys()) << "the keyboard hook saw no key within 20 s";
    h.focusTarget();

    h.typeLetters("i said btw ");
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "i said by the way "; }, 10s)) << h.editText();
    h.typeLetters("abtw ");  // starts no word
    h.pumpFor(500ms);
    EXPECT_EQ(h.editText(), "i said by the way abtw ");

    h.clearEdit();
    h.keyDown(VK_SHIFT);
    h.typeLetters("btw");
    h.keyUp(VK_SHIFT);
    h.tap(VK_SPACE);
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "BY THE WAY "; }, 10s)) << h.editText();

    h.clearEdit();
    h.clearKeys();
    h.typeLetters("qq");
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == "quick\r\n"; }, 10s))
        << h.editText() << " after " << h.injectedKeys();

    // Characters sent as themselves, as an on-screen keyboard does: Cyrillic
    // here, with a character beyond the first plane before it.
    h.clearEdit();
    h.sendText("\xF0\x9F\x98\x80 спс ");
    EXPECT_TRUE(h.waitFor([&] { return h.editTextUtf8() == "\xF0\x9F\x98\x80 спасибо "; }, 10s))
        << h.editTextUtf8();

    HWND edit = FindWindowExW(h.target(), nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    h.focusTarget();
    h.clearEdit();
    SetWindowLongPtrW(edit, GWL_STYLE, GetWindowLongPtrW(edit, GWL_STYLE) | ES_PASSWORD);
    SendMessageW(edit, EM_SETPASSWORDCHAR, '*', 0);
    h.typeLetters("btw ");
    h.pumpFor(1s);
    EXPECT_EQ(h.editText(), "btw ") << "expanded in a password field";
    SendMessageW(edit, EM_SETPASSWORDCHAR, 0, 0);
    SetWindowLongPtrW(edit, GWL_STYLE, GetWindowLongPtrW(edit, GWL_STYLE) & ~ES_PASSWORD);

    // A long script an abbreviation started stops at Esc like any other.
    h.focusTarget();
    h.clearEdit();
    h.typeLetters("lg ");
    ASSERT_TRUE(h.waitFor([&] { return h.editText().rfind("x", 0) == 0; }, 10s)) << h.editText();
    h.tap(VK_ESCAPE);
    h.clearEdit();
    h.typeLetters("btw ");
    EXPECT_TRUE(h.waitFor([&] { return h.editText().find("by the way ") != std::string::npos; }, 10s))
        << "still running after Esc: " << h.editText();
    std::string rest = h.editText();
    if (const auto at = rest.find("by the way "); at != std::string::npos) rest.erase(at, 11);
    EXPECT_EQ(rest.find('y'), std::string::npos) << "the stopped script went on: " << h.editText();

    // Last: the batch file's console may take the focus.
    h.focusTarget();
    h.clearEdit();
    h.typeLetters("mk ");
    EXPECT_TRUE(h.waitFor([&] { return h.programFileExists("marker.txt"); }, 15s)) << "a kind 1 macro";
    // The ending blank follows the focus, which the console may have taken.
    EXPECT_TRUE(h.waitFor([&] { return h.editText() == " "; }, 5s) || h.editText().empty()) << h.editText();
}
