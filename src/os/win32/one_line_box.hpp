#pragma once
// A small modal box of a prompt, one answer field and its buttons, run in the
// program's own message pump: the value prompt of a running macro and the
// input box of the script editor share it.

#include <optional>
#include <string>
#include <vector>

#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

struct OneLineBox {
    const wchar_t* windowClass = L"";
    bool programIcon = false;
    std::string caption, prompt, initial;
    // "OK" and "Cancel" at the right; without it a centred "&OK" alone.
    bool cancelButton = false;
    // Whatever way the box closes, the field's text is the answer; otherwise
    // only OK answers and Cancel, Esc or the close box give nothing.
    bool everyCloseAnswers = false;
    DWORD exStyle = 0, style = 0;
    int width = 0, height = 0;  // at 96 dpi
    // Disabled while the box is open; activated again afterwards if asked.
    HWND owner = nullptr;
    bool activateOwnerAfter = false;
};

// The boxes open now are kept in openList (when given) while they are.
std::optional<std::string> runOneLineBox(Win32Pump& pump, const OneLineBox& box, std::vector<HWND>* openList);

}  // namespace kv::os::win32
