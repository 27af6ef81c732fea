// The store against real failures of the platform's file system: a store
// held open by another program, and a full file system (a small tmpfs that
// the CTest fixture mounts when it may; skipped otherwise). The old store
// stays byte for byte and no temporary file is left beside it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <thread>

#include "harness.hpp"
#include "os/win32/win32_os.hpp"
#include "core/error.hpp"
#include "store/store.hpp"

using namespace std::chrono_literals;

namespace {

using kv::os::win32::UniqueFile;

const std::string kOld = e2e::store(1, "[Macro1]\r\nName=Kept\r\nType=4\r\nFileName=Kept.key\r\n");

std::string message(const std::function<void()>& f) {
    try {
        f();
    } catch (const kv::Error& e) {
        return e.what();
    }
    return "<no error>";
}

struct StoreFailure : ::testing::Test {
    kv::os::win32::Win32Files files;
    std::string dir, path;

    void useFolder(const std::string& folder) {
        dir = folder;
        CreateDirectoryA(dir.c_str(), nullptr);
        path = dir + "macros.ini";
        ASSERT_TRUE(files.write(path, kOld));
    }
    void SetUp() override {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        useFolder(std::string(tmp) + "kvfail" + std::to_string(GetCurrentProcessId()) + "\\");
    }
    void TearDown() override {
        DeleteFileA(path.c_str());
        DeleteFileA(kv::store::temporaryPath(path).c_str());
        RemoveDirectoryA(dir.c_str());
    }
    void expectOldStoreAndNoTemporaryFile() {
        EXPECT_EQ(files.read(path).value_or("<unreadable>"), kOld);
        EXPECT_EQ(GetFileAttributesA(kv::store::temporaryPath(path).c_str()), INVALID_FILE_ATTRIBUTES);
    }
};

UniqueFile holdOpen(const std::string& path, DWORD share) {
    return UniqueFile(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

// Another program reads the store and lets others read it too, but not
// replace it: the write fails, and the store is as it was.
TEST_F(StoreFailure, AStoreHeldOpenByAnotherProgramIsNotReplaced) {
    const UniqueFile held = holdOpen(path, FILE_SHARE_READ);
    ASSERT_TRUE(held);
    kv::store::Store store(files, path);
    EXPECT_EQ(store.readString("Macro1", "Name", ""), "Kept");
    EXPECT_EQ(message([&] { store.writeString("Macro1", "Name", "Lost"); }), "Unable to write to " + path);
    expectOldStoreAndNoTemporaryFile();
}

// A reader that lets go within a moment (a scanner, a backup) only delays
// the write: the rename is tried again.
TEST_F(StoreFailure, AStoreReadByAnotherProgramForAMomentIsStillWritten) {
    UniqueFile held = holdOpen(path, FILE_SHARE_READ);
    ASSERT_TRUE(held);
    std::thread reader([&] {
        Sleep(150);
        held.reset();
    });
    kv::store::Store store(files, path);
    EXPECT_EQ(message([&] { store.writeString("Macro1", "Name", "New"); }), "<no error>");
    reader.join();
    EXPECT_EQ(store.readString("Macro1", "Name", ""), "New");
}

// Held without any sharing, the store cannot even be read: an error, and not
// an empty store that the next write would put in place of every macro.
TEST_F(StoreFailure, AStoreThatCannotBeReadIsNotTakenForAnEmptyOne) {
    UniqueFile held = holdOpen(path, 0);
    ASSERT_TRUE(held);
    kv::store::Store store(files, path);
    EXPECT_EQ(message([&] { store.readInt("Main", "Entries", 0); }), "Unable to read from " + path);
    EXPECT_EQ(message([&] { store.writeBool("Main", "Show Hints", false); }), "Unable to read from " + path);
    held.reset();
    expectOldStoreAndNoTemporaryFile();
}

TEST_F(StoreFailure, AFullFileSystemLeavesTheOldStoreWhole) {
    const char* small = std::getenv("KV_FULL_FS");
    ULARGE_INTEGER total{};
    if (!small || !GetDiskFreeSpaceExA(small, nullptr, &total, nullptr) || total.QuadPart > (1u << 20))
        GTEST_SKIP() << "no small file system mounted (the test needs root to mount one)";
    TearDown();
    useFolder(std::string(small) + "\\");
    // Fill what is left, then write a value larger than any space that remains.
    const std::string filler = dir + "filler";
    {
        UniqueFile f(CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(f);
        const std::string block(4096, 'f');
        DWORD wrote = 0;
        while (WriteFile(f.get(), block.data(), static_cast<DWORD>(block.size()), &wrote, nullptr) && wrote) {
        }
    }
    kv::store::Store store(files, path);
    EXPECT_EQ(message([&] { store.writeString("Macro1", "Trigger", std::string(64 * 1024, 't')); }),
              "Unable to write to " + path);
    expectOldStoreAndNoTemporaryFile();
    DeleteFileA(filler.c_str());
}

// The program started while another program holds its store without sharing:
// every operation that needs the store says so, none takes the store for an
// empty one (a first run would write FirstRun over every macro), and the
// file is left as it was.
TEST_F(StoreFailure, TheProgramReportsAStoreItCannotReadAndLeavesItAlone) {
    e2e::Harness h;
    h.writeStore(kOld);
    UniqueFile held = holdOpen(h.storePath(), 0);
    ASSERT_TRUE(held);
    h.start();
    int boxes = 0;
    HWND box = nullptr;
    while (boxes < 6 &&
           h.waitFor([&] { return (box = h.findDialog("Keyvale")) != nullptr; }, boxes ? 3s : 15s)) {
        EXPECT_EQ(e2e::Harness::dialogText(box), "Unable to read from " + h.storePath());
        e2e::Harness::clickButton(box, "OK");
        h.waitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5s);
        ++boxes;
    }
    EXPECT_GE(boxes, 1);
    EXPECT_TRUE(h.running());
    held.reset();
    EXPECT_EQ(h.readStore(), kOld);
    EXPECT_EQ(GetFileAttributesA(kv::store::temporaryPath(h.storePath()).c_str()), INVALID_FILE_ATTRIBUTES);
}
