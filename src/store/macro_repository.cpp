#include "store/macro_repository.hpp"

#include <iterator>
#include <span>
#include <stdexcept>

#include "core/error.hpp"
#include "core/utf8.hpp"
#include "store/profile.hpp"

namespace kv::store {

namespace {

// Reads the fields' keys of the slot's section in one pass over it into m;
// the other members keep their values.
void readFields(const StoreSnapshot& reading, int slot, unsigned fields, Macro& m) {
    const std::span<const MacroKey> table = macroKeys();
    constexpr std::size_t kMost = 16;
    std::string_view keys[kMost];
    const MacroKey* rows[kMost];
    std::size_t count = 0;
    for (const MacroKey& k : table)
        if (fields & k.field) keys[count] = k.key, rows[count++] = &k;
    std::optional<std::string_view> read[kMost];
    reading.readKeys(macroSection(slot), std::span(keys, count), std::span(read, count));
    for (std::size_t i = 0; i < count; ++i) rows[i]->read(m, read[i]);
    m.slot = slot;
}

bool isRecording(std::int32_t kind) {
    return kind == kReplayKeys || kind == kReplayMouseAndKeys;
}

}  // namespace

std::optional<std::string_view> dataExtension(std::int32_t kind) {
    if (kind == kScript) return kScriptExtension;
    if (isRecording(kind)) return kRecordingExtension;
    return std::nullopt;
}

void MacroRepository::forEach(const StoreSnapshot& reading, unsigned fields,
                              const std::function<void(const Macro&)>& visit) {
    const int entries = readEntries(reading);
    // One value for all: its texts keep their room from one macro to the next.
    Macro m;
    for (int n = 1; n <= entries; ++n) {
        readFields(reading, n, fields, m);
        visit(m);
    }
}

std::vector<Macro> MacroRepository::all(const StoreSnapshot& reading, unsigned fields) {
    std::vector<Macro> macros;
    const int entries = readEntries(reading);
    macros.resize(static_cast<std::size_t>(entries));
    for (int n = 1; n <= entries; ++n)
        readFields(reading, n, fields, macros[static_cast<std::size_t>(n - 1)]);
    return macros;
}

Macro MacroRepository::read(const StoreSnapshot& reading, int slot, unsigned fields) {
    Macro m;
    readFields(reading, slot, fields, m);
    return m;
}

std::vector<Macro> MacroRepository::all(unsigned fields) const {
    return all(StoreSnapshot(store_), fields);
}

Macro MacroRepository::read(int slot) const {
    return read(StoreSnapshot(store_), slot, kAllFields);
}

std::vector<int> MacroRepository::slotsNamed(std::string_view name) const {
    std::vector<int> slots;
    forEach(StoreSnapshot(store_), kNameField, [&](const Macro& m) {
        if (files_.sameName(m.name.value_or(""), name)) slots.push_back(m.slot);
    });
    return slots;
}

std::string MacroRepository::dataPath(std::string_view name, std::int32_t kind) const {
    const auto extension = dataExtension(kind);
    if (!extension) throw std::invalid_argument("a macro of kind 1 has no data file");
    return dataFilePath(dataFolder_, name, *extension);
}

std::string MacroRepository::dataFileName(std::string_view name, std::int32_t kind) {
    return trimmedName(name) + std::string(dataExtension(kind).value_or(""));
}

std::string MacroRepository::storedPath(std::string_view fileName) const {
    std::string path = storedDataFilePath(dataFolder_, fileName);
    if (programFolder_ != dataFolder_ && !files_.exists(path)) {
        std::string old = storedDataFilePath(programFolder_, fileName);
        if (files_.exists(old)) return old;
    }
    return path;
}

std::string MacroRepository::scriptBaseName(std::string_view fileName) const {
    const std::size_t extension = kScriptExtension.size();
    if (fileName.size() > extension &&
        files_.sameName(fileName.substr(fileName.size() - extension), kScriptExtension))
        fileName.remove_suffix(extension);
    return std::string(fileName);
}

std::string MacroRepository::pathInDataFolder(std::string_view fileName) const {
    return storedDataFilePath(dataFolder_, fileName);
}

std::optional<std::string> MacroRepository::storedPathIfSafe(std::string_view fileName) const {
    if (fileName.empty()) return std::nullopt;
    try {
        return storedPath(fileName);
    } catch (const Error&) {
        return std::nullopt;
    }
}

bool MacroRepository::inProgramFolderOnly(const std::string& path) const {
    return programFolder_ != dataFolder_ && path.compare(0, programFolder_.size(), programFolder_) == 0 &&
           path.compare(0, dataFolder_.size(), dataFolder_) != 0;
}

std::string MacroRepository::temporaryRecordingPath() const {
    return dataFolder_ + "~temp" + std::string(kRecordingExtension);
}

std::string MacroRepository::newRecordingPath() const {
    return dataFolder_ + "~new" + std::string(kRecordingExtension);
}

int MacroRepository::create(Macro m, const std::string& script, const std::string& recording) {
    const std::int32_t kind = m.kindOr(kOpenDocument);
    const std::string name = trimmedName(m.nameOr(""));
    std::optional<std::string> path;
    if (dataExtension(kind)) {
        path = dataPath(name, kind);
        if (files_.exists(*path)) throw Error("A file named " + *path + " already exists");
        if (kind == kScript) {
            if (!replaceFileContent(files_, *path, encodeScript(files_, script)))
                throw Error("Unable to write to " + *path);
        } else if (!files_.replace(recording, *path)) {
            throw Error("Unable to rename " + recording + " to " + *path);
        }
        m.fileName = dataFileName(name, kind);
    }
    m.name = name;
    m.kind = kind;
    try {
        return addMacro(store_, m);
    } catch (...) {
        if (path && kind == kScript)
            files_.remove(*path);
        else if (path)
            files_.replace(*path, recording);
        throw;
    }
}

std::optional<std::string> MacroRepository::update(const Macro& changed, bool newRecording) {
    const std::string section = macroSection(changed.slot);
    const Macro stored = read(changed.slot);
    const std::int32_t kind = stored.kindOr(0);
    const std::string name = changed.nameOr("");
    std::optional<std::string> newFileName;
    if (kind == kOpenDocument)
        newFileName = changed.fileName;
    else if (dataExtension(kind))
        newFileName = dataFileName(name, kind);

    // The files move first; the store follows only when they have.
    const std::optional<std::string> oldPath = storedPathIfSafe(stored.fileName);
    struct Move {
        std::string from, to;
    };
    std::optional<Move> moved;
    std::optional<std::string> removeAfterwards;
    const auto move = [&](const std::string& from, const std::string& to) {
        if (!files_.replace(from, to)) throw Error("Unable to rename " + from + " to " + to);
        moved = Move{from, to};
    };
    // A file in a program folder that takes no changes stays there; the
    // data folder gets a copy under the new name.
    const auto moveOrCopy = [&](const std::string& from, const std::string& to) {
        if (!inProgramFolderOnly(from)) return move(from, to);
        const auto bytes = files_.read(from);
        if (!bytes || !replaceFileContent(files_, to, *bytes))
            throw Error("Unable to rename " + from + " to " + to);
    };
    // A recording stored under the stream's own file name replaces it by one
    // rename, after the store is written: a rename over the old stream cannot
    // be undone, a store write can.
    std::optional<Move> replaceAfterwards;
    if (newRecording && isRecording(kind)) {
        const std::string to = dataFolder_ + *newFileName;
        if (oldPath && files_.sameName(*oldPath, to)) {
            replaceAfterwards = Move{temporaryRecordingPath(), to};
        } else {
            move(temporaryRecordingPath(), to);
            if (oldPath) removeAfterwards = *oldPath;
        }
    } else if (newFileName && kind != kOpenDocument && oldPath) {
        // The file follows the name; it also moves when the stored file name
        // did not match the name before, so that the new one never names a
        // file that is not there. A missing file has nothing to lose.
        const std::string to = dataFolder_ + *newFileName;
        if (*oldPath != to && files_.exists(*oldPath)) moveOrCopy(*oldPath, to);
    }

    const std::optional<std::string> storeBefore = files_.read(store_.path());
    try {
        Macro written = changed;
        written.name = name;
        written.kind = kind;
        written.fileName = newFileName.value_or("");
        // The fields a change writes, with the stored kind deciding which
        // the macro keeps.
        const unsigned fields = writtenFields(written, MacroWrite::Edited);
        store_.edit([&](Store::Edit& e) {
            for (const MacroKey& k : macroKeys()) {
                if (!(fields & k.field)) continue;
                if (k.omittedAtFallback && k.atFallback(written))
                    e.eraseKey(section, k.key);
                else
                    e.writeString(section, k.key, k.text(written));
            }
        });
    } catch (...) {
        // The store still names the old file: put it back (a copy goes).
        if (moved)
            files_.replace(moved->to, moved->from);
        else if (oldPath && inProgramFolderOnly(*oldPath) && newFileName)
            files_.remove(dataFolder_ + *newFileName);
        throw;
    }
    if (replaceAfterwards && !files_.replace(replaceAfterwards->from, replaceAfterwards->to)) {
        if (storeBefore) replaceFileContent(files_, store_.path(), *storeBefore);
        throw Error("Unable to rename " + replaceAfterwards->from + " to " + replaceAfterwards->to);
    }
    if (removeAfterwards) files_.remove(*removeAfterwards);
    return newFileName;
}

void MacroRepository::storeScriptName(int slot, const std::string& name) {
    const std::string section = macroSection(slot);
    store_.edit([&](Store::Edit& e) {
        e.writeString(section, macroKey(kNameField).key, name);
        e.writeString(section, macroKey(kFileNameField).key, dataFileName(name, kScript));
    });
}

const Macro* MacroRepository::shownAs(const std::vector<Macro>& macros, int slot,
                                      std::string_view shownName) const {
    const std::string shown = trimmedName(shownName);
    const auto listed = [&](const Macro& m) {
        return files_.sameName(trimmedName(m.name ? *m.name : macroSection(m.slot)), shown);
    };
    if (slot >= 1 && static_cast<std::size_t>(slot) <= macros.size() && listed(macros[slot - 1]))
        return &macros[slot - 1];
    for (const Macro& m : macros)
        if (listed(m)) return &m;
    return nullptr;
}

bool MacroRepository::setEnabled(int slot, std::string_view shownName, bool on) {
    const auto held = store_.hold();
    const std::vector<Macro> macros = all(kNameField);
    const Macro* m = shownAs(macros, slot, shownName);
    if (!m) return false;
    Macro changed = *m;
    changed.enabled = on;
    const MacroKey& key = macroKey(kEnabledField);
    store_.edit([&](Store::Edit& e) {
        if (key.atFallback(changed))
            e.eraseKey(macroSection(m->slot), key.key);
        else
            e.writeString(macroSection(m->slot), key.key, key.text(changed));
    });
    return true;
}

std::optional<int> MacroRepository::remove(int slot, std::string_view shownName) {
    // One reading decides which macro and file; nothing another copy writes
    // falls between it and the deletion.
    const auto held = store_.hold();
    const std::vector<Macro> macros = all(kNameField | kKindField | kFileNameField);
    const Macro* gone = shownAs(macros, slot, shownName);
    if (!gone) return std::nullopt;
    deleteMacroSlot(store_, gone->slot);

    const std::string& fileName = gone->fileName;
    if (!dataExtension(gone->kindOr(0)) || fileName.empty()) return gone->slot;
    for (const Macro& other : macros)
        if (&other != gone && dataExtension(other.kindOr(0)) && files_.sameName(other.fileName, fileName))
            return gone->slot;
    // Where the repository looks for it: the data folder, and the program
    // folder where an earlier installation kept it.
    try {
        files_.remove(pathInDataFolder(fileName));
        if (programFolder_ != dataFolder_) files_.remove(storedDataFilePath(programFolder_, fileName));
    } catch (const Error&) {
        // A FileName that leaves the folder names no data file of ours.
    }
    return gone->slot;
}

MacroRepository::Export MacroRepository::exportMacros(const std::vector<int>& slots) const {
    const std::vector<Macro> macros = all();
    std::vector<FileMacro> file;
    Export out;
    const auto add = [&](const Macro& m) {
        FileMacro fm = toFileMacro(m);
        if (dataExtension(m.kindOr(0))) {
            const auto path = storedPathIfSafe(m.fileName);
            if (auto bytes = path ? files_.read(*path) : std::nullopt)
                fm.data = std::move(*bytes);
            else
                out.withoutData.push_back(m.nameOr(macroSection(m.slot)));
        }
        file.push_back(std::move(fm));
    };
    if (slots.empty())
        for (const Macro& m : macros) add(m);
    for (int slot : slots)
        if (slot >= 1 && static_cast<std::size_t>(slot) <= macros.size()) add(macros[slot - 1]);
    out.bytes = writeMacroFile(file);
    return out;
}

std::vector<ImportStep> MacroRepository::planImport(const std::vector<FileMacro>& file,
                                                    const std::vector<bool>& chosen,
                                                    const ImportRules& rules) const {
    const StoreSnapshot reading(store_);
    std::vector<TakenMacro> taken;
    forEach(reading, kNameField | kHotKeyField | kAbbreviationField, [&](const Macro& m) {
        taken.push_back({m.name.value_or(macroSection(m.slot)), m.hotKey, m.abbreviation});
    });
    // Keyvale's own hot keys (the Run Macro window's, Pause's) are taken as
    // a macro's would be: a macro given one would never run.
    for (const char* own : {kRunMacroHotKey, kPauseHotKey})
        if (const std::int32_t key = reading.readInt(kMain, own, 0))
            taken.push_back({"", static_cast<std::uint16_t>(key & 0xFFFF), ""});
    return store::planImport(file, chosen, taken, rules, files_, [&](const std::string& fileName) {
        return files_.exists(pathInDataFolder(fileName));
    });
}

std::vector<ImportStep> MacroRepository::importMacros(const std::vector<FileMacro>& file,
                                                      const std::vector<bool>& chosen,
                                                      const ImportRules& rules) {
    const auto held = store_.hold();
    std::vector<ImportStep> plan = planImport(file, chosen, rules);
    std::vector<std::string> written;
    const auto undo = [&] {
        for (const std::string& path : written) files_.remove(path);
    };
    std::vector<Macro> added;
    try {
        for (const ImportStep& step : plan) {
            if (!step.imported()) continue;
            if (step.data) {
                const std::string path = pathInDataFolder(step.macro.fileName);
                if (!replaceFileContent(files_, path, *step.data)) throw Error("Unable to write to " + path);
                written.push_back(path);
            }
            added.push_back(step.macro);
        }
        addMacros(store_, added);
    } catch (...) {
        undo();
        throw;
    }
    return plan;
}

std::string MacroRepository::firedWindows(int slot) const {
    return store_.readString(macroSection(slot), macroKey(kFiredWindowsField).key, "");
}

void MacroRepository::setFiredWindows(int slot, std::string_view list) {
    store_.writeString(macroSection(slot), macroKey(kFiredWindowsField).key, list);
}

void MacroRepository::forgetFiredWindows(const StoreSnapshot& reading) {
    emptyKeyInMacros(store_, reading, macroKey(kFiredWindowsField).key);
}

}  // namespace kv::store
