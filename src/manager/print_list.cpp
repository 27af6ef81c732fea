#include "manager/print_list.hpp"

#include <algorithm>

namespace kv::manager {

std::vector<std::string> printedLines(const std::vector<MacroRow>& rows) {
    std::vector<std::string> lines = {"HOTKEY      \t\tMACRO NAME", std::string(33, '_')};
    for (const MacroRow& r : rows) {
        // The abbreviation goes beside the hot key; a list without any
        // prints as it always did.
        std::string keys = r.hotKey;
        if (!r.abbreviation.empty()) {
            if (!keys.empty()) keys += ' ';
            keys.append(1, '"').append(r.abbreviation).append(1, '"');
        }
        if (keys.empty()) continue;
        lines.push_back(keys + (keys.size() <= 8 ? "\t\t\t" : "\t\t") + r.name);
    }
    return lines;
}

namespace {

class Channel {
public:
    explicit Channel(os::PrintJob& job) : job_(job), m_(job.metrics()) {
        tab_ = std::max(1, 8 * m_.averageCharWidth);
    }

    void writeLine(const std::string& line) {
        std::size_t i = 0;
        while (i < line.size()) {
            if (line[i] == '\t') {
                const int next = (x_ + 2 + tab_ - 1) / tab_ * tab_;
                if (next > m_.width)
                    endLine();
                else
                    x_ = next;
                ++i;
                continue;
            }
            const std::size_t end = std::min(line.find('\t', i), line.size());
            i = writeText(line.substr(i, end - i)) + i;
        }
        endLine();
    }

    void finish() { job_.finish(); }

private:
    // Draws as much of the text as fits on this line and returns how many
    // characters were drawn; the line is ended when some remain.
    std::size_t writeText(const std::string& text) {
        std::size_t fit = text.size();
        while (fit > 0 && x_ + job_.textWidth(std::string_view(text).substr(0, fit)) > m_.width) --fit;
        // A character wider than a whole line still goes out, alone.
        if (fit == 0 && x_ == 0) fit = 1;
        if (fit > 0) {
            const std::string_view part = std::string_view(text).substr(0, fit);
            if (pageEnded_) {
                job_.newPage();
                pageEnded_ = false;
            }
            job_.drawText(x_, y_, part);
            x_ += job_.textWidth(part);
            lineHeight_ = std::max(lineHeight_, job_.textHeight(part) + 2);
        }
        if (fit < text.size()) endLine();
        return fit;
    }

    void endLine() {
        const int advance = lineHeight_ > 0 ? lineHeight_ : m_.charHeight;
        y_ += advance;
        x_ = 0;
        lineHeight_ = 0;
        if (m_.height - y_ < 2 * advance) {
            // The page goes out with the next text, so none is left blank at the end.
            pageEnded_ = true;
            y_ = 0;
        }
    }

    os::PrintJob& job_;
    os::PageMetrics m_;
    int tab_ = 1;
    int x_ = 0;
    int y_ = 0;
    int lineHeight_ = 0;
    bool pageEnded_ = false;
};

}  // namespace

void printLines(os::PrintJob& job, const std::vector<std::string>& lines) {
    Channel channel(job);
    for (const std::string& line : lines) channel.writeLine(line);
    channel.finish();
}

}  // namespace kv::manager
