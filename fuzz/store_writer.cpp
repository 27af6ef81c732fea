// The store file writer: from any file, writes and section erasures read
// back as written, leave every other section and key as it was, and give a
// file that both readers read alike; through the store, an edit of several
// changes reaches the file as one replacement with all of them. Deleting a
// macro by renaming sections, and emptying every macro's fired-window list
// by changing those lines, read as the same changes made key by key.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desk.hpp"
#include "store/macros.hpp"
#include "store/profile.hpp"
#include "store/store.hpp"
#include "store/text_encoding.hpp"

namespace {

using kv::equalsIgnoringAsciiCase;
using kv::trimBlanks;

struct Probe {
    std::string section, key;
    std::optional<std::string> value;
};

// Names the callers can write: one line, a section name without "]", a key
// name without "=" that does not read as a section header.
bool writableSection(std::string_view s) {
    return s.find_first_of("\r\n]") == std::string_view::npos;
}
bool writableKey(std::string_view k) {
    return k.find_first_of("\r\n=") == std::string_view::npos && !trimBlanks(k).starts_with('[');
}
bool writableValue(std::string_view v) {
    return v.find_first_of("\r\n") == std::string_view::npos;
}

std::string pick(FuzzedDataProvider& in, kv::os::Files& codePage, const std::vector<std::string>& known) {
    if (!known.empty() && in.ConsumeBool())
        return known[in.ConsumeIntegralInRange<std::size_t>(0, known.size() - 1)];
    // Names the program writes are UTF-8, as every text it holds.
    return codePage.fromCodePage(in.ConsumeRandomLengthString(24));
}

void checkBothReadersAgree(const std::string& bytes, const std::vector<Probe>& probes) {
    const kv::store::ProfileIndex index(bytes);
    const kv::store::ProfileText text(bytes);
    for (const Probe& p : probes) {
        const auto a = index.get(p.section, p.key);
        const auto b = text.get(p.section, p.key);
        kv::fuzz::check(a.has_value() == b.has_value() && (!a || *a == *b), "a written file reads alike");
    }
}

// Every read the program makes of the macro slots, with each default a
// caller uses.
std::string programReads(const kv::store::Store& st) {
    std::string r = std::to_string(kv::store::readEntries(st)) + "|";
    for (int n = 1; n <= 12; ++n) {
        const std::string s = kv::store::macroSection(n);
        for (const char* def : {"", "Error", s.c_str()}) r += st.readString(s, "Name", def) + "|";
        for (int def : {0, 1}) r += std::to_string(st.readInt(s, "Type", def)) + "|";
        r += std::to_string(st.readInt(s, "HotKey", 0)) + "|" + std::to_string(st.readInt(s, "Speed", 1)) +
             "|";
        for (const char* key : {"FileName", "Trigger", "FoundHandle"}) r += st.readString(s, key, "") + "|";
    }
    return r;
}

void checkWholeStoreChanges(const std::string& original, int slot) {
    kv::fuzz::Desk desk(1000);
    kv::store::Store fast(desk.files, "fast.ini"), slow(desk.files, "slow.ini");
    desk.files.files["fast.ini"] = desk.files.files["slow.ini"] = original;
    kv::store::deleteMacroSlot(fast, slot);
    kv::store::deleteMacroSlotByCopying(slow, slot);
    kv::fuzz::check(programReads(fast) == programReads(slow), "a deletion reads as the key-by-key shift");

    desk.files.files["fast.ini"] = desk.files.files["slow.ini"] = original;
    kv::store::emptyKeyInMacros(fast, kv::store::StoreSnapshot(fast), "FoundHandle");
    slow.edit([](kv::store::Store::Edit& e) {
        for (int n = 1; n <= kv::store::readEntries(e); ++n)
            if (!e.readString(kv::store::macroSection(n), "FoundHandle", "").empty())
                e.writeString(kv::store::macroSection(n), "FoundHandle", "");
    });
    kv::fuzz::check(programReads(fast) == programReads(slow), "emptied lists read as written empty");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    // The program reads and writes the file's text, decoded as the store
    // decodes it; values are UTF-8 (every byte has a character in Windows-1252).
    kv::os::fake::FakeFiles codePage;
    // Up to 512 KB, large enough to see the cost of many same-named sections
    // (scripts/fuzz lets this harness take inputs that long).
    const std::string originalBytes = in.ConsumeRandomLengthString(512 * 1024);
    const std::string original = kv::store::decodeStoreFile(codePage, originalBytes).text;
    kv::store::ProfileText text(original);

    std::vector<std::string> sections, keys;
    kv::store::forEachLine(original, [&](std::string_view raw) {
        const kv::store::ProfileLine line = kv::store::classifyLine(raw);
        if (line.isSection && sections.size() < 32) sections.emplace_back(line.name);
        if (line.hasValue && keys.size() < 32) keys.emplace_back(line.name);
    });
    std::vector<Probe> probes;
    for (const std::string& s : sections)
        for (const std::string& k : keys) probes.push_back({s, k, text.get(s, k)});

    kv::fuzz::Desk desk(1000);
    desk.files.files[desk.sys.storePath] = originalBytes;
    kv::store::Store store(desk.files, desk.sys.storePath);
    struct Change {
        bool erase;
        std::string section, key, value;
    };
    std::vector<Change> changes;

    for (int op = 0; op < 16 && in.remaining_bytes() > 0; ++op) {
        const bool erase = in.ConsumeIntegralInRange(0, 3) == 0;
        const std::string section = pick(in, codePage, sections);
        const std::string key = erase ? std::string() : pick(in, codePage, keys);
        const std::string value =
            erase ? std::string() : codePage.fromCodePage(in.ConsumeRandomLengthString(1100));
        if (!writableSection(section) || !writableKey(key) || !writableValue(value)) continue;
        if (erase) {
            text.eraseSection(section);
        } else {
            text.set(section, key, value);
            const auto read = text.get(section, key);
            kv::fuzz::check(read.has_value(), "a written key is found");
            const std::string expected(kv::store::readableValue(trimBlanks(value)));
            kv::fuzz::check(*read == expected, "a written key reads back its value");
            probes.push_back({section, key, read});
        }
        changes.push_back({erase, section, key, value});
        for (Probe& p : probes) {
            // Erasing a section may uncover a later one of that name.
            if (equalsIgnoringAsciiCase(trimBlanks(p.section), trimBlanks(section)) &&
                (erase || equalsIgnoringAsciiCase(trimBlanks(p.key), trimBlanks(key)))) {
                p.value = text.get(p.section, p.key);
                continue;
            }
            kv::fuzz::check(text.get(p.section, p.key) == p.value, "other keys are left as they were");
        }
    }
    const std::string written = text.bytes();
    checkBothReadersAgree(written, probes);
    kv::fuzz::check(kv::store::ProfileText(written).bytes() == written,
                    "a written file reads back to itself");

    store.edit([&](kv::store::Store::Edit& e) {
        for (const Change& c : changes) {
            if (c.erase)
                e.eraseSection(c.section);
            else
                e.writeString(c.section, c.key, c.value);
        }
    });
    kv::fuzz::check(
        kv::store::decodeStoreFile(desk.files, desk.files.files[desk.sys.storePath]).text == written,
        "an edit reaches the file whole");
    kv::fuzz::check(desk.files.files.size() == 1, "no temporary file is left");

    checkWholeStoreChanges(originalBytes, static_cast<int>(size % 8));
    return 0;
}
