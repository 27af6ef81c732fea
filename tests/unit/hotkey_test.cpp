#include <gtest/gtest.h>

#include "hotkeys/hot_key_slots.hpp"
#include "os/fake/fake_os.hpp"
#include "run_requests.hpp"
#include "store/macros.hpp"
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
    os::fake::FakeHotKeys hk;
    os::fake::FakeFiles files;
    Store store{files, "C:\\windows\\macros.ini"};
    test::Runs runs;
    std::vector<int>& fired = runs.slots;
    HotKeySlotTable table{hk, runs};
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
