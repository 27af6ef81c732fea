#include "authoring/script_editor.hpp"

namespace kv::authoring {

namespace {

using A = EditorAction;
using D = CommandDialogKind;

constexpr EditorMenuItem kSpecialKeys[] = {
    {"Ctrl", "<<CTRL>>", kModifierHint},
    {"Alt", "<<ALT>>", kModifierHint},
    {"Shift", "<<SHIFT>>", kModifierHint},
    {"Ctrl+Alt", "<<CTRL+ALT>>", kModifierHint},
    {"Ctrl+Shift", "<<CTRL+SHIFT>>", kModifierHint},
    {"Shift+Alt", "<<SHIFT+ALT>>", kModifierHint},
    {"Enter", "<<ENTER>>", nullptr},
    {"F1", "<<F1>>", nullptr},
    {"F2", "<<F2>>", nullptr},
    {"F3", "<<F3>>", nullptr},
    {"F4", "<<F4>>", nullptr},
    {"F5", "<<F5>>", nullptr},
    {"F6", "<<F6>>", nullptr},
    {"F7", "<<F7>>", nullptr},
    {"F8", "<<F8>>", nullptr},
    {"F9", "<<F9>>", nullptr},
    {"F10", "<<F10>>", nullptr},
    {"F11", "<<F11>>", nullptr},
    {"F12", "<<F12>>", nullptr},
    {"Esc", "<<ESC>>", nullptr},
    {"Tab", "<<TAB>>", nullptr},
    {"Backspace", "<<BACKSPACE>>", nullptr},
    {"Insert", "<<INSERT>>", nullptr},
    {"Delete", "<<DELETE>>", nullptr},
};

constexpr EditorMenuItem kMoreKeys[] = {
    {"Home", "<<HOME>>", nullptr},
    {"End", "<<END>>", nullptr},
    {"Page Up", "<<PAGEUP>>", nullptr},
    {"Page Down", "<<PAGEDOWN>>", nullptr},
    {"Print Screen", "<<PRINTSCREEN>>", nullptr},
    {"Up Arrow", "<<UP>>", nullptr},
    {"Down Arrow", "<<DOWN>>", nullptr},
    {"Left Arrow", "<<LEFT>>", nullptr},
    {"Right Arrow", "<<RIGHT>>", nullptr},
};

constexpr EditorMenuItem kRepeat[] = {
    {"Start Repeat Sequence", nullptr,
     "Use this option to repeat either the entire macro, or a segment of the macro a given amount of times.  Note that for this function to work properly you will need an End Repetition statement for each repetition within the macro.",
     A::CommandDialog, D::Repeat},
    {"End Repeat Sequence", "<<ENDREP>>", "Use this option to complete a segment of repetition."},
};

constexpr EditorMenuItem kDateTime[] = {
    {"Current Date in Short Format", "<<SHORTDATE>>",
     "The way your system defines a short date is explained in Regional Settings, under your Control Panel."},
    {"Current Date in Long Format", "<<LONGDATE>>",
     "The way your system defines a long date is explained in Regional Settings, under your Control Panel."},
    {"Current Time in Short Format", "<<SHORTTIME>>",
     "A short time is written in with no AM/PM description, eg. 15:30."},
    {"Current Time in Long Format", "<<LONGTIME>>",
     "A long time is written with the AM/PM description that your Regional Settings provides for, if any, eg. 3:30 PM."},
};

constexpr EditorMenuItem kMisc[] = {
    {"Display an input box and get a value", nullptr,
     "Use this option to display a dialog box with a title that you specify.  This dialog box will allow you to type in information that can be later utilized by Keyvale.",
     A::CommandDialog, D::InputBox},
    {"Write stored value", "<<WRITEVALUE>>",
     "This option will type the value that was previously obtained by the \"Get a Value\" option."},
    {"Run another macro", nullptr, "Use this option to run any pre-existing macros from within this one.",
     A::RunMacro},
    {"Wait for a window to be present", nullptr,
     "Use this option to have Keyvale wait for a window with a specified title to appear.", A::CommandDialog,
     D::WaitForWindow},
    {"Bring a window into the foreground", nullptr,
     "Use this option to bring a window to the foreground so that it may accept keystrokes and other input.",
     A::FocusWindow},
    {"Start an Application or Document", nullptr, kBrowseHint, A::StartFile},
};

}  // namespace

std::span<const EditorMenuItem> editorMenu(EditorMenu menu) {
    switch (menu) {
        case EditorMenu::SpecialKeys: return kSpecialKeys;
        case EditorMenu::MoreKeys: return kMoreKeys;
        case EditorMenu::Repeat: return kRepeat;
        case EditorMenu::DateTime: return kDateTime;
        case EditorMenu::Misc: return kMisc;
    }
    return {};
}

std::vector<std::string> editorMenuCaptions(EditorMenu menu) {
    std::vector<std::string> captions;
    for (const EditorMenuItem& item : editorMenu(menu)) captions.emplace_back(item.caption);
    return captions;
}

void ScriptEditor::insertAnswer(const char* prefix, const std::optional<std::string>& answer) {
    // The answer goes in as typed: not trimmed, not checked, not escaped.
    if (answer && !answer->empty()) view_.insert(prefix + *answer + ">>");
    view_.focusScript();
}

void ScriptEditor::choose(EditorMenu menu, int index) {
    const auto items = editorMenu(menu);
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) return;
    const EditorMenuItem& item = items[static_cast<std::size_t>(index)];
    if (item.hint) host_.showHint(item.hint);
    os::Dialogs& dialogs = host_.system().dialogs;
    switch (item.action) {
        case EditorAction::Insert:
            view_.insert(item.token);
            view_.focusScript();
            break;
        case EditorAction::CommandDialog:
            view_.showCommandDialog(item.dialog);
            view_.focusScript();
            break;
        case EditorAction::RunMacro:
            insertAnswer("<<RUN:",
                         dialogs.inputQuery("Run another macro",
                                            "Type the exact name of the existing macro to run", ""));
            break;
        case EditorAction::FocusWindow:
            insertAnswer("<<FOCUS:",
                         dialogs.inputQuery("Bring a window into focus",
                                            "Title of the window to bring to the foreground.", ""));
            break;
        case EditorAction::StartFile: insertAnswer("<<EXECUTE:", dialogs.openFile(kProgramFileFilter)); break;
    }
}

void ScriptEditor::startDelay() {
    host_.showHint(kDelayHint);
    view_.showCommandDialog(CommandDialogKind::Delay);
    view_.focusScript();
}

}  // namespace kv::authoring
