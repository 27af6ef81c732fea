#pragma once
// What importing the macros of a macro file will do, decided before
// anything is written: each macro is added under its name, or renamed
// ("Signature (2)") because a macro has that name, loses a hot key or an
// abbreviation another macro has, or is refused with the reason.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/os.hpp"
#include "store/macro.hpp"
#include "store/macro_file.hpp"

namespace kv::store {

// What the rules of the layers above say about a macro to import.
struct ImportRules {
    // Why the name cannot name a macro, or nothing when it can.
    std::function<std::optional<std::string>(std::string_view name)> nameProblem;
    // Whether the bytes are a recording the player accepts.
    std::function<bool(std::string_view bytes)> isRecording;
};

// A macro already in the store, as far as an import can collide with it.
struct TakenMacro {
    std::string name;
    std::uint16_t hotKey = 0;
    std::string abbreviation;
};

struct ImportStep {
    enum class Outcome { Added, Renamed, Refused, Left };  // Left: not chosen
    Outcome outcome = Outcome::Added;
    std::string fileName;  // the name in the file, as the user knows it
    bool hotKeyDropped = false;
    bool abbreviationDropped = false;
    std::string problem;  // why it is refused
    // The macro as it will be stored (its name, and its FileName for a data
    // file, already the new ones), and its data file's bytes.
    Macro macro;
    std::optional<std::string> data;
    // The keys as they will be stored, for keys the table may add later.
    FileMacro keys;

    bool imported() const { return outcome == Outcome::Added || outcome == Outcome::Renamed; }
    std::string storedName() const { return macro.nameOr(""); }
};

// Plans the chosen macros (all when chosen is empty) against the taken ones,
// in file order, each later one also against those before it. dataFileTaken
// says whether a data file of that name is in the data folder already.
std::vector<ImportStep> planImport(const std::vector<FileMacro>& file, const std::vector<bool>& chosen,
                                   const std::vector<TakenMacro>& taken, const ImportRules& rules,
                                   os::Files& files,
                                   const std::function<bool(const std::string& fileName)>& dataFileTaken);

// The macro's keys as a macro file carries them: every key of the table the
// macro keeps, with the slot left out.
FileMacro toFileMacro(const Macro& macro);
// The keys read into a macro through the table.
Macro fromFileMacro(const FileMacro& keys);

}  // namespace kv::store
