#include "ui/guard.hpp"

#include <exception>

#include "playback/run_state.hpp"

namespace kv::ui {

void endCurrentException(os::Dialogs& dialogs) noexcept {
    try {
        throw;
    } catch (const playback::Stopped&) {
        // A stopped run has ended; there is nothing to report.
    } catch (const std::exception& e) {
        try {
            dialogs.errorBox(e.what());
        } catch (...) {
            // The box pumps messages; whatever ends in there ends here too.
        }
    } catch (...) {
        // Nothing to say about it, and it must not go on unwinding.
    }
}

}  // namespace kv::ui
