// Kill-during-write trial of the portable store over real POSIX files: a
// child process rewrites macros.ini in a loop, switching every macro's
// fired-window list on and off (so the old and the new content differ all
// through the file), and is killed with SIGKILL after a random delay. After
// each kill macros.ini must hold exactly the old or the new content, byte for
// byte. A process kill, not a power cut: what the kernel has accepted
// survives, so this tries the order of the steps, not the disk's flushing.
//
//   cmake --preset bench && cmake --build build/bench --target store_kill_trial
//   build/bench/bench/store_kill_trial [folder] [kills]        (default: . 1000)
//   build/bench/bench/store_kill_trial [folder] [kills] --in-place
//     writes the file in place instead, to show that the trial sees torn files.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "posix_files.hpp"
#include "store/macros.hpp"
#include "store/profile.hpp"
#include "store/store.hpp"

namespace {

using namespace kv;

constexpr int kMacros = 2000;

std::string storeText() {
    std::string t = "[Main]\r\nEntries=" + std::to_string(kMacros) + "\r\nFirstRun=0\r\n";
    for (int n = 1; n <= kMacros; ++n)
        t += "[Macro" + std::to_string(n) + "]\r\nName=Macro " + std::to_string(n) +
             "\r\nType=4\r\nFileName=Macro " + std::to_string(n) + ".key\r\nFoundHandle=\r\n";
    return t;
}

void setLists(store::Store::Edit& e, bool on) {
    for (int n = 1; n <= kMacros; ++n) e.writeString(store::macroSection(n), "FoundHandle", on ? "4242,1312" : "");
}

[[noreturn]] void writeForever(const std::string& path, bool inPlace) {
    bench::PosixFiles files;
    store::Store store(files, path);
    for (bool on = true;; on = !on) {
        if (inPlace) {
            store::ProfileText text(*files.read(path));
            for (int n = 1; n <= kMacros; ++n)
                text.set(store::macroSection(n), "FoundHandle", on ? "4242,1312" : "");
            files.write(path, text.bytes());
        } else {
            store.edit([&](store::Store::Edit& e) { setLists(e, on); });
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    const int kills = argc > 2 ? std::atoi(argv[2]) : 1000;
    const bool inPlace = argc > 3 && std::strcmp(argv[3], "--in-place") == 0;
    const std::string path = dir + "/macros.ini";
    bench::PosixFiles files;

    // The two contents the loop switches between, as the store writes them.
    const std::string oldBytes = storeText();
    files.write(path, oldBytes);
    store::Store store(files, path);
    store.edit([](store::Store::Edit& e) { setLists(e, true); });
    const std::string newBytes = *files.read(path);

    // How long one write takes, so that the kills fall all over a write.
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) store.edit([&](store::Store::Edit& e) { setLists(e, i % 2 == 0); });
    const double writeUs =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count() / 10;

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delay(0, static_cast<int>(writeUs * 3) + 1);
    int olds = 0, news = 0, neither = 0, leftovers = 0;
    for (int k = 0; k < kills; ++k) {
        files.write(path, oldBytes);
        const pid_t child = fork();
        if (child == 0) writeForever(path, inPlace);
        usleep(static_cast<useconds_t>(delay(random)));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const auto bytes = files.read(path);
        if (bytes == oldBytes)
            ++olds;
        else if (bytes == newBytes)
            ++news;
        else
            ++neither;
        if (files.exists(store::temporaryPath(files, path))) ++leftovers;
    }
    files.remove(path);
    files.remove(store::temporaryPath(files, path));
    std::printf("%s, %zu-byte store, one write %.0f us: %d kills; old %d, new %d, neither %d; "
                "temporary file left %d times\n",
                inPlace ? "in place" : "through a temporary file", oldBytes.size(), writeUs, kills, olds, news,
                neither, leftovers);
    return neither == 0 ? 0 : 1;
}
