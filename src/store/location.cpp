#include "store/location.hpp"

namespace kv::store {

namespace {

std::string withBackslash(std::string dir) {
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    return dir;
}

bool directoryTakesNewFiles(os::Files& files, const std::string& dir) {
    const std::string probe = dir + "macros.ini.probe";
    if (!files.write(probe, "")) return false;
    files.remove(probe);
    return true;
}

}  // namespace

std::string chooseStorePath(os::Files& files, const std::string& windowsDirectory,
                            const std::string& appDataDirectory) {
    const std::string windowsStore = withBackslash(windowsDirectory) + "macros.ini";
    const bool inWindows = files.exists(windowsStore);
    if (inWindows ? files.writable(windowsStore) : directoryTakesNewFiles(files, withBackslash(windowsDirectory)))
        return windowsStore;
    const std::string dir = withBackslash(appDataDirectory) + "Keyvale";
    files.createDirectory(dir);
    const std::string userStore = dir + "\\macros.ini";
    if (inWindows && !files.exists(userStore)) {
        if (auto bytes = files.read(windowsStore)) files.write(userStore, *bytes);
    }
    return userStore;
}

}  // namespace kv::store
