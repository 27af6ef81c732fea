#pragma once
// The small control layer every form of the program is built from: a form
// (a top-level window whose messages go to a virtual handler, which reflects
// WM_COMMAND and WM_NOTIFY to the control that sent them), one thin wrapper
// per kind of control, each created from a table row whose rectangle is in
// 96-dpi units and scaled for the form's monitor, and a modal loop.
//
// Forms hold no decisions: they forward events to a portable presenter and
// show what it says.

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "os/os.hpp"
#include "os/win32/handles.hpp"

namespace kv::ui::win32 {

// A rectangle in 96-dpi units.
struct Rect96 {
    int left = 0, top = 0, width = 0, height = 0;
};

class Form;

// The base of every control: a child window owned by its form.
class Control {
public:
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND hwnd() const { return hwnd_; }
    int id() const { return id_; }
    void setText(const std::string& text);
    std::string text() const;
    void enable(bool on);
    bool enabled() const;
    void show(bool on);
    bool visible() const;
    void focus();
    // Moves the control to a rectangle in 96-dpi units of its form.
    void place(const Rect96& r);
    const Rect96& rect96() const { return rect_; }

protected:
    Control() = default;
    friend class Form;
    // The window has been made; a kind sets up what its styles cannot say.
    virtual void created() {}
    // The form's DPI changed: a kind scales what its rectangle does not hold.
    virtual void rescaled() {}
    // Its form is about to show: what only a visible control needs is made
    // here, not at start-up, where the windows stay hidden.
    virtual void formShowing() {}
    // WM_COMMAND notification code sent by this control.
    virtual void command(WORD /*code*/) {}
    // WM_NOTIFY from this control; the result goes back to the sender.
    virtual LRESULT notify(NMHDR* /*hdr*/) { return 0; }

    HWND hwnd_ = nullptr;
    int id_ = 0;
    int role_ = 0;
    Rect96 rect_;
    bool bold_ = false;
    Form* form_ = nullptr;
};

// A control's caption, rectangle and styles.
struct ControlArgs {
    const char* caption = "";
    Rect96 rect;
    DWORD style = 0;  // added to WS_CHILD | WS_VISIBLE and the kind's own styles
    DWORD exStyle = 0;
    bool bold = false;  // drawn in the bold variant of the form's font
};

// A kind of control: its window class, the styles every control of the kind
// has, and the wrapper it is made as.
struct ControlKind {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
    std::unique_ptr<Control> (*make)();
};

template <typename T>
std::unique_ptr<Control> makeControl() {
    return std::make_unique<T>();
}

// One row of a form's control table: the kind, the form's own name for the
// control (its role, by which the form finds it; 0 when it needs none) and
// the control's caption, rectangle at 96 dpi and styles.
struct ControlRow {
    const ControlKind& kind;
    int role;
    ControlArgs args;
};

class Label : public Control {};

class Button : public Control {
public:
    std::function<void()> onClick;
    // The form's default button (Enter) is drawn as such.
    void setDefault(bool on);
    void click() { command(BN_CLICKED); }

protected:
    void command(WORD code) override;
};

class CheckBox : public Button {
public:
    bool checked() const;
    void setChecked(bool on);
};

// Radio buttons: the first of a group is created with WS_GROUP, and the
// group runs to the next control that has WS_GROUP. A group is one tab stop,
// its checked button, and the arrow keys move the choice within it.
class RadioButton : public CheckBox {
public:
    ~RadioButton() override;
    void setChecked(bool on);

protected:
    void created() override;
    void command(WORD code) override;

private:
    static LRESULT CALLBACK subclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
};

class Edit : public Control {
public:
    std::function<void()> onChange;
    void setLimit(unsigned maxChars);
    void setReadOnly(bool on);
    // The selection as character offsets; start == end is the caret.
    std::pair<int, int> selection() const;
    void setSelection(int start, int end);
    // Replaces the selection (or inserts at the caret) with text, as one undo
    // step; the caret ends after it. The clipboard is not used.
    void replaceSelection(const std::string& text);

protected:
    void command(WORD code) override;
};

// A multi-line area that keys are typed and replayed into: Enter is a line
// break and Esc a character of its text, so neither reaches the form's
// buttons (a plain multi-line edit in a form presses the default button on
// Enter and closes the form on Esc).
class ScratchArea : public Edit {
public:
    ~ScratchArea() override;

protected:
    void created() override;

private:
    static LRESULT CALLBACK subclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
};

// A drop-down list of fixed items.
class ComboBox : public Control {
public:
    std::function<void()> onChange;
    void setItems(const std::vector<std::string>& items);
    int selectedIndex() const;
    void select(int index);

protected:
    void command(WORD code) override;
};

// The system's hot-key control; values are TShortCut words (virtual key in
// bits 0-12, Shift 0x2000, Ctrl 0x4000, Alt 0x8000). It shows what was typed,
// whatever the modifiers: the form's presenter refuses what it must.
class HotKeyEdit : public Control {
public:
    ~HotKeyEdit() override;
    std::uint16_t value() const;
    void setValue(std::uint16_t shortcut);
    // The focus went to another control of the form, not its cancel button;
    // raised once the move is over.
    std::function<void()> onLeave;

protected:
    void created() override;

private:
    static LRESULT CALLBACK subclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
};

class StatusBar : public Control {
public:
    // Keeps itself at the bottom of the form when the form is resized.
    void relayout();
};

class ListView : public Control {
public:
    struct Column {
        const char* caption;
        int width96;
    };
    struct Row {
        std::vector<std::string> texts;  // caption, then sub-items
        int image = -1;
        bool checked = true;  // the check box, where the list shows them
        bool dimmed = false;  // drawn in the grey of disabled text
    };
    // A check box in front of each row; onCheck tells of the user's ticks.
    void showCheckBoxes();
    void setColumns(const std::vector<Column>& columns);
    // A small-image list (16 x 16 at 96 dpi) from icon resources, by name.
    void setSmallImages(const std::vector<const char*>& iconResources);
    void setRows(const std::vector<Row>& rows);
    void addRow(const Row& row);
    void removeRow(int row);
    int rowCount() const;
    std::string rowText(int row, int column) const;
    int selectedRow() const;  // -1 when none
    int focusedRow() const;   // -1 when none
    void selectRow(int row);
    // Every selected row, in list order (a list of the multiple kind).
    std::vector<int> selectedRows() const;
    void setRowText(int row, int column, const std::string& text);
    bool checked(int row) const;
    // A tick set here is no tick of the user's: onCheck is not told.
    void setChecked(int row, bool checked);
    // The selected row drawn in the selection colours even while another
    // control has the focus (a search field that moves the selection).
    void setSelectionAlwaysBright() { brightSelection_ = true; }
    // Where a menu opened from the keyboard goes, in screen coordinates:
    // under the selected row, or at the list's corner when none is.
    POINT menuPoint() const;

    std::function<void()> onClick;
    std::function<void()> onDoubleClick;
    // A right click, with the cursor's screen position; it takes the place
    // of the list's WM_CONTEXTMENU for the click.
    std::function<void(POINT)> onRightClick;
    // The user ticked or unticked the row's check box.
    std::function<void(int row, bool checked)> onCheck;
    // The selected row changed (by click or key).
    std::function<void()> onSelect;

protected:
    void created() override;
    void rescaled() override;
    void formShowing() override;
    LRESULT notify(NMHDR* hdr) override;

private:
    void loadSmallImages();
    std::vector<Column> columns_;
    std::vector<bool> dimmed_;
    bool checkBoxes_ = false;
    bool brightSelection_ = false;
    // Check states set by the program are no tick of the user's.
    bool filling_ = false;
    std::vector<const char*> iconResources_;
    bool imagesLoaded_ = false;
};

// Fills a rectangle with one colour.
void fillSolid(HDC dc, const RECT& r, COLORREF colour);
// A gradient drawn as count bands of one colour each, band i at band(i) in
// colour(i): the manager's banner and the wizard's picture strip.
void fillBands(HDC dc, int count, const std::function<RECT(int)>& band,
               const std::function<COLORREF(int)>& colour);

// The kinds the forms are built from.
inline constexpr ControlKind kLabel{L"STATIC", 0, 0, &makeControl<Label>};
inline constexpr ControlKind kGroupBox{L"BUTTON", BS_GROUPBOX, 0, &makeControl<Label>};
inline constexpr ControlKind kIcon{L"STATIC", SS_ICON | SS_CENTERIMAGE, 0, &makeControl<Label>};
inline constexpr ControlKind kButton{L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, &makeControl<Button>};
inline constexpr ControlKind kCheckBox{L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0, &makeControl<CheckBox>};
inline constexpr ControlKind kRadio{L"BUTTON", WS_TABSTOP | BS_AUTORADIOBUTTON, 0, &makeControl<RadioButton>};
inline constexpr ControlKind kEdit{L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                                   &makeControl<Edit>};
inline constexpr ControlKind kMemo{L"EDIT", WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL,
                                   WS_EX_CLIENTEDGE, &makeControl<Edit>};
inline constexpr ControlKind kScratchArea{
    L"EDIT", WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL, WS_EX_CLIENTEDGE,
    &makeControl<ScratchArea>};
inline constexpr ControlKind kComboBox{L"COMBOBOX", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 0,
                                       &makeControl<ComboBox>};
inline constexpr ControlKind kHotKey{HOTKEY_CLASSW, WS_TABSTOP, 0, &makeControl<HotKeyEdit>};
inline constexpr ControlKind kListView{WC_LISTVIEWW,
                                       WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                                       WS_EX_CLIENTEDGE, &makeControl<ListView>};
// The same with several rows selectable at once.
inline constexpr ControlKind kMultiListView{WC_LISTVIEWW, WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS,
                                            WS_EX_CLIENTEDGE, &makeControl<ListView>};
inline constexpr ControlKind kStatusBar{STATUSCLASSNAMEW, SBARS_SIZEGRIP, 0, &makeControl<StatusBar>};

// Whether a form's window class carries the program's icon.
enum class ClassIcon { Program, None };

// What a modal form shuts off while it is open: every window of the program
// that takes input, or its owner alone (a running macro's prompt, beside
// which the program's other windows stay live).
enum class ModalReach { Program, Owner };

// A top-level window built from a control table.
class Form {
public:
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND hwnd() const { return window_.get(); }
    // 96-dpi units to this form's pixels.
    int scale(int units) const;
    void setCaption(const std::string& caption);
    void show(bool activate = true);
    void hide();
    bool visible() const;
    // Centres the form in the work area of its monitor (or of that window's).
    void centre(HWND onMonitorOf = nullptr);
    // Client area in 96-dpi units.
    void setClientSize96(int width, int height);

    // Adds the control a row describes; the form owns it. Controls take
    // the tab order (and the ids) of the order they are added in.
    Control& add(const ControlRow& row);
    // Adds a table's rows in order; the controls come back by row.
    std::vector<Control*> add(std::initializer_list<ControlRow> rows);
    // The control added with the role, or null.
    Control* byRole(int role) const;
    // The control added with the role, which the form has.
    template <typename T = Control>
    T& control(int role) const {
        return dynamic_cast<T&>(*byRole(role));
    }

    // The radio buttons of the radio's group, in order.
    std::vector<RadioButton*> radioGroup(const RadioButton& radio) const;
    // Only the checked button of the radio's group (the first when none
    // is) is a tab stop.
    void syncRadioTabStops(const RadioButton& radio) const;

    // The button Enter presses and the one Esc presses (either may be null).
    void setDefaultButton(Button* b);
    void setCancelButton(Button* b) { cancel_ = b; }
    Button* cancelButton() const { return cancel_; }

    // Shows the form modally: its owner and, unless reach says otherwise,
    // the program's other top-level windows are disabled, and messages are
    // pumped until endModal. Returns the value given to endModal.
    int showModal(ModalReach reach = ModalReach::Program);
    void endModal(int result);
    bool inModalLoop() const { return modal_; }

    // Keys the form sees before its controls (F1 and the like).
    std::function<void(WPARAM key)> onKeyUp;
    // The close box or Alt+F4; the default hides the form.
    std::function<void()> onClose;
    // The client area changed size (in pixels).
    std::function<void(int width, int height)> onResize;

    // The services the form works with: the pump modal forms wait in, and
    // the guard every message of the form and its controls runs in.
    os::System& system() const { return system_; }

protected:
    explicit Form(os::System& system) : system_(system) {}
    // Creates the window: a dialog-like frame unless style says otherwise.
    void create(const char* className, const char* caption, DWORD style, DWORD exStyle, HWND owner,
                UINT classStyle = 0, ClassIcon icon = ClassIcon::Program);
    virtual LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    HFONT font() const { return font_.get(); }

private:
    void rescale();
    // Gives the focus back to the control that had it when the form was
    // last deactivated, else to the first tab stop.
    void restoreFocus();
    Control* byId(int id) const;
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);

    os::win32::UniqueWindow window_;
    std::vector<std::unique_ptr<Control>> controls_;
    os::win32::UniqueFont font_;
    os::win32::UniqueFont boldFont_;
    UINT dpi_ = 96;
    int nextId_ = 100;
    Button* default_ = nullptr;
    Button* cancel_ = nullptr;
    HWND lastFocus_ = nullptr;
    bool modal_ = false;
    int modalResult_ = 0;
    os::System& system_;
};

}  // namespace kv::ui::win32
