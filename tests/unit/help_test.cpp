// The user guide must keep up with the program: every command of the script
// language, every item of the tray and manager menus and of the editor's
// buttons, and every message the program shows must be in it, and its links
// must lead somewhere. Where the program keeps a list in a table the test
// reads the table; menu captions of the Win32 window and message texts are
// scattered through the sources, so those are read from the source files.

#include "app/help.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.hpp"
#include "app/tray.hpp"
#include "authoring/script_editor.hpp"
#include "os/fake/fake_os.hpp"
#include "playback/tokens.hpp"

namespace fs = std::filesystem;
using namespace kv;

namespace {

const fs::path kSourceRoot = KV_SOURCE_DIR;

std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string collapseBlanks(std::string_view text) {
    std::string out;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (blank && (out.empty() || out.back() == ' ')) continue;
        out += blank ? ' ' : c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// ---- reading C++ sources ----

struct Literal {
    std::size_t begin, end;  // the whole token in the source, quotes included
    std::string text;
};

struct ScannedSource {
    std::string masked;  // literals' insides and comments blanked, offsets kept
    std::vector<Literal> literals;
};

ScannedSource scan(const std::string& src) {
    ScannedSource out{src, {}};
    std::size_t i = 0;
    const auto blank = [&](std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to && k < src.size(); ++k)
            if (src[k] != '\n') out.masked[k] = ' ';
    };
    while (i < src.size()) {
        const char c = src[i];
        if (src.compare(i, 2, "//") == 0) {
            const std::size_t e = src.find('\n', i);
            const std::size_t end = e == std::string::npos ? src.size() : e;
            blank(i, end);
            i = end;
        } else if (src.compare(i, 2, "/*") == 0) {
            const std::size_t e = src.find("*/", i + 2);
            const std::size_t end = e == std::string::npos ? src.size() : e + 2;
            blank(i, end);
            i = end;
        } else if (c == '\'' && i > 0 && std::isxdigit(static_cast<unsigned char>(src[i - 1])) &&
                   i + 1 < src.size() && std::isxdigit(static_cast<unsigned char>(src[i + 1]))) {
            ++i;  // a digit separator, as in 60'000
        } else if (c == '"' || c == '\'') {
            Literal lit{i, 0, {}};
            std::size_t k = i + 1;
            while (k < src.size() && src[k] != c) {
                if (src[k] == '\\' && k + 1 < src.size()) {
                    const char e = src[k + 1];
                    lit.text += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                    k += 2;
                } else {
                    lit.text += src[k++];
                }
            }
            lit.end = k + 1;
            blank(i + 1, k);
            if (c == '"') {
                // "a" "b" is one literal.
                if (!out.literals.empty() &&
                    out.masked.find_first_not_of(" \t\r\n", out.literals.back().end) == i) {
                    out.literals.back().text += lit.text;
                    out.literals.back().end = lit.end;
                } else {
                    out.literals.push_back(std::move(lit));
                }
            }
            i = k + 1;
        } else {
            ++i;
        }
    }
    return out;
}

// The offset just after the bracket that closes the one at open.
std::size_t closing(const std::string& masked, std::size_t open) {
    int depth = 0;
    for (std::size_t k = open; k < masked.size(); ++k) {
        if (masked[k] == '(' || masked[k] == '{' || masked[k] == '[') ++depth;
        if (masked[k] == ')' || masked[k] == '}' || masked[k] == ']')
            if (--depth == 0) return k + 1;
    }
    return masked.size();
}

std::vector<std::string> literalsIn(const ScannedSource& s, std::size_t from, std::size_t to) {
    std::vector<std::string> texts;
    for (const Literal& l : s.literals)
        if (l.begin >= from && l.end <= to) texts.push_back(l.text);
    return texts;
}

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::size_t skipBlanks(const std::string& text, std::size_t at) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    return at;
}

struct Identifier {
    std::string_view name;
    std::size_t begin, end;
};

std::vector<Identifier> identifiers(const std::string& masked) {
    std::vector<Identifier> ids;
    for (std::size_t i = 0; i < masked.size();) {
        if (!isWordChar(masked[i])) {
            ++i;
            continue;
        }
        const std::size_t b = i;
        while (i < masked.size() && isWordChar(masked[i])) ++i;
        if (!std::isdigit(static_cast<unsigned char>(masked[b])))
            ids.push_back({std::string_view(masked).substr(b, i - b), b, i});
    }
    return ids;
}

bool isConstantName(std::string_view name) {
    return name.size() > 1 && name[0] == 'k' && std::isupper(static_cast<unsigned char>(name[1]));
}

char at(const std::string& text, std::size_t i) {
    return i < text.size() ? text[i] : '\0';
}

// Every message text the sources show: the literals given to an error, a
// message box or a refusal, the constants named there, and what a function
// that judges a name (...Problem) returns. A text put together from pieces
// gives each piece; "%s" stands for a path.
std::set<std::string> messagesIn(const std::vector<std::string>& sources) {
    static const std::set<std::string_view> kShowingCalls = {
        "Error", "errorBox", "message", "confirm", "refuse", "withPath", "showFirstRunNote"};
    std::vector<ScannedSource> scanned;
    for (const std::string& s : sources) scanned.push_back(scan(s));

    std::map<std::string, std::vector<std::string>, std::less<>> constants;
    for (const ScannedSource& s : scanned) {
        for (const Identifier& id : identifiers(s.masked)) {
            if (!isConstantName(id.name)) continue;
            std::size_t k = skipBlanks(s.masked, id.end);
            if (at(s.masked, k) == '[') k = skipBlanks(s.masked, s.masked.find(']', k) + 1);
            if (at(s.masked, k) != '=' || at(s.masked, k + 1) == '=') continue;
            for (std::string& t : literalsIn(s, k, s.masked.find(';', k)))
                constants[std::string(id.name)].push_back(std::move(t));
        }
    }

    std::vector<std::string> texts;
    const auto takeArguments = [&](const ScannedSource& s, std::size_t open) {
        const std::size_t end = closing(s.masked, open);
        for (std::string& t : literalsIn(s, open, end)) texts.push_back(std::move(t));
        const std::string arguments = s.masked.substr(open, end - open);
        for (const Identifier& id : identifiers(arguments))
            if (const auto c = constants.find(id.name); c != constants.end())
                texts.insert(texts.end(), c->second.begin(), c->second.end());
    };
    for (const ScannedSource& s : scanned) {
        const std::vector<Identifier> ids = identifiers(s.masked);
        for (std::size_t n = 0; n < ids.size(); ++n) {
            const Identifier& id = ids[n];
            const std::size_t next = skipBlanks(s.masked, id.end);
            if (kShowingCalls.contains(id.name) && (at(s.masked, next) == '(' || at(s.masked, next) == '{')) {
                takeArguments(s, next);
            } else if (id.name == "DepthScope" && n + 1 < ids.size() && ids[n + 1].begin == next) {
                const std::size_t open = skipBlanks(s.masked, ids[n + 1].end);
                if (at(s.masked, open) == '(') takeArguments(s, open);
            } else if (id.name.ends_with("Problem") && at(s.masked, next) == '(') {
                // Only a definition has its body right after the parameters.
                const std::size_t body = skipBlanks(s.masked, closing(s.masked, next));
                if (at(s.masked, body) != '{') continue;
                const std::size_t bodyEnd = closing(s.masked, body);
                for (std::size_t r = s.masked.find("return", body); r < bodyEnd;
                     r = s.masked.find("return", r + 1))
                    for (std::string& t : literalsIn(s, r, s.masked.find(';', r)))
                        texts.push_back(std::move(t));
            }
        }
    }

    std::set<std::string> pieces;
    for (const std::string& t : texts) {
        std::size_t from = 0;
        while (from <= t.size()) {
            const std::size_t pos = t.find("%s", from);
            const std::string piece =
                collapseBlanks(t.substr(from, pos == std::string::npos ? std::string::npos : pos - from));
            const std::string trimmed = piece.substr(std::min(piece.size(), piece.find_first_not_of(' ')));
            int letters = 0;
            for (char c : trimmed) letters += std::isalpha(static_cast<unsigned char>(c)) ? 1 : 0;
            if (letters >= 2) pieces.insert(trimmed);
            if (pos == std::string::npos) break;
            from = pos + 2;
        }
    }
    return pieces;
}

std::vector<std::string> programSources() {
    std::vector<std::string> sources;
    for (const auto& e : fs::recursive_directory_iterator(kSourceRoot / "src")) {
        const fs::path& p = e.path();
        if (p.extension() != ".cpp" && p.extension() != ".hpp") continue;
        if (p.parent_path().filename() == "fake") continue;  // the test double shows nothing
        sources.push_back(readText(p));
    }
    return sources;
}

// ---- reading the help ----

std::string decodeEntities(std::string text) {
    static const std::pair<std::string, std::string> kEntities[] = {
        {"&lt;", "<"},       {"&gt;", ">"},     {"&quot;", "\""},  {"&#39;", "'"},   {"&nbsp;", " "},
        {"&hellip;", "..."}, {"&ldquo;", "\""}, {"&rdquo;", "\""}, {"&rsquo;", "'"}, {"&amp;", "&"},
    };
    for (const auto& [entity, text2] : kEntities)
        for (std::size_t at = text.find(entity); at != std::string::npos;
             at = text.find(entity, at + text2.size()))
            text.replace(at, entity.size(), text2);
    return text;
}

struct HelpPage {
    std::string html;
    std::string text;  // what a reader sees, blanks collapsed
    std::set<std::string> bold;
    std::vector<std::string> ids;
    std::vector<std::string> hrefs;
};

// What a reader sees of some HTML: tags and comments out, entities decoded.
std::string visibleText(const std::string& html) {
    static const std::set<std::string> kInline = {"i", "b", "code", "kbd", "a", "em", "span"};
    std::string out;
    for (std::size_t i = 0; i < html.size();) {
        if (html.compare(i, 4, "<!--") == 0) {
            i = std::min(html.size(), html.find("-->", i) + 3);
            out += ' ';
        } else if (html[i] == '<') {
            const std::size_t close = std::min(html.size(), html.find('>', i));
            std::size_t nameEnd = i + 1 + (at(html, i + 1) == '/' ? 1 : 0);
            const std::size_t nameBegin = nameEnd;
            while (nameEnd < close && std::isalnum(static_cast<unsigned char>(html[nameEnd]))) ++nameEnd;
            const std::string name = html.substr(nameBegin, nameEnd - nameBegin);
            i = close + 1;
            if (name == "style" && html[nameBegin - 1] != '/')
                i = std::min(html.size(), html.find("</style>", i));
            // Inline elements join their text to the words around them.
            if (!kInline.contains(name)) out += ' ';
        } else {
            out += html[i++];
        }
    }
    return collapseBlanks(decodeEntities(out));
}

// The values of an attribute wherever it stands in a tag.
std::vector<std::string> attributeValues(const std::string& html, const std::string& attribute) {
    std::vector<std::string> values;
    const std::string marker = " " + attribute + "=\"";
    for (std::size_t k = html.find(marker); k != std::string::npos; k = html.find(marker, k + 1)) {
        const std::size_t from = k + marker.size();
        values.push_back(html.substr(from, html.find('"', from) - from));
    }
    return values;
}

HelpPage readPage(const std::string& name) {
    HelpPage page;
    page.html = readText(kSourceRoot / "help" / name);
    page.text = visibleText(page.html);
    for (std::size_t k = page.html.find("<b>"); k != std::string::npos; k = page.html.find("<b>", k + 1)) {
        const std::size_t from = k + 3;
        page.bold.insert(visibleText(page.html.substr(from, page.html.find("</b>", from) - from)));
    }
    page.ids = attributeValues(page.html, "id");
    page.hrefs = attributeValues(page.html, "href");
    return page;
}

const char* const kHelpFiles[] = {"Keyvale.html", "Keyvalefaq.html"};

std::string withoutAmpersand(std::string caption) {
    std::erase(caption, '&');
    return caption;
}

std::string listed(const std::vector<std::string>& items) {
    std::string s;
    for (const std::string& i : items) s += "\n  " + i;
    return s;
}

}  // namespace

// ---- the checks ----

TEST(HelpTest, DescribesEveryCommandOfTheScriptLanguage) {
    std::set<std::string> commands;
    for (const auto& k : playback::kKeyTokens) commands.insert(std::string(k.token));
    for (const auto& m : playback::kModifierTokens) commands.insert(std::string(m.token));
    // The other commands are recognised in the interpreter's code.
    for (const Literal& l : scan(readText(kSourceRoot / "src/playback/interpreter.cpp")).literals)
        if (l.text.starts_with("<<")) commands.insert(l.text);
    ASSERT_GT(commands.size(), 45u) << "the commands are no longer where this test looks for them";

    const std::string text = readPage("Keyvale.html").text;
    std::vector<std::string> missing;
    for (const std::string& c : commands)
        if (text.find(c) == std::string::npos) missing.push_back(c);
    EXPECT_TRUE(missing.empty()) << "commands the help does not describe:" << listed(missing);
}

TEST(HelpTest, NamesEveryMenuItemAndButtonInBold) {
    std::vector<std::pair<std::string, std::string>> items;  // where, caption
    for (const app::TrayMenuItem& t : app::trayMenuItems())
        if (t.caption) items.emplace_back("tray menu", withoutAmpersand(t.caption));
    const ScannedSource manager = scan(readText(kSourceRoot / "src/manager/win32/manager_window.cpp"));
    const std::vector<Identifier> ids = identifiers(manager.masked);
    for (const Identifier& id : ids) {
        const std::size_t next = skipBlanks(manager.masked, id.end);
        std::vector<std::string> captions;
        if (id.name == "AppendMenuW" && at(manager.masked, next) == '(') {
            captions = literalsIn(manager, next, closing(manager.masked, next));
        } else if (id.name == "kShortcutItems" && at(manager.masked, next) == '[' &&
                   at(manager.masked, skipBlanks(manager.masked, manager.masked.find(']', next) + 1)) ==
                       '=') {
            const std::size_t open = manager.masked.find('{', next);
            captions = literalsIn(manager, open, closing(manager.masked, open));
        } else if (id.name == "kButton" && at(manager.masked, next) == ',') {
            // A button row's caption is the first literal of its row.
            const std::size_t open = manager.masked.rfind('{', id.begin);
            captions = literalsIn(manager, open, closing(manager.masked, open));
            captions.resize(std::min<std::size_t>(captions.size(), 1));
        }
        for (const std::string& c : captions) items.emplace_back("manager window", withoutAmpersand(c));
    }
    using authoring::EditorMenu;
    for (EditorMenu m : {EditorMenu::SpecialKeys, EditorMenu::MoreKeys, EditorMenu::Repeat,
                         EditorMenu::DateTime, EditorMenu::Misc})
        for (const std::string& c : authoring::editorMenuCaptions(m)) items.emplace_back("script editor", c);
    ASSERT_GT(items.size(), 60u) << "the menus are no longer where this test looks for them";

    const HelpPage page = readPage("Keyvale.html");
    std::vector<std::string> missing;
    for (const auto& [where, caption] : items)
        if (!page.bold.contains(caption)) missing.push_back(where + ": " + caption);
    EXPECT_TRUE(missing.empty()) << "items the help does not name in bold:" << listed(missing);
}

TEST(HelpTest, ExplainsEveryMessageOfTheProgram) {
    const std::set<std::string> messages = messagesIn(programSources());
    ASSERT_GT(messages.size(), 40u) << "the messages are no longer where this test looks for them";
    const std::string text = readPage("Keyvale.html").text;
    std::vector<std::string> missing;
    for (const std::string& m : messages)
        if (text.find(m) == std::string::npos) missing.push_back(m);
    EXPECT_TRUE(missing.empty()) << "message texts the help does not show:" << listed(missing);
}

TEST(HelpTest, EveryLinkLeadsToAnAnchorAndNothingComesFromTheNetwork) {
    std::map<std::string, HelpPage> pages;
    for (const char* f : kHelpFiles) pages.emplace(f, readPage(f));
    for (const auto& [file, page] : pages) {
        SCOPED_TRACE(file);
        const std::set<std::string> unique(page.ids.begin(), page.ids.end());
        EXPECT_EQ(unique.size(), page.ids.size()) << "an anchor is defined twice";
        EXPECT_EQ(page.html.find("<script"), std::string::npos);
        EXPECT_EQ(page.html.find("src="), std::string::npos) << "the help loads nothing";
        for (const std::string& href : page.hrefs) {
            const std::size_t hash = href.find('#');
            const std::string target = hash == 0 ? file : href.substr(0, hash);
            ASSERT_TRUE(pages.contains(target)) << href << " leads out of the help";
            if (hash == std::string::npos) continue;
            const std::vector<std::string>& ids = pages.at(target).ids;
            EXPECT_NE(std::find(ids.begin(), ids.end(), href.substr(hash + 1)), ids.end())
                << href << " points at no anchor";
        }
    }
}

TEST(HelpTest, WhatF1AndTheHelpMenuOpenExists) {
    os::fake::FakeSystem fake;
    journal::NullJournal journal;
    app::Application application(fake.sys, journal, nullptr);
    app::openHelpTopic(fake.sys);
    application.trayCommand(app::TrayCommand::Operation);
    application.trayCommand(app::TrayCommand::Faq);
    ASSERT_EQ(fake.shell.opened.size(), 3u);
    for (const std::string& url : fake.shell.opened) {
        SCOPED_TRACE(url);
        const std::size_t hash = url.find('#');
        const std::string path = url.substr(0, hash);
        const std::string file = path.substr(path.rfind('/') + 1);
        ASSERT_TRUE(fs::exists(kSourceRoot / "help" / file));
        if (hash == std::string::npos) continue;
        const std::vector<std::string> ids = readPage(file).ids;
        EXPECT_NE(std::find(ids.begin(), ids.end(), url.substr(hash + 1)), ids.end());
    }
}

// The source reader itself: a fault here would let a message through unseen.
TEST(HelpTest, MessagesAreFoundHoweverTheSourceWritesThem) {
    struct Case {
        const char* source;
        std::set<std::string> messages;
    };
    const Case cases[] = {
        {R"(throw Error("Unable to write to " + path);)", {"Unable to write to"}},
        {R"(throw Error("Two " "pieces.");)", {"Two pieces."}},
        {R"(throw Error("Say \"hi\"\\ now");)", {"Say \"hi\"\\ now"}},
        {R"(// throw Error("commented out");
            /* errorBox("also out"); */ int n = 60'000; errorBox("After a separator.");)",
         {"After a separator."}},
        {R"(constexpr const char* kGone = "Gone   away.";
            void f() { sys.dialogs.message(kGone); })",
         {"Gone away."}},
        {R"(refuse(kNoTime, Field::Time); inline constexpr const char* kNoTime = "No time.";)", {"No time."}},
        {R"(errorBox(withPath(kNotSaved, p)); constexpr const char* kNotSaved = "Not saved to %s.  Again.";)",
         {"Not saved to", ". Again."}},
        {R"(std::optional<std::string> nameProblem(std::string_view t) {
                if (t.find_first_of("<>") != npos) return "No brackets.";
                return "Device " + t + " is taken.";
            })",
         {"No brackets.", "Device", "is taken."}},
        {R"(DepthScope depth(level, 64, "Too deep.");)", {"Too deep."}},
        {R"(view.setStatus("Not a message"); show(kHint); constexpr const char* kHint = "A hint.";)", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(messagesIn({c.source}), c.messages) << c.source;
}
