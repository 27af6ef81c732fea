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

struct FontTraits {
    using Type = HFONT;
    static HFONT null() { return nullptr; }
    static void free(HFONT f) { DeleteObject(f); }
};

using UniqueWindow = Unique<WindowTraits>;
using UniqueFile = Unique<FileTraits>;
using UniqueHandle = Unique<KernelTraits>;
using UniqueAtom = Unique<AtomTraits>;
using UniqueMenu = Unique<MenuTraits>;
using UniqueIcon = Unique<IconTraits>;
using UniqueFont = Unique<FontTraits>;

inline HWND toHwnd(std::uint64_t w) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(w)); }
inline std::uint64_t fromHwnd(HWND h) { return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(h)); }

// Marks input that Keyvale injects itself, so its own recorder can leave it out.
inline constexpr ULONG_PTR kInjectedByKeyvale = 0x4B56414CUL;

}  // namespace kv::os::win32
