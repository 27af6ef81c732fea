#include "screenshot.hpp"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace e2e {

bool screenshotsWanted() {
    const char* dir = std::getenv("KV_SCREENSHOT_DIR");
    return dir && *dir;
}

void saveScreenRect(const RECT& r, const std::string& name) {
    if (!screenshotsWanted()) return;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);

    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    bi.biCompression = BI_RGB;
    const int stride = (w * 3 + 3) & ~3;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(stride) * h);
    GetDIBits(mem, bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER bf{};
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof bf + sizeof bi;
    bf.bfSize = bf.bfOffBits + static_cast<DWORD>(pixels.size());
    const std::string path = std::string(std::getenv("KV_SCREENSHOT_DIR")) + "\\" + name + ".bmp";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&bf, sizeof bf, 1, f);
        std::fwrite(&bi, sizeof bi, 1, f);
        std::fwrite(pixels.data(), 1, pixels.size(), f);
        std::fclose(f);
    }
}

void saveScreenshot(HWND window, const std::string& name) {
    if (!screenshotsWanted() || !window) return;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(200);  // let the desktop draw the frame
    RECT r;
    GetWindowRect(window, &r);
    saveScreenRect(r, name);
}

}  // namespace e2e
