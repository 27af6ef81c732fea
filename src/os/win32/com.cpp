#include "os/win32/com.hpp"

#include "os/win32/library_function.hpp"

namespace kv::os::win32 {

namespace {

template <class Function>
Function find(const char* name) {
    // System32 only: the program sets its DLL search to it at start.
    static const HMODULE library = LoadLibraryW(L"ole32.dll");
    return libraryFunction<Function>(library, name);
}

enum class ThreadCom { Untried, Started, Usable, Unusable };
// Per thread, as COM itself is.
thread_local ThreadCom t_com = ThreadCom::Untried;

}  // namespace

bool useCom() {
    if (t_com == ThreadCom::Untried) {
        static const auto init = find<HRESULT(WINAPI*)(LPVOID, DWORD)>("CoInitializeEx");
        const HRESULT hr = init ? init(nullptr, COINIT_APARTMENTTHREADED) : E_FAIL;
        // S_FALSE (someone started it before) is balanced as well; another
        // apartment model started elsewhere is usable but not ours to end.
        t_com = SUCCEEDED(hr)              ? ThreadCom::Started
                : hr == RPC_E_CHANGED_MODE ? ThreadCom::Usable
                                           : ThreadCom::Unusable;
    }
    return t_com != ThreadCom::Unusable;
}

HRESULT createInstance(REFCLSID cls, REFIID iid, void** out) {
    *out = nullptr;
    if (!useCom()) return CO_E_NOTINITIALIZED;
    static const auto create =
        find<HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*)>("CoCreateInstance");
    return create ? create(cls, nullptr, CLSCTX_INPROC_SERVER, iid, out) : CO_E_DLLNOTFOUND;
}

ComForThisThread::~ComForThisThread() {
    if (t_com != ThreadCom::Started) return;
    if (const auto uninit = find<void(WINAPI*)()>("CoUninitialize")) uninit();
    t_com = ThreadCom::Untried;
}

}  // namespace kv::os::win32
