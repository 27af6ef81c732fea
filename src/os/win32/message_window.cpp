// Message-only windows whose messages run in the guard.

#include <utility>

#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

namespace {

const wchar_t* messageWindowClass() {
    static const wchar_t* name = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KeyvaleMessageWindow";
        RegisterClassW(&wc);
        return L"KeyvaleMessageWindow";
    }();
    return name;
}

}  // namespace

MessageWindow::MessageWindow(Guard& guard, Handler handler) : guard_(guard), handler_(std::move(handler)) {
    window_.reset(CreateWindowExW(0, messageWindowClass(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr));
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageWindow::proc));
}

LRESULT CALLBACK MessageWindow::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || !self->handler_) return DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT result = 0;
    self->guard_.run([&] { result = self->handler_(hwnd, msg, wp, lp); });
    return result;
}

}  // namespace kv::os::win32
