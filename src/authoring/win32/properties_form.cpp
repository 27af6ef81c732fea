#include "authoring/win32/properties_form.hpp"

#include <algorithm>
#include <iterator>

#include "os/win32/handles.hpp"
#include "os/win32/wide.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::authoring::win32 {

using ui::win32::Button;
using ui::win32::ComboBox;
using ui::win32::Edit;
using ui::win32::Label;
using ui::win32::RadioButton;

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
    Label* insertLabel = nullptr;
    ComboBox* insert = nullptr;
    Label* pasteKeysLabel = nullptr;
    ComboBox* pasteKeys = nullptr;
    Label* keyDelayLabel = nullptr;
    Edit* keyDelay = nullptr;
    Label* triggerGroup = nullptr;
    Label* hotKeyLabel = nullptr;
    ui::win32::HotKeyEdit* hotKey = nullptr;
    Label* windowLabel = nullptr;
    Edit* trigger = nullptr;
    Label* onlyInLabel = nullptr;
    Edit* onlyIn = nullptr;
    Label* notInLabel = nullptr;
    Edit* notIn = nullptr;
    Label* abbreviationLabel = nullptr;
    Edit* abbreviation = nullptr;
    ui::win32::CheckBox* immediate = nullptr;
    ui::win32::CheckBox* enabled = nullptr;
    Button* ok = nullptr;
    Button* cancel = nullptr;
    os::win32::UniqueIcon icon;
    ui::win32::Control* pendingFocus = nullptr;
};

PropertiesForm::PropertiesForm(os::System& sys, journal::Journal& journal, playback::RunState& state,
                               PropertiesHost& host, HWND owner)
    : Form(sys), presenter_(sys, journal, state, host, *this), c_(std::make_unique<Controls>()) {
    create("TfrmProperties", "Macro Properties", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
           owner);
    using namespace ui::win32;
    // The rows below the kind's own row are placed by setLayout.
    enum Role {
        kPicture = 1,
        kType,
        kName,
        kFileLabel,
        kFile,
        kBrowse,
        kEditMacro,
        kNormalSpeed,
        kHighSpeed,
        kRecordGroup,
        kRecord,
        kStop,
        kPlay,
        kStopKeyLabel,
        kStopKey,
        kScratch,
        kInsertLabel,
        kInsert,
        kPasteKeysLabel,
        kPasteKeys,
        kKeyDelayLabel,
        kKeyDelay,
        kTriggerGroup,
        kHotKeyLabel,
        kHotKey,
        kWindowLabel,
        kTrigger,
        kEnabled,
        kOnlyInLabel,
        kOnlyIn,
        kNotInLabel,
        kNotIn,
        kAbbreviationLabel,
        kAbbreviation,
        kImmediate,
        kOk,
        kCancel,
    };
    add({
        {kIcon, kPicture, {"", {10, 10, 32, 32}}},
        {kLabel, 0, {"Use the options below to modify the properties of this macro.", {52, 14, 310, 28}}},
        {kLabel, 0, {"Type:", {10, 54, 50, 14}}},
        {kLabel, kType, {"", {64, 54, 298, 14}}},
        {kLabel, 0, {"Name:", {10, 78, 50, 14}}},
        {kEdit, kName, {"", {64, 75, 298, 21}}},
        {kLabel, kFileLabel, {"FileName:", {10, kRowTop + 3, 52, 14}}},
        {kEdit, kFile, {"", {64, kRowTop, 216, 21}}},
        {kButton, kBrowse, {"&Browse", {286, kRowTop - 1, 76, 23}}},
        {kButton, kEditMacro, {"&Edit Macro", {64, kRowTop - 1, 100, 23}}},
        {kRadio,
         kNormalSpeed,
         {"Play this macro back at its recorded speed.", {64, kRowTop, 298, 18}, WS_GROUP}},
        {kRadio, kHighSpeed, {"Play this macro back at high speed", {64, kRowTop + 18, 298, 18}}},
        {kGroupBox, kRecordGroup, {"Recording", {}, WS_GROUP}},
        {kButton, kRecord, {"&Start Recording", {}, WS_GROUP}},
        {kButton, kStop, {"Stop &Recording", {}}},
        {kButton, kPlay, {"&Playback", {}}},
        {kLabel, kStopKeyLabel, {"Stop key:", {}}},
        {kLabel, kStopKey, {"Shift+Ctrl+F12", {}, 0, 0, true}},
        {kScratchArea, kScratch, {"", {}}},
        {kLabel, kInsertLabel, {"How the text &arrives:", {}}},
        {kComboBox, kInsert, {"", {}}},
        {kLabel, kPasteKeysLabel, {"Paste &with:", {}}},
        {kComboBox, kPasteKeys, {"", {}}},
        {kLabel, kKeyDelayLabel, {"&Pause between keys (ms):", {}}},
        {kEdit, kKeyDelay, {"", {}, ES_NUMBER}},
        {kGroupBox, kTriggerGroup, {"Triggers...", {}}},
        {kLabel, kHotKeyLabel, {"HotKey:", {}}},
        {ui::win32::kHotKey, kHotKey, {"", {}}},
        {kLabel, kWindowLabel, {"Window:", {}}},
        {kEdit, kTrigger, {"", {}}},
        // Alt+A is the text's arrival.
        {kLabel, kAbbreviationLabel, {"Abbre&viation:", {}}},
        {kEdit, kAbbreviation, {"", {}}},
        {kCheckBox, kImmediate, {"Expand as soon as it is typed", {}}},
        {kCheckBox, kEnabled, {"&Enabled", {}}},
        {kLabel, kOnlyInLabel, {"Only &in:", {}}},
        {kEdit, kOnlyIn, {"", {}}},
        {kLabel, kNotInLabel, {"&Not in:", {}}},
        {kEdit, kNotIn, {"", {}}},
        {kButton, kOk, {"&OK", {}, WS_GROUP}},
        {kButton, kCancel, {"&Cancel", {}}},
    });
    Controls& c = *c_;
    c.picture = &control<Label>(kPicture);
    c.type = &control<Label>(kType);
    c.name = &control<Edit>(kName);
    c.fileLabel = &control<Label>(kFileLabel);
    c.file = &control<Edit>(kFile);
    c.browse = &control<Button>(kBrowse);
    c.editMacro = &control<Button>(kEditMacro);
    c.normalSpeed = &control<RadioButton>(kNormalSpeed);
    c.highSpeed = &control<RadioButton>(kHighSpeed);
    c.recordGroup = &control<Label>(kRecordGroup);
    c.record = &control<Button>(kRecord);
    c.stop = &control<Button>(kStop);
    c.play = &control<Button>(kPlay);
    c.stopKeyLabel = &control<Label>(kStopKeyLabel);
    c.stopKey = &control<Label>(kStopKey);
    c.scratch = &control<Edit>(kScratch);
    c.insertLabel = &control<Label>(kInsertLabel);
    c.insert = &control<ComboBox>(kInsert);
    c.pasteKeysLabel = &control<Label>(kPasteKeysLabel);
    c.pasteKeys = &control<ComboBox>(kPasteKeys);
    c.keyDelayLabel = &control<Label>(kKeyDelayLabel);
    c.keyDelay = &control<Edit>(kKeyDelay);
    c.insert->setItems({std::begin(kInsertCaptions), std::end(kInsertCaptions)});
    c.pasteKeys->setItems({std::begin(kPasteKeysCaptions), std::end(kPasteKeysCaptions)});
    c.keyDelay->setLimit(4);
    c.triggerGroup = &control<Label>(kTriggerGroup);
    c.hotKeyLabel = &control<Label>(kHotKeyLabel);
    c.hotKey = &control<HotKeyEdit>(kHotKey);
    c.windowLabel = &control<Label>(kWindowLabel);
    c.trigger = &control<Edit>(kTrigger);
    c.enabled = &control<CheckBox>(kEnabled);
    c.onlyInLabel = &control<Label>(kOnlyInLabel);
    c.onlyIn = &control<Edit>(kOnlyIn);
    c.notInLabel = &control<Label>(kNotInLabel);
    c.notIn = &control<Edit>(kNotIn);
    // What a read of the store keeps of a list.
    c.onlyIn->setLimit(1023);
    c.notIn->setLimit(1023);
    c.abbreviationLabel = &control<Label>(kAbbreviationLabel);
    c.abbreviation = &control<Edit>(kAbbreviation);
    c.immediate = &control<CheckBox>(kImmediate);
    c.abbreviation->setLimit(64);
    c.ok = &control<Button>(kOk);
    c.cancel = &control<Button>(kCancel);
    c.name->setLimit(50);
    setDefaultButton(c.ok);
    setCancelButton(c.cancel);
    c.stop->enable(false);

    c.ok->onClick = [this] { presenter_.ok(); };
    c.cancel->onClick = [this] { presenter_.cancel(); };
    onClose = [this] { presenter_.cancel(); };
    c.browse->onClick = [this] { presenter_.browse(); };
    c.editMacro->onClick = [this] { presenter_.editMacro(); };
    c.record->onClick = [this] { presenter_.record(); };
    c.stop->onClick = [this] { presenter_.stop(); };
    c.play->onClick = [this] { presenter_.play(); };
    c.hotKey->onLeave = [this] { presenter_.hotKeyLeft(); };
    onKeyUp = [this](WPARAM key) { presenter_.keyUp(static_cast<unsigned>(key)); };

    setLayout(PropertiesLayout{"", 1, true, false, false, false});
    centre();
}

PropertiesForm::~PropertiesForm() = default;

void PropertiesForm::showFor(int slot) {
    // The dialog opens even when reading the macro failed (the box said why).
    system().guard.run([&] { presenter_.open(slot); });
    showModal();
}

void PropertiesForm::stopRecordingByHotKey() {
    system().guard.run([this] { presenter_.stopByHotKey(); });
}

LRESULT PropertiesForm::handle(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SHOWWINDOW) {
        if (!wp) {
            system().guard.run([this] { presenter_.hidden(); });
        } else if (c_->pendingFocus) {
            PostMessageW(hwnd(), kApplyFocus, 0, 0);
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
    for (ui::win32::Control* x :
         {static_cast<ui::win32::Control*>(c.insertLabel), static_cast<ui::win32::Control*>(c.insert),
          static_cast<ui::win32::Control*>(c.pasteKeysLabel), static_cast<ui::win32::Control*>(c.pasteKeys),
          static_cast<ui::win32::Control*>(c.keyDelayLabel), static_cast<ui::win32::Control*>(c.keyDelay)})
        x->show(l.arrival);
    if (l.arrival) {
        c.insertLabel->place({10, y + 3, 150, 14});
        c.insert->place({164, y, 198, 200});
        c.pasteKeysLabel->place({10, y + 31, 150, 14});
        c.pasteKeys->place({164, y + 28, 110, 200});
        c.keyDelayLabel->place({10, y + 59, 150, 14});
        c.keyDelay->place({164, y + 56, 60, 21});
        y += 86;
    }
    c.triggerGroup->place({10, y, 352, 164});
    c.hotKeyLabel->place({20, y + 22, 50, 14});
    c.hotKey->place({74, y + 19, 150, 21});
    c.enabled->place({240, y + 20, 112, 18});
    c.windowLabel->place({20, y + 50, 50, 14});
    c.trigger->place({74, y + 47, 278, 21});
    c.abbreviationLabel->place({20, y + 78, 66, 14});
    c.abbreviation->place({88, y + 75, 80, 21});
    c.immediate->place({176, y + 77, 176, 18});
    c.onlyInLabel->place({20, y + 106, 52, 14});
    c.onlyIn->place({74, y + 103, 278, 21});
    c.notInLabel->place({20, y + 134, 52, 14});
    c.notIn->place({74, y + 131, 278, 21});
    y += 174;
    c.ok->place({206, y, 75, 23});
    c.cancel->place({287, y, 75, 23});
    setClientSize96(kWidth, y + 33);

    // The kind's picture; the program's icon stands in when one is missing.
    const int size = scale(32);
    const std::wstring resource = os::win32::widen("KIND" + std::to_string(l.picture));
    HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), resource.c_str(), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    if (!icon)
        icon =
            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, 0));
    SendMessageW(c.picture->hwnd(), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
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
void PropertiesForm::setAbbreviation(const std::string& text, bool immediate) {
    c_->abbreviation->setText(text);
    c_->immediate->setChecked(immediate);
}
std::string PropertiesForm::abbreviation() {
    return c_->abbreviation->text();
}
bool PropertiesForm::immediate() {
    return c_->immediate->checked();
}
void PropertiesForm::setScope(const std::string& onlyIn, const std::string& notIn, bool enabled) {
    c_->onlyIn->setText(onlyIn);
    c_->notIn->setText(notIn);
    c_->enabled->setChecked(enabled);
}
std::string PropertiesForm::onlyIn() {
    return c_->onlyIn->text();
}
std::string PropertiesForm::notIn() {
    return c_->notIn->text();
}
bool PropertiesForm::macroEnabled() {
    return c_->enabled->checked();
}
void PropertiesForm::setArrival(const ArrivalChoice& choice) {
    c_->insert->select(static_cast<int>(choice.insert));
    c_->pasteKeys->select(static_cast<int>(choice.pasteKeys));
    c_->keyDelay->setText(choice.keyDelay);
}
ArrivalChoice PropertiesForm::arrival() {
    return {static_cast<store::Insert>(std::max(0, c_->insert->selectedIndex())),
            static_cast<store::PasteKeys>(std::max(0, c_->pasteKeys->selectedIndex())), c_->keyDelay->text()};
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
    ui::win32::Control* target = c_->scratch;
    switch (f) {
        case PropertiesFocus::Name: target = c_->name; break;
        case PropertiesFocus::Browse: target = c_->browse; break;
        case PropertiesFocus::HotKey: target = c_->hotKey; break;
        case PropertiesFocus::Abbreviation: target = c_->abbreviation; break;
        case PropertiesFocus::KeyDelay: target = c_->keyDelay; break;
        case PropertiesFocus::Scratch: break;
    }
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
