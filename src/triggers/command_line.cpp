#include "triggers/command_line.hpp"

#include <vector>

#include "core/text.hpp"
#include "core/utf8.hpp"
#include "store/macro_repository.hpp"

namespace kv::triggers {

namespace {

constexpr std::size_t kMaxArgument = 255;

bool isSeparator(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

}  // namespace

std::vector<std::string> splitArguments(std::string_view line) {
    std::vector<std::string> args;
    std::size_t i = 0;
    bool first = true;
    while (true) {
        // Separators and pairs of quotes before an argument are skipped.
        for (;;) {
            while (i < line.size() && isSeparator(line[i])) ++i;
            if (i + 1 < line.size() && line[i] == '"' && line[i + 1] == '"')
                i += 2;
            else
                break;
        }
        if (i >= line.size()) break;
        std::string arg;
        std::size_t chars = 0;
        bool quoted = false;
        while (i < line.size() && (quoted || !isSeparator(line[i]))) {
            if (line[i] == '"') {
                quoted = !quoted;
                ++i;
                continue;
            }
            // The limit counts characters; one past it is dropped whole.
            const std::size_t from = i;
            decodeUtf8(line, i);
            if (chars < kMaxArgument) {
                arg.append(line, from, i - from);
                ++chars;
            }
        }
        if (!first) args.push_back(std::move(arg));
        first = false;
    }
    return args;
}

ParsedArgument parseArgument(std::string_view argument) {
    const std::string prefix = kv::toUpperAscii(argument.substr(0, 6));
    ParsedArgument p;
    if (prefix == "/OPEN:") {
        // The whole rest: a shortcut names its macro whole, whatever its length.
        p.name = kv::toUpperAscii(kv::trimBlanks(argument.substr(6)));
    } else if (prefix == "/CLOSE") {
        p.close = true;
    } else {
        p.name = kv::toUpperAscii(argument);
    }
    return p;
}

bool asksToClose(const std::vector<std::string>& arguments) {
    for (const std::string& a : arguments)
        if (parseArgument(a).close) return true;
    return false;
}

CommandLine::CommandLine(os::System& sys, RunRequests& runs) : sys_(sys), runs_(runs) {}

void CommandLine::run(const std::vector<std::string>& arguments) {
    closeWhenDone_ = false;
    for (const std::string& argument : arguments) {
        const ParsedArgument p = parseArgument(argument);
        if (!p.close) {
            // The names as one reading of the file finds them; messages between the runs.
            for (const store::Macro& m : store::MacroRepository(sys_).all(store::kNameField)) {
                // A missing Name is "Error" here as in the shortcut made for it; blanks at
                // either end count as little as in the argument (a quoted stored name keeps them).
                if (sys_.files.sameName(kv::trimBlanks(m.nameOr("Error")), p.name))
                    runs_.runMacro(m.slot, Road::CommandLine);
                sys_.pump.processMessages();
            }
        } else {
            closeWhenDone_ = true;
        }
    }
}

bool CommandLine::shouldEnd(playback::RunStatus runStatus) const {
    return closeWhenDone_ && runStatus != playback::RunStatus::None;
}

}  // namespace kv::triggers
