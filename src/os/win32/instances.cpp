#include "os/win32/instances.hpp"

namespace kv::os::win32 {

namespace {

constexpr const wchar_t* kMutexName = L"Keyvale.Instances";

}  // namespace

UINT showManagerMessage() {
    static const UINT message = RegisterWindowMessageW(L"Keyvale.ShowManager");
    return message;
}

namespace {

struct ResidentSearch {
    DWORD self;
    bool shown = false;
};

BOOL CALLBACK askToShowManager(HWND w, LPARAM lp) {
    auto& s = *reinterpret_cast<ResidentSearch*>(lp);
    wchar_t cls[16];
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == s.self || !GetClassNameW(w, cls, 16) || lstrcmpW(cls, L"TKeyvale") != 0) return TRUE;
    // Only the program in front may hand the foreground on.
    AllowSetForegroundWindow(pid);
    DWORD_PTR answer = 0;
    s.shown =
        SendMessageTimeoutW(w, showManagerMessage(), 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) && answer == 1;
    return s.shown ? FALSE : TRUE;
}

}  // namespace

bool Win32Instances::showResidentManager() {
    ResidentSearch search{GetCurrentProcessId()};
    EnumWindows(askToShowManager, reinterpret_cast<LPARAM>(&search));
    return search.shown;
}

Win32Instances::Win32Instances() {
    mutex_ = CreateMutexW(nullptr, FALSE, kMutexName);
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
