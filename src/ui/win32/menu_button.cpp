#include "ui/win32/menu_button.hpp"

#include <oleacc.h>

#include "os/win32/common_controls.hpp"
#include "os/win32/wide.hpp"
#include "os/win32/win32_os.hpp"
#include "ui/win32/accessibility.hpp"

namespace kv::ui::win32 {

namespace cc = os::win32::common_controls;

namespace {

constexpr UINT_PTR kSubclassId = 0x4B56;
// Posted, so that the key that asked for the menu has been handled (and its
// character left the queue) before the menu's own loop starts reading keys.
constexpr UINT kOpenMenu = WM_APP + 0x4B1;

}  // namespace

void MenuButton::created() {
    cc::setWindowSubclass(hwnd_, &MenuButton::subclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    // A screen reader announces a button that opens a menu, not a push button.
    setAccessibleRole(hwnd_, ROLE_SYSTEM_BUTTONMENU);
}

MenuButton::~MenuButton() {
    if (hwnd_) cc::removeWindowSubclass(hwnd_, &MenuButton::subclassProc, kSubclassId);
}

void MenuButton::setItems(std::vector<std::string> items) {
    items_ = std::move(items);
}

void MenuButton::command(WORD code) {
    if (code == BN_CLICKED) popup();
}

void MenuButton::popup() {
    if (open_ || items_.empty()) return;
    os::win32::UniqueMenu menu(CreatePopupMenu());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i] == "-")
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuW(menu.get(), MF_STRING, i + 1, os::win32::widen(items_[i]).c_str());
    }
    RECT r;
    GetWindowRect(hwnd_, &r);
    // The button stays uncovered: without room below, the menu goes above it.
    TPMPARAMS keepClear{sizeof keepClear, r};
    open_ = true;
    SendMessageW(hwnd_, BM_SETSTATE, TRUE, 0);
    const int chosen = static_cast<int>(TrackPopupMenuEx(
        menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL | TPM_LEFTBUTTON, r.left,
        r.bottom, GetParent(hwnd_), &keepClear));
    SendMessageW(hwnd_, BM_SETSTATE, FALSE, 0);
    open_ = false;
    if (chosen > 0) {
        itemIndex_ = chosen - 1;
        if (onChange) onChange();
    }
}

void MenuButton::drawArrow() {
    RECT r;
    GetClientRect(hwnd_, &r);
    const int size = MulDiv(r.bottom - r.top, 1, 5) | 1;
    const int cx = r.right - size - size / 2 - 2, cy = (r.top + r.bottom) / 2 - size / 4;
    POINT tri[3] = {{cx - size / 2, cy}, {cx + size / 2 + 1, cy}, {cx, cy + size / 2 + 1}};
    const os::win32::WindowDc dc(hwnd_);
    if (!dc) return;
    const os::win32::SelectedObject brush(
        dc.get(), GetSysColorBrush(IsWindowEnabled(hwnd_) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    const os::win32::SelectedObject pen(dc.get(), GetStockObject(NULL_PEN));
    Polygon(dc.get(), tri, 3);
}

LRESULT CALLBACK MenuButton::subclassProc(HWND, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    // The menu's choice runs the form's handlers; nothing they raise leaves here.
    auto* self = reinterpret_cast<MenuButton*>(data);
    LRESULT result = 0;
    self->form_->system().guard.run([&] { result = self->handle(msg, wp, lp); });
    return result;
}

LRESULT MenuButton::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_GETDLGCODE: {
            LRESULT code = cc::defSubclassProc(hwnd_, msg, wp, lp);
            // Enter opens the menu rather than pressing the form's default button.
            if (const auto* m = reinterpret_cast<const MSG*>(lp);
                m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN)
                code |= DLGC_WANTMESSAGE;
            return code;
        }
        case WM_KEYDOWN:
            if (wp == VK_RETURN) {
                PostMessageW(hwnd_, kOpenMenu, 0, 0);
                return 0;
            }
            if (wp == VK_SPACE) {
                const LRESULT r = cc::defSubclassProc(hwnd_, msg, wp, lp);
                drawArrow();
                return r;
            }
            break;
        case WM_SYSKEYDOWN:
            if (wp == VK_DOWN) PostMessageW(hwnd_, kOpenMenu, 0, 0);
            break;
        case kOpenMenu: popup(); return 0;
        case WM_PAINT:
        case WM_ENABLE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_MOUSEMOVE:
        case WM_MOUSELEAVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_KEYUP:
        case BM_SETSTATE:
        case BM_SETSTYLE: {
            // The button draws itself on these without always going through
            // WM_PAINT; the arrow goes over whatever it drew.
            const LRESULT r = cc::defSubclassProc(hwnd_, msg, wp, lp);
            drawArrow();
            return r;
        }
        default: break;
    }
    return cc::defSubclassProc(hwnd_, msg, wp, lp);
}

}  // namespace kv::ui::win32
