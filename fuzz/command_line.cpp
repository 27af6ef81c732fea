// The command-line splitter: arguments are bounded, hold no quotes, and
// arguments quoted and joined again split back to themselves.

#include "triggers/command_line.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/utf8.hpp"
#include "desk.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> args = kv::triggers::splitArguments(line);
    std::string joined = "Macros.exe";
    std::vector<std::string> expected;
    for (const std::string& a : args) {
        kv::fuzz::check(kv::countChars(a) <= 255, "an argument keeps at most 255 characters");
        kv::fuzz::check(a.find('"') == std::string::npos, "quotes are removed");
        const kv::triggers::ParsedArgument p = kv::triggers::parseArgument(a);
        kv::fuzz::check(!p.close || p.name.empty(), "/CLOSE names nothing");
        kv::fuzz::check(p.name.size() <= a.size(), "a name comes from its argument");
        // An empty argument cannot be written back: "" before an argument is skipped.
        if (a.empty()) continue;
        joined += " \"" + a + "\"";
        expected.push_back(a);
    }
    kv::fuzz::check(kv::triggers::splitArguments(joined) == expected,
                    "quoted arguments split back to themselves");
    return 0;
}
