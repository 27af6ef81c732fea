#include "app/win32/program.hpp"

#include "app/help.hpp"
#include "manager/shortcuts.hpp"

namespace kv::app::win32 {

os::ShellFolder wizardShortcutFolder(int item) {
    using F = os::ShellFolder;
    static constexpr F folders[] = {F::Desktop, F::StartMenu, F::Programs,
                                    F::Startup, F::Favorites, F::Personal};
    return item >= 1 && item <= 6 ? folders[item - 1] : F::None;
}

Program::Authoring::Authoring(Program& p, HWND applicationWindow)
    : commandDialogs(p.os_.sys, applicationWindow),
      wizard(p.os_.sys, p.journal_, p.app_.state(), p, p.hints_, commandDialogs, p.manager_.get().hwnd()),
      hint(p.os_.sys, p.hints_, wizard.hwnd()),
      properties(p.os_.sys, p.journal_, p.app_.state(), p, p.manager_.get().hwnd()),
      importer(p.os_.sys, applicationWindow),
      runMacro(p.os_.sys, p.app_.dispatcher(), applicationWindow) {}

Program::Program(os::win32::Win32System& os, os::win32::Win32Instances& instances, HWND applicationWindow,
                 std::vector<std::string> arguments)
    : os_(os),
      arguments_(std::move(arguments)),
      journal_(os.sys),
      manager_(os.sys, shellLinks_, printing_, *this),
      view_(manager_, applicationWindow, *this),
      app_(os.sys, journal_, &view_, &shellLinks_, &instances, this),
      hints_(os.sys, *this, *this) {
    printing_.owner = applicationWindow;
    os.sys.guard.run([this] { app_.managerCreated(arguments_); });
    tray_.emplace(app_, applicationWindow);
    tray_->addIcon();
    view_.trayBuilt(*tray_);
    app_.trayCreated(arguments_);
    authoring_.emplace(*this, applicationWindow);
    app_.firstRunCheck();
}

int Program::run() {
    while (os_.pump.runOne()) {
    }
    return 0;
}

void Program::openWizard() {
    if (authoring_) authoring_->wizard.openNew();
}

void Program::openProperties(int slot) {
    if (authoring_) authoring_->properties.showFor(slot);
}

void Program::loadHotKeys() {
    os_.sys.guard.run([this] { app_.loadHotKeys(); });
}

void Program::openHelp() {
    openHelpTopic(os_.sys);
}

void Program::exportMacros(const std::vector<int>& slots) {
    authoring::exportMacros(os_.sys, slots);
}

void Program::importMacros() {
    if (!authoring_) return;
    const auto path = authoring::chooseMacroFile(os_.sys);
    if (!path) return;
    if (authoring_->importer.showFor(authoring::readMacroFileAt(os_.sys, *path), *path) > 0) loadHotKeys();
}

void Program::openRunMacro() {
    if (authoring_) authoring_->runMacro.open();
}

void Program::setRunMacroHotKey() {
    showRunMacroHotKeyBox(app_, manager_.get().hwnd());
}

void Program::createShortcut(int folder, int slot) {
    const os::ShellFolder f = wizardShortcutFolder(folder);
    if (f != os::ShellFolder::None) manager::createShortcut(os_.sys, shellLinks_, f, slot);
}

void Program::propertiesRecordingStopped() {
    if (authoring_) authoring_->properties.stopRecordingByHotKey();
}

void Program::showModal(const std::string& text) {
    if (authoring_) authoring_->hint.showModal(text);
}

void Program::tickShowHints() {
    if (authoring_) authoring_->hint.tickShowHints();
}

void Program::setStopHotKeyEnabled(bool on) {
    if (authoring_) authoring_->wizard.presenter().stopHotKey().setEnabled(on);
}

std::optional<std::string> Program::editScript(const authoring::ScriptEditRequest& request) {
    if (!authoring_) return std::nullopt;
    return authoring_->wizard.presenter().editScript(request);
}

void Program::replayEnded() {
    if (!authoring_) return;
    authoring_->wizard.presenter().recorderFinished();
    authoring_->properties.presenter().playbackFinished();
}

}  // namespace kv::app::win32
