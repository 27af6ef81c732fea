#pragma once
// The input thread: the one thread that owns the program's low-level hooks
// (the recorder's and the Esc stop's watch, and the one that follows typing
// for abbreviations) and does nothing else.
//
// Windows calls a low-level hook on the thread that installed it and, when
// that thread does not answer in time (LowLevelHooksTimeout, about 300 ms),
// passes the event on without it and removes the hook silently. The
// user-interface thread writes files and shows modal boxes; this thread only
// waits for messages, so its hooks always answer at once. Its hooks post what
// they see to windows of the user-interface thread; they never touch the
// store, a window of ours or a lock.

#include <windows.h>

#include <functional>

#include "os/win32/handles.hpp"

namespace kv::os::win32 {

struct HookTraits {
    using Type = HHOOK;
    static HHOOK null() { return nullptr; }
    static void free(HHOOK h) { UnhookWindowsHookEx(h); }
};
using UniqueHook = Unique<HookTraits>;

class InputThread {
public:
    InputThread() = default;
    // Each owner of hooks has removed them by then.
    ~InputThread();
    InputThread(const InputThread&) = delete;
    InputThread& operator=(const InputThread&) = delete;

    // Runs work on the input thread (hooks installed there are its own) and
    // returns when it is done. The thread starts on first use, so a program
    // that never watches input pays nothing for it. False when the thread
    // cannot start. Thread timers set there with a procedure (SetTimer with
    // no window) are dispatched by its loop.
    bool run(const std::function<void()>& work);

    // From a hook procedure: work to do on the input thread once the hooks
    // have returned, so that the key or click they hold up goes on at once.
    static void afterHooks(void (*work)());

private:
    static DWORD WINAPI main(void* self);
    bool start();
    bool awaitAnswer();

    UniqueHandle answered_;
    UniqueHandle thread_;
    DWORD threadId_ = 0;
};

}  // namespace kv::os::win32
