#pragma once
// A stand-in for the dispatcher's side of every road into it: records each
// request (slot and road) and passes the slot on when a test asks.

#include <functional>
#include <utility>
#include <vector>

#include "core/run_requests.hpp"

namespace kv::test {

struct Runs : RunRequests {
    Runs() = default;
    explicit Runs(std::function<void(int slot)> then) : then(std::move(then)) {}
    std::vector<int> slots;
    std::vector<Road> roads;
    std::function<void(int slot)> then;
    void runMacro(int slot, Road road, TextCase = TextCase::AsWritten) override {
        slots.push_back(slot);
        roads.push_back(road);
        if (then) then(slot);
    }
};

}  // namespace kv::test
