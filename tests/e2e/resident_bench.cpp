// Idle processor use of the resident program with 100 trigger macros and the
// default scan interval, over 30 seconds. Not part of the test run:
//   --gtest_filter='ResidentBench.*'

#include <gtest/gtest.h>

#include <cstdio>

#include "harness.hpp"

using namespace std::chrono_literals;

namespace {

ULONGLONG cpuTime100ns(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    auto v = [](FILETIME f) { return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return v(kernel) + v(user);
}

}  // namespace

TEST(ResidentBench, IdleProcessorUseWithAHundredTriggers) {
    e2e::Harness h;
    std::string sections;
    for (int n = 1; n <= 100; ++n)
        sections += e2e::macroSection(n, "Watch " + std::to_string(n), 4, 0, "w.key",
                                      "Trigger=No Such Window Title " + std::to_string(n) + "\r\n");
    h.writeStore(e2e::store(100, sections));
    h.start();
    h.pumpFor(3s);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, h.processId());
    ASSERT_NE(process, nullptr);
    const ULONGLONG cpu0 = cpuTime100ns(process);
    const ULONGLONG t0 = GetTickCount64();
    h.pumpFor(30s);
    const double cpuMs = static_cast<double>(cpuTime100ns(process) - cpu0) / 10000.0;
    const double wallMs = static_cast<double>(GetTickCount64() - t0);
    CloseHandle(process);
    std::printf(
        "idle with 100 trigger macros, interval 250 ms: %.0f ms of processor time in %.0f ms = %.2f %% of "
        "one core (target <= 1 %%)\n",
        cpuMs, wallMs, 100.0 * cpuMs / wallMs);
    EXPECT_TRUE(h.running());
    EXPECT_LE(cpuMs / wallMs, 0.01);
}
