#pragma once
// The system clipboard: the user's formats saved and put back, and text
// offered for a paste, rendered when the target asks for it.

#include <windows.h>

#include <string>

#include "os/os.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::os::win32 {

class Win32Clipboard : public Clipboard {
public:
    Win32Clipboard(Pump& pump, Guard& guard);
    std::optional<ClipboardContents> save() override;
    bool restore(const ClipboardContents& contents) override;
    bool putText(std::string_view utf8) override;
    std::uint32_t sequenceNumber() override;

private:
    class Open;
    LRESULT handle(HWND, UINT msg, WPARAM wp, LPARAM lp);
    // The offered text as a movable global block, or nothing.
    HGLOBAL renderText() const;

    Pump& pump_;
    // The owner of what Keyvale puts there: it renders the text on demand.
    MessageWindow window_;
    std::wstring offered_;
    bool offering_ = false;
    // Reads of the offered text; a read shows in the sequence number even
    // where rendering does not change the system's.
    std::uint32_t renders_ = 0;
};

}  // namespace kv::os::win32
