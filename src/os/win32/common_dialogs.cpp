#include "os/win32/common_dialogs.hpp"

#include "os/win32/com.hpp"
#include "os/win32/library_function.hpp"

namespace kv::os::win32::common_dialogs {

namespace {

// Failed to load: as CDERR_GENERALCODES' "initialization failed".
constexpr DWORD kNotLoaded = 0xFFFF;

template <class Function>
Function find(const char* name) {
    // The file boxes' shell view needs COM.
    useCom();
    // System32 only: the program sets its DLL search to it at start.
    static const HMODULE library = LoadLibraryW(L"comdlg32.dll");
    return libraryFunction<Function>(library, name);
}

}  // namespace

BOOL getOpenFileName(OPENFILENAMEW* box) {
    static const auto f = find<BOOL(WINAPI*)(OPENFILENAMEW*)>("GetOpenFileNameW");
    return f ? f(box) : FALSE;
}

BOOL getSaveFileName(OPENFILENAMEW* box) {
    static const auto f = find<BOOL(WINAPI*)(OPENFILENAMEW*)>("GetSaveFileNameW");
    return f ? f(box) : FALSE;
}

BOOL printDlg(PRINTDLGW* box) {
    static const auto f = find<BOOL(WINAPI*)(PRINTDLGW*)>("PrintDlgW");
    return f ? f(box) : FALSE;
}

DWORD extendedError() {
    static const auto f = find<DWORD(WINAPI*)()>("CommDlgExtendedError");
    return f ? f() : kNotLoaded;
}

}  // namespace kv::os::win32::common_dialogs
