#include "ui/win32/accessibility.hpp"

#include <initguid.h>
// initguid.h first, so that the service's identifiers are defined here.
#include <oleacc.h>

#include "os/win32/com.hpp"
#include "os/win32/wide.hpp"

namespace kv::ui::win32 {

namespace {

// The annotation service, made by the first control that is annotated.
IAccPropServices* service() {
    static IAccPropServices* const svc = [] {
        void* p = nullptr;
        return SUCCEEDED(os::win32::createInstance(CLSID_AccPropServices, IID_IAccPropServices, &p))
                   ? static_cast<IAccPropServices*>(p)
                   : nullptr;
    }();
    return svc;
}

}  // namespace

bool setAccessibleRole(HWND control, long role) {
    IAccPropServices* svc = service();
    if (!svc || !control) return false;
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = role;
    return SUCCEEDED(
        svc->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_ROLE, v));
}

bool setAccessibleName(HWND control, const std::string& name) {
    IAccPropServices* svc = service();
    if (!svc || !control) return false;
    const std::wstring wide = os::win32::widen(name);
    return SUCCEEDED(svc->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                         PROPID_ACC_NAME, wide.c_str()));
}

}  // namespace kv::ui::win32
