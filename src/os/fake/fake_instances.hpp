#pragma once
// Instances of the program on one simulated desktop: every FakeInstances
// sharing a table is one running instance, until it is destroyed.

#include "os/instances.hpp"

namespace kv::os::fake {

struct FakeInstanceTable {
    int running = 0;
    const void* watcher = nullptr;
};

class FakeInstances : public Instances {
public:
    explicit FakeInstances(FakeInstanceTable& table) : table_(table), others_(table.running > 0) {
        ++table_.running;
    }
    ~FakeInstances() override {
        --table_.running;
        if (table_.watcher == this) table_.watcher = nullptr;
    }
    FakeInstances(const FakeInstances&) = delete;
    FakeInstances& operator=(const FakeInstances&) = delete;

    bool othersRunningAtStart() override { return others_; }
    bool claimWatcher() override {
        if (!table_.watcher) table_.watcher = this;
        return table_.watcher == this;
    }

private:
    FakeInstanceTable& table_;
    bool others_;
};

}  // namespace kv::os::fake
