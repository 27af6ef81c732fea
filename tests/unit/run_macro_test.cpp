// The Run Macro window's search: what matches what was typed and in which
// order, ignoring case and accents, and that Enter runs the chosen macro in
// the window that was in front, through the dispatcher's one road.

#include "authoring/run_macro.hpp"

#include <gtest/gtest.h>

#include "os/fake/fake_os.hpp"
#include "run_requests.hpp"

using namespace kv;
using namespace kv::authoring;

namespace {

TEST(RunMacroSearch, FoldsCaseAndAccents) {
    EXPECT_EQ(searchText("Écrire à NOËL"), "ecrire a noel");
    EXPECT_EQ(searchText("Straße Œuvre Ĳssel Łódź"), "strasse oeuvre ijssel lodz");
    EXPECT_EQ(searchText("e\xCC\x81t\xC3\xA9"), "ete") << "a letter with a combining accent";
    EXPECT_EQ(searchText("ПРИВЕТ Ёж ΑΒΓ"), "привет ёж αβγ");
    EXPECT_EQ(searchText("2×3 ÷"), "2×3 ÷") << "signs are no letters";
}

TEST(RunMacroSearch, RanksNameStartThenWordStartThenAnywhereThenAbbreviationAndHotKey) {
    const std::vector<RunMacroItem> items = {
        {1, "Mail signature", "", "", 0},  // "sig" starts a word
        {2, "Signature", "", "", 0},       // "sig" starts the name
        {3, "Design notes", "", "", 0},    // "sig" inside a word
        {4, "Letter", "Ctrl+Alt+S", "sg", 0},
        {5, "Closing", "", "xsigx", 0},  // only its abbreviation holds it
        {6, "Über-Signal", "", "", 0},   // after a hyphen, past an accented word
        {7, "Nothing", "", "", 0},
    };
    std::vector<SearchKey> keys;
    for (const auto& item : items) keys.push_back(searchKey(item));
    struct Case {
        const char* typed;
        std::vector<std::size_t> order;
    };
    const Case cases[] = {
        {"", {0, 1, 2, 3, 4, 5, 6}},
        {"sig", {1, 0, 5, 2, 4}},
        {"SIG", {1, 0, 5, 2, 4}},
        {"uber", {5}},
        {"ctrl+alt+s", {3}},
        {"sg", {3}},
        {"n", {6, 2, 0, 1, 4, 5}},  // "Nothing"; the word "notes"; then the others in list order
        {"zzz", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ranked(keys, searchText(c.typed)), c.order) << c.typed;
}

struct View : RunMacroView {
    std::vector<std::string> names;
    int selected = -2;
    bool closed = false;
    void showRows(const std::vector<const RunMacroItem*>& rows) override {
        names.clear();
        for (const auto* r : rows) names.push_back(r->name);
    }
    void selectRow(int row) override { selected = row; }
    void close() override { closed = true; }
};

TEST(RunMacroWindow, EnterRunsTheSelectedMacroInTheWindowInFront) {
    os::fake::FakeSystem fake;
    fake.files.files[fake.sys.storePath] =
        "[Main]\r\nEntries=3\r\n[Macro1]\r\nName=Alpha\r\nType=4\r\nHotKey=16449\r\n"
        "[Macro2]\r\nName=Beta\r\nType=3\r\nAbbreviation=bb\r\n[Macro3]\r\nType=1\r\n";
    const auto items = runMacroItems(fake.sys);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].hotKey, "Ctrl+A");
    EXPECT_EQ(items[1].abbreviation, "bb");
    EXPECT_EQ(items[1].image, 2);
    EXPECT_EQ(items[2].name, "Macro3") << "a macro without a name is listed by its section";

    const os::WindowHandle notepad = fake.windows.open("Untitled - Notepad");
    fake.windows.open("Run Macro");
    test::Runs runs(
        [&](int) { EXPECT_EQ(fake.windows.foreground(), notepad) << "the focus went back first"; });
    View view;
    RunMacroPresenter presenter(fake.sys, runs, view);
    presenter.open(items, notepad);
    EXPECT_EQ(view.names.size(), 3u);
    EXPECT_EQ(view.selected, 0);
    presenter.typed("a");  // Alpha, then Beta and Macro3 by the letter inside
    EXPECT_EQ(view.names, (std::vector<std::string>{"Alpha", "Beta", "Macro3"}));
    presenter.move(+1);
    presenter.move(+5);  // stays on the last row
    EXPECT_EQ(view.selected, 2);
    presenter.move(-1);
    presenter.run();
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(runs.slots, std::vector<int>{2});
    EXPECT_EQ(runs.roads, std::vector<Road>{Road::RunWindow});

    // Nothing to run when nothing matches.
    presenter.typed("zzz");
    EXPECT_EQ(view.selected, -1);
    presenter.run();
    EXPECT_EQ(runs.slots.size(), 1u);
}

}  // namespace
