// Test helpers: a small 32-bit surface with a window-style DC over it and a
// whole-surface pixel check that names the first wrong pixel.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/gdi/gdi.h"

namespace wq::gdi::test {

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF,
                        kBlack = 0x000000, kMagenta = 0xFF00FF;

class Canvas {
public:
    Canvas(int w, int h, std::uint32_t fill = kBlack, POINT origin = {},
           RECT clip = {0, 0, 1 << 20, 1 << 20}) {
        m_surface.Resize(w, h);
        std::fill(m_surface.pixels.begin(), m_surface.pixels.end(), fill);
        m_dc = CreateSurfaceDC(&m_surface, origin, clip);
    }
    // w x h pixels given row by row.
    Canvas(int w, int h, const std::vector<std::uint32_t>& pixels) : Canvas(w, h) {
        m_surface.pixels = pixels;
    }
    ~Canvas() { DeleteSurfaceDC(m_dc); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC dc() const { return m_dc; }
    Surface& surface() { return m_surface; }
    std::uint32_t at(int x, int y) const { return m_surface.At(x, y); }
    int CountNot(std::uint32_t pixel) const {
        const auto& px = m_surface.pixels;
        return int(
            std::count_if(px.begin(), px.end(), [&](std::uint32_t p) { return p != pixel; }));
    }

private:
    Surface m_surface;
    HDC m_dc = nullptr;
};

// Every pixel equals expected(x, y); the message names the first that does not.
inline ::testing::AssertionResult PixelsAre(
    const Surface& s, const std::function<std::uint32_t(int, int)>& expected) {
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (s.At(x, y) != expected(x, y))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << std::hex << s.At(x, y)
                       << ", expected " << expected(x, y);
    return ::testing::AssertionSuccess();
}

}  // namespace wq::gdi::test
