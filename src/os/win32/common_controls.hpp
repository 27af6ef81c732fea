#pragma once
// The common controls (list view, status bar, subclassing, image lists),
// loaded when the first control is made: the library's start-up registers
// its classes and loads the theme engine, which a shortcut's start would
// otherwise pay before its macro's first key. The program's manifest makes
// the library that loads version 6.

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

namespace kv::os::win32::common_controls {

// Loads the library and registers its classes, once; false when it cannot
// be loaded. Every function below calls it first.
bool load();

// As the functions of the same names; failure (FALSE, nullptr) when the
// library cannot be loaded, and DefSubclassProc then falls back to
// DefWindowProc.
BOOL setWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data);
BOOL removeWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id);
LRESULT defSubclassProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
HIMAGELIST imageListCreate(int cx, int cy, UINT flags, int initial, int grow);
int imageListAddIcon(HIMAGELIST list, HICON icon);
BOOL imageListDestroy(HIMAGELIST list);

}  // namespace kv::os::win32::common_controls
