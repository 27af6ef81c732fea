#pragma once
// COM started on first use, and interface pointers released when they go
// out of scope.

#include <objbase.h>
#include <windows.h>

namespace kv::os::win32 {

// COM for the calling thread, started by its first user, which calls
// useCom() first: a shortcut's start then types its macro's first key
// without loading COM's libraries and setting up an apartment. Once
// started, COM stays for the thread's life; true when it is usable.
bool useCom();
// As CoCreateInstance, after useCom().
HRESULT createInstance(REFCLSID cls, REFIID iid, void** out);

// Held by the program for the user-interface thread's life: ends the COM
// that useCom() started on this thread, if it did.
class ComForThisThread {
public:
    ComForThisThread() = default;
    ~ComForThisThread();
    ComForThisThread(const ComForThisThread&) = delete;
    ComForThisThread& operator=(const ComForThisThread&) = delete;
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
