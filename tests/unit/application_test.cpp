#include "app/application.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "app/help.hpp"
#include "os/fake/fake_instances.hpp"
#include "os/fake/fake_os.hpp"

using namespace kv;
using app::Rect;

namespace {

struct FakeView : app::ShellView {
    app::ScreenSize screenSize{1280, 1024};
    Rect rect{0, 0, 421, 343};
    bool shown = false, activated = false, quitCalled = false, privilege = false;
    std::vector<std::string> about;
    app::ScreenSize screen() override { return screenSize; }
    Rect managerRect() override { return rect; }
    void placeManager(const Rect& r) override { rect = r; }
    void showManager(bool activate) override {
        shown = true;
        activated |= activate;
    }
    void showAbout(const app::AboutText& t) override { about = {t.product, t.memoryValue, t.resourcesValue}; }
    std::pair<unsigned long long, unsigned> memoryStatus() override { return {8ull << 30, 42}; }
    void quit() override { quitCalled = true; }
    void enableShutdownPrivilege() override { privilege = true; }
    void showTrayState(const app::TrayState& s) override { tips.push_back(s.tip); }
    std::optional<std::uint16_t> askHotKey(const std::string&, std::uint16_t) override {
        if (answers.empty()) return std::nullopt;
        const auto a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    std::vector<std::string> tips;
    std::vector<std::uint16_t> answers;
};

struct ApplicationTest : ::testing::Test {
    os::fake::FakeSystem fake;
    journal::NullJournal journal;
    FakeView view;
    app::Application app{fake.sys, journal, &view};
    store::Store st{fake.files, fake.sys.storePath};
    void runFor(os::Millis ms) {
        const os::Millis end = fake.pump.now() + ms;
        while (fake.pump.now() < end) fake.pump.waitUntil(end);
    }
    // A store past its first run with one macro, in slot 1.
    void oneMacro(const std::string& name, int type, const std::string& fileName, int hotKey = 0) {
        st.writeInt("Main", "FirstRun", 0);
        st.writeInt("Main", "Entries", 1);
        st.writeString("Macro1", "Name", name);
        st.writeInt("Macro1", "Type", type);
        if (hotKey) st.writeInt("Macro1", "HotKey", hotKey);
        st.writeString("Macro1", "FileName", fileName);
    }
    void start(const std::vector<std::string>& args = {}) {
        app.managerCreated();
        app.trayCreated(args);
        app.firstRunCheck();
    }
};

}  // namespace

TEST_F(ApplicationTest, TheFirstRunShowsTheManagerCentredOnceOnly) {
    start();
    EXPECT_TRUE(view.shown);
    EXPECT_EQ(view.rect, (Rect{(1280 - 421) / 2, (1024 - 343) / 2, 421, 343}));
    EXPECT_FALSE(st.readBool("Main", "FirstRun", true));
    view = FakeView{};
    app.firstRunCheck();
    EXPECT_FALSE(view.shown);
}

TEST_F(ApplicationTest, OpenRestoresSavedGeometryAndExitSavesIt) {
    st.writeInt("Main", "FirstRun", 0);
    start();
    EXPECT_TRUE(app.openEnabled());
    view.rect = {10, 20, 500, 400};
    app.trayCommand(app::TrayCommand::Open);
    EXPECT_EQ(view.rect, (Rect{(1280 - 500) / 2, (1024 - 400) / 2, 500, 400})) << "never saved: centred";
    EXPECT_FALSE(view.activated) << "Open shows the window without activating it";
    view.rect = {30, 40, 600, 450};
    app.trayCommand(app::TrayCommand::Exit);
    EXPECT_TRUE(view.quitCalled);
    EXPECT_EQ(st.readInt("Position", "Left", 0), 30);
    view.rect = {};
    app.trayCommand(app::TrayCommand::Open);
    EXPECT_EQ(view.rect, (Rect{30, 40, 600, 450}));
}

TEST(Geometry, DefaultsOfAPartlySavedPosition) {
    os::fake::FakeFiles files;
    store::Store st(files, "macros.ini");
    EXPECT_FALSE(app::savedPlacement(st, {1280, 1024}));
    st.writeInt("Position", "Width", 500);
    // The left edge's default comes from the screen height.
    EXPECT_EQ(app::savedPlacement(st, {1280, 1024}), (Rect{1024 / 2 - 210, 512, 500, 343}));
    EXPECT_EQ(app::savedPlacement(st, {1280, 1023}), (Rect{301, 511, 500, 343}));
}

TEST_F(ApplicationTest, LogOffEndsWithoutSavingAndACloseRequestSaves) {
    st.writeInt("Main", "FirstRun", 0);
    start();
    EXPECT_TRUE(app.queryEndSession());
    EXPECT_TRUE(view.quitCalled);
    EXPECT_TRUE(view.privilege);
    EXPECT_EQ(st.readInt("Position", "Width", -1), -1);
    app.closeRequested();
    EXPECT_EQ(st.readInt("Position", "Width", -1), 421);
}

TEST_F(ApplicationTest, ShowHintsTicksFromTheStoreAndWritesWhenClicked) {
    st.writeInt("Main", "Show Hints", 0);
    start();
    EXPECT_FALSE(app.showHints());
    app.trayCommand(app::TrayCommand::ShowHints);
    EXPECT_TRUE(app.showHints());
    EXPECT_TRUE(st.readBool("Main", "Show Hints", false));
}

TEST_F(ApplicationTest, ACloseRunEndsAboutASecondAfterItsMacro) {
    oneMacro("My Macro", 1, "notepad.exe");
    start({"/Open:My Macro", "/Close"});
    EXPECT_EQ(fake.shell.opened, (std::vector<std::string>{"notepad.exe"}));
    EXPECT_FALSE(view.quitCalled);
    runFor(999);
    EXPECT_FALSE(view.quitCalled);
    runFor(1);
    EXPECT_TRUE(view.quitCalled);
}

TEST_F(ApplicationTest, AResidentStartKeepsOnlyTheWatchersTimerRunning) {
    st.writeInt("Main", "FirstRun", 0);
    start({"/Open:Nothing"});
    EXPECT_EQ(fake.pump.runningTimers(), 1);
}

TEST_F(ApplicationTest, StartUpReadsTheStoreOnceAndClearsTheFiredWindowsFromThatReading) {
    oneMacro("A", 4, "A.key", 0x0641);
    st.writeString("Macro1", "FoundHandle", "1234,5678");
    fake.files.reads = 0;
    start();
    EXPECT_EQ(fake.files.reads, 1);
    EXPECT_EQ(st.readString("Macro1", "FoundHandle", "x"), "");
    EXPECT_EQ(st.readString("Macro1", "Name", ""), "A");
    EXPECT_EQ(fake.hotKeys.registeredCount(), 1u);
}

TEST_F(ApplicationTest, AnErrorFromTheCommandLineLeavesOpenOffAndEndsACloseStart) {
    oneMacro("Gone", 4, "Gone.key");
    app.managerCreated();
    bool quitBeforeDismissed = true;
    fake.dialogs.whileErrorOpen = [&] { quitBeforeDismissed = view.quitCalled; };
    app.trayCreated({"Gone"});
    ASSERT_EQ(fake.dialogs.errors.size(), 1u);
    EXPECT_FALSE(app.openEnabled());
    app.trayDoubleClick();
    EXPECT_FALSE(view.shown);
    runFor(5000);
    EXPECT_FALSE(view.quitCalled) << "without /Close the program stays resident";

    view = FakeView{};
    app.trayCreated({"Gone", "/Close"});
    EXPECT_FALSE(quitBeforeDismissed);
    EXPECT_TRUE(view.quitCalled) << "a failed shortcut start ends once its error is dismissed";
}

// Pause frees the hot keys and stops the watcher until it is chosen again;
// the tray tip tells of the pause and names a macro while it runs.
TEST_F(ApplicationTest, PauseFreesTheHotKeysAndTheTipTellsOfPausesAndRuns) {
    oneMacro("A very long name for a signature macro, too long", 4, "Sig.key", 16449);
    st.writeString("Macro1", "Trigger", "Untitled - Notepad");
    fake.files.files["C:\\Keyvale\\Sig.key"] = "x";
    start();
    app.trayCommand(app::TrayCommand::Pause);
    EXPECT_TRUE(app.paused());
    EXPECT_EQ(fake.hotKeys.registeredCount(), 0u);
    fake.windows.open("Untitled - Notepad");
    runFor(3000);
    EXPECT_TRUE(fake.keyboard.events.empty()) << "no trigger window runs while paused";
    app.trayCommand(app::TrayCommand::Pause);
    EXPECT_TRUE(fake.hotKeys.isRegistered(os::kModControl, 'A'));
    runFor(3000);
    EXPECT_FALSE(fake.keyboard.events.empty()) << "the watcher goes on afterwards";
    EXPECT_EQ(view.tips,
              (std::vector<std::string>{"Keyvale (paused)", app::kTrayTip,
                                        "Keyvale: running A very long name for a signa... (Esc stops it)",
                                        app::kTrayTip}));
    EXPECT_EQ(view.tips[2].size(), 63u);

    // A long wait counts down in the tip, to the second.
    fake.files.files["C:\\Keyvale\\Sig.key"] = "<<MINS2>>x";
    st.writeString("Macro1", "Name", "Wait");
    view.tips.clear();
    std::string halfway;
    fake.pump.at(fake.pump.now() + 60500, [&] { halfway = view.tips.back(); });
    app.dispatcher().processHotKey(1);  // the clock runs on through the wait
    // The tray shows a run once its first keys are out, here in the wait.
    EXPECT_EQ(view.tips.at(0), "Keyvale: running Wait, 2:00 left (Esc stops it)");
    EXPECT_EQ(halfway, "Keyvale: running Wait, 1:00 left (Esc stops it)");
    EXPECT_EQ(view.tips.back(), app::kTrayTip);
}

// "Pause Hot Key..." asks until the key follows the hot-key rule and is
// free; the key toggles the pause and stays while paused.
TEST_F(ApplicationTest, ThePauseHotKeyIsAskedForUntilUsableAndTogglesThePause) {
    st.writeInt("Main", "FirstRun", 0);
    start();
    fake.hotKeys.takenElsewhere.insert({os::kModControl | os::kModAlt, 'P'});
    view.answers = {0x2000 | 'P', 0xC000 | 'P', 0xC000 | 'Q'};  // Shift+P, Ctrl+Alt+P, Ctrl+Alt+Q
    app.trayCommand(app::TrayCommand::PauseHotKey);
    EXPECT_EQ(fake.dialogs.errors.size(), 2u);
    EXPECT_EQ(st.readInt("Main", "PauseHotKey", 0), 0xC000 | 'Q');
    EXPECT_TRUE(fake.hotKeys.press(os::kModControl | os::kModAlt, 'Q'));
    EXPECT_TRUE(app.paused());
    EXPECT_TRUE(fake.hotKeys.press(os::kModControl | os::kModAlt, 'Q')) << "a pause keeps its own key";
    EXPECT_FALSE(app.paused());

    // A macro's key, free while paused, is still the macro's.
    st.writeInt("Main", "Entries", 1);
    st.writeString("Macro1", "Name", "Mail");
    st.writeInt("Macro1", "HotKey", 0xC000 | 'M');
    app.loadHotKeys();
    app.trayCommand(app::TrayCommand::Pause);
    fake.dialogs.errors.clear();
    view.answers = {0xC000 | 'M'};
    app.trayCommand(app::TrayCommand::PauseHotKey);
    EXPECT_EQ(
        fake.dialogs.errors,
        std::vector<std::string>{"The hot key Ctrl+Alt+M belongs to the macro Mail; please select another."});
    EXPECT_EQ(st.readInt("Main", "PauseHotKey", 0), 0xC000 | 'Q');
}

TEST_F(ApplicationTest, ExitAndACloseRequestEndEvenWhenTheGeometryCannotBeSaved) {
    st.writeInt("Main", "FirstRun", 0);
    start();
    fake.files.readOnly.insert(fake.sys.storePath);
    for (const bool exit : {true, false}) {
        view = FakeView{};
        fake.sys.guard.run([&] { exit ? app.trayCommand(app::TrayCommand::Exit) : app.closeRequested(); });
        EXPECT_TRUE(view.quitCalled) << (exit ? "Exit" : "close request");
    }
    EXPECT_EQ(fake.dialogs.errors.size(), 2u) << "each shows why the geometry was not saved";
}

TEST_F(ApplicationTest, HelpOpensTheFileInAFolderWithBlanksAndHashes) {
    fake.sys.programDirectory = "C:\\Program Files\\Key #1 100%\\";
    app.trayCommand(app::TrayCommand::Operation);
    EXPECT_EQ(
        fake.shell.opened,
        (std::vector<std::string>{"file:///C:/Program%20Files/Key%20%231%20100%25/Keyvale.html#Operation"}));
    EXPECT_EQ(app::fileUrl("\\\\server\\share\\K\xe9y\\Keyvale.html"),
              "file://server/share/K%E9y/Keyvale.html");
}

namespace {

// One running instance of the program on the shared fake desktop.
struct Instance {
    os::fake::FakeInstances instances;
    journal::NullJournal journal;
    FakeView view;
    app::Application app;
    Instance(os::fake::FakeSystem& fake, os::fake::FakeInstanceTable& table,
             const std::vector<std::string>& args)
        : instances(table), app(fake.sys, journal, &view, nullptr, &instances) {
        app.managerCreated(args);
        app.trayCreated(args);
        app.firstRunCheck();
    }
};

struct InstancesTest : ApplicationTest {
    os::fake::FakeInstanceTable table;
    InstancesTest() {
        st.writeInt("Main", "FirstRun", 0);
        st.writeInt("Main", "Entries", 2);
        st.writeString("Macro1", "Name", "Trig");
        st.writeInt("Macro1", "Type", 1);
        st.writeString("Macro1", "FileName", "trig.exe");
        st.writeString("Macro1", "Trigger", "Calc");
        st.writeString("Macro2", "Name", "x");
        st.writeInt("Macro2", "Type", 1);
        st.writeString("Macro2", "FileName", "x.exe");
    }
    std::unique_ptr<Instance> startInstance(const std::vector<std::string>& args = {}) {
        return std::make_unique<Instance>(fake, table, args);
    }
};

}  // namespace

TEST_F(InstancesTest, AShortcutStartWhileResidentRunsItsMacroButNoTriggerAgain) {
    auto resident = startInstance();
    fake.windows.open("Calc");
    runFor(500);
    ASSERT_EQ(fake.shell.opened, (std::vector<std::string>{"trig.exe"}));
    auto shortcut = startInstance({"/Open:x", "/Close"});
    runFor(3000);
    EXPECT_TRUE(shortcut->view.quitCalled);
    shortcut.reset();
    runFor(1000);
    EXPECT_EQ(fake.shell.opened, (std::vector<std::string>{"trig.exe", "x.exe"}));
}

TEST_F(InstancesTest, ASecondResidentStartKeepsTheRecordsAndWatchesOnlyWhenTheFirstEnds) {
    auto first = startInstance();
    fake.windows.open("Calc");
    runFor(500);
    auto second = startInstance();
    runFor(500);
    EXPECT_EQ(fake.shell.opened.size(), 1u) << "the window already handled does not run again";
    fake.windows.open("Calc");
    runFor(500);
    EXPECT_EQ(fake.shell.opened, (std::vector<std::string>(2, "trig.exe"))) << "a new window runs once";
    first.reset();
    runFor(1000);
    EXPECT_EQ(fake.shell.opened.size(), 2u) << "the second instance knows both windows";
    fake.windows.open("Calc");
    runFor(500);
    EXPECT_EQ(fake.shell.opened.size(), 3u) << "the second instance watches now";
}

TEST_F(ApplicationTest, AboutShowsMemoryAndFreeShare) {
    start();
    app.trayCommand(app::TrayCommand::About);
    EXPECT_EQ(view.about, (std::vector<std::string>{"Keyvale 3.4a", "8,388,608 KB", "42% free"}));
    EXPECT_EQ(app::trayTip(std::string(70, 't')).size(), 63u);
}

TEST_F(ApplicationTest, ScriptDelaysPauseTheWatcher) {
    st.writeInt("Main", "FirstRun", 0);
    start();
    EXPECT_TRUE(app.watcher().running());
    bool pausedDuring = false;
    fake.pump.at(fake.pump.now() + 500, [&] { pausedDuring = !app.watcher().running(); });
    app.interpreter().sendKeys("<<SECS1>>");
    EXPECT_TRUE(pausedDuring);
    EXPECT_TRUE(app.watcher().running());
}

namespace {

// Two monitors: a 1920 by 1080 one left of the primary 1280 by 1024 one.
struct TwoMonitors : FakeView {
    Rect virtualScreen() override { return {-1920, 0, 3200, 1080}; }
    Rect workAreaNearest(const Rect& r) override {
        asked.push_back(r);
        const long long centre = static_cast<long long>(r.left) + r.width / 2;
        return centre < 0 ? Rect{-1920, 0, 1920, 1040} : Rect{0, 0, 1280, 984};
    }
    std::vector<Rect> asked;
};

}  // namespace

TEST_F(ApplicationTest, AbsurdStoredGeometryIsClampedToTheScreensBeforeItIsPlaced) {
    constexpr int kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
    const struct {
        Rect stored;  // Left, Top, Width, Height as the store holds them
        Rect placed;
    } cases[] = {
        {{kMax - 47, 100, 421, 343}, {859, 100, 421, 343}},
        {{-2147483600, 100, 421, 343}, {-1920, 100, 421, 343}},
        {{100, kMax, 421, 343}, {100, 641, 421, 343}},
        {{100, 100, -500, kMin}, {100, 100, 421, 343}},
        {{100, 100, 0, 0}, {100, 100, 421, 343}},
        {{kMin, kMin, 0, 0}, {-1920, 0, 421, 343}},
        {{100, 100, kMax, kMax}, {100, 100, 3200, 1080}},
        {{kMax, kMax, kMax, kMax}, {0, 0, 3200, 1080}},
        {{-1500, 200, 421, 343}, {-1500, 200, 421, 343}},  // on the left monitor: as saved
        {{1100, 600, 421, 343}, {1100, 600, 421, 343}},    // partly off, title bar reachable
    };
    st.writeInt("Main", "FirstRun", 0);
    TwoMonitors screens;
    app::Application app{fake.sys, journal, &screens};
    app.managerCreated();
    app.trayCreated({});
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.stored.left << "," << c.stored.top << " " << c.stored.width
                                          << "x" << c.stored.height);
        st.writeInt("Position", "Left", c.stored.left);
        st.writeInt("Position", "Top", c.stored.top);
        st.writeInt("Position", "Width", c.stored.width);
        st.writeInt("Position", "Height", c.stored.height);
        screens.asked.clear();
        app.trayCommand(app::TrayCommand::Open);
        EXPECT_EQ(screens.rect, c.placed);
        for (const Rect& r : screens.asked) {
            EXPECT_GT(r.width, 0);
            EXPECT_LE(r.width, 3200);
            EXPECT_GE(r.left, -1920LL - r.width);
            EXPECT_LE(r.left, 1280);
        }
    }
}

namespace {

struct SharingView : FakeView {
    int runMacroOpened = 0, imports = 0;
    void openRunMacro() override { ++runMacroOpened; }
    void importMacros() override { ++imports; }
};

}  // namespace

// The Run Macro window's hot key follows a macro's rule, never takes a
// macro's hot key, is stored in Main and registered at once and at start-up.
TEST(RunMacroHotKey, FollowsTheRuleIsStoredAndOpensTheWindow) {
    os::fake::FakeSystem fake;
    journal::NullJournal journal;
    SharingView view;
    fake.files.files[fake.sys.storePath] =
        "[Main]\r\nEntries=1\r\nFirstRun=0\r\nPauseHotKey=" + std::to_string(0xC000 + 'P') +
        "\r\n[Macro1]\r\nName=Mail\r\nType=4\r\nHotKey=" + std::to_string(0xC000 + 'M') + "\r\n";
    {
        app::Application app(fake.sys, journal, &view);
        app.managerCreated();
        const auto refusedWith = [&](std::uint16_t key) {
            try {
                app.setRunMacroHotKey(key);
            } catch (const Error& e) {
                return std::string(e.what());
            }
            return std::string();
        };
        EXPECT_EQ(refusedWith('R'),
                  "Please enter a hot key with Ctrl or Alt for the Run Macro window, or none at all.");
        EXPECT_EQ(refusedWith(0xC000 + 'M'),
                  "The hot key Ctrl+Alt+M belongs to the macro Mail; please select another.");
        EXPECT_EQ(refusedWith(0xC000 + 'P'), "The hot key Ctrl+Alt+P pauses Keyvale; please select another.");
        EXPECT_EQ(store::Store(fake.files, fake.sys.storePath).readInt("Main", "RunMacroHotKey", -1), -1);
        EXPECT_EQ(refusedWith(0xC000 + 'R'), "");
        EXPECT_TRUE(fake.hotKeys.press(os::kModControl | os::kModAlt, 'R'));
        EXPECT_EQ(view.runMacroOpened, 1);
        app.trayCommand(app::TrayCommand::Pause);
        EXPECT_FALSE(fake.hotKeys.isRegistered(os::kModControl | os::kModAlt, 'R')) << "held while paused";
        app.trayCommand(app::TrayCommand::Pause);
        app.trayCommand(app::TrayCommand::RunMacro);
        app.trayCommand(app::TrayCommand::ImportMacros);
        EXPECT_EQ(view.runMacroOpened, 2);
        EXPECT_EQ(view.imports, 1);
    }
    EXPECT_FALSE(fake.hotKeys.isRegistered(os::kModControl | os::kModAlt, 'R'))
        << "released with the application";
    app::Application again(fake.sys, journal, &view);
    again.managerCreated();
    EXPECT_TRUE(fake.hotKeys.isRegistered(os::kModControl | os::kModAlt, 'R')) << "loaded from the store";
}
