// Device contexts and objects, blits, shapes and PNG files, checked pixel by
// pixel inside and outside the target area.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/png.h"
#include "tests/platform/gdi/canvas.h"

namespace wq::gdi::test {
namespace {

int Bits(HGDIOBJ bmp) {
    BITMAP bm;
    EXPECT_EQ(GetObject(bmp, sizeof bm, &bm), static_cast<int>(sizeof bm));
    return bm.bmBitsPixel;
}

TEST(GdiObjects, SelectReturnsPreviousOfSameTypeAndDeleteRespectsSelection) {
    int before = LiveObjectCount();
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(Canvas(8, 8).dc(), 3, 3);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(4, 5, 6));
    HFONT font = CreateFont(14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0x20, u"굴림");
    ASSERT_TRUE(bmp && brush && pen && font);
    EXPECT_EQ(Bits(bmp), 32);
    const HGDIOBJ mine[] = {bmp, brush, pen, font};
    // A new memory DC holds a monochrome 1x1 bitmap and the stock objects.
    EXPECT_EQ(Bits(SelectObject(dc, bmp)), 1);
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, font), GetStockObject(SYSTEM_FONT));

    // Selected objects cannot be deleted; a bitmap lives in one DC at a time.
    for (HGDIOBJ o : mine) EXPECT_FALSE(DeleteObject(o));
    HDC second = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(second, bmp), nullptr);
    EXPECT_TRUE(DeleteDC(second));
    // DeleteDC leaves the selected objects alive and deletable.
    EXPECT_TRUE(DeleteDC(dc));
    for (HGDIOBJ o : mine) EXPECT_TRUE(DeleteObject(o));
    EXPECT_EQ(LiveObjectCount(), before);
}

// Dead handles are refused; coordinates far outside any surface are refused
// or clipped instead of overflowing (the sanitizer build fails on overflow).
TEST(GdiObjects, DeadHandlesAndAbsurdSizesAreRefused) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = CreateSolidBrush(0);
    ASSERT_TRUE(DeleteObject(brush));
    ASSERT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_BRUSH)), nullptr);
    Canvas window(4, 4, kBlue);
    RECT r{0, 0, 2, 2}, huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(FillRect(window.dc(), &r, brush), 0);
    EXPECT_FALSE(BitBlt(window.dc(), 0, 0, 2, 2, dc, 0, 0, SRCCOPY));
    EXPECT_EQ(FillRect(window.dc(), &huge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
    EXPECT_FALSE(StretchBlt(window.dc(), 0, 0, INT32_MIN, 2, window.dc(), 0, 0, 1, 1, SRCCOPY));
    EXPECT_FALSE(LineTo(window.dc(), INT32_MIN, 0));
    EXPECT_EQ(window.CountNot(kBlue), 0);
    const int dx[] = {INT32_MAX, INT32_MAX};
    EXPECT_TRUE(ExtTextOut(window.dc(), 0, 0, 0, nullptr, u"ab", 2, dx));
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 100000, 100000), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 0, 5), nullptr);
}

using Pixels = std::vector<std::uint32_t>;

TEST(GdiBitBlt, CopiesOnlyWhatLiesInsideSourceDestinationAndClip) {
    Canvas src(4, 1, {kRed, kGreen, kBlue, kWhite});
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
    // An overlapping copy within one surface reads the old pixels.
    EXPECT_TRUE(BitBlt(src.dc(), 1, 0, 3, 1, src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(src.surface().pixels, (Pixels{kRed, kRed, kGreen, kBlue}));
}

// (Stretching in height: the image object's scaled part, tests/graphics.)
TEST(GdiStretchBlt, NearestNeighbourEnlargesAndShrinks) {
    const std::uint32_t A = 0x111111, B = 0x222222, C = 0x333333, D = 0x444444;
    struct Case {
        Pixels src;
        int dw;
        Pixels expected;
    } const cases[] = {
        {{A, B}, 6, {A, A, A, B, B, B}},
        {{A, B, C, D}, 2, {A, C, kBlack, kBlack}},
    };
    for (const Case& c : cases) {
        Canvas src(int(c.src.size()), 1, c.src);
        Canvas dst(int(c.expected.size()), 1);
        EXPECT_TRUE(
            StretchBlt(dst.dc(), 0, 0, c.dw, 1, src.dc(), 0, 0, int(c.src.size()), 1, SRCCOPY));
        EXPECT_EQ(dst.surface().pixels, c.expected) << "width " << c.dw;
    }
}

TEST(GdiTransparentImage, LeavesKeyPixelsUntouchedAfterStretching) {
    Canvas src(2, 1, {kMagenta, kGreen});
    Canvas dst(5, 1, kRed);
    EXPECT_TRUE(TransparentImage(dst.dc(), 0, 0, 4, 1, src.dc(), 0, 0, 2, 1, RGB(255, 0, 255)));
    EXPECT_EQ(dst.surface().pixels, (Pixels{kRed, kRed, kGreen, kGreen, kRed}));
    // The key is compared exactly: 0xFE00FF does not hide 0xFF00FF.
    Canvas exact(2, 1, kRed);
    EXPECT_TRUE(TransparentBlt(exact.dc(), 0, 0, 2, 1, src.dc(), 0, 0, 2, 1, RGB(254, 0, 255)));
    EXPECT_EQ(exact.surface().pixels, (Pixels{kMagenta, kGreen}));
}

TEST(GdiShapes, FillRectExcludesRightAndBottomAndClipping) {
    Canvas c(5, 4);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r{0, 0, 3, 2};
    EXPECT_TRUE(FillRect(c.dc(), &r, red));
    EXPECT_TRUE(
        PixelsAre(c.surface(), [](int x, int y) { return x < 3 && y < 2 ? kRed : kBlack; }));
    // Empty and inverted rectangles draw nothing.
    Canvas d(5, 4);
    for (RECT bad : {RECT{2, 2, 2, 4}, RECT{3, 0, 1, 2}, RECT{0, 3, 4, 1}})
        FillRect(d.dc(), &bad, red);
    EXPECT_EQ(d.CountNot(kBlack), 0);
    // A rectangle far outside the surface is clipped, not written out of bounds.
    RECT outside{-100, -100, 1000, 1000};
    FillRect(d.dc(), &outside, red);
    EXPECT_EQ(d.CountNot(kRed), 0);
    DeleteObject(red);
    // IntersectClipRect limits drawing until the clip is reset.
    Canvas clipped(6, 4);
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(IntersectClipRect(clipped.dc(), 1, 1, 3, 3), SIMPLEREGION);
    RECT box{}, all{0, 0, 6, 4};
    EXPECT_EQ(GetClipBox(clipped.dc(), &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 3);
    FillRect(clipped.dc(), &all, white);
    EXPECT_TRUE(PixelsAre(clipped.surface(), [](int x, int y) {
        return x >= 1 && x < 3 && y >= 1 && y < 3 ? kWhite : kBlack;
    }));
    EXPECT_EQ(IntersectClipRect(clipped.dc(), 4, 0, 6, 4), NULLREGION);
    SelectClipRgn(clipped.dc(), nullptr);
    FillRect(clipped.dc(), &all, white);
    EXPECT_EQ(clipped.CountNot(kWhite), 0);
}

// Whole windows are saved and read back by the display and desktop tests, and
// the default skin's faces against committed PNG files (tests/skin); damaged
// and oversized PNG files are the image library's bad input.
TEST(GdiPng, FailuresAreReportedWithThePath) {
    Surface s;
    s.Resize(1, 1);
    std::string error;
    EXPECT_FALSE(SavePng(s, "/nonexistent-folder/x.png", &error));
    EXPECT_NE(error.find("/nonexistent-folder/x.png"), std::string::npos);
}

}  // namespace
}  // namespace wq::gdi::test
