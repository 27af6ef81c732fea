// The macro repository: typed reads with each caller's fallback left open,
// and changes of a macro that never leave the store naming a file that is not
// there, whichever step of them fails.

#include "store/macro_repository.hpp"

#include <gtest/gtest.h>

#include "os/fake/fake_os.hpp"
#include "os/fake/faulty_files.hpp"
#include "store/location.hpp"

using namespace kv;
using namespace kv::store;

namespace {

const std::string kStore = "C:\\windows\\macros.ini";
const std::string kDir = "C:\\Keyvale\\";

TEST(MacroRepository, ReadsLeaveAMissingNameAndAnUnreadableKindToTheCaller) {
    os::fake::FakeFiles files;
    files.files[kStore] =
        "[Main]\r\nEntries=3\r\n"
        "[Macro1]\r\nname=Mail\r\nTYPE=0x4\r\nHotKey=0x1C041\r\nFilename=Mail.key\r\nSpeed=2\r\n"
        "[Macro2]\r\nType=four\r\nTrigger=Untitled - Notepad\r\nFoundHandle=12,34\r\n"
        "[Macro3]\r\nName=MAIL\r\n";
    const MacroRepository macros(files, kStore, kDir);
    const std::vector<Macro> all = macros.all();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].nameOr("?"), "Mail");
    EXPECT_EQ(all[0].kindOr(0), kScript);
    EXPECT_EQ(all[0].hotKey, 0xC041);  // the value as a 16-bit hot key
    EXPECT_EQ(all[0].fileName, "Mail.key");
    EXPECT_EQ(all[0].speed, 2);
    EXPECT_FALSE(all[1].name);
    EXPECT_EQ(all[1].kindOr(1), 1);
    EXPECT_EQ(all[1].trigger, "Untitled - Notepad");
    EXPECT_EQ(all[1].firedWindows, "12,34");
    EXPECT_EQ(all[2].speed, 1);
    EXPECT_EQ(macros.slotsNamed("mail"), (std::vector<int>{1, 3}));
    EXPECT_EQ(macros.dataPath("Mail  ", kScript), kDir + "Mail.key");
    EXPECT_EQ(macros.dataPath("Mail", kReplayKeys), kDir + "Mail.dat");
    EXPECT_FALSE(macros.storedPathIfSafe("..\\macros.ini"));
}

// Every step of a rename (the file, then the store) and of a new recording
// taking the place of the stored one is made to fail in turn.
TEST(MacroRepository, EveryFailedStepOfAChangeLeavesTheStoreNamingItsFile) {
    struct Case {
        const char* what;
        int kind;
        std::string oldFile, newName;
        bool newRecording;
    };
    const Case cases[] = {
        {"renamed script", kScript, "Old.key", "New", false},
        {"renamed recording with a new one", kReplayMouseAndKeys, "Old.dat", "New", true},
        {"new recording under the same name", kReplayKeys, "Old.dat", "old", true},
    };
    for (const Case& c : cases) {
        for (int failStep = 1; failStep <= 6; ++failStep) {
            SCOPED_TRACE(std::string(c.what) + ", failing step " + std::to_string(failStep));
            os::fake::FakeFiles inner;
            inner.files[kStore] =
                "[Main]\r\nEntries=1\r\n[Macro1]\r\nName=Old\r\nType=" + std::to_string(c.kind) +
                "\r\nFileName=" + c.oldFile + "\r\n";
            inner.files[kDir + c.oldFile] = "old";
            if (c.newRecording) inner.files[kDir + "~temp.dat"] = "new";
            os::fake::FaultyFiles files(inner);
            files.failStep = failStep;
            MacroRepository macros(files, kStore, kDir);
            Macro change;
            change.slot = 1;
            change.name = c.newName;
            bool changed = true;
            try {
                macros.update(change, c.newRecording);
            } catch (const Error&) {
                changed = false;
            }
            const Macro now = macros.read(1);
            const auto content = inner.read(kDir + now.fileName);
            ASSERT_TRUE(content) << now.fileName;
            EXPECT_EQ(*content, changed && c.newRecording ? "new" : "old");
            EXPECT_EQ(now.nameOr(""), changed ? c.newName : "Old");
        }
    }
}

// Installed under Program Files for a standard user: the program folder
// takes no file, so new data goes to the user's folder, while the files an
// earlier installation kept beside the program are still found.
TEST(MacroRepository, DataGoesToTheUsersFolderWhenTheProgramFolderTakesNoFile) {
    os::fake::FakeFiles files;
    const std::string program = "C:\\Program Files\\Keyvale\\";
    const std::string user = "C:\\Users\\u\\AppData\\Roaming\\Keyvale\\";
    EXPECT_EQ(chooseDataDirectory(files, program, "C:\\Users\\u\\AppData\\Roaming"), program);
    EXPECT_TRUE(files.files.empty()) << "the probe leaves nothing behind";
    files.readOnlyDirectories.insert(program);
    ASSERT_EQ(chooseDataDirectory(files, program, "C:\\Users\\u\\AppData\\Roaming\\"), user);

    files.files[kStore] =
        "[Main]\r\nEntries=2\r\n[Macro1]\r\nName=Old\r\nType=4\r\nFileName=Old.key\r\n"
        "[Macro2]\r\nName=Both\r\nType=2\r\nFileName=Both.dat\r\n";
    files.files[program + "Old.key"] = "old script";
    files.files[program + "Both.dat"] = "shipped";
    files.files[user + "Both.dat"] = "recorded again";
    MacroRepository macros(files, kStore, user, program);
    EXPECT_EQ(macros.storedPath("Old.key"), program + "Old.key");
    EXPECT_EQ(macros.storedPath("Both.dat"), user + "Both.dat");
    EXPECT_EQ(macros.storedPath("New.key"), user + "New.key");
    EXPECT_EQ(macros.dataPath("New", kScript), user + "New.key");
    EXPECT_EQ(macros.temporaryRecordingPath(), user + "~temp.dat");

    // Renaming a macro whose file the program folder keeps copies it over.
    Macro change;
    change.slot = 1;
    change.name = "Renamed";
    EXPECT_EQ(macros.update(change), "Renamed.key");
    EXPECT_EQ(files.files[user + "Renamed.key"], "old script");
    EXPECT_EQ(macros.storedPath(macros.read(1).fileName), user + "Renamed.key");

    files.readOnlyDirectories.clear();
    macros.remove(2, "Both");
    EXPECT_FALSE(files.exists(user + "Both.dat"));
    EXPECT_FALSE(files.exists(program + "Both.dat"));
}

// A deletion touches the one file the macro's FileName names, never a file
// of its name that it does not own, nor a file another macro names too; a
// new macro never replaces a file of its name that is there.
TEST(MacroRepository, DeletingAndCreatingTouchOnlyTheMacrosOwnFiles) {
    os::fake::FakeFiles files;
    files.files[kStore] =
        "[Main]\r\nEntries=4\r\n"
        "[Macro1]\r\nName=Invoice\r\nType=4\r\nFileName=Mail.key\r\n"
        "[Macro2]\r\nName=Shared\r\nType=2\r\nFileName=Both.dat\r\n"
        "[Macro3]\r\nName=Doc\r\nType=1\r\nFileName=Report.dat\r\n"
        "[Macro4]\r\nName=Other\r\nType=3\r\nFileName=Both.dat\r\n";
    for (const char* f : {"Invoice.key", "Invoice.dat", "Mail.key", "Both.dat", "Doc.dat", "Report.dat"})
        files.files[kDir + f] = "kept";
    MacroRepository macros(files, kStore, kDir);
    EXPECT_EQ(macros.remove(1, "Invoice"), 1);
    EXPECT_FALSE(files.exists(kDir + "Mail.key"));
    EXPECT_TRUE(files.exists(kDir + "Invoice.key") && files.exists(kDir + "Invoice.dat"));
    EXPECT_EQ(macros.remove(1, "Shared"), 1);
    EXPECT_TRUE(files.exists(kDir + "Both.dat")) << "Other still names it";
    EXPECT_EQ(macros.remove(1, "Doc"), 1);
    EXPECT_TRUE(files.exists(kDir + "Doc.dat") && files.exists(kDir + "Report.dat"))
        << "a document is no data file";

    // Another copy deleted a macro meanwhile: the list's row 1 is now slot 1
    // of a store that no longer has it; the name decides.
    files.files[kStore] =
        "[Main]\r\nEntries=2\r\n[Macro1]\r\nName=Kept\r\nType=1\r\n[Macro2]\r\nName=Gone\r\nType=1\r\n";
    EXPECT_EQ(macros.remove(1, "gone"), 2);
    EXPECT_EQ(macros.remove(1, "Gone"), std::nullopt);
    EXPECT_EQ(macros.all().size(), 1u);

    const std::string store = files.files[kStore];
    Macro script;
    script.name = "Invoice";
    script.kind = kScript;
    EXPECT_THROW(
        try { macros.create(script, "new"); } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "A file named " + kDir + "Invoice.key already exists");
            throw;
        },
        Error);
    Macro recording;
    recording.name = "Invoice";
    recording.kind = kReplayKeys;
    files.files[macros.newRecordingPath()] = "recorded";
    EXPECT_THROW(macros.create(recording, {}, macros.newRecordingPath()), Error);
    EXPECT_EQ(files.files[kDir + "Invoice.key"], "kept");
    EXPECT_EQ(files.files[kDir + "Invoice.dat"], "kept");
    EXPECT_EQ(files.files[kStore], store);
    EXPECT_EQ(files.files[macros.newRecordingPath()], "recorded") << "the recording waits for another name";

    // A store that takes no write leaves the recording where it was.
    files.readOnly.insert(kStore);
    recording.name = "Fresh";
    EXPECT_THROW(macros.create(recording, {}, macros.newRecordingPath()), Error);
    EXPECT_FALSE(files.exists(kDir + "Fresh.dat"));
    files.readOnly.clear();
    EXPECT_EQ(macros.create(recording, {}, macros.newRecordingPath()), 2);
    EXPECT_EQ(files.files[kDir + "Fresh.dat"], "recorded");
    EXPECT_FALSE(files.exists(macros.newRecordingPath()));
}

}  // namespace
