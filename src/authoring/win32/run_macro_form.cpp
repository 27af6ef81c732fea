#include "authoring/win32/run_macro_form.hpp"

#include "os/win32/win32_os.hpp"

namespace kv::authoring::win32 {

RunMacroForm::RunMacroForm(os::System& sys, RunRequests& runs, HWND owner)
    : Form(sys), presenter_(sys, runs, *this) {
    create("TfrmRunMacro", kRunMacroCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_TOPMOST, owner);
    setClientSize96(440, 292);
    using namespace ui::win32;
    enum Role { kSearch = 1, kList };
    add({
        {kEdit, kSearch, {"", {8, 8, 424, 23}}},
        {kListView, kList, {"", {8, 38, 424, 246}}},
    });
    search_ = &control<Edit>(kSearch);
    list_ = &control<ListView>(kList);
    list_->setSelectionAlwaysBright();
    list_->setColumns({{"Macro Name", 230}, {"Shortcut Keys", 105}, {"Abbreviation", 80}});
    list_->setSmallImages({"LVAPP", "LVKEYS", "LVMOUSE"});
    search_->onChange = [this] { presenter_.typed(search_->text()); };
    list_->onSelect = [this] {
        if (!selecting_) presenter_.select(list_->selectedRow());
    };
    list_->onDoubleClick = [this] {
        presenter_.select(list_->selectedRow());
        presenter_.run();
    };
    onClose = [this] { presenter_.cancel(); };
}

void RunMacroForm::open() {
    const os::WindowHandle inFront = system().windows.foreground();
    search_->setText("");
    presenter_.open(runMacroItems(system()), inFront);
    centre(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(inFront)));
    show(true);
    SetForegroundWindow(hwnd());
    search_->focus();
}

void RunMacroForm::showRows(const std::vector<const RunMacroItem*>& rows) {
    std::vector<ui::win32::ListView::Row> shown;
    shown.reserve(rows.size());
    for (const RunMacroItem* r : rows) shown.push_back({{r->name, r->hotKey, r->abbreviation}, r->image});
    list_->setRows(shown);
}

void RunMacroForm::selectRow(int row) {
    selecting_ = true;
    if (row >= 0) {
        list_->selectRow(row);
        SendMessageW(list_->hwnd(), LVM_ENSUREVISIBLE, row, FALSE);
    }
    selecting_ = false;
}

LRESULT RunMacroForm::handle(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == os::win32::kFormKeyPreview) {
        const auto key = static_cast<WPARAM>(lp);
        const bool down = wp == WM_KEYDOWN;
        switch (key) {
            case VK_UP:
            case VK_DOWN:
                if (down) presenter_.move(key == VK_UP ? -1 : 1);
                return 1;
            case VK_PRIOR:
            case VK_NEXT:
                if (down) presenter_.move(key == VK_PRIOR ? -10 : 10);
                return 1;
            // Enter runs on its release, so that the release does not reach
            // the window the macro types into.
            case VK_RETURN:
                if (!down) presenter_.run();
                return 1;
            case VK_ESCAPE:
                if (down) presenter_.cancel();
                return 1;
            default: break;
        }
    }
    // Like a launcher's box, it goes away when another window is chosen.
    if (msg == WM_ACTIVATE && LOWORD(wp) == WA_INACTIVE && visible()) hide();
    return Form::handle(msg, wp, lp);
}

}  // namespace kv::authoring::win32
