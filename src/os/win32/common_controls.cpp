#include "os/win32/common_controls.hpp"

#include "os/win32/library_function.hpp"

namespace kv::os::win32::common_controls {

namespace {

HMODULE library() {
    // System32 (or the side-by-side version 6 the manifest names) only: the
    // program sets its DLL search to System32 at start.
    static const HMODULE loaded = [] {
        const HMODULE m = LoadLibraryW(L"comctl32.dll");
        if (const auto init =
                libraryFunction<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(m, "InitCommonControlsEx")) {
            const INITCOMMONCONTROLSEX icc{sizeof icc,
                                           ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES};
            init(&icc);
        }
        return m;
    }();
    return loaded;
}

template <class Function>
Function find(const char* name) {
    return libraryFunction<Function>(library(), name);
}

}  // namespace

bool load() {
    return library() != nullptr;
}

BOOL setWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) {
    static const auto f = find<BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR)>("SetWindowSubclass");
    return f ? f(window, proc, id, data) : FALSE;
}

BOOL removeWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id) {
    static const auto f = find<BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR)>("RemoveWindowSubclass");
    return f ? f(window, proc, id) : FALSE;
}

LRESULT defSubclassProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    static const auto f = find<LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM)>("DefSubclassProc");
    return f ? f(window, msg, wp, lp) : DefWindowProcW(window, msg, wp, lp);
}

HIMAGELIST imageListCreate(int cx, int cy, UINT flags, int initial, int grow) {
    static const auto f = find<HIMAGELIST(WINAPI*)(int, int, UINT, int, int)>("ImageList_Create");
    return f ? f(cx, cy, flags, initial, grow) : nullptr;
}

int imageListAddIcon(HIMAGELIST list, HICON icon) {
    static const auto f = find<int(WINAPI*)(HIMAGELIST, int, HICON)>("ImageList_ReplaceIcon");
    return f ? f(list, -1, icon) : -1;
}

BOOL imageListDestroy(HIMAGELIST list) {
    static const auto f = find<BOOL(WINAPI*)(HIMAGELIST)>("ImageList_Destroy");
    return f ? f(list) : FALSE;
}

}  // namespace kv::os::win32::common_controls
