#pragma once
// The file that carries macros from one store to another ("*.kvmacros"):
// UTF-8 text, a version line, then one section per macro with every key of
// its store section but the slot, and its data file's bytes in base64.
//
//   Keyvale macro file, version 1
//   [Macro]
//   Name=Signature
//   Type=4
//   ...
//   Data=U2luY2VyZWx5LA0K
//
// A value runs from the first "=" to the end of its line, as stored; keys
// the program does not know are kept, so a newer file loses nothing that
// this one can take.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv::store {

inline constexpr std::string_view kMacroFileExtension = ".kvmacros";
inline constexpr int kMacroFileVersion = 1;
// The most bytes one macro's data may hold; a larger one is refused, not read.
inline constexpr std::size_t kMostMacroDataBytes = 16u << 20;

struct FileMacro {
    // The keys in file order, the first of duplicates only.
    std::vector<std::pair<std::string, std::string>> keys;
    // The data file's bytes, when the section carries them.
    std::optional<std::string> data;
    // Why the macro cannot be read, in the message's words; empty when it can.
    std::string damage;

    // The value of the key, found without regard to ASCII case.
    std::optional<std::string_view> value(std::string_view key) const;
    void set(std::string_view key, std::string_view value);
};

std::string encodeBase64(std::string_view bytes);
// Nothing when the text is not base64 (blanks are skipped, padding optional).
std::optional<std::string> decodeBase64(std::string_view text);

std::string writeMacroFile(const std::vector<FileMacro>& macros);
// The macros of the file, or nothing when it is not a macro file of a version
// this program reads. A damaged section is returned with its damage set.
std::optional<std::vector<FileMacro>> readMacroFile(std::string_view bytes);

}  // namespace kv::store
