#pragma once
// The tray icon's menu and tip, as the tray form shows them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv::app {

inline constexpr const char* kTrayTip = "Veltrane Keyvale - Right Click for Options";
inline constexpr unsigned kTrayCallbackMessage = 10124;
inline constexpr unsigned kTrayIconId = 1;

// The tip as the notification record holds it: at most 63 characters.
std::string trayTip(std::string_view tip);

enum class TrayCommand {
    Open = 1,
    PrintMacros,
    Help,
    Operation,
    ShowHints,
    Faq,
    About,
    Exit,
    StartWithWindows,
    Pause
};

struct TrayMenuItem {
    TrayCommand command;
    const char* caption;  // nullptr for a separator
    bool inHelpSubmenu = false;
};

// The menu from top to bottom; separators carry no command that is used.
const std::vector<TrayMenuItem>& trayMenuItems();

// What the tray icon shows: the program at rest, paused, or running a macro.
enum class TrayLook { Normal, Paused, Running };
struct TrayState {
    TrayLook look = TrayLook::Normal;
    std::string tip = kTrayTip;
    bool operator==(const TrayState&) const = default;
};
// running: the name of the macro running, if one runs (it shows even while
// paused: a macro named on the command line runs then too).
TrayState trayState(bool paused, const std::optional<std::string>& running);

// What the About box shows below its product line.
struct AboutText {
    std::string product;
    std::string memoryLabel;
    std::string memoryValue;
    std::string resourcesLabel;
    std::string resourcesValue;
};
// totalPhysicalBytes: the machine's memory; freePercent: free physical
// memory in percent, the share of resources current systems report.
AboutText aboutText(unsigned long long totalPhysicalBytes, unsigned freePercent);

}  // namespace kv::app
