// The program's folders, and the services bundled as one os::System.

#include "os/win32/clipboard.hpp"
#include "os/win32/typing.hpp"
#include "os/win32/win32_os.hpp"
// Shell and common-control headers need windows.h first.
#include <shlobj.h>

#include <vector>

#include "os/win32/wide.hpp"

namespace kv::os::win32 {

std::string programDirectory() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size()) {
            const std::string path = narrow(std::wstring_view(buf.data(), n));
            return path.substr(0, path.find_last_of('\\') + 1);
        }
        buf.resize(buf.size() * 2);
    }
}

std::string windowsDirectory() {
    wchar_t buf[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryW(buf, MAX_PATH);
    return narrow(std::wstring_view(buf, n < MAX_PATH ? n : 0));
}

std::string appDataDirectory() {
    wchar_t buf[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buf) !=
        S_OK)
        return windowsDirectory();
    return narrow(buf);
}

Win32System::Win32System(PromptBoxes& boxes)
    : sys{pump,  keyboard,           hotKeys,      windows, shell, files, dialogs, locale,
          input, programDirectory(), std::string()},
      dialogs(boxes) {
    clipboard = std::make_unique<Win32Clipboard>(pump, sys.guard);
    sys.clipboard = clipboard.get();
    typing = std::make_unique<Win32Typing>(sys.guard, inputThread);
    sys.typing = typing.get();
}

}  // namespace kv::os::win32
