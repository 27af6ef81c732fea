#pragma once
#include <stdexcept>
#include <string>

namespace kv {

// An error that ends the running operation. Its message is the exact text the
// user sees in the standard error box.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Unwinds a run that was stopped (Esc, Exit, log-off) out of every run it is
// nested in. Not an error: nothing is shown for it.
struct Stopped {};

}  // namespace kv
