// A day's use in one run: script macros by hot key (with tokens and nested
// runs), keystroke replays, trigger windows opened, retitled and closed, and
// shortcut starts while resident, for KV_SOAK_MINUTES minutes (1 by default).
// Every run must type exactly its text; the process must not grow or slow.
// Prints a table of what it checked; scripts/soak runs it for longer.

#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "harness.hpp"
#include "journal/journal_file.hpp"

using namespace std::chrono_literals;

namespace {

struct Sample {
    double workingSetMb = 0, privateMb = 0;
    DWORD handles = 0, user = 0, gdi = 0;
    ULONGLONG cpu100ns = 0;
};

Sample sample(HANDLE process) {
    Sample s;
    PROCESS_MEMORY_COUNTERS_EX m{};
    m.cb = sizeof m;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m)) {
        s.workingSetMb = static_cast<double>(m.WorkingSetSize) / (1024.0 * 1024.0);
        // Wine reports no private usage; the page-file usage is the same commit charge.
        const SIZE_T priv = m.PrivateUsage ? m.PrivateUsage : m.PagefileUsage;
        s.privateMb = static_cast<double>(priv) / (1024.0 * 1024.0);
    }
    GetProcessHandleCount(process, &s.handles);
    s.user = GetGuiResources(process, GR_USEROBJECTS);
    s.gdi = GetGuiResources(process, GR_GDIOBJECTS);
    FILETIME created, exited, kernel, user;
    if (GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        auto v = [](FILETIME f) {
            return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
        };
        s.cpu100ns = v(kernel) + v(user);
    }
    return s;
}

// Letters, digits and blanks of length n, not starting or ending with a blank
// (a script is trimmed).
std::string plainText(std::size_t n, unsigned seed) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned r = (seed * 7919u + static_cast<unsigned>(i) * 104729u) % 40u;
        s += r < 26 ? static_cast<char>('a' + r) : r < 36 ? static_cast<char>('0' + r - 26) : ' ';
    }
    s.front() = 'b';
    s.back() = 'e';
    return s;
}

struct ScriptMacro {
    std::string name, script, typed;
    char hotKey;
};

std::string replayLetters() {
    return "soakreplay";
}

std::string replayRecording() {
    kv::journal::Recording r{true, {}};
    for (char c : replayLetters()) {
        kv::os::InputEvent e;
        e.vk = static_cast<std::uint16_t>(c - 'a' + 'A');
        e.scan = static_cast<std::uint16_t>(MapVirtualKeyA(e.vk, 0));
        e.time = r.events.empty() ? 0 : 2;
        r.events.push_back(e);
        e.keyFlags = kv::os::kKeyUp;
        e.time = 1;
        r.events.push_back(e);
    }
    return kv::journal::encodeRecording(r);
}

int envMinutes() {
    const char* v = std::getenv("KV_SOAK_MINUTES");
    const int n = v ? std::atoi(v) : 1;
    return n > 0 ? n : 1;
}

struct Counts {
    int runs = 0;
    long long expected = 0, seen = 0, lost = 0, extra = 0;
    int wrongRuns = 0;
    std::string firstWrong;
    void add(const std::string& want, const std::string& got) {
        ++runs;
        expected += static_cast<long long>(want.size());
        seen += static_cast<long long>(got.size());
        if (got == want) return;
        ++wrongRuns;
        if (firstWrong.empty()) firstWrong = "wanted \"" + want + "\", saw \"" + got + "\"";
        // Characters of want missing from got at the same place, and the rest of got.
        std::size_t same = 0;
        while (same < want.size() && same < got.size() && want[same] == got[same]) ++same;
        lost += static_cast<long long>(want.size() - same);
        extra += static_cast<long long>(got.size() - same);
    }
};

}  // namespace

TEST(Soak, ADayOfMacrosTypesEveryTextAndDoesNotGrow) {
    const int minutes = envMinutes();
    e2e::Harness h;

    // Slots 1-5: plain scripts of 1 to 200 characters; 6: tokens; 7: runs 8
    // nested; 8: the nested one; 9: a high-speed replay; 10-12: trigger macros.
    std::vector<ScriptMacro> scripts;
    const std::size_t lengths[] = {1, 12, 60, 140, 200};
    const char keys[] = {'Q', 'W', 'E', 'R', 'T'};
    for (int i = 0; i < 5; ++i) {
        std::string t = "z";
        if (lengths[i] > 1) t = plainText(lengths[i], static_cast<unsigned>(i + 1));
        scripts.push_back({"Plain " + std::to_string(i + 1), t, t, keys[i]});
    }
    scripts.push_back({"Tokens", "to<<REP3>>ab<<ENDREP>>x<<SHIFT>>ky", "toabababxKy", 'Y'});
    scripts.push_back({"Outer", "out<<RUN:inner>>er", "outnesteder", 'U'});
    scripts.push_back({"Inner", "nested", "nested", 0});
    std::string sections;
    int slot = 0;
    for (const ScriptMacro& m : scripts) {
        ++slot;
        h.writeProgramFile(m.name + ".key", m.script);
        sections +=
            e2e::macroSection(slot, m.name, 4, m.hotKey ? e2e::ctrlAlt(m.hotKey) : 0, m.name + ".key");
    }
    const int replaySlot = ++slot;
    h.writeProgramFile("Replay.dat", replayRecording());
    sections += e2e::macroSection(replaySlot, "Replay", 2, e2e::ctrlAlt('I'), "Replay.dat", "Speed=2\r\n");
    const int triggers = 3;
    for (int n = 0; n < triggers; ++n) {
        const std::string name = "Trigger " + std::to_string(n);
        h.writeProgramFile(name + ".key", std::string("t").append(std::to_string(n)));
        sections += e2e::macroSection(++slot, name, 4, 0, name + ".key",
                                      "Trigger=Soak Trigger Window " + std::to_string(n) + "\r\n");
    }
    const int entries = slot;
    h.writeStore(e2e::store(entries, sections));
    h.start();
    h.waitUntilIdle();
    h.focusTarget();
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, h.processId());
    ASSERT_NE(process, nullptr);

    Counts scriptRuns, replays, shortcuts;
    int windows = 0, triggerRunsExpected = 0, triggerRunsSeen = 0;
    std::map<DWORD, int> balance;  // the hook's view of Keyvale's keys, over the whole run
    const auto foldKeys = [&] {
        for (const e2e::KeyRecord& k : h.keys())
            if (k.injectedByKeyvale) balance[k.vk] += k.down ? 1 : -1;
        h.clearKeys();
    };
    // Types want: waits until the edit control holds as many characters, then
    // a little for stragglers.
    const auto seenAfter = [&](const std::string& want, std::chrono::milliseconds timeout) {
        h.waitFor([&] { return h.editText().size() >= want.size(); }, timeout);
        h.pumpFor(15ms);
        std::string got = h.editText();
        h.clearEdit();
        foldKeys();
        return got;
    };

    const ULONGLONG t0 = GetTickCount64();
    const ULONGLONG duration = static_cast<ULONGLONG>(minutes) * 60000ull;
    const ULONGLONG warmUpAt = t0 + duration / 10, endPhaseAt = t0 + duration - duration / 10;
    Sample warm, late, end;
    int warmRuns = -1, lateRuns = -1;
    const Sample start = sample(process);
    bool haveWarm = false, haveLate = false;
    int i = 0;
    for (; GetTickCount64() < t0 + duration; ++i) {
        const ULONGLONG now = GetTickCount64();
        const int allRuns = scriptRuns.runs + replays.runs + shortcuts.runs + triggerRunsSeen;
        if (!haveWarm && now >= warmUpAt) warm = sample(process), warmRuns = allRuns, haveWarm = true;
        if (!haveLate && now >= endPhaseAt) late = sample(process), lateRuns = allRuns, haveLate = true;
        if (i % 12 == 11) {
            // A trigger window, opened under another title and then renamed to the trigger's.
            const int n = windows % triggers;
            HWND w = CreateWindowExA(WS_EX_NOACTIVATE, "STATIC", "Soak Window Before Its Title", WS_POPUP,
                                     600, 400, 200, 80, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
            ShowWindow(w, SW_SHOWNOACTIVATE);
            h.pumpFor(30ms);
            SetWindowTextA(w, ("Soak Trigger Window " + std::to_string(n)).c_str());
            ++windows;
            ++triggerRunsExpected;
            const std::string want = std::string("t").append(std::to_string(n));
            h.waitFor([&] { return h.editText().size() >= want.size(); }, 5s);
            h.pumpFor(600ms);  // two scans more: it must not run again
            const std::string got = h.editText();
            h.clearEdit();
            foldKeys();
            if (got == want)
                ++triggerRunsSeen;
            else
                scriptRuns.add(want, got);
            DestroyWindow(w);
            continue;
        }
        if (i % 40 == 39) {
            // A shortcut's start while resident: it hands the macro over and ends.
            std::string cmd = "\"" + h.programDir() + "Macros.exe\" /Open:\"Plain 3\" /Close";
            STARTUPINFOA si{};
            si.cb = sizeof si;
            PROCESS_INFORMATION pi{};
            if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               h.programDir().c_str(), &si, &pi)) {
                shortcuts.add(scripts[2].typed, seenAfter(scripts[2].typed, 15s));
                h.waitFor([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 10s);
                CloseHandle(pi.hProcess);
                CloseHandle(pi.hThread);
            }
            continue;
        }
        if (i % 20 == 19) {
            h.pressHotKey({VK_CONTROL, VK_MENU}, 'I');
            replays.add(replayLetters(), seenAfter(replayLetters(), 10s));
            continue;
        }
        const ScriptMacro& m = scripts[static_cast<std::size_t>(i % 7)];
        h.pressHotKey({VK_CONTROL, VK_MENU}, static_cast<BYTE>(m.hotKey));
        scriptRuns.add(m.typed, seenAfter(m.typed, 10s));
    }
    h.pumpFor(300ms);
    foldKeys();
    end = sample(process);
    const int allRuns = scriptRuns.runs + replays.runs + shortcuts.runs + triggerRunsSeen;
    const ULONGLONG endTick = GetTickCount64();
    CloseHandle(process);

    std::string held;
    for (const auto& [vk, n] : balance)
        if (n > 0) held += std::to_string(vk) + " ";
    int readBack = 0;
    for (int n = 1; n <= entries; ++n)
        if (h.storeValue(n, "Name") != "(none)") ++readBack;

    // Processor time per run over the warm-up (from the start) and over the last tenth.
    const int startRuns = std::max(1, warmRuns);
    const double cpuStart = static_cast<double>(warm.cpu100ns - start.cpu100ns) / 10000.0 / startRuns;
    const int endRuns = std::max(1, allRuns - lateRuns);
    const double cpuEnd = static_cast<double>(end.cpu100ns - late.cpu100ns) / 10000.0 / endRuns;
    const auto signedDiff = [](DWORD a, DWORD b) { return static_cast<long>(b) - static_cast<long>(a); };
    const auto line = [](const char* what, const Counts& c) {
        std::printf("| %-22s | %6d | %9lld | %9lld | %5lld | %5lld |\n", what, c.runs, c.expected, c.seen,
                    c.lost, c.extra);
    };
    std::printf("\nsoak: %d min (%.1f s), %d iterations\n", minutes,
                static_cast<double>(endTick - t0) / 1000.0, i);
    std::printf("| %-22s | %6s | %9s | %9s | %5s | %5s |\n", "runs", "count", "expected", "seen", "lost",
                "extra");
    line("script by hot key", scriptRuns);
    line("replay (high speed)", replays);
    line("/Open /Close shortcut", shortcuts);
    std::printf("trigger windows: %d opened, macros ran once in %d (target: all)\n", windows,
                triggerRunsSeen);
    std::printf("keys left down (hook's view): %s (target: none)\n", held.empty() ? "none" : held.c_str());
    std::printf("store read back: %d of %d macros\n", readBack, entries);
    std::printf("| %-22s | %10s | %10s | %10s | %-18s |\n", "measure", "warm-up", "end", "change", "target");
    std::printf("| %-22s | %10.2f | %10.2f | %+10.2f | %-18s |\n", "working set MB", warm.workingSetMb,
                end.workingSetMb, end.workingSetMb - warm.workingSetMb, "< 2 MB growth");
    std::printf("| %-22s | %10.2f | %10.2f | %+10.2f | %-18s |\n", "private bytes MB", warm.privateMb,
                end.privateMb, end.privateMb - warm.privateMb, "< 2 MB growth");
    std::printf("| %-22s | %10lu | %10lu | %+10ld | %-18s |\n", "kernel handles", warm.handles, end.handles,
                signedDiff(warm.handles, end.handles), warm.handles == 0 ? "Wine reports 0" : "within +-10");
    std::printf("| %-22s | %10lu | %10lu | %+10ld | %-18s |\n", "USER objects", warm.user, end.user,
                signedDiff(warm.user, end.user), warm.user == 0 ? "Wine reports 0" : "within +-10");
    std::printf("| %-22s | %10lu | %10lu | %+10ld | %-18s |\n", "GDI objects", warm.gdi, end.gdi,
                signedDiff(warm.gdi, end.gdi), warm.gdi == 0 ? "Wine reports 0" : "within +-10");
    std::printf("| %-22s | %10.2f | %10.2f | %+9.0f%% | %-18s |\n", "CPU ms per run", cpuStart, cpuEnd,
                cpuStart > 0 ? 100.0 * (cpuEnd - cpuStart) / cpuStart : 0.0, "within 20 %");
    std::fflush(stdout);

    EXPECT_EQ(scriptRuns.wrongRuns, 0) << scriptRuns.firstWrong;
    EXPECT_EQ(replays.wrongRuns, 0) << replays.firstWrong;
    EXPECT_EQ(shortcuts.wrongRuns, 0) << shortcuts.firstWrong;
    EXPECT_EQ(triggerRunsSeen, triggerRunsExpected);
    EXPECT_EQ(held, "");
    EXPECT_EQ(readBack, entries);
    EXPECT_LT(end.privateMb - warm.privateMb, 2.0);
    EXPECT_LT(end.workingSetMb - warm.workingSetMb, 2.0);
    EXPECT_LE(std::labs(signedDiff(warm.handles, end.handles)), 10);
    EXPECT_LE(std::labs(signedDiff(warm.user, end.user)), 10);
    EXPECT_LE(std::labs(signedDiff(warm.gdi, end.gdi)), 10);
    // Per-run processor time is coarse over one minute; the long run checks it.
    if (minutes >= 5) {
        EXPECT_LE(cpuEnd, cpuStart * 1.2);
    }
    EXPECT_TRUE(h.running());
}
