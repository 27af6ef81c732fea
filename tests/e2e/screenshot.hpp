#pragma once
// Screenshots of the program's windows for docs/: taken only when
// KV_SCREENSHOT_DIR is set (scripts/screenshots sets it), so the same tests
// also run, without pictures, in the Wine tier.

#include <windows.h>

#include <string>

namespace e2e {

// True when this run takes screenshots.
bool screenshotsWanted();

// Saves what the screen shows of the window (its frame included, and any
// menu or pop-up over it) as <KV_SCREENSHOT_DIR>/<name>.bmp; scripts/screenshots
// turns them into PNG files. Does nothing when no screenshots are wanted.
void saveScreenshot(HWND window, const std::string& name);

// The same for a screen rectangle, for pop-up menus that belong to no window.
void saveScreenRect(const RECT& r, const std::string& name);

}  // namespace e2e
