// The recorder's hooks answer while the user-interface thread is held up by
// store writes: the system passes a key on without a hook that does not
// answer in time (Wine after 2 s, Windows after about 300 ms, and Windows then
// removes the hook), so a hook on a busy thread loses the user's keys.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/win32/prompt_forms.hpp"
#include "core/error.hpp"
#include "harness.hpp"
#include "journal/journal_file.hpp"
#include "journal/recorder.hpp"
#include "store/store.hpp"

using namespace std::chrono_literals;

namespace {

// The harness's own hook on this thread would hold the keys up as well.
struct WithoutHarnessHook {
    WithoutHarnessHook() { e2e::Harness::keyboardHook(false); }
    ~WithoutHarnessHook() { e2e::Harness::keyboardHook(true); }
};

}  // namespace

TEST(InputThread, ARecordingLosesNoKeyWhileStoreWritesHoldTheThread) {
    e2e::Harness h;
    ASSERT_TRUE(h.hookSeesKeys());
    h.focusTarget();
    const WithoutHarnessHook quiet;

    kv::app::win32::ProgramSystem system;
    kv::os::win32::Win32System& os = system.os;
    const std::string storePath = h.programDir() + "macros.ini";
    ASSERT_TRUE(e2e::writeFile(storePath, "[Main]\r\nCount=0\r\n"));
    kv::store::Store store(os.files, storePath);

    kv::journal::Recorder recorder(os.sys);
    const std::string recordingPath = h.programDir() + "Stalled.dat";
    recorder.record(recordingPath, kv::journal::Capture::KeysOnly);

    // Another program (a virus scanner, a backup) holds the store open
    // without letting it be replaced: each write tries its rename again for
    // half a second, then gives up. Writes one after another hold this
    // thread for three seconds without a message taken.
    const HANDLE held = CreateFileW(e2e::utf16(storePath).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    const std::string letters = "ABCDEFGHIJKL";
    std::atomic<bool> writing{false};
    // The user types on while the program is busy, a key every 150 ms.
    std::thread user([&] {
        while (!writing) Sleep(1);
        for (char c : letters) {
            const BYTE vk = static_cast<BYTE>(c);
            const BYTE scan = static_cast<BYTE>(MapVirtualKeyW(vk, 0));
            keybd_event(vk, scan, 0, 0);
            keybd_event(vk, scan, KEYEVENTF_KEYUP, 0);
            Sleep(150);
        }
    });
    int writes = 0, failed = 0;
    const ULONGLONG start = GetTickCount64();
    writing = true;
    while (GetTickCount64() - start < 3000) {
        try {
            store.writeInt("Main", "Count", ++writes);
        } catch (const kv::Error&) {
            ++failed;
        }
    }
    const ULONGLONG busy = GetTickCount64() - start;
    user.join();
    CloseHandle(held);
    EXPECT_GT(failed, 0) << "the held store was written " << writes << " times: nothing held the thread up";
    EXPECT_LE(writes, 7) << "a write took less than the rename's retries";

    // The events wait for this thread's messages.
    ASSERT_TRUE(h.waitFor([&] { return h.editText().size() >= letters.size(); }, 10s)) << h.editText();
    h.pumpFor(300ms);
    recorder.stop();
    h.clearEdit();

    const auto bytes = os.files.read(recordingPath);
    const auto recording = bytes ? kv::journal::decodeRecording(*bytes) : std::nullopt;
    ASSERT_TRUE(recording) << "the recorder left no readable file";
    std::string pressed;
    for (const auto& e : recording->events)
        if (!(e.keyFlags & kv::os::kKeyUp)) pressed += static_cast<char>(e.vk);
    EXPECT_EQ(pressed, letters) << "keys typed during " << busy << " ms of store writes";
    EXPECT_EQ(recording->events.size(), 2 * letters.size());
}
