#pragma once
// The common dialogs (the file boxes, the print box), loaded on first use:
// their library brings the printer spooler with it, whose start-up every
// start of the program would otherwise pay, a shortcut's above all.

#include <windows.h>
// commdlg.h needs windows.h first.
#include <commdlg.h>

namespace kv::os::win32::common_dialogs {

// As the functions of the same names; FALSE (and extendedError 0xFFFF)
// when the library cannot be loaded.
BOOL getOpenFileName(OPENFILENAMEW* box);
BOOL getSaveFileName(OPENFILENAMEW* box);
BOOL printDlg(PRINTDLGW* box);
DWORD extendedError();

}  // namespace kv::os::win32::common_dialogs
