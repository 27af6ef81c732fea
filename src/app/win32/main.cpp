// Keyvale's entry point: start-up in its fixed order, then the message loop.

#include <windows.h>
#include <commctrl.h>

#include "app/application.hpp"
#include "app/help.hpp"
#include "app/win32/forms.hpp"
#include "authoring/win32/properties_form.hpp"
#include "journal/recorder.hpp"
#include "os/win32/printing.hpp"
#include "os/win32/shell_links.hpp"
#include "os/win32/win32_os.hpp"
#include "store/location.hpp"
#include "triggers/command_line.hpp"

namespace {

using kv::os::win32::UniqueWindow;

LRESULT CALLBACK applicationWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// The application's own top-level window: the owner of the program's windows
// and message boxes. It stays hidden, and as a tool window it never gets a
// task-bar button.
UniqueWindow createApplicationWindow(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = applicationWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "MAINICON");
    wc.lpszClassName = "TApplication";
    RegisterClassA(&wc);
    return UniqueWindow(CreateWindowExA(WS_EX_TOOLWINDOW, "TApplication", "Keyvale", WS_POPUP, 0, 0, 0, 0, nullptr,
                                        nullptr, instance, nullptr));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);

    kv::os::win32::Win32System os;
    os.sys.storePath = kv::store::chooseStorePath(os.files, kv::os::win32::windowsDirectory(),
                                                  kv::os::win32::appDataDirectory());
    UniqueWindow appWindow = createApplicationWindow(instance);
    os.setApplicationWindow(appWindow.get());
    os.pump.processMessages();
    kv::ui::win32::Form::setPump(&os.pump);

    kv::journal::Recorder journal(os.sys);
    kv::app::Application app(os.sys, journal);

    using kv::app::win32::HiddenForm;
    // Every form is created once, hidden, in this order, and lives to the end.
    HiddenForm wizard("TfrmWizard", "Macro Setup Wizard");
    kv::os::win32::Win32ShellLinks shellLinks;
    kv::os::win32::Win32Printing printing;
    printing.owner = appWindow.get();
    kv::manager::ManagerHooks managerHooks;
    // The setup wizard ("New Macro") and the properties dialog ("Edit Macro",
    // double click, "&Properties" with the slot of the selected row) open here.
    managerHooks.openWizard = [] {};
    kv::authoring::win32::PropertiesForm* propertiesForm = nullptr;  // created after the manager, its owner
    managerHooks.openProperties = [&](int slot) {
        if (propertiesForm) propertiesForm->showFor(slot);
    };
    managerHooks.loadHotKeys = [&] { app.loadHotKeys(); };
    managerHooks.savePosition = [&] { app.saveManagerPosition(); };
    managerHooks.hotKeyRefused = [&](int slot) { return app.hotKeys().refused(slot); };
    kv::app::win32::ManagerWindow manager(os.sys, shellLinks, printing, std::move(managerHooks));
    kv::app::win32::Win32ShellView view(manager, appWindow.get());
    app.setView(&view);
    app.guarded([&] { app.managerCreated(); });
    kv::app::win32::TrayForm tray(app, appWindow.get());
    tray.addIcon();
    app.trayCreated(kv::triggers::splitArguments(GetCommandLineA()));
    HiddenForm wait("TfrmWait", "Wait Time");
    HiddenForm repeat("TfrmRepeat", "Number of Times to Repeat");
    HiddenForm inputBox("TfrmInputBox", "Input Box");
    HiddenForm waitForWindow("TfrmWaitforWindow", "Wait for a Window");
    HiddenForm hint("TfrmHint", "Keyvale Hints");
    // The stop-recording hot key and the script editor are the wizard's.
    kv::authoring::PropertiesHooks propertiesHooks;
    propertiesHooks.manager = [&](bool on) { ShowWindow(manager.hwnd(), on ? SW_SHOW : SW_HIDE); };
    propertiesHooks.list = [&] { manager.refillList(); };
    propertiesHooks.hotKeys = [&] { app.guarded([&] { app.loadHotKeys(); }); };
    propertiesHooks.help = [&] { kv::app::openHelpTopic(os.sys); };
    kv::authoring::win32::PropertiesForm properties(os.sys, journal, app.state(), propertiesHooks, manager.hwnd());
    propertiesForm = &properties;
    app.firstRunCheck();

    while (os.pump.runOne()) {
    }
    return 0;
}
