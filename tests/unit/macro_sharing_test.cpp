// Macros carried from one store to another: the macro file's format, the
// plan of an import, and an export imported again with nothing lost, nothing
// written outside the data folder and nothing left behind when it fails.

#include <gtest/gtest.h>

#include "os/fake/fake_os.hpp"
#include "store/macro_file.hpp"
#include "store/macro_repository.hpp"

using namespace kv;
using namespace kv::store;
using namespace std::string_literals;

namespace {

const std::string kStore = "C:\\windows\\macros.ini";
const std::string kDir = "C:\\Keyvale\\";
using Outcome = ImportStep::Outcome;

ImportRules rules() {
    return {[](std::string_view name) -> std::optional<std::string> {
                if (name.find_first_of("\\/:*?\"<>|") != std::string_view::npos) return "bad name";
                return std::nullopt;
            },
            [](std::string_view bytes) { return bytes.substr(0, 4) == "KVJ1"; }};
}

std::string allBytes() {
    std::string s;
    for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
    return s;
}

TEST(MacroFile, Base64RoundTripsEveryLengthAndRefusesWhatIsNotBase64) {
    const std::string bytes = allBytes();
    for (std::size_t n = 0; n <= 7; ++n) {
        const std::string part = bytes.substr(250 - n, n);
        EXPECT_EQ(decodeBase64(encodeBase64(part)), part) << n;
    }
    EXPECT_EQ(decodeBase64(encodeBase64(bytes)), bytes);
    EXPECT_EQ(encodeBase64("Man"), "TWFu");
    EXPECT_EQ(encodeBase64("Ma"), "TWE=");
    EXPECT_EQ(decodeBase64("TW E\r\n"), "Ma") << "blanks are skipped, padding optional";
    for (const char* bad : {"T", "TWE=x", "TWFu=", "TW==E", "TWE===", "T@Fu", "TQ=Q"})
        EXPECT_FALSE(decodeBase64(bad)) << bad;
}

TEST(MacroFile, WhatIsWrittenReadsBackAndOnlyAKnownVersionIsRead) {
    FileMacro script;
    script.keys = {{"Name", "Signature = ü"},
                   {"Type", "4"},
                   {"HotKey", "0"},
                   {"Trigger", "  padded  "},
                   {std::string(store::macroKey(store::kAbbreviationField).key), "sig"}};
    script.data = "Sincerely,\r\n";
    FileMacro recording;
    recording.keys = {{"Name", "Rec"}, {"Type", "3"}, {"Speed", "2"}};
    recording.data = allBytes();
    FileMacro document;
    document.keys = {{"Name", "Doc"}, {"Type", "1"}, {"FileName", "C:\\a b\\c.txt"}};
    const std::string text = writeMacroFile({script, recording, document});
    EXPECT_EQ(text.substr(0, text.find('\r')), "Keyvale macro file, version 1");

    const auto read = readMacroFile(text);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 3u);
    const std::vector<FileMacro> written = {script, recording, document};
    for (std::size_t i = 0; i < 3; ++i) {
        const FileMacro& want = written[i];
        EXPECT_EQ((*read)[i].keys, want.keys) << i;
        EXPECT_EQ((*read)[i].data, want.data) << i;
        EXPECT_EQ((*read)[i].damage, "") << i;
    }
    EXPECT_EQ(readMacroFile("\xEF\xBB\xBF" + text)->size(), 3u) << "a byte-order mark is allowed";
    for (const std::string bad : {"", "[Macro]\r\nName=x\r\n", "Keyvale macro file, version 2\r\n",
                                  "Keyvale macro file, version 10\r\n", "keyvale macro file, version 1\r\n"})
        EXPECT_FALSE(readMacroFile(bad)) << bad;
}

TEST(MacroFile, ADamagedSectionIsMarkedAndTheOthersAreRead) {
    const auto read = readMacroFile(
        "Keyvale macro file, version 1\n[Macro]\nName=A\nData=@@@@\n[Macro]\nName=B\nno equals sign\n"
        "[Macro]\nName=C\nname=second\nData=QQ==\n[Macro]\nName=\xC3\n");
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 4u);
    EXPECT_EQ((*read)[0].damage, "its data is not base64");
    EXPECT_NE((*read)[1].damage, "");
    EXPECT_EQ((*read)[2].damage, "");
    EXPECT_EQ((*read)[2].value("NAME"), "C") << "the first of duplicates";
    EXPECT_EQ((*read)[2].data, "A");
    EXPECT_NE((*read)[3].damage, "") << "text that is not UTF-8";

    // Data beyond 16 MB is refused without being decoded; the next macro reads.
    const auto large = readMacroFile("Keyvale macro file, version 1\n[Macro]\nName=Big\nData=" +
                                     std::string(24u << 20, 'A') + "\n[Macro]\nName=Small\nData=QQ==\n");
    ASSERT_TRUE(large);
    ASSERT_EQ(large->size(), 2u);
    EXPECT_EQ((*large)[0].damage, "its data is larger than 16 MB");
    EXPECT_FALSE((*large)[0].data);
    EXPECT_EQ((*large)[1].data, "A");
}

FileMacro fileMacro(std::string name, int kind, int hotKey, std::optional<std::string> data = "x",
                    std::string fileName = "") {
    FileMacro m;
    m.keys = {{"Name", name}, {"Type", std::to_string(kind)}, {"HotKey", std::to_string(hotKey)}};
    if (!fileName.empty()) m.keys.emplace_back("FileName", fileName);
    m.data = std::move(data);
    return m;
}

// Each macro of the file against the store and the macros before it.
TEST(ImportPlan, SaysForEachMacroWhatWillHappen) {
    os::fake::FakeFiles files;
    const std::vector<TakenMacro> taken = {{"Mail", 100, "mm"}, {"Mail (2)", 0, ""}, {"Run", 300, ""}};
    FileMacro abbreviated = fileMacro("Note", 4, 0);
    // Taken without regard to case, as typing matches it.
    abbreviated.keys.emplace_back(std::string(store::macroKey(store::kAbbreviationField).key), "MM");
    FileMacro damaged = fileMacro("Broken", 4, 0);
    damaged.damage = "its data is not base64";
    const std::vector<FileMacro> file = {
        fileMacro("mail ", 4, 100),                          // renamed past "Mail (2)", hot key taken
        fileMacro("Fresh", 2, 200, "KVJ1...", "Fresh.dat"),  // added
        fileMacro("Fresh", 4, 200),                          // the one before has both now
        abbreviated,
        fileMacro("a/b", 4, 0),
        fileMacro("Path", 4, 0, "x", "..\\..\\evil.key"),
        fileMacro("Nodata", 4, 0, std::nullopt),
        fileMacro("Rec", 3, 0, "not a recording"),
        fileMacro("Odd", 7, 0),
        damaged,
        fileMacro("Doc", 1, 0, "ignored", "C:\\docs\\a.txt"),
        fileMacro("OnDisk", 4, 0),
    };
    files.files[kDir + "OnDisk.key"] = "a file no macro owns";
    const auto plan = planImport(file, {}, taken, rules(), files,
                                 [&](const std::string& name) { return files.exists(kDir + name); });
    struct Want {
        Outcome outcome;
        const char* stored;
        bool hotKeyDropped, abbreviationDropped;
    };
    const Want want[] = {
        {Outcome::Renamed, "mail (3)", true, false},  {Outcome::Added, "Fresh", false, false},
        {Outcome::Renamed, "Fresh (2)", true, false}, {Outcome::Added, "Note", false, true},
        {Outcome::Refused, "a/b", false, false},      {Outcome::Refused, "Path", false, false},
        {Outcome::Refused, "Nodata", false, false},   {Outcome::Refused, "Rec", false, false},
        {Outcome::Refused, "Odd", false, false},      {Outcome::Refused, "Broken", false, false},
        {Outcome::Added, "Doc", false, false},        {Outcome::Renamed, "OnDisk (2)", false, false},
    };
    ASSERT_EQ(plan.size(), std::size(want));
    for (std::size_t i = 0; i < plan.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(plan[i].outcome, want[i].outcome);
        EXPECT_EQ(plan[i].storedName(), want[i].stored);
        EXPECT_EQ(plan[i].hotKeyDropped, want[i].hotKeyDropped);
        EXPECT_EQ(plan[i].abbreviationDropped, want[i].abbreviationDropped);
        EXPECT_EQ(plan[i].problem.empty(), want[i].outcome != Outcome::Refused) << plan[i].problem;
    }
    EXPECT_EQ(plan[0].macro.hotKey, 0);
    EXPECT_EQ(plan[0].macro.fileName, "mail (3).key") << "the data file follows the new name";
    EXPECT_EQ(plan[1].macro.hotKey, 200);
    EXPECT_EQ(plan[3].macro.abbreviation, "");
    EXPECT_EQ(plan[10].macro.fileName, "C:\\docs\\a.txt") << "a document keeps its path";
    EXPECT_FALSE(plan[10].data);

    // A macro left out takes no name and no hot key from the others.
    const auto chosen = planImport(file, {false, false, true}, taken, rules(), files,
                                   [](const std::string&) { return false; });
    EXPECT_EQ(chosen[0].outcome, Outcome::Left);
    EXPECT_EQ(chosen[2].outcome, Outcome::Added);
    EXPECT_FALSE(chosen[2].hotKeyDropped);
    EXPECT_EQ(chosen[3].outcome, Outcome::Left) << "beyond the choices";
}

const char* kThreeKinds =
    "[Main]\r\nEntries=3\r\n"
    "[Macro1]\r\nName=Signature\r\nType=4\r\nHotKey=1601\r\nFileName=Signature.key\r\nTrigger=Mail\r\n"
    "[Macro2]\r\nName=Clicks\r\nType=3\r\nHotKey=1602\r\nFileName=Clicks.dat\r\nSpeed=2\r\n"
    "[Macro3]\r\nName=Report\r\nType=1\r\nHotKey=1603\r\nFileName=C:\\docs\\report.txt\r\n";

TEST(MacroSharing, AnExportImportsIntoAnEmptyStoreAsItWasAndAgainRenamed) {
    os::fake::FakeFiles from;
    from.files[kStore] = kThreeKinds;
    from.files[kDir + "Signature.key"] = "Regards\r\n\xFF\x00"s;
    from.files[kDir + "Clicks.dat"] = "KVJ1" + allBytes();
    const MacroRepository source(from, kStore, kDir);
    const auto exported = source.exportMacros();
    EXPECT_TRUE(exported.withoutData.empty());

    os::fake::FakeFiles to;
    MacroRepository target(to, kStore, kDir);
    const auto file = readMacroFile(exported.bytes);
    ASSERT_TRUE(file);
    const auto done = target.importMacros(*file, {}, rules());
    ASSERT_EQ(done.size(), 3u);
    for (const auto& step : done) EXPECT_EQ(step.outcome, Outcome::Added) << step.problem;
    const auto was = source.all(), now = target.all();
    ASSERT_EQ(now.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(toFileMacro(now[i]).keys, toFileMacro(was[i]).keys) << i;
    }
    EXPECT_EQ(to.files[kDir + "Signature.key"], from.files[kDir + "Signature.key"]);
    EXPECT_EQ(to.files[kDir + "Clicks.dat"], from.files[kDir + "Clicks.dat"]);

    // Again: every name and every hot key is taken now.
    const int writes = to.writes;
    const auto again = target.importMacros(*file, {}, rules());
    EXPECT_EQ(to.writes, writes + 3) << "two data files and one store write";
    const auto twice = target.all();
    ASSERT_EQ(twice.size(), 6u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(again[i].outcome, Outcome::Renamed);
        EXPECT_TRUE(again[i].hotKeyDropped);
        EXPECT_EQ(twice[3 + i].nameOr(""), was[i].nameOr("") + " (2)");
        EXPECT_EQ(twice[3 + i].hotKey, 0);
    }
    EXPECT_EQ(to.files[kDir + "Clicks (2).dat"], from.files[kDir + "Clicks.dat"]);

    // Only some, with a data file missing.
    from.files.erase(kDir + "Clicks.dat");
    const auto some = source.exportMacros({2, 3});
    EXPECT_EQ(some.withoutData, std::vector<std::string>{"Clicks"});
    EXPECT_EQ(readMacroFile(some.bytes)->size(), 2u);
}

TEST(MacroSharing, AStoreThatCannotBeWrittenTakesTheDataFilesBackOut) {
    os::fake::FakeFiles from;
    from.files[kStore] = kThreeKinds;
    from.files[kDir + "Signature.key"] = "Regards";
    from.files[kDir + "Clicks.dat"] = "KVJ1";
    const auto file = readMacroFile(MacroRepository(from, kStore, kDir).exportMacros().bytes);

    os::fake::FakeFiles to;
    to.files[kStore] = "[Main]\r\nEntries=0\r\n";
    to.readOnly.insert(kStore);
    MacroRepository target(to, kStore, kDir);
    try {
        target.importMacros(*file, {}, rules());
        FAIL() << "the import should fail";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + kStore);
    }
    EXPECT_EQ(to.files.size(), 1u) << "only the store is left";
    EXPECT_EQ(to.files[kStore], "[Main]\r\nEntries=0\r\n");
}

}  // namespace

#include "authoring/sharing.hpp"

namespace {

struct ImportWindow : authoring::ImportView {
    std::vector<authoring::ImportRow> rows;
    bool okEnabled = false;
    void showRows(const std::vector<authoring::ImportRow>& r) override { rows = r; }
    void enableOk(bool on) override { okEnabled = on; }
};

// The tray's export, then the import window on a second store: what each
// row says, a refused macro that stays clear, and OK adding the ticked ones.
TEST(MacroSharing, ExportAndTheImportWindowSayWhatHappens) {
    os::fake::FakeSystem fake;
    const std::string store = fake.sys.storePath, dir = fake.sys.programDirectory;
    fake.files.files[store] = kThreeKinds;
    fake.files.files[dir + "Signature.key"] = "Regards";
    fake.dialogs.savedFile = "C:\\out\\mine.kvmacros";
    ASSERT_TRUE(authoring::exportMacros(fake.sys));
    EXPECT_EQ(fake.dialogs.suggestedFiles, std::vector<std::string>{"Macros.kvmacros"});
    ASSERT_EQ(fake.dialogs.messages.size(), 1u) << "the recording was missing";
    EXPECT_NE(fake.dialogs.messages[0].find("exported without them: Clicks"), std::string::npos);

    fake.files.files[dir + "Clicks.dat"] = "not a recording";
    fake.dialogs.savedFile = "C:\\out\\two.kvmacros";
    ASSERT_TRUE(authoring::exportMacros(fake.sys, {2}));
    try {
        authoring::readMacroFileAt(fake.sys, store);
        FAIL() << "the store is no macro file";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), store + " is not a Keyvale macro file");
    }

    // Into the same store: the recording is refused, the others renamed.
    auto file = authoring::readMacroFileAt(fake.sys, "C:\\out\\mine.kvmacros");
    file.push_back(authoring::readMacroFileAt(fake.sys, "C:\\out\\two.kvmacros")[0]);
    ImportWindow window;
    authoring::ImportPresenter presenter(fake.sys, window, file);
    ASSERT_EQ(window.rows.size(), 4u);
    EXPECT_EQ(window.rows[0].outcome,
              "Added as Signature (2): a macro has its name; its hot key is left out: "
              "another macro has it");
    EXPECT_TRUE(window.rows[1].refused) << window.rows[1].outcome;
    EXPECT_FALSE(window.rows[1].checked);
    EXPECT_EQ(window.rows[1].outcome, "Not added: its data file is not in the file");
    EXPECT_EQ(window.rows[3].outcome, "Not added: its recording is damaged");
    presenter.setChecked(1, true);
    EXPECT_FALSE(window.rows[1].checked) << "a refused macro cannot be ticked";
    presenter.setChecked(0, false);
    EXPECT_EQ(window.rows[0].outcome, "Not added");
    EXPECT_EQ(window.rows[2].outcome,
              "Added as Report (2): a macro has its name; its hot key is left out: another macro has it");
    EXPECT_TRUE(window.okEnabled);
    EXPECT_EQ(presenter.ok(), 1);
    const auto now = MacroRepository(fake.sys).all();
    ASSERT_EQ(now.size(), 4u);
    EXPECT_EQ(now[3].nameOr(""), "Report (2)");
    EXPECT_EQ(now[3].fileName, "C:\\docs\\report.txt");

    presenter.setChecked(2, false);
    EXPECT_FALSE(window.okEnabled) << "nothing left to add";
}

}  // namespace

// A name with blanks in front would be stored as the store reads it, without
// them, while its data file kept them: the store then named no file.
TEST(MacroSharing, ANameWithBlanksAroundItImportsUnderTheNameTheStoreReads) {
    const auto file = readMacroFile(
        "Keyvale macro file, version 1\r\n[Macro]\r\nName=  Reply \r\nType=4\r\nData=UmVnYXJkcw==\r\n");
    ASSERT_TRUE(file);
    os::fake::FakeFiles to;
    MacroRepository target(to, kStore, kDir);
    target.importMacros(*file, {}, rules());
    const auto now = target.all();
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(now[0].nameOr(""), "Reply");
    EXPECT_EQ(to.files[kDir + now[0].fileName], "Regards");
}

// Keyvale's own hot keys are taken: a macro imported with one would never run.
TEST(MacroSharing, AnImportLeavesOutTheRunMacroAndPauseHotKeys) {
    os::fake::FakeFiles to;
    to.files[kStore] = "[Main]\r\nRunMacroHotKey=1601\r\nPauseHotKey=1602\r\n";
    const MacroRepository target(to, kStore, kDir);
    const auto plan = target.planImport(
        {fileMacro("A", 4, 1601), fileMacro("B", 4, 1602), fileMacro("C", 4, 1603)}, {}, rules());
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_TRUE(plan[0].hotKeyDropped);
    EXPECT_TRUE(plan[1].hotKeyDropped);
    EXPECT_FALSE(plan[2].hotKeyDropped);
}
