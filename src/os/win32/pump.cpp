// The message pump, its blocking waits and the timers.

#include "os/win32/win32_os.hpp"
// Shell and common-control headers need windows.h first.
#include <commctrl.h>

#include <utility>

namespace kv::os::win32 {

class Win32Timer : public Timer {
public:
    Win32Timer(Win32Pump& pump, std::function<void()> onTick) : pump_(pump), onTick_(std::move(onTick)) {
        id_ = pump_.nextTimerId_++;
        pump_.timers_[id_] = &onTick_;
    }
    ~Win32Timer() override {
        stop();
        pump_.timers_.erase(id_);
    }
    void start(unsigned periodMs) override {
        stop();
        if (periodMs == 0) return;
        running_ = SetTimer(pump_.timerWindow_.hwnd(), id_, periodMs, nullptr) != 0;
    }
    void stop() override {
        if (running_) KillTimer(pump_.timerWindow_.hwnd(), id_);
        running_ = false;
    }
    bool running() const override { return running_; }

private:
    Win32Pump& pump_;
    std::function<void()> onTick_;
    UINT_PTR id_ = 0;
    bool running_ = false;
};

Win32Pump::Win32Pump(Guard& guard)
    : timerWindow_(guard, [this](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
          if (msg == WM_TIMER) {
              auto it = timers_.find(wp);
              if (it != timers_.end()) (*it->second)();
              return 0;
          }
          return DefWindowProcW(h, msg, wp, lp);
      }) {}

Millis Win32Pump::now() {
    return GetTickCount64();
}

std::unique_ptr<Timer> Win32Pump::createTimer(std::function<void()> onTick) {
    return std::make_unique<Win32Timer>(*this, std::move(onTick));
}

namespace {

bool isHotKeyField(HWND hwnd) {
    wchar_t name[32] = L"";
    return hwnd && GetClassNameW(hwnd, name, 32) && lstrcmpiW(name, HOTKEY_CLASSW) == 0;
}

// A message pumped here may be nested in a loop of the system's own: a menu
// being tracked, or a window being moved or sized. Such a loop reads the
// keyboard and mouse itself.
bool systemLoopOwnsInput() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetCurrentThreadId(), &info) && (info.flags & (GUI_INMENUMODE | GUI_INMOVESIZE));
}

}  // namespace

void Win32Pump::dispatch(MSG& msg) {
    // Alt+letter typed into a hot-key field is the hot key being set: the
    // field has taken it from the key press already, and the dialog must not
    // also press the button whose mnemonic the letter is (Alt+N would set the
    // hot key and go to the next page at once, unseen).
    if (msg.message == WM_SYSCHAR && isHotKeyField(msg.hwnd)) return;
    if (HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        root && GetPropW(root, kFormProperty)) {
        if ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) &&
            SendMessageW(root, kFormKeyPreview, msg.message, static_cast<LPARAM>(msg.wParam)))
            return;
        if (IsDialogMessageW(root, &msg)) return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool Win32Pump::dispatchPending(bool leaveInput) {
    bool any = false;
    MSG msg;
    // Beneath a menu the keys and clicks are the menu's: taken here, they would
    // reach the control with the focus instead, and the menu would never see
    // its Escape or its arrow key.
    const UINT only = leaveInput ? PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE : 0;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | only)) {
        any = true;
        if (msg.message == WM_QUIT) {
            quit_ = true;
            continue;
        }
        dispatch(msg);
    }
    return any;
}

void Win32Pump::processMessages() {
    dispatchPending(systemLoopOwnsInput());
}

void Win32Pump::waitUntil(Millis deadline) {
    // What is already waiting may be what the caller waits for: it then
    // returns at once, so the caller sees its condition change.
    // A menu opened by a message dispatched here has closed again when the
    // dispatch returns, so one look serves the whole wait.
    const bool leaveInput = systemLoopOwnsInput();
    if (dispatchPending(leaveInput)) return;
    const Millis t = now();
    if (t >= deadline) return;
    const Millis wait = deadline - t;
    // Input left for a menu's loop must not end the wait at once, again and again.
    const DWORD wake = leaveInput ? QS_ALLINPUT & ~QS_INPUT : QS_ALLINPUT;
    MsgWaitForMultipleObjectsEx(0, nullptr, wait > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(wait), wake,
                                MWMO_INPUTAVAILABLE);
    dispatchPending(leaveInput);
}

bool Win32Pump::runOne() {
    if (quit_) return false;
    MSG msg;
    const BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0 || r == -1) {
        quit_ = true;
        return false;
    }
    dispatch(msg);
    return !quit_;
}

}  // namespace kv::os::win32
