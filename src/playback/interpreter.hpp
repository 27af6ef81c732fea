#pragma once
// The script interpreter of advanced macros: types literal text one
// character at a time and performs the "<<...>>" tokens (keys, modifiers,
// delays, repeats, the value prompt, dates, running other macros, window
// waits, focus and shell commands).

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/run_requests.hpp"
#include "os/os.hpp"
#include "playback/arrival.hpp"
#include "playback/run_state.hpp"
#include "playback/sender.hpp"
#include "playback/window_search.hpp"

namespace kv::playback {

// The error that ends a run whose macros start each other too deeply, on
// any road into the dispatcher.
inline constexpr const char* kRunsTooDeep =
    "Macro runs nested too deeply (more than 64 levels); a macro probably runs itself.";

// What a run needs of the rest of the program besides the dispatcher,
// given at construction.
class InterpreterHost {
public:
    virtual ~InterpreterHost() = default;
    // The window-trigger timer is switched off when the first delay starts
    // and back on when the last delay running ends.
    virtual void pauseWatcher() = 0;
    virtual void resumeWatcher() = 0;
    // A replay is running or queued (the recorder is not idle).
    virtual bool replaying() = 0;
    // A delay of a few seconds or more starts (until the deadline on the
    // pump's clock) and ends; delays nest as the runs that hold them.
    virtual void delayStarted(os::Millis /*deadline*/) {}
    virtual void delayEnded() {}
};

class Interpreter {
public:
    // "<<RUN:" inside runs it started may nest this deep; one more raises an
    // error that ends the whole run instead of overflowing the stack.
    static constexpr int kMaxRunDepth = 64;
    // A "<<REP" without its end token repeats the rest of the script, which
    // may hold another one; the same guard applies to such chains.
    static constexpr int kMaxRepeatDepth = 64;

    // The program has one interpreter: nested runs come back into it, which
    // is how it counts their depth and the delays running. "<<RUN:" asks runs
    // (the dispatcher), which comes back into sendKeys for scripts.
    Interpreter(os::System& sys, RunState& state, SendKey& sender, RunRequests& runs, InterpreterHost& host);

    // Runs a script to its end. Errors (kv::Error) end the whole run, outer
    // runs included; keys already sent stay sent. A stop of everything
    // running (RunState::stopGeneration) ends it with Stopped at
    // the next character, token, repetition or pass of a wait.
    void sendKeys(std::string_view script);
    // Runs a macro's script, its text arriving as the macro says; nested
    // runs follow their own macro's way. The outermost run that pastes
    // saves the user's clipboard before the first paste and puts it back
    // when it ends, however it ends.
    void sendKeys(std::string_view script, const Arrival& arrival);
    // text begins with "<<": performs the token there and returns the text
    // after it.
    std::string_view processToken(std::string_view text);
    // Runs body count times (none when count <= 0).
    void repMac(int count, std::string_view body);
    // Returns when n seconds or minutes have passed on the clock, handling
    // messages meanwhile; nested delays each last their own time.
    void delay(int n, WaitUnit unit);

    int activeDelays() const { return activeDelays_; }
    int runDepth() const { return runDepth_; }

private:
    std::string_view delayToken(std::string_view rest, WaitUnit unit);
    std::string_view repeatToken(std::string_view rest);
    std::string_view inputToken(std::string_view rest);
    std::string_view writeValueToken(std::string_view rest);
    std::string_view runToken(std::string_view rest);
    std::string_view lookForToken(std::string_view token);
    std::string_view focusToken(std::string_view rest);
    std::string_view executeToken(std::string_view rest);
    void sendText(std::string_view text);
    // Pastes the stretch; false when the clipboard cannot be had, and the
    // caller types it instead (as it does from then on in this run).
    bool paste(std::string_view stretch);
    // Waits the macro's pause since the last key, if it asks for one.
    void pace();
    void keySent();
    bool stopped() const;
    void throwIfStopped() const;
    // Keys sent to an administrator's window are dropped by the system: the
    // run ends with an error that says so instead.
    void checkTypingTarget();

    os::System& sys_;
    RunState& state_;
    // The foreground window last found to take Keyvale's keys.
    os::WindowHandle allowedTarget_ = 0;
    SendKey& sender_;
    RunRequests& runs_;
    InterpreterHost& host_;
    int activeDelays_ = 0;
    int runDepth_ = 0;
    int repeatDepth_ = 0;
    // The stop count when the innermost running script began; sendKeys calls
    // in progress.
    std::uint64_t generation_ = 0;
    int running_ = 0;
    // How the text of the innermost macro running arrives.
    Arrival arrival_;
    os::Millis lastKey_ = 0;
    // The clipboard while a run that pastes goes on: saved once, before the
    // first paste, put back by the run that owns it.
    struct ClipboardSession {
        // Declared, since a nested class with member initializers is not yet
        // default-constructible inside its enclosing class for some compilers.
        ClipboardSession() {}
        std::optional<os::ClipboardContents> saved;
        bool refused = false;  // it could not be had: the run types
    };
    std::optional<ClipboardSession> clipboard_;
    // Runs of a macro in progress; each pointer is its own whether it owns
    // the clipboard session.
    std::vector<bool*> ownsClipboard_;
};

}  // namespace kv::playback
