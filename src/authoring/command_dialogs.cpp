#include "authoring/command_dialogs.hpp"

#include <algorithm>

#include "core/text.hpp"
#include "store/macros.hpp"
#include "store/store.hpp"

namespace kv::authoring {

namespace {

// The interpreter reads a count or a time as a whole number: anything else
// makes a token that fails when the script runs.
bool isNumber(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string delayToken(std::string_view time, bool minutes) {
    return std::string(minutes ? "<<MINS" : "<<SECS") + std::string(kv::trimBlanks(time)) + ">>";
}

std::string repeatToken(std::string_view count) {
    return "<<REP" + std::string(kv::trimBlanks(count)) + ">>";
}

std::string inputToken(std::string_view title) {
    return "<<INPUT:" + std::string(kv::trimBlanks(title)) + ">>";
}

std::string waitForWindowToken(std::string_view title, std::string_view separator, std::string_view time,
                               bool minutes) {
    return "<<LOOKFOR:" + std::string(kv::trimBlanks(title)) + std::string(separator) +
           (minutes ? "MINS:" : "SECS:") + std::string(kv::trimBlanks(time)) + ">>";
}

void CommandDialog::shown() {
    switch (kind_) {
        case CommandDialogKind::Delay: view_.focus(CommandField::Time); break;
        case CommandDialogKind::Repeat: view_.focus(CommandField::Count); break;
        case CommandDialogKind::InputBox: view_.focus(CommandField::Title); break;
        case CommandDialogKind::WaitForWindow: view_.focus(CommandField::WindowTitle); break;
    }
}

void CommandDialog::refuse(const char* message, CommandField f) {
    sys_.dialogs.message(message);
    view_.focus(f);
}

void CommandDialog::finish(const std::string& token) {
    view_.insert(token);
    view_.close();
}

void CommandDialog::ok() {
    switch (kind_) {
        case CommandDialogKind::Delay: {
            const std::string time = std::string(kv::trimBlanks(view_.field(CommandField::Time)));
            if (!isNumber(time)) return refuse(kNoDelayTime, CommandField::Time);
            return finish(delayToken(time, view_.minutes()));
        }
        case CommandDialogKind::Repeat: {
            const std::string count = std::string(kv::trimBlanks(view_.field(CommandField::Count)));
            if (!isNumber(count)) return refuse(kNoRepeatCount, CommandField::Count);
            return finish(repeatToken(count));
        }
        case CommandDialogKind::InputBox: return finish(inputToken(view_.field(CommandField::Title)));
        case CommandDialogKind::WaitForWindow: {
            // A title of blanks only passes: the check is for an empty field.
            const std::string title = view_.field(CommandField::WindowTitle);
            if (title.empty()) return refuse(kNoWindowTitle, CommandField::WindowTitle);
            const std::string time = std::string(kv::trimBlanks(view_.field(CommandField::Time)));
            if (!isNumber(time)) return refuse(kNoTimeOut, CommandField::Time);
            const std::string separator =
                store::Store(sys_.files, sys_.storePath).readString(store::kMain, "WaitForSeparator", "~~");
            return finish(waitForWindowToken(title, separator, time, view_.minutes()));
        }
    }
}

}  // namespace kv::authoring
