#pragma once
// The setup wizard's window: a picture strip, nine pages in one place and
// the row of buttons, built from tables. Every decision is the presenter's.

#include <array>
#include <memory>
#include <vector>

#include "authoring/script_page_host.hpp"
#include "authoring/win32/script_page.hpp"
#include "authoring/wizard.hpp"
#include "ui/win32/controls.hpp"

namespace kv::authoring::win32 {

class WizardForm : public ui::win32::Form, public WizardView, public ScriptPageHost {
public:
    WizardForm(os::System& sys, journal::Journal& journal, playback::RunState& state, WizardHost& host,
               Hints& hints, CommandDialogForms& commandDialogs, HWND owner);

    // Opens the wizard for a new macro, modally; returns when it has closed.
    void openNew();

    Wizard& presenter() { return wizard_; }

    // WizardView
    WizardFields fields() override;
    void clearFields() override;
    void setShortcut(int index) override;
    void setCommandLine(const std::string& text) override;
    void showPage(WizardPage page) override;
    void showButton(WizardButton b, bool on) override;
    void enableButton(WizardButton b, bool on) override;
    void showEditPicture(bool on) override;
    void showArrivalChoice(bool on) override;
    void setSummary(const WizardSummary& s) override;
    void focus(WizardFocus f) override;
    bool wizardVisible() override { return visible(); }
    void hideWizard() override { hide(); }
    void showWizardOnTop() override;
    void close() override { endModal(0); }
    void setScript(const std::string& text) override;
    void runModal() override;

    // ScriptPageHost
    void showHint(const std::string& text) override;
    os::System& system() override { return sys_; }

protected:
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void build();
    void run(void (Wizard::*handler)());
    ui::win32::Button& btn(WizardButton b) { return *buttons_[static_cast<std::size_t>(b)]; }

    os::System& sys_;
    Hints& hints_;
    CommandDialogForms& commandDialogs_;
    Wizard wizard_;
    std::array<std::vector<ui::win32::Control*>, 9> pages_;
    std::array<ui::win32::Button*, kWizardButtons> buttons_{};
    ui::win32::Label* picture_ = nullptr;
    bool editBand_ = false;
    // The start page's choices: an advanced macro, a recording, a program.
    ui::win32::RadioButton *optAdvanced_ = nullptr, *optRecord_ = nullptr, *optStartApp_ = nullptr;
    // What a recording takes: keys only, or the mouse and the keys.
    ui::win32::RadioButton *optKeysOnly_ = nullptr, *optMouseAndKeys_ = nullptr;
    ui::win32::RadioButton *optNormalSpeed_ = nullptr, *optHighSpeed_ = nullptr;
    ui::win32::Edit *name_ = nullptr, *trigger_ = nullptr, *commandLine_ = nullptr, *keysArea_ = nullptr,
                    *onlyIn_ = nullptr, *notIn_ = nullptr, *abbreviation_ = nullptr;
    ui::win32::CheckBox* immediate_ = nullptr;
    ui::win32::HotKeyEdit* hotKey_ = nullptr;
    ui::win32::ComboBox* shortcuts_ = nullptr;
    ui::win32::Button* browse_ = nullptr;
    ui::win32::Label *sumName_ = nullptr, *sumType_ = nullptr, *sumKeys_ = nullptr, *sumTrigger_ = nullptr;
    std::unique_ptr<ScriptPage> scriptPage_;
};

}  // namespace kv::authoring::win32
