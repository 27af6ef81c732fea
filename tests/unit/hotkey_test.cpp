#include <gtest/gtest.h>

#include "hotkeys/hot_key_slots.hpp"
#include "os/fake/fake_os.hpp"
#include "run_requests.hpp"
#include "store/macros.hpp"
#include "store/scope.hpp"
#include "store/shortcut.hpp"

using namespace kv;
using namespace kv::store;
using namespace kv::hotkeys;

TEST(ShortCut, TextNamesModifiersInOrderThenTheKey) {
    os::fake::FakeKeyboard kb;
    EXPECT_EQ(shortCutText(16449, kb), "Ctrl+A");
    EXPECT_EQ(shortCutText(24699, kb), "Shift+Ctrl+F12");
    EXPECT_EQ(shortCutText(0x8000 + 65, kb), "Alt+A");
    EXPECT_EQ(shortCutText(0xE000 + 0x21, kb), "Shift+Ctrl+Alt+PgUp");
    EXPECT_EQ(shortCutText(0x4000 + 96 + 7, kb), "Ctrl+7");
    EXPECT_EQ(shortCutText(0x4000 + 135, kb), "Ctrl+F24");
    EXPECT_EQ(shortCutText(0x4000 + 8, kb), "Ctrl+BkSp");
    EXPECT_EQ(shortCutText(0x4000 + 0xBA, kb), "Ctrl+;") << "other keys take the keyboard's name";
    EXPECT_EQ(shortCutText(0x4000 + 0xFF, kb), "") << "a key without a name shows nothing";
    EXPECT_EQ(shortCutText(0, kb), "");
}

TEST(ShortCut, ComposeAndModifierFlags) {
    EXPECT_EQ(composeShortCut('A', false, true, false), 16449);
    EXPECT_EQ(composeShortCut(0x7B, true, true, false), 24699);
    EXPECT_EQ(composeShortCut(256, true, true, true), 0);
    EXPECT_EQ(hotKeyModifiers(0xE041), os::kModAlt | os::kModControl | os::kModShift);
    EXPECT_EQ(hotKeyModifiers(0x2041), os::kModShift);
}

TEST(HotKeyComponent, HoldsOneRegistrationForItsCurrentValue) {
    os::fake::FakeHotKeys hk;
    HotKeyComponent c(hk);
    c.setHotKey(16449);
    EXPECT_TRUE(hk.isRegistered(os::kModControl, 'A'));
    c.setHotKey(0x8000 + 'B');
    EXPECT_FALSE(hk.isRegistered(os::kModControl, 'A'));
    EXPECT_TRUE(hk.isRegistered(os::kModAlt, 'B'));
    c.setEnabled(false);
    EXPECT_EQ(hk.registeredCount(), 0u);
    c.setHotKey(16449);  // stored while disabled, registered when enabled again
    EXPECT_EQ(hk.registeredCount(), 0u);
    c.setEnabled(true);
    EXPECT_TRUE(hk.isRegistered(os::kModControl, 'A'));
}

TEST(HotKeyComponent, FiresWithItsKeyAndShiftOnlyWhenGlobalOrActive) {
    os::fake::FakeHotKeys hk;
    struct Listener : HotKeyListener {
        int fired = 0;
        unsigned key = 0;
        ShortCut shift = 0;
        void hotKeyPressed(HotKeyComponent&, unsigned k, ShortCut s) override {
            ++fired;
            key = k;
            shift = s;
        }
    } listener;
    const int& fired = listener.fired;
    const unsigned& key = listener.key;
    const ShortCut& shift = listener.shift;
    HotKeyComponent c(hk, &listener);
    c.setHotKey(24699);
    hk.press(os::kModControl | os::kModShift, 0x7B);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(key, 0x7Bu);
    EXPECT_EQ(shift, kShortCutShift | kShortCutCtrl);
    c.setGlobal(false);
    hk.press(os::kModControl | os::kModShift, 0x7B);
    EXPECT_EQ(fired, 1);
    hk.active = true;
    hk.press(os::kModControl | os::kModShift, 0x7B);
    EXPECT_EQ(fired, 2);
}

TEST(HotKeyComponent, ReleasesItsRegistrationWhenDestroyed) {
    os::fake::FakeHotKeys hk;
    {
        HotKeyComponent c(hk);
        c.setHotKey(16449);
    }
    EXPECT_EQ(hk.registeredCount(), 0u);
}

namespace {

struct SlotTableTest : ::testing::Test {
    os::fake::FakeSystem fake;
    os::fake::FakeHotKeys& hk = fake.hotKeys;
    os::fake::FakeFiles& files = fake.files;
    Store store{files, "C:\\windows\\macros.ini"};
    test::Runs runs;
    std::vector<int>& fired = runs.slots;
    HotKeySlotTable table{fake.sys, runs};
    int refills = 0;
    void load() {
        table.loadHotKeys(store, [this] { ++refills; });
    }
};

}  // namespace

TEST_F(SlotTableTest, NoEntriesRegistersNothingEvenWithLeftoverSections) {
    store.writeInt("Macro1", "HotKey", 16449);
    load();
    EXPECT_EQ(hk.registeredCount(), 0u);
    EXPECT_EQ(refills, 0);
}

TEST_F(SlotTableTest, RegistersEverySlotUpTo100WhateverEntriesSays) {
    store.writeInt("Main", "Entries", 1);
    store.writeInt("Macro1", "HotKey", 0x8000 + 65);
    store.writeInt("Macro7", "HotKey", 16450);
    store.writeInt("Macro101", "HotKey", 16451);
    load();
    EXPECT_EQ(refills, 1);
    EXPECT_TRUE(hk.press(os::kModAlt, 'A'));
    EXPECT_TRUE(hk.press(os::kModControl, 'B'));
    EXPECT_FALSE(hk.press(os::kModControl, 'C')) << "slot 101 has no component";
    EXPECT_EQ(fired, (std::vector<int>{1, 7}));
    EXPECT_EQ(runs.roads, std::vector<Road>(2, Road::HotKey));
}

TEST_F(SlotTableTest, TheLowerSlotWinsASharedCombination) {
    store.writeInt("Main", "Entries", 3);
    store.writeInt("Macro2", "HotKey", 16449);
    store.writeInt("Macro3", "HotKey", 16449);
    load();
    EXPECT_TRUE(table.component(2).registered());
    EXPECT_FALSE(table.component(3).registered());
    hk.press(os::kModControl, 'A');
    EXPECT_EQ(fired, (std::vector<int>{2}));
}

TEST_F(SlotTableTest, RebuildDropsRemovedKeysAndTakesValuesModulo65536) {
    store.writeInt("Main", "Entries", 2);
    store.writeInt("Macro1", "HotKey", 16449);
    load();
    store.writeInt("Macro1", "HotKey", 0);
    store.writeInt("Macro2", "HotKey", 65536 + 16450);
    load();
    EXPECT_FALSE(hk.press(os::kModControl, 'A'));
    EXPECT_TRUE(hk.press(os::kModControl, 'B'));
    EXPECT_EQ(fired, (std::vector<int>{2}));
}

TEST_F(SlotTableTest, ACombinationTakenElsewhereIsSilentlyUnavailable) {
    hk.takenElsewhere.insert({os::kModControl, 'A'});
    store.writeInt("Main", "Entries", 1);
    store.writeInt("Macro1", "HotKey", 16449);
    EXPECT_NO_THROW(load());
    EXPECT_FALSE(table.component(1).registered());
}

// Where a hot key runs its macro: program names and title parts, without
// regard to case, "Only in" and "Not in" together.
TEST(Scope, ProgramNamesAndTitlePartsDecideWhereAMacroRuns) {
    os::fake::FakeFiles names;
    const store::Place mail{"OUTLOOK.EXE", "Inbox - Mail"}, word{"winword.exe", "Report - Word"},
        unknown{"", "Письмо - Почта"};
    struct Case {
        const char *onlyIn, *notIn;
        bool mail, word, unknown;
    };
    const Case cases[] = {
        {"", "", true, true, true},
        {" | ", "|", true, true, true},                       // no part, no condition
        {"outlook.exe", "", true, false, false},              // program names ignore case
        {"C:\\Office\\Outlook.exe", "", true, false, false},  // a path names its file
        {"- word", "", false, true, false},                   // a title part
        {"  winword.exe |  inbox ", "", true, true, false},   // blanks around parts
        {"", "outlook.exe", false, true, true},
        {"- Mail|- Word", "winword.exe", true, false, false},  // both lists
        {"почта", "", false, false, true},                     // any alphabet
        {"outlook", "", false, false, false},                  // no ".exe": a title part
    };
    for (const Case& c : cases) {
        store::Macro m;
        m.onlyIn = c.onlyIn;
        m.notIn = c.notIn;
        SCOPED_TRACE(std::string(c.onlyIn) + " / " + c.notIn);
        EXPECT_EQ(store::runsAt(m, mail, names), c.mail);
        EXPECT_EQ(store::runsAt(m, word, names), c.word);
        EXPECT_EQ(store::runsAt(m, unknown, names), c.unknown);
    }
}

// Scoped macros share one registration, the lower slot first; where none of
// them runs the key goes to the program in front; a switched-off macro and
// a paused table hold no key.
TEST_F(SlotTableTest, ScopedMacrosShareAHotKeyAndGiveItBackWhereNoneRuns) {
    store.writeInt("Main", "Entries", 4);
    for (const char* s : {"Macro1", "Macro2", "Macro3"}) store.writeInt(s, "HotKey", 16449);  // Ctrl+A
    store.writeString("Macro1", "OnlyIn", "outlook.exe");
    store.writeString("Macro2", "NotIn", "notepad.exe");
    store.writeString("Macro3", "OnlyIn", "winword.exe");
    store.writeInt("Macro4", "HotKey", 16450);  // Ctrl+B, switched off
    store.writeInt("Macro4", "Enabled", 0);
    load();
    EXPECT_FALSE(table.refused(2));
    EXPECT_FALSE(table.refused(3));
    const auto front = [&](const char* program) {
        const os::WindowHandle w = fake.windows.open(program);
        fake.windows.programs[w] = program;
        fake.windows.setForeground(w);
    };
    front("outlook.exe");
    hk.press(os::kModControl, 'A');  // 1 and 2 both match: 1 runs
    front("winword.exe");
    hk.press(os::kModControl, 'A');  // 2 and 3 match: 2 runs
    EXPECT_EQ(fired, (std::vector<int>{1, 2}));
    front("notepad.exe");
    fake.keyboard.events.clear();
    EXPECT_TRUE(hk.press(os::kModControl, 'A'));
    EXPECT_EQ(fired.size(), 2u) << "no macro runs in Notepad";
    ASSERT_EQ(fake.keyboard.events.size(), 2u) << "the key goes to Notepad";
    EXPECT_EQ(fake.keyboard.events[0].vk, 'A');
    EXPECT_EQ(fake.keyboard.events[1].flags & os::kKeyUp, os::kKeyUp);
    EXPECT_TRUE(hk.isRegistered(os::kModControl, 'A')) << "registered again afterwards";
    EXPECT_FALSE(hk.isRegistered(os::kModControl, 'B')) << "a switched-off macro holds no key";
    table.setPaused(true);
    EXPECT_EQ(hk.registeredCount(), 0u);
    load();
    EXPECT_EQ(hk.registeredCount(), 0u) << "a reload while paused registers nothing";
    table.setPaused(false);
    EXPECT_TRUE(hk.isRegistered(os::kModControl, 'A'));
    EXPECT_FALSE(table.refused(2)) << "still shared after a reload while paused";
}
