// Keyvale at home on current Windows: a second start, starting with Windows,
// shortcut icons, windows restored off-screen and administrators' windows.

#include <gtest/gtest.h>

#include "app/application.hpp"
#include "app/geometry.hpp"
#include "manager/shortcuts.hpp"
#include "os/fake/fake_instances.hpp"
#include "os/fake/fake_os.hpp"
#include "os/fake/fake_shell_print.hpp"
#include "playback_fixture.hpp"

using namespace kv;

namespace {

struct ResidentCopy : os::fake::FakeInstances {
    using FakeInstances::FakeInstances;
    int asked = 0;
    bool showResidentManager() override { return ++asked, true; }
};

TEST(WindowsHome, OnlyAPlainStartWhileAnotherCopyIsResidentHandsOver) {
    os::fake::FakeInstanceTable table;
    ResidentCopy alone(table);
    EXPECT_FALSE(app::handOverToResidentCopy({}, alone));
    ResidentCopy second(table);
    EXPECT_FALSE(app::handOverToResidentCopy({"/Open:Mail", "/Close"}, second));
    EXPECT_FALSE(app::handOverToResidentCopy({"Mail"}, second));
    EXPECT_EQ(second.asked, 0);
    EXPECT_TRUE(app::handOverToResidentCopy({}, second));
    EXPECT_TRUE(app::handOverToResidentCopy({"/close"}, second));
    EXPECT_EQ(second.asked, 2);
}

TEST(WindowsHome, StartWithWindowsMakesAndRemovesTheStartUpShortcut) {
    os::fake::FakeSystem fake;
    os::fake::FakeShellLinks links;
    links.folders[os::ShellFolder::Startup] = "C:\\Users\\me\\Startup";
    links.alsoWriteTo = &fake.files;
    EXPECT_FALSE(manager::startsWithWindows(fake.sys, links));
    manager::setStartWithWindows(fake.sys, links, true);
    EXPECT_TRUE(manager::startsWithWindows(fake.sys, links));
    const os::ShellLinkData& link = links.links.at("C:\\Users\\me\\Startup\\Keyvale.lnk");
    EXPECT_EQ(link.target, "C:\\Keyvale\\Macros.exe");
    EXPECT_EQ(link.arguments, "") << "started without arguments, Keyvale stays resident";
    manager::setStartWithWindows(fake.sys, links, false);
    EXPECT_FALSE(manager::startsWithWindows(fake.sys, links));

    // No icon file ships beside the program: the shortcut shows the program's own icon.
    fake.files.files[fake.sys.storePath] = "[Main]\r\nEntries=1\r\n[Macro1]\r\nName=Mail\r\n";
    manager::createShortcut(fake.sys, links, os::ShellFolder::Desktop, 1);
    EXPECT_EQ(links.links.at("C:\\Users\\me\\Desktop\\Mail.lnk").iconFile, "C:\\Keyvale\\Macros.exe");
}

TEST(WindowsHome, AWindowSavedOnAMonitorThatIsGoneComesBackOnScreen) {
    const app::Rect work{0, 0, 1280, 984};
    EXPECT_EQ(app::keptVisible({5000, 5000, 421, 343}, work), (app::Rect{859, 641, 421, 343}));
    EXPECT_EQ(app::keptVisible({-2000, 100, 421, 343}, work), (app::Rect{0, 100, 421, 343}));
    EXPECT_EQ(app::keptVisible({100, -300, 421, 343}, work), (app::Rect{100, 0, 421, 343}));
    // Partly off the edge but reachable by its title bar: left where the user put it.
    EXPECT_EQ(app::keptVisible({1100, 600, 421, 343}, work), (app::Rect{1100, 600, 421, 343}));
    // A second monitor to the left has negative coordinates.
    EXPECT_EQ(app::keptVisible({-1500, 200, 421, 343}, {-1920, 0, 1920, 1040}),
              (app::Rect{-1500, 200, 421, 343}));
}

}  // namespace

namespace kv::playback::test {

// Decided here on the fake os: under Wine every process runs at one
// integrity level, so no end-to-end test can show an administrator's window.
TEST_F(InterpreterTest, AnAdministratorsWindowInFrontEndsTheRunBeforeAnyKey) {
    const os::WindowHandle admin = fake.windows.open("Administrator: Command Prompt");
    fake.windows.setForeground(admin);
    fake.windows.elevated.insert(admin);
    EXPECT_EQ(
        errorOf("dir<<ENTER>>"),
        "\"Administrator: Command Prompt\" runs as administrator; Windows does not let Keyvale type into it. "
        "Start Keyvale as administrator to run macros there.");
    EXPECT_TRUE(fake.keyboard.events.empty());
    fake.windows.setForeground(fake.windows.open("Untitled - Notepad"));
    EXPECT_EQ(typedBy("dir"), "dir");
}

}  // namespace kv::playback::test
