#include "authoring/script_editor.hpp"

#include <gtest/gtest.h>

#include "authoring/command_dialogs.hpp"
#include "authoring/script_file.hpp"
#include "core/error.hpp"
#include "os/fake/fake_os.hpp"
#include "store/macros.hpp"

using namespace kv;
using authoring::CommandDialogKind;
using authoring::CommandField;
using authoring::EditorMenu;

namespace {

// The page and the wizard as the editor sees them: every step goes into one
// log, so the order of hints, dialogs and insertions shows.
struct FakePage : authoring::ScriptEditorView, authoring::ScriptPageHost {
    os::fake::FakeSystem os;
    std::vector<std::string> log;
    bool hintsOn = true;
    void insert(const std::string& text) override { log.push_back("insert " + text); }
    void focusScript() override { log.push_back("focus"); }
    void showCommandDialog(CommandDialogKind kind) override {
        log.push_back("dialog " + std::to_string(static_cast<int>(kind)));
    }
    void showHint(const std::string& text) override {
        if (hintsOn) log.push_back("hint " + text);
    }
    os::System& system() override { return os.sys; }
};

std::vector<std::string> insertedTokens(EditorMenu menu) {
    std::vector<std::string> tokens;
    const std::size_t n = authoring::editorMenu(menu).size();
    for (std::size_t i = 0; i < n; ++i) {
        FakePage page;
        page.hintsOn = false;
        authoring::ScriptEditor(page, page).choose(menu, static_cast<int>(i));
        std::string got;
        for (const std::string& step : page.log)
            if (step.starts_with("insert ")) got += step.substr(7);
        tokens.push_back(got);
    }
    return tokens;
}

}  // namespace

TEST(ScriptEditor, EveryKeyAndDateItemInsertsItsToken) {
    using V = std::vector<std::string>;
    EXPECT_EQ(insertedTokens(EditorMenu::SpecialKeys),
              (V{"<<CTRL>>",  "<<ALT>>", "<<SHIFT>>", "<<CTRL+ALT>>",  "<<CTRL+SHIFT>>", "<<SHIFT+ALT>>",
                 "<<ENTER>>", "<<F1>>",  "<<F2>>",    "<<F3>>",        "<<F4>>",         "<<F5>>",
                 "<<F6>>",    "<<F7>>",  "<<F8>>",    "<<F9>>",        "<<F10>>",        "<<F11>>",
                 "<<F12>>",   "<<ESC>>", "<<TAB>>",   "<<BACKSPACE>>", "<<INSERT>>",     "<<DELETE>>"}));
    EXPECT_EQ(insertedTokens(EditorMenu::MoreKeys),
              (V{"<<HOME>>", "<<END>>", "<<PAGEUP>>", "<<PAGEDOWN>>", "<<PRINTSCREEN>>", "<<UP>>", "<<DOWN>>",
                 "<<LEFT>>", "<<RIGHT>>"}));
    EXPECT_EQ(insertedTokens(EditorMenu::DateTime),
              (V{"<<SHORTDATE>>", "<<LONGDATE>>", "<<SHORTTIME>>", "<<LONGTIME>>"}));
    EXPECT_EQ(insertedTokens(EditorMenu::Repeat), (V{"", "<<ENDREP>>"}));
    // Misc.: the dialogs and questions insert nothing of their own without answers.
    EXPECT_EQ(insertedTokens(EditorMenu::Misc), (V{"", "<<WRITEVALUE>>", "", "", "", ""}));
    EXPECT_EQ(authoring::editorMenuCaptions(EditorMenu::SpecialKeys)[11], "F5");
}

TEST(ScriptEditor, HintComesBeforeTheActionAndTheScriptBoxGetsTheFocusAfter) {
    using V = std::vector<std::string>;
    struct Case {
        EditorMenu menu;
        int index;
        V log;
    };
    const Case cases[] = {
        {EditorMenu::SpecialKeys, 0, {"hint You have selected a key modi", "insert <<CTRL>>", "focus"}},
        {EditorMenu::SpecialKeys, 5, {"hint You have selected a key modi", "insert <<SHIFT+ALT>>", "focus"}},
        {EditorMenu::SpecialKeys, 6, {"insert <<ENTER>>", "focus"}},
        {EditorMenu::MoreKeys, 2, {"insert <<PAGEUP>>", "focus"}},
        {EditorMenu::Repeat, 0, {"hint Use this option to repeat e", "dialog 1", "focus"}},
        {EditorMenu::Repeat, 1, {"hint Use this option to complete", "insert <<ENDREP>>", "focus"}},
        {EditorMenu::DateTime, 3, {"hint A long time is written with", "insert <<LONGTIME>>", "focus"}},
        {EditorMenu::Misc, 0, {"hint Use this option to display ", "dialog 2", "focus"}},
        {EditorMenu::Misc, 3, {"hint Use this option to have Ke", "dialog 3", "focus"}},
        {EditorMenu::SpecialKeys, 24, {}},  // beyond the menu: nothing
    };
    for (const Case& c : cases) {
        FakePage page;
        authoring::ScriptEditor(page, page).choose(c.menu, c.index);
        // A hint is matched by its beginning.
        bool same = page.log.size() == c.log.size();
        for (std::size_t i = 0; same && i < c.log.size(); ++i) same = page.log[i].starts_with(c.log[i]);
        EXPECT_TRUE(same) << static_cast<int>(c.menu) << " " << c.index << ": "
                          << testing::PrintToString(page.log);
    }
    FakePage page;
    page.hintsOn = false;
    authoring::ScriptEditor(page, page).startDelay();
    EXPECT_EQ(page.log, (V{"dialog 0", "focus"}));
    EXPECT_STREQ(
        authoring::kModifierHint + 24,
        "modifier.  To mate this key with another, simply type the key or "
        "select it from the list of special keys directly *after* the modifier ( eg. <<ALT>>f ).  For more "
        "information review the pre-installed examples.");
}

TEST(ScriptEditor, AnswersOfTheQuestionsAreInsertedAsTypedAndCancelInsertsNothing) {
    struct Case {
        int index;
        std::optional<std::string> answer;
        const char* inserted;  // nullptr: nothing
    };
    const Case cases[] = {
        {2, "Notes", "<<RUN:Notes>>"},
        {2, std::nullopt, nullptr},
        {2, "", nullptr},
        {2, " a>b ", "<<RUN: a>b >>"},
        {4, "Untitled - Notepad", "<<FOCUS:Untitled - Notepad>>"},
        {4, std::nullopt, nullptr},
        {5, "C:\\Tools\\x.exe", "<<EXECUTE:C:\\Tools\\x.exe>>"},
        {5, std::nullopt, nullptr},
        {5, "", nullptr},
    };
    for (const Case& c : cases) {
        FakePage page;
        page.hintsOn = false;
        page.os.dialogs.queryAnswers.push_back(c.answer);
        page.os.dialogs.pickedFile = c.answer;
        authoring::ScriptEditor(page, page).choose(EditorMenu::Misc, c.index);
        std::vector<std::string> expected;
        if (c.inserted) expected.push_back(std::string("insert ") + c.inserted);
        expected.push_back("focus");
        EXPECT_EQ(page.log, expected) << c.index;
    }
    FakePage page;
    authoring::ScriptEditor editor(page, page);
    editor.choose(EditorMenu::Misc, 2);
    editor.choose(EditorMenu::Misc, 4);
    editor.choose(EditorMenu::Misc, 5);
    ASSERT_EQ(page.os.dialogs.queries.size(), 2u);
    EXPECT_EQ(page.os.dialogs.queries[0].caption, "Run another macro");
    EXPECT_EQ(page.os.dialogs.queries[0].prompt, "Type the exact name of the existing macro to run");
    EXPECT_EQ(page.os.dialogs.queries[1].caption, "Bring a window into focus");
    EXPECT_EQ(page.os.dialogs.queries[1].prompt, "Title of the window to bring to the foreground.");
    EXPECT_EQ(
        page.os.dialogs.fileFilters,
        std::vector<std::string>{"All Files (*.*)|*.*|Executables (*.exe)|*.exe|Batch Files (*.bat)|*.bat|"
                                 "PIF Files (*.pif)|*.pif|Com Files (*.com)|*.com"});
}

namespace {

struct FakeDialog : authoring::CommandDialogView {
    std::map<CommandField, std::string> fields;
    bool inMinutes = false;
    std::vector<CommandField> focused;
    bool closed = false;
    std::string field(CommandField f) const override {
        auto it = fields.find(f);
        return it == fields.end() ? std::string() : it->second;
    }
    bool minutes() const override { return inMinutes; }
    void focus(CommandField f) override { focused.push_back(f); }
    std::vector<std::string> inserted;
    void insert(const std::string& token) override { inserted.push_back(token); }
    void close() override { closed = true; }
};

}  // namespace

TEST(CommandDialogs, OkInsertsTheTokenOrNamesWhatIsMissing) {
    struct Case {
        CommandDialogKind kind;
        std::map<CommandField, std::string> fields;
        bool minutes;
        std::string separator;  // empty: none in the store
        std::string inserted;   // empty: refused
        std::string message;
        CommandField focus;
    };
    using F = CommandField;
    using K = CommandDialogKind;
    const Case cases[] = {
        {K::Delay, {{F::Time, "5"}}, false, "", "<<SECS5>>", "", F::Time},
        {K::Delay, {{F::Time, "10 "}}, true, "", "<<MINS10>>", "", F::Time},
        {K::Delay, {{F::Time, "   "}}, false, "", "", authoring::kNoDelayTime, F::Time},
        {K::Repeat, {{F::Count, "3"}}, false, "", "<<REP3>>", "", F::Count},
        {K::Repeat, {}, false, "", "", authoring::kNoRepeatCount, F::Count},
        {K::InputBox, {{F::Title, " Your name "}}, false, "", "<<INPUT:Your name>>", "", F::Title},
        {K::InputBox, {}, false, "", "<<INPUT:>>", "", F::Title},
        {K::WaitForWindow,
         {{F::WindowTitle, "Untitled - Notepad"}, {F::Time, "5"}},
         false,
         "",
         "<<LOOKFOR:Untitled - Notepad~~SECS:5>>",
         "",
         F::WindowTitle},
        {K::WaitForWindow,
         {{F::WindowTitle, "Calc"}, {F::Time, "2"}},
         true,
         "|",
         "<<LOOKFOR:Calc|MINS:2>>",
         "",
         F::WindowTitle},
        {K::WaitForWindow,
         {{F::WindowTitle, "   "}, {F::Time, "5"}},
         false,
         "",
         "<<LOOKFOR:~~SECS:5>>",
         "",
         F::WindowTitle},
        {K::WaitForWindow, {{F::Time, "5"}}, false, "", "", authoring::kNoWindowTitle, F::WindowTitle},
        {K::WaitForWindow,
         {{F::WindowTitle, "Calc"}, {F::Time, "   "}},
         false,
         "",
         "",
         authoring::kNoTimeOut,
         F::Time},
        {K::WaitForWindow, {}, false, "", "", authoring::kNoWindowTitle, F::WindowTitle},
    };
    for (const Case& c : cases) {
        os::fake::FakeSystem os;
        if (!c.separator.empty())
            os.files.files[os.sys.storePath] = "[Main]\r\nWaitForSeparator=" + c.separator + "\r\n";
        FakeDialog view;
        view.fields = c.fields;
        view.inMinutes = c.minutes;
        const std::vector<std::string>& inserted = view.inserted;
        authoring::CommandDialog dialog(c.kind, view, os.sys);
        dialog.ok();
        const auto label = c.inserted + c.message;
        if (c.inserted.empty()) {
            EXPECT_TRUE(inserted.empty()) << label;
            EXPECT_EQ(os.dialogs.messages, std::vector<std::string>{c.message}) << label;
            EXPECT_EQ(view.focused, std::vector<CommandField>{c.focus}) << label;
            EXPECT_FALSE(view.closed) << label;
        } else {
            EXPECT_EQ(inserted, std::vector<std::string>{c.inserted}) << label;
            EXPECT_TRUE(os.dialogs.messages.empty()) << label;
            EXPECT_TRUE(view.closed) << label;
        }
    }
}

TEST(ScriptFile, SaveWritesTheNewFileWholeBeforeAnyOtherIsTouched) {
    const std::string dir = "C:\\Keyvale\\";
    struct Case {
        const char* name;
        std::string stored, old, typed;
        std::map<std::string, std::string> after;  // the program directory's files
    };
    const Case cases[] = {
        {"same name", "Notes", "Notes", "Notes  ", {{"Notes.key", "new"}}},
        {"renamed: the stored name keeps the script until the dialog settles",
         "Notes",
         "Notes",
         "Memo",
         {{"Memo.key", "new"}, {"Notes.key", "new"}}},
        {"renamed again: the earlier save's file goes",
         "Notes",
         "Memo",
         "Todo",
         {{"Notes.key", "new"}, {"Todo.key", "new"}}},
        {"back to the stored name", "Notes", "Memo", "Notes", {{"Notes.key", "new"}}},
        // The file system ignores case: the one file must not be removed.
        {"letter case only", "Notes", "Notes", "NOTES", {{"NOTES.key", "new"}, {"Notes.key", "old"}}},
        {"no stored file name", "", "", "Notes", {{"Notes.key", "new"}}},
    };
    for (const Case& c : cases) {
        os::fake::FakeFiles files;
        if (!c.stored.empty()) files.files[dir + c.stored + ".key"] = "old";
        if (c.old != c.stored) files.files[dir + c.old + ".key"] = "earlier";
        EXPECT_EQ(authoring::saveScriptInPlace(files, dir, c.stored, c.old, c.typed, "new"),
                  store::trimmedName(c.typed))
            << c.name;
        std::map<std::string, std::string> after;
        for (const auto& [path, bytes] : files.files) after[path.substr(dir.size())] = bytes;
        EXPECT_EQ(after, c.after) << c.name;
    }

    // A refused write raises its error and leaves the old script where it was.
    for (const bool failRename : {false, true}) {
        os::fake::FakeFiles files;
        files.files[dir + "Notes.key"] = "old";
        if (failRename)
            files.failReplace = true;
        else
            files.noNewFilesIn.insert(dir);
        try {
            authoring::saveScriptInPlace(files, dir, "Notes", "Notes", "Memo", "new");
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Unable to write to C:\\Keyvale\\Memo.key");
        }
        EXPECT_EQ(files.files, (std::map<std::string, std::string>{{dir + "Notes.key", "old"}}));
    }
}

TEST(ScriptFile, RenameSaveThenCancelLeavesTheStoredNameOpeningTheSavedScript) {
    const std::string dir = "C:\\Keyvale\\";
    for (const bool confirmed : {false, true}) {
        os::fake::FakeFiles files;
        files.files[dir + "Notes.key"] = "\r\n  old\r\n\r\n";
        authoring::ScriptEditSession session(files, dir, "Notes");
        EXPECT_EQ(session.load(), "old");
        session.save("Memo ", "new 1\r\n");
        session.save("Todo", "new 2\r\n");
        EXPECT_EQ(session.scriptBaseName(), "Todo");
        // OK stores the saved name; Cancel keeps the store's name as it was.
        if (confirmed)
            session.confirmed();
        else
            session.cancelled();
        const std::string stored = confirmed ? "Todo" : "Notes";
        EXPECT_EQ(files.files, (std::map<std::string, std::string>{{dir + stored + ".key", "new 2\r\n"}}));
    }
}
