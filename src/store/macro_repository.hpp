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
#include "store/macro.hpp"
#include "store/macros.hpp"
#include "store/store.hpp"

namespace kv::store {

inline constexpr std::string_view kScriptExtension = ".key";
inline constexpr std::string_view kRecordingExtension = ".dat";

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
    // The same, each macro in turn in one value that the next one reuses.
    static void forEach(const StoreSnapshot& reading, unsigned fields,
                        const std::function<void(const Macro&)>& visit);
    Macro read(int slot) const;
    // The fields of the slot's macro, whatever Entries says.
    static Macro read(const StoreSnapshot& reading, int slot, unsigned fields);
    // The slots whose name is name as the file system compares names, in
    // slot order, from one reading.
    std::vector<int> slotsNamed(std::string_view name) const;

    // The data file of a macro of this name and kind (2 to 4).
    std::string dataPath(std::string_view name, std::int32_t kind) const;
    // The trimmed name with the kind's extension: a macro's FileName.
    static std::string dataFileName(std::string_view name, std::int32_t kind);
    // A stored FileName of a script without its extension, which the file
    // system's comparison of names finds at its end; any other as it is.
    std::string scriptBaseName(std::string_view fileName) const;
    // The file a stored FileName names in the data folder, where a change
    // writes it.
    std::string pathInDataFolder(std::string_view fileName) const;
    // The file a stored FileName names, with the same guard as dataPath: in
    // the data folder, or in the program folder when only that one has it.
    std::string storedPath(std::string_view fileName) const;
    // The same, or nothing for an empty FileName or one that leaves the folder.
    std::optional<std::string> storedPathIfSafe(std::string_view fileName) const;
    // Where a recording made in the properties dialog waits for its OK.
    std::string temporaryRecordingPath() const;
    const std::string& dataFolder() const { return dataFolder_; }

    // Where the wizard records, until Finish moves the recording into place.
    std::string newRecordingPath() const;

    // Appends the macro in slot Entries + 1 and returns that slot. Its data
    // file is new: a script (kind 4) is written through a temporary file and
    // a rename, a recording (kinds 2 and 3) is moved from recording, and
    // either is refused ("A file named %s already exists") rather than
    // replace a file that is there, which this macro does not own. Kinds 2
    // to 4 are stored with their data file's name; when the store cannot be
    // written, the data file goes (a recording back where it was).
    int create(Macro macro, const std::string& script = {}, const std::string& recording = {});
    // The properties dialog's OK for the stored macro of changed.slot: the
    // fields a change writes (name with trailing blanks already removed, hot
    // key, trigger, speed of kind 3, and for kind 1 the document in
    // fileName) with the stored kind. The data file follows the name, or,
    // when newRecording, the recording made in the dialog (the temporary
    // recording) replaces it; then the store is written; a store that cannot
    // be written puts the file back. Raises the error to show; nothing has
    // changed then. Returns the FileName now stored, if the kind has one.
    std::optional<std::string> update(const Macro& changed, bool newRecording = false);
    // A script saved under a new name before OK: the store follows at once.
    void storeScriptName(int slot, const std::string& name);
    // Deletes the macro the list shows as shownName in slot (its Name, or
    // its section's name when it has none) or, when another copy of Keyvale
    // changed the store since, the first macro of that name; then the data
    // file its FileName names (in the data folder and the program folder),
    // unless another macro names that file too. Returns the slot deleted, or nothing when no
    // macro has that name any more. The store first: when it cannot be
    // written the files stay.
    std::optional<int> remove(int slot, std::string_view shownName);
    // Switches the macro the list showed as shownName (at slot, or wherever
    // it is now) on or off; false when no macro has that name any more.
    bool setEnabled(int slot, std::string_view shownName, bool on);

    // The windows that have already run the macro's trigger, read afresh.
    std::string firedWindows(int slot) const;
    void setFiredWindows(int slot, std::string_view list);
    // Forgets every macro's fired windows, as the reading saw them; it is
    // read while the store is held (Store::hold).
    void forgetFiredWindows(const StoreSnapshot& reading);

    Store& store() { return store_; }
    const Store& store() const { return store_; }

private:
    bool inProgramFolderOnly(const std::string& path) const;
    // The macro the list showed as shownName: at slot, or else the first of that name.
    const Macro* shownAs(const std::vector<Macro>& macros, int slot, std::string_view shownName) const;

    os::Files& files_;
    Store store_;
    std::string dataFolder_;
    std::string programFolder_;
};

}  // namespace kv::store
