// FillRect, lines, frames and clipping: exclusive right/bottom edges
// and undrawn end points, checked on every pixel of small surfaces.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "tests/platform/gdi/canvas.h"

namespace wq::gdi::test {
namespace {

std::function<std::uint32_t(int, int)> Only(std::set<std::pair<int, int>> lit) {
    return [=](int x, int y) { return lit.count({x, y}) ? kWhite : kBlack; };
}

TEST(GdiFillRect, ExcludesRightAndBottomAndSkipsEmptyRects) {
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
    EXPECT_TRUE(PixelsAre(c.surface(), Only({{0, 0}, {1, 0}, {2, 0}})));
    // The next segment starts at the end of the last; diagonal, right to left.
    LineTo(c.dc(), 0, 3);
    EXPECT_TRUE(PixelsAre(c.surface(), Only({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {2, 1}, {1, 2}})));

    // Polyline: every vertex but the last is drawn; the position is unchanged.
    Canvas p(4, 4);
    SelectObject(p.dc(), white);
    MoveToEx(p.dc(), 1, 1, nullptr);
    POINT pts[] = {{0, 3}, {0, 1}, {2, 1}};
    EXPECT_TRUE(Polyline(p.dc(), pts, 3));
    EXPECT_TRUE(PixelsAre(p.surface(), Only({{0, 3}, {0, 2}, {0, 1}, {1, 1}})));
    POINT pos{};
    MoveToEx(p.dc(), 0, 0, &pos);
    EXPECT_EQ(pos.x, 1);
    EXPECT_FALSE(Polyline(p.dc(), pts, 1));
    for (Canvas* k : {&c, &p}) SelectObject(k->dc(), GetStockObject(BLACK_PEN));
    EXPECT_TRUE(DeleteObject(white));
}

TEST(GdiShapes, FrameRectAndClipping) {
    Canvas f(4, 3);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT r{0, 0, 4, 3};
    FrameRect(f.dc(), &r, blue);
    EXPECT_TRUE(
        PixelsAre(f.surface(), [](int x, int y) { return x % 3 && y == 1 ? kBlack : kBlue; }));
    DeleteObject(blue);
    // IntersectClipRect limits drawing until the clip is reset.
    Canvas c(6, 4);
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(IntersectClipRect(c.dc(), 1, 1, 3, 3), SIMPLEREGION);
    RECT box{}, all{0, 0, 6, 4};
    EXPECT_EQ(GetClipBox(c.dc(), &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 3);
    FillRect(c.dc(), &all, white);
    EXPECT_TRUE(PixelsAre(c.surface(), [](int x, int y) {
        return x >= 1 && x < 3 && y >= 1 && y < 3 ? kWhite : kBlack;
    }));
    EXPECT_EQ(IntersectClipRect(c.dc(), 4, 0, 6, 4), NULLREGION);
    SelectClipRgn(c.dc(), nullptr);
    FillRect(c.dc(), &all, white);
    EXPECT_EQ(c.CountNot(kWhite), 0);
}

}  // namespace
}  // namespace wq::gdi::test
