#include "triggers/command_line.hpp"

#include <gtest/gtest.h>

#include "os/fake/fake_os.hpp"
#include "run_requests.hpp"
#include "store/store.hpp"

using namespace kv;
using triggers::parseArgument;
using triggers::splitArguments;
using Args = std::vector<std::string>;

TEST(CommandLineSplitting, QuotesBlanksAndLimits) {
    EXPECT_EQ(splitArguments("\"C:\\Program Files\\Macros.exe\" /Open:\"My Macro\" /Close"),
              (Args{"/Open:My Macro", "/Close"}));
    EXPECT_EQ(splitArguments("Macros.exe /Open:My Macro"), (Args{"/Open:My", "Macro"}))
        << "an unquoted name with a blank arrives as two arguments";
    EXPECT_EQ(splitArguments("Macros.exe\t Notes  \r\n"), (Args{"Notes"}));
    EXPECT_EQ(splitArguments("Macros.exe \"\"\"\" x \"\" y"), (Args{"x", "y"}))
        << "pairs of quotes before an argument are skipped";
    EXPECT_EQ(splitArguments("Macros.exe a\"\"b \"c d\"e"), (Args{"ab", "c de"}));
    EXPECT_EQ(splitArguments("Macros.exe"), Args{});
    const std::string longName(300, 'n');
    EXPECT_EQ(splitArguments("Macros.exe " + longName + " next"), (Args{std::string(255, 'n'), "next"}));
}

TEST(CommandLineSplitting, ArgumentKinds) {
    EXPECT_EQ(parseArgument("/open:  My Macro  ").name, "MY MACRO");
    EXPECT_FALSE(parseArgument("/OPEN:x").close);
    EXPECT_TRUE(parseArgument("/Close").close);
    EXPECT_TRUE(parseArgument("/CLOSEnow").close);
    EXPECT_EQ(parseArgument("notes").name, "NOTES");
    EXPECT_EQ(parseArgument("/CLOS").name, "/CLOS");
    // The whole rest of the argument: a shortcut's name may be longer than 150 characters.
    const std::string arg = "/OPEN:" + std::string(150, 'a') + "tail";
    EXPECT_EQ(parseArgument(arg).name, std::string(150, 'A') + "TAIL");
}

namespace {

struct CommandLineTest : ::testing::Test {
    os::fake::FakeSystem fake;
    store::Store st{fake.files, fake.sys.storePath};
    test::Runs runs;
    std::vector<int>& ran = runs.slots;
    triggers::CommandLine cl{fake.sys, runs};
    void names(const std::vector<std::string>& ns) {
        st.writeInt("Main", "Entries", static_cast<int>(ns.size()));
        for (std::size_t i = 0; i < ns.size(); ++i)
            st.writeString("Macro" + std::to_string(i + 1), "Name", ns[i]);
    }
};

}  // namespace

TEST_F(CommandLineTest, RunsEveryMatchingSlotInOrderAndHandlesMessagesBetween) {
    names({"Notes", "My Macro", "notes", "Other"});
    const int before = fake.pump.processCalls;
    cl.run(splitArguments("Macros.exe /Open:\"my macro\" NOTES"));
    EXPECT_EQ(ran, (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(runs.roads, std::vector<Road>(3, Road::CommandLine));
    EXPECT_GE(fake.pump.processCalls - before, 8) << "messages are handled after every slot";
    EXPECT_FALSE(cl.closeWhenDone());
}

TEST_F(CommandLineTest, CloseEndsOnlyAfterARunReportedItsEnd) {
    names({"Notes"});
    cl.run({"/CLOSE"});
    EXPECT_TRUE(cl.closeWhenDone());
    EXPECT_FALSE(cl.shouldEnd(playback::RunStatus::None)) << "/CLOSE alone leaves the program resident";
    EXPECT_TRUE(cl.shouldEnd(playback::RunStatus::RunEnded));
    EXPECT_TRUE(cl.shouldEnd(playback::RunStatus::ReplayEnded));
    cl.run({"Unknown"});
    EXPECT_FALSE(cl.closeWhenDone());
    EXPECT_FALSE(cl.shouldEnd(playback::RunStatus::RunEnded));
}

TEST_F(CommandLineTest, AnErrorStopsTheLaterArguments) {
    names({"Bad", "Good"});
    test::Runs failingRuns{[this](int slot) {
        if (slot == 1) throw std::runtime_error("boom");
        ran.push_back(slot);
    }};
    triggers::CommandLine failing{fake.sys, failingRuns};
    EXPECT_THROW(failing.run({"Bad", "Good", "/CLOSE"}), std::runtime_error);
    EXPECT_TRUE(ran.empty());
    EXPECT_FALSE(failing.closeWhenDone());
}
