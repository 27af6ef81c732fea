#include "triggers/dispatcher.hpp"

#include "core/error.hpp"
#include "playback/interpreter.hpp"
#include "store/macro_repository.hpp"
#include "store/script_text.hpp"
#include "store/text_encoding.hpp"

namespace kv::triggers {

namespace {

constexpr unsigned kVkShift = 0x10;
constexpr unsigned kVkControl = 0x11;
constexpr unsigned kVkMenu = 0x12;
// How long the modifier wait blocks between key-state checks.
constexpr os::Millis kModifierPollMs = 2;

}  // namespace

Dispatcher::Dispatcher(os::System& sys, playback::RunState& state, journal::Journal& journal, RunHost& host)
    : sys_(sys), state_(state), journal_(journal), host_(host) {}

void Dispatcher::recordFinished(playback::RunStatus status) {
    state_.runStatus = status;
    host_.runEnded(status);
}

void Dispatcher::stopAll() {
    ++state_.stopGeneration;
    journal_.cancelAll();
    sys_.dialogs.closePrompts();
    host_.releaseKeys();
}

void Dispatcher::recorderFinished() {
    recordFinished(playback::RunStatus::ReplayEnded);
    // With replays queued behind this one, a waiting script waits on.
    state_.journalFinished = journal_.idle();
}

void Dispatcher::waitForModifierRelease() {
    sys_.pump.processMessages();
    state_.hotKeyBusy = true;
    auto held = [this] {
        return sys_.keyboard.isKeyDown(kVkControl) || sys_.keyboard.isKeyDown(kVkMenu) ||
               sys_.keyboard.isKeyDown(kVkShift);
    };
    while (held()) {
        // Blocks on the queue between checks instead of spinning.
        sys_.pump.waitUntil(sys_.pump.now() + kModifierPollMs);
        state_.hotKeyBusy = true;
    }
}

void Dispatcher::runMacro(int slot, Road road, TextCase textCase) {
    // An abbreviation starts a run of its own, as a hot key does.
    if (road == Road::HotKey || road == Road::Abbreviation)
        sys_.guard.run([&] { hotKeyPressed(slot, textCase); });
    else
        processHotKey(slot, textCase);
}

void Dispatcher::hotKeyPressed(int slot, TextCase textCase) {
    if (state_.macroDialogOpen || state_.hotKeyBusy) return;
    struct ClearBusy {
        playback::RunState& s;
        ~ClearBusy() { s.hotKeyBusy = false; }
    } clear{state_};
    waitForModifierRelease();
    if (slot >= 1 && slot <= 100) processHotKey(slot, textCase);
}

void Dispatcher::processHotKey(int slot, TextCase textCase) {
    if (depth_ > kMaxNesting) {
        // The error may be shown by a guard nested inside an outer run (a
        // trigger scan in a script's wait): stopping everything makes the
        // outer runs end too instead of going on after the box.
        stopAll();
        throw Error(playback::kRunsTooDeep);
    }
    // A stopped run unwinds to the outermost run, which ends quietly; the
    // caller (start-up, a trigger scan) goes on.
    struct Depth {
        int& d;
        RunHost& host;
        ~Depth() {
            if (--d == 0) host.runsEnded();
        }
    } depth{++depth_, host_};
    try {
        runSlot(slot, textCase);
    } catch (const Stopped&) {
        if (depth_ > 1) throw;
    }
}

void Dispatcher::runSlot(int slot, TextCase textCase) {
    // One reading of the file serves the macro's keys.
    const store::MacroRepository macros(sys_);
    const store::Macro macro = macros.read(slot);
    const auto dataFile = [&] { return macros.storedPath(macro.fileName); };
    // Opening a document is over at once; the others take their time.
    if (depth_ == 1 && macro.kindOr(0) > store::kOpenDocument && macro.kindOr(0) <= store::kScript)
        host_.runsStarted(macro.nameOr(store::macroSection(slot)));
    const auto replay = [&](journal::Pace pace) {
        state_.journalFinished = false;
        journal_.playBack(dataFile(), pace);
    };
    switch (macro.kindOr(0)) {
        case store::kOpenDocument:
            sys_.shell.open(macro.fileName);
            recordFinished(playback::RunStatus::RunEnded);
            break;
        case store::kReplayKeys: replay(journal::Pace::High); break;
        case store::kReplayMouseAndKeys:
            replay(macro.speed == 2 ? journal::Pace::High : journal::Pace::Recorded);
            break;
        case store::kScript: runAdvancedMacro(dataFile(), playback::Arrival::of(macro, textCase)); break;
        default: break;
    }
}

void Dispatcher::runAdvancedMacro(const std::string& path, const playback::Arrival& arrival) {
    state_.journalFinished = true;
    auto script = store::readScript(sys_.files, path);
    if (!script) throw Error("Cannot open file " + path);
    const std::string text = store::joinScriptLines(*script);
    state_.storedValue.clear();
    const std::uint64_t generation = state_.stopGeneration;
    // The user's Esc stops a script only while one runs: no hook when idle.
    journal_.watchEscape(true);
    struct Unwatch {
        journal::Journal& j;
        ~Unwatch() { j.watchEscape(false); }
    } unwatch{journal_};
    try {
        host_.runMacroScript(text, arrival);
        // Waits for the recorder itself, not for a flag that a script run
        // nested in this wait would reset.
        while (replaying()) {
            if (state_.stopGeneration != generation) throw Stopped{};
            sys_.pump.waitUntil(sys_.pump.now() + 1000);
        }
    } catch (const Stopped&) {
        // A stopped run has ended all the same (a /CLOSE run then ends).
        host_.releaseKeys();
        recordFinished(playback::RunStatus::RunEnded);
        throw;
    } catch (...) {
        // A modifier left pending by the failed run must not reach the next.
        host_.releaseKeys();
        throw;
    }
    recordFinished(playback::RunStatus::RunEnded);
}

}  // namespace kv::triggers
