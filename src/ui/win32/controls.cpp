#include "ui/win32/controls.hpp"

#include <algorithm>

#include "os/win32/common_controls.hpp"
#include "os/win32/wide.hpp"
#include "os/win32/win32_os.hpp"

namespace kv::ui::win32 {

namespace cc = os::win32::common_controls;

namespace {

UINT dpiOf(HWND hwnd) {
    // GetDpiForWindow exists from Windows 10 on; older systems have one DPI.
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn getDpiForWindow = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && hwnd) {
        if (UINT dpi = getDpiForWindow(hwnd)) return dpi;
    }
    return static_cast<UINT>(os::win32::screenDpi());
}

std::string windowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return os::win32::narrow(text);
}

}  // namespace

// ---- Control ----

void Control::setText(const std::string& text) {
    SetWindowTextW(hwnd_, os::win32::widen(text).c_str());
}
std::string Control::text() const {
    return windowText(hwnd_);
}
void Control::enable(bool on) {
    EnableWindow(hwnd_, on ? TRUE : FALSE);
}
bool Control::enabled() const {
    return IsWindowEnabled(hwnd_) != FALSE;
}
void Control::show(bool on) {
    ShowWindow(hwnd_, on ? SW_SHOW : SW_HIDE);
}
bool Control::visible() const {
    return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}
void Control::focus() {
    SetFocus(hwnd_);
}

void Control::place(const Rect96& r) {
    rect_ = r;
    if (form_)
        MoveWindow(hwnd_, form_->scale(r.left), form_->scale(r.top), form_->scale(r.width),
                   form_->scale(r.height), TRUE);
}

// ---- Button, CheckBox ----

void Button::command(WORD code) {
    if (code == BN_CLICKED && onClick) onClick();
}

void Button::setDefault(bool on) {
    SendMessageW(hwnd_, BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

bool CheckBox::checked() const {
    return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void CheckBox::setChecked(bool on) {
    SendMessageW(hwnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

// ---- RadioButton ----

namespace {
constexpr UINT_PTR kRadioSubclassId = 0x4B52;
}

void RadioButton::created() {
    // Until a button of the group is checked, the group's first is its tab stop.
    const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    if (!(style & WS_GROUP)) SetWindowLongPtrW(hwnd_, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_TABSTOP));
    cc::setWindowSubclass(hwnd_, &RadioButton::subclassProc, kRadioSubclassId,
                          reinterpret_cast<DWORD_PTR>(this));
}

RadioButton::~RadioButton() {
    if (hwnd_) cc::removeWindowSubclass(hwnd_, &RadioButton::subclassProc, kRadioSubclassId);
}

void RadioButton::setChecked(bool on) {
    CheckBox::setChecked(on);
    if (form_) form_->syncRadioTabStops(*this);
}

void RadioButton::command(WORD code) {
    if (code == BN_CLICKED && form_) form_->syncRadioTabStops(*this);
    Button::command(code);
}

LRESULT CALLBACK RadioButton::subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                           DWORD_PTR data) {
    auto* self = reinterpret_cast<RadioButton*>(data);
    if (msg == WM_GETDLGCODE) return cc::defSubclassProc(hwnd, msg, wp, lp) | DLGC_WANTARROWS;
    if (msg == WM_KEYDOWN && (wp == VK_UP || wp == VK_DOWN || wp == VK_LEFT || wp == VK_RIGHT) &&
        self->form_) {
        // The next (or previous) button of the group that can take the
        // choice, round from the end to the start.
        std::vector<RadioButton*> group = self->form_->radioGroup(*self);
        std::erase_if(group,
                      [self](RadioButton* r) { return r != self && (!r->visible() || !r->enabled()); });
        const auto at = std::find(group.begin(), group.end(), self);
        if (group.size() > 1 && at != group.end()) {
            const std::size_t i = static_cast<std::size_t>(at - group.begin());
            const std::size_t n = group.size();
            RadioButton* next = group[(wp == VK_DOWN || wp == VK_RIGHT) ? (i + 1) % n : (i + n - 1) % n];
            next->focus();
            if (!next->checked()) SendMessageW(next->hwnd(), BM_CLICK, 0, 0);
        }
        return 0;
    }
    return cc::defSubclassProc(hwnd, msg, wp, lp);
}

// ---- Edit ----

void Edit::command(WORD code) {
    if (code == EN_CHANGE && onChange) onChange();
}

void Edit::setLimit(unsigned maxChars) {
    SendMessageW(hwnd_, EM_SETLIMITTEXT, maxChars, 0);
}
void Edit::setReadOnly(bool on) {
    SendMessageW(hwnd_, EM_SETREADONLY, on ? TRUE : FALSE, 0);
}

std::pair<int, int> Edit::selection() const {
    DWORD start = 0, end = 0;
    SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<int>(start), static_cast<int>(end)};
}

void Edit::setSelection(int start, int end) {
    SendMessageW(hwnd_, EM_SETSEL, start, end);
}

void Edit::replaceSelection(const std::string& text) {
    SendMessageW(hwnd_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(os::win32::widen(text).c_str()));
}

// ---- ScratchArea ----

namespace {
constexpr UINT_PTR kScratchSubclassId = 0x4B53;
}

void ScratchArea::created() {
    cc::setWindowSubclass(hwnd_, &ScratchArea::subclassProc, kScratchSubclassId, 0);
}

ScratchArea::~ScratchArea() {
    if (hwnd_) cc::removeWindowSubclass(hwnd_, &ScratchArea::subclassProc, kScratchSubclassId);
}

LRESULT CALLBACK ScratchArea::subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    switch (msg) {
        case WM_GETDLGCODE: return cc::defSubclassProc(hwnd, msg, wp, lp) | DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            // The edit's own Esc would post WM_CLOSE to the form.
            if (wp == VK_ESCAPE) return 0;
            break;
        case WM_CHAR:
            if (wp == VK_ESCAPE) {
                SendMessageW(hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\x1b"));
                return 0;
            }
            break;
        default: break;
    }
    return cc::defSubclassProc(hwnd, msg, wp, lp);
}

// ---- ComboBox ----

void ComboBox::command(WORD code) {
    if (code == CBN_SELCHANGE && onChange) onChange();
}

void ComboBox::setItems(const std::vector<std::string>& items) {
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
        SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(os::win32::widen(item).c_str()));
}

int ComboBox::selectedIndex() const {
    return static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
}
void ComboBox::select(int index) {
    SendMessageW(hwnd_, CB_SETCURSEL, index, 0);
}

// ---- HotKeyEdit ----

std::uint16_t HotKeyEdit::value() const {
    const auto v = static_cast<DWORD>(SendMessageW(hwnd_, HKM_GETHOTKEY, 0, 0));
    const unsigned vk = LOBYTE(LOWORD(v)), mods = HIBYTE(LOWORD(v));
    if (vk == 0) return 0;
    unsigned shortcut = vk;
    if (mods & HOTKEYF_SHIFT) shortcut |= 0x2000;
    if (mods & HOTKEYF_CONTROL) shortcut |= 0x4000;
    if (mods & HOTKEYF_ALT) shortcut |= 0x8000;
    return static_cast<std::uint16_t>(shortcut);
}

namespace {
constexpr UINT_PTR kHotKeySubclassId = 0x4B48;
constexpr UINT kHotKeyLeft = WM_APP + 0x4B3;

// Keys the keyboard sends with the extended flag: without HOTKEYF_EXT the
// control names them as their numeric-keypad twins (Home as "Num 7").
bool isExtendedKey(unsigned vk) {
    switch (vk) {
        case VK_PRIOR:
        case VK_NEXT:
        case VK_END:
        case VK_HOME:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
        case VK_INSERT:
        case VK_DELETE:
        case VK_DIVIDE:
        case VK_NUMLOCK:
        case VK_SNAPSHOT:
        case VK_CANCEL: return true;
        default: return false;
    }
}
}  // namespace

void HotKeyEdit::created() {
    // No rules for the control: it would turn a key alone into Ctrl+key
    // unseen. The refusal is the presenter's, with its message.
    cc::setWindowSubclass(hwnd_, &HotKeyEdit::subclassProc, kHotKeySubclassId,
                          reinterpret_cast<DWORD_PTR>(this));
}

HotKeyEdit::~HotKeyEdit() {
    if (hwnd_) cc::removeWindowSubclass(hwnd_, &HotKeyEdit::subclassProc, kHotKeySubclassId);
}

LRESULT CALLBACK HotKeyEdit::subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR data) {
    auto* self = reinterpret_cast<HotKeyEdit*>(data);
    if (msg == WM_KILLFOCUS && self->form_) {
        const auto to = reinterpret_cast<HWND>(wp);
        const Button* cancel = self->form_->cancelButton();
        // Posted: a box must not open while the focus is still moving.
        if (to && IsChild(self->form_->hwnd(), to) && !(cancel && cancel->hwnd() == to))
            PostMessageW(hwnd, kHotKeyLeft, 0, 0);
    } else if (msg == kHotKeyLeft) {
        if (self->onLeave && self->form_) self->form_->system().guard.run([&] { self->onLeave(); });
        return 0;
    }
    return cc::defSubclassProc(hwnd, msg, wp, lp);
}

void HotKeyEdit::setValue(std::uint16_t shortcut) {
    const unsigned vk = shortcut & 0xFF;
    unsigned mods = isExtendedKey(vk) ? HOTKEYF_EXT : 0;
    if (shortcut & 0x2000) mods |= HOTKEYF_SHIFT;
    if (shortcut & 0x4000) mods |= HOTKEYF_CONTROL;
    if (shortcut & 0x8000) mods |= HOTKEYF_ALT;
    SendMessageW(hwnd_, HKM_SETHOTKEY, (shortcut & 0x1FFF) < 256 ? MAKEWORD(vk, mods) : 0, 0);
}

// ---- StatusBar ----

void StatusBar::relayout() {
    SendMessageW(hwnd_, WM_SIZE, 0, 0);
}

// ---- ListView ----

void ListView::created() {
    SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

void ListView::setColumns(const std::vector<Column>& columns) {
    columns_ = columns;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::wstring caption = os::win32::widen(columns[i].caption);
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.pszText = caption.data();
        c.cx = form_ ? form_->scale(columns[i].width96) : columns[i].width96;
        SendMessageW(hwnd_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&c));
    }
}

void ListView::setSmallImages(const std::vector<const char*>& iconResources) {
    // Loaded when the list first shows (a few milliseconds a start need not pay).
    iconResources_ = iconResources;
    imagesLoaded_ = false;
    if (form_ && form_->visible()) formShowing();
}

void ListView::formShowing() {
    if (!imagesLoaded_ && !iconResources_.empty()) loadSmallImages();
    imagesLoaded_ = true;
}

void ListView::rescaled() {
    // Column widths and images are pixels the list keeps: they follow the DPI here.
    for (std::size_t i = 0; i < columns_.size(); ++i)
        SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, i,
                     form_ ? form_->scale(columns_[i].width96) : columns_[i].width96);
    if (imagesLoaded_ && !iconResources_.empty()) loadSmallImages();
}

void ListView::loadSmallImages() {
    const std::vector<const char*>& iconResources = iconResources_;
    const int size = form_ ? form_->scale(16) : 16;
    // The list view destroys its image list with itself (no LVS_SHAREIMAGELISTS).
    HIMAGELIST images =
        cc::imageListCreate(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(iconResources.size()), 0);
    for (const char* name : iconResources) {
        os::win32::UniqueIcon icon(
            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), os::win32::widen(name).c_str(),
                                          IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
        cc::imageListAddIcon(images, icon.get());
    }
    HIMAGELIST old = reinterpret_cast<HIMAGELIST>(
        SendMessageW(hwnd_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images)));
    if (old) cc::imageListDestroy(old);
}

void ListView::showCheckBoxes() {
    checkBoxes_ = true;
    SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
}

void ListView::setChecked(int row, bool checked) {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    const bool was = filling_;
    filling_ = true;
    SendMessageW(hwnd_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    filling_ = was;
}

bool ListView::checked(int row) const {
    const auto state = SendMessageW(hwnd_, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void ListView::addRow(const Row& row) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | (row.image >= 0 ? LVIF_IMAGE : 0);
    item.iItem = rowCount();
    item.iImage = row.image;
    std::wstring caption = row.texts.empty() ? std::wstring() : os::win32::widen(row.texts[0]);
    item.pszText = caption.data();
    const int at = static_cast<int>(SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (std::size_t sub = 1; sub < row.texts.size(); ++sub) {
        std::wstring text = os::win32::widen(row.texts[sub]);
        LVITEMW s{};
        s.iSubItem = static_cast<int>(sub);
        s.pszText = text.data();
        SendMessageW(hwnd_, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&s));
    }
    if (at >= 0) {
        if (checkBoxes_) setChecked(at, row.checked);
        const std::size_t pos = std::min(dimmed_.size(), static_cast<std::size_t>(at));
        dimmed_.insert(dimmed_.begin() + static_cast<std::ptrdiff_t>(pos), row.dimmed);
    }
}

void ListView::removeRow(int row) {
    SendMessageW(hwnd_, LVM_DELETEITEM, row, 0);
    if (row >= 0 && static_cast<std::size_t>(row) < dimmed_.size()) dimmed_.erase(dimmed_.begin() + row);
}

void ListView::setRows(const std::vector<Row>& rows) {
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0);
    dimmed_.clear();
    for (const Row& row : rows) addRow(row);
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

int ListView::rowCount() const {
    return static_cast<int>(SendMessageW(hwnd_, LVM_GETITEMCOUNT, 0, 0));
}

std::string ListView::rowText(int row, int column) const {
    wchar_t buffer[1024] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = static_cast<int>(std::size(buffer));
    SendMessageW(hwnd_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return os::win32::narrow(buffer);
}

void ListView::setRowText(int row, int column, const std::string& text) {
    std::wstring wide = os::win32::widen(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(hwnd_, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

std::vector<int> ListView::selectedRows() const {
    std::vector<int> rows;
    for (int row = -1; (row = static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                            LVNI_SELECTED))) >= 0;)
        rows.push_back(row);
    return rows;
}

int ListView::selectedRow() const {
    return static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

int ListView::focusedRow() const {
    return static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void ListView::selectRow(int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(hwnd_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

POINT ListView::menuPoint() const {
    POINT at{0, 0};
    RECT r{};
    r.left = LVIR_LABEL;
    if (const int row = selectedRow();
        row >= 0 && SendMessageW(hwnd_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r))) {
        at = {r.left + (r.bottom - r.top) / 2, r.bottom};
    }
    ClientToScreen(hwnd_, &at);
    return at;
}

LRESULT ListView::notify(NMHDR* hdr) {
    switch (hdr->code) {
        case NM_CLICK:
            if (onClick) onClick();
            break;
        case NM_DBLCLK:
            if (onDoubleClick) onDoubleClick();
            break;
        case LVN_ITEMCHANGED: {
            const auto* change = reinterpret_cast<NMLISTVIEW*>(hdr);
            if (onSelect && (change->uChanged & LVIF_STATE) &&
                ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) &&
                (change->uNewState & LVIS_SELECTED))
                form_->system().guard.run([&] { onSelect(); });
            // A change of the state image is a tick; the first state image is
            // set as the row is inserted.
            if (!checkBoxes_ || filling_ || !onCheck || !(change->uChanged & LVIF_STATE) ||
                ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) == 0 ||
                (change->uOldState & LVIS_STATEIMAGEMASK) == 0)
                break;
            const bool checked = ((change->uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2;
            form_->system().guard.run([&] { onCheck(change->iItem, checked); });
            break;
        }
        case NM_CUSTOMDRAW: {
            auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
            if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
            if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
                const auto row = static_cast<std::size_t>(draw->nmcd.dwItemSpec);
                if (row < dimmed_.size() && dimmed_[row]) draw->clrText = GetSysColor(COLOR_GRAYTEXT);
                if (brightSelection_ && SendMessageW(hwnd_, LVM_GETITEMSTATE, row, LVIS_SELECTED)) {
                    // The list's own grey for a selection without the focus gives way.
                    draw->nmcd.uItemState &= ~CDIS_SELECTED;
                    draw->clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
                    draw->clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
                }
            }
            return CDRF_DODEFAULT;
        }
        case NM_RCLICK:
            if (onRightClick) {
                POINT pt;
                GetCursorPos(&pt);
                // In the guard here, so that a failed handler still answers
                // "handled".
                form_->system().guard.run([&] { onRightClick(pt); });
                return 1;  // handled: no WM_CONTEXTMENU follows
            }
            break;
        default: break;
    }
    return 0;
}

// ---- drawing ----

void fillSolid(HDC dc, const RECT& r, COLORREF colour) {
    const os::win32::UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.get());
}

void fillBands(HDC dc, int count, const std::function<RECT(int)>& band,
               const std::function<COLORREF(int)>& colour) {
    for (int i = 0; i < count; ++i) fillSolid(dc, band(i), colour(i));
}

// ---- Form ----

Form::~Form() {
    if (modal_) endModal(0);
    if (window_) RemovePropW(window_.get(), os::win32::kFormProperty);
}

int Form::scale(int units) const {
    return MulDiv(units, static_cast<int>(dpi_), 96);
}

void Form::setCaption(const std::string& caption) {
    SetWindowTextW(hwnd(), os::win32::widen(caption).c_str());
}

void Form::show(bool activate) {
    if (activate) {
        ShowWindow(hwnd(), SW_SHOW);
        os::win32::forceForeground(hwnd());
    } else {
        ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    }
}

void Form::hide() {
    ShowWindow(hwnd(), SW_HIDE);
}
bool Form::visible() const {
    return IsWindowVisible(hwnd()) != FALSE;
}

void Form::centre(HWND onMonitorOf) {
    RECT r;
    GetWindowRect(hwnd(), &r);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromWindow(onMonitorOf ? onMonitorOf : hwnd(), MONITOR_DEFAULTTOPRIMARY), &mi);
    const RECT& w = mi.rcWork;
    const int width = r.right - r.left, height = r.bottom - r.top;
    SetWindowPos(hwnd(), nullptr, w.left + (w.right - w.left - width) / 2,
                 w.top + (w.bottom - w.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::setClientSize96(int width, int height) {
    RECT r{0, 0, scale(width), scale(height)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(hwnd(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(hwnd(), GWL_EXSTYLE)));
    SetWindowPos(hwnd(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::create(const char* className, const char* caption, DWORD style, DWORD exStyle, HWND owner,
                  UINT classStyle, ClassIcon icon) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::wstring wideClass = os::win32::widen(className);
    WNDCLASSW wc{};
    if (!GetClassInfoW(instance, wideClass.c_str(), &wc)) {
        wc.style = classStyle;
        wc.lpfnWndProc = &Form::proc;
        wc.hInstance = instance;
        if (icon == ClassIcon::Program) wc.hIcon = LoadIconW(instance, L"MAINICON");
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = wideClass.c_str();
        RegisterClassW(&wc);
    }
    window_.reset(CreateWindowExW(exStyle | WS_EX_CONTROLPARENT, wideClass.c_str(),
                                  os::win32::widen(caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, 100,
                                  100, owner, nullptr, instance, this));
    // The message pump routes dialog keys (Tab, Enter, Esc, accelerators) and
    // the key preview to windows that carry this property.
    SetPropW(hwnd(), os::win32::kFormProperty, reinterpret_cast<HANDLE>(1));
    dpi_ = dpiOf(hwnd());
    rescale();
}

Control& Form::add(const ControlRow& row) {
    // The list view's and the status bar's classes come with the library.
    cc::load();
    std::unique_ptr<Control> control = row.kind.make();
    Control& c = *control;
    c.id_ = nextId_++;
    c.role_ = row.role;
    c.form_ = this;
    c.rect_ = row.args.rect;
    c.bold_ = row.args.bold;
    const Rect96& r = row.args.rect;
    c.hwnd_ = CreateWindowExW(
        row.kind.exStyle | row.args.exStyle, row.kind.className, os::win32::widen(row.args.caption).c_str(),
        WS_CHILD | WS_VISIBLE | row.kind.style | row.args.style, scale(r.left), scale(r.top), scale(r.width),
        scale(r.height), hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id_)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(c.hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(c.bold_ ? boldFont_.get() : font_.get()),
                 FALSE);
    c.created();
    controls_.push_back(std::move(control));
    return c;
}

std::vector<Control*> Form::add(std::initializer_list<ControlRow> rows) {
    std::vector<Control*> added;
    added.reserve(rows.size());
    for (const ControlRow& row : rows) added.push_back(&add(row));
    return added;
}

void Form::rescale() {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(11, static_cast<int>(dpi_), 96);
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
    lf.lfWeight = FW_NORMAL;
    font_.reset(CreateFontIndirectW(&lf));
    lf.lfWeight = FW_BOLD;
    boldFont_.reset(CreateFontIndirectW(&lf));
    for (const auto& c : controls_) {
        c->place(c->rect_);
        SendMessageW(c->hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(c->bold_ ? boldFont_.get() : font_.get()),
                     TRUE);
        c->rescaled();
    }
}

void Form::restoreFocus() {
    // A control the form focused before it showed keeps the focus.
    if (HWND f = GetFocus(); f && IsChild(hwnd(), f) && IsWindowVisible(f)) return;
    HWND target = lastFocus_;
    if (!target || !IsWindow(target) || !IsChild(hwnd(), target) || !IsWindowVisible(target) ||
        !IsWindowEnabled(target))
        target = GetNextDlgTabItem(hwnd(), nullptr, FALSE);
    SetFocus(target ? target : hwnd());
}

void Form::setDefaultButton(Button* b) {
    if (default_) default_->setDefault(false);
    default_ = b;
    if (default_) default_->setDefault(true);
}

std::vector<RadioButton*> Form::radioGroup(const RadioButton& radio) const {
    std::vector<RadioButton*> group;
    bool inGroup = false;
    for (const auto& c : controls_) {
        const bool starts = (GetWindowLongPtrW(c->hwnd_, GWL_STYLE) & WS_GROUP) != 0;
        if (starts && inGroup) break;
        if (starts) group.clear();
        if (auto* r = dynamic_cast<RadioButton*>(c.get())) group.push_back(r);
        if (c.get() == &radio) inGroup = true;
    }
    return group;
}

void Form::syncRadioTabStops(const RadioButton& radio) const {
    const std::vector<RadioButton*> group = radioGroup(radio);
    const bool anyChecked =
        std::any_of(group.begin(), group.end(), [](RadioButton* r) { return r->checked(); });
    for (RadioButton* r : group) {
        const bool stop = anyChecked ? r->checked() : r == group.front();
        const LONG_PTR style = GetWindowLongPtrW(r->hwnd(), GWL_STYLE);
        SetWindowLongPtrW(r->hwnd(), GWL_STYLE,
                          stop ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP));
    }
}

Control* Form::byRole(int role) const {
    for (const auto& c : controls_)
        if (c->role_ == role) return c.get();
    return nullptr;
}

Control* Form::byId(int id) const {
    for (const auto& c : controls_)
        if (c->id_ == id) return c.get();
    return nullptr;
}

namespace {

struct ModalScope {
    HWND form;
    HWND owner;
    std::vector<HWND> disabled;
};

BOOL CALLBACK disableForModal(HWND window, LPARAM lp) {
    auto& scope = *reinterpret_cast<ModalScope*>(lp);
    if (window != scope.form && IsWindowEnabled(window) &&
        (IsWindowVisible(window) || window == scope.owner)) {
        EnableWindow(window, FALSE);
        scope.disabled.push_back(window);
    }
    return TRUE;
}

}  // namespace

int Form::showModal(ModalReach reach) {
    HWND owner = GetWindow(hwnd(), GW_OWNER);
    ModalScope scope{hwnd(), owner, {}};
    if (reach == ModalReach::Program) {
        // Every window of the program that takes input now is shut off, not
        // the owner alone: a window another modal one already holds (the
        // properties dialog under the editor it opened) must not take clicks
        // either.
        EnumThreadWindows(GetCurrentThreadId(), &disableForModal, reinterpret_cast<LPARAM>(&scope));
    } else if (owner && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        scope.disabled.push_back(owner);
    }
    modal_ = true;
    modalResult_ = 0;
    // A dialog opens where its owner is: on another monitor (or none left) it
    // comes centred onto the owner's.
    if (owner && IsWindowVisible(owner) &&
        MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONULL) !=
            MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST))
        centre(owner);
    show(true);
    while (modal_ && !system_.pump.quitRequested()) system_.pump.waitUntil(system_.pump.now() + 60000);
    modal_ = false;
    for (HWND window : scope.disabled)
        if (IsWindow(window)) EnableWindow(window, TRUE);
    // Activate the owner before hiding, so the focus does not go to another program.
    if (owner && IsWindowVisible(owner)) SetActiveWindow(owner);
    hide();
    return modalResult_;
}

void Form::endModal(int result) {
    modalResult_ = result;
    if (modal_) {
        modal_ = false;
        PostMessageW(hwnd(), WM_NULL, 0, 0);  // the waiting loop returns and sees it
    }
}

LRESULT Form::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND: {
            const int id = LOWORD(wp);
            if (lp == 0 && HIWORD(wp) <= 1) {
                // Enter and Esc from the dialog manager.
                if (id == IDOK && default_ && default_->enabled()) {
                    default_->click();
                    return 0;
                }
                if (id == IDCANCEL) {
                    if (cancel_) {
                        if (cancel_->enabled()) cancel_->click();
                    } else if (modal_ || onClose) {
                        SendMessageW(hwnd(), WM_CLOSE, 0, 0);
                    }
                    return 0;
                }
            }
            if (Control* c = byId(id); c && reinterpret_cast<HWND>(lp) == c->hwnd_) c->command(HIWORD(wp));
            return 0;
        }
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (Control* c = byId(static_cast<int>(hdr->idFrom)); c && hdr->hwndFrom == c->hwnd_)
                return c->notify(hdr);
            break;
        }
        case DM_GETDEFID: return default_ ? MAKELRESULT(default_->id(), DC_HASDEFID) : 0;
        case WM_NEXTDLGCTL: {
            // A multi-line edit takes Tab and Enter itself and asks its parent
            // to move the focus, as it would ask a dialog.
            HWND next =
                LOWORD(lp) ? reinterpret_cast<HWND>(wp) : GetNextDlgTabItem(hwnd(), GetFocus(), wp != 0);
            if (next) SetFocus(next);
            return 0;
        }
        case os::win32::kFormKeyPreview:
            if (wp == WM_KEYUP && onKeyUp) {
                onKeyUp(static_cast<WPARAM>(lp));
                return 0;
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                if (HWND f = GetFocus(); f && IsChild(hwnd(), f)) lastFocus_ = f;
                return 0;
            }
            if (!HIWORD(wp)) {  // not minimised
                restoreFocus();
                return 0;
            }
            break;
        case WM_SHOWWINDOW:
            if (wp)
                for (const auto& c : controls_) c->formShowing();
            break;
        case WM_SIZE:
            for (const auto& c : controls_)
                if (auto* bar = dynamic_cast<StatusBar*>(c.get())) bar->relayout();
            if (onResize) onResize(LOWORD(lp), HIWORD(lp));
            return 0;
        case WM_CLOSE:
            if (onClose)
                onClose();
            else if (modal_)
                endModal(0);
            else
                hide();  // closing a form only hides it
            return 0;
        case 0x02E0: {  // WM_DPICHANGED
            dpi_ = HIWORD(wp);
            const RECT* r = reinterpret_cast<const RECT*>(lp);
            SetWindowPos(hwnd(), nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            rescale();
            return 0;
        }
        default: break;
    }
    return DefWindowProcW(hwnd(), msg, wp, lp);
}

LRESULT CALLBACK Form::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || self->window_.get() != hwnd) return DefWindowProcW(hwnd, msg, wp, lp);
    // No exception may leave a window procedure: what a handler lets out
    // ends here, as the guard ends it.
    LRESULT result = 0;
    self->system_.guard.run([&] { result = self->handle(msg, wp, lp); });
    return result;
}

}  // namespace kv::ui::win32
