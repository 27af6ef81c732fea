#include "manager/manager.hpp"

#include <gtest/gtest.h>

#include "app/application.hpp"
#include "hotkeys/hot_key_slots.hpp"
#include "os/fake/fake_os.hpp"
#include "os/fake/fake_shell_print.hpp"
#include "run_requests.hpp"
#include "store/macros.hpp"

using namespace kv;
using manager::Command;
using manager::ListRow;

namespace {

struct FakeManagerView : manager::ManagerView {
    std::vector<ListRow> rows;
    int selected = -1, focused = -1;
    std::string status;
    std::map<Command, bool> enabled;
    bool foreground = true, visible = true;
    void showRows(const std::vector<ListRow>& r) override { rows = r; }
    void addRow(const ListRow& r) override { rows.push_back(r); }
    void removeRow(int row) override {
        rows.erase(rows.begin() + row);
        selected = focused = -1;
    }
    int selectedRow() override { return selected; }
    int focusedRow() override { return focused; }
    void setStatus(const std::string& t) override { status = t; }
    void enableCommand(Command c, bool on) override { enabled[c] = on; }
    bool isForeground() override { return foreground; }
    bool isVisible() override { return visible; }
    void hide() override { visible = false; }
};

struct ManagerTest : ::testing::Test, manager::ManagerHost {
    os::fake::FakeSystem fake;
    os::fake::FakeShellLinks links;
    os::fake::FakePrinting printing;
    FakeManagerView view;
    test::Runs runs;
    hotkeys::HotKeySlotTable table{fake.sys, runs};
    store::Store st{fake.files, fake.sys.storePath};
    int loads = 0, saves = 0;
    std::vector<int> propertiesFor;
    manager::ManagerPresenter p{fake.sys, links, printing, view, *this};

    // manager::ManagerHost
    void openWizard() override {}
    void openProperties(int slot) override { propertiesFor.push_back(slot); }
    void loadHotKeys() override {
        ++loads;
        table.loadHotKeys(st, [this] { p.fillMacroList(); });
    }
    void savePosition() override { ++saves; }
    bool hotKeyRefused(int slot) override { return table.refused(slot); }
    void openHelp() override {}

    void store(const std::string& macros, int entries) {
        fake.files.files[fake.sys.storePath] =
            "[Main]\r\nEntries=" + std::to_string(entries) + "\r\n" + macros;
    }
    static std::string macro(int slot, const std::string& name, int type, int hotKey) {
        return "[Macro" + std::to_string(slot) + "]\r\nName=" + name + "\r\nType=" + std::to_string(type) +
               "\r\nHotKey=" + std::to_string(hotKey) + "\r\n";
    }
    void select(int row) { view.selected = view.focused = row; }
    std::string states() {
        std::string s;
        for (Command c : {Command::DeleteButton, Command::EditButton, Command::DeleteItem,
                          Command::PropertiesItem, Command::CreateShortcut})
            s += p.commandEnabled(c) ? '1' : '0';
        return s;
    }
};

constexpr int kCtrlAltK = 0xC000 + 'K';

}  // namespace

TEST_F(ManagerTest, RowsCarryTheKindImageAndARefusedHotKeyIsMarked) {
    store(macro(1, "App", 1, 0) + macro(2, "Keys", 2, kCtrlAltK) + macro(3, "Mouse", 3, 0) +
              macro(4, "Script", 4, kCtrlAltK) + macro(5, "Odd", 9, 0) +
              "[Macro6]\r\nName=NoType\r\nHotKey=" + std::to_string(0xC000 + 'J') + "\r\n",
          6);
    fake.hotKeys.takenElsewhere.insert({os::kModAlt | os::kModControl, 'J'});
    table.loadHotKeys(st, [this] { p.fillMacroList(); });
    ASSERT_EQ(view.rows.size(), 6u);
    std::vector<int> images;
    for (const ListRow& r : view.rows) images.push_back(r.image);
    EXPECT_EQ(images, (std::vector<int>{0, 1, 2, 1, 0, 0}));
    // Slot 4 shares slot 2's combination; slot 6's is held by another program.
    EXPECT_EQ(view.rows[1].hotKey, "Ctrl+Alt+K");
    EXPECT_EQ(view.rows[3].hotKey, "Ctrl+Alt+K (in use)");
    EXPECT_EQ(view.rows[5].hotKey, "Ctrl+Alt+J (in use)");
    EXPECT_EQ(p.rows()[3].hotKey, "Ctrl+Alt+K") << "the kept row (printed) has the plain text";
    select(3);
    p.listClick();
    EXPECT_EQ(view.status,
              "Script - Advanced Macro - the hot key Ctrl+Alt+K is taken by another program or macro");
}

TEST_F(ManagerTest, StatusTextsFollowTheTypeAndAMissingNameIsEmpty) {
    store(macro(1, "A", 1, 0) + macro(2, "B", 2, 0) + macro(3, "C", 3, 0) + macro(4, "D", 4, 0) +
              macro(5, "E", 7, 0) + "[Macro6]\r\nType=2\r\n",
          6);
    p.fillMacroList();
    const char* expected[] = {"A - Starts an Application or Document",
                              "B - Plays back Keystrokes",
                              "C - Plays back Mouse and Keyboard",
                              "D - Advanced Macro",
                              "E",
                              " - Plays back Keystrokes"};
    for (int row = 0; row < 6; ++row) {
        select(row);
        p.listClick();
        EXPECT_EQ(view.status, expected[row]) << row;
    }
    EXPECT_EQ(view.rows[5].caption, "Macro6");
}

TEST_F(ManagerTest, CommandStatesDifferBetweenClickMouseUpAndKeys) {
    store(macro(1, "A", 1, 0), 1);
    p.fillMacroList();
    EXPECT_EQ(states(), "00000");
    // A click enables four commands and leaves the Edit button alone.
    select(0);
    p.listClick();
    EXPECT_EQ(states(), "10111");
    p.listMouseUp();
    EXPECT_EQ(states(), "11111");
    // Selected but without the focus rectangle: mouse-up disables all five.
    view.focused = -1;
    p.listMouseUp();
    EXPECT_EQ(states(), "00000");
    // A click on empty space: four disabled, the status cleared; Edit untouched.
    view.focused = 0;
    p.listMouseUp();
    view.selected = -1;
    p.listClick();
    EXPECT_EQ(states(), "01000");
    EXPECT_EQ(view.status, "");
    // Keys change no state; the status follows only while in the foreground.
    select(0);
    p.listKeyUp();
    EXPECT_EQ(states(), "01000");
    EXPECT_EQ(view.status, "A - Starts an Application or Document");
    view.status.clear();
    view.foreground = false;
    p.listKeyUp();
    EXPECT_EQ(view.status, "");
}

TEST_F(ManagerTest, PropertiesNeedASelectionAndHideAndCloseSaveTheGeometryWhenVisible) {
    store(macro(1, "A", 1, 0) + macro(2, "B", 1, 0), 2);
    p.fillMacroList();
    p.properties();
    EXPECT_TRUE(propertiesFor.empty());
    select(1);
    p.listDoubleClick();
    EXPECT_EQ(propertiesFor, std::vector<int>{2});
    p.closeQuery();
    EXPECT_EQ(saves, 1);
    p.closeQuery();
    EXPECT_EQ(saves, 1) << "closing a hidden window saves nothing";
    view.visible = true;
    p.hide();
    EXPECT_FALSE(view.visible);
    EXPECT_EQ(saves, 2);
}

TEST_F(ManagerTest, DeleteAnsweredNoChangesNothingAndYesShiftsRemovesFilesAndFreesTheHotKey) {
    store(macro(1, "One", 4, 0) + macro(2, "Two", 4, kCtrlAltK) + "FileName=Two.key\r\n" +
              macro(3, "Three", 2, 0),
          3);
    fake.files.files["C:\\Keyvale\\Two.key"] = "x";
    fake.files.files["C:\\Keyvale\\Two.dat"] = "x";
    table.loadHotKeys(st, [this] { p.fillMacroList(); });
    EXPECT_TRUE(fake.hotKeys.isRegistered(os::kModAlt | os::kModControl, 'K'));
    select(1);
    p.listClick();
    const std::string before = fake.files.files[fake.sys.storePath];
    fake.dialogs.confirmAnswer = false;
    p.deleteMacro();
    EXPECT_EQ(fake.dialogs.questions,
              std::vector<std::string>{"Are you sure you want to delete this macro?"});
    EXPECT_EQ(fake.files.files[fake.sys.storePath], before);
    EXPECT_EQ(fake.files.files.count("C:\\Keyvale\\Two.key"), 1u);

    fake.dialogs.confirmAnswer = true;
    p.deleteMacro();
    EXPECT_EQ(store::readEntries(st), 2);
    EXPECT_EQ(st.readString("Macro2", "Name", ""), "Three");
    EXPECT_EQ(fake.files.files.count("C:\\Keyvale\\Two.key"), 0u);
    EXPECT_EQ(fake.files.files.count("C:\\Keyvale\\Two.dat"), 1u) << "not the file of a script";
    EXPECT_FALSE(fake.hotKeys.isRegistered(os::kModAlt | os::kModControl, 'K'));
    EXPECT_EQ(loads, 1);
    ASSERT_EQ(view.rows.size(), 2u);
    EXPECT_EQ(view.rows[1].caption, "Three");
    EXPECT_FALSE(p.commandEnabled(Command::DeleteButton));
    EXPECT_FALSE(p.commandEnabled(Command::CreateShortcut));
}

TEST_F(ManagerTest, DeletingTheOnlyMacroLeavesAnEmptyList) {
    store(macro(1, "Only", 1, 0), 1);
    p.fillMacroList();
    select(0);
    p.deleteMacro();
    EXPECT_TRUE(view.rows.empty());
    EXPECT_TRUE(p.rows().empty());
    EXPECT_EQ(store::readEntries(st), 0);
}

TEST_F(ManagerTest, AFailedStoreWriteKeepsTheMacroAndItsFiles) {
    store(macro(1, "Keep", 4, 0), 1);
    fake.files.files["C:\\Keyvale\\Keep.key"] = "script";
    fake.files.readOnly.insert(fake.sys.storePath);
    fake.files.noNewFilesIn.insert("C:\\windows");
    p.fillMacroList();
    select(0);
    EXPECT_THROW(p.deleteMacro(), Error);
    EXPECT_EQ(fake.files.files.count("C:\\Keyvale\\Keep.key"), 1u);
    EXPECT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(store::readEntries(st), 1);
}

TEST_F(ManagerTest, ACaptionThatIsAPathRemovesTheEntryButNoFile) {
    for (const std::string name : {"..\\Victim", "C:Victim", "sub/Victim", ".."}) {
        store(macro(1, name, 4, 0), 1);
        fake.files.files["C:\\Victim.key"] = "x";
        fake.files.files["C:\\Keyvale\\..\\Victim.key"] = "x";
        fake.files.files["C:\\Keyvale\\...key"] = "x";
        p.fillMacroList();
        select(0);
        p.deleteMacro();
        EXPECT_EQ(store::readEntries(st), 0) << name;
        EXPECT_EQ(fake.files.files.size(), 4u) << name << ": a file was removed";
    }
}

TEST_F(ManagerTest, FillingAHundredMacrosReadsTheStoreOnce) {
    struct CountingFiles : os::fake::FakeFiles {
        int reads = 0;
        std::optional<std::string> read(const std::string& path) override {
            ++reads;
            return FakeFiles::read(path);
        }
    } files;
    std::string text = "[Main]\r\nEntries=100\r\n";
    for (int n = 1; n <= 100; ++n) {
        std::string name = "M";
        name += std::to_string(n);
        text += macro(n, name, 1 + n % 4, 0);
    }
    files.files[fake.sys.storePath] = text;
    os::System counted{fake.pump,         fake.keyboard,
                       fake.hotKeys,      fake.windows,
                       fake.shell,        files,
                       fake.dialogs,      fake.locale,
                       fake.input,        fake.sys.programDirectory,
                       fake.sys.storePath};
    manager::ManagerPresenter presenter(counted, links, printing, view, *this);
    presenter.fillMacroList();
    EXPECT_EQ(view.rows.size(), 100u);
    EXPECT_EQ(files.reads, 1);
}

TEST_F(ManagerTest, TheWizardAddsRowsAndReadsTheirNames) {
    store(macro(1, "First", 1, 0), 1);
    p.fillMacroList();
    p.addRow(2, "Second", "Ctrl+B");
    EXPECT_EQ(p.rowNames(), (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(view.rows.back(), (ListRow{"Second", "Ctrl+B", "", 2}));
}

// Start-up fills the list of a hidden window: with thousands of macros that
// must not cost a reading of every macro until the rows are needed.
TEST_F(ManagerTest, AHiddenListIsBuiltWhenShownPrintedOrAskedForItsNames) {
    store(macro(1, "First", 1, 0), 1);
    view.visible = false;
    const int reads = fake.files.reads;
    p.fillMacroList();
    EXPECT_EQ(fake.files.reads, reads);
    EXPECT_TRUE(view.rows.empty());
    store(macro(1, "First", 1, 0) + macro(2, "Second", 4, 0), 2);
    p.addRow(4, "Second", "");  // the wizard's new row: the store already holds it
    EXPECT_EQ(p.rowNames(), (std::vector<std::string>{"First", "Second"}));
    p.fillMacroList();
    p.printList();
    ASSERT_TRUE(printing.job);
    EXPECT_EQ(p.rows().size(), 2u);
    p.fillMacroList();
    p.showing();
    EXPECT_EQ(view.rows.size(), 2u);
    const int built = fake.files.reads;
    p.showing();
    EXPECT_EQ(fake.files.reads, built) << "an up-to-date list is not built again";
}

TEST(ManagerTray, PrintMacroListFromTheTrayPrintsThroughTheManager) {
    struct PrintingView : app::ShellView {
        int prints = 0;
        app::ScreenSize screen() override { return {1280, 1024}; }
        app::Rect managerRect() override { return {}; }
        void placeManager(const app::Rect&) override {}
        void showManager(bool) override {}
        void showAbout(const app::AboutText&) override {}
        std::pair<unsigned long long, unsigned> memoryStatus() override { return {0, 0}; }
        void quit() override {}
        void enableShutdownPrivilege() override {}
        void printList() override { ++prints; }
    } view;
    os::fake::FakeSystem fake;
    journal::NullJournal journal;
    app::Application application(fake.sys, journal, &view);
    EXPECT_TRUE(application.commandEnabled(app::TrayCommand::PrintMacros));
    application.trayCommand(app::TrayCommand::PrintMacros);
    EXPECT_EQ(view.prints, 1);
}

// A row's check box switches its macro off and on: the store, the hot key
// and the grey row follow; a macro another copy moved is found by its name.
TEST_F(ManagerTest, TheCheckBoxSwitchesTheMacroItShowsOffAndOn) {
    store(macro(1, "Alpha", 2, 16449) + macro(2, "Beta", 2, 16450), 2);
    loadHotKeys();
    p.setEnabled(1, false);
    EXPECT_EQ(st.readString("Macro2", "Enabled", ""), "0");
    EXPECT_FALSE(fake.hotKeys.isRegistered(os::kModControl, 'B'));
    EXPECT_FALSE(view.rows.at(1).enabled);
    // Another copy put a macro in front: the row still names Beta.
    store(macro(1, "New", 2, 0) + macro(2, "Alpha", 2, 16449) + macro(3, "Beta", 2, 16450) + "Enabled=0\r\n",
          3);
    p.setEnabled(1, true);
    EXPECT_EQ(st.readString("Macro3", "Enabled", "(none)"), "(none)");
    EXPECT_EQ(st.readString("Macro2", "Enabled", "(none)"), "(none)");
    EXPECT_TRUE(fake.hotKeys.isRegistered(os::kModControl, 'B'));
}
