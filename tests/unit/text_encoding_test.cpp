#include "store/text_encoding.hpp"

#include <gtest/gtest.h>

#include <vector>

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

// Every text made of code-page characters reads back as written, whichever
// form it is written in: code-page bytes that also form UTF-8 ("É" and a
// no-break space, "â‚¬") or begin like a byte-order mark must not be sniffed
// as something else.
TEST_F(TextEncodingTest, EveryRunOfCodePageCharactersReadsBackAsWritten) {
    const auto character = [&](unsigned byte) {
        return files.fromCodePage(std::string(1, static_cast<char>(byte)));
    };
    std::vector<std::string> texts;
    for (unsigned a = 1; a < 256; ++a)
        for (unsigned b = 1; b < 256; ++b) texts.push_back(character(a) + character(b));
    // Three and four bytes: every lead byte of a longer UTF-8 form with every
    // continuation byte after it (four-byte forms with the last two fixed).
    for (unsigned lead = 0xE0; lead <= 0xF4; ++lead)
        for (unsigned b = 0x80; b < 0xC0; ++b)
            for (unsigned c = 0x80; c < 0xC0; ++c)
                texts.push_back(character(lead) + character(b) + character(c) +
                                (lead >= 0xF0 ? character(0x80) + character(0xBF) : ""));
    const struct {
        const char* prefix;
        const char* suffix;
    } frames[] = {{"", ""}, {"CAF", " !"}, {"\xC2\xA0", "\r\n"}};
    std::size_t failures = 0;
    for (const auto& frame : frames) {
        for (const std::string& t : texts) {
            const std::string text = frame.prefix + t + frame.suffix;
            if (decodeScript(files, encodeScript(files, text)) != text && ++failures < 5)
                ADD_FAILURE() << "script " << text << " reads back as "
                              << decodeScript(files, encodeScript(files, text));
            const std::string stored = encodeStoreFile(files, text, TextEncoding::CodePage);
            if (decodeStoreFile(files, stored).text != text && ++failures < 5)
                ADD_FAILURE() << "store text " << text << " reads back as "
                              << decodeStoreFile(files, stored).text;
        }
    }
    EXPECT_EQ(failures, 0u);
}

TEST_F(TextEncodingTest, TextThatWouldReadBackChangedIsWrittenInUnicodeAndOtherTextStaysInTheCodePage) {
    const struct {
        const char* text;
        const char* script;  // as written to disk
    } cases[] = {
        {"CAF\u00C9\u00A0!",
         "\xEF\xBB\xBF"
         "CAF\xC3\x89\xC2\xA0!"},
        {"STRA\u00DF\u00B0E",
         "\xEF\xBB\xBFSTRA\xC3\x9F\xC2\xB0"
         "E"},
        {"NO\u00CB\u2026L", "\xEF\xBB\xBFNO\xC3\x8B\xE2\x80\xA6L"},
        {"STRA\u00DFE\u00B0",
         "STRA\xDF"
         "E\xB0"},  // "E" parts them: not UTF-8, the code page
        {"\u00EF\u00BB\u00BFx", "\xEF\xBB\xBF\xC3\xAF\xC2\xBB\xC2\xBFx"},  // looks like a mark
        {"\u00C9 \u00A0", "\xC9 \xA0"},  // not UTF-8 once a blank parts them: the code page
        {"caf\u00E9", "caf\xE9"},
    };
    for (const auto& c : cases) EXPECT_EQ(encodeScript(files, c.text), c.script) << c.text;

    // A store whose text begins with what reads as a byte-order mark.
    EXPECT_EQ(encodeStoreFile(files, "\u00FF\u00FE[Main]", TextEncoding::CodePage),
              std::string("\xFF\xFE\xFF\x00\xFE\x00[\x00M\x00"
                          "a\x00i\x00n\x00]\x00",
                          18));
    EXPECT_EQ(encodeStoreFile(files, "[Main]\r\nName=CAF\u00C9\u00A0!", TextEncoding::CodePage),
              "[Main]\r\nName=CAF\xC9\xA0!");
}

// The test looks at whole words of eight bytes, then at the rest one by one:
// a byte beyond ASCII is seen at every place of either part.
TEST(IsAscii, FindsAByteBeyondAsciiAtEveryPlace) {
    for (std::size_t size = 0; size <= 19; ++size) {
        const std::string plain(size, 'a');
        EXPECT_TRUE(isAscii(plain)) << size;
        for (std::size_t at = 0; at < size; ++at) {
            std::string t = plain;
            t[at] = '\x80';
            EXPECT_FALSE(isAscii(t)) << size << " " << at;
        }
    }
}
