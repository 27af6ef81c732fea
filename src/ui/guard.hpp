#pragma once
// The one error guard that every form and the application run their event
// handlers in. What an operation raises ends it there: an error is shown in
// the standard error box (caption "Keyvale", the error's own message text), a
// stopped run ends quietly, and nothing goes further, since an exception must
// never leave a window procedure. Portable, so that the application object
// and the presenters use the same guard as the Win32 forms.

#include "os/os.hpp"

namespace kv::ui {

// Ends the exception in flight as the guard does. Call only inside a catch
// block.
void endCurrentException(os::Dialogs& dialogs) noexcept;

// Runs action under the guard; true when it ran to its end.
template <typename Action>
bool guarded(os::Dialogs& dialogs, Action&& action) noexcept {
    try {
        action();
        return true;
    } catch (...) {
        endCurrentException(dialogs);
        return false;
    }
}

}  // namespace kv::ui
