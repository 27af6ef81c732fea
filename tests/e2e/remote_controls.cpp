#include "remote_controls.hpp"

#include <commctrl.h>  // after windows.h

#include "harness.hpp"

namespace e2e {

namespace {
constexpr SIZE_T kRemoteSize = 4096;
}

RemoteListView::RemoteListView(HWND list) : list_(list) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_)
        remote_ =
            static_cast<char*>(VirtualAllocEx(process_, nullptr, kRemoteSize, MEM_COMMIT, PAGE_READWRITE));
}

RemoteListView::~RemoteListView() {
    if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
}

int RemoteListView::rowCount() const {
    return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
}

std::string RemoteListView::text(int row, int column) const {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = remote_ + 512;
    item.cchTextMax = 1024;
    WriteProcessMemory(process_, remote_, &item, sizeof item, nullptr);
    SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote_));
    char buffer[1024] = {};
    ReadProcessMemory(process_, remote_ + 512, buffer, sizeof buffer - 1, nullptr);
    return buffer;
}

std::string RemoteListView::textUtf8(int row, int column) const {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(remote_ + 512);
    item.cchTextMax = 1024;
    WriteProcessMemory(process_, remote_, &item, sizeof item, nullptr);
    SendMessageW(list_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote_));
    wchar_t buffer[1024] = {};
    ReadProcessMemory(process_, remote_ + 512, buffer, sizeof buffer - sizeof(wchar_t), nullptr);
    return utf8(buffer);
}

int RemoteListView::image(int row) const {
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    WriteProcessMemory(process_, remote_, &item, sizeof item, nullptr);
    SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote_));
    ReadProcessMemory(process_, remote_, &item, sizeof item, nullptr);
    return item.iImage;
}

int RemoteListView::selected() const {
    return static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

RECT RemoteListView::rowRect(int row) const {
    RECT r{};
    r.left = LVIR_LABEL;
    WriteProcessMemory(process_, remote_, &r, sizeof r, nullptr);
    SendMessageA(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote_));
    ReadProcessMemory(process_, remote_, &r, sizeof r, nullptr);
    MapWindowPoints(list_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void RemoteListView::click(int row, bool right) const {
    const RECT r = rowRect(row);
    clickAt({r.left + 10, (r.top + r.bottom) / 2}, right);
}

void RemoteListView::doubleClick(int row) const {
    const RECT r = rowRect(row);
    const POINT p{r.left + 10, (r.top + r.bottom) / 2};
    clickAt(p);
    clickAt(p);
}

void clickAt(POINT screen, bool right) {
    SetCursorPos(screen.x, screen.y);
    Sleep(30);
    mouse_event(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    Sleep(30);
    mouse_event(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    Sleep(30);
}

void clickControl(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    clickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

HWND findChild(HWND parent, const std::string& className, const std::string& caption) {
    for (HWND c = FindWindowExA(parent, nullptr, className.c_str(), nullptr); c;
         c = FindWindowExA(parent, c, className.c_str(), nullptr)) {
        char text[256] = {};
        GetWindowTextA(c, text, sizeof text);
        if (caption.empty() || caption == text) return c;
    }
    return nullptr;
}

namespace {

std::vector<HWND> visiblePopupMenus() {
    std::vector<HWND> menus;
    for (HWND w = FindWindowExA(nullptr, nullptr, "#32768", nullptr); w;
         w = FindWindowExA(nullptr, w, "#32768", nullptr))
        if (IsWindowVisible(w)) menus.push_back(w);
    return menus;
}

}  // namespace

HWND openPopupMenu() {
    const std::vector<HWND> menus = visiblePopupMenus();
    return menus.empty() ? nullptr : menus.front();
}

int openPopupMenus() {
    return static_cast<int>(visiblePopupMenus().size());
}

HWND visibleChild(HWND parent, const char* cls, const std::string& caption, DWORD styleBits) {
    struct Search {
        const char* cls;
        const std::string* caption;
        DWORD bits;
        HWND found;
    } s{cls, &caption, styleBits, nullptr};
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM lp) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(lp);
            char c[64] = {};
            GetClassNameA(h, c, sizeof c);
            const DWORD style = static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE));
            if (lstrcmpiA(c, s.cls) == 0 && IsWindowVisible(h) && (style & s.bits) == s.bits &&
                (s.caption->empty() || windowText(h) == *s.caption)) {
                s.found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND button(HWND dialog, const std::string& caption) {
    for (HWND b = nullptr; (b = FindWindowExA(dialog, b, "Button", nullptr));)
        if (windowText(b) == caption) return b;
    return nullptr;
}

std::string windowText(HWND window) {
    char buf[4096] = {};
    SendMessageA(window, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return buf;
}

std::string windowTextUtf8(HWND window) {
    wchar_t buf[4096] = {};
    SendMessageW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf));
    return utf8(buf);
}

}  // namespace e2e
