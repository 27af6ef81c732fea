#include "app/tray.hpp"

#include <algorithm>
#include <cstdio>

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
        {TrayCommand::Help, nullptr},
        {TrayCommand::RunMacro, "&Run Macro..."},
        {TrayCommand::RunMacroHotKey, "Run Macro Hot Key..."},
        {TrayCommand::ExportAll, "Export All Macros..."},
        {TrayCommand::ImportMacros, "&Import Macros..."},
        {TrayCommand::Help, nullptr},
        {TrayCommand::StartWithWindows, "Start with &Windows"},
        {TrayCommand::Pause, "&Pause"},
        {TrayCommand::PauseHotKey, "Pause Hot Key..."},
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

TrayState trayState(bool paused, const std::optional<std::string>& running,
                    std::optional<long long> secondsLeft) {
    if (running) {
        // The tip holds 63 characters: a long name gives way, the way to stop stays.
        std::string before = "Keyvale: running ", after = " (Esc stops it)";
        if (secondsLeft) {
            const long long s = std::max(0LL, *secondsLeft);
            char left[32];
            if (s >= 3600)
                std::snprintf(left, sizeof left, ", %lld:%02lld:%02lld left", s / 3600, s / 60 % 60, s % 60);
            else
                std::snprintf(left, sizeof left, ", %lld:%02lld left", s / 60, s % 60);
            after = left + after;
        }
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
