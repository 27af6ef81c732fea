// The Run Macro window over 1,000 macros: opening it (one reading of the
// store into its rows, the search texts, the first list) and the filter per
// key typed (p95), against reading the store file once: its bytes read and
// every line split into name and value once. Opening should cost at most
// three readings, and a key a small part of one.
//
//   cmake --preset bench && cmake --build build/bench --target run_macro_bench
//   build/bench/bench/run_macro_bench

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "authoring/run_macro.hpp"
#include "os/fake/fake_os.hpp"
#include "store/profile.hpp"
#include "store/store.hpp"

namespace {

using namespace kv;
using Clock = std::chrono::steady_clock;

double micros(Clock::time_point since) {
    return std::chrono::duration<double, std::micro>(Clock::now() - since).count();
}

struct NoRuns : RunRequests {
    void runMacro(int, Road, TextCase) override {}
};

// Takes the rows as the form does: one list row per macro shown.
struct View : authoring::RunMacroView {
    std::size_t rows = 0;
    void showRows(const std::vector<const authoring::RunMacroItem*>& shown) override {
        std::vector<std::string> texts;
        texts.reserve(shown.size() * 3);
        for (const auto* r : shown) texts.insert(texts.end(), {r->name, r->hotKey, r->abbreviation});
        rows = texts.size() / 3;
    }
    void selectRow(int) override {}
    void close() override {}
};

}  // namespace

int main() {
    constexpr int kMacros = 1000;
    const char* words[] = {"Signature", "Address", "Résumé", "Invoice", "Greeting", "Meeting notes", "Über"};
    os::fake::FakeSystem fake;
    std::string text = "[Main]\r\nEntries=" + std::to_string(kMacros) + "\r\nFirstRun=0\r\n";
    for (int n = 1; n <= kMacros; ++n)
        text += "[Macro" + std::to_string(n) + "]\r\nName=" + words[n % 7] + " " + std::to_string(n) +
                "\r\nType=" + std::to_string(1 + n % 4) +
                "\r\nHotKey=" + std::to_string(0xC000 + 'A' + n % 26) + "\r\nFileName=m" + std::to_string(n) +
                ".key\r\nTrigger=\r\nAbbreviation=ab" + std::to_string(n) + "\r\n";
    fake.files.files[fake.sys.storePath] = text;
    const store::Store st(fake.files, fake.sys.storePath);
    unsigned change = 0;
    const auto touch = [&] {
        fake.files.files[fake.sys.storePath] = text + ";" + std::to_string(++change) + "\r\n";
    };

    NoRuns runs;
    View view;
    authoring::RunMacroPresenter presenter(fake.sys, runs, view);
    std::size_t sink = 0;
    double readOnce = 1e100, open = 1e100;
    std::vector<double> perKey;
    const std::string typed = "meeting 12";
    for (int r = 0; r < 20; ++r) {
        auto t0 = Clock::now();
        touch();
        {
            const store::StoreSnapshot s(st);
            store::forEachLine(s.index().bytes(), [&](std::string_view line) {
                sink += store::classifyLine(line).value.size();
            });
        }
        readOnce = std::min(readOnce, micros(t0));

        t0 = Clock::now();
        touch();
        presenter.open(authoring::runMacroItems(fake.sys), 0);
        open = std::min(open, micros(t0));
        sink += view.rows;

        // Typing the text a key at a time, then taking it back.
        for (std::size_t k = 1; k <= typed.size(); ++k) {
            t0 = Clock::now();
            presenter.typed(typed.substr(0, k));
            perKey.push_back(micros(t0));
        }
        for (std::size_t k = typed.size(); k-- > 0;) {
            t0 = Clock::now();
            presenter.typed(typed.substr(0, k));
            perKey.push_back(micros(t0));
        }
    }
    std::sort(perKey.begin(), perKey.end());
    const double p95 = perKey[perKey.size() * 95 / 100];
    std::printf(
        "%d macros: reading the store once %.0f us; opening Run Macro %.0f us (ratio %.2f, target <= 3); "
        "filter per key p95 %.0f us (ratio %.2f, target <= 1)\n",
        kMacros, readOnce, open, open / readOnce, p95, p95 / readOnce);
    return sink > 0 && open / readOnce <= 3.0 && p95 / readOnce <= 1.0 ? 0 : 1;
}
