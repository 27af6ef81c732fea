// Names Windows takes for devices: refused as macro names, and never opened
// when a hand-edited store names one as a macro's file.

#include "core/device_names.hpp"

#include <gtest/gtest.h>

#include "authoring/macro_name.hpp"
#include "core/error.hpp"
#include "os/fake/fake_os.hpp"
#include "playback/run_state.hpp"
#include "run_host.hpp"
#include "store/store.hpp"
#include "triggers/dispatcher.hpp"

using namespace kv;

namespace {

TEST(DeviceNames, TheSystemsDeviceNamesInEveryFormAndNothingElse) {
    const struct {
        const char* name;
        bool device;
    } cases[] = {
        {"CON", true},
        {"con.txt", true},
        {"COM\xC2\xB9", true},  // superscript one
        {"com\xC2\xB2.key", true},
        {"LPT\xC2\xB3  .dat", true},
        {"Lpt\xC2\xB9", true},
        {"CONIN$", true},
        {"conout$.log", true},
        {"CONOUT$ ", true},
        {"COM9", true},
        {"lpt1.x.y", true},
        {"COM\xE2\x81\xB4", false},  // superscript four: no such port
        {"COM\xC2\xB9\xC2\xB9", false},
        {"COM\xC2", false},  // half a character
        {"COM10", false},
        {"COM0", false},
        {"CONIN", false},
        {"CONIN$x", false},
        {"CONOUT", false},
        {"Con game", false},
        {"LPT", false},
        {"", false},
        {"x.CON", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(namesDevice(c.name), c.device) << c.name;
        EXPECT_EQ(pathNamesDevice(std::string("C:\\Keyvale\\") + c.name), c.device) << c.name;
        EXPECT_EQ(authoring::macroNameProblem(c.name).has_value(), c.device) << c.name;
    }
    EXPECT_TRUE(pathNamesDevice("C:\\Keyvale\\COM1:"));
    EXPECT_TRUE(pathNamesDevice("COM\xC2\xB3"));
    EXPECT_FALSE(pathNamesDevice("C:\\CON\\x.key"));
    EXPECT_EQ(
        authoring::macroNameProblem("CONOUT$.key"),
        "Windows reserves the name CONOUT$ for a device, so it cannot name a macro; please select another.");
    EXPECT_EQ(authoring::macroNameProblem("COM\xC2\xB2"),
              "Windows reserves the name COM\xC2\xB2 for a device, so it cannot name a macro; please select "
              "another.");
}

TEST(DeviceNames, AScriptWhoseStoredFileNameIsADeviceCannotBeOpened) {
    for (const char* fileName : {"COM1", "CONIN$", "LPT\xC2\xB9.key", "com\xC2\xB3"}) {
        SCOPED_TRACE(fileName);
        os::fake::FakeSystem fake;
        journal::NullJournal journal;
        playback::RunState state;
        test::RunHost host;
        triggers::Dispatcher dispatcher(fake.sys, state, journal, host);
        bool ran = false;
        host.run = [&](const std::string&) { ran = true; };
        store::Store st(fake.files, fake.sys.storePath);
        st.writeInt("Macro1", "Type", 4);
        st.writeString("Macro1", "FileName", fileName);
        const std::string path = fake.sys.programDirectory + fileName;
        fake.files.files[path] = "typed";  // as a device would answer
        try {
            dispatcher.processHotKey(1);
            ADD_FAILURE() << "the device was read";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + path);
        }
        EXPECT_FALSE(ran);
    }
}

}  // namespace
