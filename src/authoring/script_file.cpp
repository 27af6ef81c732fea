#include "authoring/script_file.hpp"

#include "core/error.hpp"
#include "core/text.hpp"
#include "store/macro_repository.hpp"
#include "store/text_encoding.hpp"

namespace kv::authoring {

namespace {

std::string scriptPath(const std::string& dataFolder, const std::string& name) {
    return store::dataFilePath(dataFolder, name, store::kScriptExtension);
}

bool sameFile(os::Files& files, const std::string& a, const std::string& b) {
    return files.sameName(store::trimmedName(a), store::trimmedName(b));
}

// A failed write leaves the target as it was: it is only ever renamed over.
void writeWhole(os::Files& files, const std::string& path, const std::string& script) {
    if (!store::replaceFileContent(files, path, store::encodeScript(files, script)))
        throw Error("Unable to write to " + path);
}

}  // namespace

std::string saveScriptInPlace(os::Files& files, const std::string& dataFolder,
                              const std::string& storedBaseName, const std::string& oldBaseName,
                              const std::string& newName, const std::string& script) {
    const std::string newBase = store::trimmedName(newName);
    writeWhole(files, scriptPath(dataFolder, newBase), script);
    // An empty name is no file (a store entry without its FileName).
    const auto named = [](const std::string& name) { return !store::trimmedName(name).empty(); };
    if (named(storedBaseName) && !sameFile(files, storedBaseName, newBase))
        writeWhole(files, scriptPath(dataFolder, storedBaseName), script);
    if (named(oldBaseName) && !sameFile(files, oldBaseName, newBase) &&
        !sameFile(files, oldBaseName, storedBaseName))
        files.remove(scriptPath(dataFolder, oldBaseName));
    return newBase;
}

void dropScriptFile(os::Files& files, const std::string& dataFolder, const std::string& keepBaseName,
                    const std::string& dropBaseName) {
    if (!store::trimmedName(dropBaseName).empty() && !sameFile(files, keepBaseName, dropBaseName))
        files.remove(scriptPath(dataFolder, dropBaseName));
}

std::string ScriptEditSession::load() const {
    const std::string text =
        store::readScript(files_, scriptPath(directory_, stored_)).value_or(std::string());
    return std::string(trimBlanks(text));
}

void ScriptEditSession::save(const std::string& typedName, const std::string& script) {
    current_ = saveScriptInPlace(files_, directory_, stored_, current_, typedName, script);
}

}  // namespace kv::authoring
