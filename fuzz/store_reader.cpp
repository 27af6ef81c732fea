// The store file reader: the indexed reader used for reads and the line
// editor used for writes read every section and key of any file alike, a
// read of several keys reads each as alone, and integer reads agree with the
// integer parser.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/utf8.hpp"
#include "desk.hpp"
#include "store/profile.hpp"
#include "store/store.hpp"
#include "store/text_encoding.hpp"

namespace {

// A name as a caller might spell it: other letter case, blanks around it.
std::string respelled(std::string_view name, unsigned variant) {
    std::string s(name);
    for (char& c : s)
        if (variant & 1) c = static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    if (variant & 2) s = " \t" + s + " ";
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fileBytes(reinterpret_cast<const char*>(data), size);
    // The readers work on the file's text, as the store decodes it.
    kv::os::fake::FakeFiles codePage;
    const std::string bytes = kv::store::decodeStoreFile(codePage, fileBytes).text;
    const kv::store::ProfileIndex index(bytes);
    const kv::store::ProfileText text(bytes);

    std::vector<std::string_view> sections{"Main", ""}, keys{"Entries", "Name", ""};
    kv::store::forEachLine(bytes, [&](std::string_view raw) {
        const kv::store::ProfileLine line = kv::store::classifyLine(raw);
        if (line.isSection) sections.push_back(line.name);
        if (line.hasValue) keys.push_back(line.name);
    });
    if (sections.size() > 64) sections.resize(64);
    if (keys.size() > 64) keys.resize(64);

    kv::fuzz::Desk desk(1000);
    desk.files.files[desk.sys.storePath] = fileBytes;
    const kv::store::Store store(desk.files, desk.sys.storePath);
    const kv::store::StoreSnapshot snapshot(store);
    unsigned variant = 0;
    for (std::string_view s : sections) {
        for (std::string_view k : keys) {
            const std::string section = respelled(s, variant), key = respelled(k, variant >> 2);
            ++variant;
            const auto fromIndex = index.get(section, key);
            const auto fromText = text.get(section, key);
            kv::fuzz::check(fromIndex.has_value() == fromText.has_value(), "both readers find the same keys");
            if (!fromIndex) continue;
            kv::fuzz::check(*fromIndex == *fromText, "both readers read the same value");
            kv::fuzz::check(kv::utf16Length(*fromIndex) <= kv::store::kMaxReadLength,
                            "a read is at most 1023 units");
            kv::fuzz::check(snapshot.readString(section, key, "?") == *fromText,
                            "the store reads the file's value");
            const std::string_view both[] = {key, "Name"};
            std::optional<std::string_view> read[2];
            index.getKeys(section, both, read);
            kv::fuzz::check(read[0] == fromIndex && read[1] == index.get(section, "Name"),
                            "a read of several keys reads each as alone");
            const auto number = kv::store::parseInteger(*fromIndex);
            kv::fuzz::check(snapshot.readInt(section, key, -7) == number.value_or(-7),
                            "an integer read is the parsed value or the default");
        }
    }
    return 0;
}
