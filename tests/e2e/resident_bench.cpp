// Idle processor use of the resident program with 100 trigger macros and the
// default scan interval, over 30 seconds. Not part of the test run:
//   --gtest_filter='ResidentBench.*'

#include <gtest/gtest.h>

#include <cstdio>

#include "harness.hpp"

using namespace std::chrono_literals;

TEST(ResidentBench, IdleProcessorUseWithAHundredTriggers) {
    e2e::Harness h;
    std::string sections;
    for (int n = 1; n <= 100; ++n)
        sections += e2e::macroSection(n, "Watch " + std::to_string(n), 4, 0, "w.key",
                                      "Trigger=No Such Window Title " + std::to_string(n) + "\r\n");
    h.writeStore(e2e::store(100, sections));
    h.start();
    h.pumpFor(3s);
    const double cpu0 = h.processorMs();
    const ULONGLONG t0 = GetTickCount64();
    h.pumpFor(30s);
    const double cpuMs = h.processorMs() - cpu0;
    const double wallMs = static_cast<double>(GetTickCount64() - t0);
    std::printf(
        "idle with 100 trigger macros, interval 250 ms: %.0f ms of processor time (%s) in %.0f ms = %.2f %% "
        "of one core (target <= 0.2 %%)\n",
        cpuMs, h.processorSource(), wallMs, 100.0 * cpuMs / wallMs);
    EXPECT_TRUE(h.running());
    EXPECT_LE(cpuMs / wallMs, 0.002);
}
