#include "ui/win32/accessibility.hpp"

#include <initguid.h>
// initguid.h first, so that the service's identifiers are defined here.
#include <oleacc.h>

#include "os/win32/com.hpp"
#include "os/win32/wide.hpp"

namespace kv::ui::win32 {

namespace {

// The annotation service; COM is initialised for the user-interface thread
// for the program's life, at start-up.
IAccPropServices* service() {
    static IAccPropServices* const svc = [] {
        IAccPropServices* p = nullptr;
        if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IAccPropServices, reinterpret_cast<void**>(&p))))
            p = nullptr;
        return p;
    }();
    return svc;
}

}  // namespace

bool setAccessibleRole(HWND control, long role) {
    IAccPropServices* svc = service();
    if (!svc || !control) return false;
    VARIANT v;
    VariantInit(&v);
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
