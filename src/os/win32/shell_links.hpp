#pragma once
// Shell links through the shell's link object, and the shell folders from
// the shell's folder functions.

#include "os/shell_links.hpp"

namespace kv::os::win32 {

class Win32ShellLinks : public ShellLinks {
public:
    std::optional<std::string> folderPath(ShellFolder folder) override;
    void save(const std::string& linkPath, const ShellLinkData& link) override;
};

}  // namespace kv::os::win32
