#include "os/input_queue.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kv::os {
namespace {

using Pushed = InputQueue<int, 4>::Pushed;

// A single-threaded script: 'p' pushes the next number, 'd' drains.
struct Script {
    const char* name;
    std::string steps;
    std::vector<Pushed> pushes;  // what each push answered
    std::vector<int> drained;    // what the drains handed over, in order
    std::uint64_t dropped;
};

class InputQueueScript : public ::testing::TestWithParam<Script> {};

TEST_P(InputQueueScript, AnswersAndOrder) {
    const Script& s = GetParam();
    InputQueue<int, 4> q;
    std::vector<Pushed> pushes;
    std::vector<int> drained;
    int next = 1;
    for (char step : s.steps) {
        if (step == 'p') pushes.push_back(q.push(next++));
        if (step == 'd') q.drain([&](int v) { drained.push_back(v); });
    }
    EXPECT_EQ(pushes, s.pushes);
    EXPECT_EQ(drained, s.drained);
    EXPECT_EQ(q.dropped(), s.dropped);
}

constexpr Pushed W = Pushed::Wake, Q = Pushed::Queued, F = Pushed::Full;

INSTANTIATE_TEST_SUITE_P(Table, InputQueueScript,
                         ::testing::Values(
                             // One wake-up per batch, however many events it holds.
                             Script{"OneWakePerBatch", "ppp", {W, Q, Q}, {}, 0},
                             // After a drain the next push wakes the consumer again.
                             Script{"DrainRearms", "pdpd", {W, W}, {1, 2}, 0},
                             // A drain of nothing (a late wake-up) still re-arms.
                             Script{"EmptyDrainRearms", "ppddp", {W, Q, W}, {1, 2}, 0},
                             // A fifth push into four slots is dropped and counted; order holds.
                             Script{"FullDrops", "pppppd", {W, Q, Q, Q, F}, {1, 2, 3, 4}, 1},
                             // Slots are reused around the ring in order.
                             Script{"WrapsAround", "pppdpppd", {W, Q, Q, W, Q, Q}, {1, 2, 3, 4, 5, 6}, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// The watcher may run a message loop, which drains again from inside the
// drain; and the input thread may push while the consumer drains.
TEST(InputQueueNested, ADrainInsideADrainKeepsTheOrder) {
    InputQueue<int, 8> q;
    for (int i = 1; i <= 4; ++i) q.push(i);
    std::vector<int> seen;
    q.drain([&](int v) {
        seen.push_back(v);
        if (v == 1) q.drain([&](int w) { seen.push_back(w); });
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
}

TEST(InputQueueNested, APushDuringTheDrainIsDeliveredAndAsksForAWakeUp) {
    InputQueue<int, 4> q;
    q.push(1);
    std::vector<int> seen;
    std::vector<Pushed> answers;
    q.drain([&](int v) {
        seen.push_back(v);
        if (v == 1) answers.push_back(q.push(2));
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    // The extra wake-up finds the ring empty: harmless, where a missing one
    // would strand an item.
    EXPECT_EQ(answers, std::vector<Pushed>{W});
}

// The wake-up protocol across two threads: the consumer sleeps until woken.
// The producer pushes small bursts and waits for each to be taken, so every
// burst's end is a chance for its last item to be stranded, queued with no
// wake-up on its way.
TEST(InputQueueThreads, NoItemIsStrandedWithoutAWakeUp) {
    constexpr int kBursts = 20'000;
    using Queue = InputQueue<int, 64>;
    Queue q;
    std::mutex m;
    std::condition_variable cv;
    int wakes = 0;  // posted wake-up messages not yet handled
    bool done = false;
    std::atomic<int> taken{0};
    std::atomic<bool> stranded{false};
    std::vector<int> got;

    std::thread producer([&] {
        int pushed = 0;
        for (int b = 0; b < kBursts && !stranded; ++b) {
            for (int k = 0; k <= b % 4; ++k) {
                if (q.push(pushed++) != Queue::Pushed::Wake) continue;
                std::lock_guard lock(m);
                ++wakes;
                cv.notify_one();
            }
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (taken.load() != pushed && !stranded) {
                if (std::chrono::steady_clock::now() > deadline) stranded = true;
                std::this_thread::yield();
            }
        }
        std::lock_guard lock(m);
        done = true;
        cv.notify_one();
    });

    for (;;) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return wakes > 0 || done; });
        if (wakes == 0) break;
        --wakes;
        lock.unlock();
        q.drain([&](int v) {
            got.push_back(v);
            taken.store(static_cast<int>(got.size()));
        });
    }
    producer.join();
    ASSERT_FALSE(stranded) << got.size() << " items taken before one was stranded";
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], static_cast<int>(i));
}

struct Watch {
    const char* name;
    std::uint32_t now, lastSeen, lastInput;
    bool lost;
};

class HookWatchdog : public ::testing::TestWithParam<Watch> {};

TEST_P(HookWatchdog, Decision) {
    const Watch& w = GetParam();
    EXPECT_EQ(hookLooksLost(w.now, w.lastSeen, w.lastInput), w.lost);
}

INSTANTIATE_TEST_SUITE_P(Table, HookWatchdog,
                         ::testing::Values(Watch{"TypedAndSilentFiveSeconds", 15'000, 10'000, 12'000, true},
                                           Watch{"TypedButNotYetFiveSeconds", 14'999, 10'000, 12'000, false},
                                           // Nobody typed: a quiet hook is a quiet user.
                                           Watch{"SilentWithoutInput", 60'000, 10'000, 9'000, false},
                                           Watch{"InputSeenByTheHook", 60'000, 10'000, 10'000, false},
                                           // The tick clock wraps after 49.7 days.
                                           Watch{"AcrossTheWrap", 4'000, 0xFFFFFC18u, 1'000, true},
                                           Watch{"InputBeforeTheWrapSeen", 4'000, 1'000, 0xFFFFFF00u, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv::os
