#pragma once
// The wizard's page for an advanced macro's script: its heading, the script
// box and the editor's commands. It lives on the wizard form, in the area
// the wizard gives it, and is shown and hidden with the wizard's pages.

#include <memory>
#include <string>

#include "authoring/script_page_host.hpp"
#include "store/macro.hpp"
#include "ui/win32/controls.hpp"

namespace kv::authoring::win32 {

class CommandDialogForms;

class ScriptPage {
public:
    // Creates the page's controls, hidden, on the wizard inside area; the
    // editor's command dialogs are the program's one set.
    ScriptPage(ui::win32::Form& wizard, const ui::win32::Rect96& area, ScriptPageHost& host,
               CommandDialogForms& dialogs);
    ~ScriptPage();
    ScriptPage(const ScriptPage&) = delete;
    ScriptPage& operator=(const ScriptPage&) = delete;

    void show(bool on);
    bool visible() const;
    // The script box's text: lines ended by CR LF, as it is saved.
    std::string script() const;
    void setScript(const std::string& text);
    void focusScript();
    // How the text arrives; hidden in edit mode.
    void showArrival(bool on);
    store::Insert insert() const;
    store::PasteKeys pasteKeys() const;
    void setArrival(store::Insert insert, store::PasteKeys keys);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kv::authoring::win32
