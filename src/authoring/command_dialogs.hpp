#pragma once
// The four small dialogs that build a script command with a value: a delay,
// the start of a repetition, a value prompt and a wait for a window. Each
// checks its fields, makes the token and hands it to the script box.

#include <string>
#include <string_view>

#include "os/os.hpp"

namespace kv::authoring {

enum class CommandDialogKind { Delay, Repeat, InputBox, WaitForWindow };

// The dialogs' fields. Delay and WaitForWindow have Time and the
// Seconds/Minutes choice; Repeat has Count; InputBox has Title;
// WaitForWindow has WindowTitle.
enum class CommandField { Time, Count, Title, WindowTitle };

inline constexpr const char* kNoWindowTitle =
    "Please specify the title of the window that you would like to look for.";
inline constexpr const char* kNoTimeOut = "Please specify a length of time to wait before timing out.";
inline constexpr const char* kNoDelayTime = "Please specify the time to wait.";
inline constexpr const char* kNoRepeatCount = "Please specify the number of times to repeat.";

std::string delayToken(std::string_view time, bool minutes);
std::string repeatToken(std::string_view count);
std::string inputToken(std::string_view title);
std::string waitForWindowToken(std::string_view title, std::string_view separator, std::string_view time,
                               bool minutes);

class CommandDialogView {
public:
    virtual ~CommandDialogView() = default;
    virtual std::string field(CommandField f) const = 0;
    virtual bool minutes() const = 0;
    virtual void focus(CommandField f) = 0;
    // Puts a finished token into the script box.
    virtual void insert(const std::string& token) = 0;
    virtual void close() = 0;
};

class CommandDialog {
public:
    CommandDialog(CommandDialogKind kind, CommandDialogView& view, os::System& sys)
        : kind_(kind), view_(view), sys_(sys) {}

    CommandDialogKind kind() const { return kind_; }
    // The dialog became visible: its first field gets the focus.
    void shown();
    // OK: a missing value is named in a message and its field focused, the
    // dialog staying open; otherwise the token is inserted and it closes.
    void ok();
    void cancel() { view_.close(); }

private:
    void refuse(const char* message, CommandField f);
    void finish(const std::string& token);

    CommandDialogKind kind_;
    CommandDialogView& view_;
    os::System& sys_;
};

}  // namespace kv::authoring
