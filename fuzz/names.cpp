// The rules for macro names and their files, and name comparison: a name the
// rules accept makes a data file inside the program directory that names no
// device; device names are refused whatever their letter case or extension;
// comparing names is an equivalence that ignores trailing blanks.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "authoring/macro_name.hpp"
#include "core/device_names.hpp"
#include "core/error.hpp"
#include "core/text.hpp"
#include "core/utf8.hpp"
#include "desk.hpp"
#include "store/macros.hpp"

namespace {

std::string text(FuzzedDataProvider& in, kv::os::Files& codePage) {
    const std::string raw = in.ConsumeRandomLengthString(64);
    // Text inside the program is UTF-8; other bytes are taken as the code page's.
    return kv::isValidUtf8(raw) ? raw : codePage.fromCodePage(raw);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    kv::os::fake::FakeFiles codePage;
    const std::string a = text(in, codePage), b = text(in, codePage), c = text(in, codePage);
    const std::string directory = "C:\\Keyvale\\";

    for (const std::string& name : {a, b, c}) {
        const bool accepted = kv::authoring::isPlainFileName(kv::store::trimmedName(name));
        if (kv::namesDevice(name) || kv::namesDevice(kv::toUpperAscii(name)))
            kv::fuzz::check(!accepted, "a device name is refused in any letter case");
        kv::fuzz::check(kv::namesDevice(name) == kv::namesDevice(kv::toUpperAscii(name)),
                        "letter case does not make a device name");
        if (!accepted) continue;
        for (const char* extension : {".key", ".dat"}) {
            std::string path;
            try {
                path = kv::store::dataFilePath(directory, name, extension);
            } catch (const kv::Error&) {
                kv::fuzz::fail("an accepted name makes a data file path");
            }
            kv::fuzz::check(path.starts_with(directory), "the data file is in the program directory");
            kv::fuzz::check(path.find_first_of("\\/:", directory.size()) == std::string::npos,
                            "the data file is directly in the program directory");
            kv::fuzz::check(!kv::pathNamesDevice(path), "an accepted name's file names no device");
        }
    }

    const auto same = [&](const std::string& x, const std::string& y) {
        return kv::authoring::sameMacroName(codePage, x, y);
    };
    kv::fuzz::check(same(a, a), "a name is its own");
    kv::fuzz::check(same(a, a + "  "), "trailing blanks do not count");
    kv::fuzz::check(same(a, b) == same(b, a), "comparison is symmetric");
    if (same(a, b) && same(b, c)) kv::fuzz::check(same(a, c), "comparison is transitive");
    if (kv::equalsIgnoringAsciiCase(a, b)) {
        kv::fuzz::check(same(a, b), "names equal but for ASCII letter case are one name");
        kv::fuzz::check(kv::namesDevice(a) == kv::namesDevice(b),
                        "names that compare equal are both devices or neither");
    }
    return 0;
}
