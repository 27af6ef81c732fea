#include <gtest/gtest.h>

#include "manager/manager.hpp"
#include "manager/print_list.hpp"
#include "manager/shortcuts.hpp"
#include "os/fake/fake_os.hpp"
#include "os/fake/fake_shell_print.hpp"
#include "run_requests.hpp"
#include "triggers/command_line.hpp"

using namespace kv;
using os::ShellFolder;
using Drawn = os::fake::FakePrintJob::Drawn;

TEST(Shortcuts, LinkPathRulesInAFolder) {
    const struct {
        const char* value;
        const char* path;
    } cases[] = {
        {"Notes.lnk", "D\\Notes.lnk"},
        {"a\\b:Notes.lnk", "D\\Notes.lnk"},  // only the part after the last separator
        {"Notes", "D\\Notes.lnk"},
        {"Notes.LNK", "D\\Notes.LNK"},
        {"Notes.txt", "D\\Notes.txt.lnk"},
        {".LNK", ""},
        {"x\\.lnk", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(manager::linkPathInFolder("D", c.value), c.path) << c.value;
}

TEST(Shortcuts, TheLinkRunsTheMacroByNameWithItsHotKey) {
    os::fake::FakeSystem fake;
    os::fake::FakeShellLinks links;
    fake.files.files["C:\\Keyvale\\Keyvale.Ico"] = "an icon file shipped beside the program";
    fake.files.files[fake.sys.storePath] =
        "[Main]\r\nEntries=2\r\n[Macro1]\r\nName=Mail\\Boss: Hi\r\nHotKey=" +
        std::to_string(0x2000 + 0x4000 + 123) + "\r\n[Macro2]\r\nType=1\r\n";
    EXPECT_EQ(manager::createShortcut(fake.sys, links, ShellFolder::Desktop, 1),
              "C:\\Users\\me\\Desktop\\ Hi.lnk");
    os::ShellLinkData expected;
    expected.description = "Mail\\Boss: Hi";
    expected.target = "C:\\Keyvale\\Macros.exe";
    expected.workingDirectory = "C:\\Keyvale\\";
    expected.arguments = " /Open:\"Mail\\Boss: Hi\" /Close";
    expected.showCommand = 1;
    expected.hotKey = 0x037B;  // Shift + Ctrl, F12
    expected.iconFile = "C:\\Keyvale\\Keyvale.Ico";
    EXPECT_EQ(links.links.at("C:\\Users\\me\\Desktop\\ Hi.lnk"), expected);
    // A missing Name is "Error" everywhere.
    EXPECT_EQ(manager::createShortcut(fake.sys, links, ShellFolder::StartMenu, 2),
              "C:\\Users\\me\\Start Menu\\Error.lnk");
    EXPECT_EQ(links.links.at("C:\\Users\\me\\Start Menu\\Error.lnk").arguments, " /Open:\"Error\" /Close");
    EXPECT_EQ(manager::linkHotKey(0x8000 + 'A'), 0x0441);
}

TEST(Shortcuts, RefusedWithAClearErrorAndNothingWritten) {
    os::fake::FakeSystem fake;
    os::fake::FakeShellLinks links;
    const auto withName = [&](const std::string& name) {
        fake.files.files[fake.sys.storePath] = "[Main]\r\nEntries=1\r\n[Macro1]\r\nName=" + name + "\r\n";
    };
    const auto message = [&](ShellFolder folder) {
        try {
            manager::createShortcut(fake.sys, links, folder, 1);
        } catch (const Error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    withName("Fine");
    EXPECT_EQ(message(ShellFolder::Favorites), "Cannot find the Favorites folder; no shortcut was made.");
    withName("");
    EXPECT_EQ(message(ShellFolder::Desktop), "Cannot make a shortcut for a macro without a name.");
    withName(std::string(256, 'n'));
    EXPECT_EQ(
        message(ShellFolder::Desktop),
        "Cannot make the shortcut: its description (the macro's name) would be longer than 255 characters.");
    withName(std::string(240, 'n'));  // the arguments add 16 characters
    EXPECT_EQ(
        message(ShellFolder::Desktop),
        "Cannot make the shortcut: its arguments (the macro's name) would be longer than 255 characters.");
    withName(std::string(236, 'n'));  // the folder path and "\" take 20, ".lnk" 4
    EXPECT_EQ(message(ShellFolder::Desktop),
              "Cannot make the shortcut: its file path would be longer than 259 characters.");
    EXPECT_TRUE(links.links.empty());
    withName(std::string(235, 'n'));
    EXPECT_EQ(message(ShellFolder::Desktop), "no error");
}

// A shortcut is made only when its start runs its macro: the program's
// command line finds the macro by the name the shortcut gives.
TEST(Shortcuts, EveryShortcutMadeRunsItsMacro) {
    const struct {
        std::string section;  // Macro2's lines
        std::string refusal;  // or empty: made, and it runs Macro2 alone
    } cases[] = {
        {"Name=Mail\\Boss: Hi\r\n", ""},
        {"Name=" + std::string(150, 'n') + "\r\n", ""},
        {"Name=" + std::string(151, 'n') + "\r\n", ""},
        {"Name=" + std::string(235, 'n') + "\r\n", ""},  // the longest the arguments hold
        {"Name=Stra\u00DFe  caf\u00E9\r\n", ""},
        {"Type=4\r\n", ""},  // no Name: "Error" for the shortcut and the command line
        {"Name=say \"hi\" now\r\n",
         "Cannot make a shortcut for a macro whose name contains a double quotation mark."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section.substr(0, 40));
        os::fake::FakeSystem fake;
        os::fake::FakeShellLinks links;
        fake.files.files[fake.sys.storePath] =
            "[Main]\r\nEntries=2\r\n[Macro1]\r\nName=Other\r\n[Macro2]\r\n" + c.section;
        std::string path, refusal;
        try {
            path = manager::createShortcut(fake.sys, links, ShellFolder::Desktop, 2);
        } catch (const Error& e) {
            refusal = e.what();
        }
        EXPECT_EQ(refusal, c.refusal);
        if (!refusal.empty()) {
            EXPECT_TRUE(links.links.empty());
            continue;
        }
        const os::ShellLinkData& link = links.links.at(path);
        test::Runs runs;
        const std::vector<int>& ran = runs.slots;
        triggers::CommandLine commandLine(fake.sys, runs);
        commandLine.run(triggers::splitArguments("\"" + link.target + "\"" + link.arguments));
        EXPECT_EQ(ran, std::vector<int>{2});
        EXPECT_TRUE(commandLine.closeWhenDone());
    }
}

TEST(PrintList, OnlyRowsWithAHotKeyWithThreeTabsUpToEightCharacters) {
    const std::vector<manager::MacroRow> rows = {{"Short", "Ctrl+F12", "", 0},
                                                 {"None", "", "", 0},
                                                 {"Long", "Shift+F12", "", 0},
                                                 // An abbreviation stands beside the hot key, or alone.
                                                 {"Both", "Ctrl+F1", "", 0, true, "btw"},
                                                 {"Typed", "", "", 0, true, "sig"}};
    EXPECT_EQ(
        manager::printedLines(rows),
        (std::vector<std::string>{"HOTKEY      \t\tMACRO NAME", std::string(33, '_'), "Ctrl+F12\t\t\tShort",
                                  "Shift+F12\t\tLong", "Ctrl+F1 \"btw\"\t\tBoth", "\"sig\"\t\t\tTyped"}));
}

TEST(PrintList, TabStopsWrappingAndPageBreaks) {
    // 10 units a character, tab stops every 80, lines of 16 + 2.
    {
        os::fake::FakePrintJob job;
        manager::printLines(job, {"Ctrl+F12\t\t\tA", "Shift+F12\t\tB", "1234567\tC"});
        // 8 characters end at 80, so the first tab goes on to 160 (a stop at
        // least 2 further on); 7 end at 70 and the tab stops at 80.
        EXPECT_EQ(job.drawn, (std::vector<Drawn>{{1, 0, 0, "Ctrl+F12"},
                                                 {1, 320, 0, "A"},
                                                 {1, 0, 18, "Shift+F12"},
                                                 {1, 240, 18, "B"},
                                                 {1, 0, 36, "1234567"},
                                                 {1, 80, 36, "C"}}));
        EXPECT_TRUE(job.finished);
    }
    {
        os::fake::FakePrintJob job;
        job.page.width = 100;
        manager::printLines(job, {"abcdefghijklmn", "\t\tX", "", "Y"});
        // Cut at the edge and continued; a tab past the edge starts a new line;
        // an empty line advances by the character height.
        EXPECT_EQ(job.drawn,
                  (std::vector<Drawn>{
                      {1, 0, 0, "abcdefghij"}, {1, 0, 18, "klmn"}, {1, 0, 52, "X"}, {1, 0, 86, "Y"}}));
    }
    {
        os::fake::FakePrintJob job;
        job.page.height = 60;
        manager::printLines(job, {"1", "2", "3", "4"});
        // After the second line 24 units remain, less than two lines of 18.
        EXPECT_EQ(job.drawn,
                  (std::vector<Drawn>{{1, 0, 0, "1"}, {1, 0, 18, "2"}, {2, 0, 0, "3"}, {2, 0, 18, "4"}}));
        EXPECT_EQ(job.pages, 2) << "no blank page at the end";
    }
}

TEST(PrintList, CancelPrintsNothingAndAPrinterFailureEndsTheCommand) {
    os::fake::FakeSystem fake;
    os::fake::FakeShellLinks links;
    os::fake::FakePrinting printing;
    struct NullView : manager::ManagerView {
        void showRows(const std::vector<manager::ListRow>&) override {}
        void addRow(const manager::ListRow&) override {}
        void removeRow(int) override {}
        int selectedRow() override { return -1; }
        int focusedRow() override { return -1; }
        void setStatus(const std::string&) override {}
        void enableCommand(manager::Command, bool) override {}
        bool isForeground() override { return false; }
        bool isVisible() override { return false; }
        void hide() override {}
    } view;
    struct NoHost : manager::ManagerHost {
        void openWizard() override {}
        void openProperties(int) override {}
        void loadHotKeys() override {}
        void savePosition() override {}
        bool hotKeyRefused(int) override { return false; }
        void openHelp() override {}
    } host;
    manager::ManagerPresenter p(fake.sys, links, printing, view, host);
    fake.files.files[fake.sys.storePath] = "[Main]\r\nEntries=1\r\n[Macro1]\r\nName=A\r\nHotKey=16449\r\n";
    p.fillMacroList();
    printing.cancel = true;
    p.printList();
    EXPECT_EQ(printing.dialogs, 1);
    EXPECT_EQ(printing.job, nullptr);
    printing.cancel = false;
    printing.failAfterDraws = 1;
    EXPECT_THROW(p.printList(), Error);
    EXPECT_FALSE(printing.job->finished);
    printing.failAfterDraws = -1;
    p.printList();
    ASSERT_EQ(printing.job->drawn.size(), 5u);
    EXPECT_EQ(printing.job->drawn[3].text, "Ctrl+A");
    EXPECT_EQ(printing.job->drawn[4].text, "A");
}
