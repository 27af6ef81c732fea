#include "hotkeys/hot_key_slots.hpp"

#include "store/macro_repository.hpp"
#include "store/scope.hpp"

namespace kv::hotkeys {

using namespace store;

HotKeyComponent::HotKeyComponent(os::HotKeys& hotKeys, HotKeyListener* listener)
    : hotKeys_(hotKeys), listener_(listener) {
    registration_ = hotKeys_.create([this] { notified(); });
}

HotKeyComponent::~HotKeyComponent() {
    if (hotKey_ != 0) setHotKey(0);
}

void HotKeyComponent::registerCurrent() {
    registered_ = registration_->registerKey(hotKeyModifiers(hotKey_), hotKey_ & kShortCutKeyMask);
}

void HotKeyComponent::release() {
    registration_->unregisterKey();
    registered_ = false;
}

void HotKeyComponent::setHotKey(ShortCut value) {
    if (value == hotKey_) return;
    if (enabled_ && hotKey_ != 0) release();
    hotKey_ = value;
    if (enabled_ && value != 0) registerCurrent();
}

void HotKeyComponent::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (hotKey_ == 0) return;
    if (enabled)
        registerCurrent();
    else
        release();
}

void HotKeyComponent::notified() {
    if (!listener_) return;
    if (!global_ && !hotKeys_.applicationActive()) return;
    listener_->hotKeyPressed(
        *this, hotKey_ & kShortCutKeyMask,
        static_cast<ShortCut>(hotKey_ & (kShortCutShift | kShortCutCtrl | kShortCutAlt)));
}

HotKeySlotTable::HotKeySlotTable(os::System& sys, RunRequests& runs) : sys_(sys), runs_(runs) {
    HotKeyListener* listener = this;
    for (auto& c : components_) c = std::make_unique<HotKeyComponent>(sys.hotKeys, listener);
}

void HotKeySlotTable::hotKeyPressed(HotKeyComponent& fired, unsigned, ShortCut) {
    // Component 0 holds no slot and runs nothing.
    int owner = 0;
    for (int slot = 1; slot <= kHotKeySlots && owner == 0; ++slot)
        if (&component(slot) == &fired) owner = slot;
    if (owner == 0) return;
    // Judged once, as the key is pressed: the macro may change the foreground.
    const os::WindowHandle front = sys_.windows.foreground();
    std::optional<Place> place;
    for (int slot = owner; slot <= kHotKeySlots; ++slot) {
        if (slot != owner && sharedWith_[static_cast<std::size_t>(slot)] != owner) continue;
        const Macro& m = scopes_[static_cast<std::size_t>(slot)];
        if (scoped(m)) {
            if (!place) place = Place{sys_.windows.programName(front), sys_.windows.title(front, 1023)};
            if (!runsAt(m, *place, sys_.files)) continue;
        }
        runs_.runMacro(slot, Road::HotKey);
        return;
    }
    giveBack(fired);
}

namespace {

// Keys whose scan code needs the extended flag to be the key it names.
bool extendedKey(unsigned vk) {
    switch (vk) {
        case 0x21:
        case 0x22:
        case 0x23:
        case 0x24:  // Page Up, Page Down, End, Home
        case 0x25:
        case 0x26:
        case 0x27:
        case 0x28:  // arrows
        case 0x2C:
        case 0x2D:
        case 0x2E:  // Print Screen, Insert, Delete
        case 0x6F:
        case 0x90:  // numeric /, Num Lock
        case 0x5B:
        case 0x5C:
        case 0x5D:  // Windows keys, Applications
            return true;
        default: return false;
    }
}

}  // namespace

void HotKeySlotTable::giveBack(HotKeyComponent& c) {
    // The modifiers the user holds stay down; the key itself is pressed
    // again, with the mark that tells our own hooks it is ours, while no
    // registration takes it.
    const unsigned vk = c.hotKey() & kShortCutKeyMask;
    const auto scan = static_cast<std::uint8_t>(sys_.keyboard.mapVirtualKey(vk));
    const std::uint32_t flags = extendedKey(vk) ? os::kKeyExtended : 0;
    c.setEnabled(false);
    sys_.keyboard.keyEvent(static_cast<std::uint8_t>(vk), scan, flags);
    sys_.keyboard.keyEvent(static_cast<std::uint8_t>(vk), scan, flags | os::kKeyUp);
    c.setEnabled(true);
}

bool HotKeySlotTable::refused(int slot) const {
    if (slot < 1 || slot > kHotKeySlots) return false;
    const HotKeyComponent& c = *components_[static_cast<std::size_t>(slot)];
    return c.hotKey() != 0 && c.enabled() && !c.registered();
}

void HotKeySlotTable::setPaused(bool paused) {
    for (int k = 1; k <= kHotKeySlots; ++k) component(k).setEnabled(!paused);
}

void HotKeySlotTable::loadHotKeys(const Store& store, const std::function<void()>& afterLoad) {
    loadHotKeys(StoreSnapshot(store), afterLoad);
}

void HotKeySlotTable::loadHotKeys(const StoreSnapshot& snapshot, const std::function<void()>& afterLoad) {
    const int entries = readEntries(snapshot);
    for (int k = 1; k <= kHotKeySlots; ++k) component(k).setHotKey(0);
    sharedWith_.fill(0);
    if (entries < 1) return;
    for (int k = 1; k <= kHotKeySlots; ++k) {
        const auto at = static_cast<std::size_t>(k);
        scopes_[at] =
            MacroRepository::read(snapshot, k, kHotKeyField | kEnabledField | kOnlyInField | kNotInField);
        const Macro& m = scopes_[at];
        if (!m.enabled || m.hotKey == 0) continue;
        // Scoped macros may share a hot key: the lowest whose scope matches runs.
        if (scoped(m))
            for (int j = 1; j < k && sharedWith_[at] == 0; ++j) {
                const Macro& lower = scopes_[static_cast<std::size_t>(j)];
                if (sharedWith_[static_cast<std::size_t>(j)] == 0 && lower.enabled &&
                    lower.hotKey == m.hotKey && scoped(lower) && component(j).hotKey() == m.hotKey)
                    sharedWith_[at] = j;
            }
        if (sharedWith_[at] == 0) component(k).setHotKey(m.hotKey);
    }
    if (afterLoad) afterLoad();
}

}  // namespace kv::hotkeys
