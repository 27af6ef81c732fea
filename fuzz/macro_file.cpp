// The macro file: what the reader accepts writes back to what it read, and
// importing it into a store (through the name rules and the recording
// reader the program uses) writes no file outside the data folder, writes
// the store once, and leaves every data file a macro of the store names.

#include "store/macro_file.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "authoring/macro_name.hpp"
#include "core/error.hpp"
#include "desk.hpp"
#include "journal/journal_file.hpp"
#include "store/macro_repository.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto file = kv::store::readMacroFile(bytes);
    if (!file) return 0;

    // Sound sections come back as they were read.
    std::vector<kv::store::FileMacro> sound;
    for (const auto& m : *file)
        if (m.damage.empty()) sound.push_back(m);
    const auto again = kv::store::readMacroFile(kv::store::writeMacroFile(sound));
    kv::fuzz::check(again && again->size() == sound.size(), "a written file reads back whole");
    for (std::size_t i = 0; i < sound.size(); ++i) {
        kv::fuzz::check((*again)[i].keys == sound[i].keys, "keys read back as written");
        kv::fuzz::check((*again)[i].data == sound[i].data, "data reads back as written");
    }

    kv::os::fake::FakeFiles files;
    const std::string store = "C:\\windows\\macros.ini", folder = "C:\\Keyvale\\";
    files.files[store] = "[Main]\r\nEntries=1\r\n[Macro1]\r\nName=Taken\r\nType=4\r\nHotKey=1601\r\n";
    kv::store::MacroRepository macros(files, store, folder);
    const kv::store::ImportRules rules{kv::authoring::macroNameProblem, [](std::string_view b) {
                                           return kv::journal::decodeRecording(b).has_value();
                                       }};
    std::vector<kv::store::ImportStep> plan;
    try {
        plan = macros.importMacros(*file, {}, rules);
    } catch (const kv::Error&) {
        kv::fuzz::check(files.files.size() == 1, "a failed import leaves no data file");
        return 0;
    }
    for (const auto& [path, content] : files.files)
        kv::fuzz::check(path == store || path.rfind(folder, 0) == 0, "files go to the data folder only");
    for (const kv::store::Macro& m : macros.all()) {
        if (m.slot == 1 || !kv::store::dataExtension(m.kindOr(0))) continue;
        kv::fuzz::check(files.exists(folder + m.fileName), "an imported macro's data file is there");
        kv::fuzz::check(kv::authoring::isPlainFileName(m.nameOr("")), "an imported name follows the rules");
    }
    return 0;
}
