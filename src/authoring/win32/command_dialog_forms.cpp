#include "authoring/win32/command_dialog_forms.hpp"

#include <vector>

namespace kv::authoring::win32 {

namespace {

using ui::win32::ControlArgs;

CommandDialogForms* current = nullptr;

// The dialog has just become visible: its presenter focuses the first field.
constexpr UINT kShown = WM_APP + 0x4B2;

enum class Kind { Label, Edit, Radio, Button };
enum class Role { None, Time, Count, Title, WindowTitle, Seconds, Minutes, Ok, Cancel };

struct Row {
    Kind kind;
    Role role;
    ControlArgs args;
    unsigned limit = 0;  // edits: at most this many characters
};

struct Layout {
    const char* className;
    const char* caption;
    int width, height;  // client area, 96 dpi
    bool okIsDefault, hasCancelButton;
    std::vector<Row> rows;
};

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
             {Kind::Label, Role::None, {"Please enter the time to wait:", {12, 12, 226, 16}}},
             {Kind::Edit, Role::Time, {"", {12, 36, 48, 22}, kNumber}, 3},
             {Kind::Radio, Role::Seconds, {"&Seconds", {76, 32, 100, 18}, WS_GROUP}},
             {Kind::Radio, Role::Minutes, {"&Minutes", {76, 52, 100, 18}}},
             {Kind::Button, Role::Ok, {"&OK", {80, 82, 76, 25}, WS_GROUP}},
             {Kind::Button, Role::Cancel, {"&Cancel", {162, 82, 76, 25}}},
         }},
        {"TfrmRepeat",
         "Number of Times to Repeat",
         340,
         140,
         false,
         false,
         {
             {Kind::Label,
              Role::None,
              {"Use this function to repeat all or a part of this macro a given number of times.  Make sure "
               "that "
               "you end the repetition with an end repeat command later in the macro.",
               {12, 10, 316, 56}}},
             {Kind::Label, Role::None, {"Repeat this sequence", {12, 79, 110, 16}}},
             {Kind::Edit, Role::Count, {"", {124, 76, 40, 22}, kNumber}, 3},
             {Kind::Label, Role::None, {"times.", {170, 79, 60, 16}}},
             {Kind::Button, Role::Ok, {"&OK", {170, 106, 76, 25}, WS_GROUP}},
             {Kind::Button, Role::Cancel, {"&Cancel", {252, 106, 76, 25}}},
         }},
        {"TfrmInputBox",
         "Input Box",
         340,
         110,
         true,
         true,
         {
             {Kind::Label,
              Role::None,
              {"Enter the text that will appear as the title of this input box.", {12, 12, 316, 30}}},
             {Kind::Edit, Role::Title, {"", {12, 44, 316, 22}}, 50},
             {Kind::Button, Role::Ok, {"&OK", {170, 76, 76, 25}}},
             {Kind::Button, Role::Cancel, {"&Cancel", {252, 76, 76, 25}}},
         }},
        {"TfrmWaitforWindow",
         "Wait for a Window",
         380,
         280,
         false,
         false,
         {
             {Kind::Label,
              Role::None,
              {"Use this function to wait for a particular window to become visible before continuing with "
               "your "
               "macro.  You can look for both application windows and dialog boxes.  This function is not "
               "case "
               "sensitive, but the window title to look for must be typed exactly as it will appear on the "
               "actual "
               "window.",
               {12, 10, 356, 68}}},
             {Kind::Label, Role::None, {"Window Title to Wait For", {12, 84, 356, 16}, 0, 0, true}},
             {Kind::Edit, Role::WindowTitle, {"", {12, 102, 356, 22}}},
             {Kind::Label,
              Role::None,
              {"Example: This window's title is Wait for a Window.", {12, 128, 356, 16}}},
             {Kind::Label,
              Role::None,
              {"How long do you want to wait for this window before timing out and continuing the macro?",
               {12, 152, 356, 30}}},
             {Kind::Edit, Role::Time, {"5", {12, 188, 48, 22}, kNumber}, 3},
             {Kind::Radio, Role::Seconds, {"&Seconds", {76, 184, 100, 18}, WS_GROUP}},
             {Kind::Radio, Role::Minutes, {"&Minutes", {76, 204, 100, 18}}},
             {Kind::Button, Role::Ok, {"&OK", {210, 244, 76, 25}, WS_GROUP}},
             {Kind::Button, Role::Cancel, {"&Cancel", {292, 244, 76, 25}}},
         }},
    };
    return layouts[static_cast<int>(kind)];
}

}  // namespace

class CommandDialogForms::DialogForm : public ui::win32::Form, public CommandDialogView {
public:
    DialogForm(CommandDialogKind kind, os::System& sys, HWND owner)
        : presenter_(kind, *this, sys, [this](const std::string& token) {
              if (insert_) insert_(token);
          }) {
        const Layout& layout = layoutOf(kind);
        // A tool window without title-bar buttons.
        create(layout.className, layout.caption, WS_POPUP | WS_CAPTION,
               WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME, owner);
        ui::win32::Button* ok = nullptr;
        ui::win32::Button* cancel = nullptr;
        for (const Row& row : layout.rows) {
            ui::win32::Control* c = nullptr;
            switch (row.kind) {
                case Kind::Label: c = &label(row.args); break;
                case Kind::Edit: {
                    ui::win32::Edit& e = edit(row.args);
                    if (row.limit) e.setLimit(row.limit);
                    c = &e;
                    break;
                }
                case Kind::Radio: {
                    ui::win32::RadioButton& r = radio(row.args);
                    // Seconds is chosen at start.
                    r.setChecked(row.role == Role::Seconds);
                    c = &r;
                    break;
                }
                case Kind::Button: {
                    ui::win32::Button& b = button(row.args);
                    (row.role == Role::Ok ? ok : cancel) = &b;
                    c = &b;
                    break;
                }
            }
            byRole_[static_cast<int>(row.role)] = c;
        }
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
        SetWindowLongPtrA(hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
        centre();
        PostMessageA(hwnd(), kShown, 0, 0);
        showModal();
        insert_ = nullptr;
    }

    std::string field(CommandField f) const override {
        const ui::win32::Control* c = control(roleOf(f));
        return c ? c->text() : std::string();
    }
    bool minutes() const override {
        auto* r = dynamic_cast<ui::win32::RadioButton*>(control(Role::Minutes));
        return r && r->checked();
    }
    void focus(CommandField f) override {
        auto* e = dynamic_cast<ui::win32::Edit*>(control(roleOf(f)));
        if (!e) return;
        e->focus();
        e->setSelection(0, -1);
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
            case CommandField::Time: return Role::Time;
            case CommandField::Count: return Role::Count;
            case CommandField::Title: return Role::Title;
            case CommandField::WindowTitle: return Role::WindowTitle;
        }
        return Role::None;
    }
    ui::win32::Control* control(Role r) const { return byRole_[static_cast<int>(r)]; }

    CommandDialog presenter_;
    std::function<void(const std::string&)> insert_;
    ui::win32::Control* byRole_[9] = {};
};

CommandDialogForms::CommandDialogForms(os::System& sys, HWND owner) {
    for (int k = 0; k < 4; ++k)
        forms_[k] = std::make_unique<DialogForm>(static_cast<CommandDialogKind>(k), sys, owner);
    current = this;
}

CommandDialogForms::~CommandDialogForms() {
    if (current == this) current = nullptr;
}

CommandDialogForms* CommandDialogForms::instance() {
    return current;
}

void CommandDialogForms::run(CommandDialogKind kind, HWND owner,
                             std::function<void(const std::string&)> insert) {
    forms_[static_cast<int>(kind)]->run(owner, std::move(insert));
}

}  // namespace kv::authoring::win32
