// Opening documents, programs and addresses through the shell.

#include "os/win32/win32_os.hpp"
// Shell and common-control headers need windows.h first.
#include <shellapi.h>

#include "os/win32/com.hpp"
#include "os/win32/wide.hpp"

namespace kv::os::win32 {

void Win32Shell::open(const std::string& target) {
    // The shell may hand the target to an extension that needs COM.
    useCom();
    const std::size_t anchor = target.rfind('#');
    const std::wstring wide = widen(target);
    if (anchor != std::string::npos && lstrcmpiW(wide.substr(0, 5).c_str(), L"file:") == 0) {
        // Some shells take the anchor of a file URL for part of the file's
        // name and find no file: the document itself is then opened, at its top.
        SHELLEXECUTEINFOW sei{};
        sei.cbSize = sizeof sei;
        sei.fMask = SEE_MASK_FLAG_NO_UI;
        sei.hwnd = owner;
        sei.lpVerb = L"open";
        sei.lpFile = wide.c_str();
        sei.nShow = SW_SHOWNORMAL;
        if (ShellExecuteExW(&sei)) return;
        ShellExecuteW(owner, L"open", widen(target.substr(0, anchor)).c_str(), nullptr, nullptr,
                      SW_SHOWNORMAL);
        return;
    }
    ShellExecuteW(owner, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace kv::os::win32
