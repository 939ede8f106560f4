#include "tests/platform/gdi/canvas.h"

#include <algorithm>
#include <cstdio>

namespace wq::gdi::test {

Canvas::Canvas(int w, int h, std::uint32_t fill, POINT origin, RECT clip) {
    m_surface.Resize(w, h);
    std::fill(m_surface.pixels.begin(), m_surface.pixels.end(), fill);
    m_dc = CreateSurfaceDC(&m_surface, origin, clip);
}

int Canvas::CountNot(std::uint32_t pixel) const {
    return static_cast<int>(std::count_if(m_surface.pixels.begin(), m_surface.pixels.end(),
                                          [&](std::uint32_t p) { return p != pixel; }));
}

::testing::AssertionResult PixelsAre(const Surface& s, const std::function<std::uint32_t(int, int)>& expected) {
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (s.At(x, y) != expected(x, y)) {
                char text[120];
                std::snprintf(text, sizeof text, "pixel (%d, %d) is %06X, expected %06X", x, y, s.At(x, y),
                              expected(x, y));
                return ::testing::AssertionFailure() << text;
            }
    return ::testing::AssertionSuccess();
}

MemoryCanvas::MemoryCanvas(int w, int h, std::uint32_t fill)
    : m_dc(CreateCompatibleDC(nullptr)), m_bmp(CreateCompatibleBitmap(nullptr, w, h)), m_old(SelectObject(m_dc, m_bmp)) {
    std::fill(surface().pixels.begin(), surface().pixels.end(), fill);
}

MemoryCanvas::~MemoryCanvas() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_bmp);
    DeleteDC(m_dc);
}

}  // namespace wq::gdi::test
