#include "os/win32/shell_links.hpp"

#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include "core/error.hpp"
#include "os/win32/com.hpp"
#include "os/win32/wide.hpp"

namespace kv::os::win32 {

std::optional<std::string> Win32ShellLinks::folderPath(ShellFolder folder) {
    int csidl = 0;
    switch (folder) {
        case ShellFolder::None: return std::nullopt;
        case ShellFolder::Desktop: csidl = CSIDL_DESKTOPDIRECTORY; break;
        case ShellFolder::Favorites: csidl = CSIDL_FAVORITES; break;
        case ShellFolder::Fonts: csidl = CSIDL_FONTS; break;
        case ShellFolder::Personal: csidl = CSIDL_PERSONAL; break;
        case ShellFolder::Programs: csidl = CSIDL_PROGRAMS; break;
        case ShellFolder::Recent: csidl = CSIDL_RECENT; break;
        case ShellFolder::SendTo: csidl = CSIDL_SENDTO; break;
        case ShellFolder::StartMenu: csidl = CSIDL_STARTMENU; break;
        case ShellFolder::Startup: csidl = CSIDL_STARTUP; break;
        case ShellFolder::Templates: csidl = CSIDL_TEMPLATES; break;
    }
    wchar_t path[MAX_PATH] = {};
    // The folder is created when the profile does not have it yet.
    if (SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK ||
        !path[0])
        return std::nullopt;
    std::string result = narrow(path);
    if (result.size() > 3 && result.back() == '\\') result.pop_back();
    return result;
}

void Win32ShellLinks::save(const std::string& linkPath, const ShellLinkData& data) {
    ComPtr<IShellLinkW> link;
    if (FAILED(createInstance(CLSID_ShellLink, IID_IShellLinkW, link.out())))
        throw Error("Cannot make the shortcut: the shell's link object is not available.");
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.out())))
        throw Error("Cannot make the shortcut: the shell's link object cannot save files.");
    link->SetDescription(widen(data.description).c_str());
    link->SetPath(widen(data.target).c_str());
    link->SetWorkingDirectory(widen(data.workingDirectory).c_str());
    link->SetArguments(widen(data.arguments).c_str());
    link->SetShowCmd(data.showCommand);
    link->SetHotkey(data.hotKey);
    link->SetIconLocation(widen(data.iconFile).c_str(), data.iconIndex);
    if (FAILED(file->Save(widen(linkPath).c_str(), TRUE)))
        throw Error("Cannot write the shortcut file " + linkPath);
}

}  // namespace kv::os::win32
