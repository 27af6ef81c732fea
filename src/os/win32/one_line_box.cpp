#include "os/win32/one_line_box.hpp"

#include <set>

#include "os/win32/wide.hpp"

namespace kv::os::win32 {

namespace {

constexpr int kPromptId = 101;
constexpr int kAnswerId = 102;

struct BoxState {
    bool everyCloseAnswers = false;
    bool done = false;
    std::optional<std::string> answer;
};

int scaled(int px) {
    return MulDiv(px, screenDpi(), 96);
}

void finish(HWND hwnd, BoxState& state, bool accepted) {
    if (state.done) return;
    if (accepted || state.everyCloseAnswers) {
        HWND edit = GetDlgItem(hwnd, kAnswerId);
        const int n = GetWindowTextLengthW(edit);
        std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
        const int got = GetWindowTextW(edit, text.data(), n + 1);
        text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
        state.answer = narrow(text);
    }
    state.done = true;
    // The close may arrive inside the message wait (a message sent from
    // another program is handled there); a posted message makes sure the
    // wait returns and sees it.
    PostMessageW(hwnd, WM_NULL, 0, 0);
}

LRESULT CALLBACK boxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<BoxState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_COMMAND:
            if (state && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
                finish(hwnd, *state, LOWORD(wp) == IDOK);
                return 0;
            }
            break;
        case WM_CLOSE:
            if (state) finish(hwnd, *state, false);
            return 0;
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void registerClass(const wchar_t* name, bool programIcon) {
    static std::set<std::wstring> registered;
    if (!registered.insert(name).second) return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = boxProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    if (programIcon) wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

}  // namespace

std::optional<std::string> runOneLineBox(Win32Pump& pump, const OneLineBox& box,
                                         std::vector<HWND>* openList) {
    BoxState state;
    state.everyCloseAnswers = box.everyCloseAnswers;
    registerClass(box.windowClass, box.programIcon);
    const int w = scaled(box.width), h = scaled(box.height), pad = scaled(12);
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - w) / 2,
              y = work.top + (work.bottom - work.top - h) / 2;
    UniqueWindow form(CreateWindowExW(box.exStyle | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT,
                                      box.windowClass, widen(box.caption).c_str(),
                                      WS_POPUP | WS_CAPTION | box.style, x, y, w, h, box.owner, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
    if (!form) return std::nullopt;
    SetWindowLongPtrW(form.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    RECT rc;
    GetClientRect(form.get(), &rc);
    const int cw = rc.right - pad * 2;
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    const UniqueFont font(CreateFontIndirectW(&ncm.lfMessageFont));
    const int editH = scaled(23), buttonH = scaled(26), buttonW = scaled(80), gap = scaled(8);
    const int buttonY = rc.bottom - pad - buttonH, editY = buttonY - gap - editH;
    auto child = [&](DWORD ex, const wchar_t* cls, const std::string& text, DWORD style, int cx, int cy,
                     int cwid, int ch, int id) {
        HWND c =
            CreateWindowExW(ex, cls, widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, cx, cy, cwid, ch,
                            form.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
        return c;
    };
    child(0, L"STATIC", box.prompt, SS_LEFT | SS_NOPREFIX, pad, pad, cw, editY - pad - gap / 2, kPromptId);
    HWND edit = child(WS_EX_CLIENTEDGE, L"EDIT", box.initial, WS_TABSTOP | ES_AUTOHSCROLL, pad, editY, cw,
                      editH, kAnswerId);
    if (box.cancelButton) {
        child(0, L"BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, rc.right - pad - 2 * buttonW - gap, buttonY,
              buttonW, buttonH, IDOK);
        child(0, L"BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, rc.right - pad - buttonW, buttonY, buttonW,
              buttonH, IDCANCEL);
    } else {
        child(0, L"BUTTON", "&OK", WS_TABSTOP | BS_DEFPUSHBUTTON, (rc.right - buttonW) / 2, buttonY, buttonW,
              buttonH, IDOK);
    }

    const bool ownerWasEnabled = box.owner && IsWindowEnabled(box.owner);
    if (ownerWasEnabled) EnableWindow(box.owner, FALSE);
    ShowWindow(form.get(), SW_SHOW);
    forceForeground(form.get());
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    pump.addDialog(form.get());
    if (openList) openList->push_back(form.get());
    while (!state.done && !pump.quitRequested()) pump.waitUntil(pump.now() + 60000);
    if (openList) std::erase(*openList, form.get());
    pump.removeDialog(form.get());
    if (ownerWasEnabled) {
        EnableWindow(box.owner, TRUE);
        if (box.activateOwnerAfter) SetActiveWindow(box.owner);
    }
    form.reset();
    return state.answer;
}

}  // namespace kv::os::win32
