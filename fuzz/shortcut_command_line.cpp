// Every shortcut Keyvale makes runs its macro: for any name the store may
// hold (hand-edited or typed), a shortcut the shortcut maker accepts starts
// the program with a command line that runs that macro, and a macro of
// another name only when the two names are one for the command line.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/error.hpp"
#include "core/text.hpp"
#include "core/utf8.hpp"
#include "desk.hpp"
#include "manager/shortcuts.hpp"
#include "os/fake/fake_shell_print.hpp"
#include "store/profile.hpp"
#include "store/store.hpp"
#include "triggers/command_line.hpp"

namespace {

std::string text(FuzzedDataProvider& in, kv::os::Files& codePage, std::size_t max) {
    const std::string raw = in.ConsumeRandomLengthString(max);
    return kv::isValidUtf8(raw) ? raw : codePage.fromCodePage(raw);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    kv::fuzz::Desk desk(1000);
    const bool named = in.ConsumeBool();
    // Long names too: the shortcut maker takes up to 239 characters.
    std::string name = text(in, desk.files, 300);
    if (in.ConsumeBool()) name = std::string(in.ConsumeIntegralInRange<std::size_t>(140, 260), 'n') + name;
    const std::string other = text(in, desk.files, 40);
    // A store value holds one line.
    if (name.find_first_of("\r\n") != std::string::npos || other.find_first_of("\r\n") != std::string::npos)
        return 0;

    kv::store::Store st(desk.files, desk.sys.storePath);
    st.writeInt("Main", "Entries", 2);
    st.writeString("Macro1", "Name", other);
    if (named) st.writeString("Macro2", "Name", name);
    st.writeInt("Macro2", "Type", 4);

    kv::os::fake::FakeShellLinks links;
    std::string linkPath;
    try {
        linkPath = kv::manager::createShortcut(desk.sys, links, kv::os::ShellFolder::Desktop, 2);
    } catch (const kv::Error&) {
        return 0;  // refused with a message: no shortcut to run
    }
    const kv::os::ShellLinkData& link = links.links.at(linkPath);

    // The program receives its own name, then the shortcut's arguments.
    const std::vector<std::string> arguments =
        kv::triggers::splitArguments("\"" + link.target + "\"" + link.arguments);
    kv::fuzz::check(kv::triggers::asksToClose(arguments), "the shortcut's start ends after its run");
    struct Runs : kv::RunRequests {
        std::vector<int> ran;
        void runMacro(int slot, kv::Road, kv::TextCase) override { ran.push_back(slot); }
    } runs;
    const std::vector<int>& ran = runs.ran;
    kv::triggers::CommandLine commandLine(desk.sys, runs);
    commandLine.run(arguments);
    kv::fuzz::check(commandLine.closeWhenDone(), "the shortcut's start ends after its run");
    bool ranItsMacro = false;
    for (int slot : ran) ranItsMacro |= slot == 2;
    kv::fuzz::check(ranItsMacro, "the shortcut runs its macro");
    const std::string stored = st.readString("Macro1", "Name", "");
    const std::string wanted = st.readString("Macro2", "Name", "Error");
    // Blanks (control characters among them) at either end count for
    // nothing on the command line, on either side.
    const bool sameName = desk.sys.files.sameName(kv::trimBlanks(stored), kv::trimBlanks(wanted));
    kv::fuzz::check(ran.size() == (sameName ? 2u : 1u), "only macros of its name run");
    return 0;
}
