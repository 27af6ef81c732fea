#pragma once
// Readable views of the key events a fake keyboard received: the raw press
// and release sequence, and the text a US-layout edit control would show.

#include <cstdio>
#include <map>
#include <string>

#include "core/utf8.hpp"
#include "os/fake/fake_os.hpp"

namespace kv::playback::test {

inline std::string keyLabel(std::uint8_t vk) {
    static const std::map<std::uint8_t, std::string> kNames = {
        {0x10, "Shift"}, {0x11, "Ctrl"},  {0x12, "Alt"},  {0x0D, "Enter"}, {0x1B, "Esc"},   {0x2E, "Del"},
        {0x25, "Left"},  {0x27, "Right"}, {0x28, "Down"}, {0x09, "Tab"},   {0x20, "Space"}, {0x08, "Bksp"},
        {0x2C, "PrtSc"}, {0x24, "Home"},  {0x21, "PgUp"}, {0x22, "PgDn"}};
    if (auto it = kNames.find(vk); it != kNames.end()) return it->second;
    if (vk >= 0x70 && vk <= 0x7B) return std::string("F").append(std::to_string(vk - 0x6F));
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, static_cast<char>(vk));
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", vk);
    return buf;
}

// Walks the events, calling onChar for each character typed by character
// input (before the event it precedes) and onEvent for each key event.
template <class OnChar, class OnEvent>
void walk(const os::fake::FakeKeyboard& kb, OnChar onChar, OnEvent onEvent) {
    std::size_t typed = 0;
    for (std::size_t i = 0; i <= kb.events.size(); ++i) {
        for (; typed < kb.charEvents.size() && kb.charEvents[typed] == i; ++typed) {
            std::string c;
            appendUtf8(c, kb.typedChars[typed]);
            onChar(c);
        }
        if (i < kb.events.size()) onEvent(i, kb.events[i]);
    }
}

// "+Ctrl +C -C -Ctrl"; a character typed by character input shows as 'c'.
inline std::string rawKeys(const os::fake::FakeKeyboard& kb) {
    std::string out;
    auto add = [&](const std::string& s) { out += (out.empty() ? "" : " ") + s; };
    walk(
        kb, [&](const std::string& c) { add("'" + c + "'"); },
        [&](std::size_t, const auto& e) {
            add(std::string((e.flags & os::kKeyUp) ? "-" : "+").append(keyLabel(e.vk)));
        });
    return out;
}

// What an edit control on the US layout would receive: printable characters
// as themselves, other keys and chords as "[Ctrl+Alt+Shift+Key]", a lone tap
// of a modifier as "[Ctrl]".
inline std::string typedText(const os::fake::FakeKeyboard& kb) {
    os::fake::FakeKeyboard layout;
    std::map<std::pair<std::uint8_t, bool>, char> chars;
    for (char c = 0x20; c < 0x7F; ++c)
        if (const int k = layout.vkKeyScan(c); k != -1 && (k >> 8) <= 1) chars[{k & 0xFF, (k >> 8) == 1}] = c;
    int held[3] = {0, 0, 0};  // Shift, Ctrl, Alt
    std::string out;
    walk(
        kb, [&](const std::string& c) { out += c; },
        [&](std::size_t i, const auto& e) {
            const bool up = e.flags & os::kKeyUp;
            if (e.vk >= 0x10 && e.vk <= 0x12) {
                held[e.vk - 0x10] += up ? -1 : 1;
                const auto& prev = kb.events[i > 0 ? i - 1 : i];
                if (up && i > 0 && prev.vk == e.vk && !(prev.flags & os::kKeyUp))
                    out.append("[").append(keyLabel(e.vk)).append("]");
                return;
            }
            if (up) return;
            auto it = chars.find({e.vk, held[0] > 0});
            if (!held[1] && !held[2] && it != chars.end()) {
                out += it->second;
                return;
            }
            out += std::string("[") + (held[1] ? "Ctrl+" : "") + (held[2] ? "Alt+" : "") +
                   (held[0] ? "Shift+" : "") + keyLabel(e.vk) + "]";
        });
    return out;
}

}  // namespace kv::playback::test
