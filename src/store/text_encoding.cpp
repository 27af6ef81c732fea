#include "store/text_encoding.hpp"

#include "core/device_names.hpp"
#include "core/utf8.hpp"

namespace kv::store {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";

std::string withMark(std::string_view mark, std::string body) {
    body.insert(0, mark);
    return body;
}

}  // namespace

DecodedText decodeStoreFile(os::Files& files, std::string_view bytes) {
    if (bytes.starts_with(kUtf16Mark)) return {utf16LeToUtf8(bytes.substr(2)), TextEncoding::Utf16};
    if (bytes.starts_with(kUtf8Mark)) return {std::string(bytes.substr(3)), TextEncoding::Utf8};
    return {files.fromCodePage(bytes), TextEncoding::CodePage};
}

DecodedText decodeStoreFile(os::Files& files, std::string&& bytes) {
    // ASCII is the same bytes in every code page and never begins like a mark.
    if (isAscii(bytes)) return {std::move(bytes), TextEncoding::CodePage};
    return decodeStoreFile(files, std::string_view(bytes));
}

std::string encodeStoreFile(os::Files& files, std::string_view text, TextEncoding was) {
    switch (was) {
        case TextEncoding::Utf8: return withMark(kUtf8Mark, std::string(text));
        case TextEncoding::Utf16: return withMark(kUtf16Mark, utf8ToUtf16Le(text));
        case TextEncoding::CodePage: break;
    }
    // ASCII is the same bytes in every code page and never begins like a mark.
    if (isAscii(text)) return std::string(text);
    // Code-page bytes that begin like a byte-order mark would read back as
    // other text: such a store is written in UTF-16 instead.
    if (auto bytes = files.toCodePage(text); bytes && decodeStoreFile(files, *bytes).text == text)
        return std::move(*bytes);
    return withMark(kUtf16Mark, utf8ToUtf16Le(text));
}

std::string decodeScript(os::Files& files, std::string_view bytes) {
    if (bytes.starts_with(kUtf8Mark)) return std::string(bytes.substr(3));
    if (bytes.starts_with(kUtf16Mark)) return utf16LeToUtf8(bytes.substr(2));
    if (!isAscii(bytes) && isValidUtf8(bytes)) return std::string(bytes);
    return files.fromCodePage(bytes);
}

std::optional<std::string> readScript(os::Files& files, const std::string& path) {
    // A hand-edited file name such as COM1 would open the device, whose read can block.
    if (pathNamesDevice(path)) return std::nullopt;
    auto bytes = files.read(path);
    if (!bytes) return std::nullopt;
    return decodeScript(files, *bytes);
}

std::string encodeScript(os::Files& files, std::string_view text) {
    // Code-page bytes that happen to form UTF-8 ("É" then a no-break space in
    // Windows-1252) would read back as other characters: UTF-8 with a mark then.
    if (auto bytes = files.toCodePage(text); bytes && decodeScript(files, *bytes) == text)
        return std::move(*bytes);
    return withMark(kUtf8Mark, std::string(text));
}

}  // namespace kv::store
