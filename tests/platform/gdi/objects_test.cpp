// Memory DCs, selection and deletion rules, stock objects and bitmap creation.
#include <gtest/gtest.h>

#include "tests/platform/gdi/canvas.h"

namespace wq::gdi::test {
namespace {

int Bits(HGDIOBJ bmp) {
    BITMAP bm;
    EXPECT_EQ(GetObject(bmp, sizeof bm, &bm), static_cast<int>(sizeof bm));
    return bm.bmBitsPixel;
}

TEST(GdiObjects, FreshMemoryDcHasFrameworkDefaults) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
    // The default bitmap is monochrome, and so is a bitmap made compatible with it;
    // after a colour bitmap is selected, compatible bitmaps are colour too.
    EXPECT_EQ(Bits(GetCurrentObject(dc, OBJ_BITMAP)), 1);
    HBITMAP mono = CreateCompatibleBitmap(dc, 4, 4);
    EXPECT_EQ(Bits(mono), 1);
    Canvas window(8, 8);
    HBITMAP colour = CreateCompatibleBitmap(window.dc(), 4, 4);
    EXPECT_EQ(Bits(colour), 32);
    EXPECT_TRUE(PixelsAre(*GetBitmapSurface(colour), [](int, int) { return kBlack; }));
    HGDIOBJ old = SelectObject(dc, colour);
    HBITMAP second = CreateCompatibleBitmap(dc, 2, 2);
    EXPECT_EQ(Bits(second), 32);
    SelectObject(dc, old);
    for (HGDIOBJ o : {HGDIOBJ(mono), HGDIOBJ(colour), HGDIOBJ(second)}) EXPECT_TRUE(DeleteObject(o));
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(GdiObjects, SelectReturnsPreviousOfSameTypeAndDeleteRespectsSelection) {
    int before = LiveObjectCount();
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(nullptr, 3, 3);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(4, 5, 6));
    HFONT font = CreateFont(14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0x20, u"굴림");
    ASSERT_TRUE(bmp && brush && pen && font);
    const HGDIOBJ mine[] = {bmp, brush, pen, font};

    EXPECT_EQ(Bits(SelectObject(dc, bmp)), 1);
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, font), GetStockObject(SYSTEM_FONT));
    HBRUSH other = CreateSolidBrush(0);
    EXPECT_EQ(SelectObject(dc, other), brush);
    EXPECT_EQ(SelectObject(dc, brush), other);
    EXPECT_TRUE(DeleteObject(other));

    // Selected objects cannot be deleted; a bitmap lives in one DC at a time.
    for (HGDIOBJ o : mine) EXPECT_FALSE(DeleteObject(o));
    HDC second = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(second, bmp), nullptr);
    EXPECT_TRUE(DeleteDC(second));
    // DeleteDC leaves the selected objects alive and deletable.
    EXPECT_TRUE(DeleteDC(dc));
    for (HGDIOBJ o : mine) EXPECT_TRUE(DeleteObject(o));
    EXPECT_EQ(LiveObjectCount(), before);
    // Stock objects survive DeleteObject.
    EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetObjectType(GetStockObject(WHITE_BRUSH)), static_cast<DWORD>(OBJ_BRUSH));
}

TEST(GdiObjects, DeadHandlesAndAbsurdSizesAreRefused) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = CreateSolidBrush(0);
    ASSERT_TRUE(DeleteObject(brush));
    ASSERT_TRUE(DeleteDC(dc));
    RECT r{0, 0, 2, 2};
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_BRUSH)), nullptr);
    Canvas window(4, 4, kBlue);
    EXPECT_EQ(FillRect(window.dc(), &r, brush), 0);
    EXPECT_EQ(BitBlt(window.dc(), 0, 0, 2, 2, dc, 0, 0, SRCCOPY), FALSE);
    // A window DC takes no bitmap.
    HBITMAP bmp = CreateCompatibleBitmap(window.dc(), 2, 2);
    EXPECT_EQ(SelectObject(window.dc(), bmp), nullptr);
    EXPECT_TRUE(DeleteObject(bmp));
    // Coordinates far outside any surface are refused instead of overflowing
    // (the sanitizer build fails on any overflow).
    RECT huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(FillRect(window.dc(), &huge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
    EXPECT_FALSE(StretchBlt(window.dc(), 0, 0, INT32_MIN, 2, window.dc(), 0, 0, 1, 1, SRCCOPY));
    EXPECT_FALSE(LineTo(window.dc(), INT32_MIN, 0));
    EXPECT_EQ(window.CountNot(kBlue), 0);
    const int dx[] = {INT32_MAX, INT32_MAX};
    EXPECT_TRUE(ExtTextOut(window.dc(), 0, 0, 0, nullptr, u"ab", 2, dx));
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 100000, 100000), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 0, 5), nullptr);
}

TEST(GdiObjects, CreateBitmapReadsMonochromeBits) {
    // Monochrome rows are padded to 16 bits; a set bit is white.
    const std::uint8_t mono[] = {0b10100000, 0x00, 0b01000000, 0x00};
    HBITMAP m = CreateBitmap(3, 2, 1, 1, mono);
    EXPECT_TRUE(PixelsAre(*GetBitmapSurface(m), [](int x, int y) { return (x + y) % 2 ? kBlack : kWhite; }));
    EXPECT_EQ(CreateBitmap(2, 2, 1, 24, nullptr), nullptr);
    DeleteObject(m);
}

}  // namespace
}  // namespace wq::gdi::test
