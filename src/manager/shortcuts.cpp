#include "manager/shortcuts.hpp"

#include <cctype>

#include "core/error.hpp"
#include "core/utf8.hpp"
#include "store/macro_repository.hpp"

namespace kv::manager {

namespace {

constexpr const char* kIconFile = "Keyvale.Ico";

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string fileNamePart(const std::string& path) {
    const auto cut = path.find_last_of("\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

constexpr std::size_t kLinkTextLimit = 255;
constexpr std::size_t kLinkPathLimit = 259;

void checkLimit(const std::string& text, std::size_t limit, const std::string& what) {
    if (utf16Length(text) > limit)
        throw Error("Cannot make the shortcut: its " + what + " would be longer than " +
                    std::to_string(limit) + " characters.");
}

}  // namespace

std::string shellFolderName(os::ShellFolder folder) {
    switch (folder) {
        case os::ShellFolder::None: return "";
        case os::ShellFolder::Desktop: return "Desktop";
        case os::ShellFolder::Favorites: return "Favorites";
        case os::ShellFolder::Fonts: return "Fonts";
        case os::ShellFolder::Personal: return "Personal";
        case os::ShellFolder::Programs: return "Programs";
        case os::ShellFolder::Recent: return "Recent";
        case os::ShellFolder::SendTo: return "SendTo";
        case os::ShellFolder::StartMenu: return "Start Menu";
        case os::ShellFolder::Startup: return "Startup";
        case os::ShellFolder::Templates: return "Templates";
    }
    return "";
}

std::string linkPathInFolder(const std::string& folderPath, const std::string& value) {
    std::string file = fileNamePart(value);
    const auto dot = file.rfind('.');
    if (dot == std::string::npos || !equalsNoCase(std::string_view(file).substr(dot), ".lnk")) file += ".lnk";
    if (equalsNoCase(file, ".lnk")) return "";
    return folderPath + "\\" + file;
}

std::uint16_t linkHotKey(store::ShortCut value) {
    unsigned high = 0;
    if (value & store::kShortCutShift) high |= 1;
    if (value & store::kShortCutCtrl) high |= 2;
    if (value & store::kShortCutAlt) high |= 4;
    return static_cast<std::uint16_t>((high << 8) | (value & 0xFF));
}

os::ShellLinkData macroLink(const std::string& programDirectory, const std::string& name,
                            store::ShortCut hotKey, bool iconFileShips) {
    os::ShellLinkData link;
    link.description = name;
    link.workingDirectory = programDirectory;
    // Always this file name, whatever the running program's file is called.
    link.target = programDirectory + "Macros.exe";
    link.arguments = " /Open:\"" + name + "\" /Close";
    link.showCommand = 1;
    link.hotKey = linkHotKey(hotKey);
    link.iconFile = iconFileShips ? programDirectory + kIconFile : link.target;
    link.iconIndex = 0;
    return link;
}

std::string createShortcut(os::System& sys, os::ShellLinks& links, os::ShellFolder folder, int slot) {
    const store::Macro macro = store::MacroRepository(sys).read(slot);
    const std::string name = macro.nameOr("Error");
    const store::ShortCut hotKey = macro.hotKey;

    // Without a folder path the link would land at the root of the current drive.
    const auto folderPath = links.folderPath(folder);
    if (!folderPath || folderPath->empty())
        throw Error("Cannot find the " + shellFolderName(folder) + " folder; no shortcut was made.");
    const std::string path = linkPathInFolder(*folderPath, name + ".lnk");
    if (path.empty()) throw Error("Cannot make a shortcut for a macro without a name.");
    // The name is quoted in the arguments: a quote of its own would end it there.
    if (name.find('"') != std::string::npos)
        throw Error("Cannot make a shortcut for a macro whose name contains a double quotation mark.");

    const os::ShellLinkData link =
        macroLink(sys.programDirectory, name, hotKey, sys.files.exists(sys.programDirectory + kIconFile));
    // A cut text would leave a shortcut whose arguments name no macro.
    checkLimit(link.description, kLinkTextLimit, "description (the macro's name)");
    checkLimit(link.arguments, kLinkTextLimit, "arguments (the macro's name)");
    checkLimit(link.target, kLinkTextLimit, "program path");
    checkLimit(link.iconFile, kLinkTextLimit, "icon path");
    checkLimit(link.workingDirectory, kLinkTextLimit, "working folder");
    checkLimit(path, kLinkPathLimit, "file path");
    links.save(path, link);
    return path;
}

namespace {

std::string startupLinkPath(os::ShellLinks& links) {
    const auto folder = links.folderPath(os::ShellFolder::Startup);
    if (!folder || folder->empty()) throw Error("Cannot find the Startup folder.");
    return *folder + "\\Keyvale.lnk";
}

}  // namespace

bool startsWithWindows(os::System& sys, os::ShellLinks& links) {
    const auto folder = links.folderPath(os::ShellFolder::Startup);
    return folder && !folder->empty() && sys.files.exists(*folder + "\\Keyvale.lnk");
}

void setStartWithWindows(os::System& sys, os::ShellLinks& links, bool on) {
    const std::string path = startupLinkPath(links);
    if (!on) {
        if (sys.files.exists(path) && !sys.files.remove(path)) throw Error("Unable to remove " + path);
        return;
    }
    os::ShellLinkData link;
    link.description = "Keyvale";
    link.target = sys.programDirectory + "Macros.exe";
    link.workingDirectory = sys.programDirectory;
    link.iconFile = link.target;
    links.save(path, link);
}

}  // namespace kv::manager
