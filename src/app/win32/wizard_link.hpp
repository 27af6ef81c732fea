#pragma once
// The setup wizard's view of the rest of the program, over the manager
// window's list and the application object.

#include <windows.h>

#include "app/application.hpp"
#include "authoring/wizard_host.hpp"

namespace kv::app::win32 {

class WizardLink : public authoring::WizardHost {
public:
    explicit WizardLink(Application& app) : app_(app) {}
    // The manager window exists only after the wizard (start-up order).
    void setManager(HWND manager) { manager_ = manager; }

    std::vector<std::string> macroNames() override;
    void addListRow(int image, const std::string& caption, const std::string& hotKeyText) override;
    void showManager() override;
    void hideManager() override;
    void createShortcut(int folder, int slot) override;
    void loadHotKeys() override { app_.loadHotKeys(); }
    void setShowHintsTick(bool on) override { app_.setShowHints(on); }
    void propertiesRecordingStopped() override {
        if (onPropertiesRecordingStopped) onPropertiesRecordingStopped();
    }
    std::function<void()> onPropertiesRecordingStopped;

private:
    HWND list() const;
    Application& app_;
    HWND manager_ = nullptr;
};

}  // namespace kv::app::win32
