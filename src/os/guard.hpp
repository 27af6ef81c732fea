#pragma once
// The program's one error guard. Every window procedure, hook, timer and
// event handler runs what it calls through it: an error ends the operation
// there and is shown in the standard error box (caption "Keyvale", the
// error's own message text), a stopped run ends quietly, and nothing goes
// further, since an exception must never leave a window procedure. Portable,
// so that presenters, the application and the Win32 code share it.

namespace kv::os {

class Dialogs;

class Guard {
public:
    // dialogs may be constructed after the guard (it is used only once an
    // error has to be shown), so that the services built before the dialogs
    // can hold the guard.
    explicit Guard(Dialogs& dialogs) : dialogs_(dialogs) {}
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

    // Runs action; true when it ran to its end.
    template <typename Action>
    bool run(Action&& action) noexcept {
        try {
            action();
            return true;
        } catch (...) {
            endCurrentException();
            return false;
        }
    }

private:
    void endCurrentException() noexcept;
    Dialogs& dialogs_;
};

}  // namespace kv::os
