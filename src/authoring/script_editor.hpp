#pragma once
// The advanced-macro editor's commands: the menus of its menu buttons with
// their items, tokens and hints, and what each item does. Every token goes
// into the script box in place of its selection, or at its caret.

#include <span>
#include <string>
#include <vector>

#include "authoring/command_dialogs.hpp"
#include "authoring/script_page_host.hpp"

namespace kv::authoring {

enum class EditorMenu { SpecialKeys, MoreKeys, Repeat, DateTime, Misc };

enum class EditorAction {
    Insert,         // inserts the item's token
    CommandDialog,  // shows a command dialog, which inserts its token
    RunMacro,       // asks for a macro's name
    FocusWindow,    // asks for a window's title
    StartFile,      // picks a program or document
};

struct EditorMenuItem {
    const char* caption;
    const char* token;  // Insert only
    const char* hint;   // shown first; nullptr for none
    EditorAction action = EditorAction::Insert;
    CommandDialogKind dialog = CommandDialogKind::Delay;  // CommandDialog only
};

std::span<const EditorMenuItem> editorMenu(EditorMenu menu);
std::vector<std::string> editorMenuCaptions(EditorMenu menu);

inline constexpr const char* kModifierHint =
    "You have selected a key modifier.  To mate this key with another, simply type the key or select it from the list of special keys directly *after* the modifier ( eg. <<ALT>>f ).  For more information review the pre-installed examples.";
inline constexpr const char* kDelayHint =
    "This option is especially useful when you are performing extensive operations within an application and would like to wait for them to finish, or when you need to wait a few seconds for a program to load before sending keystrokes to it.";
// The wizard's Browse button shows the same hint.
inline constexpr const char* kBrowseHint =
    "Note that you may use this option to not only start regular programs, but also launch any windows documents with valid associations.  For example, C:\\My Documents\\example.txt opens that file in Notepad, http://www.example.com opens that page in your web browser, and mailto:someone@example.com opens your e-mail program with that address in the To field.";
inline constexpr const char* kProgramFileFilter =
    "All Files (*.*)|*.*|Executables (*.exe)|*.exe|Batch Files (*.bat)|*.bat|PIF Files (*.pif)|*.pif|Com Files (*.com)|*.com";

// What the editor needs of its page.
class ScriptEditorView {
public:
    virtual ~ScriptEditorView() = default;
    // Replaces the script box's selection with text, or inserts it at the
    // caret; the caret ends after it. The clipboard is left alone.
    virtual void insert(const std::string& text) = 0;
    virtual void focusScript() = 0;
    // Shows the command dialog modally; it inserts through insert().
    virtual void showCommandDialog(CommandDialogKind kind) = 0;
};

class ScriptEditor {
public:
    ScriptEditor(ScriptEditorView& view, ScriptPageHost& host) : view_(view), host_(host) {}

    // An item of a menu button was chosen.
    void choose(EditorMenu menu, int index);
    // The "Start a Delay" button.
    void startDelay();

private:
    void insertAnswer(const char* prefix, const std::optional<std::string>& answer);

    ScriptEditorView& view_;
    ScriptPageHost& host_;
};

}  // namespace kv::authoring
