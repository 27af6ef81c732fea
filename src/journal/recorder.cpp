#include "journal/recorder.hpp"

#include <algorithm>

#include "core/device_names.hpp"
#include "core/error.hpp"

namespace kv::journal {

namespace {

constexpr std::uint16_t kVkShift = 0x10, kVkControl = 0x11, kVkMenu = 0x12;
constexpr std::uint16_t kVkLShift = 0xA0, kVkRShift = 0xA1, kVkLControl = 0xA2, kVkRControl = 0xA3;
constexpr std::uint16_t kVkLMenu = 0xA4, kVkRMenu = 0xA5;
constexpr std::uint16_t kVkEscape = 0x1B, kVkF12 = 0x7B;
// A watcher time that runs backwards (clock wrap, odd sources) counts as no gap.
constexpr std::uint32_t kLargestGap = 0x7FFFFFFF;

bool isShift(std::uint16_t vk) {
    return vk == kVkShift || vk == kVkLShift || vk == kVkRShift;
}
bool isControl(std::uint16_t vk) {
    return vk == kVkControl || vk == kVkLControl || vk == kVkRControl;
}
bool isAlt(std::uint16_t vk) {
    return vk == kVkMenu || vk == kVkLMenu || vk == kVkRMenu;
}
bool isKeyUp(const os::InputEvent& e) {
    return (e.keyFlags & os::kKeyUp) != 0;
}

template <class Pred>
bool anyDown(const std::set<std::uint16_t>& down, Pred pred) {
    return std::any_of(down.begin(), down.end(), pred);
}

// Each press bit's release bit is the next bit up.
constexpr std::uint32_t kButtonPresses[] = {kMouseLeftDown, kMouseRightDown, kMouseMiddleDown};

}  // namespace

Recorder::Recorder(os::Pump& pump, os::Input& input, os::Files& files, os::Dialogs* dialogs)
    : pump_(pump),
      input_(input),
      files_(files),
      dialogs_(dialogs),
      timer_(pump.createTimer([this] { tick(); })) {}

Recorder::~Recorder() {
    timer_->stop();
    if (replay_) releaseHeld();
    if (watching_) input_.stopWatching();
}

// ---- watching ----

void Recorder::updateWatching() {
    const bool want = recording_ || replay_.has_value() || escapeWatchers_ > 0;
    // A replay needs only the keyboard, for Esc.
    const bool keyboardOnly = recording_ ? recordingKeyStrokesOnly_ : true;
    if (want && (!watching_ || keyboardOnly != watchingKeyboardOnly_)) {
        // A refusal leaves recording empty and replays uncancellable, but they still run.
        input_.startWatching([this](const os::InputEvent& e) { onInput(e); }, keyboardOnly);
        watching_ = true;
        watchingKeyboardOnly_ = keyboardOnly;
    } else if (!want && watching_) {
        input_.stopWatching();
        watching_ = false;
    }
}

void Recorder::onInput(const os::InputEvent& e) {
    if (recording_) recordEvent(e);
    if ((replay_ || escapeWatchers_ > 0) && e.kind == os::InputEvent::Kind::Key && e.vk == kVkEscape &&
        !isKeyUp(e)) {
        cancelAll();
        escapePressed();
    }
}

void Recorder::cancelAll() {
    // Possibly called from inside the input watcher: end the replays from
    // the next tick rather than inject and notify here.
    dropped_ += queue_.size();
    queue_.clear();
    if (replay_) replay_->cancelRequested = true;
    if (replay_ || dropped_ > 0) timer_->start(1);
}

void Recorder::watchEscape(bool on) {
    escapeWatchers_ = std::max(0, escapeWatchers_ + (on ? 1 : -1));
    updateWatching();
}

void Recorder::reportDropped() {
    while (dropped_ > 0) {
        --dropped_;
        replayFinished(true);
    }
}

// ---- recording ----

void Recorder::record(const std::string& path, Capture capture) {
    recording_ = true;
    recordingKeyStrokesOnly_ = capture == Capture::KeysOnly;
    recordingPath_ = path;
    recorded_.clear();
    keysDown_.clear();
    suppressed_.clear();
    updateWatching();
}

void Recorder::recordEvent(const os::InputEvent& event) {
    os::InputEvent e = event;
    if (e.kind == os::InputEvent::Kind::Mouse) {
        // A pointer beyond the virtual screen's edge is recorded at the edge.
        e.x = std::clamp<std::int32_t>(e.x, 0, 65535);
        e.y = std::clamp<std::int32_t>(e.y, 0, 65535);
        if (recordable(e, recordingKeyStrokesOnly_)) recorded_.push_back(e);
        return;
    }
    // Keys without a virtual key of their own (0, 0xFF) cannot be replayed.
    if (!recordable(e, recordingKeyStrokesOnly_)) return;
    const bool up = isKeyUp(e);
    if (suppressed_.count(e.vk)) {
        if (up) {
            suppressed_.erase(e.vk);
            keysDown_.erase(e.vk);
        }
        return;
    }
    if (!up && e.vk == kVkF12 && anyDown(keysDown_, isShift) && anyDown(keysDown_, isControl) &&
        !anyDown(keysDown_, isAlt)) {
        // The stop key Shift+Ctrl+F12: drop it, and the Shift and Ctrl presses
        // made just for it, so the file ends as the user's own input did.
        suppressed_.insert(e.vk);
        for (auto i = recorded_.size(); i-- > 0;) {
            const os::InputEvent& r = recorded_[i];
            if (r.kind == os::InputEvent::Kind::Mouse && r.mouseFlags == 0) continue;  // a move
            if (r.kind != os::InputEvent::Kind::Key || isKeyUp(r) || !(isShift(r.vk) || isControl(r.vk)) ||
                !keysDown_.count(r.vk))
                break;
            suppressed_.insert(r.vk);
            recorded_.erase(recorded_.begin() + static_cast<std::ptrdiff_t>(i));
        }
        return;
    }
    if (up) {
        // The release of a key pressed before recording began belongs to
        // whatever started the recording.
        if (!keysDown_.erase(e.vk)) return;
    } else {
        keysDown_.insert(e.vk);
    }
    recorded_.push_back(e);
}

void Recorder::stop() {
    if (!recording_) return;
    recording_ = false;
    updateWatching();

    Recording r;
    r.keyStrokesOnly = recordingKeyStrokesOnly_;
    r.events = std::move(recorded_);
    recorded_.clear();
    std::uint32_t previous = r.events.empty() ? 0 : r.events.front().time;
    for (os::InputEvent& e : r.events) {
        const std::uint32_t gap = e.time - previous;  // wraps correctly across the 49-day roll-over
        previous = e.time;
        e.time = gap > kLargestGap ? 0 : gap;
    }
    // Written beside the target and renamed over it, so the file is never half written.
    const std::string temp = recordingPath_ + ".tmp";
    if (!files_.write(temp, encodeRecording(r)) || !files_.replace(temp, recordingPath_)) {
        files_.remove(temp);
        throw Error("Unable to save the recording to " + recordingPath_);
    }
}

// ---- replay ----

void Recorder::playBack(const std::string& path, Pace pace) {
    queue_.push_back({path, pace == Pace::High});
    if (!replay_ && !starting_) startQueued();
}

void Recorder::startQueued() {
    // The listener told of a file that cannot be read may call playBack again; the
    // flag keeps this one loop in charge of the queue.
    starting_ = true;
    while (!replay_ && !queue_.empty()) {
        Request request = std::move(queue_.front());
        queue_.pop_front();
        // A hand-edited file name such as COM1 would open the device, whose read can block.
        const auto bytes = pathNamesDevice(request.path) ? std::nullopt : files_.read(request.path);
        auto recording = bytes ? decodeRecording(*bytes) : std::nullopt;
        if (!recording) {
            // Said before the end is reported: a /Close start ends at the end.
            if (dialogs_)
                dialogs_->errorBox(bytes ? request.path + " is not a recording Keyvale can play"
                                         : "Cannot open file " + request.path);
            replayFinished(false);
            continue;
        }
        replay_.emplace();
        replay_->events = std::move(recording->events);
        replay_->hiSpeed = request.hiSpeed;
        updateWatching();
        timer_->start(1);
    }
    starting_ = false;
}

void Recorder::inject(os::InputEvent e) {
    e.time = 0;  // a gap, not a time stamp; the system stamps the event itself
    Replay& r = *replay_;
    if (e.kind == os::InputEvent::Kind::Key) {
        auto same = [&](const os::InputEvent& h) { return h.vk == e.vk; };
        std::erase_if(r.heldKeys, same);
        if (!isKeyUp(e)) r.heldKeys.push_back(e);
    } else {
        r.lastX = e.x;
        r.lastY = e.y;
        for (std::uint32_t press : kButtonPresses) {
            if (e.mouseFlags & press) r.heldButtons |= press;
            if (e.mouseFlags & (press << 1)) r.heldButtons &= ~press;
        }
    }
    input_.inject(e);
}

void Recorder::releaseHeld() {
    Replay& r = *replay_;
    // Latest first, so modifiers pressed before a key come up after it.
    for (auto it = r.heldKeys.rbegin(); it != r.heldKeys.rend(); ++it) {
        os::InputEvent up = *it;
        up.keyFlags |= os::kKeyUp;
        up.time = 0;
        input_.inject(up);
    }
    r.heldKeys.clear();
    for (std::uint32_t press : kButtonPresses) {
        if (!(r.heldButtons & press)) continue;
        os::InputEvent up;
        up.kind = os::InputEvent::Kind::Mouse;
        up.x = r.lastX;
        up.y = r.lastY;
        up.mouseFlags = press << 1;
        input_.inject(up);
    }
    r.heldButtons = 0;
}

void Recorder::tick() {
    if (!replay_) {
        timer_->stop();
        reportDropped();
        return;
    }
    Replay& r = *replay_;
    const os::Millis now = pump_.now();
    if (!r.start) {
        r.start = now;
        if (!r.events.empty()) r.nextDue = r.events.front().time;
    }
    std::size_t sent = 0;
    // The user's Esc reaches the watcher as a message: a replay that has
    // fallen behind (injection is slower than the recorded pace) goes back to
    // the message loop after kTickBudgetMs instead of catching up in one go.
    while (r.next < r.events.size() && !r.cancelRequested) {
        if (r.hiSpeed ? sent == kHighSpeedBatch : *r.start + r.nextDue > now) break;
        if (sent > 0 && pump_.now() - now >= kTickBudgetMs) break;
        inject(r.events[r.next]);
        ++sent;
        if (++r.next < r.events.size()) r.nextDue += r.events[r.next].time;
    }
    if (r.cancelRequested || r.next == r.events.size()) {
        finish(r.cancelRequested);
        return;
    }
    // Due times count from the start, so late ticks do not add up to drift. A
    // replay behind its pace (slow injections, the tick's budget spent) goes
    // on at the next tick.
    const os::Millis due = *r.start + r.nextDue, later = pump_.now();
    const os::Millis wait = due > later ? std::min<os::Millis>(due - later, kLargestGap) : 1;
    timer_->start(r.hiSpeed ? kHighSpeedTickMs : static_cast<unsigned>(wait));
}

void Recorder::finish(bool userCancel) {
    timer_->stop();
    releaseHeld();
    replay_.reset();
    updateWatching();
    replayFinished(userCancel);
    reportDropped();
    if (!replay_ && !starting_) startQueued();
}

}  // namespace kv::journal
