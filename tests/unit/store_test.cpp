#include "store/store.hpp"

#include <gtest/gtest.h>

#include <random>

#include "core/error.hpp"
#include "os/fake/fake_os.hpp"
#include "store/macros.hpp"

using namespace kv;
using namespace kv::store;

namespace {

struct StoreTest : ::testing::Test {
    os::fake::FakeFiles files;
    const std::string path = "C:\\windows\\macros.ini";
    Store store{files, path};
    void setFile(const std::string& text) { files.files[path] = text; }
    std::string file() { return files.files[path]; }
};

}  // namespace

TEST_F(StoreTest, ReadsFollowTheProfileRules) {
    setFile(
        "[main]\r\n"
        "  Entries = 3  \r\n"
        "Quoted=\"  spaced  \"\r\n"
        "just a line\r\n"
        "Dup=first\r\n"
        "dup=second\r\n"
        "[ Macro1 ]\r\n"
        "Name=One\r\n"
        "[MAIN]\r\n"
        "Other=shadowed\r\n");
    EXPECT_EQ(store.readInt("MAIN", "entries", 0), 3);
    EXPECT_EQ(store.readString("Main", "Quoted", ""), "  spaced  ");
    EXPECT_EQ(store.readString("Main", "Dup", ""), "first");
    EXPECT_EQ(store.readString("Main", "just a line", "def"), "def");
    EXPECT_EQ(store.readString("macro1", "NAME", ""), "One");
    // The first of two sections with one name wins.
    EXPECT_EQ(store.readString("Main", "Other", "none"), "none");
    EXPECT_EQ(store.readString("Nowhere", "Name", "dflt"), "dflt");
}

TEST_F(StoreTest, MissingFileReadsAsEmptyStore) {
    EXPECT_EQ(store.readInt("Main", "Entries", 0), 0);
    EXPECT_TRUE(store.readBool("Main", "FirstRun", true));
    EXPECT_FALSE(files.exists(path));
}

TEST_F(StoreTest, IntegersAndBooleans) {
    setFile(
        "[M]\r\nhex=0x4041\r\nHEX=1\r\nupper=0XC04B\r\nshort=0x\r\nneg=-12\r\nbad=abc\r\nmixed=12ab\r\n"
        "big=2147483648\r\nwrap=0xFFFFFFFF\r\nempty=\r\nb1=1\r\nb0=0\r\nb7=7\r\nbx=yes\r\n");
    EXPECT_EQ(store.readInt("M", "hex", 0), 16449);
    EXPECT_EQ(store.readInt("M", "upper", 0), 0xC04B);
    EXPECT_EQ(store.readInt("M", "short", 5), 5);
    EXPECT_EQ(store.readInt("M", "neg", 0), -12);
    EXPECT_EQ(store.readInt("M", "bad", 0), 0);
    EXPECT_EQ(store.readInt("M", "mixed", 9), 9);
    EXPECT_EQ(store.readInt("M", "big", 7), 7);
    EXPECT_EQ(store.readInt("M", "wrap", 0), -1);
    EXPECT_EQ(store.readInt("M", "empty", 4), 4);
    EXPECT_TRUE(store.readBool("M", "b1", false));
    EXPECT_FALSE(store.readBool("M", "b0", true));
    EXPECT_TRUE(store.readBool("M", "b7", false));
    EXPECT_TRUE(store.readBool("M", "bx", true));
    EXPECT_FALSE(store.readBool("M", "bx", false));
}

TEST_F(StoreTest, LongValuesAreCutTo1023Characters) {
    const std::string longValue(1500, 'x');
    store.writeString("Main", "Long", longValue);
    EXPECT_NE(file().find(longValue), std::string::npos) << "the file keeps the whole value";
    EXPECT_EQ(store.readString("Main", "Long", ""), std::string(1023, 'x'));
}

TEST_F(StoreTest, WritesAppendKeysToTheirSectionAndSectionsToTheEnd) {
    setFile("[Main]\r\nEntries=1\r\n\r\n[Macro1]\r\nName=A\r\n");
    store.writeInt("main", "FirstRun", 0);
    store.writeString("Macro1", "name", "B");
    store.writeString("Macro2", "Name", "C");
    EXPECT_EQ(file(),
              "[Main]\r\nEntries=1\r\nFirstRun=0\r\n\r\n[Macro1]\r\nName=B\r\n[Macro2]\r\nName=C\r\n");
    store.writeString("Macro1", "Trigger", "");
    EXPECT_EQ(store.readString("Macro1", "Trigger", "x"), "");
    EXPECT_NE(file().find("Trigger=\r\n"), std::string::npos);
}

TEST_F(StoreTest, EraseSectionRemovesItsKeysOnly) {
    setFile("[A]\r\nk=1\r\n[B]\r\nk=2\r\nj=3\r\n[C]\r\nk=4\r\n");
    store.eraseSection("b");
    EXPECT_EQ(file(), "[A]\r\nk=1\r\n[C]\r\nk=4\r\n");
    const int writes = files.writes;
    store.eraseSection("missing");
    EXPECT_EQ(files.writes, writes) << "nothing to erase, nothing written";
}

TEST_F(StoreTest, EveryReadSeesTheFileAsItIsNow) {
    store.writeInt("Main", "Entries", 1);
    setFile("[Main]\r\nEntries=5\r\n");  // another instance or an editor changed it
    EXPECT_EQ(store.readInt("Main", "Entries", 0), 5);
}

TEST_F(StoreTest, WritesGoThroughATemporaryFileAndLeaveNoneBehind) {
    setFile("[Main]\r\nEntries=1\r\n");
    store.writeInt("Main", "Entries", 2);
    EXPECT_EQ(files.files.size(), 1u);
    EXPECT_EQ(store.readInt("Main", "Entries", 0), 2);
}

TEST_F(StoreTest, NeverWritesInPlaceWhenTheFolderTakesNoNewFileOrTheRenameFails) {
    setFile("[Main]\r\nEntries=1\r\n");
    files.noNewFilesIn.insert("C:\\windows\\");
    EXPECT_THROW(store.writeInt("Main", "Entries", 2), Error);
    EXPECT_EQ(file(), "[Main]\r\nEntries=1\r\n");
    files.failReplace = true;
    files.noNewFilesIn.clear();
    EXPECT_THROW(store.writeInt("Main", "Entries", 3), Error);
    EXPECT_EQ(file(), "[Main]\r\nEntries=1\r\n");
    EXPECT_EQ(files.files.size(), 1u) << "a failed rename leaves no temporary file";
}

TEST_F(StoreTest, ARefusedWriteRaisesAndKeepsEarlierWrites) {
    setFile("[Main]\r\nEntries=1\r\n");
    store.writeString("Macro1", "Name", "kept");
    files.readOnly.insert(path);
    try {
        store.writeString("Macro1", "Name", "lost");
        FAIL() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    EXPECT_EQ(store.readString("Macro1", "Name", ""), "kept");
}

TEST_F(StoreTest, AddAppendsTheNextSlot) {
    Macro m{"Notes", kReplayMouseAndKeys, 16449, "Notes.dat", "Untitled - Notepad", 2};
    EXPECT_EQ(addMacro(store, m), 1);
    m.name = "Second";
    m.kind = kScript;
    EXPECT_EQ(addMacro(store, m), 2);
    EXPECT_EQ(readEntries(store), 2);
    EXPECT_EQ(store.readInt("Macro1", "Speed", 0), 2);
    EXPECT_EQ(store.readInt("Macro2", "Speed", 0), 0) << "Speed is written for kind 3 only";
    EXPECT_EQ(store.readInt("Macro1", "HotKey", 0), 16449);
}

TEST_F(StoreTest, DeletingTheOnlyMacroLeavesAnEmptyStore) {
    setFile("[Main]\r\nEntries=1\r\n[Macro1]\r\nName=Only\r\nType=4\r\n");
    deleteMacroSlot(store, 1);
    EXPECT_EQ(readEntries(store), 0);
    EXPECT_EQ(store.readString("Macro1", "Name", "gone"), "gone");
}

TEST_F(StoreTest, DeletingSlotTwoOfThreeMovesTheLastDownWithItsOwnRecord) {
    setFile(
        "[Main]\r\nEntries=3\r\n"
        "[Macro1]\r\nName=A\r\nType=1\r\nFoundHandle=11\r\n"
        "[Macro2]\r\nName=B\r\nType=2\r\nHotKey=16449\r\nTrigger=Tb\r\nFoundHandle=22\r\n"
        "[Macro3]\r\nName=C\r\nType=3\r\nFileName=C.dat\r\nSpeed=2\r\nFoundHandle=33,44\r\n");
    deleteMacroSlot(store, 2);
    EXPECT_EQ(readEntries(store), 2);
    EXPECT_EQ(store.readString("Macro1", "Name", ""), "A");
    EXPECT_EQ(store.readString("Macro1", "FoundHandle", ""), "11");
    EXPECT_EQ(store.readString("Macro2", "Name", ""), "C");
    EXPECT_EQ(store.readInt("Macro2", "Type", 0), 3);
    EXPECT_EQ(store.readInt("Macro2", "Speed", 0), 2);
    EXPECT_EQ(store.readInt("Macro2", "HotKey", 0), 0) << "a key the moved macro lacks reads as its default";
    EXPECT_EQ(store.readString("Macro2", "Trigger", ""), "");
    EXPECT_EQ(store.readString("Macro2", "FileName", ""), "C.dat");
    EXPECT_EQ(store.readString("Macro2", "FoundHandle", ""), "33,44");
    EXPECT_EQ(store.readString("Macro3", "Name", "gone"), "gone");
}

namespace {

// A store as hand edits and earlier versions leave it: slots without a
// section or with two, sections out of order, missing or malformed keys,
// quoted values, blank lines and line ends of every kind.
std::string untidyStore(std::mt19937& random, int entries) {
    const auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    const char* eol = chance(80) ? "\r\n" : chance(50) ? "\n" : "\r";
    std::vector<std::string> sections;
    for (int n = 1; n <= entries + 1; ++n) {
        if (n <= entries && chance(4)) continue;
        std::string t = std::string(chance(90) ? "[Macro" : "[ macro") + std::to_string(n) + "]" + eol;
        const auto key = [&](const char* name, std::initializer_list<const char*> values) {
            if (chance(85)) t += std::string(name) + "=" + values.begin()[random() % values.size()] + eol;
        };
        key("Name", {"A", "\"B\"", "\"\"C\"\"", ""});
        key("Type", {"1", "3", "0x4", "x"});
        key("HotKey", {"16449", "abc", "0"});
        if (chance(30)) t += std::string("Extra=1") + eol;
        key("FileName", {"A.key", "\"a b\""});
        key("Trigger", {"Untitled - Notepad", ""});
        key("Speed", {"2", "z"});
        key("TriggerRan", {"1", "0"});
        key(chance(90) ? "FoundHandle" : " foundhandle ", {"12,34", "", "\"\""});
        if (chance(10)) t += eol;
        sections.push_back(t);
        if (chance(3)) sections.push_back(t);
    }
    if (chance(20)) std::shuffle(sections.begin(), sections.end(), random);
    const std::string main = std::string("[Main]") + eol + "Entries=" + std::to_string(entries) + eol;
    std::string text = chance(80) ? main : "";
    for (const std::string& t : sections) text += t;
    if (text.find("[Main]") == std::string::npos) text += main;
    return text;
}

// Every read the program makes of a macro's section, with each default a
// caller uses, in one string.
std::string programReads(const Store& st, int slot) {
    const std::string s = macroSection(slot);
    std::string r;
    for (const char* def : {"", "Error", s.c_str()}) r += st.readString(s, "Name", def) + "|";
    for (int def : {0, 1}) r += std::to_string(st.readInt(s, "Type", def)) + "|";
    r += std::to_string(st.readInt(s, "HotKey", 0)) + "|" + std::to_string(st.readInt(s, "Speed", 1)) + "|";
    for (const char* key : {"FileName", "Trigger", "FoundHandle"}) r += st.readString(s, key, "") + "|";
    return r;
}

}  // namespace

// A deletion renames the later sections where that reads the same as copying
// their keys, and copies them otherwise.
TEST(DeletionShift, RenamingReadsAsCopyingDoes) {
    std::mt19937 random(11);
    int renamed = 0;
    for (int trial = 0; trial < 400; ++trial) {
        const int entries = 1 + static_cast<int>(random() % 5);
        const std::string text = untidyStore(random, entries);
        const int slot = static_cast<int>(random() % static_cast<unsigned>(entries + 2));
        os::fake::FakeFiles files;
        Store renaming(files, "a.ini"), copying(files, "b.ini");
        files.files["a.ini"] = files.files["b.ini"] = text;
        deleteMacroSlot(renaming, slot);
        deleteMacroSlotByCopying(copying, slot);
        if (files.files["a.ini"] != files.files["b.ini"]) ++renamed;
        ASSERT_EQ(readEntries(renaming), readEntries(copying)) << text;
        for (int n = 1; n <= entries + 1; ++n)
            ASSERT_EQ(programReads(renaming, n), programReads(copying, n)) << "slot " << n << " of\n" << text;
    }
    EXPECT_GT(renamed, 40) << "the renaming took place in too few trials to show anything";
}

// Emptying every macro's fired-window list by changing those lines only
// reads as writing each list empty through the profile rules does.
TEST(StoreLineChanges, EmptyingAKeyInEveryMacroReadsAsWritingItEmpty) {
    std::mt19937 random(5);
    for (int trial = 0; trial < 200; ++trial) {
        const int entries = 1 + static_cast<int>(random() % 5);
        const std::string text = untidyStore(random, entries);
        os::fake::FakeFiles files;
        Store lines(files, "a.ini"), profile(files, "b.ini");
        files.files["a.ini"] = files.files["b.ini"] = text;
        emptyKeyInMacros(lines, StoreSnapshot(lines), "FoundHandle");
        profile.edit([&](Store::Edit& e) {
            for (int n = 1; n <= readEntries(e); ++n)
                if (!e.readString(macroSection(n), "FoundHandle", "").empty())
                    e.writeString(macroSection(n), "FoundHandle", "");
        });
        for (int n = 1; n <= entries + 1; ++n)
            ASSERT_EQ(programReads(lines, n), programReads(profile, n)) << "slot " << n << " of\n" << text;
    }
}

TEST(DataFilePaths, StayInsideTheProgramDirectory) {
    const std::string dir = "C:\\Keyvale\\";
    EXPECT_EQ(dataFilePath(dir, "My Macro  ", ".key"), "C:\\Keyvale\\My Macro.key");
    EXPECT_EQ(dataFilePath(dir, "a..b", ".dat"), "C:\\Keyvale\\a..b.dat");
    EXPECT_EQ(storedDataFilePath(dir, "Notes.key"), "C:\\Keyvale\\Notes.key");
    for (const char* bad : {"..\\evil", "../evil", "C:evil", "sub\\name", "..", " . ", "tab\tname"}) {
        EXPECT_THROW(dataFilePath(dir, bad, ".key"), Error) << bad;
        EXPECT_THROW(storedDataFilePath(dir, bad), Error) << bad;
    }
    EXPECT_THROW(dataFilePath(dir, "   ", ".key"), Error);
}

#include "store/location.hpp"

TEST(StoreLocation, WindowsDirectoryWhenWritableElseTheUsersFolderWithACopy) {
    os::fake::FakeFiles files;
    EXPECT_EQ(chooseStorePath(files, "C:\\windows", "C:\\Users\\u\\AppData\\Roaming"),
              "C:\\windows\\macros.ini");
    EXPECT_TRUE(files.files.empty()) << "the probe leaves nothing behind";

    files.noNewFilesIn.insert("C:\\windows\\");
    EXPECT_EQ(chooseStorePath(files, "C:\\windows", "C:\\Users\\u\\AppData\\Roaming"),
              "C:\\Users\\u\\AppData\\Roaming\\Keyvale\\macros.ini");

    // A store that exists in the Windows directory but cannot be written there.
    files.files["C:\\windows\\macros.ini"] = "[Main]\r\nEntries=2\r\n";
    files.readOnly.insert("C:\\windows\\macros.ini");
    const std::string user = chooseStorePath(files, "C:\\windows\\", "C:\\Data");
    EXPECT_EQ(user, "C:\\Data\\Keyvale\\macros.ini");
    EXPECT_EQ(files.files[user], "[Main]\r\nEntries=2\r\n");
    // Later edits in the user's copy are not overwritten by the old store.
    files.files[user] = "[Main]\r\nEntries=3\r\n";
    chooseStorePath(files, "C:\\windows\\", "C:\\Data");
    EXPECT_EQ(files.files[user], "[Main]\r\nEntries=3\r\n");

    files.readOnly.clear();
    // A store that could be rewritten in place, in a folder that takes no
    // temporary file beside it: every write would fail there.
    EXPECT_EQ(chooseStorePath(files, "C:\\windows", "C:\\Data"), "C:\\Data\\Keyvale\\macros.ini");
    files.noNewFilesIn.clear();
    // Once the user has a store of their own it stays the store, even where
    // the Windows directory would take one (Keyvale once run elevated).
    EXPECT_EQ(chooseStorePath(files, "C:\\windows", "C:\\Data"), "C:\\Data\\Keyvale\\macros.ini");
    files.files.erase(user);
    EXPECT_EQ(chooseStorePath(files, "C:\\windows", "C:\\Data"), "C:\\windows\\macros.ini");
}

#include "store/profile.hpp"

TEST(ProfileReaders, TheIndexReadsWhatTheEditableTextReads) {
    const std::string file =
        "stray=before any section\r\n[Main]\r\n Entries = 3 \r\nQ=\"quoted\"\r\nnoequals\r\nDup=1\r\ndup=2\n"
        "[ macro1 ]\rName=A\r\n[MAIN]\r\nEntries=9\r\nLate=yes\r\n[Empty]\r\n[Macro2]\r\nName=\r\nLong=" +
        std::string(1100, 'z') + "\r\n";
    const ProfileText text(file);
    const ProfileIndex index(file);
    for (const char* section : {"Main", "main ", "MACRO1", "Macro2", "Empty", "Missing", ""})
        for (const char* key : {"Entries", "q", "noequals", "DUP", "Name", "Late", "Long", "stray", ""}) {
            const auto a = text.get(section, key);
            const auto b = index.get(section, key);
            ASSERT_EQ(a.has_value(), b.has_value()) << section << "/" << key;
            if (a) {
                EXPECT_EQ(*a, std::string(*b)) << section << "/" << key;
            }
        }
    EXPECT_EQ(std::string(*index.get("main", "entries")), "3");
}

TEST_F(StoreTest, ADeletionShiftIsOneReplacementOfTheFile) {
    setFile("[Main]\r\nEntries=3\r\n[Macro1]\r\nName=A\r\n[Macro2]\r\nName=B\r\n[Macro3]\r\nName=C\r\n");
    const std::string before = file();
    files.readOnly.insert(path);
    EXPECT_THROW(deleteMacroSlot(store, 1), Error);
    EXPECT_EQ(file(), before) << "a refused write leaves no half-moved slots";
    files.readOnly.clear();
    const int writes = files.writes;
    deleteMacroSlot(store, 1);
    EXPECT_EQ(files.writes - writes, 1);
    EXPECT_EQ(store.readString("Macro1", "Name", ""), "B");
    EXPECT_EQ(store.readString("Macro2", "Name", ""), "C");
    // An edit that changes nothing writes nothing.
    store.edit([](Store::Edit& e) { e.writeString("Macro1", "Name", "B"); });
    EXPECT_EQ(files.writes - writes, 1);
}

namespace {

// The profile rules over a plain list of lines, one walk per change: slow,
// and plain enough to be the reference for the indexed text.
class ReferenceText {
public:
    explicit ReferenceText(std::string_view bytes) {
        forEachLine(bytes, [this](std::string_view l) { lines_.emplace_back(l); });
    }
    void set(std::string_view section, std::string_view key, std::string_view value) {
        const std::string_view k = trimBlanks(key);
        std::size_t h = find(section);
        if (h == lines_.size()) {
            while (!lines_.empty() && trimBlanks(lines_.back()).empty()) lines_.pop_back();
            lines_.push_back("[" + std::string(trimBlanks(section)) + "]");
            lines_.push_back(std::string(k) + "=" + std::string(value));
            return;
        }
        std::size_t end = h + 1;
        while (end < lines_.size() && !classifyLine(lines_[end]).isSection) ++end;
        for (std::size_t i = h + 1; i < end; ++i)
            if (const ProfileLine l = classifyLine(lines_[i]);
                l.hasValue && equalsIgnoringAsciiCase(l.name, k)) {
                lines_[i] = std::string(l.name) + "=" + std::string(value);
                return;
            }
        while (end > h + 1 && trimBlanks(lines_[end - 1]).empty()) --end;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(end),
                      std::string(k) + "=" + std::string(value));
    }
    void erase(std::string_view section) {
        const std::size_t h = find(section);
        if (h == lines_.size()) return;
        std::size_t end = h + 1;
        while (end < lines_.size() && !classifyLine(lines_[end]).isSection) ++end;
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(h),
                     lines_.begin() + static_cast<std::ptrdiff_t>(end));
    }
    std::string bytes() const {
        std::string out;
        for (const std::string& l : lines_) out += l + "\r\n";
        return out;
    }

private:
    std::size_t find(std::string_view section) const {
        for (std::size_t i = 0; i < lines_.size(); ++i)
            if (const ProfileLine l = classifyLine(lines_[i]);
                l.isSection && equalsIgnoringAsciiCase(l.name, trimBlanks(section)))
                return i;
        return lines_.size();
    }
    std::vector<std::string> lines_;
};

}  // namespace

// Random changes of files with duplicate sections and keys, blank lines,
// stray lines and lines before any section: the indexed text writes the
// bytes that a walk over the lines writes, and reads what it wrote.
TEST(ProfileReaders, TheIndexedTextChangesTheFileAsAWalkOverItsLinesDoes) {
    std::mt19937 random(7);
    const auto pick = [&](std::initializer_list<const char*> from) {
        return std::string(from.begin()[random() % from.size()]);
    };
    for (int trial = 0; trial < 200; ++trial) {
        std::string file = pick({"", "\r\n", "stray\r\n", "k=v\r\n\r\n"});
        for (int s = 0; s < 4; ++s) {
            file += pick({"[A]", "[ a ]", "[B]", "[Main]", "[c"}) + "\r\n";
            for (int k = 0; k < 3; ++k)
                file += pick({"Name=x", "name = y", "Type=1", "noequals", "", " "}) + "\r\n";
        }
        ProfileText text(file);
        ReferenceText reference(file);
        for (int op = 0; op < 12; ++op) {
            const std::string section = pick({"A", "a", "B", "Main", "New", "c", "Other"});
            const std::string value = pick({"", "1", "v w"});
            switch (random() % 3) {
                case 0: {
                    const std::string key = pick({"Name", "TYPE", "Fresh", "noequals"});
                    text.set(section, key, value);
                    reference.set(section, key, value);
                    break;
                }
                case 1:
                    text.eraseSection(section);
                    reference.erase(section);
                    break;
                default: {
                    const ProfileText::KeyValue kv[] = {{"Type", value}, {"Fresh", "f"}, {"name", value}};
                    text.setKeys(section, kv);
                    for (const auto& [k, v] : kv) reference.set(section, k, v);
                }
            }
            ASSERT_EQ(text.bytes(), reference.bytes()) << "trial " << trial << ", change " << op << " of\n"
                                                       << file;
            const std::string bytes = text.bytes();
            const ProfileIndex index(bytes);
            for (const char* key : {"Name", "Type", "Fresh"}) {
                const auto a = text.get(section, key);
                const auto b = index.get(section, key);
                ASSERT_EQ(a.has_value(), b.has_value()) << section << "/" << key;
                if (a) {
                    EXPECT_EQ(*a, std::string(*b));
                }
            }
        }
    }
}

namespace {

// Files whose stamp the test sets, as the watcher's frequent reads see it.
struct StampedFiles : os::fake::FakeFiles {
    std::optional<os::FileStamp> given;
    std::optional<os::FileStamp> stamp(const std::string&) override { return given; }
};

}  // namespace

TEST(StoreReading, AnUnchangedStampSkipsTheReadingForTwoSecondsAndAnyChangeReadsAgain) {
    StampedFiles files;
    os::fake::FakePump clock;
    const std::string path = "C:\\windows\\macros.ini";
    files.files[path] = "[Main]\r\nEntries=1\r\n";
    files.given = os::FileStamp{19, 7};
    Store store{files, path};
    ReadingCache cache(clock);
    const auto cached = [&] { return StoreSnapshot(store, cache).readInt("Main", "Entries", 0); };
    const auto fresh = [&] { return StoreSnapshot(store).readInt("Main", "Entries", 0); };
    EXPECT_EQ(cached(), 1);
    const int reads = files.reads;
    files.files[path] = "[Main]\r\nEntries=2\r\n";  // same size, same stamp
    EXPECT_EQ(cached(), 1);
    EXPECT_EQ(files.reads, reads);
    EXPECT_EQ(fresh(), 2) << "a fresh reading never trusts the stamp";
    clock.waitUntil(clock.now() + ReadingCache::kTrustStamp - 1);
    EXPECT_EQ(cached(), 1) << "still within the bound";
    clock.waitUntil(clock.now() + 1);
    EXPECT_EQ(cached(), 2) << "an unchanged stamp is trusted for two seconds at most";
    files.files[path] = "[Main]\r\nEntries=3\r\n";
    EXPECT_EQ(cached(), 2) << "the bound counts from the last reading";
    files.given = os::FileStamp{19, 8};
    files.files[path] = "[Main]\r\nEntries=4\r\n";
    EXPECT_EQ(cached(), 4) << "a new write time";
    files.given.reset();
    files.files[path] = "[Main]\r\nEntries=5\r\n";
    EXPECT_EQ(cached(), 5) << "no stamp: read";
    // Another store's file is never taken for this one's.
    Store other{files, "C:\\windows\\other.ini"};
    files.given = os::FileStamp{19, 8};
    files.files[other.path()] = "[Main]\r\nEntries=6\r\n";
    EXPECT_EQ(StoreSnapshot(other, cache).readInt("Main", "Entries", 0), 6);
}

TEST(StoreReading, ACachedReadingWhoseBytesAreUnchangedKeepsItsParse) {
    os::fake::FakeFiles files;
    os::fake::FakePump clock;
    const std::string path = "C:\\windows\\macros.ini";
    files.files[path] = "[Main]\r\nEntries=1\r\n";
    Store store{files, path};
    ReadingCache cache(clock);
    const StoreSnapshot first(store, cache);
    const StoreSnapshot same(store, cache);
    EXPECT_EQ(&first.index(), &same.index()) << "the watcher keeps its triggers while the parse is the same";
    files.files[path] = "[Main]\r\nEntries=2\r\n";
    const StoreSnapshot changed(store, cache);
    EXPECT_NE(&first.index(), &changed.index());
    EXPECT_EQ(changed.readInt("Main", "Entries", 0), 2);
    EXPECT_EQ(first.readInt("Main", "Entries", 0), 1) << "an earlier snapshot keeps what it read";
}

// Sections of one name are found first to last as the earlier ones go, and
// a section added after all of a name went is the one found, in files with
// many sections of one name (each joins its name's chain in one step).
TEST(ProfileReaders, SectionsOfOneNameAreFoundInTurnAsTheEarlierOnesAreErased) {
    std::string file = "[Main]\r\n";
    for (int n = 1; n <= 3000; ++n)
        file += (n % 2 ? "[x]\r\nk=" : "[ X ]\r\nk=") + std::to_string(n) + "\r\n";
    ProfileText text(file);
    ReferenceText reference(file);
    const ProfileIndex index(file);
    EXPECT_EQ(std::string(*index.get("x", "k")), "1");
    for (int n = 1; n <= 3000; ++n) {
        ASSERT_EQ(text.get("X", "k"), std::to_string(n));
        if (n % 500 == 0) text.set("x", "k", "changed"), reference.set("x", "k", "changed");
        ASSERT_TRUE(text.eraseSection(" x "));
        reference.erase(" x ");
    }
    EXPECT_FALSE(text.get("x", "k"));
    EXPECT_FALSE(text.eraseSection("x"));
    text.set("x", "k", "new");
    reference.set("x", "k", "new");
    EXPECT_EQ(text.get("x", "k"), "new");
    EXPECT_EQ(text.bytes(), reference.bytes());
    EXPECT_TRUE(text.eraseSection("X"));
    EXPECT_EQ(text.bytes(), "[Main]\r\n");
}
