#include "authoring/sharing.hpp"

#include "authoring/macro_name.hpp"
#include "core/error.hpp"
#include "journal/journal_file.hpp"
#include "store/macro_repository.hpp"
#include "store/store.hpp"

namespace kv::authoring {

store::ImportRules importRules() {
    return {[](std::string_view name) -> std::optional<std::string> { return macroNameProblem(name); },
            [](std::string_view bytes) { return journal::decodeRecording(bytes).has_value(); }};
}

bool exportMacros(os::System& sys, const std::vector<int>& slots) {
    const auto path =
        sys.dialogs.saveFile(kMacroFileFilter, "Macros" + std::string(store::kMacroFileExtension),
                             std::string(store::kMacroFileExtension.substr(1)));
    if (!path) return false;
    const store::MacroRepository macros(sys);
    const auto exported = macros.exportMacros(slots);
    if (!store::replaceFileContent(sys.files, *path, exported.bytes))
        throw Error("Unable to write to " + *path);
    if (!exported.withoutData.empty()) {
        std::string names;
        for (const std::string& n : exported.withoutData) names += (names.empty() ? "" : ", ") + n;
        sys.dialogs.message(
            "The data files of these macros were not found, so they were exported without them: " + names);
    }
    return true;
}

std::vector<store::FileMacro> readMacroFileAt(os::System& sys, const std::string& path) {
    const auto bytes = sys.files.read(path);
    if (!bytes) throw Error("Unable to read from " + path);
    auto file = store::readMacroFile(*bytes);
    if (!file) throw Error(path + " is not a Keyvale macro file");
    return std::move(*file);
}

std::optional<std::string> chooseMacroFile(os::System& sys) {
    return sys.dialogs.openFile(kMacroFileFilter);
}

std::string outcomeText(const store::ImportStep& step) {
    using O = store::ImportStep::Outcome;
    std::string text;
    switch (step.outcome) {
        case O::Left: return "Not added";
        case O::Refused: return "Not added: " + step.problem;
        case O::Added: text = "Added"; break;
        case O::Renamed: text = "Added as " + step.storedName() + ": a macro has its name"; break;
    }
    if (step.hotKeyDropped) text += "; its hot key is left out: another macro has it";
    if (step.abbreviationDropped) text += "; its abbreviation is left out: another macro has it";
    return text;
}

ImportPresenter::ImportPresenter(os::System& sys, ImportView& view, std::vector<store::FileMacro> file)
    : sys_(sys), view_(view), file_(std::move(file)), chosen_(file_.size(), true) {
    plan();
}

void ImportPresenter::setChecked(int row, bool on) {
    if (row < 0 || static_cast<std::size_t>(row) >= chosen_.size() || rows_[row].refused) return;
    chosen_[row] = on;
    plan();
}

void ImportPresenter::plan() {
    const store::MacroRepository macros(sys_);
    const auto steps = macros.planImport(file_, chosen_, importRules());
    rows_.clear();
    bool any = false;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        ImportRow row;
        row.name = steps[i].fileName.empty() ? "Macro " + std::to_string(i + 1) : steps[i].fileName;
        row.refused = steps[i].outcome == store::ImportStep::Outcome::Refused;
        // A refused macro stays chosen, so that it keeps saying why.
        row.checked = chosen_[i] && !row.refused;
        row.outcome = outcomeText(steps[i]);
        any = any || steps[i].imported();
        rows_.push_back(std::move(row));
    }
    view_.showRows(rows_);
    view_.enableOk(any);
}

int ImportPresenter::ok() {
    store::MacroRepository macros(sys_);
    const auto done = macros.importMacros(file_, chosen_, importRules());
    int added = 0;
    for (const auto& step : done) added += step.imported();
    return added;
}

}  // namespace kv::authoring
