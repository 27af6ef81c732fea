// The value prompt "Keyvale Input Box": a label with the prompt, one answer
// field and a default "&OK" button; no cancel button, no title-bar buttons.
// Whatever way it closes, the answer field's text is the answer.

#include "os/win32/one_line_box.hpp"

namespace kv::os::win32 {

std::string Win32Dialogs::promptValue(const std::string& prompt) {
    letTypedKeysArrive();
    OneLineBox box;
    box.windowClass = L"TfrmGetVar";
    box.programIcon = true;
    box.caption = "Keyvale Input Box";
    box.prompt = prompt;
    box.everyCloseAnswers = true;
    box.exStyle = WS_EX_TOPMOST;
    box.width = 360;
    box.height = 150;
    box.owner = owner;
    return runOneLineBox(pump_, box, &openPrompts_).value_or("");
}

void Win32Dialogs::closePrompts() {
    // Posted: this may run inside the system's input hook.
    for (HWND prompt : openPrompts_) PostMessageW(prompt, WM_CLOSE, 0, 0);
}

}  // namespace kv::os::win32
