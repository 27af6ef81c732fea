#include "authoring/win32/hint_form.hpp"

namespace kv::authoring::win32 {

HintForm::HintForm(os::System& sys, Hints& hints, HWND owner) : Form(sys), hints_(hints) {
    create("TfrmHint", "Keyvale Hints", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, owner);
    setClientSize96(320, 164);
    using namespace ui::win32;
    enum Role { kText = 1, kShowHints, kOk };
    add({
        {kMemo, kText, {"", {8, 8, 304, 112}}},
        {kCheckBox, kShowHints, {"Show hints", {8, 134, 150, 17}}},
        {kButton, kOk, {"&OK", {237, 131, 75, 23}}},
    });
    text_ = &control<Edit>(kText);
    showHints_ = &control<CheckBox>(kShowHints);
    ok_ = &control<Button>(kOk);
    text_->setReadOnly(true);
    showHints_->setChecked(true);
    ok_->onClick = [this] { endModal(IDOK); };
    setDefaultButton(ok_);
    setCancelButton(ok_);
}

void HintForm::showModal(const std::string& text) {
    if (inModalLoop()) return;
    text_->setText(text);
    // Show it over the window that asked, which the modal loop disables.
    if (HWND active = GetActiveWindow(); active && active != hwnd())
        SetWindowLongPtrW(hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(active));
    centre();
    show(true);
    ok_->focus();
    Form::showModal();
    system().guard.run([&] { hints_.closed(showHints_->checked()); });
}

LRESULT HintForm::handle(UINT msg, WPARAM wp, LPARAM lp) {
    // The read-only text in the tool-tip colours.
    if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lp) == text_->hwnd()) {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
        SetBkColor(dc, GetSysColor(COLOR_INFOBK));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_INFOBK));
    }
    return Form::handle(msg, wp, lp);
}

}  // namespace kv::authoring::win32
