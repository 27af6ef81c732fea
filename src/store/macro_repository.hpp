#pragma once
// The macros as the rest of the program sees them: typed values read from
// the store, and the one place that knows where a macro's data file lives
// and how creating, changing and deleting a macro moves it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/os.hpp"
#include "store/macros.hpp"
#include "store/store.hpp"

namespace kv::store {

inline constexpr std::string_view kScriptExtension = ".key";
inline constexpr std::string_view kRecordingExtension = ".dat";

// One [Macro<slot>] section. Name and Type stay optional: where a section
// lacks them (or Type is no number) callers fall back differently, each as
// its own rule says. The other keys have one default everywhere. A Macro
// owns its texts; a MacroView looks into the reading it came from.
template <typename Text>
struct BasicMacro {
    int slot = 0;
    std::optional<Text> name;
    std::optional<std::int32_t> kind;
    std::uint16_t hotKey = 0;
    Text fileName;
    Text trigger;
    std::int32_t speed = 1;  // kind 3 only: 2 high speed, 1 recorded speed
    Text firedWindows;

    std::string nameOr(std::string_view fallback) const { return std::string(name ? *name : fallback); }
    std::int32_t kindOr(std::int32_t fallback) const { return kind.value_or(fallback); }
};
using Macro = BasicMacro<std::string>;
using MacroView = BasicMacro<std::string_view>;

// The fields of a Macro, for reading only some of them.
enum MacroField : unsigned {
    kNameField = 1,
    kKindField = 2,
    kHotKeyField = 4,
    kFileNameField = 8,
    kTriggerField = 16,
    kSpeedField = 32,
    kFiredWindowsField = 64,
    kAllFields = 127,
};

// What the properties dialog's OK changes of a stored macro.
struct MacroChange {
    int slot = 0;
    std::string name;  // trailing blanks already removed
    std::uint16_t hotKey = 0;
    std::string trigger;
    // Kind 1: the program or document to open.
    std::string document;
    // Kind 3: 2 high speed, 1 recorded speed.
    std::int32_t speed = 1;
    // Kinds 2 and 3: a recording made since the macro was opened (the
    // temporary recording) takes the place of the stored one.
    bool newRecording = false;
};

// Where a macro kind keeps its data: a script file, a recording, or
// nothing for kind 1 (its FileName is the document itself).
std::optional<std::string_view> dataExtension(std::int32_t kind);

class MacroRepository {
public:
    // Data files are written to dataFolder and read from it first, then from
    // programFolder, where an installation that could write beside the
    // program kept them.
    MacroRepository(os::Files& files, std::string storePath, std::string dataFolder,
                    std::string programFolder = {})
        : files_(files),
          store_(files, std::move(storePath)),
          dataFolder_(std::move(dataFolder)),
          programFolder_(programFolder.empty() ? dataFolder_ : std::move(programFolder)) {}
    explicit MacroRepository(os::System& sys)
        : MacroRepository(sys.files, sys.storePath,
                          sys.dataDirectory.empty() ? sys.programDirectory : sys.dataDirectory,
                          sys.programDirectory) {}

    // Every macro, slots 1 to Entries, from one reading of the store: the
    // fields asked for (a scan over thousands of macros reads no more than it
    // needs), the others left at their defaults.
    std::vector<Macro> all(unsigned fields = kAllFields) const;
    static std::vector<Macro> all(const StoreSnapshot& reading, unsigned fields = kAllFields);
    // The same without copying a text: each macro as a view into the reading.
    static void forEach(const StoreSnapshot& reading, unsigned fields,
                        const std::function<void(const MacroView&)>& visit);
    Macro read(int slot) const;
    // The slots whose name equals name, ignoring the case of ASCII letters,
    // in slot order, from one reading.
    std::vector<int> slotsNamed(std::string_view name) const;

    // The data file of a macro of this name and kind (2 to 4).
    std::string dataPath(std::string_view name, std::int32_t kind) const;
    // The trimmed name with the kind's extension: a macro's FileName.
    static std::string dataFileName(std::string_view name, std::int32_t kind);
    // The file a stored FileName names, with the same guard as dataPath: in
    // the data folder, or in the program folder when only that one has it.
    std::string storedPath(std::string_view fileName) const;
    // The same, or nothing for an empty FileName or one that leaves the folder.
    std::optional<std::string> storedPathIfSafe(std::string_view fileName) const;
    // Where a recording made in the properties dialog waits for its OK.
    std::string temporaryRecordingPath() const;
    const std::string& dataFolder() const { return dataFolder_; }

    // Appends the macro in slot Entries + 1 and returns that slot. A script
    // (kind 4) is written to its data file first ("Unable to write to %s");
    // kinds 2 to 4 are stored with their data file's name.
    int create(Macro macro, const std::string& script = {});
    // The properties dialog's OK: the data file follows the name (or the new
    // recording replaces it), then the store is written; a store that cannot
    // be written puts the file back. Raises the error to show; nothing has
    // changed then. Returns the FileName now stored, if the kind has one.
    std::optional<std::string> update(const MacroChange& change);
    // A script saved under a new name before OK: the store follows at once.
    void storeScriptName(int slot, const std::string& name);
    // Deletes the slot from the store first, then the data files of the name
    // shown for it; when the store cannot be written the files stay.
    void remove(int slot, std::string_view shownName);

    // The windows that have already run the macro's trigger, read afresh.
    std::string firedWindows(int slot) const;
    void setFiredWindows(int slot, std::string_view list);
    // Forgets every macro's fired windows, as the reading saw them.
    void forgetFiredWindows(const StoreSnapshot& reading);

    Store& store() { return store_; }
    const Store& store() const { return store_; }

private:
    bool inProgramFolderOnly(const std::string& path) const;

    os::Files& files_;
    Store store_;
    std::string dataFolder_;
    std::string programFolder_;
};

}  // namespace kv::store
