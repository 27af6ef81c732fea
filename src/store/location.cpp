#include "store/location.hpp"

#include "store/store.hpp"

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
    const std::string dir = withBackslash(appDataDirectory) + "Keyvale";
    const std::string userStore = dir + "\\macros.ini";
    if (files.exists(userStore)) return userStore;
    const bool inWindows = files.exists(windowsStore);
    // Every write goes through a temporary file beside the store, so a folder
    // that takes no new file cannot hold the store, even where the store
    // itself could be rewritten in place. The choice is made here, once: a
    // store that moved in the middle of a run would split in two.
    if ((!inWindows || files.writable(windowsStore)) &&
        directoryTakesNewFiles(files, withBackslash(windowsDirectory)))
        return windowsStore;
    files.createDirectory(dir);
    if (inWindows) {
        // Like every write: a crash during the copy leaves no cut-short store
        // that later starts would take for the real one. When the copy cannot
        // be made the store stays where it is, read-only in effect: its
        // operations report the failure, and the next start tries again,
        // rather than starting a per-user store without the macros.
        const auto bytes = files.read(windowsStore);
        if (!bytes || !replaceFileContent(files, userStore, *bytes)) return windowsStore;
    }
    return userStore;
}

std::string chooseDataDirectory(os::Files& files, const std::string& programDirectory,
                                const std::string& appDataDirectory) {
    if (directoryTakesNewFiles(files, withBackslash(programDirectory)))
        return withBackslash(programDirectory);
    const std::string dir = withBackslash(appDataDirectory) + "Keyvale";
    files.createDirectory(dir);
    return dir + "\\";
}

}  // namespace kv::store
