// Files: reading, atomic replacement, stamps and the ANSI code page.

#include <optional>

#include "core/utf8.hpp"
#include "os/win32/wide.hpp"
#include "os/win32/win32_os.hpp"
// After windows.h.
#include <sddl.h>

namespace kv::os::win32 {

namespace {

bool runningElevated() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    const UniqueHandle token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

bool isLink(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    return !GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The folder of the file, opened as itself and held against renaming for the
// life of the object, or nothing when it is a link (or cannot be opened).
UniqueFile pinnedFolder(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    // Named without a separator at its end, which would name what a link
    // points to; a drive's root keeps it.
    std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    if (folder.empty() || folder.back() == ':') folder += '\\';
    const std::wstring wide = widen(folder);
    UniqueFile f(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                             nullptr));
    // Asked by name too: Wine shows a linked folder so, and not by handle.
    const DWORD named = GetFileAttributesW(wide.c_str());
    if (f &&
        (isLink(f.get()) || (named != INVALID_FILE_ATTRIBUTES && (named & FILE_ATTRIBUTE_REPARSE_POINT))))
        f.reset();
    return f;
}

}  // namespace

Win32Files::Win32Files() : refuseLinks(runningElevated()) {}

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
    UniqueFile folder;
    if (refuseLinks && !(folder = pinnedFolder(path))) return false;
    // A link in place of the file is opened as itself, and refused.
    UniqueFile f(CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | (refuseLinks ? FILE_FLAG_OPEN_REPARSE_POINT : 0),
                             nullptr));
    if (!f || (refuseLinks && isLink(f.get()))) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(f.get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) return false;
        done += wrote;
    }
    // An empty file has no bytes to lose; the folder probes at start-up
    // write one, and a flush costs each of them a disk commit.
    return bytes.empty() || FlushFileBuffers(f.get()) != FALSE;
}

bool Win32Files::replace(const std::string& from, const std::string& to) {
    // A program that reads the file at that moment (a virus scanner, a backup,
    // an editor) makes the rename fail; such holds are short, so the rename is
    // tried again for about half a second before the write is given up.
    // A rename replaces a link in place of the file, never what it points to.
    UniqueFile fromFolder, toFolder;
    if (refuseLinks && (!(fromFolder = pinnedFolder(from)) || !(toFolder = pinnedFolder(to)))) return false;
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
    // A deletion removes a link in place of the file, never what it points to.
    UniqueFile folder;
    if (refuseLinks && !(folder = pinnedFolder(path))) return false;
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

namespace {

// A name of the file among mutexes: the same for every spelling of its path
// that differs in letter case only.
std::wstring lockName(const std::string& path) {
    std::wstring wide = widen(path);
    wchar_t full[MAX_PATH * 4];
    const DWORD n = GetFullPathNameW(wide.c_str(), MAX_PATH * 4, full, nullptr);
    if (n > 0 && n < MAX_PATH * 4) wide.assign(full, n);
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    std::uint64_t h = 14695981039346656037ull;
    for (wchar_t c : wide) h = (h ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    std::wstring name = L"Local\\Keyvale.FileLock.";
    for (int shift = 60; shift >= 0; shift -= 4) name += L"0123456789abcdef"[(h >> shift) & 15];
    return name;
}

struct MutexLock : FileLock {
    UniqueHandle mutex;
    ~MutexLock() override {
        if (mutex) ReleaseMutex(mutex.get());
    }
};

}  // namespace

std::unique_ptr<FileLock> Win32Files::lock(const std::string& path) {
    // Waiting and changing only, for everyone: a copy running as
    // administrator and one running as the user share the lock of a store
    // both write, whichever made the mutex.
    // Made once: every write of the store takes the lock.
    static const PSECURITY_DESCRIPTOR everyone = [] {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x00100001;;;WD)", SDDL_REVISION_1, &sd,
                                                             nullptr);
        return sd;
    }();
    SECURITY_ATTRIBUTES sa{sizeof sa, everyone, FALSE};
    auto held = std::make_unique<MutexLock>();
    held->mutex.reset(CreateMutexExW(&sa, lockName(path).c_str(), 0, SYNCHRONIZE | MUTEX_MODIFY_STATE));
    // Without a mutex the file is written as before there were locks.
    if (!held->mutex) return held;
    // Not pumped: a message handled now could start another change of the
    // store inside this one. The lock is kept for one reading and one write.
    const DWORD waited = WaitForSingleObject(held->mutex.get(), 5000);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return nullptr;
    return held;
}

std::string Win32Files::temporaryName(const std::string& path) {
    return path + "." + std::to_string(GetCurrentProcessId()) + ".new";
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
