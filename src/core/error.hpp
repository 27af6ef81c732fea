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

}  // namespace kv
