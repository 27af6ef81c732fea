#pragma once
// What screen readers are told about a control beyond what its window class
// says: its role and its name, set through the system's annotation service
// (IAccPropServices). Where the service is missing, the control keeps the
// role and name of its class.

#include <windows.h>

#include <string>

namespace kv::ui::win32 {

// The control announces itself with this MSAA role (ROLE_SYSTEM_...).
bool setAccessibleRole(HWND control, long role);
// The control's accessible name, when no label names it.
bool setAccessibleName(HWND control, const std::string& name);

}  // namespace kv::ui::win32
