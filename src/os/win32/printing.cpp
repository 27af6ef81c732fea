#include "os/win32/printing.hpp"

#include "core/error.hpp"
#include "os/win32/common_dialogs.hpp"
#include "os/win32/handles.hpp"
#include "os/win32/wide.hpp"

namespace kv::os::win32 {

namespace {

[[noreturn]] void printerFailed() {
    throw Error("Printer error: the macro list could not be printed.");
}

// Draws in the default user-interface font (MS Sans Serif, 8 points), scaled
// to the printer's resolution.
class Win32PrintJob : public PrintJob {
public:
    Win32PrintJob(HDC dc, const std::string& documentName) : dc_(dc) {
        font_.reset(CreateFontW(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE,
                                FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Sans Serif"));
        if (font_) oldFont_ = SelectObject(dc, font_.get());
        const std::wstring name = widen(documentName);
        DOCINFOW info{};
        info.cbSize = sizeof info;
        info.lpszDocName = name.c_str();
        if (StartDocW(dc, &info) <= 0) printerFailed();
        started_ = true;
        if (StartPage(dc) <= 0) printerFailed();
    }
    ~Win32PrintJob() override {
        if (started_ && !finished_) AbortDoc(dc_.get());
        if (oldFont_) SelectObject(dc_.get(), oldFont_);
    }

    PageMetrics metrics() override {
        TEXTMETRICW tm{};
        GetTextMetricsW(dc_.get(), &tm);
        return {GetDeviceCaps(dc_.get(), HORZRES), GetDeviceCaps(dc_.get(), VERTRES),
                static_cast<int>(tm.tmAveCharWidth), static_cast<int>(tm.tmHeight)};
    }
    int textWidth(std::string_view text) override { return extent(text).cx; }
    int textHeight(std::string_view text) override { return extent(text).cy; }
    void drawText(int x, int y, std::string_view text) override {
        const std::wstring wide = widen(text);
        if (!TextOutW(dc_.get(), x, y, wide.data(), static_cast<int>(wide.size()))) printerFailed();
    }
    void newPage() override {
        if (EndPage(dc_.get()) <= 0 || StartPage(dc_.get()) <= 0) printerFailed();
    }
    void finish() override {
        if (EndPage(dc_.get()) <= 0) printerFailed();
        if (EndDoc(dc_.get()) <= 0) printerFailed();
        finished_ = true;
    }

private:
    SIZE extent(std::string_view text) {
        SIZE size{};
        const std::wstring wide = widen(text);
        GetTextExtentPoint32W(dc_.get(), wide.data(), static_cast<int>(wide.size()), &size);
        return size;
    }

    UniqueDc dc_;
    UniqueFont font_;
    HGDIOBJ oldFont_ = nullptr;
    bool started_ = false;
    bool finished_ = false;
};

}  // namespace

std::unique_ptr<PrintJob> Win32Printing::choosePrinterAndStart(const std::string& documentName) {
    PRINTDLGW pd{};
    pd.lStructSize = sizeof pd;
    // Owned by the window it was opened from (the manager, the tray form),
    // which it keeps from taking clicks while it is open.
    HWND active = GetActiveWindow();
    pd.hwndOwner = active ? active : owner;
    pd.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
    const BOOL chosen = common_dialogs::printDlg(&pd);
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    if (!chosen) {
        if (pd.hDC) DeleteDC(pd.hDC);
        // Cancelled by the user, or no printer at all.
        if (common_dialogs::extendedError() != 0) printerFailed();
        return nullptr;
    }
    if (!pd.hDC) printerFailed();
    return std::make_unique<Win32PrintJob>(pd.hDC, documentName);
}

}  // namespace kv::os::win32
