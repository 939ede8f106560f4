// Memory DCs, selection and deletion rules, stock objects and bitmap creation.
#include <gtest/gtest.h>

#include "tests/platform/gdi/canvas.h"

namespace wq::gdi::test {
namespace {

BITMAP Describe(HGDIOBJ bmp) {
    BITMAP bm;
    EXPECT_EQ(GetObject(bmp, sizeof bm, &bm), static_cast<int>(sizeof bm));
    return bm;
}

TEST(GdiObjects, FreshMemoryDcHasFrameworkDefaults) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));

    // The default bitmap is 1x1 monochrome, and so is a bitmap made compatible with it.
    BITMAP def = Describe(GetCurrentObject(dc, OBJ_BITMAP));
    EXPECT_EQ(def.bmWidth, 1);
    EXPECT_EQ(def.bmHeight, 1);
    EXPECT_EQ(def.bmBitsPixel, 1);
    HBITMAP mono = CreateCompatibleBitmap(dc, 4, 4);
    EXPECT_EQ(Describe(mono).bmBitsPixel, 1);

    Canvas window(8, 8);
    HBITMAP colour = CreateCompatibleBitmap(window.dc(), 4, 4);
    BITMAP bm = Describe(colour);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmWidth, 4);
    EXPECT_EQ(bm.bmWidthBytes, 16);
    // A new bitmap is zeroed.
    EXPECT_TRUE(PixelsAre(*GetBitmapSurface(colour), [](int, int) { return kBlack; }));
    // Once a colour bitmap is selected, compatible bitmaps are colour too.
    HGDIOBJ old = SelectObject(dc, colour);
    HBITMAP second = CreateCompatibleBitmap(dc, 2, 2);
    EXPECT_EQ(Describe(second).bmBitsPixel, 32);
    SelectObject(dc, old);
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(mono), static_cast<HGDIOBJ>(colour), static_cast<HGDIOBJ>(second)})
        EXPECT_TRUE(DeleteObject(o));
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

    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    EXPECT_EQ(Describe(oldBmp).bmBitsPixel, 1);
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, font), GetStockObject(SYSTEM_FONT));
    // Selecting another object of one type hands back the one just selected.
    HBRUSH other = CreateSolidBrush(0);
    EXPECT_EQ(SelectObject(dc, other), brush);
    EXPECT_EQ(SelectObject(dc, brush), other);
    EXPECT_TRUE(DeleteObject(other));

    // Selected objects cannot be deleted; a bitmap lives in one DC at a time.
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(bmp), static_cast<HGDIOBJ>(brush), static_cast<HGDIOBJ>(pen),
                      static_cast<HGDIOBJ>(font)})
        EXPECT_FALSE(DeleteObject(o));
    HDC second = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(second, bmp), nullptr);
    EXPECT_TRUE(DeleteDC(second));

    // DeleteDC leaves the selected objects alive and deletable.
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(Describe(bmp).bmWidth, 3);
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(bmp), static_cast<HGDIOBJ>(brush), static_cast<HGDIOBJ>(pen),
                      static_cast<HGDIOBJ>(font)})
        EXPECT_TRUE(DeleteObject(o));
    EXPECT_EQ(LiveObjectCount(), before);
    // Stock objects survive DeleteObject.
    EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetObjectType(GetStockObject(WHITE_BRUSH)), static_cast<DWORD>(OBJ_BRUSH));
}

TEST(GdiObjects, DeadOrForeignHandlesAreRefusedNotUsed) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = CreateSolidBrush(0);
    ASSERT_TRUE(DeleteObject(brush));
    ASSERT_TRUE(DeleteDC(dc));
    RECT r{0, 0, 2, 2};
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_BRUSH)), nullptr);
    EXPECT_EQ(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
    EXPECT_EQ(GetObjectType(brush), 0u);
    Canvas window(4, 4, kBlue);
    EXPECT_EQ(FillRect(window.dc(), &r, brush), 0);
    EXPECT_EQ(BitBlt(window.dc(), 0, 0, 2, 2, dc, 0, 0, SRCCOPY), FALSE);
    EXPECT_EQ(window.CountNot(kBlue), 0);
    // A window DC takes no bitmap.
    HBITMAP bmp = CreateCompatibleBitmap(window.dc(), 2, 2);
    EXPECT_EQ(SelectObject(window.dc(), bmp), nullptr);
    EXPECT_TRUE(DeleteObject(bmp));
    // Coordinates far outside any surface are refused instead of overflowing.
    RECT huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(FillRect(window.dc(), &huge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
    EXPECT_FALSE(BitBlt(window.dc(), INT32_MAX, 0, 2, 2, window.dc(), 0, 0, SRCCOPY));
    EXPECT_FALSE(StretchBlt(window.dc(), 0, 0, INT32_MIN, 2, window.dc(), 0, 0, 1, 1, SRCCOPY));
    EXPECT_FALSE(LineTo(window.dc(), INT32_MIN, 0));
    EXPECT_FALSE(ExtTextOut(window.dc(), INT32_MIN, 0, 0, nullptr, u"ab", 2, nullptr));
    EXPECT_EQ(window.CountNot(kBlue), 0);
    // Explicit advances are limited (the sanitizer build fails on any overflow).
    const int dx[] = {INT32_MAX, INT32_MAX};
    EXPECT_TRUE(ExtTextOut(window.dc(), 0, 0, 0, nullptr, u"ab", 2, dx));
    // Absurd sizes are refused, not allocated.
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 100000, 100000), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 0, 5), nullptr);
}

TEST(GdiObjects, CreateBitmapReadsMonochromeAndColourBits) {
    // Monochrome rows are padded to 16 bits; a set bit is white.
    const std::uint8_t mono[] = {0b10100000, 0x00, 0b01000000, 0x00};
    HBITMAP m = CreateBitmap(3, 2, 1, 1, mono);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Describe(m).bmBitsPixel, 1);
    const bool white[2][3] = {{true, false, true}, {false, true, false}};
    EXPECT_TRUE(PixelsAre(*GetBitmapSurface(m), [&](int x, int y) { return white[y][x] ? kWhite : kBlack; }));
    const std::uint32_t colour[] = {0xFF123456, 0x00ABCDEF};
    HBITMAP c = CreateBitmap(2, 1, 1, 32, colour);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(GetBitmapSurface(c)->At(0, 0), 0x123456u);
    EXPECT_EQ(GetBitmapSurface(c)->At(1, 0), 0xABCDEFu);
    EXPECT_EQ(CreateBitmap(2, 2, 1, 24, nullptr), nullptr);
    DeleteObject(m);
    DeleteObject(c);
}

}  // namespace
}  // namespace wq::gdi::test
