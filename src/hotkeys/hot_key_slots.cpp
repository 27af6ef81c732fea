#include "hotkeys/hot_key_slots.hpp"

#include "store/macro_repository.hpp"

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

HotKeySlotTable::HotKeySlotTable(os::HotKeys& hotKeys, RunRequests& runs) : runs_(runs) {
    HotKeyListener* listener = this;
    for (auto& c : components_) c = std::make_unique<HotKeyComponent>(hotKeys, listener);
}

void HotKeySlotTable::hotKeyPressed(HotKeyComponent& fired, unsigned, ShortCut) {
    // Component 0 holds no slot and runs nothing.
    for (int slot = 1; slot <= kHotKeySlots; ++slot)
        if (&component(slot) == &fired) {
            runs_.runMacro(slot, Road::HotKey);
            return;
        }
}

bool HotKeySlotTable::refused(int slot) const {
    if (slot < 1 || slot > kHotKeySlots) return false;
    const HotKeyComponent& c = *components_[static_cast<std::size_t>(slot)];
    return c.hotKey() != 0 && c.enabled() && !c.registered();
}

void HotKeySlotTable::loadHotKeys(const Store& store, const std::function<void()>& afterLoad) {
    const StoreSnapshot snapshot(store);
    const int entries = readEntries(snapshot);
    for (int k = 1; k <= kHotKeySlots; ++k) component(k).setHotKey(0);
    if (entries < 1) return;
    for (int k = 1; k <= kHotKeySlots; ++k) {
        component(k).setHotKey(MacroRepository::read(snapshot, k, kHotKeyField).hotKey);
    }
    if (afterLoad) afterLoad();
}

}  // namespace kv::hotkeys
