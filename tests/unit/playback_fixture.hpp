#pragma once
// An interpreter wired to the simulated desktop, with a store in memory and
// hooks that record what the interpreter asks of the rest of the program.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "os/fake/fake_os.hpp"
#include "playback/interpreter.hpp"
#include "playback_keys.hpp"
#include "store/error.hpp"
#include "store/macros.hpp"
#include "store/store.hpp"

namespace kv::playback::test {

class InterpreterTest : public ::testing::Test {
protected:
    InterpreterTest() {
        hooks.processHotKey = [this](int slot) {
            ranSlots.push_back(slot);
            if (auto it = scripts.find(slot); it != scripts.end()) interp.sendKeys(it->second);
        };
        hooks.pauseWatcher = [this] {
            ++pauses;
            watcherOn = false;
        };
        hooks.resumeWatcher = [this] {
            ++resumes;
            watcherOn = true;
        };
    }

    std::string typed() const { return typedText(fake.keyboard); }
    os::Millis elapsed() { return fake.pump.now() - start; }

    // The message of the kv::Error the script raises, or "" when none.
    std::string errorOf(std::string_view script) {
        try {
            interp.sendKeys(script);
        } catch (const Error& e) {
            return e.what();
        }
        return "";
    }

    // Adds a macro to the store; scripts of slots run when "<<RUN:" runs them.
    int addMacro(const std::string& name, const std::string& script = "") {
        store::Store st(fake.files, fake.sys.storePath);
        const int slot =
            store::addMacro(st, store::MacroEntry{name, store::kScript, 0, name + ".key", "", 1});
        scripts[slot] = script;
        return slot;
    }

    os::fake::FakeSystem fake;
    const os::Millis start = fake.pump.now();
    triggers::RunState state;
    SenderState shared;
    SendKey sender{fake.keyboard, fake.pump, shared};
    std::map<int, std::string> scripts;
    std::vector<int> ranSlots;
    int pauses = 0, resumes = 0;
    bool watcherOn = true;
    InterpreterHooks hooks;
    // Reads hooks through a lambda set up before any run.
    Interpreter interp{fake.sys, state, sender,
                       InterpreterHooks{[this](int s) { hooks.processHotKey(s); },
                                        [this] { hooks.pauseWatcher(); }, [this] { hooks.resumeWatcher(); }}};
};

}  // namespace kv::playback::test
