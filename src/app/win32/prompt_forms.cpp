#include "app/win32/prompt_forms.hpp"

#include "ui/win32/controls.hpp"

namespace kv::app::win32 {

namespace {

using namespace ui::win32;

enum Role { kPrompt = 1, kAnswer, kOk, kCancel };

// How a box looks and closes.
struct BoxKind {
    const char* className;
    DWORD style, exStyle;
    ClassIcon icon;
    int width, height;  // client area, 96 dpi
    ModalReach reach;
    // Whatever way the box closes, the answer field's text is the answer;
    // otherwise only OK answers, and Cancel, Esc or the close box give nothing.
    bool everyCloseAnswers;
};

// Their client areas give the boxes windows of 360 x 150 and 380 x 140 at
// 96 dpi in Windows 10's dialog frame (3-pixel borders, a 23-pixel caption).

// The value prompt: no Cancel and no title-bar buttons, always on top. Only
// its owner, the application's window, is held: the manager, hot keys and
// nested macros' prompts stay live while the macro waits.
constexpr BoxKind kValuePrompt{.className = "TfrmGetVar",
                               .style = WS_POPUP | WS_CAPTION,
                               .exStyle = WS_EX_TOPMOST | WS_EX_DLGMODALFRAME,
                               .icon = ClassIcon::Program,
                               .width = 354,
                               .height = 121,
                               .reach = ModalReach::Owner,
                               .everyCloseAnswers = true};
// The input box: OK and Cancel, the close box, no icon.
constexpr BoxKind kInputQuery{.className = "KeyvaleInputQuery",
                              .style = WS_POPUP | WS_CAPTION | WS_SYSMENU,
                              .exStyle = WS_EX_DLGMODALFRAME,
                              .icon = ClassIcon::None,
                              .width = 374,
                              .height = 111,
                              .reach = ModalReach::Program,
                              .everyCloseAnswers = false};

// A prompt, one answer field and the buttons under it, shown modally.
class LineBox : public Form {
public:
    LineBox(os::System& sys, const BoxKind& kind, const std::string& caption, HWND owner,
            std::initializer_list<ControlRow> rows)
        : Form(sys), kind_(kind) {
        create(kind.className, caption.c_str(), kind.style, kind.exStyle, owner, 0, kind.icon);
        setClientSize96(kind.width, kind.height);
        add(rows);
        field_ = &control<Edit>(kAnswer);
        auto& ok = control<Button>(kOk);
        ok.onClick = [this] { finish(true); };
        setDefaultButton(&ok);
        if (auto* cancel = dynamic_cast<Button*>(byRole(kCancel))) {
            cancel->onClick = [this] { finish(false); };
            setCancelButton(cancel);
        }
        // The close box, Alt+F4, Esc where there is no Cancel, closePrompts.
        onClose = [this] { finish(false); };
        centre();
    }

    std::optional<std::string> ask() {
        // The field is the first tab stop: it takes the focus as the box
        // becomes active, its text selected.
        field_->setSelection(0, -1);
        showModal(kind_.reach);
        return answer_;
    }

private:
    void finish(bool ok) {
        if (!inModalLoop()) return;
        if (ok || kind_.everyCloseAnswers) answer_ = field_->text();
        endModal(ok ? 1 : 0);
    }

    const BoxKind& kind_;
    Edit* field_ = nullptr;
    std::optional<std::string> answer_;
};

// An entry of the open prompts' list for as long as the prompt is open.
class Listed {
public:
    Listed(std::vector<HWND>& list, HWND window) : list_(list), window_(window) { list_.push_back(window_); }
    ~Listed() { std::erase(list_, window_); }
    Listed(const Listed&) = delete;
    Listed& operator=(const Listed&) = delete;

private:
    std::vector<HWND>& list_;
    HWND window_;
};

}  // namespace

std::string PromptForms::promptValue(const std::string& prompt, HWND owner) {
    LineBox box(sys_, kValuePrompt, "Keyvale Input Box", owner,
                {
                    {kLabel, kPrompt, {prompt.c_str(), {12, 12, 330, 36}, SS_NOPREFIX}},
                    {kEdit, kAnswer, {"", {12, 52, 330, 23}}},
                    {kButton, kOk, {"&OK", {137, 83, 80, 26}}},
                });
    const Listed open(openPrompts_, box.hwnd());
    return box.ask().value_or("");
}

void PromptForms::closePrompts() {
    for (HWND prompt : openPrompts_) PostMessageW(prompt, WM_CLOSE, 0, 0);
}

std::optional<std::string> PromptForms::inputQuery(const std::string& caption, const std::string& prompt,
                                                   const std::string& initial, HWND owner) {
    LineBox box(sys_, kInputQuery, caption, owner,
                {
                    {kLabel, kPrompt, {prompt.c_str(), {12, 12, 350, 26}, SS_NOPREFIX}},
                    {kEdit, kAnswer, {initial.c_str(), {12, 42, 350, 23}}},
                    {kButton, kOk, {"OK", {194, 73, 80, 26}}},
                    {kButton, kCancel, {"Cancel", {282, 73, 80, 26}}},
                });
    return box.ask();
}

}  // namespace kv::app::win32
