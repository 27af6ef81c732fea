// Encode-then-decode of store text and scripts: whatever the program holds
// (UTF-8 text, or text read from a code-page file) reads back from the bytes
// written for it, in every form a store may already have, character for
// character.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/utf8.hpp"
#include "desk.hpp"
#include "store/text_encoding.hpp"

namespace {

void checkRoundTrips(kv::os::Files& files, const std::string& text) {
    using kv::store::TextEncoding;
    kv::fuzz::check(kv::store::decodeScript(files, kv::store::encodeScript(files, text)) == text,
                    "a script reads back as written");
    for (TextEncoding was : {TextEncoding::CodePage, TextEncoding::Utf8, TextEncoding::Utf16}) {
        const std::string bytes = kv::store::encodeStoreFile(files, text, was);
        const kv::store::DecodedText read = kv::store::decodeStoreFile(files, bytes);
        kv::fuzz::check(read.text == text, "store text reads back as written");
        // A Unicode store stays Unicode.
        if (was != TextEncoding::CodePage)
            kv::fuzz::check(read.encoding != TextEncoding::CodePage, "a Unicode store stays Unicode");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    kv::os::fake::FakeFiles files;  // Windows-1252
    // The same bytes as a code-page file's text and, when they are UTF-8, as text typed in.
    checkRoundTrips(files, files.fromCodePage(bytes));
    if (kv::isValidUtf8(bytes)) checkRoundTrips(files, std::string(bytes));
    return 0;
}
