// FillRect, lines, rectangles and pixels: exclusive right/bottom edges and
// undrawn end points, checked on every pixel of small surfaces.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "tests/platform/gdi/canvas.h"

namespace wq::gdi::test {
namespace {

using Points = std::set<std::pair<int, int>>;

std::function<std::uint32_t(int, int)> Only(const Points& lit, std::uint32_t ink, std::uint32_t paper = kBlack) {
    return [=](int x, int y) { return lit.count({x, y}) ? ink : paper; };
}

TEST(GdiFillRect, ExcludesRightAndBottomAndSkipsEmptyRects) {
    Canvas c(5, 4);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r{0, 0, 3, 2};
    EXPECT_TRUE(FillRect(c.dc(), &r, red));
    EXPECT_TRUE(PixelsAre(c.surface(), [](int x, int y) { return x < 3 && y < 2 ? kRed : kBlack; }));
    EXPECT_EQ(c.CountNot(kBlack), 6);

    // Empty and inverted rectangles draw nothing; the background mode does not matter.
    Canvas d(5, 4);
    SetBkMode(d.dc(), TRANSPARENT);
    for (RECT bad : {RECT{2, 2, 2, 4}, RECT{3, 0, 1, 2}, RECT{0, 3, 4, 1}}) FillRect(d.dc(), &bad, red);
    EXPECT_EQ(d.CountNot(kBlack), 0);
    RECT one{4, 3, 5, 4};
    FillRect(d.dc(), &one, red);
    EXPECT_TRUE(PixelsAre(d.surface(), Only({{4, 3}}, kRed)));
    // A rectangle far outside the surface is clipped, not written out of bounds.
    RECT outside{-100, -100, 1000, 1000};
    FillRect(d.dc(), &outside, red);
    EXPECT_EQ(d.CountNot(kRed), 0);
    DeleteObject(red);
}

TEST(GdiLines, LeaveTheEndPointUndrawn) {
    HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    {
        Canvas c(5, 3);
        HGDIOBJ old = SelectObject(c.dc(), white);
        POINT previous{};
        MoveToEx(c.dc(), 4, 2, nullptr);
        EXPECT_TRUE(MoveToEx(c.dc(), 0, 0, &previous));
        EXPECT_EQ(previous.x, 4);
        EXPECT_EQ(previous.y, 2);
        LineTo(c.dc(), 3, 0);
        EXPECT_TRUE(PixelsAre(c.surface(), Only({{0, 0}, {1, 0}, {2, 0}}, kWhite)));
        // The current position moved to the end: the next segment starts there.
        LineTo(c.dc(), 3, 2);
        EXPECT_TRUE(PixelsAre(c.surface(), Only({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}}, kWhite)));
        SelectObject(c.dc(), old);
    }
    {
        // Diagonal and right-to-left.
        Canvas c(4, 4);
        SelectObject(c.dc(), white);
        MoveToEx(c.dc(), 3, 3, nullptr);
        LineTo(c.dc(), 0, 0);
        EXPECT_TRUE(PixelsAre(c.surface(), Only({{3, 3}, {2, 2}, {1, 1}}, kWhite)));
        SelectObject(c.dc(), GetStockObject(BLACK_PEN));
    }
    {
        // Polyline: every vertex but the last is drawn; the position is unchanged.
        Canvas c(4, 4);
        SelectObject(c.dc(), white);
        MoveToEx(c.dc(), 1, 1, nullptr);
        POINT pts[] = {{0, 3}, {0, 1}, {2, 1}};
        EXPECT_TRUE(Polyline(c.dc(), pts, 3));
        EXPECT_TRUE(PixelsAre(c.surface(), Only({{0, 3}, {0, 2}, {0, 1}, {1, 1}}, kWhite)));
        POINT pos{};
        MoveToEx(c.dc(), 0, 0, &pos);
        EXPECT_EQ(pos.x, 1);
        EXPECT_FALSE(Polyline(c.dc(), pts, 1));
        SelectObject(c.dc(), GetStockObject(BLACK_PEN));
    }
    {
        // A null pen draws nothing; a 3-pixel pen draws a band centred on the line.
        Canvas c(6, 5);
        SelectObject(c.dc(), GetStockObject(NULL_PEN));
        MoveToEx(c.dc(), 0, 2, nullptr);
        LineTo(c.dc(), 5, 2);
        EXPECT_EQ(c.CountNot(kBlack), 0);
        HPEN wide = CreatePen(PS_SOLID, 3, RGB(255, 255, 255));
        SelectObject(c.dc(), wide);
        MoveToEx(c.dc(), 1, 2, nullptr);
        LineTo(c.dc(), 4, 2);
        EXPECT_TRUE(PixelsAre(c.surface(), [](int x, int y) { return x <= 4 && y >= 1 && y <= 3 ? kWhite : kBlack; }));
        SelectObject(c.dc(), GetStockObject(BLACK_PEN));
        DeleteObject(wide);
    }
    EXPECT_TRUE(DeleteObject(white));
}

TEST(GdiShapes, RectangleFrameRectAndPixels) {
    Canvas c(5, 4);
    HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    SelectObject(c.dc(), red);
    SelectObject(c.dc(), blue);
    EXPECT_TRUE(Rectangle(c.dc(), 0, 0, 4, 4));
    EXPECT_TRUE(PixelsAre(c.surface(), [](int x, int y) {
        if (x == 4) return kBlack;
        return (x == 0 || x == 3 || y == 0 || y == 3) ? kRed : kBlue;
    }));
    SelectObject(c.dc(), GetStockObject(BLACK_PEN));
    SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));

    Canvas f(4, 3);
    RECT r{0, 0, 4, 3};
    FrameRect(f.dc(), &r, blue);
    EXPECT_TRUE(PixelsAre(f.surface(), [](int x, int y) { return (x == 1 || x == 2) && y == 1 ? kBlack : kBlue; }));

    // COLORREF at the API, 0x00RRGGBB in the surface.
    EXPECT_EQ(SetPixel(f.dc(), 1, 1, RGB(0x12, 0x34, 0x56)), RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(f.at(1, 1), 0x123456u);
    EXPECT_EQ(GetPixel(f.dc(), 1, 1), RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(SetPixel(f.dc(), 4, 0, RGB(1, 1, 1)), CLR_INVALID);
    DeleteObject(red);
    DeleteObject(blue);
}

TEST(GdiClip, IntersectClipRectLimitsDrawingUntilReset) {
    Canvas c(6, 4);
    EXPECT_EQ(IntersectClipRect(c.dc(), 1, 1, 3, 3), SIMPLEREGION);
    RECT box{};
    EXPECT_EQ(GetClipBox(c.dc(), &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 1);
    EXPECT_EQ(box.right, 3);
    RECT all{0, 0, 6, 4};
    FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_TRUE(PixelsAre(c.surface(), [](int x, int y) { return x >= 1 && x < 3 && y >= 1 && y < 3 ? kWhite : kBlack; }));
    EXPECT_EQ(IntersectClipRect(c.dc(), 4, 0, 6, 4), NULLREGION);
    SelectClipRgn(c.dc(), nullptr);
    FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(c.CountNot(kWhite), 0);
}

}  // namespace
}  // namespace wq::gdi::test
