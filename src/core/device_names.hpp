#pragma once
// File names Windows takes for devices: a path whose last part is one of them
// opens the device (a serial port's read can block), not a file beside it.

#include <string_view>

namespace kv {

// Whether the file name (no folder) names a device: CON, PRN, AUX, NUL,
// CONIN$, CONOUT$, COM and LPT followed by 1 to 9 or a superscript 1, 2 or 3,
// in any letter case, whatever extension follows and whatever blanks end the
// first part.
bool namesDevice(std::string_view fileName);

// Whether the last part of the path names a device (a trailing colon, as in
// "COM1:", counts as part of the device name).
bool pathNamesDevice(std::string_view path);

}  // namespace kv
