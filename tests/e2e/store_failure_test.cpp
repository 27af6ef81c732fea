// The store against real failures of the platform's file system: a store
// held open by another program, and a full file system (a small tmpfs that
// the CTest fixture mounts when it may; skipped otherwise). The old store
// stays byte for byte and no temporary file is left beside it.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

#include "core/error.hpp"
#include "harness.hpp"
#include "os/win32/win32_os.hpp"
#include "store/macro_repository.hpp"
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

// Files named like a temporary copy of the store (its name and more), any
// process's: none may stay.
std::string besideStore(const std::string& path) {
    std::string found;
    WIN32_FIND_DATAA d;
    const HANDLE h = FindFirstFileA((path + ".*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return found;
    // The pattern also finds the store itself.
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    do
        if (_stricmp(d.cFileName, name.c_str()) != 0) found += std::string(d.cFileName) + " ";
    while (FindNextFileA(h, &d));
    FindClose(h);
    return found;
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
        DeleteFileA(kv::store::temporaryPath(files, path).c_str());
        RemoveDirectoryA(dir.c_str());
    }
    void expectOldStoreAndNoTemporaryFile() {
        EXPECT_EQ(files.read(path).value_or("<unreadable>"), kOld);
        EXPECT_EQ(besideStore(path), "");
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

// Two copies of Keyvale change one store at once, each its own macro, two
// writes per change: no change of either is lost, and neither ever reads a
// store with a macro missing.
TEST_F(StoreFailure, TwoCopiesChangingOneStoreLoseNothing) {
    ASSERT_TRUE(files.write(path, e2e::store(2,
                                             "[Macro1]\r\nName=One\r\nType=1\r\nFileName=a.txt\r\n"
                                             "[Macro2]\r\nName=Two\r\nType=1\r\nFileName=b.txt\r\n")));
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    constexpr int kChanges = 200;
    std::vector<kv::os::win32::UniqueHandle> copies;
    for (int slot : {1, 2}) {
        std::wstring line = L"\"" + std::wstring(self) + L"\" --change-store \"" +
                            std::wstring(path.begin(), path.end()) + L"\" " + std::to_wstring(slot) + L" " +
                            std::to_wstring(kChanges);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(
            CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        CloseHandle(pi.hThread);
        copies.emplace_back(pi.hProcess);
    }
    HANDLE both[] = {copies[0].get(), copies[1].get()};
    ASSERT_EQ(WaitForMultipleObjects(2, both, TRUE, 120000), WAIT_OBJECT_0);
    for (const auto& copy : copies) {
        DWORD code = 1;
        GetExitCodeProcess(copy.get(), &code);
        EXPECT_EQ(code, 0u) << "1 an error, 2 a torn store, 3 a change lost at once";
    }
    kv::store::MacroRepository macros(files, path, dir);
    for (int slot : {1, 2}) {
        const kv::store::Macro m = macros.read(slot);
        EXPECT_EQ(m.trigger, "change " + std::to_string(kChanges)) << slot;
        EXPECT_EQ(m.firedWindows, std::to_string(kChanges)) << slot;
    }
    EXPECT_EQ(besideStore(path), "");
}

// Running as administrator, Keyvale never writes, renames or deletes through
// a link another program put in place of its data folder; as the user it
// follows links (a synced folder).
TEST_F(StoreFailure, AnAdministratorsCopyNeverWritesThroughALinkedFolder) {
    // A link of the file system the tests run on (Wine's view of a Linux
    // one), which the CTest fixture makes.
    const char* linked = std::getenv("KV_LINKED");
    if (!linked) GTEST_SKIP() << "no linked folder made (KV_LINKED)";
    std::string link = linked, real = link + "-real\\";
    for (char& c : link) c = c == '/' ? '\\' : c;
    for (char& c : real) c = c == '/' ? '\\' : c;
    for (const char* f : {"new.dat", "macros.ini"}) DeleteFileA((real + f).c_str());
    ASSERT_TRUE(files.write(real + "kept.dat", "kept"));
    files.refuseLinks = true;
    EXPECT_FALSE(files.write(link + "\\new.dat", "new"));
    EXPECT_FALSE(files.remove(link + "\\kept.dat"));
    kv::store::Store store(files, link + "\\macros.ini");
    EXPECT_EQ(message([&] { store.writeString("Main", "Entries", "0"); }),
              "Unable to write to " + link + "\\macros.ini");
    EXPECT_EQ(files.read(real + "kept.dat").value_or(""), "kept");
    EXPECT_FALSE(files.exists(real + "new.dat") || files.exists(real + "macros.ini"));
    files.refuseLinks = false;
    EXPECT_TRUE(files.write(link + "\\new.dat", "new"));
    EXPECT_EQ(files.read(real + "new.dat").value_or(""), "new");
    for (const char* f : {"kept.dat", "new.dat"}) DeleteFileA((real + f).c_str());
}

TEST_F(StoreFailure, AFullFileSystemLeavesTheOldStoreWhole) {
    const char* small = std::getenv("KV_FULL_FS");
    ULARGE_INTEGER total{};
    if (!small || !GetDiskFreeSpaceExA(small, nullptr, &total, nullptr) || total.QuadPart > (1u << 20))
        GTEST_SKIP() << "no small file system mounted (the test needs root to mount one)";
    TearDown();
    // Wine shows a mount point as a link, which a copy running as
    // administrator (as every program under Wine) refuses to write through.
    files.refuseLinks = false;
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
    EXPECT_EQ(besideStore(h.storePath()), "");
}

// The second process of TwoCopiesChangingOneStoreLoseNothing: changes the
// macro of slot count times, through the program's own store code.
int changeStoreManyTimes(const std::string& path, int slot, int count) {
    kv::os::win32::Win32Files files;
    const std::string folder = path.substr(0, path.find_last_of('\\') + 1);
    kv::store::MacroRepository macros(files, path, folder);
    try {
        for (int i = 1; i <= count; ++i) {
            kv::store::Macro change = macros.read(slot);
            change.trigger = "change " + std::to_string(i);
            macros.update(change);
            macros.setFiredWindows(slot, std::to_string(i));
            const std::vector<kv::store::Macro> all = macros.all();
            if (all.size() != 2 || !all[0].name || !all[1].name) return 2;
            if (all[static_cast<std::size_t>(slot) - 1].trigger != change.trigger) return 3;
        }
    } catch (const kv::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
