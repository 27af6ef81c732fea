#pragma once
// The command line: macros named on it run at start-up, and /CLOSE ends the
// program once a run has reported its end.

#include <string>
#include <string_view>
#include <vector>

#include "core/run_requests.hpp"
#include "os/os.hpp"
#include "playback/run_state.hpp"

namespace kv::triggers {

// Splits a whole command line (program name first) as the program's start-up
// code does: arguments are separated by characters of code 32 or less,
// double-quoted stretches keep their blanks, the quotes are removed, pairs
// of quotes at the very start of an argument are skipped, and an argument
// keeps at most 255 characters. The program name is not returned.
std::vector<std::string> splitArguments(std::string_view commandLine);

struct ParsedArgument {
    // Nothing to run for "/CLOSE"; the upper-cased macro name otherwise.
    std::string name;
    bool close = false;
};

// "/OPEN:" names the macro in the rest of the argument, blanks trimmed (the
// splitter keeps 255 characters, more than any shortcut's name); "/CLOSE"
// (anything may follow) asks to end; anything else is a macro name itself.
ParsedArgument parseArgument(std::string_view argument);

// Whether an argument asks to end after the run (a shortcut's start).
bool asksToClose(const std::vector<std::string>& arguments);

class CommandLine {
public:
    CommandLine(os::System& sys, RunRequests& runs);

    // Runs every macro named by the arguments, in order; errors propagate and
    // end the handling there. Returns whether /CLOSE was given.
    void run(const std::vector<std::string>& arguments);
    bool closeWhenDone() const { return closeWhenDone_; }

    // The once-a-second check after the command line: true when the program
    // should end (a /CLOSE run whose macro has reported its end).
    bool shouldEnd(playback::RunStatus runStatus) const;

private:
    os::System& sys_;
    RunRequests& runs_;
    bool closeWhenDone_ = false;
};

}  // namespace kv::triggers
