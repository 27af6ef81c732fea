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

std::size_t pageIndex(WizardPage p) {
    return static_cast<std::size_t>(p);
}

// The picture strip: a vertical gradient with the program's icon; in edit
// mode a narrow band of another colour over its left edge.
void drawStrip(const DRAWITEMSTRUCT& d, bool editBand) {
    const RECT& r = d.rcItem;
    const int height = r.bottom - r.top;
    for (int i = 0; i < 32; ++i) {
        RECT band{r.left, r.top + height * i / 32, r.right, r.top + height * (i + 1) / 32};
        HBRUSH b = CreateSolidBrush(RGB(16 + i * 2, 64 + i * 3, 112 + i * 3));
        FillRect(d.hDC, &band, b);
        DeleteObject(b);
    }
    const int icon = (r.right - r.left) / 2;
    HICON big =
        static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, icon, icon, 0));
    if (big) {
        DrawIconEx(d.hDC, r.left + icon / 2, r.top + height / 4, big, icon, icon, 0, nullptr, DI_NORMAL);
        DestroyIcon(big);
    }
    SetBkMode(d.hDC, TRANSPARENT);
    SetTextColor(d.hDC, RGB(255, 255, 255));
    RECT text{r.left, r.top + height / 4 + icon + 8, r.right, r.bottom};
    DrawTextA(d.hDC, "Keyvale", -1, &text, DT_CENTER | DT_TOP | DT_SINGLELINE);
    if (editBand) {
        RECT band{r.left, r.top, r.left + (r.right - r.left) / 7, r.bottom};
        HBRUSH b = CreateSolidBrush(RGB(224, 144, 32));
        FillRect(d.hDC, &band, b);
        DeleteObject(b);
    }
}

}  // namespace

WizardForm::WizardForm(os::System& sys, journal::Journal& journal, triggers::RunState& state,
                       WizardHost& host, Hints& hints, HWND owner)
    : sys_(sys), hints_(hints), wizard_(sys, journal, state, host, hints) {
    create("TfrmWizard", "Macro Setup Wizard", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
           owner);
    setClientSize96(kClientWidth, kClientHeight);
    build();
    wizard_.setView(this);
    onKeyUp = [this](WPARAM key) { guarded([&] { wizard_.keyUp(static_cast<unsigned>(key)); }); };
}

WizardForm::~WizardForm() {
    wizard_.setView(nullptr);
}

void WizardForm::setOwner(HWND owner) {
    SetWindowLongPtrA(hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

void WizardForm::run(void (Wizard::*handler)()) {
    guarded([&] { (wizard_.*handler)(); });
}

void WizardForm::build() {
    picture_ = &label({"", {8, 8, 132, kPageHeight}, SS_OWNERDRAW});
    label({"", {8, kPageHeight + 14, kClientWidth - 16, 2}, SS_ETCHEDHORZ});

    const int x = kPageLeft, w = kPageWidth;
    std::vector<Control*>* page = nullptr;
    auto onPage = [&](WizardPage p) { page = &pages_[pageIndex(p)]; };
    auto put = [&](auto& control) -> decltype(control) {
        page->push_back(&control);
        return control;
    };
    auto heading = [&](const char* text) { put(label({text, {x, kPageTop, w, 16}, 0, 0, true})); };
    auto text = [&](const char* t, int top, int height, int indent = 0, bool bold = false) {
        return &put(label({t, {x + indent, top, w - indent, height}, 0, 0, bold}));
    };

    onPage(WizardPage::Start);
    heading("What would you like this macro to do?");
    optRecKeys_ = &put(radio({"&Create a macro using advanced options.", {x, 36, w, 17}, WS_GROUP}));
    text(
        "Type text and special keys, wait, repeat a part, ask for a value, and run programs or other macros.",
        54, 28, 17);
    optRecMouse_ = &put(radio({"&Playback mouse movements, clicks, and keystrokes.", {x, 92, w, 17}}));
    text("Record what you do with the keyboard, or with the mouse and the keyboard, and play it back.", 110,
         28, 17);
    optStartApp_ = &put(radio({"&Start an Application or Launch a Document", {x, 148, w, 17}}));
    text("Open a program, a document, a web page or a new e-mail message.", 166, 28, 17);
    optRecKeys_->setChecked(true);

    onPage(WizardPage::Name);
    heading("Name Your Macro");
    text("Type a unique name for this macro in the space below and select 'Next'.", 40, 28);
    name_ = &put(edit({"", {x, 76, 220, 21}}));
    name_->setLimit(30);

    onPage(WizardPage::HotKey);
    heading("Select Triggers");
    text("Hot Key", 34, 14, 0, true);
    text("Run when a certain set of keys is pressed.", 50, 14);
    hotKey_ = &put(hotKeyEdit({"", {x, 68, 200, 21}}));
    auto& hotKeyHelp = put(button({"Help", {x + 245, 67, 75, 23}}));
    text("Window Title", 104, 14, 0, true);
    text("Run when a certain window appears.", 120, 14);
    trigger_ = &put(edit({"", {x, 138, 236, 21}}));
    auto& winTitleHelp = put(button({"Help", {x + 245, 137, 75, 23}}));
    text("ShortCut Icon", 174, 14, 0, true);
    text("Create a shortcut to launch this macro.", 190, 14);
    shortcuts_ = &put(comboBox({"", {x, 208, 200, 200}}));
    shortcuts_->setItems({std::begin(kShortcutItems), std::end(kShortcutItems)});
    shortcuts_->select(0);
    hotKeyHelp.onClick = [this] { run(&Wizard::hotKeyHelp); };
    winTitleHelp.onClick = [this] { run(&Wizard::winTitleHelp); };

    onPage(WizardPage::StartApp);
    heading("Start an Application");
    text("Select 'Browse' to choose the application that will be launched.", 36, 28);
    commandLine_ = &put(edit({"", {x, 68, 236, 21}}));
    browse_ = &put(button({"&Browse", {x + 245, 67, 75, 23}}));
    browse_->onClick = [this] { run(&Wizard::browse); };
    text("Note that you may enter a document name to launch instead of an executable file.", 104, 28);
    text("Examples", 142, 14, 0, true);
    text("C:\\My Documents\\Letter.txt", 160, 14, 12);
    text("http://www.example.com", 178, 14, 12);
    text("mailto:someone@example.com", 196, 14, 12);

    onPage(WizardPage::Keystype);
    heading("Record just keys or mouse and keys?");
    optCapture_ = &put(radio({"&Only capture keystrokes.", {x, 40, w, 17}, WS_GROUP}));
    text("The keys you type are played back into the window that has the focus, at high speed.", 58, 28, 17);
    optManual_ = &put(radio({"Capture all mouse and keyboard actions.", {x, 100, w, 17}}));
    text("Mouse movements and clicks are played back at the places of the screen where they were recorded.",
         118, 28, 17);
    optCapture_->setChecked(true);

    onPage(WizardPage::RecordKeys);
    heading("Record Keystrokes");
    text(
        "Select 'Start Recording', type the keys of your macro, then select 'Stop Recording'.  'Playback' "
        "tries the recording out in the area below.",
        32, 42);
    buttons_[static_cast<std::size_t>(WizardButton::StartKeys)] =
        &put(button({"&Start Recording", {x, 80, 100, 23}}));
    buttons_[static_cast<std::size_t>(WizardButton::StopKeys)] =
        &put(button({"Stop &Recording", {x + 108, 80, 100, 23}}));
    buttons_[static_cast<std::size_t>(WizardButton::PlayKeys)] =
        &put(button({"&Playback", {x + 216, 80, 100, 23}}));
    keysArea_ = &put(memo({"", {x, 112, w, 140}, ES_WANTRETURN}));

    onPage(WizardPage::RecordMouse);
    heading("Record Mouse and Keyboard");
    text(
        "Select 'Start Recording': Keyvale disappears and records your keyboard and mouse actions until you "
        "press",
        32, 28);
    text("Shift+Ctrl+F12", 62, 14, 0, true);
    buttons_[static_cast<std::size_t>(WizardButton::RecordMouse)] =
        &put(button({"&Start Recording", {x, 84, 100, 23}}));
    buttons_[static_cast<std::size_t>(WizardButton::StopMouse)] =
        &put(button({"Stop &Recording", {x + 108, 84, 100, 23}}));
    buttons_[static_cast<std::size_t>(WizardButton::PlayMouse)] =
        &put(button({"&Playback", {x + 216, 84, 100, 23}}));
    text("Esc stops a playback.", 114, 14);
    text("Macro Playback Speed", 140, 14, 0, true);
    optNormalSpeed_ = &put(radio({"Play this macro back at its recorded speed.", {x, 160, w, 17}, WS_GROUP}));
    optHighSpeed_ = &put(radio({"Play this macro back at high speed.", {x, 180, w, 17}}));
    optNormalSpeed_->setChecked(true);

    onPage(WizardPage::Finished);
    heading("Finished");
    text(
        "To complete the creation this macro select 'Finish'.  To modify any previous settings select "
        "'Back'.",
        36, 28);
    const char* captions[] = {"Macro Name:", "Macro Type:", "Shortcut Keys:", "Window Trigger:"};
    ui::win32::Label** values[] = {&sumName_, &sumType_, &sumKeys_, &sumTrigger_};
    for (int i = 0; i < 4; ++i) {
        put(label({captions[i], {x, 84 + i * 24, 90, 14}, 0, 0, true}));
        *values[i] = &put(label({"", {x + 96, 84 + i * 24, w - 96, 14}}));
    }

    scriptPage_ = std::make_unique<ScriptPage>(*this, Rect96{x, kPageTop, w, kPageHeight}, *this);

    const int buttonTop = kPageHeight + 24;
    auto bottom = [&](WizardButton b, const char* caption, int left) {
        buttons_[static_cast<std::size_t>(b)] = &button({caption, {left, buttonTop, 75, 23}});
    };
    bottom(WizardButton::Back, "< &Back", 226);
    bottom(WizardButton::Next, "&Next >", 303);
    bottom(WizardButton::Finished, "&Finished", 303);
    bottom(WizardButton::Save, "&Save", 303);
    auto& cancel = button({"&Cancel", {392, buttonTop, 75, 23}});

    const std::pair<WizardButton, void (Wizard::*)()> handlers[] = {
        {WizardButton::Back, &Wizard::back},           {WizardButton::Next, &Wizard::next},
        {WizardButton::Finished, &Wizard::finish},     {WizardButton::Save, &Wizard::save},
        {WizardButton::StartKeys, &Wizard::startKeys}, {WizardButton::StopKeys, &Wizard::stopKeys},
        {WizardButton::PlayKeys, &Wizard::playKeys},   {WizardButton::RecordMouse, &Wizard::recordMouse},
        {WizardButton::StopMouse, &Wizard::stopMouse}, {WizardButton::PlayMouse, &Wizard::playMouse},
    };
    for (const auto& [b, handler] : handlers) btn(b).onClick = [this, handler] { run(handler); };
    cancel.onClick = [this] { run(&Wizard::cancel); };
    setDefaultButton(&btn(WizardButton::Next));
    setCancelButton(&cancel);
}

void WizardForm::openNew() {
    if (inModalLoop()) return;
    wizard_.setEditMode(false);
    openArranged();
}

void WizardForm::openArranged() {
    if (inModalLoop()) return;
    wizard_.formShow();
    centre();
    showModal();
    wizard_.formClose();
}

WizardFields WizardForm::fields() {
    WizardFields f;
    f.start = optStartApp_->checked()   ? StartChoice::StartApp
              : optRecMouse_->checked() ? StartChoice::Record
                                        : StartChoice::Advanced;
    f.keysOnly = !optManual_->checked();
    f.name = name_->text();
    f.hotKey = hotKey_->value();
    f.trigger = trigger_->text();
    f.shortcut = shortcuts_->selectedIndex();
    f.commandLine = commandLine_->text();
    f.highSpeed = optHighSpeed_->checked();
    f.script = scriptPage_->script();
    return f;
}

void WizardForm::clearFields() {
    name_->setText("");
    commandLine_->setText("");
    trigger_->setText("");
    scriptPage_->setScript("");
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
    scriptPage_->show(page == WizardPage::ManualKeys);
    for (Control* c : pages_[pageIndex(page)]) c->show(true);
}

void WizardForm::showButton(WizardButton b, bool on) {
    btn(b).show(on);
    // Enter presses whichever of Next and Finished is in its place.
    if (on && b == WizardButton::Finished) setDefaultButton(&btn(b));
    if (on && b == WizardButton::Next) setDefaultButton(&btn(b));
}

void WizardForm::enableButton(WizardButton b, bool on) {
    btn(b).enable(on);
}

void WizardForm::showEditPicture(bool on) {
    editBand_ = on;
    InvalidateRect(picture_->hwnd(), nullptr, FALSE);
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
