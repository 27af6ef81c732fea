#pragma once
// The hint window: a read-only text in the tool-tip colours, the "Show hints"
// box and OK. Created once and hidden between uses; the box keeps its state.

#include "authoring/hints.hpp"
#include "ui/win32/controls.hpp"

namespace kv::authoring::win32 {

class HintForm : public ui::win32::Form, public HintView {
public:
    HintForm(os::System& sys, Hints& hints, HWND owner);
    void showModal(const std::string& text) override;
    void tickShowHints() override { showHints_->setChecked(true); }

protected:
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    Hints& hints_;
    ui::win32::Edit* text_ = nullptr;
    ui::win32::CheckBox* showHints_ = nullptr;
    ui::win32::Button* ok_ = nullptr;
};

}  // namespace kv::authoring::win32
