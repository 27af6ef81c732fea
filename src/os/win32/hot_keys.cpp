// System-wide hot keys, each registered on a message-only window of its own.

#include <optional>
#include <utility>

#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

namespace {

class Win32HotKeyRegistration : public HotKeyRegistration {
public:
    Win32HotKeyRegistration(Guard& guard, std::function<void()> onPressed)
        : guard_(guard), onPressed_(std::move(onPressed)) {}
    ~Win32HotKeyRegistration() override { unregisterKey(); }
    bool registerKey(unsigned modifiers, unsigned vk) override {
        unregisterKey();
        // The window and the atom are made at the first key: of the hundred
        // slots most never hold one, and a window each would cost start-up
        // a tenth of a second under Wine and a USER object apiece.
        if (!window_) {
            window_.emplace(guard_, [this](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
                if (msg == WM_HOTKEY) {
                    if (onPressed_) onPressed_();
                    return 0;
                }
                return DefWindowProcW(h, msg, wp, lp);
            });
            // The registration id is an atom of a text unique to this instance.
            const std::wstring unique =
                L"Keyvale.HotKey." + std::to_wstring(reinterpret_cast<std::uintptr_t>(this));
            atom_.reset(GlobalAddAtomW(unique.c_str()));
        }
        registered_ = RegisterHotKey(window_->hwnd(), atom_.get(), modifiers, vk) != FALSE;
        return registered_;
    }
    void unregisterKey() override {
        if (registered_) UnregisterHotKey(window_->hwnd(), atom_.get());
        registered_ = false;
    }

private:
    Guard& guard_;
    std::function<void()> onPressed_;
    std::optional<MessageWindow> window_;
    UniqueAtom atom_;
    bool registered_ = false;
};

}  // namespace

std::unique_ptr<HotKeyRegistration> Win32HotKeys::create(std::function<void()> onPressed) {
    return std::make_unique<Win32HotKeyRegistration>(guard_, std::move(onPressed));
}

bool Win32HotKeys::applicationActive() {
    return GetActiveWindow() != nullptr;
}

}  // namespace kv::os::win32
