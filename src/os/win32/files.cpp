// Files: reading, atomic replacement, stamps and the ANSI code page.

#include <optional>

#include "core/utf8.hpp"
#include "os/win32/wide.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

std::optional<std::string> Win32Files::read(const std::string& path) {
    UniqueFile f(CreateFileW(widen(path).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return std::nullopt;
    // Straight into a string of the file's size: a large store is not copied
    // chunk by chunk. A file that grows meanwhile is read to its end.
    LARGE_INTEGER size{};
    const bool sized = GetFileSizeEx(f.get(), &size) && size.QuadPart > 0;
    std::string out(sized ? static_cast<std::size_t>(size.QuadPart) : 0, '\0');
    std::size_t done = 0;
    for (;;) {
        if (done == out.size()) out.resize(out.size() + 65536);
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1 << 20));
        DWORD got = 0;
        if (!ReadFile(f.get(), out.data() + done, chunk, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        done += got;
    }
    out.resize(done);
    return out;
}

bool Win32Files::write(const std::string& path, std::string_view bytes) {
    UniqueFile f(CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(f.get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) return false;
        done += wrote;
    }
    return FlushFileBuffers(f.get()) != FALSE;
}

bool Win32Files::replace(const std::string& from, const std::string& to) {
    // A program that reads the file at that moment (a virus scanner, a backup,
    // an editor) makes the rename fail; such holds are short, so the rename is
    // tried again for about half a second before the write is given up.
    const std::wstring wideFrom = widen(from), wideTo = widen(to);
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if (attempt == 10 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
                              error != ERROR_LOCK_VIOLATION))
            return false;
        Sleep(50);
    }
}

bool Win32Files::remove(const std::string& path) {
    return DeleteFileW(widen(path).c_str()) != FALSE;
}

bool Win32Files::exists(const std::string& path) {
    const DWORD a = GetFileAttributesW(widen(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<FileStamp> Win32Files::stamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &d) ||
        (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return FileStamp{(static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow,
                     (static_cast<std::uint64_t>(d.ftLastWriteTime.dwHighDateTime) << 32) |
                         d.ftLastWriteTime.dwLowDateTime};
}

bool Win32Files::sameName(std::string_view a, std::string_view b) {
    // The comparison the file system makes of names.
    const std::wstring wa = widen(a), wb = widen(b);
    return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                                static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

bool Win32Files::writable(const std::string& path) {
    UniqueFile f(CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(f);
}

bool Win32Files::createDirectory(const std::string& path) {
    const std::wstring wide = widen(path);
    if (CreateDirectoryW(wide.c_str(), nullptr)) return true;
    const DWORD a = GetFileAttributesW(wide.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> Win32Files::toCodePage(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    const std::wstring wide = widen(utf8);
    const int size = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    const int n =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &lossy);
    if (lossy || n <= 0) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), n, nullptr, &lossy);
    // Only text that reads back as written counts as fitting: some code
    // pages map a character to a byte that reads as another.
    if (lossy || fromCodePage(out) != utf8) return std::nullopt;
    return out;
}

std::string Win32Files::fromCodePage(std::string_view bytes) {
    if (isAscii(bytes)) return std::string(bytes);
    const int size = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), n);
    return narrow(wide);
}

}  // namespace kv::os::win32
