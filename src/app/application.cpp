#include "app/application.hpp"

#include <exception>

#include "app/help.hpp"
#include "store/macros.hpp"
#include "store/store.hpp"

namespace kv::app {

Application::Application(os::System& sys, journal::Journal& journal)
    : sys_(sys),
      journal_(journal),
      dispatcher_(sys, state_, journal),
      sendKey_(sys.keyboard, sys.pump),
      interpreter_(sys, state_, sendKey_,
                   {[this](int slot) { dispatcher_.processHotKey(slot); }, [this] { watcher_.pause(); },
                    [this] { watcher_.resume(); }}),
      hotKeys_(sys.hotKeys, [this](int slot) { guarded([&] { dispatcher_.hotKeyPressed(slot); }); }),
      watcher_(
          sys, [this](int slot) { dispatcher_.processHotKey(slot); },
          [this](const std::function<void()>& scan) { guarded(scan); }),
      commandLine_(sys, [this](int slot) { dispatcher_.processHotKey(slot); }) {
    journal_.onFinished = [this](bool) {
        dispatcher_.recorderFinished();
        for (const auto& observer : recorderObservers_) observer();
    };
    dispatcher_.setScriptRunner([this](const std::string& script) { interpreter_.sendKeys(script); });
    playbackTimer_ = sys_.pump.createTimer([this] { playbackTimerTick(); });
}

void Application::managerCreated() {
    loadHotKeys();
    watcher_.setUp();
}

void Application::loadHotKeys() {
    hotKeys_.loadHotKeys(store(), [this] {
        if (view_) view_->refillList();
    });
}

void Application::trayCreated(const std::vector<std::string>& arguments) {
    guarded([&] {
        sys_.pump.processMessages();
        showHints_ = store().readBool(store::kMain, "Show Hints", true);
        commandLine_.run(arguments);
        playbackTimer_->start(1000);
        openEnabled_ = true;
    });
}

void Application::firstRunCheck() {
    store::Store st = store();
    if (!st.readBool(store::kMain, "FirstRun", true)) return;
    if (view_) {
        const Rect r = view_->managerRect();
        view_->placeManager(centred(view_->screen(), r.width, r.height));
        view_->showManager(true);
    }
    guarded([&] { st.writeBool(store::kMain, "FirstRun", false); });
}

void Application::setPosition() {
    if (!view_) return;
    if (auto r = savedPlacement(store(), view_->screen())) {
        view_->placeManager(*r);
    } else {
        const Rect current = view_->managerRect();
        view_->placeManager(centred(view_->screen(), current.width, current.height));
    }
}

void Application::savePosition() {
    if (!view_) return;
    store::Store st = store();
    app::savePosition(st, view_->managerRect());
}

bool Application::commandEnabled(TrayCommand c) const {
    switch (c) {
        case TrayCommand::Open: return openEnabled_;
        default: return true;
    }
}

void Application::trayCommand(TrayCommand c) {
    if (!commandEnabled(c)) return;
    switch (c) {
        case TrayCommand::Open:
            setPosition();
            if (view_) view_->showManager(false);
            break;
        case TrayCommand::Operation:
            openHelpTopic(sys_);
            break;
        case TrayCommand::ShowHints: {
            showHints_ = !showHints_;
            store::Store st = store();
            st.writeBool(store::kMain, "Show Hints", showHints_);
            break;
        }
        case TrayCommand::Faq:
            sys_.shell.open(sys_.programDirectory + "Keyvalefaq.html");
            break;
        case TrayCommand::About:
            if (view_) {
                const auto [total, freePercent] = view_->memoryStatus();
                view_->showAbout(aboutText(total, freePercent));
            }
            break;
        case TrayCommand::Exit:
            savePosition();
            if (view_) view_->quit();
            break;
        case TrayCommand::PrintMacros:
            if (view_) view_->printList();
            break;
        case TrayCommand::Help:
            break;
    }
}

void Application::trayDoubleClick() {
    if (!openEnabled_ || !view_) return;
    setPosition();
    view_->showManager(false);
    sys_.pump.processMessages();
    view_->showManager(true);
}

void Application::closeRequested() {
    savePosition();
    if (view_) view_->quit();
}

bool Application::queryEndSession() {
    if (view_) {
        view_->enableShutdownPrivilege();
        view_->quit();
    }
    return true;
}

void Application::playbackTimerTick() {
    if (commandLine_.shouldEnd(state_.runStatus) && view_) {
        playbackTimer_->stop();
        view_->quit();
    }
}

void Application::guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        sys_.dialogs.errorBox(e.what());
    }
}

}  // namespace kv::app
