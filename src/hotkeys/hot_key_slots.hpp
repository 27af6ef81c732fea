#pragma once
// Live hot-key registrations: the hot-key component (one independent system
// registration each) and the table of slot components 0..100 that is
// rebuilt whole from the store. The hot-key value itself (its code and text)
// is the store's (store/shortcut.hpp).

#include <array>
#include <functional>
#include <memory>

#include "core/run_requests.hpp"
#include "os/os.hpp"
#include "store/macro.hpp"
#include "store/shortcut.hpp"
#include "store/store.hpp"

namespace kv::hotkeys {

using store::ShortCut;

class HotKeyComponent;

// Told when a component's hot key fires.
class HotKeyListener {
public:
    virtual ~HotKeyListener() = default;
    // Receives the component, the key code and the modifier bits of its value.
    virtual void hotKeyPressed(HotKeyComponent& component, unsigned key, ShortCut shift) = 0;
};

class HotKeyComponent {
public:
    // listener: told of every press (null: nobody).
    explicit HotKeyComponent(os::HotKeys& hotKeys, HotKeyListener* listener = nullptr);
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
    HotKeyListener* listener_;
    ShortCut hotKey_ = 0;
    bool enabled_ = true;
    bool global_ = true;
    bool registered_ = false;
};

inline constexpr int kHotKeySlots = 100;

class HotKeySlotTable : private HotKeyListener {
public:
    // runs is asked to run the slot 1..100 of the component that fired,
    // when the foreground window is where the macro runs.
    HotKeySlotTable(os::System& sys, RunRequests& runs);

    // Clears every slot, then, when Entries is at least 1, registers slots
    // 1..100 in ascending order from their sections whatever Entries is, and
    // calls afterLoad (the list refill). A switched-off macro registers
    // nothing; a scoped macro whose hot key a lower scoped slot holds shares
    // that registration.
    void loadHotKeys(const store::Store& store, const std::function<void()>& afterLoad = {});
    // The same from a reading that other loads share.
    void loadHotKeys(const store::StoreSnapshot& snapshot, const std::function<void()>& afterLoad = {});

    // While paused no slot holds its hot key: other programs get the keys.
    void setPaused(bool paused);

    HotKeyComponent& component(int index) { return *components_[static_cast<std::size_t>(index)]; }

    // Whether the slot (1..100) holds a hot key that the system refused at
    // the last load: taken by another program or by a lower slot. False for
    // slots outside the table.
    bool refused(int slot) const;

private:
    void hotKeyPressed(HotKeyComponent& component, unsigned key, ShortCut shift) override;
    // The key reaches the foreground program as if no slot held it.
    void giveBack(HotKeyComponent& component);

    os::System& sys_;
    RunRequests& runs_;
    std::array<std::unique_ptr<HotKeyComponent>, kHotKeySlots + 1> components_;
    // Per slot: its scope, and the lower slot whose registration it shares
    // (0: its own).
    std::array<store::Macro, kHotKeySlots + 1> scopes_;
    std::array<int, kHotKeySlots + 1> sharedWith_{};
};

}  // namespace kv::hotkeys
