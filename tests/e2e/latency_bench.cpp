// Where the user waits, from the moment the system sees the cause to the
// first key of the macro seen by the hook: a hot key released, a trigger
// window shown, a shortcut's start. Each against a baseline measured in the
// same run. Not part of the test run: --gtest_filter='LatencyBench.*'
// (KV_BENCH_SAMPLES sets the samples per figure, 200 by default).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "harness.hpp"

using namespace std::chrono_literals;

namespace {

int samples() {
    const char* v = std::getenv("KV_BENCH_SAMPLES");
    const int n = v ? std::atoi(v) : 0;
    return n > 0 ? n : 200;
}

LONGLONG counter() {
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return c.QuadPart;
}

double msBetween(LONGLONG from, LONGLONG to) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return 1000.0 * static_cast<double>(to - from) / static_cast<double>(f.QuadPart);
}

double msSince(LONGLONG from) {
    return msBetween(from, counter());
}

// Pumps closely until done() holds; milliseconds since from, or -1 on time-out.
double until(e2e::Harness& h, LONGLONG from, const std::function<bool()>& done,
             std::chrono::milliseconds timeout = 5s) {
    return h.waitFor(done, timeout, 1ms) ? msSince(from) : -1;
}

// Milliseconds from from to when the hook saw the first key matching, or
// -1 when none came within 5 s.
double untilSeen(e2e::Harness& h, LONGLONG from, const std::function<bool(const e2e::KeyRecord&)>& match) {
    const e2e::KeyRecord* first = nullptr;
    h.waitFor(
        [&] {
            for (const e2e::KeyRecord& k : h.keys())
                if (match(k)) return (first = &k) != nullptr;
            return false;
        },
        5s, 1ms);
    return first ? msBetween(from, first->seen) : -1;
}

double untilKeyvaleKey(e2e::Harness& h, LONGLONG from) {
    return untilSeen(h, from, [](const e2e::KeyRecord& k) { return k.injectedByKeyvale && k.down; });
}

struct Figures {
    double p50, p95, max;
};

Figures figures(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    auto at = [&](double q) { return v[std::min(v.size() - 1, static_cast<std::size_t>(q * v.size()))]; };
    return {at(0.5), at(0.95), v.back()};
}

void print(const char* what, const Figures& f) {
    std::printf("  %-44s p50 %7.1f ms  p95 %7.1f ms  max %7.1f ms\n", what, f.p50, f.p95, f.max);
}

// Up to a second for the macro's "a" to arrive, then the field is emptied.
void takeTheA(e2e::Harness& h) {
    h.waitFor([&] { return h.editText() == "a"; }, 1s);
    h.clearEdit();
    h.clearKeys();
}

}  // namespace

TEST(LatencyBench, HotKeyReleasedToTheFirstKeySeen) {
    const int n = samples();
    e2e::Harness h;
    h.writeProgramFile("One.key", "a");
    // Two, the second with a scope to judge at every press.
    h.writeStore(
        e2e::store(3, e2e::macroSection(1, "One", 4, e2e::ctrlAlt('K'), "One.key") +
                          e2e::macroSection(2, "Scoped", 4, e2e::ctrlAlt('L'), "One.key",
                                            "OnlyIn=outlook.exe | winword.exe | - Word | e2e_tests.exe\r\n"
                                            "NotIn=notepad.exe | - Mail\r\n") +
                          e2e::macroSection(3, "Typed", 4, 0, "One.key",
                                            e2e::macroLine(kv::store::kAbbreviationField, "zq"))));
    // Keyvale writes the time its typing hook takes per key there.
    SetEnvironmentVariableW(L"KV_TYPING_TIMES", e2e::utf16(h.programDir() + "hook_times.txt").c_str());
    h.start();
    SetEnvironmentVariableW(L"KV_TYPING_TIMES", nullptr);
    h.waitUntilIdle();
    ASSERT_TRUE(h.hookSeesKeys()) << "the keyboard hook saw no key within 20 s";
    h.focusTarget();

    std::vector<double> base, macro;
    for (int i = 0; i < n; ++i) {
        h.clearKeys();
        const LONGLONG t0 = counter();
        h.keyDown(VK_F24);
        const double d = untilSeen(h, t0, [](const e2e::KeyRecord& k) { return k.vk == VK_F24 && k.down; });
        h.keyUp(VK_F24);
        ASSERT_GE(d, 0) << "the hook saw no key of the driver's";
        base.push_back(d);
        h.pumpFor(5ms);
    }
    std::vector<double> scoped;
    // Taken in turns, so that both see the same machine.
    for (int i = 0; i < 2 * n; ++i) {
        const BYTE key = i % 2 ? 'L' : 'K';
        h.keyDown(VK_CONTROL);
        h.keyDown(VK_MENU);
        h.keyDown(key);
        h.keyUp(key);
        h.keyUp(VK_MENU);
        h.clearKeys();
        const LONGLONG t0 = counter();
        h.keyUp(VK_CONTROL);
        const double d = untilKeyvaleKey(h, t0);
        ASSERT_GE(d, 0) << "no key of the macro seen in 5 s";
        (i % 2 ? scoped : macro).push_back(d);
        takeTheA(h);
        h.pumpFor(20ms);
    }
    // An abbreviation: from the ending key to the first Backspace that
    // erases it, with as many samples as the hot key had.
    std::vector<double> typed;
    for (int i = 0; i < n; ++i) {
        h.tap('Z');
        h.tap('Q');
        h.clearKeys();
        const LONGLONG t0 = counter();
        h.keyDown(VK_SPACE);
        const double d = untilKeyvaleKey(h, t0);
        h.keyUp(VK_SPACE);
        ASSERT_GE(d, 0) << "the abbreviation was not erased within 5 s";
        typed.push_back(d);
        h.waitFor([&] { return h.editText() == "a "; }, 1s);
        h.clearEdit();
        h.pumpFor(20ms);
    }
    h.pumpFor(1500ms);  // written once a second
    double keys = 0, hookP50 = -1, hookP99 = -1, hookMax = -1, afterP50 = -1, afterP99 = -1;
    std::sscanf(h.readProgramFile("hook_times.txt").c_str(), "%lf %lf %lf %lf %lf %lf", &keys, &hookP50,
                &hookP99, &hookMax, &afterP50, &afterP99);
    const Figures b = figures(base), m = figures(macro), sc = figures(scoped), ab = figures(typed);
    std::printf("hot key released -> first key of the macro, %d samples each:\n", n);
    print("macro", m);
    print("macro with a scope of 6 parts", sc);
    print("abbreviation: ending key -> first Backspace", ab);
    print("baseline: the driver's keybd_event -> hook", b);
    std::printf("  p95 over the baseline %+.1f ms (target <= +5 ms)\n", m.p95 - b.p95);
    std::printf("  the scope's cost at p95 %+.1f ms (target <= +1 ms)\n", sc.p95 - m.p95);
    std::printf("  the abbreviation over the hot key at p95 %+.1f ms (target <= +10 ms)\n", ab.p95 - m.p95);
    EXPECT_LE(m.p95, b.p95 + 5.0);
    std::printf(
        "  the typing hook per key, %.0f keys: p50 %.1f us  p99 %.1f us  max %.1f us (target p99 <= 50 us)\n",
        keys, hookP50, hookP99, hookMax);
    std::printf("  then on the input thread once the hook has let the key go: p50 %.1f us  p99 %.1f us\n",
                afterP50, afterP99);
    EXPECT_LE(ab.p95, m.p95 + 10.0);
    EXPECT_GT(keys, 0) << "the hook's times were not written";
    EXPECT_LE(hookP99, 50.0);
}

class TriggerLatency : public testing::TestWithParam<int> {};

// 100 trigger macros and 200 other top-level windows; a window of one
// trigger's title, made hidden, is shown and the clock runs until the first
// key. The scan's phase is random to the show, so the wait is up to one
// interval plus the scan and the start of the macro.
TEST_P(TriggerLatency, WindowShownToTheFirstKeySeen) {
    const int interval = GetParam(), n = samples(), triggers = 100;
    e2e::Harness h;
    h.writeProgramFile("a.key", "a");
    std::string sections;
    for (int t = 1; t <= triggers; ++t)
        sections += e2e::macroSection(t, "Watch " + std::to_string(t), 4, 0, "a.key",
                                      "Trigger=Latency Trigger " + std::to_string(t) + "\r\n");
    h.writeStore(
        e2e::store(triggers, sections, "FirstRun=0\r\nSearchInterval=" + std::to_string(interval) + "\r\n"));
    std::vector<HWND> others;
    for (int i = 0; i < 200; ++i) {
        HWND w = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, L"STATIC",
                                 e2e::utf16("Another window " + std::to_string(i)).c_str(), WS_POPUP,
                                 700 + i % 20, 500 + i / 20, 40, 20, nullptr, nullptr, nullptr, nullptr);
        ShowWindow(w, SW_SHOWNOACTIVATE);
        others.push_back(w);
    }
    h.start();
    h.waitUntilIdle();
    ASSERT_TRUE(h.hookSeesKeys()) << "the keyboard hook saw no key within 20 s";
    h.focusTarget();

    std::vector<double> shown;
    for (int i = 0; i < n; ++i) {
        const std::string title = "Latency Trigger " + std::to_string(1 + i % triggers);
        HWND w = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, L"STATIC", e2e::utf16(title).c_str(),
                                 WS_POPUP, 600, 400, 200, 60, nullptr, nullptr, nullptr, nullptr);
        // A pause of a pseudo-random part of the interval, so that the shows
        // fall at every phase of the scan and not just after one.
        h.pumpFor(std::chrono::milliseconds((i * 37) % interval));
        h.clearKeys();
        const LONGLONG t0 = counter();
        ShowWindow(w, SW_SHOWNOACTIVATE);
        const double d = untilKeyvaleKey(h, t0);
        ASSERT_GE(d, 0) << "no key of trigger " << title << " in 5 s";
        shown.push_back(d);
        takeTheA(h);
        DestroyWindow(w);
    }
    for (HWND w : others) DestroyWindow(w);
    const Figures f = figures(shown);
    std::printf(
        "trigger window shown -> first key, SearchInterval %d ms, %d triggers, 200 other windows, %d "
        "samples:\n",
        interval, triggers, n);
    print("trigger", f);
    std::printf("  p95 %.1f ms against the interval + 30 ms = %d ms (target <=)\n", f.p95, interval + 30);
    EXPECT_LE(f.p95, interval + 30.0);
}

INSTANTIATE_TEST_SUITE_P(LatencyBench, TriggerLatency, testing::Values(250, 50),
                         [](const testing::TestParamInfo<int>& p) { return std::to_string(p.param) + "ms"; });

namespace {

struct StartTimes {
    double firstKey = -1, ended = -1;
};

// Starts a process and times its first Keyvale-marked key and its end.
StartTimes timeAStart(e2e::Harness& h, const std::string& commandLine, const std::string& folder) {
    std::wstring cmd = e2e::utf16(commandLine);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    h.clearKeys();
    const LONGLONG t0 = counter();
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, e2e::utf16(folder).c_str(),
                        &si, &pi))
        return {};
    StartTimes t;
    t.firstKey = untilKeyvaleKey(h, t0);
    t.ended = until(
        h, t0, [&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 10s);
    if (t.ended < 0) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
        e2e::Harness::hookFirstAgain();
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    takeTheA(h);
    return t;
}

std::string driverFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return e2e::utf8(p.substr(0, p.find_last_of(L"\\/") + 1));
}

}  // namespace

// A shortcut's /Open:"x" /Close start with nothing resident, against a tray
// program that only adds its icon, types the key and ends at its timer's
// first tick; the two alternate, after one start of each that is not counted.
TEST(LatencyBench, ShortcutStartToTheFirstKeyAndTheEnd) {
    const int n = samples();
    e2e::NotificationArea tray;
    e2e::Harness h;
    h.writeProgramFile("x.key", "a");
    h.writeStore(e2e::store(1, e2e::macroSection(1, "x", 4, 0, "x.key")));
    ASSERT_TRUE(h.hookSeesKeys()) << "the keyboard hook saw no key within 20 s";
    h.focusTarget();
    const std::string keyvale = "\"" + h.programDir() + "Macros.exe\" /Open:\"x\" /Close";
    const std::string baseline = std::string("\"").append(driverFolder()).append("tray_baseline.exe\"");

    std::vector<double> kvKey, kvEnd, baseKey, baseEnd;
    for (int i = -1; i < n; ++i) {
        const StartTimes k = timeAStart(h, keyvale, h.programDir());
        const StartTimes b = timeAStart(h, baseline, h.programDir());
        ASSERT_GE(k.firstKey, 0) << "Keyvale typed nothing";
        ASSERT_GE(k.ended, 0) << "Keyvale did not end";
        ASSERT_GE(b.firstKey, 0) << "the baseline typed nothing: is tray_baseline.exe beside the driver?";
        ASSERT_GE(b.ended, 0);
        if (i < 0) continue;
        kvKey.push_back(k.firstKey);
        kvEnd.push_back(k.ended);
        baseKey.push_back(b.firstKey);
        baseEnd.push_back(b.ended);
    }
    const Figures kk = figures(kvKey), ke = figures(kvEnd), bk = figures(baseKey), be = figures(baseEnd);
    std::printf("/Open:\"x\" /Close start with nothing resident, %d samples each:\n", n);
    print("Keyvale: start -> first key", kk);
    print("baseline tray program: start -> first key", bk);
    print("Keyvale: start -> process ended", ke);
    print("baseline tray program: start -> process ended", be);
    std::printf("  ratio at p50: first key %.2f (target <= 1.20), ended %.2f (target <= 1.10)\n",
                kk.p50 / bk.p50, ke.p50 / be.p50);
    EXPECT_LE(kk.p50 / bk.p50, 1.20);
    EXPECT_LE(ke.p50 / be.p50, 1.10);
}
