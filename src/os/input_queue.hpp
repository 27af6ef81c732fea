#pragma once
// How input seen by the input thread reaches the user-interface thread, and
// when a low-level hook that went quiet is installed again. Portable, so that
// the ordering and the watchdog's decision are unit-tested; os/win32/input.cpp
// drives them with the system's hooks, tick clock and posted messages.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kv::os {

// A fixed ring from one producer thread to one consumer thread. The producer
// (a hook procedure, which must answer fast) neither locks nor allocates; the
// consumer is woken by one message per batch rather than one per event, so a
// stalled consumer does not fill its message queue.
template <typename T, std::size_t Capacity>
class InputQueue {
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0, "a power of two");

public:
    enum class Pushed {
        Queued,  // a wake-up is already on its way
        Wake,    // the producer must wake the consumer
        Full     // the consumer has fallen Capacity items behind: dropped
    };

    InputQueue() : slots_(std::make_unique<T[]>(Capacity)) {}
    InputQueue(const InputQueue&) = delete;
    InputQueue& operator=(const InputQueue&) = delete;

    // Producer side.
    Pushed push(const T& item) noexcept {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load() == Capacity) {
            dropped_.fetch_add(1);
            return Pushed::Full;
        }
        slots_[tail % Capacity] = item;
        tail_.store(tail + 1);
        // Sequentially consistent with the start of the consumer's drain: either this
        // sees the request cleared and wakes it, or the drain sees the item.
        return wakeRequested_.exchange(true) ? Pushed::Queued : Pushed::Wake;
    }

    // Consumer side, on every wake-up: hands every queued item to visit,
    // oldest first. The wake-up request is cleared before the first look, so
    // an item pushed once the look has found the ring empty asks for a
    // wake-up of its own. Items are taken one at a time, so a drain nested in
    // visit (a message loop run from it) keeps the order. visit must not throw.
    template <typename Visit>
    void drain(Visit&& visit) {
        wakeRequested_.store(false);
        T item;
        while (pop(item)) visit(item);
    }

    std::uint64_t dropped() const noexcept { return dropped_.load(); }
    static constexpr std::size_t capacity() { return Capacity; }

private:
    bool pop(T& out) noexcept {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load()) return false;
        out = slots_[head % Capacity];
        head_.store(head + 1);
        return true;
    }

    std::unique_ptr<T[]> slots_;
    std::atomic<std::size_t> head_{0};  // written by the consumer
    std::atomic<std::size_t> tail_{0};  // written by the producer
    std::atomic<bool> wakeRequested_{false};
    std::atomic<std::uint64_t> dropped_{0};
};

// Windows removes a low-level hook without a word when its thread once fails
// to answer in time, and nothing tells the program. The input thread answers
// at once, but a hook lost anyway (a stalled machine, a debugger) is noticed
// this way: the user has given input since the hook last saw any, and the hook
// has been silent for kHookSilenceMs. Times are on the system's 32-bit
// millisecond tick clock, which wraps after 49.7 days.
inline constexpr std::uint32_t kHookSilenceMs = 5000;

// lastSeen: the tick when the hook last ran (or was installed); lastInput:
// the tick of the user's last input as the system counts it.
inline bool hookLooksLost(std::uint32_t now, std::uint32_t lastSeen, std::uint32_t lastInput) {
    const bool inputSinceSeen = static_cast<std::int32_t>(lastInput - lastSeen) > 0;
    return inputSinceSeen && now - lastSeen >= kHookSilenceMs;
}

}  // namespace kv::os
