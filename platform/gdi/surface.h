// The pixel surface shared by the window system, drawing and display.
// Contract between platform/win (owns one surface per top-level window),
// platform/gdi (draws into it) and platform/display (presents and saves it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"

namespace wq::gdi {

// 32-bit pixels 0x00RRGGBB, row-major from the top row; a fresh surface is black.
struct Surface {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    void Resize(int w, int h) {
        width = w < 0 ? 0 : w;
        height = h < 0 ? 0 : h;
        pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    }
    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// COLORREF (0x00BBGGRR) <-> surface pixel (0x00RRGGBB).
constexpr std::uint32_t PixelFromColorref(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF ColorrefFromPixel(std::uint32_t p) {
    return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

// A device context drawing into `surface` (not owned; must outlive the DC),
// whose coordinate origin lies at `origin` in surface coordinates and whose
// drawing is clipped to `clip` (surface coordinates). Window DCs are made this
// way: a child's DC has its client origin and is clipped to its visible area.
HDC CreateSurfaceDC(Surface* surface, POINT origin, RECT clip);
// Releases a DC made by CreateSurfaceDC; the objects selected into it are not deleted.
void DeleteSurfaceDC(HDC dc);

// Writes a surface (or a part of it) as an 8-bit RGB PNG. False with a reason in
// *error when the file cannot be written.
bool SavePng(const Surface& surface, const std::string& path, std::string* error = nullptr,
             const RECT* part = nullptr);
// Reads a PNG into a surface (for test goldens and tools).
bool LoadPng(const std::string& path, Surface* out, std::string* error = nullptr);

}  // namespace wq::gdi
