#pragma once
// Watching what the user types: low-level hooks on the input thread turn
// keys into characters and post them to the user-interface thread.

#include <windows.h>

#include <functional>

#include "os/os.hpp"
#include "os/win32/handles.hpp"
#include "os/win32/input_thread.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

class Win32Typing : public Typing {
public:
    Win32Typing(Guard& guard, InputThread& thread);
    ~Win32Typing() override;
    Win32Typing(const Win32Typing&) = delete;
    Win32Typing& operator=(const Win32Typing&) = delete;
    bool start(std::function<void(const TypedEvent&)> onEvent) override;
    void stop() override;
    bool passwordFocused() override;

private:
    LRESULT handle(HWND, UINT msg, WPARAM wp, LPARAM lp);

    InputThread& thread_;
    // Where the input thread posts what it sees.
    MessageWindow window_;
    std::function<void(const TypedEvent&)> onEvent_;
    bool following_ = false;
};

}  // namespace kv::os::win32
