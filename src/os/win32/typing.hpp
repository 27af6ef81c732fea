#pragma once
// Watching what the user types: low-level hooks on an input thread of their
// own, which turns keys into characters and posts them to the
// user-interface thread.

#include <windows.h>

#include <functional>

#include "os/os.hpp"
#include "os/win32/handles.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

class Win32Typing : public Typing {
public:
    explicit Win32Typing(Guard& guard);
    ~Win32Typing() override;
    Win32Typing(const Win32Typing&) = delete;
    Win32Typing& operator=(const Win32Typing&) = delete;
    bool start(std::function<void(const TypedEvent&)> onEvent) override;
    void stop() override;
    bool passwordFocused() override;

private:
    LRESULT handle(HWND, UINT msg, WPARAM wp, LPARAM lp);

    // Where the input thread posts what it sees.
    MessageWindow window_;
    std::function<void(const TypedEvent&)> onEvent_;
    UniqueHandle thread_;
    DWORD threadId_ = 0;
};

}  // namespace kv::os::win32
