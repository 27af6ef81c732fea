#pragma once
// The import window: the macros of a macro file with check boxes, what
// adding each would do, OK and Cancel.

#include <memory>
#include <string>
#include <vector>

#include "authoring/sharing.hpp"
#include "ui/win32/controls.hpp"

namespace kv::authoring::win32 {

class ImportForm : public ui::win32::Form, private ImportView {
public:
    ImportForm(os::System& sys, HWND owner);
    // Shows the file's macros modally; returns how many were added (0 for
    // Cancel).
    int showFor(std::vector<store::FileMacro> file, const std::string& path);

private:
    void showRows(const std::vector<ImportRow>& rows) override;
    void enableOk(bool on) override;

    std::unique_ptr<ImportPresenter> presenter_;
    ui::win32::ListView* list_ = nullptr;
    ui::win32::Label* caption_ = nullptr;
    ui::win32::Button* ok_ = nullptr;
    int added_ = 0;
};

}  // namespace kv::authoring::win32
