#include "playback/interpreter.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/error.hpp"
#include "core/text.hpp"
#include "core/utf8.hpp"
#include "playback/tokens.hpp"
#include "store/macro_repository.hpp"

namespace kv::playback {

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

std::string_view before(std::string_view text, std::size_t end) {
    return text.substr(0, end);
}

// Where the argument of a token ends: at the first marker, which must come
// before the next token of the script. A token without its end would take
// the rest of the script (line breaks and later tokens included) as its
// argument, so it is refused before anything of it runs.
std::size_t argumentEnd(std::string_view rest, std::string_view marker, std::string_view token) {
    const std::size_t end = rest.find(marker);
    if (end == kNotFound || before(rest, end).find("<<") != kNotFound)
        throw Error("No closing >> for " + std::string(token));
    return end;
}

// The text after the marker found at pos (of the given length); empty when
// the marker is missing or runs past the end.
std::string_view after(std::string_view text, std::size_t pos, std::size_t length) {
    if (pos == kNotFound) return {};
    return text.substr(std::min(text.size(), pos + length));
}

int toInteger(std::string_view text) {
    if (auto v = store::parseInteger(text)) return *v;
    throw Error("'" + std::string(text) + "' is not a valid integer value");
}

// Clears TokensOnly however the key string ends, so that an error does not
// leave later key strings typing "^", "@" and "~" literally.
class TokensOnlyScope {
public:
    explicit TokensOnlyScope(SendKey& sender) : sender_(sender) { sender_.setTokensOnly(true); }
    ~TokensOnlyScope() { sender_.setTokensOnly(false); }
    TokensOnlyScope(const TokensOnlyScope&) = delete;
    TokensOnlyScope& operator=(const TokensOnlyScope&) = delete;

private:
    SendKey& sender_;
};

class DepthScope {
public:
    DepthScope(int& depth, int limit, const char* message) : depth_(depth) {
        if (depth_ >= limit) throw Error(message);
        ++depth_;
    }
    ~DepthScope() { --depth_; }
    DepthScope(const DepthScope&) = delete;
    DepthScope& operator=(const DepthScope&) = delete;

private:
    int& depth_;
};

struct DateToken {
    std::string_view token;
    os::DateTimeFormat format;
};

constexpr DateToken kDateTokens[] = {
    {"<<SHORTDATE>>", os::DateTimeFormat::ShortDate},
    {"<<LONGDATE>>", os::DateTimeFormat::LongDate},
    {"<<SHORTTIME>>", os::DateTimeFormat::ShortTime},
    {"<<LONGTIME>>", os::DateTimeFormat::LongTime},
};

}  // namespace

Interpreter::Interpreter(os::System& sys, RunState& state, SendKey& sender, RunRequests& runs,
                         InterpreterHost& host)
    : sys_(sys), state_(state), sender_(sender), runs_(runs), host_(host) {}

bool Interpreter::stopped() const {
    return running_ > 0 && state_.stopGeneration != generation_;
}

void Interpreter::throwIfStopped() const {
    if (stopped()) throw Stopped{};
}

void Interpreter::sendKeys(std::string_view script) {
    // A script started after a stop (by a hot key handled inside the wait of
    // a stopped one) runs; the stopped one ends when it gets control back.
    struct Run {
        Interpreter& in;
        std::uint64_t outer;
        explicit Run(Interpreter& i) : in(i), outer(i.generation_) {
            in.generation_ = in.state_.stopGeneration;
            ++in.running_;
        }
        ~Run() {
            --in.running_;
            in.generation_ = outer;
        }
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;
    } run(*this);
    // A cursor over the caller's text: nothing ahead is copied per token.
    std::string_view text = kv::trimBlanks(script);
    while (!text.empty()) {
        throwIfStopped();
        checkTypingTarget();
        if (text.starts_with("<<")) {
            pace();
            text = processToken(text);
            keySent();
            continue;
        }
        if (const std::string_view literal = literalStretch(text); pastes(arrival_.insert, literal)) {
            TextCase textCase = arrival_.textCase;
            const bool pasted =
                textCase == TextCase::AsWritten ? paste(literal) : paste(cased(literal, textCase));
            if (pasted) {
                arrival_.textCase = textCase;
                text.remove_prefix(literal.size());
                continue;
            }
        }
        pace();
        // One character, however many bytes it takes.
        const std::string_view one = firstChars(text, 1);
        if (one == "^" || one == "@" || one == "~") {
            TokensOnlyScope literal(sender_);
            sender_.send(one);
        } else {
            // A lone brace is typed literally by the sender's own rule.
            if (arrival_.textCase == TextCase::AsWritten)
                sender_.send(one);
            else
                sender_.send(cased(one, arrival_.textCase));
        }
        keySent();
        text.remove_prefix(one.size());
    }
    throwIfStopped();
}

void Interpreter::sendKeys(std::string_view script, const Arrival& arrival) {
    struct MacroRun {
        Interpreter& in;
        Arrival outer;
        bool owner = false;
        MacroRun(Interpreter& i, const Arrival& a) : in(i), outer(i.arrival_) {
            in.arrival_ = a;
            in.lastKey_ = 0;
            in.ownsClipboard_.push_back(&owner);
        }
        ~MacroRun() {
            in.ownsClipboard_.pop_back();
            in.arrival_ = outer;
            if (!owner) return;
            // Put back even when the run was stopped or failed.
            if (in.clipboard_->saved) in.sys_.clipboard->restore(*in.clipboard_->saved);
            in.clipboard_.reset();
        }
        MacroRun(const MacroRun&) = delete;
        MacroRun& operator=(const MacroRun&) = delete;
    } run(*this, arrival);
    // The outermost run that will paste holds the session, so runs it
    // starts that paste too save and restore nothing of their own.
    if (!clipboard_ && sys_.clipboard && pastesAny(kv::trimBlanks(script), arrival.insert)) {
        clipboard_.emplace();
        run.owner = true;
    }
    sendKeys(script);
}

bool Interpreter::paste(std::string_view stretch) {
    os::Clipboard* clipboard = sys_.clipboard;
    if (!clipboard || ownsClipboard_.empty()) return false;
    if (!clipboard_) {
        // A paste the run did not foresee: its own run holds the session.
        clipboard_.emplace();
        *ownsClipboard_.back() = true;
    }
    ClipboardSession& session = *clipboard_;
    if (session.refused) return false;
    if (!session.saved) {
        session.saved = clipboard->save();
        if (!session.saved) {
            // Another program keeps the clipboard: typing loses nothing.
            session.refused = true;
            return false;
        }
    }
    pace();
    if (!clipboard->putText(stretch)) {
        session.refused = true;
        return false;
    }
    const std::uint32_t offered = clipboard->sequenceNumber();
    sender_.send(arrival_.pasteKeys == store::PasteKeys::ShiftInsert ? "~{INSERT}" : "^v");
    keySent();
    // The clipboard goes back only once the target has read the text, or
    // after half a second of waiting for it.
    os::Pump& pump = sys_.pump;
    const os::Millis deadline = pump.now() + 500;
    while (clipboard->sequenceNumber() == offered && pump.now() < deadline) {
        throwIfStopped();
        pump.waitUntil(std::min(deadline, pump.now() + 10));
    }
    throwIfStopped();
    return true;
}

void Interpreter::pace() {
    if (arrival_.keyDelay <= 0) return;
    os::Pump& pump = sys_.pump;
    if (lastKey_ != 0) {
        const os::Millis due = lastKey_ + static_cast<os::Millis>(arrival_.keyDelay);
        while (pump.now() < due) {
            throwIfStopped();
            pump.waitUntil(due);
        }
    }
}

void Interpreter::keySent() {
    // Counted from when the key has gone, so the next one comes the whole
    // pause later whatever sending took.
    if (arrival_.keyDelay > 0) lastKey_ = sys_.pump.now();
}

void Interpreter::checkTypingTarget() {
    const os::WindowHandle target = sys_.windows.foreground();
    if (target == allowedTarget_) return;
    if (target && sys_.windows.runsAboveUs(target)) {
        const std::string title = sys_.windows.title(target, 255);
        const std::string window = title.empty() ? std::string("The window in front") : "\"" + title + "\"";
        throw Error(
            window +
            " runs as administrator; Windows does not let Keyvale type into it. Start Keyvale as administrator to run macros there.");
    }
    allowedTarget_ = target;
}

std::string_view Interpreter::processToken(std::string_view text) {
    if (auto rest = processKeystrokeToken(sender_, text)) return *rest;
    if (startsWithToken(text, "<<SECS")) return delayToken(text.substr(6), WaitUnit::Seconds);
    if (startsWithToken(text, "<<MINS")) return delayToken(text.substr(6), WaitUnit::Minutes);
    if (startsWithToken(text, "<<REP")) return repeatToken(text.substr(5));
    for (const DateToken& d : kDateTokens) {
        if (startsWithToken(text, d.token)) {
            sendText(sys_.locale.formatNow(d.format));
            return text.substr(d.token.size());
        }
    }
    if (startsWithToken(text, "<<INPUT:")) return inputToken(text.substr(8));
    if (startsWithToken(text, "<<WRITEVALUE>>")) return writeValueToken(text.substr(14));
    if (startsWithToken(text, "<<RUN:")) return runToken(text.substr(6));
    if (startsWithToken(text, "<<LOOKFOR:")) return lookForToken(text);
    if (startsWithToken(text, "<<FOCUS:")) return focusToken(text.substr(8));
    if (startsWithToken(text, "<<EXECUTE:")) return executeToken(text.substr(10));
    // Not a token: only the brackets go, the rest is typed.
    return text.substr(std::min<std::size_t>(2, text.size()));
}

void Interpreter::sendText(std::string_view text) {
    sender_.send(firstChars(text, kMaxKeyString));
}

std::string_view Interpreter::delayToken(std::string_view rest, WaitUnit unit) {
    const std::size_t end = argumentEnd(rest, ">", unit == WaitUnit::Seconds ? "<<SECS" : "<<MINS");
    delay(toInteger(before(rest, end)), unit);
    return after(rest, end, 2);
}

void Interpreter::delay(int n, WaitUnit unit) {
    // Each delay keeps its own deadline on the clock, so a delay in a macro
    // started during another delay neither shortens nor stretches it.
    struct Gate {
        Interpreter& in;
        explicit Gate(Interpreter& i) : in(i) {
            if (in.activeDelays_++ == 0) in.host_.pauseWatcher();
        }
        ~Gate() {
            if (--in.activeDelays_ == 0) in.host_.resumeWatcher();
        }
        Gate(const Gate&) = delete;
        Gate& operator=(const Gate&) = delete;
    } gate(*this);
    os::Pump& pump = sys_.pump;
    const os::Millis start = pump.now();
    const os::Millis length = n > 0 ? static_cast<os::Millis>(n) * unitMillis(unit) : 0;
    const os::Millis deadline = start + length;
    // Long enough for the tray tip to count down.
    struct Told {
        InterpreterHost* host;
        ~Told() {
            if (host) host->delayEnded();
        }
    } told{length >= 5000 ? &host_ : nullptr};
    if (told.host) host_.delayStarted(deadline);
    pump.processMessages();
    while (pump.now() < deadline) {
        throwIfStopped();
        pump.waitUntil(deadline);
    }
    throwIfStopped();
}

std::string_view Interpreter::repeatToken(std::string_view rest) {
    const std::size_t countEnd = argumentEnd(rest, ">", "<<REP");
    const int count = toInteger(before(rest, countEnd));
    // The body starts after the second ">" and ends at the first end token
    // written in capitals; repeats do not nest.
    const std::string_view fromBody = after(rest, countEnd, 2);
    const std::size_t end = fromBody.find("<<ENDREP>>");
    // Without an end token the rest of the script is the body, so no text
    // is lost.
    repMac(count, before(fromBody, end));
    return after(fromBody, end, 10);
}

void Interpreter::repMac(int count, std::string_view body) {
    DepthScope depth(repeatDepth_, kMaxRepeatDepth,
                     "Repeats nested too deeply (more than 64 levels); a <<REP has no <<ENDREP>>.");
    for (int i = 0; i < count; ++i) {
        // A body that sends nothing handles no messages of its own: without
        // this a long repeat would freeze the program and could not be stopped.
        sys_.pump.processMessages();
        throwIfStopped();
        sendKeys(body);
    }
}

std::string_view Interpreter::inputToken(std::string_view rest) {
    const std::size_t end = argumentEnd(rest, ">>", "<<INPUT:");
    const os::WindowHandle previous = sys_.windows.foreground();
    std::string answer = sys_.dialogs.promptValue(std::string(before(rest, end)));
    if (previous != 0) sys_.windows.setForeground(previous);
    throwIfStopped();  // closed by a stop: the answer is not taken
    state_.storedValue = std::move(answer);
    return after(rest, end, 2);
}

std::string_view Interpreter::writeValueToken(std::string_view rest) {
    // A copy: a macro run while messages are handled may change the value.
    const std::string value(firstChars(state_.storedValue, kMaxKeyString));
    {
        TokensOnlyScope literal(sender_);
        sender_.send(value);
    }
    // Handled with TokensOnly already clear, so that a macro started here
    // does not type its prefixes literally.
    sys_.pump.processMessages();
    return rest;
}

std::string_view Interpreter::runToken(std::string_view rest) {
    const std::size_t end = argumentEnd(rest, ">", "<<RUN:");
    const std::string wanted(before(rest, end));
    // The names as one reading of the file finds them.
    for (const int slot : store::MacroRepository(sys_).slotsNamed(wanted)) {
        DepthScope depth(runDepth_, kMaxRunDepth, kRunsTooDeep);
        runs_.runMacro(slot, Road::RunToken);
        // A replay started by the run is part of it: the script goes on
        // after its end, so the text that follows is not typed into it.
        // Asked of the recorder itself: a script run while this one waits
        // must not end the wait.
        while (host_.replaying()) {
            throwIfStopped();
            sys_.pump.waitUntil(sys_.pump.now() + 1000);
        }
    }
    return after(rest, end, 2);
}

std::string_view Interpreter::lookForToken(std::string_view token) {
    std::string_view rest = token.substr(10);
    const std::string separator =
        store::Store(sys_.files, sys_.storePath).readString(store::kMain, "WaitForSeparator", "~~");
    const std::size_t titleEnd = separator.empty() ? kNotFound : rest.find(separator);
    // Without the separator there is no title and no time-out to be sure
    // of: the token is not recognised, only "<<" goes and the rest is typed,
    // so the user sees it instead of losing text or waiting for a guess.
    if (titleEnd == kNotFound) return token.substr(2);
    const std::string title(rest.substr(0, titleEnd));
    rest.remove_prefix(titleEnd + separator.size());
    WaitUnit unit;
    if (startsWithToken(rest, "SECS:")) {
        unit = WaitUnit::Seconds;
    } else if (startsWithToken(rest, "MINS:")) {
        unit = WaitUnit::Minutes;
    } else {
        return rest;  // no time-out: nothing waited for, the rest is typed
    }
    rest.remove_prefix(5);
    const std::size_t end = argumentEnd(rest, ">>", "<<LOOKFOR:");
    waitForWindow(sys_, title, unit, toInteger(before(rest, end)), [this] { return stopped(); });
    throwIfStopped();
    return after(rest, end, 2);
}

std::string_view Interpreter::focusToken(std::string_view rest) {
    const std::size_t end = argumentEnd(rest, ">>", "<<FOCUS:");
    const std::string title(before(rest, rest.find('>')));
    if (const os::WindowHandle w = sys_.windows.findByExactTitle(title); w != 0)
        sys_.windows.setForeground(w);
    return after(rest, end, 2);
}

std::string_view Interpreter::executeToken(std::string_view rest) {
    const std::size_t end = argumentEnd(rest, ">>", "<<EXECUTE:");
    sys_.shell.open(std::string(before(rest, rest.find('>'))));
    return after(rest, end, 2);
}

}  // namespace kv::playback
