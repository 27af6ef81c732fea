#include "app/application.hpp"

#include "app/help.hpp"
#include "authoring/hot_key_rule.hpp"
#include "authoring/sharing.hpp"
#include "manager/shortcuts.hpp"
#include "store/macro_repository.hpp"
#include "store/macros.hpp"
#include "store/shortcut.hpp"
#include "store/store.hpp"

namespace kv::app {

Application::Application(os::System& sys, journal::Journal& journal, ShellView* view, os::ShellLinks* links,
                         os::Instances* instances, ReplayListener* replays)
    : sys_(sys),
      journal_(journal),
      view_(view),
      links_(links),
      instances_(instances),
      replays_(replays),
      dispatcher_(sys, state_, journal, *this),
      sendKey_(sys.keyboard, sys.pump),
      interpreter_(sys, state_, sendKey_, dispatcher_, *this),
      hotKeys_(sys, dispatcher_),
      abbreviations_(sys, dispatcher_, *this),
      watcher_(sys, dispatcher_, instances),
      commandLine_(sys, dispatcher_),
      runMacroKey_(sys.hotKeys, this),
      pauseKey_(sys.hotKeys, this) {
    journal_.setListener(*this);
    playbackTimer_ = sys_.pump.createTimer([this] { playbackTimerTick(); });
    countdown_ = sys_.pump.createTimer([this] { showTrayState(); });
    trayUpdate_ = sys_.pump.createTimer([this] {
        trayUpdate_->stop();
        showTrayState();
    });
}

void Application::delayStarted(os::Millis deadline) {
    delays_.push_back(deadline);
    if (delays_.size() == 1) countdown_->start(1000);
    showTrayState();
}

void Application::delayEnded() {
    if (!delays_.empty()) delays_.pop_back();
    if (delays_.empty()) countdown_->stop();
    showTrayState();
}

void Application::replayFinished(bool) {
    dispatcher_.recorderFinished();
    showTrayState();
    if (replays_) replays_->replayEnded();
}

// The user's Esc stops the running script and every replay, as Exit does.
void Application::escapePressed() {
    dispatcher_.stopAll();
}

void Application::managerCreated(const std::vector<std::string>& arguments) {
    // One reading serves the start: taken while the store is held, it also
    // serves the watcher's clearing, which no other copy's write may fall
    // before. The store is let go before the hot keys, which may show a box.
    // When it cannot be held now, the watcher tries again and says so.
    std::unique_ptr<os::FileLock> held;
    try {
        held = store().hold();
    } catch (const Error&) {
    }
    startUp_ = std::make_unique<store::StoreSnapshot>(store());
    watcher_.setUp(triggers::asksToClose(arguments), held ? startUp_.get() : nullptr);
    held.reset();
    loadHotKeys(*startUp_);
    pauseKey_.setHotKey(
        static_cast<store::ShortCut>(startUp_->readInt(store::kMain, store::kPauseHotKey, 0) & 0xFFFF));
}

void Application::loadHotKeys() {
    loadHotKeys(store::StoreSnapshot(store()));
}

void Application::loadHotKeys(const store::StoreSnapshot& snapshot) {
    // One reading serves the hot keys, the abbreviations and the Run Macro key.
    hotKeys_.loadHotKeys(snapshot, [this] {
        if (view_) view_->refillList();
    });
    abbreviations_.load(snapshot);
    runMacroKey_.setHotKey(
        static_cast<std::uint16_t>(snapshot.readInt(store::kMain, store::kRunMacroHotKey, 0)));
}

std::optional<std::string> runMacroHotKeyProblem(os::System& sys, std::uint16_t value) {
    if (authoring::hotKeyRefused(value))
        return std::string(
            "Please enter a hot key with Ctrl or Alt for the Run Macro window, or none at all.");
    if (!value) return std::nullopt;
    if (static_cast<std::uint16_t>(
            store::Store(sys.files, sys.storePath).readInt(store::kMain, store::kPauseHotKey, 0)) == value) {
        std::string text = authoring::kHotKeyPauses;
        text.replace(text.find("%s"), 2, store::shortCutText(value, sys.keyboard));
        return text;
    }
    return macroHoldingHotKey(sys, value);
}

std::optional<std::string> macroHoldingHotKey(os::System& sys, std::uint16_t value) {
    // Every macro counts, switched off or not: it may be switched on again.
    for (const store::Macro& m : store::MacroRepository(sys).all(store::kNameField | store::kHotKeyField))
        if (m.hotKey == value)
            return "The hot key " + store::shortCutText(value, sys.keyboard) + " belongs to the macro " +
                   m.nameOr(store::macroSection(m.slot)) + "; please select another.";
    return std::nullopt;
}

void Application::setRunMacroHotKey(std::uint16_t value) {
    if (auto problem = runMacroHotKeyProblem(sys_, value)) throw Error(*problem);
    store().writeInt(store::kMain, store::kRunMacroHotKey, value);
    runMacroKey_.setHotKey(value);
}

bool Application::expanding() {
    return !paused_ && !dispatcher_.running() && !dispatcher_.replaying() && !state_.macroDialogOpen &&
           !state_.hotKeyBusy;
}

void Application::hotKeyPressed(hotkeys::HotKeyComponent& component, unsigned, hotkeys::ShortCut) {
    if (&component == &pauseKey_) {
        setPaused(!paused_);
        return;
    }
    // Not while a macro runs or a macro dialog is open, as a macro's hot key.
    if (view_ && !state_.macroDialogOpen && !state_.hotKeyBusy) view_->openRunMacro();
}

void Application::trayCreated(const std::vector<std::string>& arguments) {
    bool created = false;
    sys_.guard.run([&] {
        sys_.pump.processMessages();
        showHints_ = startUp_ ? startUp_->readInt(store::kMain, "Show Hints", 1) != 0
                              : store().readBool(store::kMain, "Show Hints", true);
        commandLine_.run(arguments);
        // Only a /Close start ever ends by this timer; a resident copy is
        // not woken every second for nothing.
        if (commandLine_.closeWhenDone()) playbackTimer_->start(1000);
        openEnabled_ = true;
        created = true;
    });
    // Otherwise the failed run of a shortcut would stay as a second resident
    // instance that nothing ends.
    if (!created && triggers::asksToClose(arguments) && view_) view_->quit();
}

void Application::firstRunCheck() {
    store::Store st = store();
    // A store that cannot be read is reported, and is not taken for a first run.
    bool firstRun = false;
    sys_.guard.run([&] {
        firstRun = startUp_ ? startUp_->readInt(store::kMain, "FirstRun", 1) != 0
                            : st.readBool(store::kMain, "FirstRun", true);
    });
    // Start-up ends here: later reads see the store as it is then.
    startUp_.reset();
    if (!firstRun) return;
    if (view_) {
        const Rect r = view_->managerRect();
        view_->placeManager(centred(view_->screen(), r.width, r.height));
        view_->showManager(true);
        view_->showFirstRunNote(kFirstRunNote);
    }
    sys_.guard.run([&] { st.writeBool(store::kMain, "FirstRun", false); });
}

void Application::setPosition() {
    if (!view_) return;
    if (auto saved = savedPlacement(store(), view_->screen())) {
        // A hand-edited store may hold any number: clamped before any arithmetic.
        const Rect r = onVirtualScreen(*saved, view_->virtualScreen());
        view_->placeManager(keptVisible(r, view_->workAreaNearest(r)));
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

void Application::setPaused(bool paused) {
    if (paused == paused_) return;
    paused_ = paused;
    hotKeys_.setPaused(paused);
    // Paused, Keyvale holds no key but Pause's own.
    runMacroKey_.setEnabled(!paused);
    watcher_.setPaused(paused);
    showTrayState();
}

void Application::choosePauseHotKey() {
    if (!view_) return;
    std::uint16_t shown = pauseKey_.hotKey();
    while (const auto chosen = view_->askHotKey("Pause Hot Key", shown)) {
        shown = *chosen;
        if (authoring::hotKeyRefused(shown)) {
            sys_.dialogs.errorBox(authoring::kPropertiesHotKeyRefused);
            continue;
        }
        // Registration alone misses a macro's key while paused or switched off.
        if (const auto owner = shown ? macroHoldingHotKey(sys_, shown) : std::nullopt) {
            sys_.dialogs.errorBox(*owner);
            continue;
        }
        const store::ShortCut before = pauseKey_.hotKey();
        pauseKey_.setHotKey(shown);
        if (shown != 0 && !pauseKey_.registered()) {
            pauseKey_.setHotKey(before);
            std::string text = kPauseHotKeyTaken;
            text.replace(text.find("%s"), 2, store::shortCutText(shown, sys_.keyboard));
            sys_.dialogs.errorBox(text);
            continue;
        }
        store::Store st = store();
        st.writeInt(store::kMain, store::kPauseHotKey, shown);
        return;
    }
}

void Application::runsStarted(const std::string& name) {
    running_ = name;
    // Shown once the run's first keys are out: telling the notification
    // area waits for another program, milliseconds a hot key would wait too.
    trayUpdate_->start(1);
}

TrayState Application::trayState() const {
    std::optional<long long> left;
    if (!delays_.empty())
        left =
            (static_cast<long long>(delays_.back()) - static_cast<long long>(sys_.pump.now()) + 999) / 1000;
    return app::trayState(paused_, running_, left);
}

void Application::showTrayState() {
    // A replay started by the run may outlast it.
    if (!dispatcher_.running() && journal_.idle()) running_.reset();
    const TrayState now = trayState();
    if (now == shown_) return;
    shown_ = now;
    if (view_) view_->showTrayState(now);
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
        case TrayCommand::Operation: openHelpTopic(sys_); break;
        case TrayCommand::ShowHints: {
            showHints_ = !showHints_;
            store::Store st = store();
            st.writeBool(store::kMain, "Show Hints", showHints_);
            break;
        }
        case TrayCommand::Faq: sys_.shell.open(fileUrl(sys_.programDirectory + "Keyvalefaq.html")); break;
        case TrayCommand::About:
            if (view_) {
                const auto [total, freePercent] = view_->memoryStatus();
                view_->showAbout(aboutText(total, freePercent));
            }
            break;
        case TrayCommand::Exit: saveAndQuit(); break;
        case TrayCommand::PrintMacros:
            if (view_) view_->printList();
            break;
        case TrayCommand::StartWithWindows:
            if (links_) manager::setStartWithWindows(sys_, *links_, !startsWithWindows());
            break;
        case TrayCommand::Pause: setPaused(!paused_); break;
        case TrayCommand::PauseHotKey: choosePauseHotKey(); break;
        case TrayCommand::RunMacro:
            if (view_) view_->openRunMacro();
            break;
        case TrayCommand::RunMacroHotKey:
            if (view_) view_->setRunMacroHotKey();
            break;
        case TrayCommand::ExportAll: authoring::exportMacros(sys_); break;
        case TrayCommand::ImportMacros:
            if (view_) view_->importMacros();
            break;
        case TrayCommand::Help: break;
    }
}

bool Application::startsWithWindows() {
    return links_ && manager::startsWithWindows(sys_, *links_);
}

bool Application::showManagerForAnotherStart() {
    if (!openEnabled_ || !view_) return false;
    setPosition();
    view_->showManager(true);
    return true;
}

bool handOverToResidentCopy(const std::vector<std::string>& arguments, os::Instances& instances) {
    if (!instances.othersRunningAtStart()) return false;
    for (const std::string& a : arguments)
        if (!triggers::parseArgument(a).close) return false;
    return instances.showResidentManager();
}

void Application::trayDoubleClick() {
    if (!openEnabled_ || !view_) return;
    setPosition();
    view_->showManager(false);
    sys_.pump.processMessages();
    view_->showManager(true);
}

void Application::saveAndQuit() {
    sys_.guard.run([this] { savePosition(); });
    endProgram();
}

void Application::closeRequested() {
    saveAndQuit();
}

bool Application::queryEndSession() {
    if (view_) view_->enableShutdownPrivilege();
    endProgram();
    return true;
}

void Application::playbackTimerTick() {
    if (commandLine_.shouldEnd(state_.runStatus) && view_) {
        playbackTimer_->stop();
        endProgram();
    }
}

void Application::endProgram() {
    // A macro running now would hold the message loop (and the process)
    // until it ends: it is stopped first and unwinds at once.
    dispatcher_.stopAll();
    if (view_) view_->quit();
}

}  // namespace kv::app
