// The standard one-line input box: a caption, a prompt, one answer field,
// "OK" (the default button) and "Cancel". Esc and the close box cancel.

#include "os/win32/one_line_box.hpp"

namespace kv::os::win32 {

std::optional<std::string> Win32Dialogs::inputQuery(const std::string& caption, const std::string& prompt,
                                                    const std::string& initial) {
    OneLineBox box;
    box.windowClass = L"KeyvaleInputQuery";
    box.caption = caption;
    box.prompt = prompt;
    box.initial = initial;
    box.cancelButton = true;
    box.style = WS_SYSMENU;
    box.width = 380;
    box.height = 140;
    // The asking window stays disabled while the box is open.
    HWND asking = GetActiveWindow();
    box.owner = asking ? asking : owner;
    box.activateOwnerAfter = true;
    return runOneLineBox(pump_, box, nullptr);
}

}  // namespace kv::os::win32
