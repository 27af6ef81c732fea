#include "authoring/win32/import_form.hpp"

namespace kv::authoring::win32 {

ImportForm::ImportForm(os::System& sys, HWND owner) : Form(sys) {
    create("TfrmImport", "Import Macros", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, owner);
    setClientSize96(640, 300);
    using namespace ui::win32;
    enum Role { kCaption = 1, kList, kOk, kCancel };
    add({
        {kLabel, kCaption, {"", {8, 8, 624, 30}}},
        {kListView, kList, {"", {8, 40, 624, 218}}},
        {kButton, kOk, {"OK", {476, 268, 75, 23}}},
        {kButton, kCancel, {"Cancel", {557, 268, 75, 23}}},
    });
    caption_ = &control<Label>(kCaption);
    list_ = &control<ListView>(kList);
    list_->showCheckBoxes();
    list_->setColumns({{"Macro Name", 150}, {"What happens", 450}});
    list_->onCheck = [this](int row, bool on) { presenter_->setChecked(row, on); };
    ok_ = &control<Button>(kOk);
    auto& cancel = control<Button>(kCancel);
    ok_->onClick = [this] {
        added_ = presenter_->ok();
        endModal(IDOK);
    };
    cancel.onClick = [this] { endModal(IDCANCEL); };
    onClose = [this] { endModal(IDCANCEL); };
    setDefaultButton(ok_);
    setCancelButton(&cancel);
}

int ImportForm::showFor(std::vector<store::FileMacro> file, const std::string& path) {
    if (inModalLoop()) return 0;
    added_ = 0;
    caption_->setText("The macros of " + path +
                      ". The ticked ones are added at the end of the list when you choose OK.");
    presenter_ =
        std::make_unique<ImportPresenter>(system(), static_cast<ImportView&>(*this), std::move(file));
    if (HWND active = GetActiveWindow(); active && active != hwnd())
        SetWindowLongPtrW(hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(active));
    centre();
    show(true);
    // Above the window that had the focus, even when the tray opened it.
    SetForegroundWindow(hwnd());
    list_->focus();
    const int result = Form::showModal();
    hide();
    presenter_.reset();
    return result == IDOK ? added_ : 0;
}

void ImportForm::showRows(const std::vector<ImportRow>& rows) {
    const int count = static_cast<int>(rows.size());
    if (list_->rowCount() != count) {
        std::vector<ui::win32::ListView::Row> shown;
        for (const ImportRow& r : rows) shown.push_back({{r.name, r.outcome}, -1, r.checked});
        list_->setRows(shown);
        if (count) list_->selectRow(0);
    }
    // Texts change in place: a click on a check box keeps the list where it is.
    for (int i = 0; i < count; ++i) {
        if (list_->rowText(i, 1) != rows[i].outcome) list_->setRowText(i, 1, rows[i].outcome);
        if (list_->checked(i) != rows[i].checked) list_->setChecked(i, rows[i].checked);
    }
}

void ImportForm::enableOk(bool on) {
    ok_->enable(on);
}

}  // namespace kv::authoring::win32
