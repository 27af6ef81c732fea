#pragma once
// The four command dialogs' windows: "Wait Time", "Number of Times to
// Repeat", "Input Box" and "Wait for a Window". Created once at start-up,
// hidden between uses; their fields keep their values within a run.

#include <functional>
#include <memory>
#include <string>

#include "authoring/command_dialogs.hpp"
#include "ui/win32/controls.hpp"

namespace kv::authoring::win32 {

class CommandDialogForms {
public:
    CommandDialogForms(os::System& sys, HWND owner);
    ~CommandDialogForms();
    CommandDialogForms(const CommandDialogForms&) = delete;
    CommandDialogForms& operator=(const CommandDialogForms&) = delete;

    // Shows the dialog modally over owner (which stays disabled meanwhile);
    // insert receives the finished token.
    void run(CommandDialogKind kind, HWND owner, std::function<void(const std::string&)> insert);

private:
    class DialogForm;
    std::unique_ptr<DialogForm> forms_[4];
};

}  // namespace kv::authoring::win32
