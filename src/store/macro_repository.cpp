#include "store/macro_repository.hpp"

#include <iterator>
#include <span>
#include <stdexcept>

#include "core/error.hpp"
#include "core/utf8.hpp"
#include "store/profile.hpp"

namespace kv::store {

namespace {

constexpr std::string_view kKeys[] = {"Name",    "Type",  "HotKey",     "FileName",
                                      "Trigger", "Speed", "FoundHandle"};
enum Key { kName, kType, kHotKey, kFileName, kTrigger, kSpeed, kFoundHandle, kKeyCount };
static_assert(std::size(kKeys) == kKeyCount);

// The keys of the fields asked for, in the order of kKeys.
struct Wanted {
    std::string_view names[kKeyCount];
    Key keys[kKeyCount];
    std::size_t count = 0;
    explicit Wanted(unsigned fields) {
        for (int k = 0; k < kKeyCount; ++k)
            if (fields & (1u << k)) names[count] = kKeys[k], keys[count++] = static_cast<Key>(k);
    }
};

MacroView readView(const StoreSnapshot& reading, int slot, const Wanted& wanted) {
    std::optional<std::string_view> read[kKeyCount];
    reading.readKeys(macroSection(slot), std::span(wanted.names, wanted.count),
                     std::span(read, wanted.count));
    std::optional<std::string_view> v[kKeyCount];
    for (std::size_t i = 0; i < wanted.count; ++i) v[wanted.keys[i]] = read[i];
    const auto number = [&](Key k) { return v[k] ? parseInteger(*v[k]) : std::nullopt; };
    MacroView m;
    m.slot = slot;
    m.name = v[kName];
    m.kind = number(kType);
    m.hotKey = static_cast<std::uint16_t>(number(kHotKey).value_or(0) & 0xFFFF);
    m.fileName = v[kFileName].value_or("");
    m.trigger = v[kTrigger].value_or("");
    m.speed = number(kSpeed).value_or(1);
    m.firedWindows = v[kFoundHandle].value_or("");
    return m;
}

Macro owned(const MacroView& v) {
    Macro m;
    m.slot = v.slot;
    if (v.name) m.name = std::string(*v.name);
    m.kind = v.kind;
    m.hotKey = v.hotKey;
    m.fileName = v.fileName;
    m.trigger = v.trigger;
    m.speed = v.speed;
    m.firedWindows = v.firedWindows;
    return m;
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
                              const std::function<void(const MacroView&)>& visit) {
    const Wanted wanted(fields);
    const int entries = readEntries(reading);
    for (int n = 1; n <= entries; ++n) visit(readView(reading, n, wanted));
}

std::vector<Macro> MacroRepository::all(const StoreSnapshot& reading, unsigned fields) {
    std::vector<Macro> macros;
    macros.reserve(static_cast<std::size_t>(readEntries(reading)));
    forEach(reading, fields, [&](const MacroView& m) { macros.push_back(owned(m)); });
    return macros;
}

std::vector<Macro> MacroRepository::all(unsigned fields) const {
    return all(StoreSnapshot(store_), fields);
}

Macro MacroRepository::read(int slot) const {
    const StoreSnapshot reading(store_);
    return owned(readView(reading, slot, Wanted(kAllFields)));
}

std::vector<int> MacroRepository::slotsNamed(std::string_view name) const {
    const std::string wanted = toUpperAscii(name);
    std::vector<int> slots;
    forEach(StoreSnapshot(store_), kNameField, [&](const MacroView& m) {
        if (toUpperAscii(m.name.value_or("")) == wanted) slots.push_back(m.slot);
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

int MacroRepository::create(Macro m, const std::string& script) {
    const std::int32_t kind = m.kindOr(kOpenDocument);
    const std::string name = trimmedName(m.nameOr(""));
    if (kind == kScript) {
        const std::string path = dataPath(name, kind);
        if (!files_.write(path, encodeScript(files_, script))) throw Error("Unable to write to " + path);
    }
    if (dataExtension(kind)) m.fileName = dataFileName(name, kind);
    return addMacro(store_, {name, kind, m.hotKey, m.fileName, m.trigger, m.speed});
}

std::optional<std::string> MacroRepository::update(const MacroChange& c) {
    const std::string section = macroSection(c.slot);
    const Macro stored = read(c.slot);
    const std::int32_t kind = stored.kindOr(0);
    std::optional<std::string> newFileName;
    if (kind == kOpenDocument)
        newFileName = c.document;
    else if (dataExtension(kind))
        newFileName = dataFileName(c.name, kind);

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
    if (c.newRecording && isRecording(kind)) {
        const std::string to = dataFolder_ + *newFileName;
        if (oldPath && kv::equalsIgnoringCase(*oldPath, to)) {
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
        store_.edit([&](Store::Edit& e) {
            e.writeInt(section, kKeys[kHotKey], c.hotKey);
            e.writeString(section, kKeys[kName], c.name);
            if (newFileName) e.writeString(section, kKeys[kFileName], *newFileName);
            if (kind == kReplayMouseAndKeys) e.writeInt(section, kKeys[kSpeed], c.speed);
            e.writeString(section, kKeys[kTrigger], c.trigger);
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
        e.writeString(section, kKeys[kName], name);
        e.writeString(section, kKeys[kFileName], dataFileName(name, kScript));
    });
}

void MacroRepository::remove(int slot, std::string_view shownName) {
    deleteMacroSlot(store_, slot);
    for (const std::string_view extension : {kScriptExtension, kRecordingExtension}) {
        try {
            files_.remove(dataFilePath(dataFolder_, shownName, extension));
            if (programFolder_ != dataFolder_)
                files_.remove(dataFilePath(programFolder_, shownName, extension));
        } catch (const Error&) {
            // A shown name that is no plain file name names no data file of ours.
        }
    }
}

std::string MacroRepository::firedWindows(int slot) const {
    return store_.readString(macroSection(slot), kKeys[kFoundHandle], "");
}

void MacroRepository::setFiredWindows(int slot, std::string_view list) {
    store_.writeString(macroSection(slot), kKeys[kFoundHandle], list);
}

void MacroRepository::forgetFiredWindows(const StoreSnapshot& reading) {
    emptyKeyInMacros(store_, reading, kKeys[kFoundHandle]);
}

}  // namespace kv::store
