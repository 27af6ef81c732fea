#pragma once
// The running program's objects, built once in start-up order, each given
// what it talks to at construction. The program is the host the manager
// window, the setup wizard and the properties dialog ask for the rest of the
// program; it forwards each request to the object that answers it and
// decides nothing itself.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/application.hpp"
#include "app/win32/forms.hpp"
#include "authoring/hints.hpp"
#include "authoring/properties.hpp"
#include "authoring/win32/command_dialog_forms.hpp"
#include "authoring/win32/hint_form.hpp"
#include "authoring/win32/import_form.hpp"
#include "authoring/win32/properties_form.hpp"
#include "authoring/win32/run_macro_form.hpp"
#include "authoring/win32/wizard_form.hpp"
#include "authoring/wizard_host.hpp"
#include "journal/recorder.hpp"
#include "manager/manager.hpp"
#include "manager/win32/manager_window.hpp"
#include "os/win32/instances.hpp"
#include "os/win32/printing.hpp"
#include "os/win32/shell_links.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::app::win32 {

// The shell folder of the wizard's drop-down item 1..6 ("On Desktop" ..
// "In Personal Folder"); None for anything else.
os::ShellFolder wizardShortcutFolder(int item);

class Program : private manager::ManagerHost,
                private authoring::WizardHost,
                private authoring::PropertiesHost,
                private authoring::HintsHost,
                private authoring::HintView,
                private ReplayListener,
                private TrayWindows {
public:
    // Builds every object up to the tray icon and runs the command line;
    // applicationWindow owns the program's windows and boxes.
    Program(os::win32::Win32System& os, os::win32::Win32Instances& instances, HWND applicationWindow,
            std::vector<std::string> arguments);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The message loop, until the program ends.
    int run();

private:
    // manager::ManagerHost
    void openWizard() override;
    void openProperties(int slot) override;
    // Shared by the three hosts; an error is shown and the caller goes on.
    void loadHotKeys() override;
    void savePosition() override { app_.saveManagerPosition(); }
    bool hotKeyRefused(int slot) override { return app_.hotKeys().refused(slot); }
    void openHelp() override;
    void exportMacros(const std::vector<int>& slots) override;
    // Shared with the tray: a macro file's macros, after the import window.
    void importMacros() override;

    // TrayWindows
    void openRunMacro() override;
    void setRunMacroHotKey() override;

    // authoring::WizardHost (openHelp and loadHotKeys are shared)
    std::vector<std::string> macroNames() override { return manager_.get().rowNames(); }
    void addListRow(int image, const std::string& caption, const std::string& hotKeyText) override {
        manager_.get().addRow(image, caption, hotKeyText);
    }
    void showManager() override { manager_.get().show(false); }
    void hideManager() override { static_cast<ui::win32::Form&>(manager_.get()).hide(); }
    void createShortcut(int folder, int slot) override;
    void propertiesRecordingStopped() override;

    // authoring::HintsHost
    void setShowHintsTick(bool on) override { app_.setShowHints(on); }
    // authoring::HintView: the hint window, once it is built.
    void showModal(const std::string& text) override;
    void tickShowHints() override;

    // authoring::PropertiesHost
    void setStopHotKeyEnabled(bool on) override;
    void showManager(bool on) override { ShowWindow(manager_.get().hwnd(), on ? SW_SHOW : SW_HIDE); }
    void refillList() override { manager_.refillList(); }
    std::optional<std::string> editScript(const authoring::ScriptEditRequest& request) override;

    // ReplayListener
    void replayEnded() override;

    os::win32::Win32System& os_;
    const std::vector<std::string> arguments_;
    journal::Recorder journal_;
    os::win32::Win32ShellLinks shellLinks_;
    os::win32::Win32Printing printing_;
    ManagerWindowOnDemand manager_;
    Win32ShellView view_;
    Application app_;
    authoring::Hints hints_;
    // Made once the manager window's start-up work is done, as before it.
    std::optional<TrayForm> tray_;
    // The authoring forms, built once the command line has run: a
    // shortcut's macro then types its first key without waiting for them.
    // Nothing before that can open them (the manager window is hidden and
    // hot keys run macros only).
    struct Authoring {
        Authoring(Program& program, HWND applicationWindow);
        authoring::win32::CommandDialogForms commandDialogs;
        authoring::win32::WizardForm wizard;
        authoring::win32::HintForm hint;
        authoring::win32::PropertiesForm properties;
        authoring::win32::ImportForm importer;
        authoring::win32::RunMacroForm runMacro;
    };
    std::optional<Authoring> authoring_;
};

}  // namespace kv::app::win32
