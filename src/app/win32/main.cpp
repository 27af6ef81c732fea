// Keyvale's entry point: the hidden application window, the resident
// application object and the message loop.

#include <windows.h>
#include <commctrl.h>

#include "app/application.hpp"
#include "journal/recorder.hpp"
#include "os/win32/win32_os.hpp"
#include "store/location.hpp"

namespace {

using kv::os::win32::UniqueWindow;

LRESULT CALLBACK applicationWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

UniqueWindow createApplicationWindow(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = applicationWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "MAINICON");
    wc.lpszClassName = "TApplication";
    RegisterClassA(&wc);
    // A tool window never gets a task-bar button.
    return UniqueWindow(CreateWindowExA(WS_EX_TOOLWINDOW, "TApplication", "Keyvale", WS_POPUP, 0, 0, 0, 0, nullptr,
                                        nullptr, instance, nullptr));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    kv::os::win32::Win32System os;
    os.sys.storePath = kv::store::chooseStorePath(os.files, kv::os::win32::windowsDirectory(),
                                                  kv::os::win32::appDataDirectory());
    UniqueWindow appWindow = createApplicationWindow(instance);
    os.setApplicationWindow(appWindow.get());

    kv::journal::Recorder journal(os.sys);
    kv::app::Application app(os.sys, journal);
    app.guarded([&] { app.start(); });

    while (os.pump.runOne()) {
    }
    return 0;
}
