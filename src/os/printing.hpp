#pragma once
// Printing plain text: the print dialog and a page-drawing job on the chosen
// printer, in device units of that printer.

#include <memory>
#include <string>
#include <string_view>

namespace kv::os {

// Sizes in device units of the page being drawn.
struct PageMetrics {
    int width = 0;             // printable width
    int height = 0;            // printable height
    int averageCharWidth = 0;  // of the font text is drawn in
    int charHeight = 0;        // the font's character height
};

// Measures text in the font a job draws with.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual int textWidth(std::string_view text) = 0;
    virtual int textHeight(std::string_view text) = 0;
};

// One print job. Every operation raises an error when the printer fails.
class PrintJob : public TextMeasurer {
public:
    virtual PageMetrics metrics() = 0;
    virtual void drawText(int x, int y, std::string_view text) = 0;
    virtual void newPage() = 0;
    // Ends the job: the pages go to the printer.
    virtual void finish() = 0;
};

class Printing {
public:
    virtual ~Printing() = default;
    // Shows the print dialog; the started job on the chosen printer, or
    // nothing when the user cancels. Raises an error when no job can start.
    virtual std::unique_ptr<PrintJob> choosePrinterAndStart(const std::string& documentName) = 0;
};

}  // namespace kv::os
