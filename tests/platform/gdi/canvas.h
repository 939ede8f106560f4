// Test helper: a small 32-bit surface with a window-style DC over it, and
// whole-surface pixel checks that name the first wrong pixel.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/gdi/gdi.h"

namespace wq::gdi::test {

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF,
                        kBlack = 0x000000, kMagenta = 0xFF00FF;

class Canvas {
public:
    Canvas(int w, int h, std::uint32_t fill = kBlack, POINT origin = {}, RECT clip = {0, 0, 1 << 20, 1 << 20});
    ~Canvas() { DeleteSurfaceDC(m_dc); }
    HDC dc() const { return m_dc; }
    Surface& surface() { return m_surface; }
    std::uint32_t at(int x, int y) const { return m_surface.At(x, y); }
    int CountNot(std::uint32_t pixel) const;

private:
    Surface m_surface;
    HDC m_dc = nullptr;
};

// Every pixel equals expected(x, y); the message names the first that does not.
::testing::AssertionResult PixelsAre(const Surface& s, const std::function<std::uint32_t(int, int)>& expected);

// A memory DC with a fresh 32-bit bitmap selected; restores and frees both.
class MemoryCanvas {
public:
    MemoryCanvas(int w, int h, std::uint32_t fill = kBlack);
    ~MemoryCanvas();
    HDC dc() const { return m_dc; }
    Surface& surface() { return *GetBitmapSurface(m_bmp); }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bmp = nullptr;
    HGDIOBJ m_old = nullptr;
};

}  // namespace wq::gdi::test
