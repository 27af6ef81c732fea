// Keyvale's entry point: start-up in its fixed order, then the message loop.

#include <windows.h>

#include <optional>

#include "app/application.hpp"
#include "app/win32/program.hpp"
#include "app/win32/prompt_forms.hpp"
#include "os/win32/com.hpp"
#include "os/win32/instances.hpp"
#include "os/win32/wide.hpp"
#include "os/win32/win32_os.hpp"
#include "store/location.hpp"
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

    // COM, once its first user starts it, lasts the user-interface thread's life.
    const kv::os::win32::ComForThisThread com;
    kv::app::win32::ProgramSystem system;
    kv::os::win32::Win32System& os = system.os;
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

    kv::app::win32::Program program(os, instances, appWindow.get(), arguments);
    return program.run();
}
