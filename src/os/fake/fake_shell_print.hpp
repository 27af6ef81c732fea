#pragma once
// Fakes of the shell-link and printing services for the unit tests: folders
// by name, links kept in memory, and a printer that records what is drawn.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "os/printing.hpp"
#include "os/shell_links.hpp"
#include "core/error.hpp"

namespace kv::os::fake {

class FakeShellLinks : public ShellLinks {
public:
    std::optional<std::string> folderPath(ShellFolder folder) override {
        const auto it = folders.find(folder);
        if (it == folders.end()) return std::nullopt;
        return it->second;
    }
    void save(const std::string& linkPath, const ShellLinkData& link) override {
        if (!saveError.empty()) throw Error(saveError);
        links[linkPath] = link;
        if (alsoWriteTo) alsoWriteTo->write(linkPath, link.target);
    }
    // Where saved links also appear as files, for code that finds them there.
    Files* alsoWriteTo = nullptr;
    std::map<ShellFolder, std::string> folders = {{ShellFolder::Desktop, "C:\\Users\\me\\Desktop"},
                                                  {ShellFolder::StartMenu, "C:\\Users\\me\\Start Menu"}};
    std::map<std::string, ShellLinkData> links;
    std::string saveError;
};

// Every character is charWidth wide and charHeight high.
class FakePrintJob : public PrintJob {
public:
    struct Drawn {
        int page;
        int x;
        int y;
        std::string text;
        bool operator==(const Drawn&) const = default;
    };
    PageMetrics metrics() override { return page; }
    int textWidth(std::string_view text) override {
        return static_cast<int>(text.size()) * page.averageCharWidth;
    }
    int textHeight(std::string_view) override { return page.charHeight; }
    void drawText(int x, int y, std::string_view text) override {
        if (failAfterDraws >= 0 && static_cast<int>(drawn.size()) >= failAfterDraws)
            throw Error("I/O error 103");
        drawn.push_back({pages, x, y, std::string(text)});
    }
    void newPage() override { ++pages; }
    void finish() override { finished = true; }

    PageMetrics page{800, 1000, 10, 16};
    std::vector<Drawn> drawn;
    int pages = 1;
    bool finished = false;
    int failAfterDraws = -1;
};

class FakePrinting : public Printing {
public:
    std::unique_ptr<PrintJob> choosePrinterAndStart(const std::string&) override {
        ++dialogs;
        if (cancel) return nullptr;
        job = std::make_shared<FakePrintJob>();
        job->failAfterDraws = failAfterDraws;
        return std::make_unique<Forward>(job);
    }
    // The last job, kept after the program let go of it.
    std::shared_ptr<FakePrintJob> job;
    int dialogs = 0;
    bool cancel = false;
    int failAfterDraws = -1;

private:
    class Forward : public PrintJob {
    public:
        explicit Forward(std::shared_ptr<FakePrintJob> j) : j_(std::move(j)) {}
        PageMetrics metrics() override { return j_->metrics(); }
        int textWidth(std::string_view t) override { return j_->textWidth(t); }
        int textHeight(std::string_view t) override { return j_->textHeight(t); }
        void drawText(int x, int y, std::string_view t) override { j_->drawText(x, y, t); }
        void newPage() override { j_->newPage(); }
        void finish() override { j_->finish(); }

    private:
        std::shared_ptr<FakePrintJob> j_;
    };
};

}  // namespace kv::os::fake
