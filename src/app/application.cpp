#include "app/application.hpp"

#include <exception>

#include "store/store.hpp"

namespace kv::app {

Application::Application(os::System& sys, journal::Journal& journal)
    : sys_(sys),
      journal_(journal),
      dispatcher_(sys, state_, journal),
      sendKey_(sys.keyboard, sys.pump),
      interpreter_(sys, state_, sendKey_, {[this](int slot) { dispatcher_.processHotKey(slot); }, {}, {}}),
      hotKeys_(sys.hotKeys, [this](int slot) { guarded([&] { dispatcher_.hotKeyPressed(slot); }); }) {
    journal_.onFinished = [this](bool) { dispatcher_.recorderFinished(); };
    dispatcher_.setScriptRunner([this](const std::string& script) { interpreter_.sendKeys(script); });
}

void Application::start() { loadHotKeys(); }

void Application::loadHotKeys() { hotKeys_.loadHotKeys(store::Store(sys_.files, sys_.storePath)); }

void Application::guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        sys_.dialogs.errorBox(e.what());
    }
}

}  // namespace kv::app
