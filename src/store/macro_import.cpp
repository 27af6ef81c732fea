#include "store/macro_import.hpp"

#include <algorithm>

#include "core/error.hpp"
#include "store/macro_repository.hpp"
#include "store/macros.hpp"

namespace kv::store {

FileMacro toFileMacro(const Macro& m) {
    FileMacro out;
    for (const MacroKey& k : macroKeys()) {
        if (!k.keptFor(m)) continue;
        if (k.field == kNameField && !m.name) continue;
        // What the store leaves out at its fallback, the file does too.
        if (k.omittedAtFallback && k.atFallback(m)) continue;
        out.keys.emplace_back(k.key, k.text(m));
    }
    return out;
}

Macro fromFileMacro(const FileMacro& keys) {
    Macro m;
    for (const MacroKey& k : macroKeys()) k.read(m, keys.value(k.key));
    return m;
}

namespace {

// The reason a macro of the file cannot be imported, or nothing.
std::optional<std::string> refusal(const FileMacro& fm, const Macro& m, const ImportRules& rules) {
    if (!fm.damage.empty()) return fm.damage;
    const std::string name = trimmedName(m.nameOr(""));
    if (name.empty()) return std::string("it has no name");
    if (auto problem = rules.nameProblem(name)) return problem;
    const std::int32_t kind = m.kindOr(0);
    if (kind < kOpenDocument || kind > kScript) return "its kind (" + std::to_string(kind) + ") is unknown";
    if (!dataExtension(kind)) return std::nullopt;
    // The stored file name is made anew from the name; one that names a
    // path says the file is not what it claims.
    try {
        storedDataFilePath("", m.fileName);
    } catch (const Error& e) {
        return std::string(e.what());
    }
    if (!fm.data) return std::string("its data file is not in the file");
    if (kind != kScript && !rules.isRecording(*fm.data)) return std::string("its recording is damaged");
    return std::nullopt;
}

}  // namespace

std::vector<ImportStep> planImport(const std::vector<FileMacro>& file, const std::vector<bool>& chosen,
                                   const std::vector<TakenMacro>& taken, const ImportRules& rules,
                                   os::Files& files,
                                   const std::function<bool(const std::string& fileName)>& dataFileTaken) {
    std::vector<std::string> names;
    std::vector<std::uint16_t> hotKeys;
    std::vector<std::string> abbreviations;
    for (const TakenMacro& t : taken) {
        names.push_back(trimmedName(t.name));
        if (t.hotKey) hotKeys.push_back(t.hotKey);
        if (!t.abbreviation.empty()) abbreviations.push_back(os::upperCased(t.abbreviation));
    }
    const auto nameTaken = [&](const std::string& name, std::int32_t kind) {
        for (const std::string& n : names)
            if (files.sameName(n, name)) return true;
        return dataExtension(kind) && dataFileTaken(MacroRepository::dataFileName(name, kind));
    };
    std::size_t room =
        static_cast<std::size_t>(kMaxEntries) - std::min<std::size_t>(taken.size(), kMaxEntries);

    std::vector<ImportStep> plan;
    for (std::size_t i = 0; i < file.size(); ++i) {
        ImportStep step;
        step.keys = file[i];
        Macro m = fromFileMacro(step.keys);
        step.fileName = m.nameOr("");
        step.data = file[i].data;
        if (!chosen.empty() && (i >= chosen.size() || !chosen[i])) {
            step.outcome = ImportStep::Outcome::Left;
        } else if (auto why = refusal(file[i], m, rules)) {
            step.outcome = ImportStep::Outcome::Refused;
            step.problem = *why;
        } else if (room == 0) {
            step.outcome = ImportStep::Outcome::Refused;
            step.problem = "the store already holds " + std::to_string(kMaxEntries) + " macros";
        }
        if (step.outcome != ImportStep::Outcome::Added) {
            step.macro = std::move(m);
            plan.push_back(std::move(step));
            continue;
        }
        --room;
        const std::int32_t kind = m.kindOr(0);
        const std::string name = trimmedName(m.nameOr(""));
        std::string stored = name;
        for (int n = 2; nameTaken(stored, kind); ++n) stored = name + " (" + std::to_string(n) + ")";
        if (stored != name) step.outcome = ImportStep::Outcome::Renamed;
        step.keys.set(macroKey(kNameField).key, stored);
        if (dataExtension(kind))
            step.keys.set(macroKey(kFileNameField).key, MacroRepository::dataFileName(stored, kind));
        names.push_back(stored);

        if (m.hotKey && std::find(hotKeys.begin(), hotKeys.end(), m.hotKey) != hotKeys.end()) {
            step.hotKeyDropped = true;
            step.keys.set(macroKey(kHotKeyField).key, "0");
        } else if (m.hotKey) {
            hotKeys.push_back(m.hotKey);
        }
        // One abbreviation per macro, without regard to case, as typing matches it.
        if (!m.abbreviation.empty()) {
            const std::string a = os::upperCased(m.abbreviation);
            if (std::find(abbreviations.begin(), abbreviations.end(), a) != abbreviations.end()) {
                step.abbreviationDropped = true;
                step.keys.set(macroKey(kAbbreviationField).key, "");
            } else {
                abbreviations.push_back(a);
            }
        }
        step.macro = fromFileMacro(step.keys);
        if (!dataExtension(kind)) step.data.reset();
        plan.push_back(std::move(step));
    }
    return plan;
}

}  // namespace kv::store
