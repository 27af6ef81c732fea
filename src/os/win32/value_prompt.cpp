// The value prompt "Keyvale Input Box": a label with the prompt, one answer
// field and a default "&OK" button; no cancel button, no title-bar buttons.
// Whatever way it closes, the answer field's text is the answer.

#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

namespace {

constexpr int kLabelId = 101;
constexpr int kEditId = 102;

struct PromptState {
    bool done = false;
    std::string answer;
};

int scaled(int px, HWND hwnd) {
    HDC dc = GetDC(hwnd);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(hwnd, dc);
    return MulDiv(px, dpi, 96);
}

LRESULT CALLBACK promptProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<PromptState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                SendMessageA(hwnd, WM_CLOSE, 0, 0);
                return 0;
            }
            break;
        case WM_CLOSE:
            if (state && !state->done) {
                HWND edit = GetDlgItem(hwnd, kEditId);
                const int n = GetWindowTextLengthA(edit);
                std::string text(static_cast<std::size_t>(n) + 1, '\0');
                GetWindowTextA(edit, text.data(), n + 1);
                text.resize(static_cast<std::size_t>(n));
                state->answer = std::move(text);
                state->done = true;
                // The close may arrive inside the message wait (a message sent
                // from another program is handled there); a posted message
                // makes sure the wait returns and sees it.
                PostMessageA(hwnd, WM_NULL, 0, 0);
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

const char* promptClass() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = promptProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hIcon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
        wc.lpszClassName = "TfrmGetVar";
        RegisterClassA(&wc);
        return "TfrmGetVar";
    }();
    return name;
}

}  // namespace

std::string Win32Dialogs::promptValue(const std::string& prompt) {
    PromptState state;
    const int w = scaled(360, nullptr), h = scaled(150, nullptr), pad = scaled(12, nullptr);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    UniqueWindow form(CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_CONTROLPARENT, promptClass(),
                                      "Keyvale Input Box", WS_POPUP | WS_CAPTION, x, y, w, h, owner, nullptr,
                                      GetModuleHandleA(nullptr), nullptr));
    if (!form) return {};
    SetWindowLongPtrA(form.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    RECT rc;
    GetClientRect(form.get(), &rc);
    const int cw = rc.right - pad * 2;
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    HFONT font = CreateFontIndirectA(&ncm.lfMessageFont);
    const int editH = scaled(23, nullptr), buttonH = scaled(26, nullptr), buttonW = scaled(80, nullptr);
    const int buttonY = rc.bottom - pad - buttonH, editY = buttonY - pad / 2 - editH;
    HWND label = CreateWindowExA(0, "STATIC", prompt.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, pad,
                                 pad, cw, editY - pad * 2, form.get(), reinterpret_cast<HMENU>(kLabelId), nullptr,
                                 nullptr);
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                pad, editY, cw, editH, form.get(), reinterpret_cast<HMENU>(kEditId), nullptr,
                                nullptr);
    HWND ok = CreateWindowExA(0, "BUTTON", "&OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                              (rc.right - buttonW) / 2, buttonY, buttonW, buttonH, form.get(),
                              reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
    for (HWND c : {label, edit, ok}) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);

    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ShowWindow(form.get(), SW_SHOW);
    forceForeground(form.get());
    SetFocus(edit);
    pump_.addDialog(form.get());
    openPrompts_.push_back(form.get());
    while (!state.done && !pump_.quitRequested()) pump_.waitUntil(pump_.now() + 60000);
    std::erase(openPrompts_, form.get());
    pump_.removeDialog(form.get());
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    form.reset();
    DeleteObject(font);
    return state.answer;
}

void Win32Dialogs::closePrompts() {
    // Posted: this may run inside the system's input hook.
    for (HWND prompt : openPrompts_) PostMessageA(prompt, WM_CLOSE, 0, 0);
}

}  // namespace kv::os::win32
