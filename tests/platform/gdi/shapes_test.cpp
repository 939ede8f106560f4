// FillRect, lines, rectangles and pixels: exclusive right/bottom edges and
// undrawn end points, checked on every pixel of small surfaces.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "tests/platform/gdi/canvas.h"

namespace wq::gdi::test {
namespace {

std::function<std::uint32_t(int, int)> Only(std::set<std::pair<int, int>> lit, std::uint32_t ink) {
    return [=](int x, int y) { return lit.count({x, y}) ? ink : kBlack; };
}

TEST(GdiFillRect, ExcludesRightAndBottomAndSkipsEmptyRects) {
    Canvas c(5, 4);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r{0, 0, 3, 2};
    EXPECT_TRUE(FillRect(c.dc(), &r, red));
    EXPECT_TRUE(PixelsAre(c.surface(), [](int x, int y) { return x < 3 && y < 2 ? kRed : kBlack; }));
    // Empty and inverted rectangles draw nothing.
    Canvas d(5, 4);
    for (RECT bad : {RECT{2, 2, 2, 4}, RECT{3, 0, 1, 2}, RECT{0, 3, 4, 1}}) FillRect(d.dc(), &bad, red);
    EXPECT_EQ(d.CountNot(kBlack), 0);
    // A rectangle far outside the surface is clipped, not written out of bounds.
    RECT outside{-100, -100, 1000, 1000};
    FillRect(d.dc(), &outside, red);
    EXPECT_EQ(d.CountNot(kRed), 0);
    DeleteObject(red);
}

TEST(GdiLines, LeaveTheEndPointUndrawn) {
    HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    Canvas c(5, 4);
    SelectObject(c.dc(), white);
    POINT previous{};
    MoveToEx(c.dc(), 4, 2, nullptr);
    EXPECT_TRUE(MoveToEx(c.dc(), 0, 0, &previous));
    EXPECT_EQ(previous.x, 4);
    LineTo(c.dc(), 3, 0);
    EXPECT_TRUE(PixelsAre(c.surface(), Only({{0, 0}, {1, 0}, {2, 0}}, kWhite)));
    // The next segment starts at the end of the last; diagonal, right to left.
    LineTo(c.dc(), 0, 3);
    EXPECT_TRUE(PixelsAre(c.surface(), Only({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {2, 1}, {1, 2}}, kWhite)));

    // Polyline: every vertex but the last is drawn; the position is unchanged.
    Canvas p(4, 4);
    SelectObject(p.dc(), white);
    MoveToEx(p.dc(), 1, 1, nullptr);
    POINT pts[] = {{0, 3}, {0, 1}, {2, 1}};
    EXPECT_TRUE(Polyline(p.dc(), pts, 3));
    EXPECT_TRUE(PixelsAre(p.surface(), Only({{0, 3}, {0, 2}, {0, 1}, {1, 1}}, kWhite)));
    POINT pos{};
    MoveToEx(p.dc(), 0, 0, &pos);
    EXPECT_EQ(pos.x, 1);
    EXPECT_FALSE(Polyline(p.dc(), pts, 1));

    // A null pen draws nothing; a 3-pixel pen draws a band centred on the line.
    Canvas w(6, 5);
    SelectObject(w.dc(), GetStockObject(NULL_PEN));
    MoveToEx(w.dc(), 0, 2, nullptr);
    LineTo(w.dc(), 5, 2);
    EXPECT_EQ(w.CountNot(kBlack), 0);
    HPEN wide = CreatePen(PS_SOLID, 3, RGB(255, 255, 255));
    SelectObject(w.dc(), wide);
    MoveToEx(w.dc(), 1, 2, nullptr);
    LineTo(w.dc(), 4, 2);
    EXPECT_TRUE(PixelsAre(w.surface(), [](int x, int y) { return x <= 4 && y >= 1 && y <= 3 ? kWhite : kBlack; }));
    for (Canvas* k : {&c, &p, &w}) SelectObject(k->dc(), GetStockObject(BLACK_PEN));
    DeleteObject(wide);
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
        return x == 4 ? kBlack : (x == 0 || x == 3 || y == 0 || y == 3) ? kRed : kBlue;
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
    RECT box{}, all{0, 0, 6, 4};
    EXPECT_EQ(GetClipBox(c.dc(), &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 3);
    FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_TRUE(PixelsAre(c.surface(), [](int x, int y) { return x >= 1 && x < 3 && y >= 1 && y < 3 ? kWhite : kBlack; }));
    EXPECT_EQ(IntersectClipRect(c.dc(), 4, 0, 6, 4), NULLREGION);
    SelectClipRgn(c.dc(), nullptr);
    FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(c.CountNot(kWhite), 0);
}

}  // namespace
}  // namespace wq::gdi::test
