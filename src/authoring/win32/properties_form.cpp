#include "authoring/win32/properties_form.hpp"

#include "os/win32/handles.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::authoring::win32 {

using ui::win32::Button;
using ui::win32::ControlArgs;
using ui::win32::Edit;
using ui::win32::Label;
using ui::win32::RadioButton;
using ui::win32::Rect96;

namespace {

constexpr UINT kApplyFocus = WM_APP + 1;
constexpr int kWidth = 372;
constexpr int kRowTop = 104;  // the kind's own row, under the name

}  // namespace

struct PropertiesForm::Controls {
    Label* picture = nullptr;
    Label* type = nullptr;
    Edit* name = nullptr;
    Label* fileLabel = nullptr;
    Edit* file = nullptr;
    Button* browse = nullptr;
    Button* editMacro = nullptr;
    RadioButton* normalSpeed = nullptr;
    RadioButton* highSpeed = nullptr;
    Label* recordGroup = nullptr;
    Button* record = nullptr;
    Button* stop = nullptr;
    Button* play = nullptr;
    Label* stopKeyLabel = nullptr;
    Label* stopKey = nullptr;
    Edit* scratch = nullptr;
    Label* triggerGroup = nullptr;
    Label* hotKeyLabel = nullptr;
    ui::win32::HotKeyEdit* hotKey = nullptr;
    Label* windowLabel = nullptr;
    Edit* trigger = nullptr;
    Button* ok = nullptr;
    Button* cancel = nullptr;
    os::win32::UniqueIcon icon;
    ui::win32::Control* pendingFocus = nullptr;
};

PropertiesForm::PropertiesForm(os::System& sys, journal::Journal& journal, triggers::RunState& state,
                               PropertiesHost& host, HWND owner)
    : presenter_(sys, journal, state, host), c_(std::make_unique<Controls>()) {
    create("TfrmProperties", "Macro Properties", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
           owner);
    Controls& c = *c_;
    c.picture = &add<Label>("STATIC", ControlArgs{"", {10, 10, 32, 32}}, SS_ICON | SS_CENTERIMAGE);
    label({"Use the options below to modify the properties of this macro.", {52, 14, 310, 28}});
    label({"Type:", {10, 54, 50, 14}});
    c.type = &label({"", {64, 54, 298, 14}});
    label({"Name:", {10, 78, 50, 14}});
    c.name = &edit({"", {64, 75, 298, 21}});
    c.name->setLimit(50);

    c.fileLabel = &label({"FileName:", {10, kRowTop + 3, 52, 14}});
    c.file = &edit({"", {64, kRowTop, 216, 21}});
    c.browse = &button({"&Browse", {286, kRowTop - 1, 76, 23}});
    c.editMacro = &button({"&Edit Macro", {64, kRowTop - 1, 100, 23}});
    c.normalSpeed = &radio({"Play this macro back at its recorded speed.", {64, kRowTop, 298, 18}, WS_GROUP});
    c.highSpeed = &radio({"Play this macro back at high speed", {64, kRowTop + 18, 298, 18}});

    c.recordGroup = &add<Label>("BUTTON", ControlArgs{"Recording", {}, WS_GROUP}, BS_GROUPBOX);
    c.record = &button({"&Start Recording", {}, WS_GROUP});
    c.stop = &button({"Stop &Recording", {}});
    c.play = &button({"&Playback", {}});
    c.stopKeyLabel = &label({"Stop key:", {}});
    c.stopKey = &label({"Shift+Ctrl+F12", {}, 0, 0, true});
    c.scratch = &memo({"", {}});

    c.triggerGroup = &add<Label>("BUTTON", ControlArgs{"Triggers...", {}}, BS_GROUPBOX);
    c.hotKeyLabel = &label({"HotKey:", {}});
    c.hotKey = &hotKeyEdit({"", {}});
    c.windowLabel = &label({"Window:", {}});
    c.trigger = &edit({"", {}});
    c.ok = &button({"&OK", {}, WS_GROUP});
    c.cancel = &button({"&Cancel", {}});
    setDefaultButton(c.ok);
    setCancelButton(c.cancel);
    c.stop->enable(false);

    presenter_.setView(this);
    c.ok->onClick = [this] { guarded([this] { presenter_.ok(); }); };
    c.cancel->onClick = [this] { guarded([this] { presenter_.cancel(); }); };
    onClose = [this] { guarded([this] { presenter_.cancel(); }); };
    c.browse->onClick = [this] { guarded([this] { presenter_.browse(); }); };
    c.editMacro->onClick = [this] { guarded([this] { presenter_.editMacro(); }); };
    c.record->onClick = [this] { guarded([this] { presenter_.record(); }); };
    c.stop->onClick = [this] { guarded([this] { presenter_.stop(); }); };
    c.play->onClick = [this] { guarded([this] { presenter_.play(); }); };
    onKeyUp = [this](WPARAM key) { guarded([&] { presenter_.keyUp(static_cast<unsigned>(key)); }); };

    setLayout(PropertiesLayout{"", 1, true, false, false, false});
    centre();
}

PropertiesForm::~PropertiesForm() = default;

void PropertiesForm::showFor(int slot) {
    guarded([&] { presenter_.open(slot); });
    showModal();
}

void PropertiesForm::stopRecordingByHotKey() {
    guarded([this] { presenter_.stopByHotKey(); });
}

LRESULT PropertiesForm::handle(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SHOWWINDOW) {
        if (!wp) {
            guarded([this] { presenter_.hidden(); });
        } else if (c_->pendingFocus) {
            PostMessageA(hwnd(), kApplyFocus, 0, 0);
        }
    } else if (msg == kApplyFocus) {
        if (c_->pendingFocus) c_->pendingFocus->focus();
        c_->pendingFocus = nullptr;
        return 0;
    }
    return Form::handle(msg, wp, lp);
}

void PropertiesForm::setLayout(const PropertiesLayout& l) {
    Controls& c = *c_;
    c.type->setText(l.description);
    for (ui::win32::Control* x :
         {static_cast<ui::win32::Control*>(c.fileLabel), static_cast<ui::win32::Control*>(c.file),
          static_cast<ui::win32::Control*>(c.browse)})
        x->show(l.fileRow);
    c.editMacro->show(l.editMacro);
    c.normalSpeed->show(l.speedChoice);
    c.highSpeed->show(l.speedChoice);

    // The rows below follow the kind's own row, so no kind leaves a gap.
    int y = kRowTop + (l.speedChoice ? 42 : l.fileRow || l.editMacro ? 30 : 0);
    const bool rec = l.recordPanel;
    for (ui::win32::Control* x :
         {static_cast<ui::win32::Control*>(c.recordGroup), static_cast<ui::win32::Control*>(c.record),
          static_cast<ui::win32::Control*>(c.stop), static_cast<ui::win32::Control*>(c.play),
          static_cast<ui::win32::Control*>(c.stopKeyLabel), static_cast<ui::win32::Control*>(c.stopKey),
          static_cast<ui::win32::Control*>(c.scratch)})
        x->show(rec);
    if (rec) {
        c.recordGroup->place({10, y, 352, 120});
        c.record->place({20, y + 20, 100, 23});
        c.stop->place({126, y + 20, 100, 23});
        c.play->place({232, y + 20, 80, 23});
        c.stopKeyLabel->place({20, y + 52, 58, 14});
        c.stopKey->place({80, y + 52, 150, 14});
        c.scratch->place({20, y + 70, 332, 40});
        y += 128;
    }
    c.triggerGroup->place({10, y, 352, 80});
    c.hotKeyLabel->place({20, y + 22, 50, 14});
    c.hotKey->place({74, y + 19, 150, 21});
    c.windowLabel->place({20, y + 50, 50, 14});
    c.trigger->place({74, y + 47, 278, 21});
    y += 90;
    c.ok->place({206, y, 75, 23});
    c.cancel->place({287, y, 75, 23});
    setClientSize96(kWidth, y + 33);

    // The kind's picture; the program's icon stands in when one is missing.
    const int size = scale(32);
    const std::string resource = "KIND" + std::to_string(l.picture);
    HICON icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), resource.c_str(), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    if (!icon)
        icon =
            static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, size, size, 0));
    SendMessageA(c.picture->hwnd(), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    c.icon.reset(icon);
}

void PropertiesForm::setName(const std::string& text) {
    c_->name->setText(text);
}
std::string PropertiesForm::name() {
    return c_->name->text();
}
void PropertiesForm::setFileName(const std::string& text) {
    c_->file->setText(text);
}
std::string PropertiesForm::fileName() {
    return c_->file->text();
}
void PropertiesForm::setHighSpeed(bool on) {
    c_->highSpeed->setChecked(on);
    c_->normalSpeed->setChecked(!on);
}
bool PropertiesForm::highSpeed() {
    return c_->highSpeed->checked();
}
void PropertiesForm::setHotKey(std::uint16_t shortcut) {
    c_->hotKey->setValue(shortcut);
}
std::uint16_t PropertiesForm::hotKey() {
    return c_->hotKey->value();
}
void PropertiesForm::setTrigger(const std::string& text) {
    c_->trigger->setText(text);
}
std::string PropertiesForm::trigger() {
    return c_->trigger->text();
}
void PropertiesForm::clearScratch() {
    c_->scratch->setText("");
}

void PropertiesForm::enable(PropertiesButton b, bool on) {
    switch (b) {
        case PropertiesButton::Record: c_->record->enable(on); break;
        case PropertiesButton::Stop: c_->stop->enable(on); break;
        case PropertiesButton::Play: c_->play->enable(on); break;
        case PropertiesButton::Ok: c_->ok->enable(on); break;
        case PropertiesButton::Cancel: c_->cancel->enable(on); break;
    }
}

void PropertiesForm::focus(PropertiesFocus f) {
    ui::win32::Control* target = f == PropertiesFocus::Name ? static_cast<ui::win32::Control*>(c_->name)
                                 : f == PropertiesFocus::Browse
                                     ? static_cast<ui::win32::Control*>(c_->browse)
                                     : static_cast<ui::win32::Control*>(c_->scratch);
    // A hidden form takes the focus once it shows.
    if (visible())
        target->focus();
    else
        c_->pendingFocus = target;
}

void PropertiesForm::showDialog(bool on) {
    if (on)
        show(true);
    else
        hide();
}

void PropertiesForm::bringToFront() {
    SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    os::win32::forceForeground(hwnd());
}

void PropertiesForm::close() {
    if (inModalLoop())
        endModal(1);
    else
        hide();
}

}  // namespace kv::authoring::win32
