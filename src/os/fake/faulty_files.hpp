#pragma once
// Files that fail or crash on a chosen step, over any other Files: for
// proving that no failure and no crash of a write leaves a damaged file.

#include <string>

#include "os/os.hpp"

namespace kv::os::fake {

// Thrown in place of the process dying at a step; a test catches it and then
// looks at what the files hold.
struct Crash {};

class FaultyFiles : public Files {
public:
    explicit FaultyFiles(Files& inner) : inner_(inner) {}

    // Steps are the calls that change files (write, replace, remove),
    // counted from 1. At failStep the call fails having done nothing; a
    // failing write leaves half of its bytes behind, as a full disk does. At
    // crashStep the process "dies": a write dies with half of its bytes
    // written, anything else before it acts. 0 is never.
    int failStep = 0;
    int crashStep = 0;
    int steps = 0;  // steps taken so far
    int reads = 0;

    std::optional<std::string> read(const std::string& path) override {
        ++reads;
        return inner_.read(path);
    }
    bool write(const std::string& path, std::string_view bytes) override {
        if (const Fault f = step(); f != Fault::None) {
            inner_.write(path, bytes.substr(0, bytes.size() / 2));
            if (f == Fault::Crash) throw Crash{};
            return false;
        }
        return inner_.write(path, bytes);
    }
    bool replace(const std::string& from, const std::string& to) override {
        return act([&] { return inner_.replace(from, to); });
    }
    bool remove(const std::string& path) override {
        return act([&] { return inner_.remove(path); });
    }
    bool exists(const std::string& path) override { return inner_.exists(path); }
    bool writable(const std::string& path) override { return inner_.writable(path); }
    bool createDirectory(const std::string& path) override { return inner_.createDirectory(path); }

private:
    enum class Fault { None, Fail, Crash };
    Fault step() {
        ++steps;
        if (steps == crashStep) return Fault::Crash;
        if (steps == failStep) return Fault::Fail;
        return Fault::None;
    }
    template <typename F>
    bool act(F f) {
        switch (step()) {
            case Fault::Crash: throw Crash{};
            case Fault::Fail: return false;
            case Fault::None: break;
        }
        return f();
    }

    Files& inner_;
};

}  // namespace kv::os::fake
