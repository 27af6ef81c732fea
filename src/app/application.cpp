#include "app/application.hpp"

#include <exception>

#include "store/store.hpp"

namespace kv::app {

Application::Application(os::System& sys, journal::Journal& journal)
    : sys_(sys),
      journal_(journal),
      dispatcher_(sys, state_, journal),
      hotKeys_(sys.hotKeys, [this](int slot) { guarded([&] { dispatcher_.hotKeyPressed(slot); }); }) {
    journal_.onFinished = [this](bool) { dispatcher_.recorderFinished(); };
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
