// The clipboard. The text of a paste is offered for rendering on demand, so
// the moment the target reads it is known, and carries the registered
// formats that keep it out of clipboard history, the cloud clipboard and
// clipboard managers.

#include "os/win32/clipboard.hpp"

#include <algorithm>
#include <cstring>

#include "os/win32/wide.hpp"

namespace kv::os::win32 {

namespace {

constexpr Millis kOpenPatience = 1000;

// Formats whose data is not a global memory block (GDI objects, owner
// display): they cannot be copied as bytes. A bitmap is read as its device
// independent form, which the system also lists.
bool handleFormat(UINT f) {
    switch (f) {
        case CF_BITMAP:
        case CF_METAFILEPICT:
        case CF_PALETTE:
        case CF_OWNERDISPLAY:
        case CF_DSPBITMAP:
        case CF_DSPMETAFILEPICT:
        case CF_DSPENHMETAFILE: return true;
        default:
            return (f >= CF_PRIVATEFIRST && f <= CF_PRIVATELAST) ||
                   (f >= CF_GDIOBJFIRST && f <= CF_GDIOBJLAST);
    }
}

// A global block not yet handed to the clipboard.
struct GlobalBlock {
    HGLOBAL h = nullptr;
    GlobalBlock(const void* data, std::size_t size)
        : h(GlobalAlloc(GMEM_MOVEABLE, std::max<std::size_t>(size, 1))) {
        if (!h) return;
        if (void* p = GlobalLock(h)) {
            if (size) std::memcpy(p, data, size);
            GlobalUnlock(h);
        }
    }
    ~GlobalBlock() {
        if (h) GlobalFree(h);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    // The clipboard owns it once it took it.
    bool handTo(UINT format) {
        if (!h || !SetClipboardData(format, h)) return false;
        h = nullptr;
        return true;
    }
};

std::string blockBytes(HANDLE h) {
    const SIZE_T size = GlobalSize(h);
    const void* p = GlobalLock(h);
    if (!p) return {};
    std::string bytes(static_cast<const char*>(p), size);
    GlobalUnlock(h);
    return bytes;
}

}  // namespace

// The clipboard opened by Keyvale's window, waited for a second at most while
// messages are handled; closed with the scope.
class Win32Clipboard::Open {
public:
    Open(Pump& pump, HWND owner) {
        const Millis deadline = pump.now() + kOpenPatience;
        while (!(open_ = OpenClipboard(owner) != FALSE) && pump.now() < deadline)
            pump.waitUntil(std::min(deadline, pump.now() + 15));
    }
    ~Open() {
        if (open_) CloseClipboard();
    }
    Open(const Open&) = delete;
    Open& operator=(const Open&) = delete;
    explicit operator bool() const { return open_; }

private:
    bool open_ = false;
};

Win32Clipboard::Win32Clipboard(Pump& pump, Guard& guard)
    : pump_(pump),
      window_(guard, [this](HWND h, UINT msg, WPARAM wp, LPARAM lp) { return handle(h, msg, wp, lp); }) {}

HGLOBAL Win32Clipboard::renderText() const {
    GlobalBlock block(offered_.c_str(), (offered_.size() + 1) * sizeof(wchar_t));
    return std::exchange(block.h, nullptr);
}

LRESULT Win32Clipboard::handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_RENDERFORMAT:
            if (wp == CF_UNICODETEXT && offering_) {
                if (HGLOBAL h = renderText(); h && !SetClipboardData(CF_UNICODETEXT, h)) GlobalFree(h);
                ++renders_;
            }
            return 0;
        case WM_RENDERALLFORMATS:
            // Keyvale ends while its text is still offered: it stays readable.
            if (offering_ && OpenClipboard(hwnd)) {
                if (GetClipboardOwner() == hwnd)
                    if (HGLOBAL h = renderText(); h && !SetClipboardData(CF_UNICODETEXT, h)) GlobalFree(h);
                CloseClipboard();
            }
            return 0;
        case WM_DESTROYCLIPBOARD: offering_ = false; return 0;
        default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

std::optional<ClipboardContents> Win32Clipboard::save() {
    Open open(pump_, window_.hwnd());
    if (!open) return std::nullopt;
    ClipboardContents contents;
    for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f)) {
        if (handleFormat(f)) continue;
        HANDLE h = GetClipboardData(f);
        if (!h) continue;  // rendered on demand and refused: nothing to keep
        ClipboardFormat format;
        format.id = f;
        if (f >= 0xC000) {
            wchar_t name[256];
            if (const int n = GetClipboardFormatNameW(f, name, 256); n > 0)
                format.name = narrow(std::wstring_view(name, static_cast<std::size_t>(n)));
        }
        if (f == CF_ENHMETAFILE) {
            const UINT size = GetEnhMetaFileBits(static_cast<HENHMETAFILE>(h), 0, nullptr);
            format.data.resize(size);
            if (!size || !GetEnhMetaFileBits(static_cast<HENHMETAFILE>(h), size,
                                             reinterpret_cast<BYTE*>(format.data.data())))
                continue;
        } else {
            format.data = blockBytes(h);
        }
        contents.push_back(std::move(format));
    }
    return contents;
}

bool Win32Clipboard::restore(const ClipboardContents& contents) {
    Open open(pump_, window_.hwnd());
    if (!open) return false;
    EmptyClipboard();
    offering_ = false;
    for (const ClipboardFormat& f : contents) {
        const UINT id = f.name.empty() ? f.id : RegisterClipboardFormatW(widen(f.name).c_str());
        if (!id) continue;
        if (id == CF_ENHMETAFILE) {
            HENHMETAFILE emf = SetEnhMetaFileBits(static_cast<UINT>(f.data.size()),
                                                  reinterpret_cast<const BYTE*>(f.data.data()));
            if (emf && !SetClipboardData(id, emf)) DeleteEnhMetaFile(emf);
            continue;
        }
        GlobalBlock(f.data.data(), f.data.size()).handTo(id);
    }
    return true;
}

bool Win32Clipboard::putText(std::string_view utf8) {
    Open open(pump_, window_.hwnd());
    if (!open) return false;
    if (!EmptyClipboard()) return false;
    offered_ = widen(utf8);
    offering_ = true;
    // Rendered when the target reads it (WM_RENDERFORMAT).
    SetClipboardData(CF_UNICODETEXT, nullptr);
    const DWORD no = 0;
    for (const wchar_t* marker : {L"ExcludeClipboardContentFromMonitorProcessing",
                                  L"CanIncludeInClipboardHistory", L"CanUploadToCloudClipboard"})
        if (const UINT id = RegisterClipboardFormatW(marker)) GlobalBlock(&no, sizeof no).handTo(id);
    return true;
}

std::uint32_t Win32Clipboard::sequenceNumber() {
    return static_cast<std::uint32_t>(GetClipboardSequenceNumber()) + renders_;
}

}  // namespace kv::os::win32
