#pragma once
// Portable code holds text as UTF-8; the Windows side calls the wide
// functions. These convert at that seam and nowhere else.

#include <string>
#include <string_view>

namespace kv::os::win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);
inline std::string narrow(const wchar_t* utf16) {
    return utf16 ? narrow(std::wstring_view(utf16)) : std::string();
}

}  // namespace kv::os::win32
