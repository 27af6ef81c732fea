// Watching the desktop's keyboard and mouse through low-level hooks on the
// input thread, and replaying input with SendInput. Each event the hooks see
// is copied into a ring, and one posted message per batch wakes the
// user-interface thread, where the watcher runs.

#include <utility>

#include "os/input_queue.hpp"
#include "os/win32/input_thread.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

namespace {

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

InputEvent keyEvent(const KBDLLHOOKSTRUCT& k, WPARAM) {
    InputEvent e;
    e.kind = InputEvent::Kind::Key;
    e.time = k.time;
    e.vk = static_cast<std::uint16_t>(k.vkCode);
    e.scan = static_cast<std::uint16_t>(k.scanCode);
    e.keyFlags = ((k.flags & LLKHF_EXTENDED) ? kKeyExtended : 0) | ((k.flags & LLKHF_UP) ? kKeyUp : 0);
    return e;
}

InputEvent mouseEvent(const MSLLHOOKSTRUCT& m, WPARAM message) {
    InputEvent e;
    e.kind = InputEvent::Kind::Mouse;
    e.time = m.time;
    e.x = normalise(m.pt.x, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN));
    e.y = normalise(m.pt.y, GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    e.mouseFlags = mouseFlags(message);
    if (message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL)
        e.wheelDelta = static_cast<short>(HIWORD(m.mouseData));
    return e;
}

}  // namespace

// One watch at a time has hooks on the input thread.
class Win32Input::Watch {
public:
    Watch(Guard& guard, InputThread& thread)
        : guard_(guard),
          thread_(thread),
          window_(guard, [this](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
              if (msg != kInputArrived) return DefWindowProcW(h, msg, wp, lp);
              deliver();
              return 0;
          }) {}

    ~Watch() { unwatch(); }

    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    // ---- on the user-interface thread ----

    bool watch(std::function<void(const InputEvent&)> onEvent, bool keyboardOnly) {
        watcher_ = std::make_shared<const std::function<void(const InputEvent&)>>(std::move(onEvent));
        asked_ = true;
        Request r{++watch_, true, keyboardOnly};
        if (!ask(r)) watcher_.reset();
        return watcher_ != nullptr;
    }

    void unwatch() {
        if (!asked_) return;  // the input thread is not started for nothing
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
        const bool ran = thread_.run([&] {
            r.installed = r.install && install(r.watch, r.keyboardOnly);
            if (!r.install) remove();
        });
        return ran && r.installed;
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
    static inline Watch* current_ = nullptr;

    bool install(std::uint32_t watch, bool keyboardOnly) {
        remove();
        hookedWatch_ = watch;
        keyboardOnly_ = keyboardOnly;
        if (!hook(keyboard_, mouse_)) {
            remove();
            return false;
        }
        current_ = this;
        lastSeen_ = GetTickCount();
        watchdog_ = SetTimer(nullptr, 0, kWatchdogPeriodMs, &Watch::watchdog);
        return true;
    }

    bool hook(UniqueHook& keyboard, UniqueHook& mouse) {
        const HINSTANCE self = GetModuleHandleW(nullptr);
        keyboard.reset(
            SetWindowsHookExW(WH_KEYBOARD_LL, &Watch::hookProc<KBDLLHOOKSTRUCT, keyEvent>, self, 0));
        if (!keyboardOnly_)
            mouse.reset(
                SetWindowsHookExW(WH_MOUSE_LL, &Watch::hookProc<MSLLHOOKSTRUCT, mouseEvent>, self, 0));
        return keyboard && (keyboardOnly_ || mouse);
    }

    void remove() {
        if (watchdog_) KillTimer(nullptr, watchdog_);
        watchdog_ = 0;
        keyboard_.reset();
        mouse_.reset();
        if (std::exchange(wakeDue_, false)) PostMessageW(window_.hwnd(), kInputArrived, 0, 0);
        if (current_ == this) current_ = nullptr;
    }

    static void CALLBACK watchdog(HWND, UINT, UINT_PTR, DWORD) {
        if (current_) current_->checkHooks();
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

    // The user-interface thread is woken once the hook has let the event go.
    void post(const InputEvent& e) {
        if (queue_.push({hookedWatch_, e}) == Queue::Pushed::Wake) {
            wakeDue_ = true;
            InputThread::afterHooks(&Watch::wake);
        }
    }

    static void wake() {
        if (current_ && std::exchange(current_->wakeDue_, false))
            PostMessageW(current_->window_.hwnd(), kInputArrived, 0, 0);
    }

    // The keyboard's and the mouse's hook: every event but Keyvale's own.
    template <class Seen, InputEvent (*eventOf)(const Seen&, WPARAM)>
    static LRESULT CALLBACK hookProc(int code, WPARAM wp, LPARAM lp) {
        if (code == HC_ACTION && current_) {
            current_->lastSeen_ = GetTickCount();
            const auto& seen = *reinterpret_cast<const Seen*>(lp);
            if (seen.dwExtraInfo != kInjectedByKeyvale) current_->post(eventOf(seen, wp));
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    }

    Queue queue_;
    Guard& guard_;
    InputThread& thread_;
    MessageWindow window_;  // on the user-interface thread

    // The user-interface thread's.
    bool asked_ = false;
    std::uint32_t watch_ = 0;
    std::shared_ptr<const std::function<void(const InputEvent&)>> watcher_;

    // The input thread's.
    std::uint32_t hookedWatch_ = 0;
    bool keyboardOnly_ = true;
    UniqueHook keyboard_, mouse_;
    UINT_PTR watchdog_ = 0;
    DWORD lastSeen_ = 0;
    bool wakeDue_ = false;
};

Win32Input::Win32Input(Guard& guard, InputThread& thread) : watch_(std::make_unique<Watch>(guard, thread)) {}

Win32Input::~Win32Input() = default;

bool Win32Input::startWatching(std::function<void(const InputEvent&)> onEvent, bool keyboardOnly) {
    return watch_->watch(std::move(onEvent), keyboardOnly);
}

void Win32Input::stopWatching() {
    watch_->unwatch();
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
