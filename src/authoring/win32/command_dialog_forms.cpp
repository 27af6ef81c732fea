#include "authoring/win32/command_dialog_forms.hpp"

#include <vector>

namespace kv::authoring::win32 {

namespace {

using namespace ui::win32;

// The dialog has just become visible: its presenter focuses the first field.
constexpr UINT kShown = WM_APP + 0x4B2;

// A control's role; the numbers name the controls in the dialog's table.
enum Role { kNone, kTime, kCount, kTitle, kWindowTitle, kSeconds, kMinutes, kOk, kCancel };

struct Layout {
    const char* className;
    const char* caption;
    int width, height;  // client area, 96 dpi
    bool okIsDefault, hasCancelButton;
    std::vector<ControlRow> rows;
};

// Edits take at most this many characters.
unsigned limitOf(int role) {
    switch (role) {
        case kTime:
        case kCount: return 3;
        case kTitle: return 50;
        default: return 0;
    }
}

constexpr DWORD kNumber = ES_NUMBER;

const Layout& layoutOf(CommandDialogKind kind) {
    static const Layout layouts[] = {
        {"TfrmWait",
         "Wait Time",
         250,
         116,
         true,
         true,
         {
             {kLabel, kNone, {"Please enter the time to wait:", {12, 12, 226, 16}}},
             {kEdit, kTime, {"", {12, 36, 48, 22}, kNumber}},
             {kRadio, kSeconds, {"&Seconds", {76, 32, 100, 18}, WS_GROUP}},
             {kRadio, kMinutes, {"&Minutes", {76, 52, 100, 18}}},
             {kButton, kOk, {"&OK", {80, 82, 76, 25}, WS_GROUP}},
             {kButton, kCancel, {"&Cancel", {162, 82, 76, 25}}},
         }},
        {"TfrmRepeat",
         "Number of Times to Repeat",
         340,
         140,
         false,
         false,
         {
             {kLabel,
              kNone,
              {"Use this function to repeat all or a part of this macro a given number of times.  Make sure that you end the repetition with an end repeat command later in the macro.",
               {12, 10, 316, 56}}},
             {kLabel, kNone, {"Repeat this sequence", {12, 79, 110, 16}}},
             {kEdit, kCount, {"", {124, 76, 40, 22}, kNumber}},
             {kLabel, kNone, {"times.", {170, 79, 60, 16}}},
             {kButton, kOk, {"&OK", {170, 106, 76, 25}, WS_GROUP}},
             {kButton, kCancel, {"&Cancel", {252, 106, 76, 25}}},
         }},
        {"TfrmInputBox",
         "Input Box",
         340,
         110,
         true,
         true,
         {
             {kLabel,
              kNone,
              {"Enter the text that will appear as the title of this input box.", {12, 12, 316, 30}}},
             {kEdit, kTitle, {"", {12, 44, 316, 22}}},
             {kButton, kOk, {"&OK", {170, 76, 76, 25}}},
             {kButton, kCancel, {"&Cancel", {252, 76, 76, 25}}},
         }},
        {"TfrmWaitforWindow",
         "Wait for a Window",
         380,
         280,
         false,
         false,
         {
             {kLabel,
              kNone,
              {"Use this function to wait for a particular window to become visible before continuing with your macro.  You can look for both application windows and dialog boxes.  This function is not case sensitive, but the window title to look for must be typed exactly as it will appear on the actual window.",
               {12, 10, 356, 68}}},
             {kLabel, kNone, {"Window Title to Wait For", {12, 84, 356, 16}, 0, 0, true}},
             {kEdit, kWindowTitle, {"", {12, 102, 356, 22}}},
             {kLabel, kNone, {"Example: This window's title is Wait for a Window.", {12, 128, 356, 16}}},
             {kLabel,
              kNone,
              {"How long do you want to wait for this window before timing out and continuing the macro?",
               {12, 152, 356, 30}}},
             {kEdit, kTime, {"5", {12, 188, 48, 22}, kNumber}},
             {kRadio, kSeconds, {"&Seconds", {76, 184, 100, 18}, WS_GROUP}},
             {kRadio, kMinutes, {"&Minutes", {76, 204, 100, 18}}},
             {kButton, kOk, {"&OK", {210, 244, 76, 25}, WS_GROUP}},
             {kButton, kCancel, {"&Cancel", {292, 244, 76, 25}}},
         }},
    };
    return layouts[static_cast<int>(kind)];
}

}  // namespace

class CommandDialogForms::DialogForm : public Form, public CommandDialogView {
public:
    DialogForm(CommandDialogKind kind, os::System& sys, HWND owner)
        : Form(sys), presenter_(kind, *this, sys) {
        const Layout& layout = layoutOf(kind);
        // A tool window without title-bar buttons.
        create(layout.className, layout.caption, WS_POPUP | WS_CAPTION,
               WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME, owner);
        for (const ControlRow& row : layout.rows) {
            Control& c = add(row);
            if (unsigned limit = limitOf(row.role)) dynamic_cast<Edit&>(c).setLimit(limit);
        }
        // Seconds is chosen at start.
        if (auto* seconds = byRole(kSeconds)) dynamic_cast<RadioButton*>(seconds)->setChecked(true);
        auto* ok = &control<Button>(kOk);
        auto* cancel = &control<Button>(kCancel);
        ok->onClick = [this] { presenter_.ok(); };
        cancel->onClick = [this] { presenter_.cancel(); };
        if (layout.okIsDefault) setDefaultButton(ok);
        if (layout.hasCancelButton) setCancelButton(cancel);
        // Esc and Alt+F4 cancel too.
        onClose = [this] { presenter_.cancel(); };
        setClientSize96(layout.width, layout.height);
    }

    void run(HWND owner, std::function<void(const std::string&)> insert) {
        insert_ = std::move(insert);
        SetWindowLongPtrW(hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
        centre();
        PostMessageW(hwnd(), kShown, 0, 0);
        showModal();
        insert_ = nullptr;
    }

    std::string field(CommandField f) const override {
        const Control* c = byRole(roleOf(f));
        return c ? c->text() : std::string();
    }
    bool minutes() const override {
        auto* r = dynamic_cast<RadioButton*>(byRole(kMinutes));
        return r && r->checked();
    }
    void focus(CommandField f) override {
        auto* e = dynamic_cast<Edit*>(byRole(roleOf(f)));
        if (!e) return;
        e->focus();
        e->setSelection(0, -1);
    }
    void insert(const std::string& token) override {
        if (insert_) insert_(token);
    }
    void close() override { endModal(1); }

protected:
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == kShown) {
            presenter_.shown();
            return 0;
        }
        return Form::handle(msg, wp, lp);
    }

private:
    static Role roleOf(CommandField f) {
        switch (f) {
            case CommandField::Time: return kTime;
            case CommandField::Count: return kCount;
            case CommandField::Title: return kTitle;
            case CommandField::WindowTitle: return kWindowTitle;
        }
        return kNone;
    }

    CommandDialog presenter_;
    std::function<void(const std::string&)> insert_;
};

CommandDialogForms::CommandDialogForms(os::System& sys, HWND owner) {
    for (int k = 0; k < 4; ++k)
        forms_[k] = std::make_unique<DialogForm>(static_cast<CommandDialogKind>(k), sys, owner);
}

CommandDialogForms::~CommandDialogForms() = default;

void CommandDialogForms::run(CommandDialogKind kind, HWND owner,
                             std::function<void(const std::string&)> insert) {
    forms_[static_cast<int>(kind)]->run(owner, std::move(insert));
}

}  // namespace kv::authoring::win32
