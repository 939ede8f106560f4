// BitBlt, StretchBlt and TransparentImage: which destination pixels change,
// checked pixel by pixel inside and outside the target area.
#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/gdi/canvas.h"

namespace wq::gdi::test {
namespace {

// A memory DC holding a one-row (or one-column) picture of the given pixels.
struct Strip {
    explicit Strip(std::vector<std::uint32_t> px, bool vertical = false)
        : canvas(vertical ? 1 : static_cast<int>(px.size()), vertical ? static_cast<int>(px.size()) : 1) {
        canvas.surface().pixels = px;
    }
    MemoryCanvas canvas;
};

TEST(GdiBitBlt, CopiesOnlyWhatLiesInsideSourceAndDestination) {
    Strip src({kRed, kGreen, kBlue, kWhite});
    {
        // Negative x: the two leftmost source pixels fall off the destination.
        Canvas dst(6, 2, kBlack);
        EXPECT_TRUE(BitBlt(dst.dc(), -2, 0, 4, 1, src.canvas.dc(), 0, 0, SRCCOPY));
        EXPECT_TRUE(PixelsAre(dst.surface(), [](int x, int y) {
            if (y == 0 && x == 0) return kBlue;
            if (y == 0 && x == 1) return kWhite;
            return kBlack;
        }));
    }
    {
        // A source rectangle reaching past the source surface copies only its inside.
        Canvas dst(6, 2, kBlack);
        EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 6, 2, src.canvas.dc(), 2, 0, SRCCOPY));
        EXPECT_TRUE(PixelsAre(dst.surface(), [](int x, int y) {
            if (y == 0 && x == 0) return kBlue;
            if (y == 0 && x == 1) return kWhite;
            return kBlack;
        }));
    }
    {
        // A window DC draws relative to its origin and never outside its clip.
        Canvas dst(8, 6, kBlack, POINT{2, 1}, RECT{2, 1, 5, 4});
        RECT all{-10, -10, 100, 100};
        HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
        FillRect(dst.dc(), &all, green);
        DeleteObject(green);
        EXPECT_TRUE(BitBlt(dst.dc(), 1, 0, 4, 1, src.canvas.dc(), 0, 0, SRCCOPY));
        EXPECT_TRUE(PixelsAre(dst.surface(), [](int x, int y) {
            if (x < 2 || x >= 5 || y < 1 || y >= 4) return kBlack;
            if (y == 1 && x == 3) return kRed;
            if (y == 1 && x == 4) return kGreen;
            return kGreen;
        }));
        EXPECT_EQ(GetPixel(dst.dc(), 1, 0), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(dst.dc(), -1, 0), CLR_INVALID);
    }
}

TEST(GdiBitBlt, OverlappingCopyInsideOneBitmapReadsTheOldPixels) {
    Strip strip({kRed, kGreen, kBlue, kWhite});
    EXPECT_TRUE(BitBlt(strip.canvas.dc(), 1, 0, 3, 1, strip.canvas.dc(), 0, 0, SRCCOPY));
    std::vector<std::uint32_t> expected{kRed, kRed, kGreen, kBlue};
    EXPECT_EQ(strip.canvas.surface().pixels, expected);
}

TEST(GdiBitBlt, RasterFillsAndUnknownOperations) {
    Canvas dst(3, 1, kRed);
    EXPECT_TRUE(BitBlt(dst.dc(), 1, 0, 1, 1, nullptr, 0, 0, WHITENESS));
    EXPECT_TRUE(PatBlt(dst.dc(), 2, 0, 1, 1, BLACKNESS));
    EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 1, 1, dst.dc(), 0, 0, 0x00EE0086 /* SRCPAINT */));
    std::vector<std::uint32_t> expected{kRed, kWhite, kBlack};
    EXPECT_EQ(dst.surface().pixels, expected);
}

TEST(GdiStretchBlt, NearestNeighbourEnlargesShrinksAndMirrors) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> src;
        int dw, sx, sw;
        std::vector<std::uint32_t> expected;
    };
    const std::uint32_t A = 0x111111, B = 0x222222, C = 0x333333, D = 0x444444;
    const Case cases[] = {
        {"double", {A, B}, 4, 0, 2, {A, A, B, B}},
        {"triple", {A, B}, 6, 0, 2, {A, A, A, B, B, B}},
        {"halve drops columns", {A, B, C, D}, 2, 0, 4, {A, C, kBlack, kBlack}},
        {"mirrored", {A, B}, -4, 0, 2, {B, B, A, A}},
        {"part of source", {A, B, C, D}, 4, 1, 2, {B, B, C, C}},
    };
    for (const Case& c : cases) {
        Strip src(c.src);
        Canvas dst(static_cast<int>(c.expected.size()), 1, kBlack);
        int x = c.dw < 0 ? -c.dw : 0;
        EXPECT_TRUE(StretchBlt(dst.dc(), x, 0, c.dw, 1, src.canvas.dc(), c.sx, 0, c.sw, 1, SRCCOPY)) << c.name;
        EXPECT_EQ(dst.surface().pixels, c.expected) << c.name;
    }
    // Vertically as well: a 1x2 column stretched to 1x4.
    Strip column({A, B}, true);
    Canvas dst(1, 5, kBlack);
    EXPECT_TRUE(StretchBlt(dst.dc(), 0, 0, 1, 4, column.canvas.dc(), 0, 0, 1, 2, SRCCOPY));
    EXPECT_EQ(dst.surface().pixels, (std::vector<std::uint32_t>{A, A, B, B, kBlack}));
}

TEST(GdiTransparentImage, LeavesKeyPixelsUntouchedAfterStretching) {
    Strip src({kMagenta, kGreen});
    {
        Canvas dst(5, 1, kRed);
        EXPECT_TRUE(TransparentImage(dst.dc(), 0, 0, 4, 1, src.canvas.dc(), 0, 0, 2, 1, RGB(255, 0, 255)));
        EXPECT_EQ(dst.surface().pixels, (std::vector<std::uint32_t>{kRed, kRed, kGreen, kGreen, kRed}));
    }
    {
        // The key is compared exactly: 0xFE00FF does not hide 0xFF00FF.
        Canvas dst(2, 1, kRed);
        EXPECT_TRUE(TransparentImage(dst.dc(), 0, 0, 2, 1, src.canvas.dc(), 0, 0, 2, 1, RGB(254, 0, 255)));
        EXPECT_EQ(dst.surface().pixels, (std::vector<std::uint32_t>{kMagenta, kGreen}));
    }
    {
        // A picture that is all key colour changes nothing, through the TransparentBlt name too.
        Strip magenta({kMagenta, kMagenta, kMagenta});
        Canvas dst(3, 2, kBlue);
        EXPECT_TRUE(TransparentBlt(dst.dc(), 0, 0, 3, 2, magenta.canvas.dc(), 0, 0, 3, 1, RGB(255, 0, 255)));
        EXPECT_EQ(dst.CountNot(kBlue), 0);
    }
}

TEST(GdiTransparentImage, TakesAnUnselectedBitmapAsSource) {
    const std::uint32_t px[] = {kMagenta, kGreen, kBlue, kMagenta};
    HBITMAP bmp = CreateBitmap(2, 2, 1, 32, px);
    Canvas dst(2, 2, kRed);
    EXPECT_TRUE(TransparentImage(dst.dc(), 0, 0, 2, 2, bmp, 0, 0, 2, 2, RGB(255, 0, 255)));
    EXPECT_EQ(dst.surface().pixels, (std::vector<std::uint32_t>{kRed, kGreen, kBlue, kRed}));
    // While selected into a DC the bitmap is only reachable through that DC.
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, bmp);
    EXPECT_FALSE(TransparentImage(dst.dc(), 0, 0, 2, 2, bmp, 0, 0, 2, 2, RGB(255, 0, 255)));
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bmp);
    EXPECT_FALSE(TransparentImage(dst.dc(), 0, 0, 2, 2, bmp, 0, 0, 2, 2, RGB(255, 0, 255)));
}

}  // namespace
}  // namespace wq::gdi::test
