// The standard one-line input box: a caption, a prompt, one answer field,
// "OK" (the default button) and "Cancel". Esc and the close box cancel.

#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

namespace {

constexpr int kPromptId = 101;
constexpr int kAnswerId = 102;

struct FontTraits {
    using Type = HFONT;
    static HFONT null() { return nullptr; }
    static void free(HFONT f) { DeleteObject(f); }
};

struct QueryState {
    bool done = false;
    std::optional<std::string> answer;
};

int scaled(int px) {
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return MulDiv(px, dpi, 96);
}

void finish(HWND hwnd, QueryState& state, bool accepted) {
    if (state.done) return;
    if (accepted) {
        HWND edit = GetDlgItem(hwnd, kAnswerId);
        const int n = GetWindowTextLengthA(edit);
        std::string text(static_cast<std::size_t>(n) + 1, '\0');
        const int got = GetWindowTextA(edit, text.data(), n + 1);
        text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
        state.answer = std::move(text);
    }
    state.done = true;
    // The wait loop may be blocked in the message wait; wake it.
    PostMessageA(hwnd, WM_NULL, 0, 0);
}

LRESULT CALLBACK queryProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<QueryState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
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
    return DefWindowProcA(hwnd, msg, wp, lp);
}

const char* queryClass() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = queryProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "KeyvaleInputQuery";
        RegisterClassA(&wc);
        return "KeyvaleInputQuery";
    }();
    return name;
}

}  // namespace

std::optional<std::string> Win32Dialogs::inputQuery(const std::string& caption, const std::string& prompt,
                                                    const std::string& initial) {
    QueryState state;
    // The asking window stays disabled while the box is open.
    HWND asking = GetActiveWindow();
    if (!asking) asking = owner;
    const int w = scaled(380), h = scaled(140), pad = scaled(12);
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - w) / 2,
              y = work.top + (work.bottom - work.top - h) / 2;
    UniqueWindow form(CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, queryClass(),
                                      caption.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, x, y, w, h, asking,
                                      nullptr, GetModuleHandleA(nullptr), nullptr));
    if (!form) return std::nullopt;
    SetWindowLongPtrA(form.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    RECT rc;
    GetClientRect(form.get(), &rc);
    const int cw = rc.right - pad * 2;
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    const Unique<FontTraits> font(CreateFontIndirectA(&ncm.lfMessageFont));
    const int editH = scaled(23), buttonH = scaled(26), buttonW = scaled(80), gap = scaled(8);
    const int buttonY = rc.bottom - pad - buttonH, editY = buttonY - gap - editH;
    auto child = [&](DWORD ex, const char* cls, const char* text, DWORD style, int cx, int cy, int cwid,
                     int ch, int id) {
        HWND c = CreateWindowExA(ex, cls, text, WS_CHILD | WS_VISIBLE | style, cx, cy, cwid, ch, form.get(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
        return c;
    };
    child(0, "STATIC", prompt.c_str(), SS_LEFT | SS_NOPREFIX, pad, pad, cw, editY - pad - gap / 2, kPromptId);
    HWND edit = child(WS_EX_CLIENTEDGE, "EDIT", initial.c_str(), WS_TABSTOP | ES_AUTOHSCROLL, pad, editY, cw,
                      editH, kAnswerId);
    child(0, "BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, rc.right - pad - 2 * buttonW - gap, buttonY,
          buttonW, buttonH, IDOK);
    child(0, "BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, rc.right - pad - buttonW, buttonY, buttonW,
          buttonH, IDCANCEL);

    const bool askingWasEnabled = asking && IsWindowEnabled(asking);
    if (askingWasEnabled) EnableWindow(asking, FALSE);
    ShowWindow(form.get(), SW_SHOW);
    forceForeground(form.get());
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    pump_.addDialog(form.get());
    while (!state.done && !pump_.quitRequested()) pump_.waitUntil(pump_.now() + 60000);
    pump_.removeDialog(form.get());
    if (askingWasEnabled) {
        EnableWindow(asking, TRUE);
        SetActiveWindow(asking);
    }
    form.reset();
    return state.answer;
}

}  // namespace kv::os::win32
