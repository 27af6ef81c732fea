#pragma once
// The hint window's decisions: a hint shows, modally, only while the store's
// "Show Hints" is on; closing the window with its box unticked turns hints
// off in the store and unticks the tray menu item.

#include <string>

#include "os/os.hpp"

namespace kv::authoring {

class HintView {
public:
    virtual ~HintView() = default;
    // Puts the text into the window and shows it modally; returns when closed.
    virtual void showModal(const std::string& text) = 0;
    // Ticks the window's "Show hints" box.
    virtual void tickShowHints() = 0;
};

// What the hints need of the rest of the program.
class HintsHost {
public:
    virtual ~HintsHost() = default;
    // The tray menu's "Show Hints" tick.
    virtual void setShowHintsTick(bool on) = 0;
};

class Hints {
public:
    Hints(os::System& sys, HintView& view, HintsHost& host) : sys_(sys), view_(view), host_(host) {}

    // ShowHint: returns once the user has closed the window, or at once
    // while hints are off.
    void show(const std::string& text);
    // The window closes with its "Show hints" box in this state.
    void closed(bool showHintsChecked);

private:
    os::System& sys_;
    HintView& view_;
    HintsHost& host_;
    // The box was left unticked, which turned hints off. When they are on
    // again (from the tray menu), the box must be ticked too: left as it
    // was, the next OK would turn them off once more.
    bool boxLeftUnticked_ = false;
};

}  // namespace kv::authoring
