#include "manager/macro_list.hpp"

#include <gtest/gtest.h>

#include "os/fake/fake_os.hpp"

using namespace kv;
using manager::MacroRow;

TEST(MacroList, OneRowPerSlotWithDefaultsForMissingKeys) {
    os::fake::FakeFiles files;
    os::fake::FakeKeyboard keyboard;
    store::Store st(files, "macros.ini");
    EXPECT_TRUE(manager::macroListRows(st, keyboard).empty());
    files.files["macros.ini"] =
        "[Main]\r\nEntries=3\r\n[Macro1]\r\nName=Notes\r\nHotKey=0x4041\r\nTrigger=Untitled - Notepad\r\n"
        "[Macro2]\r\nHotKey=abc\r\n[Macro3]\r\nName=Big\r\nHotKey=90235\r\n[Macro4]\r\nName=Beyond Entries\r\n";
    EXPECT_EQ(manager::macroListRows(st, keyboard),
              (std::vector<MacroRow>{{"Notes", "Ctrl+A", "Untitled - Notepad", 0},
                                     {"Macro2", "", "", 0},
                                     // taken modulo 65536: 90235 - 65536 = 24699
                                     {"Big", "Shift+Ctrl+F12", "", 0}}));
}
