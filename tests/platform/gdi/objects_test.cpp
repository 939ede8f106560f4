// Memory DCs, selection and deletion rules, stock objects and refused input.
#include <gtest/gtest.h>

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
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3)), other = CreateSolidBrush(0);
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

}  // namespace
}  // namespace wq::gdi::test
