// BitBlt, StretchBlt and TransparentImage: which destination pixels change,
// checked pixel by pixel inside and outside the target area.
#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/gdi/canvas.h"

namespace wq::gdi::test {
namespace {

using Pixels = std::vector<std::uint32_t>;

// A memory DC holding a one-row (or one-column) bitmap of the given pixels.
class Strip {
public:
    explicit Strip(const Pixels& px, bool vertical = false)
        : m_dc(CreateCompatibleDC(nullptr)),
          m_bmp(CreateCompatibleBitmap(nullptr, vertical ? 1 : int(px.size()),
                                       vertical ? int(px.size()) : 1)),
          m_old(SelectObject(m_dc, m_bmp)) {
        surface().pixels = px;
    }
    ~Strip() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bmp);
        DeleteDC(m_dc);
    }
    HDC dc() const { return m_dc; }
    Surface& surface() { return *GetBitmapSurface(m_bmp); }

private:
    HDC m_dc;
    HBITMAP m_bmp;
    HGDIOBJ m_old;
};

TEST(GdiBitBlt, CopiesOnlyWhatLiesInsideSourceDestinationAndClip) {
    Strip src({kRed, kGreen, kBlue, kWhite});
    auto blueWhite = [](int x, int y) {
        return y ? kBlack : x == 0 ? kBlue : x == 1 ? kWhite : kBlack;
    };
    // Negative x: the two leftmost source pixels fall off the destination.
    Canvas left(6, 2);
    EXPECT_TRUE(BitBlt(left.dc(), -2, 0, 4, 1, src.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(PixelsAre(left.surface(), blueWhite));
    // A source rectangle reaching past the source surface copies only its inside.
    Canvas past(6, 2);
    EXPECT_TRUE(BitBlt(past.dc(), 0, 0, 6, 2, src.dc(), 2, 0, SRCCOPY));
    EXPECT_TRUE(PixelsAre(past.surface(), blueWhite));
    // A window DC draws relative to its origin and never outside its clip.
    Canvas win(8, 6, kBlack, POINT{2, 1}, RECT{2, 1, 5, 4});
    EXPECT_TRUE(BitBlt(win.dc(), 1, 0, 4, 1, src.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(PixelsAre(win.surface(), [](int x, int y) {
        return y == 1 && x == 3 ? kRed : y == 1 && x == 4 ? kGreen : kBlack;
    }));
    EXPECT_EQ(GetPixel(win.dc(), 1, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(win.dc(), -1, 0), CLR_INVALID);
    // An overlapping copy within one surface reads the old pixels.
    EXPECT_TRUE(BitBlt(src.dc(), 1, 0, 3, 1, src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(src.surface().pixels, (Pixels{kRed, kRed, kGreen, kBlue}));
}

TEST(GdiStretchBlt, NearestNeighbourEnlargesShrinksAndMirrors) {
    const std::uint32_t A = 0x111111, B = 0x222222, C = 0x333333, D = 0x444444;
    struct Case {
        Pixels src;
        int dw, sx, sw;
        Pixels expected;
    } const cases[] = {
        {{A, B}, 6, 0, 2, {A, A, A, B, B, B}},
        {{A, B, C, D}, 2, 0, 4, {A, C, kBlack, kBlack}},
        {{A, B}, -4, 0, 2, {B, B, A, A}},
        {{A, B, C, D}, 4, 1, 2, {B, B, C, C}},
    };
    for (const Case& c : cases) {
        Strip src(c.src);
        Canvas dst(int(c.expected.size()), 1);
        const int dx = c.dw < 0 ? -c.dw : 0;
        EXPECT_TRUE(StretchBlt(dst.dc(), dx, 0, c.dw, 1, src.dc(), c.sx, 0, c.sw, 1, SRCCOPY));
        EXPECT_EQ(dst.surface().pixels, c.expected) << "width " << c.dw << " from " << c.sx;
    }
    Strip column({A, B}, true);
    Canvas dst(1, 5);
    EXPECT_TRUE(StretchBlt(dst.dc(), 0, 0, 1, 4, column.dc(), 0, 0, 1, 2, SRCCOPY));
    EXPECT_EQ(dst.surface().pixels, (Pixels{A, A, B, B, kBlack}));
}

TEST(GdiTransparentImage, LeavesKeyPixelsUntouchedAfterStretching) {
    Strip src({kMagenta, kGreen});
    Canvas dst(5, 1, kRed);
    EXPECT_TRUE(TransparentImage(dst.dc(), 0, 0, 4, 1, src.dc(), 0, 0, 2, 1, RGB(255, 0, 255)));
    EXPECT_EQ(dst.surface().pixels, (Pixels{kRed, kRed, kGreen, kGreen, kRed}));
    // The key is compared exactly: 0xFE00FF does not hide 0xFF00FF.
    Canvas exact(2, 1, kRed);
    EXPECT_TRUE(TransparentBlt(exact.dc(), 0, 0, 2, 1, src.dc(), 0, 0, 2, 1, RGB(254, 0, 255)));
    EXPECT_EQ(exact.surface().pixels, (Pixels{kMagenta, kGreen}));
}

}  // namespace
}  // namespace wq::gdi::test
