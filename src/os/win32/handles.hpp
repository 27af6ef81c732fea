#pragma once
// Move-only owners for the Windows handles the program keeps.

#include <windows.h>

#include <cstdint>
#include <utility>

namespace kv::os::win32 {

// Traits supply the type, its null value and how to free it.
template <typename Traits>
class Unique {
    using T = typename Traits::Type;
    static inline const T Null = Traits::null();

public:
    Unique() = default;
    explicit Unique(T h) : h_(h) {}
    ~Unique() { reset(); }
    Unique(Unique&& o) noexcept : h_(std::exchange(o.h_, Null)) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, Null);
        }
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    T get() const { return h_; }
    explicit operator bool() const { return h_ != Null; }
    T release() { return std::exchange(h_, Null); }
    void reset(T h = Null) {
        if (h_ != Null) Traits::free(h_);
        h_ = h;
    }

private:
    T h_ = Null;
};

struct WindowTraits {
    using Type = HWND;
    static HWND null() { return nullptr; }
    static void free(HWND h) { DestroyWindow(h); }
};
struct FileTraits {
    using Type = HANDLE;
    static HANDLE null() { return INVALID_HANDLE_VALUE; }
    static void free(HANDLE h) { CloseHandle(h); }
};
// Process, thread, token and event handles: null, not INVALID_HANDLE_VALUE, when absent.
struct KernelTraits {
    using Type = HANDLE;
    static HANDLE null() { return nullptr; }
    static void free(HANDLE h) { CloseHandle(h); }
};
struct AtomTraits {
    using Type = ATOM;
    static ATOM null() { return 0; }
    static void free(ATOM a) { GlobalDeleteAtom(a); }
};
struct MenuTraits {
    using Type = HMENU;
    static HMENU null() { return nullptr; }
    static void free(HMENU h) { DestroyMenu(h); }
};
struct IconTraits {
    using Type = HICON;
    static HICON null() { return nullptr; }
    static void free(HICON h) { DestroyIcon(h); }
};

// GDI objects the program creates (fonts, brushes) are deleted alike.
template <typename T>
struct GdiObjectTraits {
    using Type = T;
    static T null() { return nullptr; }
    static void free(T object) { DeleteObject(object); }
};
struct DcTraits {
    using Type = HDC;
    static HDC null() { return nullptr; }
    static void free(HDC dc) { DeleteDC(dc); }
};

using UniqueWindow = Unique<WindowTraits>;
using UniqueFile = Unique<FileTraits>;
using UniqueHandle = Unique<KernelTraits>;
using UniqueAtom = Unique<AtomTraits>;
using UniqueMenu = Unique<MenuTraits>;
using UniqueIcon = Unique<IconTraits>;
using UniqueFont = Unique<GdiObjectTraits<HFONT>>;
using UniqueBrush = Unique<GdiObjectTraits<HBRUSH>>;
using UniqueDc = Unique<DcTraits>;

// A window's device context (the screen's for no window), released with it.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// The screen's dots per inch (96 when it cannot be read).
inline int screenDpi() {
    const WindowDc screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

// An object selected into a device context while this lives; the one it
// replaced goes back after.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (old_) SelectObject(dc_, old_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

inline HWND toHwnd(std::uint64_t w) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(w));
}
inline std::uint64_t fromHwnd(HWND h) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(h));
}

// Marks input that Keyvale injects itself, so its own recorder can leave it out.
inline constexpr ULONG_PTR kInjectedByKeyvale = 0x4B56414CUL;

}  // namespace kv::os::win32
