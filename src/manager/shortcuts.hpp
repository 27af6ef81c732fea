#pragma once
// Shell shortcuts that run a macro by name: "Macros.exe /Open:"<name>" /Close"
// from the program directory, placed in one of the user's shell folders.

#include <cstdint>
#include <string>

#include "os/os.hpp"
#include "os/shell_links.hpp"
#include "store/shortcut.hpp"

namespace kv::manager {

// The folder's name as error messages give it ("Desktop", "Start Menu").
std::string shellFolderName(os::ShellFolder folder);

// The link path for a file name assigned in a folder: the folder path, "\",
// the part of value after its last "\" or ":", and ".lnk" unless the value
// already ends in it (any letter case). Empty when that part is ".lnk" alone.
std::string linkPathInFolder(const std::string& folderPath, const std::string& value);

// The link's hot-key word: key code in the low byte, 1 Shift, 2 Ctrl, 4 Alt
// in the high byte.
std::uint16_t linkHotKey(store::ShortCut value);

// The link for the macro of that name and hot key. Its icon is the program's
// icon file when one ships beside the program, else the program's own icon.
os::ShellLinkData macroLink(const std::string& programDirectory, const std::string& name,
                            store::ShortCut hotKey, bool iconFileShips = true);

// Makes (or replaces) the shortcut of the macro in the slot in the folder and
// returns its path. Raises an error, writing nothing, when the folder cannot
// be found, when the macro's name gives no file name, or when a text would
// exceed what a link holds (255 characters, 259 for the link's path).
std::string createShortcut(os::System& sys, os::ShellLinks& links, os::ShellFolder folder, int slot);

// The shortcut in the user's StartUp folder that starts Keyvale with Windows:
// the program without arguments, so it starts resident.
bool startsWithWindows(os::System& sys, os::ShellLinks& links);
// Makes or removes that shortcut. Raises an error that says what failed.
void setStartWithWindows(os::System& sys, os::ShellLinks& links, bool on);

}  // namespace kv::manager
