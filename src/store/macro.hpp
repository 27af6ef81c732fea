#pragma once
// A macro: the one value the program reads, creates and changes, and the one
// table of the keys of its [Macro<n>] section. A new field is a member here
// and a row in the table (macro.cpp); reading, creating, changing, copying
// on deletion and the fuzz checks then follow from the table.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace kv::store {

enum MacroKind : std::int32_t { kOpenDocument = 1, kReplayKeys = 2, kReplayMouseAndKeys = 3, kScript = 4 };

// How a script's literal text reaches the target (Insert): typed key by key,
// pasted through the clipboard, or pasted only where a stretch is long.
enum class Insert { Type, Paste, Auto };
// The keys that paste (PasteKeys): Ctrl+V, or Shift+Insert for consoles.
enum class PasteKeys { CtrlV, ShiftInsert };
// The longest pause between keys a macro may ask for (KeyDelay).
inline constexpr std::int32_t kMaxKeyDelay = 1000;

// Name and Type stay optional: where a section lacks them (or Type is no
// number) callers fall back differently, each as its own rule says. The
// other keys have one default everywhere.
struct Macro {
    Macro() = default;
    // A macro to create: its name, kind, hot key, file, trigger and speed.
    Macro(std::string name, std::int32_t kind, std::uint16_t hotKey, std::string fileName,
          std::string trigger, std::int32_t speed = 1)
        : name(std::move(name)),
          kind(kind),
          hotKey(hotKey),
          fileName(std::move(fileName)),
          trigger(std::move(trigger)),
          speed(speed) {}

    // The slot the macro was read from; 0 for one not stored yet.
    int slot = 0;
    std::optional<std::string> name;
    std::optional<std::int32_t> kind;
    std::uint16_t hotKey = 0;
    // The data file's name (kinds 2 to 4) or the document to open (kind 1).
    std::string fileName;
    std::string trigger;
    std::int32_t speed = 1;  // kind 3 only: 2 high speed, 1 recorded speed
    // The watcher's own bookkeeping: TriggerRan, which older stores hold and
    // which moves with its macro but is read by nothing, and the windows that
    // have run the trigger (FoundHandle).
    bool triggerRan = false;
    std::string firedWindows;
    // Switched off: its hot key and window title start nothing (a name
    // still does).
    bool enabled = true;
    // Where its hot key runs it: lists of program file names and parts of
    // window titles separated by "|" (see store/scope.hpp).
    std::string onlyIn, notIn;
    // Kind 4 only: how its text arrives, and the pause between its keys (ms).
    Insert insert = Insert::Type;
    PasteKeys pasteKeys = PasteKeys::CtrlV;
    std::int32_t keyDelay = 0;
    // Typed in any program, it runs the macro (see hotkeys/abbreviations.hpp):
    // when an ending character follows it, or at once when immediate.
    std::string abbreviation;
    bool immediate = false;

    std::string nameOr(std::string_view fallback) const { return std::string(name ? *name : fallback); }
    std::int32_t kindOr(std::int32_t fallback) const { return kind.value_or(fallback); }
};

// The fields of a Macro, one bit per row of the table in its order, for
// reading or writing only some of them.
enum MacroField : unsigned {
    kNameField = 1,
    kKindField = 2,
    kHotKeyField = 4,
    kFileNameField = 8,
    kTriggerField = 16,
    kSpeedField = 32,
    kTriggerRanField = 64,
    kFiredWindowsField = 128,
    kEnabledField = 256,
    kOnlyInField = 512,
    kNotInField = 1024,
    kInsertField = 2048,
    kPasteKeysField = 4096,
    kKeyDelayField = 8192,
    kAbbreviationField = 16384,
    kImmediateField = 32768,
    kAllFields = 65535,
};

// One key of a macro's section.
struct MacroKey {
    MacroField field;
    std::string_view key;       // as written to the file
    std::string_view fallback;  // a missing key's value, as text
    // How a copy of the key is written: as read (quotes removed), as an
    // integer, or as 0 or 1.
    enum class Form { Text, Integer, Boolean } form;
    // Written when a macro is created (the wizard's Finish) and when it is
    // changed (the properties dialog's OK); otherwise kept by its owner.
    bool created, edited;
    // Whether the macro keeps the key at all (Speed: kind 3 only).
    bool (*keptFor)(const Macro&);
    // The stored text (nothing when missing) into the macro, and back.
    void (*read)(Macro&, std::optional<std::string_view>);
    std::string (*text)(const Macro&);
    // Stored only while it differs from its fallback: a store that never
    // used the key reads, writes and copies as it did before the key was
    // known; set back to the fallback, the key goes from the section.
    bool omittedAtFallback = false;

    bool atFallback(const Macro& m) const { return text(m) == fallback; }
};
std::span<const MacroKey> macroKeys();
const MacroKey& macroKey(MacroField field);
// The keys a write of the fields stores for the macro, in table order, with
// their text: what creating (kCreated) or changing (kEdited) a macro writes.
enum class MacroWrite { Created, Edited };
unsigned writtenFields(const Macro& m, MacroWrite write);

}  // namespace kv::store
