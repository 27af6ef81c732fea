// The one table of a macro's keys: every field a macro is created with
// reads back as written, every missing key reads as its default, every key
// moves with its macro when a slot below it is deleted, and macro names are
// one name when the file system takes them for one.

#include <gtest/gtest.h>

#include "os/fake/fake_os.hpp"
#include "os/fake/faulty_files.hpp"
#include "store/macro.hpp"
#include "store/macro_repository.hpp"

using namespace kv;
using namespace kv::store;

namespace {

const std::string kStore = "C:\\windows\\macros.ini";
const std::string kDir = "C:\\Keyvale\\";

// A macro whose every field differs from its default.
Macro unusual() {
    Macro m{"Mail", kReplayMouseAndKeys, 0x4041, "Mail.dat", "Inbox - Mail", 2};
    m.triggerRan = true;
    m.firedWindows = "12,34";
    m.enabled = false;
    m.onlyIn = "outlook.exe | - Mail";
    m.notIn = "Drafts";
    m.insert = Insert::Auto;
    m.pasteKeys = PasteKeys::ShiftInsert;
    m.keyDelay = 250;
    m.abbreviation = "b.t.w";
    m.immediate = true;
    return m;
}

// Each field of the two macros that the bits name, as text, through the table.
std::string fieldsOf(const Macro& m, unsigned fields) {
    std::string out;
    for (const MacroKey& k : macroKeys())
        if (fields & k.field) out += std::string(k.key) + "=" + k.text(m) + ";";
    return out;
}

TEST(MacroFields, EveryKeyReadsAsWrittenAndAMissingOneAsItsDefault) {
    os::fake::FakeFiles files;
    const Macro m = unusual();
    std::string section = "[Main]\r\nEntries=2\r\n[Macro1]\r\n";
    for (const MacroKey& k : macroKeys()) section += std::string(k.key) + "=" + k.text(m) + "\r\n";
    files.files[kStore] = section + "[Macro2]\r\n";
    const MacroRepository macros(files, kStore, kDir);
    for (const MacroKey& k : macroKeys()) {
        SCOPED_TRACE(std::string(k.key));
        EXPECT_EQ(fieldsOf(macros.read(1), k.field), fieldsOf(m, k.field));
        // The default every reader sees for a missing key.
        EXPECT_EQ(fieldsOf(macros.read(2), k.field),
                  std::string(k.key) + "=" + std::string(k.fallback) + ";");
        Macro fallback;
        k.read(fallback, std::nullopt);
        EXPECT_EQ(fieldsOf(fallback, k.field), fieldsOf(macros.read(2), k.field));
    }
}

TEST(MacroFields, CreatingAndChangingWriteTheFieldsTheUserSetsAndTheKindKeeps) {
    struct Case {
        std::int32_t kind;
        unsigned created, edited;
    };
    constexpr unsigned user = kNameField | kHotKeyField | kFileNameField | kTriggerField | kEnabledField |
                              kOnlyInField | kNotInField | kAbbreviationField | kImmediateField;
    constexpr unsigned arrival = kInsertField | kPasteKeysField | kKeyDelayField;
    const Case cases[] = {
        {kOpenDocument, user | kKindField, user},
        {kReplayKeys, user | kKindField, user},
        {kReplayMouseAndKeys, user | kKindField | kSpeedField, user | kSpeedField},
        {kScript, user | kKindField | arrival, user | arrival},
        // A kind this program does not know keeps whatever file it names.
        {7, (user | kKindField) & ~kFileNameField, user & ~kFileNameField},
    };
    for (const Case& c : cases) {
        Macro m = unusual();
        m.kind = c.kind;
        EXPECT_EQ(writtenFields(m, MacroWrite::Created), c.created) << c.kind;
        EXPECT_EQ(writtenFields(m, MacroWrite::Edited), c.edited) << c.kind;
    }
}

TEST(MacroFields, EveryKeyMovesWithItsMacroWhenASlotBelowIsDeleted) {
    os::fake::FakeFiles files;
    const Macro m = unusual();
    // A second section of slot 2 makes the deletion copy the keys instead
    // of renaming the sections; both ways must keep every field.
    for (const char* extra : {"", "[Macro2]\r\nName=Shadow\r\n"}) {
        SCOPED_TRACE(extra);
        std::string text = "[Main]\r\nEntries=2\r\n[Macro1]\r\nName=Gone\r\nType=1\r\n[Macro2]\r\n";
        for (const MacroKey& k : macroKeys()) text += std::string(k.key) + "=" + k.text(m) + "\r\n";
        files.files[kStore] = text + extra;
        MacroRepository macros(files, kStore, kDir);
        macros.remove(1, "Gone");
        ASSERT_EQ(macros.all().size(), 1u);
        EXPECT_EQ(fieldsOf(macros.read(1), kAllFields), fieldsOf(m, kAllFields));
    }
}

// Keys stored only when set: a store that never used them gets none of them
// written by creating, changing or deleting, and setting one back to its
// default takes it out of the section.
TEST(MacroFields, KeysStoredOnlyWhenSetNeverAppearInAStoreThatDoesNotUseThem) {
    os::fake::FakeFiles files;
    MacroRepository macros(files, kStore, kDir);
    addMacro(macros.store(), Macro{"One", kOpenDocument, 0, "a.txt", ""});
    addMacro(macros.store(), Macro{"Two", kOpenDocument, 0, "b.txt", ""});
    Macro off = macros.read(2);
    off.enabled = false;
    off.onlyIn = "notepad.exe";
    macros.update(off);
    const std::string& text = files.files[kStore];
    EXPECT_NE(text.find("Enabled=0"), std::string::npos) << text;
    off.enabled = true;
    off.onlyIn.clear();
    macros.update(off);
    // The macro deleted has them; the one copied into its slot has not (a
    // second section of slot 2 makes the deletion copy keys, not rename).
    Macro one = macros.read(1);
    one.notIn = "calc.exe";
    macros.update(one);
    files.files[kStore] += "[Macro2]\r\nName=Shadow\r\n";
    macros.remove(1, "One");
    for (const char* key : {"Enabled", "OnlyIn", "NotIn"})
        EXPECT_EQ(text.find(key), std::string::npos) << text;
    EXPECT_EQ(macros.read(1).nameOr(""), "Two");
}

TEST(MacroNames, NamesDifferingOnlyInLetterCaseAreOneNameInEveryAlphabet) {
    os::fake::FakeFiles files;
    struct Case {
        const char *a, *b;
        bool same;
    };
    const Case cases[] = {
        {"notes", "NOTES", true},
        {"lưu", "LƯU", true},                // Vietnamese: Latin Extended-B
        {"Tiếng Việt", "TIẾNG VIỆT", true},  // Latin Extended Additional
        {"čšž", "ČŠŽ", true},                // Latin Extended-A
        {"αβγ ως", "ΑΒΓ ΩΣ", true},          // Greek, final sigma
        {"привет ёж", "ПРИВЕТ ЁЖ", true},    // Cyrillic
        {"բարեւ", "ԲԱՐԵՒ", true},            // Armenian
        {"ⴀ", "Ⴀ", true},                    // Georgian
        {"ａｂｃ", "ＡＢＣ", true},          // full-width
        {"straße", "STRASSE", false},        // one unit never becomes two
        {"lưu", "LUU", false},               // accents are letters of their own
        {"a", "ａ", false},                  // full-width is another letter
        {"notes", "notes ", false},          // trailing blanks are the callers' to drop
        {"😀", "😀", true},                    // beyond the plane: compared as is
        {"", "", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(files.sameName(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(files.sameName(c.b, c.a), c.same) << c.b << " / " << c.a;
    }
}

// The store reads a value without the blanks in front of it: a data file
// named with them would be a file the store never names.
TEST(MacroNames, ANameWithBlanksInFrontNamesTheFileTheStoreReads) {
    os::fake::FakeFiles files;
    MacroRepository macros(files, kStore, kDir);
    macros.create(Macro{"  Lead", kScript, 0, "", ""}, "typed");
    const Macro m = macros.read(1);
    EXPECT_EQ(m.nameOr(""), "Lead");
    EXPECT_EQ(files.files[macros.storedPath(m.fileName)], "typed");
}

TEST(MacroNames, RunAndTheCommandLineFindAMacroWhateverTheCaseOfItsName) {
    os::fake::FakeFiles files;
    MacroRepository macros(files, kStore, kDir);
    for (const char* name : {"LƯU", "luu", "lưu"})
        addMacro(macros.store(), Macro{name, kOpenDocument, 0, "", ""});
    EXPECT_EQ(macros.slotsNamed("lưu"), (std::vector<int>{1, 3}));
    EXPECT_EQ(macros.slotsNamed("LUU"), (std::vector<int>{2}));
}

// Creating a script writes it whole beside the target and renames it over:
// whichever step fails, a file of that name holds the old script or the
// whole new one, never a part.
TEST(MacroFields, CreatingAScriptNeverLeavesAHalfWrittenFile) {
    for (int failStep = 1; failStep <= 3; ++failStep) {
        SCOPED_TRACE(failStep);
        os::fake::FakeFiles inner;
        inner.files[kDir + "Mail.key"] = "old script";
        os::fake::FaultyFiles files(inner);
        files.failStep = failStep;
        MacroRepository macros(files, kStore, kDir);
        Macro m;
        m.name = "Mail";
        m.kind = kScript;
        bool created = true;
        try {
            macros.create(m, "new script");
        } catch (const Error&) {
            created = false;
        }
        EXPECT_FALSE(inner.exists(kDir + "Mail.key.new")) << "no temporary file stays";
        const std::string now = inner.files[kDir + "Mail.key"];
        EXPECT_TRUE(now == "old script" || now.starts_with("new script")) << now;
        if (created) {
            EXPECT_TRUE(now.starts_with("new script")) << now;
        }
    }
}

}  // namespace
