#include "store/text_encoding.hpp"

#include <gtest/gtest.h>

#include "core/utf8.hpp"
#include "os/fake/fake_os.hpp"
#include "store/store.hpp"

using namespace kv;
using namespace kv::store;

namespace {

struct TextEncodingTest : ::testing::Test {
    os::fake::FakeFiles files;  // Windows-1252
    const std::string path = "C:\\windows\\macros.ini";
    Store store{files, path};
    std::string& file() { return files.files[path]; }
};

}  // namespace

TEST_F(TextEncodingTest, AStoreStaysInTheCodePageUntilAValueDoesNotFitThenStaysUtf16) {
    // Other lines, odd spacing included, keep their bytes.
    file() = "[Main]\r\nEntries=1\r\n[Macro1]\r\n  Name = caf\xE9  \r\n";
    EXPECT_EQ(store.readString("Macro1", "Name", ""), "caf\u00E9");
    store.writeString("Macro1", "HotKey", "0");
    EXPECT_EQ(file(), "[Main]\r\nEntries=1\r\n[Macro1]\r\n  Name = caf\xE9  \r\nHotKey=0\r\n");
    store.writeString("Macro1", "Trigger", "\u20AC");  // in Windows-1252: 0x80
    EXPECT_NE(file().find("Trigger=\x80\r\n"), std::string::npos);

    store.writeString("Macro2", "Name", "\u041E\u0442\u0447\u0451\u0442");
    ASSERT_TRUE(file().starts_with("\xFF\xFE"));
    EXPECT_EQ(utf16LeToUtf8(file().substr(2)).substr(0, 18), "[Main]\r\nEntries=1\r");
    EXPECT_EQ(store.readString("Macro1", "Name", ""), "caf\u00E9");
    EXPECT_EQ(store.readString("Macro2", "Name", ""), "\u041E\u0442\u0447\u0451\u0442");
    // Plain text written later does not take it back to the code page.
    store.eraseSection("Macro2");
    store.writeString("Main", "Entries", "1");
    EXPECT_TRUE(file().starts_with("\xFF\xFE"));

    file() = "\xEF\xBB\xBF[Main]\r\nName=\xC3\xA9\r\n";
    EXPECT_EQ(store.readString("Main", "Name", ""), "\u00E9");
    store.writeString("Main", "Entries", "0");
    EXPECT_EQ(file(), "\xEF\xBB\xBF[Main]\r\nName=\xC3\xA9\r\nEntries=0\r\n");
}

TEST_F(TextEncodingTest, AReadReturnsAtMost1023Utf16UnitsAndNeverHalfACharacter) {
    std::string emoji;
    for (int i = 0; i < 600; ++i) emoji += "\U0001F600";
    store.writeString("Main", "Long", emoji);
    const std::string read = store.readString("Main", "Long", "");
    EXPECT_EQ(countChars(read), 511u);  // 1022 units: the 1023rd would be half of a pair
    EXPECT_EQ(countChars(store.readString("Main", "Missing", std::string(2000, 'x'))), 1023u);
}

TEST_F(TextEncodingTest, ScriptsKeepTheCodePageWhenTheyFitAndAreReadByMarkThenByUtf8) {
    EXPECT_EQ(encodeScript(files, "caf\u00E9 \u20AC"), "caf\xE9 \x80");
    EXPECT_EQ(encodeScript(files, "\u0414\u0436 \u2192 \U0001F600"),
              "\xEF\xBB\xBF\xD0\x94\xD0\xB6 \xE2\x86\x92 \xF0\x9F\x98\x80");

    EXPECT_EQ(decodeScript(files,
                           "\xEF\xBB\xBF"
                           "caf\xC3\xA9"),
              "caf\u00E9");
    EXPECT_EQ(decodeScript(files, std::string("\xFF\xFE"
                                              "c\0\xE9\0",
                                              6)),
              "c\u00E9");
    EXPECT_EQ(decodeScript(files, "caf\xC3\xA9"), "caf\u00E9");  // what current Notepad saves
    EXPECT_EQ(decodeScript(files, "caf\xE9"), "caf\u00E9");      // not UTF-8: the code page
    EXPECT_EQ(decodeScript(files, "\xC3\xA9\xE9"), "\u00C3\u00A9\u00E9");
}
