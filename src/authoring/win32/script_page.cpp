#include "authoring/win32/script_page.hpp"

#include <algorithm>
#include <iterator>
#include <vector>

#include "authoring/arrival_choice.hpp"
#include "authoring/script_editor.hpp"
#include "authoring/win32/command_dialog_forms.hpp"
#include "ui/win32/accessibility.hpp"
#include "ui/win32/menu_button.hpp"

namespace kv::authoring::win32 {

using ui::win32::Rect96;

namespace {

constexpr int kButtonWidth = 112;
constexpr int kButtonHeight = 23;
constexpr int kGap = 8;
constexpr int kButtonGap = 3;  // between the buttons of the column
// The two rows of how the text arrives, under the script box and the buttons.
constexpr int kArrivalRows = 49;

}  // namespace

struct ScriptPage::Impl : ScriptEditorView {
    Impl(ui::win32::Form& form, const Rect96& a, ScriptPageHost& pageHost, CommandDialogForms& commandDialogs)
        : wizard(form), host(pageHost), dialogs(commandDialogs), editor(*this, pageHost) {
        using namespace ui::win32;
        const int top = a.top + 60;
        const int column = a.left + a.width - kButtonWidth;
        auto at = [&](int slot) {
            return Rect96{column, top + slot * (kButtonHeight + kButtonGap), kButtonWidth, kButtonHeight};
        };
        // The page's roles on the wizard form, apart from the wizard's own.
        enum Role {
            kScript = 200,
            kDelay,
            kSpecialKeys,
            kMoreKeys,
            kRepeat,
            kDateTime,
            kMisc,
            kInsert,
            kPasteKeys
        };
        const int row = a.top + a.height - 46;
        // Without ES_WANTRETURN: Enter presses the wizard's default button.
        controls = wizard.add({
            {kLabel, 0, {"Create an advanced macro", {a.left, a.top, a.width, 18}, 0, 0, true}},
            {kLabel,
             0,
             {"Type the keys to be played back below.  Use the extra options for additional features.",
              {a.left, a.top + 24, a.width, 30}}},
            {kMemo,
             kScript,
             {"", {a.left, top, a.width - kButtonWidth - kGap, a.height - (top - a.top) - kArrivalRows}}},
            {kMenuButton, kSpecialKeys, {"Special &Keys", at(0)}},
            {kMenuButton, kMoreKeys, {"&More Keys", at(1)}},
            {kButton, kDelay, {"&Start a Delay", at(2)}},
            {kMenuButton, kRepeat, {"&Repeat", at(3)}},
            {kMenuButton, kDateTime, {"&Date / Time", at(4)}},
            {kMenuButton, kMisc, {"&Misc.", at(5)}},
        });
        arrival = wizard.add({
            {kLabel, 0, {"How the text &arrives:", {a.left, row + 3, 116, 14}}},
            {kComboBox, kInsert, {"", {a.left + 120, row, a.width - 120, 200}}},
            {kLabel, 0, {"Paste &with:", {a.left, row + 27, 116, 14}}},
            {kComboBox, kPasteKeys, {"", {a.left + 120, row + 24, 110, 200}}},
        });
        insertWay = &wizard.control<ComboBox>(kInsert);
        insertWay->setItems({std::begin(kInsertCaptions), std::end(kInsertCaptions)});
        pasteKeys = &wizard.control<ComboBox>(kPasteKeys);
        pasteKeys->setItems({std::begin(kPasteKeysCaptions), std::end(kPasteKeysCaptions)});
        insertWay->select(0);
        pasteKeys->select(0);
        script = &wizard.control<Edit>(kScript);
        script->setLimit(0);
        ui::win32::setAccessibleName(script->hwnd(), "Script");
        wizard.control<Button>(kDelay).onClick = [this] { editor.startDelay(); };
        const std::pair<Role, EditorMenu> menus[] = {
            {kSpecialKeys, EditorMenu::SpecialKeys},
            {kMoreKeys, EditorMenu::MoreKeys},
            {kRepeat, EditorMenu::Repeat},
            {kDateTime, EditorMenu::DateTime},
            {kMisc, EditorMenu::Misc},
        };
        for (const auto& [role, menu] : menus) {
            auto& b = wizard.control<MenuButton>(role);
            b.setItems(editorMenuCaptions(menu));
            b.onChange = [this, &b, menu] { editor.choose(menu, b.itemIndex()); };
        }
        for (ui::win32::Control* c : controls) c->show(false);
        for (ui::win32::Control* c : arrival) c->show(false);
    }

    void insert(const std::string& text) override { script->replaceSelection(text); }
    void focusScript() override { script->focus(); }
    void showCommandDialog(CommandDialogKind kind) override {
        dialogs.run(kind, wizard.hwnd(), [this](const std::string& token) { insert(token); });
    }

    ui::win32::Form& wizard;
    ScriptPageHost& host;
    CommandDialogForms& dialogs;
    ScriptEditor editor;
    ui::win32::Edit* script = nullptr;
    ui::win32::ComboBox* insertWay = nullptr;
    ui::win32::ComboBox* pasteKeys = nullptr;
    std::vector<ui::win32::Control*> controls;
    std::vector<ui::win32::Control*> arrival;
    bool shown = false;
    bool arrivalShown = true;
};

ScriptPage::ScriptPage(ui::win32::Form& wizard, const Rect96& area, ScriptPageHost& host,
                       CommandDialogForms& dialogs)
    : impl_(std::make_unique<Impl>(wizard, area, host, dialogs)) {}

ScriptPage::~ScriptPage() = default;

void ScriptPage::show(bool on) {
    for (ui::win32::Control* c : impl_->controls) c->show(on);
    for (ui::win32::Control* c : impl_->arrival) c->show(on && impl_->arrivalShown);
    impl_->shown = on;
}

void ScriptPage::showArrival(bool on) {
    impl_->arrivalShown = on;
    for (ui::win32::Control* c : impl_->arrival) c->show(impl_->shown && on);
}

store::Insert ScriptPage::insert() const {
    return static_cast<store::Insert>(std::max(0, impl_->insertWay->selectedIndex()));
}

store::PasteKeys ScriptPage::pasteKeys() const {
    return static_cast<store::PasteKeys>(std::max(0, impl_->pasteKeys->selectedIndex()));
}

void ScriptPage::setArrival(store::Insert insert, store::PasteKeys keys) {
    impl_->insertWay->select(static_cast<int>(insert));
    impl_->pasteKeys->select(static_cast<int>(keys));
}

bool ScriptPage::visible() const {
    return impl_->shown;
}

std::string ScriptPage::script() const {
    // Saved as lines, each ended by CR LF.
    std::string text = impl_->script->text();
    if (!text.empty() && !text.ends_with("\r\n")) text += "\r\n";
    return text;
}

void ScriptPage::setScript(const std::string& text) {
    // The edit control breaks lines only at CR LF.
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) shown += '\r';
        shown += text[i];
    }
    impl_->script->setText(shown);
}

void ScriptPage::focusScript() {
    impl_->script->focus();
}

}  // namespace kv::authoring::win32
