#include "authoring/win32/script_page.hpp"

namespace kv::authoring::win32 {

// A plain script box under the page's heading.
struct ScriptPage::Impl {
    ui::win32::Label* heading = nullptr;
    ui::win32::Label* note = nullptr;
    ui::win32::Edit* script = nullptr;
    bool shown = false;
};

ScriptPage::ScriptPage(ui::win32::Form& wizard, const ui::win32::Rect96& area, ScriptPageHost&)
    : impl_(std::make_unique<Impl>()) {
    const int x = area.left, y = area.top, w = area.width;
    impl_->heading = &wizard.label({"Create an advanced macro", {x, y, w, 16}, 0, 0, true});
    impl_->note = &wizard.label(
        {"Type the text of your macro below; special keys and commands are written between << and >>.",
         {x, y + 22, w, 28}});
    impl_->script = &wizard.memo({"", {x, y + 54, w, area.height - 54}, ES_WANTRETURN});
    show(false);
}

ScriptPage::~ScriptPage() = default;

void ScriptPage::show(bool on) {
    impl_->shown = on;
    impl_->heading->show(on);
    impl_->note->show(on);
    impl_->script->show(on);
}

bool ScriptPage::visible() const {
    return impl_->shown;
}

std::string ScriptPage::script() const {
    std::string text = impl_->script->text();
    if (!text.empty() && !text.ends_with("\r\n")) text += "\r\n";
    return text;
}

void ScriptPage::setScript(const std::string& text) {
    impl_->script->setText(text);
}

void ScriptPage::focusScript() {
    impl_->script->focus();
}

}  // namespace kv::authoring::win32
