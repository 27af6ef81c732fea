#include "store/shortcut.hpp"

#include "os/os.hpp"

namespace kv::store {

ShortCut composeShortCut(unsigned vk, bool shift, bool ctrl, bool alt) {
    if (vk >= 256) return 0;
    unsigned v = vk;
    if (shift) v |= kShortCutShift;
    if (ctrl) v |= kShortCutCtrl;
    if (alt) v |= kShortCutAlt;
    return static_cast<ShortCut>(v);
}

unsigned hotKeyModifiers(ShortCut value) {
    unsigned m = 0;
    if (value & kShortCutAlt) m |= os::kModAlt;
    if (value & kShortCutCtrl) m |= os::kModControl;
    if (value & kShortCutShift) m |= os::kModShift;
    return m;
}

namespace {

std::string fixedKeyName(unsigned key) {
    static const char* const kNavigation[] = {"Space", "PgUp", "PgDn", "End", "Home", "Left", "Up", "Right", "Down"};
    switch (key) {
        case 8: return "BkSp";
        case 9: return "Tab";
        case 13: return "Enter";
        case 27: return "Esc";
        case 45: return "Ins";
        case 46: return "Del";
        default: break;
    }
    if (key >= 32 && key <= 40) return kNavigation[key - 32];
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
    if (key >= 96 && key <= 105) return std::string(1, static_cast<char>('0' + key - 96));
    if (key >= 112 && key <= 135) {
        std::string name = "F";
        name += std::to_string(key - 111);
        return name;
    }
    return {};
}

}  // namespace

std::string shortCutText(ShortCut value, os::Keyboard& keyboard) {
    if (value == 0) return {};
    const unsigned key = value & 0xFF;
    std::string name = fixedKeyName(key);
    if (name.empty()) name = keyboard.keyName(key);
    if (name.empty()) return {};
    std::string text;
    if (value & kShortCutShift) text += "Shift+";
    if (value & kShortCutCtrl) text += "Ctrl+";
    if (value & kShortCutAlt) text += "Alt+";
    return text + name;
}

}  // namespace kv::store
