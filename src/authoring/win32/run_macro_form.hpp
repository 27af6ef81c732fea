#pragma once
// The Run Macro window: a search field over the list of macros that match
// it. Built once and hidden between uses.

#include "authoring/run_macro.hpp"
#include "ui/win32/controls.hpp"

namespace kv::authoring::win32 {

class RunMacroForm : public ui::win32::Form, private RunMacroView {
public:
    RunMacroForm(os::System& sys, RunRequests& runs, HWND owner);
    // Opens over the window in front with every macro of the store listed.
    void open();
    RunMacroPresenter& presenter() { return presenter_; }

protected:
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void showRows(const std::vector<const RunMacroItem*>& rows) override;
    void selectRow(int row) override;
    void close() override { hide(); }

    RunMacroPresenter presenter_;
    ui::win32::Edit* search_ = nullptr;
    ui::win32::ListView* list_ = nullptr;
    bool selecting_ = false;
};

}  // namespace kv::authoring::win32
