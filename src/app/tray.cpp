#include "app/tray.hpp"

namespace kv::app {

std::string trayTip(std::string_view tip) {
    return std::string(tip.substr(0, 63));
}

const std::vector<TrayMenuItem>& trayMenuItems() {
    static const std::vector<TrayMenuItem> items = {
        {TrayCommand::Open, "&Open"},
        {TrayCommand::PrintMacros, "&Print Macro List"},
        {TrayCommand::RunMacro, "&Run Macro..."},
        {TrayCommand::RunMacroHotKey, "Run Macro Hot Key..."},
        {TrayCommand::ExportAll, "Export All Macros..."},
        {TrayCommand::ImportMacros, "&Import Macros..."},
        {TrayCommand::StartWithWindows, "Start with &Windows"},
        {TrayCommand::Help, "&Help"},
        {TrayCommand::Operation, "&Operation", true},
        {TrayCommand::ShowHints, "&Show Hints", true},
        {TrayCommand::Faq, "&Frequently Asked Questions", true},
        {TrayCommand::Help, nullptr},
        {TrayCommand::About, "&About..."},
        {TrayCommand::Help, nullptr},
        {TrayCommand::Exit, "&Exit"},
    };
    return items;
}

namespace {

std::string withThousands(unsigned long long v) {
    std::string digits = std::to_string(v), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

}  // namespace

AboutText aboutText(unsigned long long totalPhysicalBytes, unsigned freePercent) {
    return AboutText{"Keyvale 3.4a", "Physical memory available to Windows:",
                     withThousands(totalPhysicalBytes / 1024) + " KB",
                     "System resources:", std::to_string(freePercent) + "% free"};
}

}  // namespace kv::app
