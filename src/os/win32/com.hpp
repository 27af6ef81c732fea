#pragma once
// RAII for COM: the library initialised for the calling thread, and
// interface pointers released when they go out of scope.

#include <objbase.h>
#include <windows.h>

namespace kv::os::win32 {

class ComLibrary {
public:
    ComLibrary() : hr_(CoInitialize(nullptr)) {}
    ~ComLibrary() {
        // S_FALSE (already initialised on this thread) is balanced as well.
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComLibrary(const ComLibrary&) = delete;
    ComLibrary& operator=(const ComLibrary&) = delete;

private:
    HRESULT hr_;
};

template <typename I>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = o.p_;
            o.p_ = nullptr;
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For functions that hand out an interface: releases the current one.
    void** out() {
        reset();
        return reinterpret_cast<void**>(&p_);
    }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }

private:
    I* p_ = nullptr;
};

}  // namespace kv::os::win32
