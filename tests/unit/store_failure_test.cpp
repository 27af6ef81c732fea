// The store under failures: refused and crashed writes, unreadable files,
// values that would forge lines, slots that do not exist, and Entries far
// beyond any real number of macros.

#include <gtest/gtest.h>

#include <functional>

#include "core/error.hpp"
#include "manager/macro_list.hpp"
#include "os/fake/fake_os.hpp"
#include "os/fake/faulty_files.hpp"
#include "run_requests.hpp"
#include "store/location.hpp"
#include "store/macros.hpp"
#include "store/store.hpp"
#include "triggers/watcher.hpp"

using namespace kv;
using namespace kv::store;

namespace {

const std::string kPath = "C:\\windows\\macros.ini";
const std::string kOld =
    "[Main]\r\nEntries=2\r\nFirstRun=0\r\n"
    "[Macro1]\r\nName=A\r\nType=4\r\nFileName=A.key\r\nFoundHandle=7\r\n"
    "[Macro2]\r\nName=B\r\nType=1\r\nFileName=notepad.exe\r\n";

struct Operation {
    const char* name;
    std::function<void(Store&)> run;
};

const std::vector<Operation>& operations() {
    static const std::vector<Operation> ops = {
        {"write a key", [](Store& s) { s.writeString("Macro2", "Name", "Renamed"); }},
        {"erase a section", [](Store& s) { s.eraseSection("Macro1"); }},
        {"add a macro",
         [](Store& s) {
             addMacro(s, {"C", kScript, 0, "C.key", "", 1});
         }},
        {"delete a slot", [](Store& s) { deleteMacroSlot(s, 1); }},
    };
    return ops;
}

std::string message(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "<no error>";
}

}  // namespace

// Every change of the file, failed or crashed at each of its steps in turn:
// the store holds the old bytes or, once the rename is done, the new ones;
// a failure is reported and leaves no temporary file.
TEST(StoreFaults, NoFailedOrCrashedStepOfAWriteDamagesTheStore) {
    for (const Operation& op : operations()) {
        os::fake::FakeFiles clean;
        clean.files[kPath] = kOld;
        os::fake::FaultyFiles counting(clean);
        Store counted(counting, kPath);
        op.run(counted);
        const std::string newBytes = clean.files[kPath];
        ASSERT_NE(newBytes, kOld) << op.name;
        ASSERT_GE(counting.steps, 2) << op.name;

        for (int step = 1; step <= counting.steps; ++step) {
            SCOPED_TRACE(std::string(op.name) + ", step " + std::to_string(step));
            os::fake::FakeFiles inner;
            inner.files[kPath] = kOld;
            os::fake::FaultyFiles files(inner);
            Store store(files, kPath);
            files.failStep = step;
            EXPECT_EQ(message([&] { op.run(store); }), "Unable to write to " + kPath);
            EXPECT_EQ(inner.files[kPath], kOld);
            EXPECT_EQ(inner.files.size(), 1u) << "the temporary file is removed";

            os::fake::FakeFiles crashInner;
            crashInner.files[kPath] = kOld;
            os::fake::FaultyFiles crashing(crashInner);
            Store crashed(crashing, kPath);
            crashing.crashStep = step;
            EXPECT_THROW(op.run(crashed), os::fake::Crash);
            const std::string after = crashInner.files[kPath];
            EXPECT_TRUE(after == kOld || after == newBytes) << after;
            // The next start writes over whatever the crash left beside it.
            crashing.crashStep = 0;
            crashed.writeString("Main", "FirstRun", "0");
            EXPECT_EQ(crashInner.files.size(), 1u);
        }
    }
}

// The first copy of the store into the user's folder, crashed at each step:
// no later start takes a cut-short copy for the store.
TEST(StoreFaults, ACrashedFirstCopyToTheUsersFolderIsMadeAgainWhole) {
    const std::string userStore = "C:\\Data\\Keyvale\\macros.ini";
    for (int step = 1; step <= 2; ++step) {
        SCOPED_TRACE(step);
        os::fake::FakeFiles inner;
        inner.files[kPath] = kOld;
        inner.readOnly.insert(kPath);
        os::fake::FaultyFiles files(inner);
        files.crashStep = step;
        EXPECT_THROW(chooseStorePath(files, "C:\\windows", "C:\\Data"), os::fake::Crash);
        EXPECT_TRUE(!inner.files.count(userStore) || inner.files[userStore] == kOld);
        files.crashStep = 0;
        EXPECT_EQ(chooseStorePath(files, "C:\\windows", "C:\\Data"), userStore);
        EXPECT_EQ(inner.files[userStore], kOld);
    }
    // A Windows store that cannot be read is not copied as an empty one.
    os::fake::FakeFiles files;
    files.files[kPath] = kOld;
    files.readOnly.insert(kPath);
    files.unreadable.insert(kPath);
    EXPECT_EQ(chooseStorePath(files, "C:\\windows", "C:\\Data"), kPath);
    EXPECT_FALSE(files.files.count(userStore));
}

// A store that exists but cannot be read is an error, never an empty store
// that the next write would put in place of every macro.
TEST(StoreFaults, AnUnreadableStoreIsAnErrorAndIsNeverOverwritten) {
    os::fake::FakeFiles files;
    Store store(files, kPath);
    EXPECT_EQ(readEntries(store), 0) << "a missing file is an empty store";
    files.files[kPath] = kOld;
    files.unreadable.insert(kPath);
    EXPECT_EQ(message([&] { store.readInt("Main", "Entries", 0); }), "Unable to read from " + kPath);
    for (const Operation& op : operations()) {
        EXPECT_EQ(message([&] { op.run(store); }), "Unable to read from " + kPath) << op.name;
        EXPECT_EQ(files.files[kPath], kOld) << op.name;
    }
}

// Two copies of Keyvale change one store: each change reads the file and
// replaces it under one hold of the store's lock, so that the other copy
// writes before or after it, never between; while the other copy keeps the
// lock, nothing is written.
TEST(StoreFaults, EveryChangeReadsAndWritesUnderOneHoldOfTheLock) {
    std::vector<Operation> ops = operations();
    ops.push_back({"empty a key in every macro", [](Store& s) {
                       const auto held = s.hold();
                       emptyKeyInMacros(s, StoreSnapshot(s), "FoundHandle");
                   }});
    for (const Operation& op : ops) {
        os::fake::FakeFiles files;
        Store store(files, kPath);
        files.files[kPath] = kOld;
        op.run(store);
        ASSERT_NE(files.files[kPath], kOld) << op.name;
        EXPECT_NE(files.readUnderHold[kPath], 0) << op.name;
        EXPECT_EQ(files.readUnderHold[kPath], files.replacedUnderHold[kPath]) << op.name;

        files.files[kPath] = kOld;
        files.lockedElsewhere.insert(kPath);
        EXPECT_EQ(message([&] { op.run(store); }), "Unable to write to " + kPath) << op.name;
        EXPECT_EQ(files.files[kPath], kOld) << op.name;
    }
}

TEST(StoreFaults, ALineBreakInAValueIsRefused) {
    os::fake::FakeFiles files;
    files.files[kPath] = kOld;
    Store store(files, kPath);
    const std::string refused = "Unable to write to " + kPath + ": the value of Name holds a line break";
    for (const char* value : {"x\r\n[Main]\r\nEntries=99", "x\nEvil=1", "x\r", "\n"}) {
        EXPECT_EQ(message([&] { store.writeString("Macro1", "Name", value); }), refused);
        EXPECT_EQ(message([&] { addMacro(store, {value, kScript, 0, "a.key", "", 1}); }), refused);
        EXPECT_EQ(files.files[kPath], kOld);
    }
}

TEST(StoreFaults, DeletingASlotThatHoldsNoMacroChangesNothing) {
    struct Case {
        const char* file;
        int slot;
    };
    for (const Case& c : {Case{"", 1}, Case{"[Main]\r\nEntries=0\r\n", 1}, Case{kOld.c_str(), 0},
                          Case{kOld.c_str(), 3}, Case{kOld.c_str(), -1}}) {
        os::fake::FakeFiles files;
        if (*c.file) files.files[kPath] = c.file;
        Store store(files, kPath);
        deleteMacroSlot(store, c.slot);
        EXPECT_EQ(files.writes, 0) << c.file << " slot " << c.slot;
        EXPECT_EQ(files.files.count(kPath) ? files.files[kPath] : "", c.file);
    }
}

TEST(StoreFaults, EntriesIsBoundedAndWholeStoreOperationsReadOnceAndWriteOnce) {
    os::fake::FakeFiles files;
    Store store(files, kPath);
    for (auto [stored, read] : {std::pair{"2147483647", kMaxEntries}, {"-5", 0}, {"10001", kMaxEntries}}) {
        files.files[kPath] = std::string("[Main]\r\nEntries=") + stored + "\r\n";
        EXPECT_EQ(readEntries(store), read) << stored;
    }
    // Adding beyond the bound: an error, not an overflow.
    files.files[kPath] = "[Main]\r\nEntries=2147483647\r\n";
    EXPECT_EQ(message([&] {
                  addMacro(store, {"X", kScript, 0, "X.key", "", 1});
              }),
              "Unable to add a macro: the store already holds 10000 macros");
    EXPECT_EQ(files.files[kPath], "[Main]\r\nEntries=2147483647\r\n");
    os::fake::FakeKeyboard keyboard;
    EXPECT_EQ(manager::macroListRows(store, keyboard).size(), std::size_t{kMaxEntries});

    // Start-up's clearing of the fired-window lists: one read, no write when
    // there is nothing to clear (the file does not grow a section per slot),
    // one write when there is.
    os::fake::FakeSystem fake;
    fake.files.files[fake.sys.storePath] = "[Main]\r\nEntries=100000\r\n";
    test::Runs none;
    triggers::Watcher idle(fake.sys, none);
    idle.setUp();
    EXPECT_EQ(fake.files.reads, 1);
    EXPECT_EQ(fake.files.writes, 0);
    fake.files.files[fake.sys.storePath] = kOld;
    fake.files.reads = 0;
    triggers::Watcher clearing(fake.sys, none);
    clearing.setUp();
    EXPECT_EQ(fake.files.reads, 1);
    EXPECT_EQ(fake.files.writes, 1);
    EXPECT_EQ(Store(fake.files, fake.sys.storePath).readString("Macro1", "FoundHandle", "x"), "");

    // A deletion shift: one read, one write.
    files.files[kPath] = kOld;
    files.reads = files.writes = 0;
    deleteMacroSlot(store, 1);
    EXPECT_EQ(files.reads, 1);
    EXPECT_EQ(files.writes, 1);
}

// A failed write during a trigger scan is shown once: the timer stands still
// while the error box is open, or every tick would open one more.
TEST(StoreFaults, TheTriggerScanNeitherStormsErrorsNorReportsAFileHeldForAMoment) {
    os::fake::FakeSystem fake;
    Store st(fake.files, fake.sys.storePath);
    st.writeInt("Main", "Entries", 1);
    st.writeString("Macro1", "Trigger", "Target");
    fake.windows.open("Target");
    const auto boxes = [&] { return static_cast<int>(fake.dialogs.errors.size()); };
    test::Runs none;
    triggers::Watcher watcher(fake.sys, none);
    watcher.setUp();
    fake.files.unreadable.insert(fake.sys.storePath);
    fake.pump.waitUntil(fake.pump.now() + 1000);
    EXPECT_EQ(boxes(), 0) << "an unreadable moment skips the scan";
    fake.files.unreadable.clear();
    fake.files.readOnly.insert(fake.sys.storePath);
    fake.pump.waitUntil(fake.pump.now() + 300);
    EXPECT_EQ(boxes(), 1);
    EXPECT_TRUE(watcher.running()) << "the scan goes on once the box is closed";
}
