#include "os/win32/input_thread.hpp"

#include <utility>

namespace kv::os::win32 {

namespace {

// Posted to the input thread: lParam the work, answered through an event.
constexpr UINT kRun = WM_APP + 1;

// The work the hooks left; only the input thread touches it.
void (*g_afterHooks[4])() = {};

void runAfterHooks() {
    for (auto& work : g_afterHooks)
        if (work) std::exchange(work, nullptr)();
}

}  // namespace

InputThread::~InputThread() {
    if (!thread_) return;
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_.get(), INFINITE);
}

bool InputThread::start() {
    answered_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!answered_) return false;
    thread_.reset(CreateThread(nullptr, 0, &InputThread::main, this, 0, &threadId_));
    // Work may be posted once the thread has a message queue.
    if (thread_ && awaitAnswer()) return true;
    thread_.reset();
    return false;
}

void InputThread::afterHooks(void (*work)()) {
    for (auto& slot : g_afterHooks)
        if (slot == work) return;
    for (auto& slot : g_afterHooks)
        if (!slot) {
            slot = work;
            return;
        }
}

bool InputThread::run(const std::function<void()>& work) {
    if (!thread_ && !start()) return false;
    if (!PostThreadMessageW(threadId_, kRun, 0, reinterpret_cast<LPARAM>(&work))) return false;
    return awaitAnswer();
}

// The input thread answers at once. Meanwhile this thread still answers sent
// messages, among them calls of a low-level hook another part of the process
// may have on it (the hooks chain through the input thread, which would wait
// for it); posted messages and input wait.
bool InputThread::awaitAnswer() {
    const HANDLE handles[] = {answered_.get(), thread_.get()};
    for (;;) {
        const DWORD r = MsgWaitForMultipleObjectsEx(2, handles, INFINITE, QS_SENDMESSAGE, 0);
        if (r != WAIT_OBJECT_0 + 2) return r == WAIT_OBJECT_0;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

DWORD WINAPI InputThread::main(void* param) {
    auto* self = static_cast<InputThread*>(param);
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // creates the queue
    // A hook's answer holds up every key on the desktop.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    SetEvent(self->answered_.get());
    for (;;) {
        // The system calls the hooks while this thread takes its messages;
        // what they left is done when they have returned.
        MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            runAfterHooks();
            if (msg.message == WM_QUIT) return 0;
            if (msg.message == kRun && !msg.hwnd) {
                (*reinterpret_cast<const std::function<void()>*>(msg.lParam))();
                SetEvent(self->answered_.get());
            } else if (msg.message == WM_TIMER && !msg.hwnd && msg.lParam) {
                DispatchMessageW(&msg);  // a timer's procedure
            }
        }
        runAfterHooks();
    }
}

}  // namespace kv::os::win32
