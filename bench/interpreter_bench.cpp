// Interpreter cost against script size: a script of mixed text and tokens
// (no waits) run with a keyboard and a message pump that do nothing, at 1 KB
// and at 1 MB. Walking the script with a cursor keeps the time per kilobyte
// flat; copying the rest of the script per token would make it grow with
// the size.
//
//   cmake --preset bench && cmake --build build/bench --target interpreter_bench
//   build/bench/bench/interpreter_bench

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "os/fake/fake_os.hpp"
#include "playback/interpreter.hpp"
#include "playback/sender.hpp"
#include "triggers/dispatcher.hpp"

namespace {

using namespace kv;

// The US layout's answers, with the events themselves thrown away.
class NullKeyboard : public os::fake::FakeKeyboard {
public:
    void keyEvent(std::uint8_t, std::uint8_t, std::uint32_t) override {}
    void typeCharacter(char32_t) override {}
};

class NullTimer : public os::Timer {
public:
    void start(unsigned) override {}
    void stop() override {}
    bool running() const override { return false; }
};

class NullPump : public os::Pump {
public:
    os::Millis now() override { return 0; }
    void processMessages() override {}
    void waitUntil(os::Millis) override {}
    std::unique_ptr<os::Timer> createTimer(std::function<void()>) override {
        return std::make_unique<NullTimer>();
    }
};

// Whole pieces of text and tokens, so that no token is cut at the end.
std::string makeScript(std::size_t bytes) {
    static const char* const kPieces[] = {
        "Dear customer,\r\n",
        "thank you for your order <<SHORTDATE>> of {item} at 5% ^ @ ~ off.<<ENTER>>",
        "<<CTRL>>c<<SHIFT+ALT>><<TAB>><<ctrl>><<f4>>",
        "2 << 3 and <<HELLO>> stays text; ",
        "<<REP2>>ab<<ENDREP>><<WRITEVALUE>><<FOCUS:No such window>>",
        "<<HOME>><<END>><<PAGEDOWN>>Regards, <<LONGTIME>>\r\n",
    };
    std::string s;
    for (std::size_t i = 0; s.size() < bytes; ++i) s += kPieces[i % std::size(kPieces)];
    return s;
}

// Best time in seconds of running the script `runs` times, over `repeats`.
double bestSeconds(playback::Interpreter& interp, const std::string& script, int runs, int repeats) {
    double best = 1e30;
    for (int r = 0; r < repeats; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < runs; ++i) interp.sendKeys(script);
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        best = std::min(best, d.count() / runs);
    }
    return best;
}

}  // namespace

int main() {
    os::fake::FakeSystem fake;
    NullKeyboard keyboard;
    NullPump pump;
    os::System sys{pump,       keyboard,     fake.hotKeys, fake.windows,    fake.shell,
                   fake.files, fake.dialogs, fake.locale, fake.input, "C:\\Keyvale\\", "C:\\windows\\macros.ini"};
    playback::RunState state;
    state.storedValue = "value";
    playback::SenderState shared;
    playback::SendKey sender(keyboard, pump, shared);
    // Scripts of this benchmark run no other macro and wait for nothing.
    struct Idle : RunRequests, playback::InterpreterHost {
        void runMacro(int, Road, TextCase) override {}
        void pauseWatcher() override {}
        void resumeWatcher() override {}
        bool replaying() override { return false; }
    } idle;
    playback::Interpreter interp(sys, state, sender, idle, idle);

    const std::string small = makeScript(1024);
    const std::string large = makeScript(1024 * 1024);
    const double kbSmall = small.size() / 1024.0, kbLarge = large.size() / 1024.0;

    interp.sendKeys(small);  // warm-up
    const double tSmall = bestSeconds(interp, small, 1000, 7);
    const double tLarge = bestSeconds(interp, large, 1, 7);
    const double perKbSmall = tSmall / kbSmall * 1e6, perKbLarge = tLarge / kbLarge * 1e6;

    std::printf("script 1 KB: %zu bytes, %.2f us per KB\n", small.size(), perKbSmall);
    std::printf("script 1 MB: %zu bytes, %.2f us per KB\n", large.size(), perKbLarge);
    std::printf("t(1MB) / (1000 * t(1KB)), per KB of script: %.3f (target <= 1.5)\n",
                perKbLarge / perKbSmall);
    return perKbLarge / perKbSmall <= 1.5 ? 0 : 1;
}
