// Keyvale's entry point: start-up in its fixed order, then the message loop.

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <optional>

#include "app/application.hpp"
#include "app/help.hpp"
#include "app/win32/forms.hpp"
#include "app/win32/wizard_link.hpp"
#include "authoring/script_file.hpp"
#include "authoring/win32/command_dialog_forms.hpp"
#include "authoring/win32/hint_form.hpp"
#include "authoring/win32/properties_form.hpp"
#include "authoring/win32/wizard_form.hpp"
#include "journal/recorder.hpp"
#include "os/win32/com.hpp"
#include "os/win32/instances.hpp"
#include "os/win32/printing.hpp"
#include "os/win32/shell_links.hpp"
#include "os/win32/wide.hpp"
#include "os/win32/win32_os.hpp"
#include "store/location.hpp"
#include "store/macro_repository.hpp"
#include "triggers/command_line.hpp"

namespace {

using kv::os::win32::UniqueWindow;

LRESULT CALLBACK applicationWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// The application's own top-level window: the owner of the program's windows
// and message boxes. It stays hidden, and as a tool window it never gets a
// task-bar button.
UniqueWindow createApplicationWindow(HINSTANCE instance) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = applicationWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, L"MAINICON");
    wc.lpszClassName = L"TApplication";
    RegisterClassW(&wc);
    return UniqueWindow(CreateWindowExW(WS_EX_TOOLWINDOW, L"TApplication", L"Keyvale", WS_POPUP, 0, 0, 0, 0,
                                        nullptr, nullptr, instance, nullptr));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // DLLs loaded later by name (theming, common dialogs, printer drivers,
    // shell extensions) come from System32 only, never from the folder a
    // portable copy was put in nor the current directory. Looked up by name:
    // Windows 7 has SetDefaultDllDirectories only with update KB2533623.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (const auto setDefaultDllDirectories =
            reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
                GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories"))))
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);

    // COM for the user-interface thread's life: the shell links and the
    // accessibility annotations of the controls use it.
    const kv::os::win32::ComLibrary com;
    kv::os::win32::Win32System os;
    kv::os::win32::Win32Instances instances;
    // The program's own splitting rules apply (not CommandLineToArgvW's); on
    // UTF-8 no byte of a character beyond ASCII is a blank or a quote.
    const std::vector<std::string> arguments =
        kv::triggers::splitArguments(kv::os::win32::narrow(GetCommandLineW()));
    // A second plain start brings the resident copy's manager window up instead.
    if (kv::app::handOverToResidentCopy(arguments, instances)) return 0;
    os.sys.storePath = kv::store::chooseStorePath(os.files, kv::os::win32::windowsDirectory(),
                                                  kv::os::win32::appDataDirectory());
    os.sys.dataDirectory =
        kv::store::chooseDataDirectory(os.files, os.sys.programDirectory, kv::os::win32::appDataDirectory());
    UniqueWindow appWindow = createApplicationWindow(instance);
    os.setApplicationWindow(appWindow.get());
    os.pump.processMessages();

    kv::journal::Recorder journal(os.sys);
    kv::app::Application app(os.sys, journal, &instances);
    kv::ui::win32::Form::setSystem(&os.sys);
    kv::os::win32::endEscapedException = &kv::ui::win32::Form::endEscaped;

    // Every form is created once, hidden, in this order, and lives to the end.
    kv::app::win32::WizardLink wizardLink(app, os.sys);
    kv::authoring::Hints hints(os.sys, [&](bool on) { wizardLink.setShowHintsTick(on); });
    // The setup wizard, the largest form, is built once the command line has
    // run: a shortcut's macro then types its first key without waiting for
    // it. Nothing before that can open it (the manager window is hidden and
    // hot keys run macros only).
    std::optional<kv::authoring::win32::WizardForm> wizard;
    kv::os::win32::Win32ShellLinks shellLinks;
    app.setShellLinks(&shellLinks);
    kv::os::win32::Win32Printing printing;
    printing.owner = appWindow.get();
    kv::manager::ManagerHooks managerHooks;
    // "New Macro" opens the setup wizard; "Edit Macro", a double click and
    // "&Properties" open the properties dialog for the selected row's slot.
    managerHooks.openWizard = [&] {
        if (wizard) wizard->openNew();
    };
    kv::authoring::win32::PropertiesForm* propertiesForm = nullptr;  // created after the manager, its owner
    managerHooks.openProperties = [&](int slot) {
        if (propertiesForm) propertiesForm->showFor(slot);
    };
    managerHooks.loadHotKeys = [&] { app.loadHotKeys(); };
    managerHooks.savePosition = [&] { app.saveManagerPosition(); };
    managerHooks.hotKeyRefused = [&](int slot) { return app.hotKeys().refused(slot); };
    managerHooks.openHelp = [&] { kv::app::openHelpTopic(os.sys); };
    kv::app::win32::ManagerWindow manager(os.sys, shellLinks, printing, std::move(managerHooks));
    wizardLink.setManager(&manager, &shellLinks);
    kv::app::win32::Win32ShellView view(manager, appWindow.get());
    app.setView(&view);
    app.guarded([&] { app.managerCreated(arguments); });
    kv::app::win32::TrayForm tray(app, appWindow.get());
    tray.addIcon();
    app.trayCreated(arguments);
    wizard.emplace(os.sys, journal, app.state(), wizardLink, hints, manager.hwnd());
    app.addRecorderFinishedObserver([&] { wizard->presenter().recorderFinished(); });
    kv::authoring::win32::CommandDialogForms commandDialogs(os.sys, appWindow.get());
    kv::authoring::win32::HintForm hint(hints, wizard->hwnd());
    kv::authoring::PropertiesHooks propertiesHooks;
    propertiesHooks.manager = [&](bool on) { ShowWindow(manager.hwnd(), on ? SW_SHOW : SW_HIDE); };
    propertiesHooks.list = [&] { manager.refillList(); };
    propertiesHooks.hotKeys = [&] { app.guarded([&] { app.loadHotKeys(); }); };
    propertiesHooks.help = [&] { kv::app::openHelpTopic(os.sys); };
    propertiesHooks.stopHotKeyEnabled = [&](bool on) { wizard->presenter().stopHotKey().setEnabled(on); };
    propertiesHooks.scriptEditor =
        [&](const kv::authoring::ScriptEditRequest& r) -> std::optional<std::string> {
        kv::authoring::ScriptEditSession session(os.files, kv::store::MacroRepository(os.sys).dataFolder(),
                                                 r.storedBaseName);
        std::optional<std::string> saved;
        wizard->presenter().arrangeForEdit();
        wizard->scriptPage().setScript(r.script);
        wizard->presenter().onSave = [&] {
            session.save(r.newBaseName, wizard->scriptPage().script());
            saved = session.scriptBaseName();
            wizard->presenter().cancel();  // back to the normal buttons, closed
        };
        wizard->openArranged();
        wizard->presenter().onSave = nullptr;
        wizard->presenter().setEditMode(false);
        return saved;
    };
    kv::authoring::win32::PropertiesForm properties(os.sys, journal, app.state(), propertiesHooks,
                                                    manager.hwnd());
    propertiesForm = &properties;
    app.addRecorderFinishedObserver([&] { properties.presenter().playbackFinished(); });
    wizardLink.onPropertiesRecordingStopped = [&] { properties.stopRecordingByHotKey(); };
    app.firstRunCheck();

    while (os.pump.runOne()) {
    }
    return 0;
}
