#pragma once
// Printing through the common print dialog and a printer device context.

#include <windows.h>

#include "os/printing.hpp"

namespace kv::os::win32 {

class Win32Printing : public Printing {
public:
    std::unique_ptr<PrintJob> choosePrinterAndStart(const std::string& documentName) override;
    HWND owner = nullptr;
};

}  // namespace kv::os::win32
