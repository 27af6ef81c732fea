// Watching the desktop's keyboard and mouse through low-level hooks, and
// replaying input with SendInput.
//
// Windows calls a low-level hook on the thread that installed it and, when
// that thread does not answer in time (LowLevelHooksTimeout, about 300 ms),
// passes the event on without it and removes the hook silently. The
// user-interface thread writes files and shows modal boxes, so the hooks live
// on an input thread that does nothing else: it installs and removes them on
// request, copies each event into a ring and wakes the user-interface thread
// with a posted message, where the watcher runs. It never touches the store,
// a window of ours (it only posts to one) or a lock.

#include "os/input_queue.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

namespace {

struct HookTraits {
    using Type = HHOOK;
    static HHOOK null() { return nullptr; }
    static void free(HHOOK h) { UnhookWindowsHookEx(h); }
};
using UniqueHook = Unique<HookTraits>;

// Posted to the input thread: lParam a Request, answered through an event.
constexpr UINT kRequest = WM_APP + 1;
// Posted to the user-interface thread's window: events are waiting.
constexpr UINT kInputArrived = WM_APP + 2;
constexpr UINT kWatchdogPeriodMs = 1000;

struct Stamped {
    // Which watch saw the event: one that ended before it was handled drops it.
    std::uint32_t watch = 0;
    InputEvent event;
};

// Sixteen thousand events (about 650 KB, allocated once): mouse moves at
// 1000 a second fill it only when the user-interface thread is stalled for
// sixteen seconds.
using Queue = InputQueue<Stamped, 1u << 14>;

std::int32_t normalise(LONG v, int origin, int extent) {
    if (extent <= 1) return 0;
    return MulDiv(v - origin, 65535, extent - 1);
}

std::uint32_t mouseFlags(WPARAM message) {
    switch (message) {
        case WM_LBUTTONDOWN: return MOUSEEVENTF_LEFTDOWN;
        case WM_LBUTTONUP: return MOUSEEVENTF_LEFTUP;
        case WM_RBUTTONDOWN: return MOUSEEVENTF_RIGHTDOWN;
        case WM_RBUTTONUP: return MOUSEEVENTF_RIGHTUP;
        case WM_MBUTTONDOWN: return MOUSEEVENTF_MIDDLEDOWN;
        case WM_MBUTTONUP: return MOUSEEVENTF_MIDDLEUP;
        case WM_MOUSEWHEEL: return MOUSEEVENTF_WHEEL;
        case WM_MOUSEHWHEEL: return MOUSEEVENTF_HWHEEL;
        default: return 0;  // a move
    }
}

}  // namespace

class Win32Input::Thread {
public:
    explicit Thread(Guard& guard)
        : guard_(guard),
          window_(guard, [this](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
              if (msg != kInputArrived) return DefWindowProcW(h, msg, wp, lp);
              deliver();
              return 0;
          }),
          answered_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
        if (!window_.hwnd() || !answered_) return;
        thread_.reset(CreateThread(nullptr, 0, &Thread::run, this, 0, &threadId_));
        // Requests may be posted once the thread has a message queue.
        if (thread_) awaitAnswer();
    }

    ~Thread() {
        if (!thread_) return;
        // The thread removes its hooks as it leaves.
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_.get(), INFINITE);
    }

    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool running() const { return static_cast<bool>(thread_); }

    // ---- on the user-interface thread ----

    bool watch(std::function<void(const InputEvent&)> onEvent, bool keyboardOnly) {
        watcher_ = std::make_shared<const std::function<void(const InputEvent&)>>(std::move(onEvent));
        Request r{++watch_, true, keyboardOnly};
        if (!ask(r)) watcher_.reset();
        return watcher_ != nullptr;
    }

    void unwatch() {
        watcher_.reset();
        Request r{++watch_, false, false};
        ask(r);
    }

private:
    struct Request {
        std::uint32_t watch;
        bool install;
        bool keyboardOnly;
        bool installed = false;
    };

    bool ask(Request& r) {
        if (!PostThreadMessageW(threadId_, kRequest, 0, reinterpret_cast<LPARAM>(&r))) return false;
        return awaitAnswer() && r.installed;
    }

    // The input thread answers at once. Meanwhile this thread still answers
    // sent messages, among them calls of a low-level hook another part of
    // the process may have on it (the hooks chain through the input thread,
    // which would wait for it); posted messages and input wait.
    bool awaitAnswer() {
        const HANDLE handles[] = {answered_.get(), thread_.get()};
        for (;;) {
            const DWORD r = MsgWaitForMultipleObjectsEx(2, handles, INFINITE, QS_SENDMESSAGE, 0);
            if (r != WAIT_OBJECT_0 + 2) return r == WAIT_OBJECT_0;
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }

    void deliver() {
        queue_.drain([this](const Stamped& s) {
            if (s.watch != watch_ || !watcher_) return;  // seen by a watch that has ended
            // Kept alive while it runs, should it stop watching from inside.
            const auto watcher = watcher_;
            guard_.run([&] { (*watcher)(s.event); });
        });
    }

    // ---- on the input thread ----

    // The hook procedures receive no context; only the input thread runs them.
    static inline Thread* current_ = nullptr;

    static DWORD WINAPI run(void* self) {
        static_cast<Thread*>(self)->loop();
        return 0;
    }

    void loop() {
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // creates the queue
        // A hook's answer holds up every key on the desktop.
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
        current_ = this;
        SetEvent(answered_.get());
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.hwnd) continue;
            if (msg.message == kRequest) {
                auto& r = *reinterpret_cast<Request*>(msg.lParam);
                r.installed = r.install && install(r.watch, r.keyboardOnly);
                if (!r.install) remove();
                SetEvent(answered_.get());
            } else if (msg.message == WM_TIMER && msg.wParam == watchdog_) {
                checkHooks();
            }
        }
        remove();
        current_ = nullptr;
    }

    bool install(std::uint32_t watch, bool keyboardOnly) {
        remove();
        hookedWatch_ = watch;
        keyboardOnly_ = keyboardOnly;
        if (!hook(keyboard_, mouse_)) {
            remove();
            return false;
        }
        lastSeen_ = GetTickCount();
        watchdog_ = SetTimer(nullptr, 0, kWatchdogPeriodMs, nullptr);
        return true;
    }

    bool hook(UniqueHook& keyboard, UniqueHook& mouse) {
        const HINSTANCE self = GetModuleHandleW(nullptr);
        keyboard.reset(SetWindowsHookExW(WH_KEYBOARD_LL, &Thread::keyboardProc, self, 0));
        if (!keyboardOnly_) mouse.reset(SetWindowsHookExW(WH_MOUSE_LL, &Thread::mouseProc, self, 0));
        return keyboard && (keyboardOnly_ || mouse);
    }

    void remove() {
        if (watchdog_) KillTimer(nullptr, watchdog_);
        watchdog_ = 0;
        keyboard_.reset();
        mouse_.reset();
    }

    void checkHooks() {
        LASTINPUTINFO info{};
        info.cbSize = sizeof info;
        if (!GetLastInputInfo(&info) || !hookLooksLost(GetTickCount(), lastSeen_, info.dwTime)) return;
        // The new hooks go in before the old come out, so nothing typed
        // meanwhile is missed; no hook runs between the two, as this thread
        // runs hooks only while it waits for messages.
        UniqueHook keyboard, mouse;
        if (hook(keyboard, mouse)) {
            keyboard_ = std::move(keyboard);
            mouse_ = std::move(mouse);
        }
        lastSeen_ = GetTickCount();
    }

    void post(const InputEvent& e) {
        if (queue_.push({hookedWatch_, e}) == Queue::Pushed::Wake)
            PostMessageW(window_.hwnd(), kInputArrived, 0, 0);
    }

    static LRESULT CALLBACK keyboardProc(int code, WPARAM wp, LPARAM lp) {
        if (code == HC_ACTION && current_) {
            current_->lastSeen_ = GetTickCount();
            const auto& k = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
            if (k.dwExtraInfo != kInjectedByKeyvale) {
                InputEvent e;
                e.kind = InputEvent::Kind::Key;
                e.time = k.time;
                e.vk = static_cast<std::uint16_t>(k.vkCode);
                e.scan = static_cast<std::uint16_t>(k.scanCode);
                e.keyFlags =
                    ((k.flags & LLKHF_EXTENDED) ? kKeyExtended : 0) | ((k.flags & LLKHF_UP) ? kKeyUp : 0);
                current_->post(e);
            }
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    }

    static LRESULT CALLBACK mouseProc(int code, WPARAM wp, LPARAM lp) {
        if (code == HC_ACTION && current_) {
            current_->lastSeen_ = GetTickCount();
            const auto& m = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lp);
            if (m.dwExtraInfo != kInjectedByKeyvale) {
                InputEvent e;
                e.kind = InputEvent::Kind::Mouse;
                e.time = m.time;
                e.x = normalise(m.pt.x, GetSystemMetrics(SM_XVIRTUALSCREEN),
                                GetSystemMetrics(SM_CXVIRTUALSCREEN));
                e.y = normalise(m.pt.y, GetSystemMetrics(SM_YVIRTUALSCREEN),
                                GetSystemMetrics(SM_CYVIRTUALSCREEN));
                e.mouseFlags = mouseFlags(wp);
                if (wp == WM_MOUSEWHEEL || wp == WM_MOUSEHWHEEL)
                    e.wheelDelta = static_cast<short>(HIWORD(m.mouseData));
                current_->post(e);
            }
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    }

    Queue queue_;
    Guard& guard_;
    MessageWindow window_;  // on the user-interface thread
    UniqueHandle answered_;
    UniqueHandle thread_;
    DWORD threadId_ = 0;

    // The user-interface thread's.
    std::uint32_t watch_ = 0;
    std::shared_ptr<const std::function<void(const InputEvent&)>> watcher_;

    // The input thread's.
    std::uint32_t hookedWatch_ = 0;
    bool keyboardOnly_ = true;
    UniqueHook keyboard_, mouse_;
    UINT_PTR watchdog_ = 0;
    DWORD lastSeen_ = 0;
};

Win32Input::Win32Input(Guard& guard) : guard_(guard) {}

Win32Input::~Win32Input() {
    stopWatching();
}

bool Win32Input::startWatching(std::function<void(const InputEvent&)> onEvent, bool keyboardOnly) {
    // Started on first use: a program that never records nor runs a script
    // pays nothing for it at start-up.
    if (!thread_) thread_ = std::make_unique<Thread>(guard_);
    if (!thread_->running()) {
        thread_.reset();
        return false;
    }
    return thread_->watch(std::move(onEvent), keyboardOnly);
}

void Win32Input::stopWatching() {
    if (thread_) thread_->unwatch();
}

void Win32Input::inject(const InputEvent& e) {
    INPUT in{};
    if (e.kind == InputEvent::Kind::Key) {
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = e.vk;
        in.ki.wScan = e.scan;
        in.ki.dwFlags = ((e.keyFlags & kKeyExtended) ? KEYEVENTF_EXTENDEDKEY : 0) |
                        ((e.keyFlags & kKeyUp) ? KEYEVENTF_KEYUP : 0);
        in.ki.dwExtraInfo = kInjectedByKeyvale;
    } else {
        in.type = INPUT_MOUSE;
        in.mi.dx = e.x;
        in.mi.dy = e.y;
        in.mi.mouseData = static_cast<DWORD>(e.wheelDelta);
        in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | e.mouseFlags;
        in.mi.dwExtraInfo = kInjectedByKeyvale;
    }
    SendInput(1, &in, sizeof in);
}

}  // namespace kv::os::win32
