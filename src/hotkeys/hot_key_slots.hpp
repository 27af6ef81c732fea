#pragma once
// Live hot-key registrations: the hot-key component (one independent system
// registration each) and the table of slot components 0..100 that is
// rebuilt whole from the store. The hot-key value itself (its code and text)
// is the store's (store/shortcut.hpp).

#include <array>
#include <functional>
#include <memory>

#include "os/os.hpp"
#include "store/shortcut.hpp"
#include "store/store.hpp"

namespace kv::hotkeys {

using store::ShortCut;

class HotKeyComponent {
public:
    // Receives the component, the key code and the modifier bits of its value.
    using Handler = std::function<void(HotKeyComponent&, unsigned key, ShortCut shift)>;

    explicit HotKeyComponent(os::HotKeys& hotKeys, Handler onHotKey = {});
    ~HotKeyComponent();
    HotKeyComponent(const HotKeyComponent&) = delete;
    HotKeyComponent& operator=(const HotKeyComponent&) = delete;

    ShortCut hotKey() const { return hotKey_; }
    void setHotKey(ShortCut value);
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool global() const { return global_; }
    void setGlobal(bool global) { global_ = global; }
    // Whether the system accepted the current registration.
    bool registered() const { return registered_; }

private:
    void notified();
    void registerCurrent();
    void release();

    os::HotKeys& hotKeys_;
    std::unique_ptr<os::HotKeyRegistration> registration_;
    Handler onHotKey_;
    ShortCut hotKey_ = 0;
    bool enabled_ = true;
    bool global_ = true;
    bool registered_ = false;
};

inline constexpr int kHotKeySlots = 100;

class HotKeySlotTable {
public:
    // onSlot receives the slot 1..100 of the component that fired.
    HotKeySlotTable(os::HotKeys& hotKeys, std::function<void(int slot)> onSlot);

    // Clears every slot, then, when Entries is at least 1, registers slots
    // 1..100 in ascending order from their sections whatever Entries is, and
    // calls afterLoad (the list refill).
    void loadHotKeys(const store::Store& store, const std::function<void()>& afterLoad = {});

    HotKeyComponent& component(int index) { return *components_[static_cast<std::size_t>(index)]; }

    // Whether the slot (1..100) holds a hot key that the system refused at
    // the last load: taken by another program or by a lower slot. False for
    // slots outside the table.
    bool refused(int slot) const;

private:
    std::array<std::unique_ptr<HotKeyComponent>, kHotKeySlots + 1> components_;
};

}  // namespace kv::hotkeys
