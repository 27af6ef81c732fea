#pragma once
// The value prompt of a running macro and the input box of the script
// editor, forms of the control layer that the system's dialogs show, and the
// system built with them.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "os/win32/win32_os.hpp"

namespace kv::app::win32 {

class PromptForms : public os::win32::PromptBoxes {
public:
    explicit PromptForms(os::System& sys) : sys_(sys) {}
    PromptForms(const PromptForms&) = delete;
    PromptForms& operator=(const PromptForms&) = delete;

    std::string promptValue(const std::string& prompt, HWND owner) override;
    // Posted: this may run inside a watcher of the system's input.
    void closePrompts() override;
    std::optional<std::string> inputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial, HWND owner) override;

private:
    os::System& sys_;
    // Value prompts open now, nested ones last.
    std::vector<HWND> openPrompts_;
};

// The Windows services with the boxes their dialogs show. Each holds the
// other by reference, and neither reaches the other while being built.
struct ProgramSystem {
    kv::os::win32::Win32System os{boxes};
    PromptForms boxes{os.sys};
};

}  // namespace kv::app::win32
