#pragma once
// The macro properties dialog "Macro Properties": a thin form over the
// portable PropertiesPresenter. Created once at start-up, hidden, and shown
// modally for one macro at a time.

#include <memory>

#include "authoring/properties.hpp"
#include "ui/win32/controls.hpp"

namespace kv::authoring::win32 {

class PropertiesForm : public ui::win32::Form, private PropertiesView {
public:
    PropertiesForm(os::System& sys, journal::Journal& journal, playback::RunState& state,
                   PropertiesHost& host, HWND owner);
    ~PropertiesForm() override;

    // Shows the dialog modally for the macro in the slot; returns when it closes.
    void showFor(int slot);
    // Shift+Ctrl+F12 during the dialog's own recording.
    void stopRecordingByHotKey();
    // A mouse-and-keyboard recording has been started from the dialog in this run.
    bool mouseRecording() const { return presenter_.mouseRecording(); }
    PropertiesPresenter& presenter() { return presenter_; }

protected:
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void setLayout(const PropertiesLayout& layout) override;
    void setName(const std::string& text) override;
    std::string name() override;
    void setFileName(const std::string& text) override;
    std::string fileName() override;
    void setHighSpeed(bool on) override;
    bool highSpeed() override;
    void setHotKey(std::uint16_t shortcut) override;
    std::uint16_t hotKey() override;
    void setTrigger(const std::string& text) override;
    void setScope(const std::string& onlyIn, const std::string& notIn, bool enabled) override;
    std::string onlyIn() override;
    std::string notIn() override;
    bool macroEnabled() override;
    void setAbbreviation(const std::string& text, bool immediate) override;
    std::string abbreviation() override;
    bool immediate() override;
    std::string trigger() override;
    void setArrival(const ArrivalChoice& choice) override;
    ArrivalChoice arrival() override;
    void clearScratch() override;
    void enable(PropertiesButton b, bool on) override;
    void focus(PropertiesFocus f) override;
    void showDialog(bool on) override;
    void bringToFront() override;
    void close() override;

    struct Controls;
    PropertiesPresenter presenter_;
    std::unique_ptr<Controls> c_;
};

}  // namespace kv::authoring::win32
