#pragma once
// An interpreter on the simulated desktop with a store in memory; its host
// records what it asks of the rest of the program.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/error.hpp"
#include "os/fake/fake_os.hpp"
#include "playback/interpreter.hpp"
#include "playback_keys.hpp"
#include "store/macros.hpp"

namespace kv::playback::test {

class InterpreterTest : public ::testing::Test {
protected:
    std::string typed() const { return typedText(fake.keyboard); }
    os::Millis elapsed() { return fake.pump.now() - start; }

    // Runs script after clearing the keyboard and the shared sender state.
    std::string typedBy(std::string_view script) {
        fake.keyboard.events.clear();
        shared = {};
        interp.sendKeys(script);
        return typed();
    }
    // The message of the kv::Error the script raises, or "" when none.
    std::string errorOf(std::string_view script) {
        try {
            interp.sendKeys(script);
        } catch (const Error& e) {
            return e.what();
        }
        return "";
    }
    // A macro in the store whose script runs when "<<RUN:" runs its slot.
    void addMacro(const std::string& name, const std::string& script = "") {
        store::Store st(fake.files, fake.sys.storePath);
        scripts[store::addMacro(st, {name, store::kScript, 0, name + ".key", "", 1})] = script;
    }

    os::fake::FakeSystem fake;
    const os::Millis start = fake.pump.now();
    // As every advanced-macro run starts: no replay in progress.
    playback::RunState state = [] {
        playback::RunState s;
        s.journalFinished = true;
        return s;
    }();
    SenderState shared;
    SendKey sender{fake.keyboard, fake.pump, shared};
    std::map<int, std::string> scripts;
    std::vector<int> ranSlots;
    int pauses = 0, resumes = 0;
    bool watcherOn = true;
    bool replayRunning = false;
    std::vector<Road> roads;
    std::function<void(int)> runSlot = [this](int slot) {
        ranSlots.push_back(slot);
        interp.sendKeys(scripts[slot]);
    };
    struct Hooks : RunRequests, InterpreterHost {
        InterpreterTest& t;
        explicit Hooks(InterpreterTest& test) : t(test) {}
        void runMacro(int slot, Road road, TextCase = TextCase::AsWritten) override {
            t.roads.push_back(road);
            t.runSlot(slot);
        }
        void pauseWatcher() override { ++t.pauses, t.watcherOn = false; }
        void resumeWatcher() override { ++t.resumes, t.watcherOn = true; }
        bool replaying() override { return t.replayRunning; }
    } hooks{*this};
    Interpreter interp{fake.sys, state, sender, hooks, hooks};
};

}  // namespace kv::playback::test
