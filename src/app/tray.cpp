#include "app/tray.hpp"

#include "core/utf8.hpp"

namespace kv::app {

std::string trayTip(std::string_view tip) {
    // The record counts UTF-16 units; a cut never splits a character.
    return std::string(firstUtf16Units(tip, 63));
}

const std::vector<TrayMenuItem>& trayMenuItems() {
    static const std::vector<TrayMenuItem> items = {
        {TrayCommand::Open, "&Open"},
        {TrayCommand::PrintMacros, "&Print Macro List"},
        {TrayCommand::StartWithWindows, "Start with &Windows"},
        {TrayCommand::Pause, "&Pause"},
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

TrayState trayState(bool paused, const std::optional<std::string>& running) {
    if (running) {
        // The tip holds 63 characters: a long name gives way, the way to stop stays.
        const std::string before = "Keyvale: running ", after = " (Esc stops it)";
        const std::size_t room = 63 - before.size() - after.size();
        std::string name(firstUtf16Units(*running, room));
        if (name.size() < running->size()) name = std::string(firstUtf16Units(name, room - 3)) + "...";
        return {TrayLook::Running, before + name + after};
    }
    if (paused) return {TrayLook::Paused, "Keyvale (paused)"};
    return {};
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
