#include "triggers/watcher.hpp"

#include <charconv>
#include <memory>
#include <optional>
#include <unordered_map>

#include "playback/window_search.hpp"
#include "store/macro_repository.hpp"
#include "store/store.hpp"

namespace kv::triggers {

namespace {

std::optional<os::WindowHandle> parseHandle(std::string_view part) {
    os::WindowHandle v = 0;
    if (part.empty()) return std::nullopt;
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), v);
    if (ec != std::errc() || end != part.data() + part.size()) return std::nullopt;
    return v;
}

template <typename F>
void forEachPart(std::string_view list, F f) {
    if (list.empty()) return;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t comma = list.find(',', pos);
        f(list.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
        if (comma == std::string_view::npos) return;
        pos = comma + 1;
    }
}

}  // namespace

bool handleListContains(std::string_view list, os::WindowHandle handle) {
    bool found = false;
    forEachPart(list, [&](std::string_view part) {
        if (auto h = parseHandle(part); h && *h == handle) found = true;
    });
    return found;
}

std::string recordHandle(std::string_view list, os::WindowHandle handle,
                         const std::function<bool(os::WindowHandle)>& exists) {
    std::string out = std::to_string(handle);
    forEachPart(list, [&](std::string_view part) {
        auto h = parseHandle(part);
        if (h && *h != handle && exists(*h)) {
            out += ',';
            out += part;
        }
    });
    return out;
}

Watcher::Watcher(os::System& sys, RunRequests& runs, os::Instances* instances)
    : sys_(sys), runs_(runs), instances_(instances), readings_(sys.pump) {}

void Watcher::setUp(bool shortcutStart, const store::StoreSnapshot* heldReading) {
    shortcutStart_ = shortcutStart;
    bool clearRecords = !shortcutStart;
    if (!shortcutStart && instances_) {
        // Taken at once, so that a start while no other instance runs is the
        // watching instance before any later start can ask for the role.
        instances_->claimWatcher();
        clearRecords = !instances_->othersRunningAtStart();
    }
    store::MacroRepository macros(sys_);
    interval_ = 250;
    std::exception_ptr failure;
    try {
        // One reading and at most one replacement of the file, which no
        // other copy's write falls between.
        std::unique_ptr<os::FileLock> held;
        std::optional<store::StoreSnapshot> own;
        if (!heldReading) {
            held = macros.store().hold();
            own.emplace(macros.store());
        }
        const store::StoreSnapshot& read = heldReading ? *heldReading : *own;
        const std::int32_t interval = read.readInt(store::kMain, "SearchInterval", 250);
        interval_ = interval > 0 ? static_cast<unsigned>(interval) : 0;
        if (clearRecords) macros.forgetFiredWindows(read);
    } catch (...) {
        failure = std::current_exception();
    }
    timer_ = sys_.pump.createTimer([this] { tick(); });
    timer_->start(interval_);
    if (failure) report(failure);
}

bool Watcher::mayScan() {
    if (shortcutStart_) return false;
    return !instances_ || instances_->claimWatcher();
}

void Watcher::tick() {
    if (errorShown_ || paused_ || !mayScan()) return;
    std::exception_ptr failure;
    try {
        scan();
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) report(failure);
}

void Watcher::report(std::exception_ptr error) {
    // The error box pumps messages: without this, every tick meanwhile would
    // open another box inside it.
    struct Shown {
        bool& flag;
        ~Shown() { flag = false; }
    } shown{errorShown_};
    errorShown_ = true;
    sys_.guard.run([&] { std::rethrow_exception(error); });
}

void Watcher::pause() {
    if (timer_) timer_->stop();
}

void Watcher::resume() {
    if (timer_) timer_->start(interval_);
}

struct Watcher::Triggers {
    // Kept, so that the reading it was made from stays the one compared with.
    std::unique_ptr<const store::StoreSnapshot> read;
    // The slots with a trigger, in slot order.
    std::vector<int> slots;
    // Each trigger's index into the distinct normalised titles.
    std::vector<std::size_t> titleOf;
    std::unordered_map<std::string, std::size_t> titles;
};

void Watcher::scan() {
    store::MacroRepository macros(sys_);
    try {
        // The store's reading is shared while the file stays the same: the
        // triggers read from it last time still hold.
        auto read = std::make_unique<const store::StoreSnapshot>(macros.store(), readings_);
        if (!triggers_ || &triggers_->read->index() != &read->index()) {
            auto t = std::make_shared<Triggers>();
            for (store::Macro& m :
                 store::MacroRepository::all(*read, store::kTriggerField | store::kEnabledField)) {
                if (m.trigger.empty() || !m.enabled) continue;
                t->slots.push_back(m.slot);
                t->titleOf.push_back(
                    t->titles.try_emplace(playback::normaliseTitle(m.trigger), t->titles.size())
                        .first->second);
            }
            t->read = std::move(read);
            triggers_ = std::move(t);
        }
    } catch (const store::UnreadableStore&) {
        return;  // held by another program for a moment: the next tick sees the windows
    }
    if (triggers_->slots.empty()) return;
    const std::shared_ptr<const Triggers> triggers = triggers_;

    // One enumeration serves every trigger until a macro runs, which may
    // open or close windows; the next trigger then sees a fresh list. Each
    // window's title is looked up once among the triggers' titles; the first
    // window of each title in enumeration order is the one a search for that
    // title finds.
    std::vector<os::WindowHandle> firstOfTitle;
    const auto enumerate = [&] {
        firstOfTitle.assign(triggers->titles.size(), 0);
        for (const playback::TitledWindow& w : playback::listWindows(sys_.windows)) {
            const auto it = triggers->titles.find(w.title);
            if (it != triggers->titles.end() && firstOfTitle[it->second] == 0)
                firstOfTitle[it->second] = w.handle;
        }
    };
    enumerate();
    sys_.pump.processMessages();
    for (std::size_t i = 0; i < triggers->slots.size(); ++i) {
        const int slot = triggers->slots[i];
        const os::WindowHandle found = firstOfTitle[triggers->titleOf[i]];
        if (found == 0) continue;
        // Read afresh: a scan nested in a running macro may have recorded it.
        const std::string list = macros.firedWindows(slot);
        if (handleListContains(list, found) || !sys_.windows.isVisible(found)) continue;
        macros.setFiredWindows(
            slot, recordHandle(list, found, [this](os::WindowHandle h) { return sys_.windows.exists(h); }));
        runs_.runMacro(slot, Road::TriggerWindow);
        enumerate();
    }
}

}  // namespace kv::triggers
