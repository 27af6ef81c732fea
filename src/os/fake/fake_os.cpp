#include "os/fake/fake_os.hpp"

#include <algorithm>
#include <stdexcept>

#include "core/utf8.hpp"

namespace kv::os::fake {

// ---- pump and timers ----

class FakePump::FakeTimer : public Timer {
public:
    FakeTimer(FakePump& pump, std::shared_ptr<TimerState> s) : pump_(pump), s_(std::move(s)) {}
    ~FakeTimer() override { s_->alive = false; }
    void start(unsigned periodMs) override {
        s_->period = periodMs;
        s_->running = periodMs != 0;
        s_->due = pump_.now_ + periodMs;
    }
    void stop() override { s_->running = false; }
    bool running() const override { return s_->running; }

private:
    FakePump& pump_;
    std::shared_ptr<TimerState> s_;
};

std::unique_ptr<Timer> FakePump::createTimer(std::function<void()> onTick) {
    auto s = std::make_shared<TimerState>();
    s->onTick = std::move(onTick);
    timers_.push_back(s);
    return std::make_unique<FakeTimer>(*this, s);
}

int FakePump::runningTimers() const {
    int n = 0;
    for (const auto& t : timers_) n += t->alive && t->running ? 1 : 0;
    return n;
}

void FakePump::at(Millis when, std::function<void()> action) {
    scheduled_.emplace(when, std::move(action));
}

void FakePump::post(std::function<void()> action) {
    posted_.push_back(std::move(action));
}

bool FakePump::dispatchDue() {
    bool ran = false;
    // Only what is waiting when the pass starts, as a real queue pass.
    std::deque<std::function<void()>> batch;
    batch.swap(posted_);
    while (!scheduled_.empty() && scheduled_.begin()->first <= now_) {
        batch.push_back(std::move(scheduled_.begin()->second));
        scheduled_.erase(scheduled_.begin());
    }
    std::erase_if(timers_, [](const auto& t) { return !t->alive; });
    for (auto timer : std::vector(timers_)) {
        if (timer->alive && timer->running && timer->due <= now_) {
            timer->due = now_ + timer->period;
            batch.push_back([timer] {
                if (timer->alive && timer->running) timer->onTick();
            });
        }
    }
    for (auto& action : batch) {
        ran = true;
        action();
    }
    return ran;
}

std::optional<Millis> FakePump::nextEvent() const {
    std::optional<Millis> next;
    if (!scheduled_.empty()) next = scheduled_.begin()->first;
    for (const auto& t : timers_)
        if (t->alive && t->running && (!next || t->due < *next)) next = t->due;
    return next;
}

void FakePump::processMessages() {
    ++processCalls;
    dispatchDue();
}

void FakePump::waitUntil(Millis deadline) {
    ++waitCalls;
    if (!posted_.empty()) {
        dispatchDue();
        return;
    }
    auto next = nextEvent();
    Millis target = deadline;
    if (next && *next < deadline) target = *next;
    if (target > now_) now_ = target;
    dispatchDue();
}

// ---- keyboard, US layout ----

void FakeKeyboard::typeCharacter(char32_t c) {
    appendUtf8(typed, c);
    typedChars.push_back(c);
    charEvents.push_back(events.size());
}

std::int16_t FakeKeyboard::vkKeyScan(char32_t c) {
    if (c >= 0x80) return -1;
    if (c >= 'a' && c <= 'z') return static_cast<std::int16_t>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return static_cast<std::int16_t>(0x100 | c);
    if (c >= '0' && c <= '9') return static_cast<std::int16_t>(c);
    static const std::string kShiftedDigits = ")!@#$%^&*(";
    if (auto p = kShiftedDigits.find(static_cast<char>(c)); p != std::string::npos)
        return static_cast<std::int16_t>(0x100 | ('0' + p));
    struct Oem {
        char plain, shifted;
        std::int16_t vk;
    };
    static const Oem kOem[] = {{';', ':', 0xBA},  {'=', '+', 0xBB}, {',', '<', 0xBC}, {'-', '_', 0xBD},
                               {'.', '>', 0xBE},  {'/', '?', 0xBF}, {'`', '~', 0xC0}, {'[', '{', 0xDB},
                               {'\\', '|', 0xDC}, {']', '}', 0xDD}, {'\'', '"', 0xDE}};
    for (const Oem& o : kOem) {
        if (c == static_cast<unsigned char>(o.plain)) return o.vk;
        if (c == static_cast<unsigned char>(o.shifted)) return static_cast<std::int16_t>(0x100 | o.vk);
    }
    switch (c) {
        case ' ': return 0x20;
        case '\t': return 0x09;
        case '\r': return 0x0D;
        case '\n': return 0x20D;  // Ctrl+Enter, as the US layout answers
        case '\b': return 0x08;
        case 0x1B: return 0x1B;
        default: break;
    }
    if (c >= 1 && c <= 26) return static_cast<std::int16_t>(0x200 | ('A' + c - 1));
    return -1;
}

unsigned FakeKeyboard::mapVirtualKey(unsigned vk) {
    static const std::map<unsigned, unsigned> kScan = {
        {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C}, {0x10, 0x2A}, {0x11, 0x1D}, {0x12, 0x38}, {0x14, 0x3A},
        {0x1B, 0x01}, {0x20, 0x39}, {0x21, 0x49}, {0x22, 0x51}, {0x23, 0x4F}, {0x24, 0x47}, {0x25, 0x4B},
        {0x26, 0x48}, {0x27, 0x4D}, {0x28, 0x50}, {0x2C, 0x54}, {0x2D, 0x52}, {0x2E, 0x53}, {0xBA, 0x27},
        {0xBB, 0x0D}, {0xBC, 0x33}, {0xBD, 0x0C}, {0xBE, 0x34}, {0xBF, 0x35}, {0xC0, 0x29}, {0xDB, 0x1A},
        {0xDC, 0x2B}, {0xDD, 0x1B}, {0xDE, 0x28}, {0x7A, 0x57}, {0x7B, 0x58}};
    if (auto it = kScan.find(vk); it != kScan.end()) return it->second;
    if (vk >= 0x70 && vk <= 0x79) return 0x3B + (vk - 0x70);
    if (vk >= '1' && vk <= '9') return 0x02 + (vk - '1');
    if (vk == '0') return 0x0B;
    static const std::string kRows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    static const unsigned kRowStart[] = {0x10, 0x1E, 0x2C};
    for (int r = 0; r < 3; ++r)
        if (auto p = kRows[r].find(static_cast<char>(vk)); vk < 128 && p != std::string::npos)
            return kRowStart[r] + static_cast<unsigned>(p);
    return 0;
}

void FakeKeyboard::keyEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
    events.push_back({vk, scan, flags});
    if (onKey) onKey(events.back());
}

std::string FakeKeyboard::keyName(unsigned vk) {
    if (vk == 0xBA) return ";";
    if (vk == 0x6A) return "Num *";
    return {};
}

std::string FakeKeyboard::pressedText() const {
    std::string s;
    for (const Event& e : events)
        if (!(e.flags & kKeyUp)) s += static_cast<char>(e.vk);
    return s;
}

// ---- hot keys ----

class FakeHotKeys::Registration : public HotKeyRegistration {
public:
    Registration(FakeHotKeys& owner, std::function<void()> cb) : owner_(owner), cb_(std::move(cb)) {}
    ~Registration() override { unregisterKey(); }
    bool registerKey(unsigned modifiers, unsigned vk) override {
        unregisterKey();
        std::pair key{modifiers, vk};
        if (vk == 0 || owner_.table_.count(key) || owner_.takenElsewhere.count(key)) return false;
        owner_.table_[key] = &cb_;
        key_ = key;
        return true;
    }
    void unregisterKey() override {
        if (key_) owner_.table_.erase(*key_);
        key_.reset();
    }

private:
    FakeHotKeys& owner_;
    std::function<void()> cb_;
    std::optional<std::pair<unsigned, unsigned>> key_;
};

std::unique_ptr<HotKeyRegistration> FakeHotKeys::create(std::function<void()> onPressed) {
    return std::make_unique<Registration>(*this, std::move(onPressed));
}

bool FakeHotKeys::press(unsigned modifiers, unsigned vk) {
    auto it = table_.find({modifiers, vk});
    if (it == table_.end()) return false;
    (*it->second)();
    return true;
}

// ---- windows ----

FakeWindows::Window* FakeWindows::find(WindowHandle w) {
    for (Window& x : windows_)
        if (x.handle == w) return &x;
    return nullptr;
}

void FakeWindows::enumerateTopLevel(const std::function<bool(WindowHandle)>& visit) {
    ++enumerations;
    std::vector<WindowHandle> handles;
    for (const Window& w : windows_) handles.push_back(w.handle);
    for (WindowHandle h : handles)
        if (!visit(h)) return;
}

std::string FakeWindows::title(WindowHandle w, std::size_t maxChars) {
    Window* x = find(w);
    if (!x) return {};
    return x->title.substr(0, maxChars);
}

bool FakeWindows::isVisible(WindowHandle w) {
    Window* x = find(w);
    return x && x->visible;
}

bool FakeWindows::exists(WindowHandle w) {
    return find(w) != nullptr;
}

WindowHandle FakeWindows::findByExactTitle(const std::string& t) {
    for (const Window& w : windows_) {
        std::string a = w.title, b = t;
        std::transform(a.begin(), a.end(), a.begin(), [](unsigned char c) { return std::toupper(c); });
        std::transform(b.begin(), b.end(), b.begin(), [](unsigned char c) { return std::toupper(c); });
        if (a == b) return w.handle;
    }
    return 0;
}

void FakeWindows::setForeground(WindowHandle w) {
    foregroundRequests.push_back(w);
    if (find(w)) foreground_ = w;
}

WindowHandle FakeWindows::open(const std::string& t, bool visible) {
    next_ += 4;
    windows_.insert(windows_.begin(), Window{next_, t, visible});
    return next_;
}

void FakeWindows::close(WindowHandle w) {
    std::erase_if(windows_, [w](const Window& x) { return x.handle == w; });
    if (foreground_ == w) foreground_ = 0;
}

void FakeWindows::setVisible(WindowHandle w, bool visible) {
    if (Window* x = find(w)) x->visible = visible;
}

// ---- files ----

namespace {

std::string directoryOf(const std::string& path) {
    auto p = path.find_last_of("\\/");
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

}  // namespace

std::unique_ptr<FileLock> FakeFiles::lock(const std::string& path) {
    if (lockedElsewhere.count(path)) return nullptr;
    struct Held : FileLock {
        std::map<std::string, Hold>& holds;
        std::string path;
        Held(std::map<std::string, Hold>& h, std::string p) : holds(h), path(std::move(p)) {}
        ~Held() override {
            if (--holds[path].depth == 0) holds.erase(path);
        }
    };
    Hold& h = holds_[path];
    if (h.depth++ == 0) h.number = ++lastHold_;
    return std::make_unique<Held>(holds_, path);
}

std::optional<std::string> FakeFiles::read(const std::string& path) {
    ++reads;
    const auto h = holds_.find(path);
    readUnderHold[path] = h != holds_.end() ? h->second.number : 0;
    if (unreadable.count(path)) return std::nullopt;
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
}

bool FakeFiles::write(const std::string& path, std::string_view bytes) {
    if (readOnly.count(path)) return false;
    if (!files.count(path) && noNewFilesIn.count(directoryOf(path))) return false;
    if (readOnlyDirectories.count(directoryOf(path))) return false;
    ++writes;
    files[path] = std::string(bytes);
    return true;
}

bool FakeFiles::replace(const std::string& from, const std::string& to) {
    if (failReplace || readOnly.count(to) || !files.count(from)) return false;
    if (readOnlyDirectories.count(directoryOf(from)) || readOnlyDirectories.count(directoryOf(to)))
        return false;
    files[to] = files[from];
    files.erase(from);
    const auto h = holds_.find(to);
    replacedUnderHold[to] = h != holds_.end() ? h->second.number : 0;
    return true;
}

bool FakeFiles::remove(const std::string& path) {
    return !readOnlyDirectories.count(directoryOf(path)) && files.erase(path) != 0;
}

// ---- dialogs and locale ----

std::string FakeDialogs::promptValue(const std::string& prompt) {
    prompts.push_back(prompt);
    if (whilePromptOpen) whilePromptOpen();
    if (answers.empty()) return {};
    std::string a = answers.front();
    answers.pop_front();
    return a;
}

std::string FakeLocale::formatNow(DateTimeFormat f) {
    switch (f) {
        case DateTimeFormat::ShortDate: return shortDate;
        case DateTimeFormat::LongDate: return longDate;
        case DateTimeFormat::ShortTime: return shortTime;
        case DateTimeFormat::LongTime: return longTime;
    }
    return {};
}

}  // namespace kv::os::fake
