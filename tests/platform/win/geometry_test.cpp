// Rectangles are half-open (the right and bottom edges lie outside), and the
// calls the skin controls use agree on that at every edge.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/win/winapi.h"

namespace {

auto Edges(const RECT& r) {
    return std::tie(r.left, r.top, r.right, r.bottom);
}

TEST(Rects, AreHalfOpenAndCombineAtTheirEdges) {
    const RECT a{0, 0, 10, 10}, beside{10, 0, 20, 10}, over{5, 5, 15, 15};
    const RECT flat{0, 5, 10, 5}, thin{5, 0, 5, 10}, inverted{5, 5, 4, 6};
    EXPECT_FALSE(IsRectEmpty(&a));
    for (const RECT* empty : {&flat, &thin, &inverted, static_cast<const RECT*>(nullptr)})
        EXPECT_TRUE(IsRectEmpty(empty));
    EXPECT_TRUE(PtInRect(&a, {0, 0}) && PtInRect(&a, {9, 9}));
    EXPECT_FALSE(PtInRect(&a, {10, 5}) || PtInRect(&a, {5, 10}) || PtInRect(&a, {-1, 5}));

    RECT r{1, 1, 2, 2};
    EXPECT_FALSE(IntersectRect(&r, &a, &beside)) << "touching edges share nothing";
    EXPECT_EQ(Edges(r), Edges(RECT{}));
    EXPECT_TRUE(IntersectRect(&r, &a, &over));
    EXPECT_EQ(Edges(r), Edges(RECT{5, 5, 10, 10}));
    r = a;
    OffsetRect(&r, 3, -2);
    EXPECT_EQ(Edges(r), Edges(RECT{3, -2, 13, 8}));
}

}  // namespace
