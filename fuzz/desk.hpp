#pragma once
// The simulated desktop for the harnesses: the fake os with a pump that
// allows each input a bounded number of message passes, so that no input
// runs forever, and checks that every key pressed was released.

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "os/fake/fake_os.hpp"

namespace kv::fuzz {

// Thrown from a pump call when the input has used its passes up. Pump calls
// happen between key strings, never while the sender holds a key, so the
// keyboard is checked after it as after a normal end.
struct OutOfBudget {};

class BudgetPump : public os::fake::FakePump {
public:
    explicit BudgetPump(long budget) : left_(budget) {}
    void processMessages() override {
        spend();
        FakePump::processMessages();
    }
    void waitUntil(os::Millis deadline) override {
        spend();
        FakePump::waitUntil(deadline);
    }

private:
    void spend() {
        if (--left_ < 0) throw OutOfBudget{};
    }
    long left_;
};

struct Desk {
    explicit Desk(long budget) : pump(budget) {}
    BudgetPump pump;
    os::fake::FakeKeyboard keyboard;
    os::fake::FakeHotKeys hotKeys;
    os::fake::FakeWindows windows;
    os::fake::FakeShell shell;
    os::fake::FakeFiles files;
    os::fake::FakeDialogs dialogs;
    os::fake::FakeLocale locale;
    os::fake::FakeInput input;
    os::System sys{pump,
                   keyboard,
                   hotKeys,
                   windows,
                   shell,
                   files,
                   dialogs,
                   locale,
                   input,
                   "C:\\Keyvale\\",
                   "C:\\windows\\macros.ini"};
};

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s\n", what);
    std::abort();
}

inline void check(bool ok, const char* what) {
    if (!ok) fail(what);
}

// The virtual keys a stream of key events leaves down.
inline std::set<unsigned> keysLeftDown(const std::vector<os::fake::FakeKeyboard::Event>& events) {
    std::set<unsigned> down;
    for (const auto& e : events) {
        if (e.flags & os::kKeyUp)
            down.erase(e.vk);
        else
            down.insert(e.vk);
    }
    return down;
}

inline void checkNoKeyDown(const os::fake::FakeKeyboard& keyboard) {
    const std::set<unsigned> down = keysLeftDown(keyboard.events);
    if (down.empty()) return;
    std::fprintf(stderr, "keys left down:");
    for (unsigned vk : down) std::fprintf(stderr, " 0x%02X", vk);
    std::fprintf(stderr, "\n");
    fail("a key is left down");
}

}  // namespace kv::fuzz
