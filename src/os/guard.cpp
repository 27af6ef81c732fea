#include "os/guard.hpp"

#include <exception>

#include "core/error.hpp"
#include "os/os.hpp"

namespace kv::os {

void Guard::endCurrentException() noexcept {
    try {
        throw;
    } catch (const Stopped&) {
        // A stopped run has ended; there is nothing to report.
    } catch (const std::exception& e) {
        try {
            dialogs_.errorBox(e.what());
        } catch (...) {
            // The box pumps messages; whatever ends in there ends here too.
        }
    } catch (...) {
        // Nothing to say about it, and it must not go on unwinding.
    }
}

}  // namespace kv::os
