#include "authoring/script_file.hpp"

#include "core/error.hpp"
#include "core/utf8.hpp"
#include "store/macro_repository.hpp"
#include "store/profile.hpp"
#include "store/text_encoding.hpp"

namespace kv::authoring {

namespace {

std::string scriptPath(const std::string& programDirectory, const std::string& name) {
    return store::dataFilePath(programDirectory, name, store::kScriptExtension);
}

bool sameFile(const std::string& a, const std::string& b) {
    return kv::equalsIgnoringCase(store::trimmedName(a), store::trimmedName(b));
}

// A failed write leaves the target as it was: it is only ever renamed over.
void writeWhole(os::Files& files, const std::string& path, const std::string& script) {
    const std::string temp = path + ".new";
    if (files.write(temp, store::encodeScript(files, script)) && files.replace(temp, path)) return;
    files.remove(temp);
    throw Error("Unable to write to " + path);
}

}  // namespace

std::string saveScriptInPlace(os::Files& files, const std::string& programDirectory,
                              const std::string& storedBaseName, const std::string& oldBaseName,
                              const std::string& newName, const std::string& script) {
    const std::string newBase = store::trimmedName(newName);
    writeWhole(files, scriptPath(programDirectory, newBase), script);
    // An empty name is no file (a store entry without its FileName).
    const auto named = [](const std::string& name) { return !store::trimmedName(name).empty(); };
    if (named(storedBaseName) && !sameFile(storedBaseName, newBase))
        writeWhole(files, scriptPath(programDirectory, storedBaseName), script);
    if (named(oldBaseName) && !sameFile(oldBaseName, newBase) && !sameFile(oldBaseName, storedBaseName))
        files.remove(scriptPath(programDirectory, oldBaseName));
    return newBase;
}

void dropScriptFile(os::Files& files, const std::string& programDirectory, const std::string& keepBaseName,
                    const std::string& dropBaseName) {
    if (!store::trimmedName(dropBaseName).empty() && !sameFile(keepBaseName, dropBaseName))
        files.remove(scriptPath(programDirectory, dropBaseName));
}

std::string ScriptEditSession::load() const {
    const std::string text =
        store::readScript(files_, scriptPath(directory_, stored_)).value_or(std::string());
    std::string_view v = text;
    while (!v.empty() && static_cast<unsigned char>(v.front()) <= 32) v.remove_prefix(1);
    while (!v.empty() && static_cast<unsigned char>(v.back()) <= 32) v.remove_suffix(1);
    return std::string(v);
}

void ScriptEditSession::save(const std::string& typedName, const std::string& script) {
    current_ = saveScriptInPlace(files_, directory_, stored_, current_, typedName, script);
}

}  // namespace kv::authoring
