#pragma once
// A dispatcher's host whose script runner a test sets, and which records
// the status of every run's end.

#include <functional>
#include <string>
#include <vector>

#include "triggers/dispatcher.hpp"

namespace kv::test {

struct RunHost : triggers::RunHost {
    std::function<void(const std::string&)> run;
    std::vector<playback::RunStatus> statuses;
    void runScript(const std::string& script) override {
        if (run) run(script);
    }
    void runEnded(playback::RunStatus status) override { statuses.push_back(status); }
};

}  // namespace kv::test
