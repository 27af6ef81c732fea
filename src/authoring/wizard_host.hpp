#pragma once
// What the setup wizard needs of the rest of the program: the manager
// window's list and visibility, shortcuts, the hot-key table.

#include <string>
#include <vector>

namespace kv::authoring {

class WizardHost {
public:
    virtual ~WizardHost() = default;
    // The captions of the manager's list rows, for the duplicate-name check.
    virtual std::vector<std::string> macroNames() = 0;
    // A row shown until the list is next refilled from the store.
    virtual void addListRow(int image, const std::string& caption, const std::string& hotKeyText) = 0;
    virtual void showManager() = 0;
    virtual void hideManager() = 0;
    // folder: 1..6 in the order of the wizard's drop-down ("On Desktop" ..
    // "In Personal Folder"); slot: the macro's slot. Raises an error whose
    // text the user is shown when the shortcut cannot be written.
    virtual void createShortcut(int folder, int slot) = 0;
    // Re-registers every hot key from the store and refills the list.
    virtual void loadHotKeys() = 0;
    // F1: the program's help at the topic "Operation".
    virtual void openHelp() = 0;
    // Shift+Ctrl+F12 ended a recording that the properties dialog started:
    // that dialog's buttons and its return to the front are its own.
    virtual void propertiesRecordingStopped() {}
};

}  // namespace kv::authoring
