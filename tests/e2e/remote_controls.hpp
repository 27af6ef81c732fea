#pragma once
// Reading and clicking the controls of another process's windows: list-view
// rows through memory in that process, and real mouse clicks at their place.

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

class RemoteListView {
public:
    explicit RemoteListView(HWND list);
    ~RemoteListView();
    RemoteListView(const RemoteListView&) = delete;
    RemoteListView& operator=(const RemoteListView&) = delete;

    int rowCount() const;
    std::string text(int row, int column) const;
    // The same through the wide message, as UTF-8.
    std::string textUtf8(int row, int column) const;
    int image(int row) const;
    int selected() const;
    // The row's rectangle in screen coordinates.
    RECT rowRect(int row) const;
    // A real left (or right) click in the middle of the row's first column.
    void click(int row, bool right = false) const;
    void doubleClick(int row) const;

private:
    HWND list_;
    HANDLE process_ = nullptr;
    char* remote_ = nullptr;
};

// A real mouse click at a screen point.
void clickAt(POINT screen, bool right = false);
// A real left click in the middle of a window or control.
void clickControl(HWND control);

// The first child window with this class (and caption, unless empty).
HWND findChild(HWND parent, const std::string& className, const std::string& caption = "");

// The first visible descendant of the class whose text is caption (any when
// empty) and whose style has all of styleBits.
HWND visibleChild(HWND parent, const char* cls, const std::string& caption = "", DWORD styleBits = 0);

// The direct child button with this text, or nullptr.
HWND button(HWND dialog, const std::string& caption);

// A control's text by WM_GETTEXT: GetWindowText does not ask another
// process's controls (an edit box would give only its caption).
std::string windowText(HWND window);
// The same through the wide message, as UTF-8.
std::string windowTextUtf8(HWND window);

// The visible pop-up menu window, or nullptr.
HWND openPopupMenu();
// How many pop-up menu windows are visible: a menu and its open submenus.
int openPopupMenus();

}  // namespace e2e
