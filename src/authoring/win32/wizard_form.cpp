#include "authoring/win32/wizard_form.hpp"

#include "os/win32/win32_os.hpp"

namespace kv::authoring::win32 {

using ui::win32::Control;
using ui::win32::Rect96;

namespace {

constexpr int kPageLeft = 152, kPageTop = 8, kPageWidth = 320, kPageHeight = 262;
constexpr int kClientWidth = 480, kClientHeight = 318;
constexpr const char* kShortcutItems[] = {"No Shortcut",       "On Desktop",        "On Start Menu",
                                          "On Programs Menu",  "In StartUp Folder", "In Favorites Folder",
                                          "In Personal Folder"};

// The roles of the controls the form finds again; the buttons of the
// presenter's WizardButton follow kButtons in its order.
enum Role {
    kPicture = 1,
    kAdvanced,
    kRecord,
    kStartApp,
    kName,
    kHotKeyField,
    kHotKeyHelp,
    kTrigger,
    kTriggerHelp,
    kShortcuts,
    kOnlyIn,
    kNotIn,
    kAbbreviation,
    kImmediate,
    kCommandLine,
    kBrowse,
    kKeysOnly,
    kMouseAndKeys,
    kKeysArea,
    kNormalSpeed,
    kHighSpeed,
    kSumName,
    kSumType,
    kSumKeys,
    kSumTrigger,
    kCancel,
    kButtons = 100,
};

std::size_t pageIndex(WizardPage p) {
    return static_cast<std::size_t>(p);
}

// The picture strip: a vertical gradient with the program's icon; in edit
// mode a narrow band of another colour over its left edge.
void drawStrip(const DRAWITEMSTRUCT& d, bool editBand) {
    const RECT& r = d.rcItem;
    const int height = r.bottom - r.top;
    ui::win32::fillBands(
        d.hDC, 32,
        [&](int i) {
            return RECT{r.left, r.top + height * i / 32, r.right, r.top + height * (i + 1) / 32};
        },
        [](int i) { return RGB(16 + i * 2, 64 + i * 3, 112 + i * 3); });
    const int icon = (r.right - r.left) / 2;
    const os::win32::UniqueIcon big(
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, icon, icon, 0)));
    if (big)
        DrawIconEx(d.hDC, r.left + icon / 2, r.top + height / 4, big.get(), icon, icon, 0, nullptr,
                   DI_NORMAL);
    SetBkMode(d.hDC, TRANSPARENT);
    SetTextColor(d.hDC, RGB(255, 255, 255));
    RECT text{r.left, r.top + height / 4 + icon + 8, r.right, r.bottom};
    DrawTextW(d.hDC, L"Keyvale", -1, &text, DT_CENTER | DT_TOP | DT_SINGLELINE);
    if (editBand) {
        ui::win32::fillSolid(d.hDC, {r.left, r.top, r.left + (r.right - r.left) / 7, r.bottom},
                             RGB(224, 144, 32));
    }
}

}  // namespace

WizardForm::WizardForm(os::System& sys, journal::Journal& journal, playback::RunState& state,
                       WizardHost& host, Hints& hints, CommandDialogForms& commandDialogs, HWND owner)
    : Form(sys),
      sys_(sys),
      hints_(hints),
      commandDialogs_(commandDialogs),
      wizard_(sys, journal, state, host, hints, *this) {
    create("TfrmWizard", "Macro Setup Wizard", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
           owner);
    setClientSize96(kClientWidth, kClientHeight);
    build();
    wizard_.viewCreated();
    onKeyUp = [this](WPARAM key) { wizard_.keyUp(static_cast<unsigned>(key)); };
}

void WizardForm::run(void (Wizard::*handler)()) {
    (wizard_.*handler)();
}

void WizardForm::build() {
    using namespace ui::win32;
    constexpr int X = kPageLeft, W = kPageWidth;
    const auto heading = [](const char* text) -> ControlRow {
        return {kLabel, 0, {text, {X, kPageTop, W, 16}, 0, 0, true}};
    };
    const auto button = [](WizardButton b) { return kButtons + static_cast<int>(b); };
    const int bottom = kPageHeight + 24;

    add({
        {kLabel, kPicture, {"", {8, 8, 132, kPageHeight}, SS_OWNERDRAW}},
        {kLabel, 0, {"", {8, kPageHeight + 14, kClientWidth - 16, 2}, SS_ETCHEDHORZ}},
    });
    picture_ = &control<Label>(kPicture);

    pages_[pageIndex(WizardPage::Start)] = add({
        heading("What would you like this macro to do?"),
        {kRadio, kAdvanced, {"&Create a macro using advanced options.", {X, 36, W, 17}, WS_GROUP}},
        {kLabel,
         0,
         {"Type text and special keys, wait, repeat a part, ask for a value, and run programs or other macros.",
          {X + 17, 54, W - 17, 28}}},
        {kRadio, kRecord, {"&Playback mouse movements, clicks, and keystrokes.", {X, 92, W, 17}}},
        {kLabel,
         0,
         {"Record what you do with the keyboard, or with the mouse and the keyboard, and play it back.",
          {X + 17, 110, W - 17, 28}}},
        {kRadio, kStartApp, {"&Start an Application or Launch a Document", {X, 148, W, 17}}},
        {kLabel,
         0,
         {"Open a program, a document, a web page or a new e-mail message.", {X + 17, 166, W - 17, 28}}},
    });
    pages_[pageIndex(WizardPage::Name)] = add({
        heading("Name Your Macro"),
        {kLabel,
         0,
         {"Type a unique name for this macro in the space below and select 'Next'.", {X, 40, W, 28}}},
        {kEdit, kName, {"", {X, 76, 220, 21}}},
    });
    pages_[pageIndex(WizardPage::HotKey)] = add({
        heading("Select Triggers"),
        {kLabel, 0, {"Hot Key", {X, 32, W, 14}, 0, 0, true}},
        {kLabel, 0, {"Run when a certain set of keys is pressed.", {X, 47, W, 14}}},
        {kHotKey, kHotKeyField, {"", {X, 63, 200, 21}}},
        {kButton, kHotKeyHelp, {"Help", {X + 245, 62, 75, 23}}},
        {kLabel, 0, {"Window Title", {X, 92, W, 14}, 0, 0, true}},
        {kLabel, 0, {"Run when a certain window appears.", {X, 107, W, 14}}},
        {kEdit, kTrigger, {"", {X, 123, 236, 21}}},
        {kButton, kTriggerHelp, {"Help", {X + 245, 122, 75, 23}}},
        {kLabel, 0, {"&Abbreviation:", {X, 155, 68, 14}}},
        {kEdit, kAbbreviation, {"", {X + 70, 152, 72, 21}}},
        {kCheckBox, kImmediate, {"Expand as soon as it is typed", {X + 150, 154, 170, 17}}},
        {kLabel, 0, {"ShortCut Icon", {X, 182, W, 14}, 0, 0, true}},
        {kLabel, 0, {"Create a shortcut to launch this macro.", {X, 197, W, 14}}},
        {kComboBox, kShortcuts, {"", {X, 213, 200, 200}}},
        // Alt+N stays the Next button's: "Not in" takes the o.
        {kLabel, 0, {"Only &in:", {X, 247, 44, 14}}},
        {kEdit, kOnlyIn, {"", {X + 46, 244, 112, 21}}},
        {kLabel, 0, {"N&ot in:", {X + 166, 247, 40, 14}}},
        {kEdit, kNotIn, {"", {X + 208, 244, 112, 21}}},
    });
    pages_[pageIndex(WizardPage::StartApp)] = add({
        heading("Start an Application"),
        {kLabel, 0, {"Select 'Browse' to choose the application that will be launched.", {X, 36, W, 28}}},
        {kEdit, kCommandLine, {"", {X, 68, 236, 21}}},
        {kButton, kBrowse, {"&Browse", {X + 245, 67, 75, 23}}},
        {kLabel,
         0,
         {"Note that you may enter a document name to launch instead of an executable file.",
          {X, 104, W, 28}}},
        {kLabel, 0, {"Examples", {X, 142, W, 14}, 0, 0, true}},
        {kLabel, 0, {"C:\\My Documents\\Letter.txt", {X + 12, 160, W - 12, 14}}},
        {kLabel, 0, {"http://www.example.com", {X + 12, 178, W - 12, 14}}},
        {kLabel, 0, {"mailto:someone@example.com", {X + 12, 196, W - 12, 14}}},
    });
    pages_[pageIndex(WizardPage::KeysOrMouse)] = add({
        heading("Record just keys or mouse and keys?"),
        {kRadio, kKeysOnly, {"&Only capture keystrokes.", {X, 40, W, 17}, WS_GROUP}},
        {kLabel,
         0,
         {"The keys you type are played back into the window that has the focus, at high speed.",
          {X + 17, 58, W - 17, 28}}},
        {kRadio, kMouseAndKeys, {"Capture all mouse and keyboard actions.", {X, 100, W, 17}}},
        {kLabel,
         0,
         {"Mouse movements and clicks are played back at the places of the screen where they were recorded.",
          {X + 17, 118, W - 17, 28}}},
    });
    pages_[pageIndex(WizardPage::RecordKeys)] = add({
        heading("Record Keystrokes"),
        {kLabel,
         0,
         {"Select 'Start Recording', type the keys of your macro, then select 'Stop Recording'.  'Playback' tries the recording out in the area below.",
          {X, 32, W, 42}}},
        {kButton, button(WizardButton::StartKeys), {"&Start Recording", {X, 80, 100, 23}}},
        {kButton, button(WizardButton::StopKeys), {"Stop &Recording", {X + 108, 80, 100, 23}}},
        {kButton, button(WizardButton::PlayKeys), {"&Playback", {X + 216, 80, 100, 23}}},
        {kScratchArea, kKeysArea, {"", {X, 112, W, 140}}},
    });
    pages_[pageIndex(WizardPage::RecordMouse)] = add({
        heading("Record Mouse and Keyboard"),
        {kLabel,
         0,
         {"Select 'Start Recording': Keyvale disappears and records your keyboard and mouse actions until you press",
          {X, 32, W, 28}}},
        {kLabel, 0, {"Shift+Ctrl+F12", {X, 62, W, 14}, 0, 0, true}},
        {kButton, button(WizardButton::RecordMouse), {"&Start Recording", {X, 84, 100, 23}}},
        {kButton, button(WizardButton::StopMouse), {"Stop &Recording", {X + 108, 84, 100, 23}}},
        {kButton, button(WizardButton::PlayMouse), {"&Playback", {X + 216, 84, 100, 23}}},
        {kLabel, 0, {"Esc stops a playback.", {X, 114, W, 14}}},
        {kLabel, 0, {"Macro Playback Speed", {X, 140, W, 14}, 0, 0, true}},
        {kRadio, kNormalSpeed, {"Play this macro back at its recorded speed.", {X, 160, W, 17}, WS_GROUP}},
        {kRadio, kHighSpeed, {"Play this macro back at high speed.", {X, 180, W, 17}}},
    });
    pages_[pageIndex(WizardPage::Finished)] = add({
        heading("Finished"),
        {kLabel,
         0,
         {"To complete the creation this macro select 'Finish'.  To modify any previous settings select 'Back'.",
          {X, 36, W, 28}}},
        {kLabel, 0, {"Macro Name:", {X, 84, 90, 14}, 0, 0, true}},
        {kLabel, kSumName, {"", {X + 96, 84, W - 96, 14}}},
        {kLabel, 0, {"Macro Type:", {X, 108, 90, 14}, 0, 0, true}},
        {kLabel, kSumType, {"", {X + 96, 108, W - 96, 14}}},
        {kLabel, 0, {"Shortcut Keys:", {X, 132, 90, 14}, 0, 0, true}},
        {kLabel, kSumKeys, {"", {X + 96, 132, W - 96, 14}}},
        {kLabel, 0, {"Window Trigger:", {X, 156, 90, 14}, 0, 0, true}},
        {kLabel, kSumTrigger, {"", {X + 96, 156, W - 96, 14}}},
    });

    scriptPage_ =
        std::make_unique<ScriptPage>(*this, Rect96{X, kPageTop, W, kPageHeight}, *this, commandDialogs_);

    add({
        {kButton, button(WizardButton::Back), {"< &Back", {226, bottom, 75, 23}}},
        {kButton, button(WizardButton::Next), {"&Next >", {303, bottom, 75, 23}}},
        {kButton, button(WizardButton::Finished), {"&Finished", {303, bottom, 75, 23}}},
        {kButton, button(WizardButton::Save), {"&Save", {303, bottom, 75, 23}}},
        {kButton, kCancel, {"&Cancel", {392, bottom, 75, 23}}},
    });

    for (std::size_t b = 0; b < kWizardButtons; ++b)
        buttons_[b] = &control<Button>(button(static_cast<WizardButton>(b)));
    optAdvanced_ = &control<RadioButton>(kAdvanced);
    optRecord_ = &control<RadioButton>(kRecord);
    optStartApp_ = &control<RadioButton>(kStartApp);
    optKeysOnly_ = &control<RadioButton>(kKeysOnly);
    optMouseAndKeys_ = &control<RadioButton>(kMouseAndKeys);
    optNormalSpeed_ = &control<RadioButton>(kNormalSpeed);
    optHighSpeed_ = &control<RadioButton>(kHighSpeed);
    name_ = &control<Edit>(kName);
    trigger_ = &control<Edit>(kTrigger);
    onlyIn_ = &control<Edit>(kOnlyIn);
    notIn_ = &control<Edit>(kNotIn);
    abbreviation_ = &control<Edit>(kAbbreviation);
    immediate_ = &control<CheckBox>(kImmediate);
    abbreviation_->setLimit(64);
    onlyIn_->setLimit(1023);
    notIn_->setLimit(1023);
    commandLine_ = &control<Edit>(kCommandLine);
    keysArea_ = &control<Edit>(kKeysArea);
    hotKey_ = &control<HotKeyEdit>(kHotKeyField);
    shortcuts_ = &control<ComboBox>(kShortcuts);
    browse_ = &control<Button>(kBrowse);
    sumName_ = &control<Label>(kSumName);
    sumType_ = &control<Label>(kSumType);
    sumKeys_ = &control<Label>(kSumKeys);
    sumTrigger_ = &control<Label>(kSumTrigger);

    optAdvanced_->setChecked(true);
    name_->setLimit(30);
    shortcuts_->setItems({std::begin(kShortcutItems), std::end(kShortcutItems)});
    shortcuts_->select(0);
    optKeysOnly_->setChecked(true);
    optNormalSpeed_->setChecked(true);

    const std::pair<WizardButton, void (Wizard::*)()> handlers[] = {
        {WizardButton::Back, &Wizard::back},           {WizardButton::Next, &Wizard::next},
        {WizardButton::Finished, &Wizard::finish},     {WizardButton::Save, &Wizard::save},
        {WizardButton::StartKeys, &Wizard::startKeys}, {WizardButton::StopKeys, &Wizard::stopKeys},
        {WizardButton::PlayKeys, &Wizard::playKeys},   {WizardButton::RecordMouse, &Wizard::recordMouse},
        {WizardButton::StopMouse, &Wizard::stopMouse}, {WizardButton::PlayMouse, &Wizard::playMouse},
    };
    for (const auto& [b, handler] : handlers) btn(b).onClick = [this, handler] { run(handler); };
    control<Button>(kHotKeyHelp).onClick = [this] { run(&Wizard::hotKeyHelp); };
    control<Button>(kTriggerHelp).onClick = [this] { run(&Wizard::winTitleHelp); };
    browse_->onClick = [this] { run(&Wizard::browse); };
    hotKey_->onLeave = [this] { run(&Wizard::hotKeyLeft); };
    auto& cancel = control<Button>(kCancel);
    cancel.onClick = [this] { run(&Wizard::cancel); };
    setDefaultButton(&btn(WizardButton::Next));
    setCancelButton(&cancel);
}

void WizardForm::openNew() {
    if (inModalLoop()) return;
    wizard_.setEditMode(false);
    wizard_.formShow();
    runModal();
    system().guard.run([&] { wizard_.formClose(); });
}

void WizardForm::setScript(const std::string& text) {
    scriptPage_->setScript(text);
}

void WizardForm::runModal() {
    if (inModalLoop()) return;
    centre();
    showModal();
}

WizardFields WizardForm::fields() {
    WizardFields f;
    f.start = optStartApp_->checked() ? StartChoice::StartApp
              : optRecord_->checked() ? StartChoice::Record
                                      : StartChoice::Advanced;
    f.keysOnly = !optMouseAndKeys_->checked();
    f.name = name_->text();
    f.hotKey = hotKey_->value();
    f.trigger = trigger_->text();
    f.onlyIn = onlyIn_->text();
    f.notIn = notIn_->text();
    f.abbreviation = abbreviation_->text();
    f.immediate = immediate_->checked();
    f.shortcut = shortcuts_->selectedIndex();
    f.commandLine = commandLine_->text();
    f.highSpeed = optHighSpeed_->checked();
    f.script = scriptPage_->script();
    f.insert = scriptPage_->insert();
    f.pasteKeys = scriptPage_->pasteKeys();
    return f;
}

void WizardForm::clearFields() {
    name_->setText("");
    commandLine_->setText("");
    trigger_->setText("");
    onlyIn_->setText("");
    notIn_->setText("");
    abbreviation_->setText("");
    immediate_->setChecked(false);
    scriptPage_->setScript("");
    scriptPage_->setArrival(store::Insert::Type, store::PasteKeys::CtrlV);
    hotKey_->setValue(0);
}

void WizardForm::setShortcut(int index) {
    shortcuts_->select(index);
}
void WizardForm::setCommandLine(const std::string& text) {
    commandLine_->setText(text);
}

void WizardForm::showPage(WizardPage page) {
    for (std::size_t i = 0; i < pages_.size(); ++i)
        if (i != pageIndex(page))
            for (Control* c : pages_[i]) c->show(false);
    scriptPage_->show(page == WizardPage::Script);
    for (Control* c : pages_[pageIndex(page)]) c->show(true);
}

void WizardForm::showButton(WizardButton b, bool on) {
    btn(b).show(on);
    // Enter presses whichever of Next, Finished and Save is in its place.
    if (on && b == WizardButton::Finished) setDefaultButton(&btn(b));
    if (on && b == WizardButton::Next) setDefaultButton(&btn(b));
    if (on && b == WizardButton::Save) setDefaultButton(&btn(b));
}

void WizardForm::enableButton(WizardButton b, bool on) {
    btn(b).enable(on);
}

void WizardForm::showEditPicture(bool on) {
    editBand_ = on;
    InvalidateRect(picture_->hwnd(), nullptr, FALSE);
}

void WizardForm::showArrivalChoice(bool on) {
    scriptPage_->showArrival(on);
}

void WizardForm::setSummary(const WizardSummary& s) {
    sumName_->setText(s.name);
    sumType_->setText(s.type);
    sumKeys_->setText(s.shortcutKeys);
    sumTrigger_->setText(s.trigger);
}

void WizardForm::focus(WizardFocus f) {
    // After a message box the wizard may have lost the activation; the field
    // must take the keys the user types next.
    if (visible() && GetForegroundWindow() != hwnd()) os::win32::forceForeground(hwnd());
    switch (f) {
        case WizardFocus::Name: name_->focus(); break;
        case WizardFocus::HotKey: hotKey_->focus(); break;
        case WizardFocus::Abbreviation: abbreviation_->focus(); break;
        case WizardFocus::Browse: browse_->focus(); break;
        case WizardFocus::Script: scriptPage_->focusScript(); break;
        case WizardFocus::KeysArea: keysArea_->focus(); break;
    }
}

void WizardForm::showWizardOnTop() {
    show(true);
    SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void WizardForm::showHint(const std::string& text) {
    hints_.show(text);
}

LRESULT WizardForm::handle(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DRAWITEM) {
        const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (d->hwndItem == picture_->hwnd()) {
            drawStrip(*d, editBand_);
            return TRUE;
        }
    }
    return Form::handle(msg, wp, lp);
}

}  // namespace kv::authoring::win32
