#pragma once
// The program's running instances, told apart by one named mutex: every
// instance holds a handle to it, and the instance that watches for trigger
// windows owns it. The system releases both when an instance ends, even when
// it ends abruptly.

#include <windows.h>

#include "os/instances.hpp"

namespace kv::os::win32 {

// The message another start sends to the resident instance's tray form
// ("TKeyvale"): show the manager window; the answer is 1 when it did.
UINT showManagerMessage();

class Win32Instances : public Instances {
public:
    Win32Instances();
    ~Win32Instances() override;
    Win32Instances(const Win32Instances&) = delete;
    Win32Instances& operator=(const Win32Instances&) = delete;

    bool othersRunningAtStart() override { return othersAtStart_; }
    // Called on the user-interface thread only: the mutex belongs to a thread.
    bool claimWatcher() override;
    bool showResidentManager() override;

private:
    HANDLE mutex_ = nullptr;
    bool othersAtStart_ = false;
    bool watcher_ = false;
};

}  // namespace kv::os::win32
