#pragma once
// The Run Macro window: type part of a macro's name, abbreviation or hot
// key, and Enter runs the chosen macro into the window that was in front
// before it opened.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/run_requests.hpp"
#include "os/os.hpp"

namespace kv::authoring {

inline constexpr const char* kRunMacroCaption = "Run Macro";

// A macro as the window lists it.
struct RunMacroItem {
    int slot = 0;
    std::string name;
    std::string hotKey;  // the hot key's text, empty for none
    std::string abbreviation;
    int image = 0;  // the list's image of its kind
    bool operator==(const RunMacroItem&) const = default;
};

// The text as a search compares it: lower case, accents and other marks
// left out ("Écrire" and "ecrire" are one), so typing needs neither.
std::string searchText(std::string_view text);

// How well a macro matches what was typed (already searchText): names that
// start with it first, then names with a word that starts with it, then
// names that hold it anywhere, then abbreviations and hot keys that hold it.
enum class Match { NameStart, WordStart, InName, Elsewhere, None };
struct SearchKey {
    std::string name, abbreviation, hotKey;  // each searchText
};
SearchKey searchKey(const RunMacroItem& item);
Match match(const SearchKey& key, std::string_view typed);

// The items that match, best first, in list order within a rank; every item
// in list order for an empty text.
std::vector<std::size_t> ranked(const std::vector<SearchKey>& keys, std::string_view typed);

class RunMacroView {
public:
    virtual ~RunMacroView() = default;
    virtual void showRows(const std::vector<const RunMacroItem*>& rows) = 0;
    virtual void selectRow(int row) = 0;  // -1 for none
    virtual void close() = 0;
};

class RunMacroPresenter {
public:
    RunMacroPresenter(os::System& sys, RunRequests& runs, RunMacroView& view)
        : sys_(sys), runs_(runs), view_(view) {}

    // The window opens over the window in front, which runs the macro later.
    void open(std::vector<RunMacroItem> items, os::WindowHandle inFront);
    void typed(std::string_view text);
    // Up and Down; a click on a row.
    void move(int by);
    void select(int row);
    // Enter: the window closes, the window in front before gets the focus
    // back, and the chosen macro runs there.
    void run();
    // Esc and the close box: the window in front before gets the focus back.
    void cancel() { close(); }

    int selected() const { return selected_; }
    const std::vector<std::size_t>& shown() const { return shown_; }

private:
    void close();

    os::System& sys_;
    RunRequests& runs_;
    RunMacroView& view_;
    std::vector<RunMacroItem> items_;
    std::vector<SearchKey> keys_;
    std::vector<std::size_t> shown_;
    int selected_ = -1;
    os::WindowHandle inFront_{};
};

// Every macro of the store as the window lists it, from one reading.
std::vector<RunMacroItem> runMacroItems(os::System& sys);

}  // namespace kv::authoring
