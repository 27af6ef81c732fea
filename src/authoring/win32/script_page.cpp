#include "authoring/win32/script_page.hpp"

#include <vector>

#include "authoring/script_editor.hpp"
#include "authoring/win32/command_dialog_forms.hpp"
#include "ui/win32/menu_button.hpp"

namespace kv::authoring::win32 {

using ui::win32::ControlArgs;
using ui::win32::Rect96;

namespace {

constexpr int kButtonWidth = 112;
constexpr int kButtonHeight = 25;
constexpr int kGap = 8;

}  // namespace

struct ScriptPage::Impl : ScriptEditorView {
    Impl(ui::win32::Form& form, const Rect96& a, ScriptPageHost& pageHost)
        : wizard(form), host(pageHost), editor(*this, pageHost) {
        const int top = a.top + 60;
        const int column = a.left + a.width - kButtonWidth;
        controls.push_back(
            &wizard.label({"Create an advanced macro", {a.left, a.top, a.width, 18}, 0, 0, true}));
        controls.push_back(
            &wizard.label({"Type the keys to be played back below.  Use the extra options for "
                           "additional features.",
                           {a.left, a.top + 24, a.width, 30}}));
        // Without ES_WANTRETURN: Enter presses the wizard's default button.
        script = &wizard.memo({"", {a.left, top, a.width - kButtonWidth - kGap, a.height - (top - a.top)}});
        script->setLimit(0);
        controls.push_back(script);
        int y = top;
        auto menuButton = [&](const char* caption, EditorMenu menu) {
            auto& b = ui::win32::MenuButton::add(wizard, {caption, {column, y, kButtonWidth, kButtonHeight}},
                                                 editorMenuCaptions(menu));
            b.onChange = [this, &b, menu] { editor.choose(menu, b.itemIndex()); };
            controls.push_back(&b);
            y += kButtonHeight + kGap;
        };
        menuButton("Special &Keys", EditorMenu::SpecialKeys);
        menuButton("&More Keys", EditorMenu::MoreKeys);
        auto& delay = wizard.button({"&Start a Delay", {column, y, kButtonWidth, kButtonHeight}});
        delay.onClick = [this] { editor.startDelay(); };
        controls.push_back(&delay);
        y += kButtonHeight + kGap;
        menuButton("&Repeat", EditorMenu::Repeat);
        menuButton("&Date / Time", EditorMenu::DateTime);
        menuButton("&Misc.", EditorMenu::Misc);
        for (ui::win32::Control* c : controls) c->show(false);
    }

    void insert(const std::string& text) override { script->replaceSelection(text); }
    void focusScript() override { script->focus(); }
    void showCommandDialog(CommandDialogKind kind) override {
        if (CommandDialogForms* dialogs = CommandDialogForms::instance())
            dialogs->run(kind, wizard.hwnd(), [this](const std::string& token) { insert(token); });
    }

    ui::win32::Form& wizard;
    ScriptPageHost& host;
    ScriptEditor editor;
    ui::win32::Edit* script = nullptr;
    std::vector<ui::win32::Control*> controls;
    bool shown = false;
};

ScriptPage::ScriptPage(ui::win32::Form& wizard, const Rect96& area, ScriptPageHost& host)
    : impl_(std::make_unique<Impl>(wizard, area, host)) {}

ScriptPage::~ScriptPage() = default;

void ScriptPage::show(bool on) {
    for (ui::win32::Control* c : impl_->controls) c->show(on);
    impl_->shown = on;
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
