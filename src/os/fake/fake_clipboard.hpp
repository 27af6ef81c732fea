#pragma once
// A simulated clipboard: formats in order, a sequence number, another
// program that may keep it open, and a target that reads pasted text when
// it sees Ctrl+V or Shift+Insert.

#include <cstdint>
#include <string>
#include <vector>

#include "os/os.hpp"

namespace kv::os::fake {

class FakeClipboard : public Clipboard {
public:
    std::optional<ClipboardContents> save() override {
        ++opens;
        if (!open()) return std::nullopt;
        ++saves;
        return contents;
    }
    bool restore(const ClipboardContents& saved) override {
        ++opens;
        if (!open()) return false;
        ++restores;
        contents = saved;
        offered.reset();
        ++sequence;
        return true;
    }
    bool putText(std::string_view utf8) override {
        ++opens;
        if (!open()) return false;
        contents = {{13, "", std::string(utf8)},
                    {0xC100, "ExcludeClipboardContentFromMonitorProcessing", ""}};
        offered = std::string(utf8);
        ++sequence;
        return true;
    }
    std::uint32_t sequenceNumber() override { return sequence; }

    // A key reached the target: the paste keys make it read the text.
    void key(std::uint8_t vk, bool up) {
        constexpr std::uint8_t kShift = 0x10, kControl = 0x11, kInsert = 0x2D;
        if (vk == kShift) shift = !up;
        if (vk == kControl) control = !up;
        if (up || !targetReads) return;
        if ((vk == 'V' && control) || (vk == kInsert && shift)) {
            ++pasteKeys;
            if (offered) {
                pasted.push_back(*offered);
                ++sequence;  // rendered on demand: the read shows
            }
        }
    }

    // The user's text, as a program puts it there.
    void setUserText(const std::string& text) {
        contents = {{13, "", text}, {16, "", "\x09\x04\x00\x00"}};
        ++sequence;
    }

    ClipboardContents contents;
    std::optional<std::string> offered;
    std::uint32_t sequence = 1;
    // Another program keeps the clipboard open for this many more opens
    // (each a second long); negative for ever.
    int heldByOther = 0;
    // The target reads what is pasted; off, it never does.
    bool targetReads = true;
    std::vector<std::string> pasted;
    int opens = 0, saves = 0, restores = 0, pasteKeys = 0;

private:
    bool open() {
        if (heldByOther == 0) return true;
        if (heldByOther > 0) --heldByOther;
        return false;
    }
    bool shift = false, control = false;
};

}  // namespace kv::os::fake
