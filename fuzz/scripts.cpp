// Scripts run by the interpreter on the fake desktop, as the dispatcher runs
// them: the input up to its first NUL byte is the script, the rest the
// script of macro SUB, which "<<RUN:SUB>>" runs; REC replays a recording and
// DOC opens a document. Each input gets a bounded number of message passes
// (delays are free on the fake clock). However the script ends, by its end,
// an error or the end of its passes, no key is left down.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/error.hpp"
#include "desk.hpp"
#include "journal/journal_file.hpp"
#include "journal/recorder.hpp"
#include "playback/interpreter.hpp"
#include "triggers/dispatcher.hpp"

namespace {

constexpr const char* kStore =
    "[Main]\r\nEntries=3\r\nWaitForSeparator=~~\r\n"
    "[Macro1]\r\nName=SUB\r\nType=4\r\nFilename=SUB.key\r\n"
    "[Macro2]\r\nName=REC\r\nType=2\r\nFilename=REC.dat\r\n"
    "[Macro3]\r\nName=DOC\r\nType=1\r\nFilename=notes.txt\r\n";

std::string shortRecording() {
    using kv::os::InputEvent;
    kv::journal::Recording r;
    r.keyStrokesOnly = true;
    r.events.push_back({InputEvent::Kind::Key, 0, 0x41, 0x1E, 0, 0, 0, 0, 0});
    r.events.push_back({InputEvent::Kind::Key, 40, 0x41, 0x1E, kv::os::kKeyUp, 0, 0, 0, 0});
    return kv::journal::encodeRecording(r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view script = input.substr(0, split);
    const std::string_view sub =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    kv::fuzz::Desk desk(20000);
    desk.files.files[desk.sys.storePath] = kStore;
    desk.files.files["C:\\Keyvale\\SUB.key"] = std::string(sub);
    desk.files.files["C:\\Keyvale\\REC.dat"] = shortRecording();
    desk.windows.open("Untitled - Notepad");
    desk.windows.open("Calculator", false);
    for (const char* answer : {"typed^value", "{ENTER}", "~@x"}) desk.dialogs.answers.push_back(answer);

    kv::playback::RunState state;
    kv::journal::Recorder recorder(desk.sys);
    kv::playback::SenderState senderState;
    kv::playback::SendKey sender(desk.keyboard, desk.pump, senderState);
    // The dispatcher runs scripts in the interpreter, as the application does.
    struct Host : kv::triggers::RunHost {
        kv::playback::Interpreter* interpreter = nullptr;
        void runScript(const std::string& text) override { interpreter->sendKeys(text); }
    } host;
    kv::triggers::Dispatcher dispatcher(desk.sys, state, recorder, host);
    struct Ends : kv::journal::JournalListener {
        kv::triggers::Dispatcher& dispatcher;
        explicit Ends(kv::triggers::Dispatcher& d) : dispatcher(d) {}
        void replayFinished(bool) override { dispatcher.recorderFinished(); }
        void escapePressed() override {}
    } ends(dispatcher);
    recorder.setListener(ends);
    struct InterpreterHost : kv::playback::InterpreterHost {
        kv::triggers::Dispatcher& dispatcher;
        explicit InterpreterHost(kv::triggers::Dispatcher& d) : dispatcher(d) {}
        void pauseWatcher() override {}
        void resumeWatcher() override {}
        bool replaying() override { return dispatcher.replaying(); }
    } interpreterHost(dispatcher);
    kv::playback::Interpreter interpreter(desk.sys, state, sender, dispatcher, interpreterHost);
    host.interpreter = &interpreter;

    state.journalFinished = true;
    try {
        interpreter.sendKeys(script);
    } catch (const kv::Error&) {
    } catch (const kv::fuzz::OutOfBudget&) {
    }
    kv::fuzz::checkNoKeyDown(desk.keyboard);
    kv::fuzz::check(interpreter.runDepth() == 0 && interpreter.activeDelays() == 0,
                    "every run and delay ends");
    kv::fuzz::check(!sender.tokensOnly(), "literal prefixes end with their key string");
    return 0;
}
