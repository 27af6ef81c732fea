#pragma once
// Shell shortcut files (".lnk") and the per-user shell folders they go into.

#include <cstdint>
#include <optional>
#include <string>

namespace kv::os {

enum class ShellFolder {
    None,
    Desktop,
    Favorites,
    Fonts,
    Personal,
    Programs,
    Recent,
    SendTo,
    StartMenu,
    Startup,
    Templates,
};

// What a link file holds.
struct ShellLinkData {
    std::string description;
    std::string target;
    std::string workingDirectory;
    std::string arguments;
    int showCommand = 1;  // 1 normal, 7 minimised, 3 maximised
    // Key code in the low byte; high byte 1 Shift, 2 Ctrl, 4 Alt.
    std::uint16_t hotKey = 0;
    std::string iconFile;
    int iconIndex = 0;
    bool operator==(const ShellLinkData&) const = default;
};

class ShellLinks {
public:
    virtual ~ShellLinks() = default;
    // The folder's path without a trailing backslash, or nothing when the
    // system cannot name it.
    virtual std::optional<std::string> folderPath(ShellFolder folder) = 0;
    // Writes the link file, replacing one of that name. Raises an error that
    // names what failed.
    virtual void save(const std::string& linkPath, const ShellLinkData& link) = 0;
};

}  // namespace kv::os
