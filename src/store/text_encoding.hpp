#pragma once
// How the store and the script files hold their text on disk. Inside the
// program text is UTF-8; on disk it stays in the ANSI code page whenever it
// fits, so that what older readers and other programs read is unchanged.

#include <optional>
#include <string>
#include <string_view>

#include "os/os.hpp"

namespace kv::store {

enum class TextEncoding { CodePage, Utf8, Utf16 };  // the last two with a byte-order mark

struct DecodedText {
    std::string text;
    TextEncoding encoding = TextEncoding::CodePage;
};

// The store: a byte-order mark says UTF-16LE or UTF-8; anything else is the
// code page, as the platform's profile functions read it.
DecodedText decodeStoreFile(os::Files& files, std::string_view bytes);
// The same, keeping the bytes themselves when they are already the text.
DecodedText decodeStoreFile(os::Files& files, std::string&& bytes);
// A store written in the code page stays there while every value fits it;
// otherwise it becomes UTF-16LE (the profile functions' own Unicode form) and
// stays so. Whatever is written reads back as the same text.
std::string encodeStoreFile(os::Files& files, std::string_view text, TextEncoding was);

// A script: a byte-order mark decides; without one, valid UTF-8 holding a
// multi-byte sequence is UTF-8 (what current editors save), anything else the
// code page.
std::string decodeScript(os::Files& files, std::string_view bytes);
// The code page when the whole script fits it and its bytes read back as the
// same text, else UTF-8 with a byte-order mark.
std::string encodeScript(os::Files& files, std::string_view text);
// The script file's text, or nothing when it cannot be read or its name is a
// device's (which is not opened).
std::optional<std::string> readScript(os::Files& files, const std::string& path);

}  // namespace kv::store
