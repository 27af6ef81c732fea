// Message boxes, questions and the file dialogs; the value prompt and the
// input box are the boxes the dialogs were given.

#include "os/win32/win32_os.hpp"
// Shell and common-control headers need windows.h first.

#include <algorithm>
#include <optional>
#include <vector>

#include "os/win32/common_dialogs.hpp"
#include "os/win32/wide.hpp"

namespace kv::os::win32 {

namespace {

// The window a box belongs to: the active window of this program, so the
// form that asked stays disabled while the box is open.
HWND boxOwner(HWND fallback) {
    HWND active = GetActiveWindow();
    return active ? active : fallback;
}

}  // namespace

void Win32Dialogs::errorBox(const std::string& message) {
    letTypedKeysArrive();
    MessageBoxW(boxOwner(owner), widen(message).c_str(), L"Keyvale", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

bool Win32Dialogs::confirm(const std::string& question) {
    letTypedKeysArrive();
    return MessageBoxW(boxOwner(owner), widen(question).c_str(), L"Keyvale",
                       MB_YESNO | MB_ICONWARNING | MB_SETFOREGROUND) == IDYES;
}

void Win32Dialogs::message(const std::string& text) {
    letTypedKeysArrive();
    MessageBoxW(boxOwner(owner), widen(text).c_str(), L"Keyvale", MB_OK | MB_SETFOREGROUND);
}

namespace {

// The dialog wants the filter's parts separated by NUL and ended by two.
std::wstring filterParts(const std::string& filter) {
    std::wstring parts = widen(filter);
    for (wchar_t& c : parts)
        if (c == L'|') c = L'\0';
    parts.append(2, L'\0');
    return parts;
}

}  // namespace

namespace {

// The system's open or save box; nothing when cancelled.
std::optional<std::string> fileBox(HWND owner, const std::string& filter, bool save,
                                   const std::string& suggested = {},
                                   const std::string& defaultExtension = {}) {
    const std::wstring parts = filterParts(filter);
    const std::wstring extension = widen(defaultExtension);
    // Room for the long paths of current Windows, not only MAX_PATH.
    std::vector<wchar_t> path(32768, L'\0');
    const std::wstring start = widen(suggested);
    std::copy_n(start.begin(), std::min(start.size(), path.size() - 1), path.begin());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = parts.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path.data();
    ofn.nMaxFile = static_cast<DWORD>(path.size());
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (save) ofn.Flags |= OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    if (!(save ? common_dialogs::getSaveFileName(&ofn) : common_dialogs::getOpenFileName(&ofn)) || !path[0])
        return std::nullopt;
    return narrow(path.data());
}

}  // namespace

std::string Win32Dialogs::promptValue(const std::string& prompt) {
    letTypedKeysArrive();
    return boxes_.promptValue(prompt, owner);
}

void Win32Dialogs::closePrompts() {
    boxes_.closePrompts();
}

std::optional<std::string> Win32Dialogs::inputQuery(const std::string& caption, const std::string& prompt,
                                                    const std::string& initial) {
    return boxes_.inputQuery(caption, prompt, initial, boxOwner(owner));
}

std::optional<std::string> Win32Dialogs::openFile(const std::string& filter) {
    return fileBox(boxOwner(owner), filter, false);
}

std::optional<std::string> Win32Dialogs::saveFile(const std::string& filter, const std::string& suggested,
                                                  const std::string& defaultExtension) {
    return fileBox(boxOwner(owner), filter, true, suggested, defaultExtension);
}

}  // namespace kv::os::win32
