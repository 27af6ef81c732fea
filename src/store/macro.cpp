#include "store/macro.hpp"

#include <algorithm>
#include <iterator>

#include "core/text.hpp"
#include "store/store.hpp"

namespace kv::store {

namespace {

std::optional<std::int32_t> number(std::optional<std::string_view> stored) {
    return stored ? parseInteger(*stored) : std::nullopt;
}

bool always(const Macro&) {
    return true;
}

bool scriptOnly(const Macro& m) {
    return m.kindOr(0) == kScript;
}

// The stored words of Insert and PasteKeys; anything else reads as the first.
constexpr std::string_view kInsertWords[] = {"type", "paste", "auto"};
constexpr std::string_view kPasteKeysWords[] = {"ctrl-v", "shift-insert"};

template <typename E, std::size_t N>
E fromWord(std::optional<std::string_view> stored, const std::string_view (&words)[N]) {
    if (stored)
        for (std::size_t i = 0; i < N; ++i)
            if (kv::equalsIgnoringAsciiCase(kv::trimBlanks(*stored), words[i])) return static_cast<E>(i);
    return static_cast<E>(0);
}

// The table. Integer keys read as integers with the fallback for a missing
// or malformed value; the order is the order a new section's keys take.
constexpr MacroKey kKeys[] = {
    {kNameField, "Name", "", MacroKey::Form::Text, true, true, always,
     [](Macro& m, std::optional<std::string_view> v) {
         m.name = v ? std::optional<std::string>(*v) : std::nullopt;
     },
     [](const Macro& m) { return m.nameOr(""); }},
    {kKindField, "Type", "1", MacroKey::Form::Integer, true, false, always,
     [](Macro& m, std::optional<std::string_view> v) { m.kind = number(v); },
     [](const Macro& m) { return std::to_string(m.kindOr(kOpenDocument)); }},
    {kHotKeyField, "HotKey", "0", MacroKey::Form::Integer, true, true, always,
     [](Macro& m, std::optional<std::string_view> v) {
         m.hotKey = static_cast<std::uint16_t>(number(v).value_or(0) & 0xFFFF);
     },
     [](const Macro& m) { return std::to_string(m.hotKey); }},
    // Kind 1 stores its document, kinds 2 to 4 their data file; other kinds
    // keep what they have.
    {kFileNameField, "FileName", "", MacroKey::Form::Text, true, true,
     [](const Macro& m) { return m.kindOr(0) >= kOpenDocument && m.kindOr(0) <= kScript; },
     [](Macro& m, std::optional<std::string_view> v) { m.fileName = v.value_or(""); },
     [](const Macro& m) { return m.fileName; }},
    {kTriggerField, "Trigger", "", MacroKey::Form::Text, true, true, always,
     [](Macro& m, std::optional<std::string_view> v) { m.trigger = v.value_or(""); },
     [](const Macro& m) { return m.trigger; }},
    {kSpeedField, "Speed", "1", MacroKey::Form::Integer, true, true,
     [](const Macro& m) { return m.kindOr(0) == kReplayMouseAndKeys; },
     [](Macro& m, std::optional<std::string_view> v) { m.speed = number(v).value_or(1); },
     [](const Macro& m) { return std::to_string(m.speed); }},
    {kTriggerRanField, "TriggerRan", "0", MacroKey::Form::Boolean, false, false, always,
     [](Macro& m, std::optional<std::string_view> v) { m.triggerRan = number(v).value_or(0) != 0; },
     [](const Macro& m) { return std::string(m.triggerRan ? "1" : "0"); }},
    {kFiredWindowsField, "FoundHandle", "", MacroKey::Form::Text, false, false, always,
     [](Macro& m, std::optional<std::string_view> v) { m.firedWindows = v.value_or(""); },
     [](const Macro& m) { return m.firedWindows; }},
    {kEnabledField, "Enabled", "1", MacroKey::Form::Boolean, true, true, always,
     [](Macro& m, std::optional<std::string_view> v) { m.enabled = number(v).value_or(1) != 0; },
     [](const Macro& m) { return std::string(m.enabled ? "1" : "0"); }, true},
    {kOnlyInField, "OnlyIn", "", MacroKey::Form::Text, true, true, always,
     [](Macro& m, std::optional<std::string_view> v) { m.onlyIn = v.value_or(""); },
     [](const Macro& m) { return m.onlyIn; }, true},
    {kNotInField, "NotIn", "", MacroKey::Form::Text, true, true, always,
     [](Macro& m, std::optional<std::string_view> v) { m.notIn = v.value_or(""); },
     [](const Macro& m) { return m.notIn; }, true},
    {kInsertField, "Insert", "type", MacroKey::Form::Text, true, true, scriptOnly,
     [](Macro& m, std::optional<std::string_view> v) { m.insert = fromWord<Insert>(v, kInsertWords); },
     [](const Macro& m) { return std::string(kInsertWords[static_cast<int>(m.insert)]); }, true},
    {kPasteKeysField, "PasteKeys", "ctrl-v", MacroKey::Form::Text, true, true, scriptOnly,
     [](Macro& m, std::optional<std::string_view> v) {
         m.pasteKeys = fromWord<PasteKeys>(v, kPasteKeysWords);
     },
     [](const Macro& m) { return std::string(kPasteKeysWords[static_cast<int>(m.pasteKeys)]); }, true},
    // Out of range reads as the nearest allowed pause.
    {kKeyDelayField, "KeyDelay", "0", MacroKey::Form::Integer, true, true, scriptOnly,
     [](Macro& m, std::optional<std::string_view> v) {
         m.keyDelay = std::clamp(number(v).value_or(0), 0, kMaxKeyDelay);
     },
     [](const Macro& m) { return std::to_string(m.keyDelay); }, true},
    {kAbbreviationField, "Abbreviation", "", MacroKey::Form::Text, true, true, always,
     [](Macro& m, std::optional<std::string_view> v) { m.abbreviation = v.value_or(""); },
     [](const Macro& m) { return m.abbreviation; }, true},
    {kImmediateField, "Immediate", "0", MacroKey::Form::Boolean, true, true, always,
     [](Macro& m, std::optional<std::string_view> v) { m.immediate = number(v).value_or(0) != 0; },
     [](const Macro& m) { return std::string(m.immediate ? "1" : "0"); }, true},
};
static_assert(kAllFields == (1u << std::size(kKeys)) - 1, "one field bit per row, in row order");

constexpr bool inFieldOrder() {
    for (std::size_t i = 0; i < std::size(kKeys); ++i)
        if (kKeys[i].field != (1u << i)) return false;
    return true;
}
static_assert(inFieldOrder());

}  // namespace

std::span<const MacroKey> macroKeys() {
    return kKeys;
}

const MacroKey& macroKey(MacroField field) {
    for (const MacroKey& k : kKeys)
        if (k.field == field) return k;
    return kKeys[0];
}

unsigned writtenFields(const Macro& m, MacroWrite write) {
    unsigned fields = 0;
    for (const MacroKey& k : kKeys)
        if ((write == MacroWrite::Created ? k.created : k.edited) && k.keptFor(m)) fields |= k.field;
    return fields;
}

}  // namespace kv::store
