#include "os/win32/instances.hpp"

namespace kv::os::win32 {

namespace {

constexpr const char* kMutexName = "Keyvale.Instances";

}  // namespace

Win32Instances::Win32Instances() {
    mutex_ = CreateMutexA(nullptr, FALSE, kMutexName);
    othersAtStart_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
}

Win32Instances::~Win32Instances() {
    if (!mutex_) return;
    if (watcher_) ReleaseMutex(mutex_);
    CloseHandle(mutex_);
}

bool Win32Instances::claimWatcher() {
    // Without the mutex nothing can be shared: this instance watches alone.
    if (!mutex_) return true;
    if (!watcher_) {
        // An abandoned mutex is the role of an instance that ended abruptly.
        const DWORD r = WaitForSingleObject(mutex_, 0);
        watcher_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
    }
    return watcher_;
}

}  // namespace kv::os::win32
