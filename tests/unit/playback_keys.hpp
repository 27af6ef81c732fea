#pragma once
// Readable views of the key events a fake keyboard received: the raw press
// and release sequence, and the text a US-layout edit control would show.

#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "os/fake/fake_os.hpp"

namespace kv::playback::test {

inline std::string keyLabel(std::uint8_t vk) {
    static const std::map<std::uint8_t, std::string> kNames = {
        {0x10, "Shift"}, {0x11, "Ctrl"},  {0x12, "Alt"},   {0x0D, "Enter"}, {0x1B, "Esc"},
        {0x2E, "Del"},   {0x25, "Left"},  {0x27, "Right"}, {0x26, "Up"},    {0x28, "Down"},
        {0x09, "Tab"},   {0x20, "Space"}, {0x08, "Bksp"},  {0x2C, "PrtSc"}, {0x2D, "Ins"},
        {0x24, "Home"},  {0x23, "End"},   {0x21, "PgUp"},  {0x22, "PgDn"}};
    if (auto it = kNames.find(vk); it != kNames.end()) return it->second;
    if (vk >= 0x70 && vk <= 0x7B) return "F" + std::to_string(vk - 0x6F);
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, static_cast<char>(vk));
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", vk);
    return buf;
}

// "+Ctrl +C -C -Ctrl"; a character typed by character input shows as 'c'.
inline std::string rawKeys(const os::fake::FakeKeyboard& kb) {
    std::string out;
    std::size_t typed = 0;
    for (std::size_t i = 0; i <= kb.events.size(); ++i) {
        for (; typed < kb.charEvents.size() && kb.charEvents[typed] == i; ++typed)
            out += (out.empty() ? "'" : " '") + std::string(1, kb.typed[typed]) + "'";
        if (i == kb.events.size()) break;
        const auto& e = kb.events[i];
        out += out.empty() ? "" : " ";
        out += (e.flags & os::kKeyUp) ? '-' : '+';
        out += keyLabel(e.vk);
    }
    return out;
}

// What a focused edit control on the US layout would receive: printable
// characters as themselves, other keys and chords as "[Ctrl+Alt+Shift+Key]",
// a lone tap of a modifier as "[Ctrl]".
inline std::string typedText(const os::fake::FakeKeyboard& kb) {
    os::fake::FakeKeyboard layout;
    std::map<std::pair<std::uint8_t, bool>, char> chars;
    for (int c = 0x20; c < 0x7F; ++c) {
        const int k = layout.vkKeyScan(static_cast<char>(c));
        if (k != -1 && (k >> 8) <= 1) chars[{static_cast<std::uint8_t>(k & 0xFF), (k >> 8) == 1}] = char(c);
    }
    int shift = 0, ctrl = 0, alt = 0;
    std::string out;
    std::size_t typed = 0;
    for (std::size_t i = 0; i <= kb.events.size(); ++i) {
        for (; typed < kb.charEvents.size() && kb.charEvents[typed] == i; ++typed) out += kb.typed[typed];
        if (i == kb.events.size()) break;
        const auto& e = kb.events[i];
        const bool up = e.flags & os::kKeyUp;
        int* modifier = e.vk == 0x10 ? &shift : e.vk == 0x11 ? &ctrl : e.vk == 0x12 ? &alt : nullptr;
        if (modifier) {
            *modifier += up ? -1 : 1;
            const bool tap =
                up && i > 0 && kb.events[i - 1].vk == e.vk && !(kb.events[i - 1].flags & os::kKeyUp);
            if (tap) out += "[" + keyLabel(e.vk) + "]";
            continue;
        }
        if (up) continue;
        if (!ctrl && !alt) {
            if (auto it = chars.find({e.vk, shift > 0}); it != chars.end()) {
                out += it->second;
                continue;
            }
        }
        out += "[";
        if (ctrl) out += "Ctrl+";
        if (alt) out += "Alt+";
        if (shift) out += "Shift+";
        out += keyLabel(e.vk) + "]";
    }
    return out;
}

// Every key pressed has been released again.
inline bool allReleased(const os::fake::FakeKeyboard& kb) {
    std::map<std::uint8_t, int> down;
    for (const auto& e : kb.events) down[e.vk] += (e.flags & os::kKeyUp) ? -1 : 1;
    for (const auto& [vk, n] : down)
        if (n != 0) return false;
    return true;
}

}  // namespace kv::playback::test
