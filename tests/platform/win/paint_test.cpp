// Update regions, erasing, paint order, window DCs and their pixels.
#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "tests/platform/win/probe.h"

using namespace wqtest;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);

void Fill(HDC dc, HWND hwnd, COLORREF c) {
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    HBRUSH brush = CreateSolidBrush(c);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
}

int CountPixels(HWND top, COLORREF c) {
    int n = 0;
    for (std::uint32_t v : wq::win::GetWindowSurface(top)->pixels)
        n += v == wq::gdi::PixelFromColorref(c);
    return n;
}

class PaintTest : public ::testing::Test {
protected:
    wq::win::TestSession session;
    Log log;
    Probe top{&log, "P"};

    void SetUp() override {
        ASSERT_TRUE(top.CreateTop(0, 0, 100, 60));
        Settle(log);
    }
    // Fills the window with `c`.
    void PaintWith(Probe& p, COLORREF c) {
        p.on[WM_PAINT] = Do([&p, c] {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(p, &ps);
            Fill(dc, p, c);
            ::EndPaint(p, &ps);
        });
    }
    void Invalidate(HWND h, RECT r, BOOL erase = FALSE) { ::InvalidateRect(h, &r, erase); }
};

TEST_F(PaintTest, InvalidationsMergeIntoOnePaintWithStickyEraseAndOnlyTheRegionChanges) {
    PaintWith(top, kRed);
    Invalidate(top, {10, 10, 20, 20});
    Invalidate(top, {30, 5, 40, 15}, TRUE);
    Invalidate(top, {12, 12, 14, 14});
    wq::win::PumpPending();
    EXPECT_EQ(Join(log), "P:paint | P:erase");   // erased inside BeginPaint
    EXPECT_EQ(CountPixels(top, kRed), 30 * 15);  // the bounding box of the three rectangles
    // A window DC is not clipped to the update region and validates nothing.
    Invalidate(top, {0, 0, 2, 2});
    HDC dc = ::GetDC(top);
    Fill(dc, top, kBlue);
    ::ReleaseDC(top, dc);
    EXPECT_EQ(CountPixels(top, kBlue), 100 * 60);
    wq::win::PumpPending();
    EXPECT_EQ(Count(log, "P:paint"), 2);
}

TEST_F(PaintTest, OverlappedChildrenPaintAfterTheParentAtTheirOffsetClippedToThemselves) {
    Probe child(&log, "C"), far(&log, "F");
    ASSERT_TRUE(child.CreateChild(top, 90, 50, 20, 20));  // partly outside the parent
    ASSERT_TRUE(far.CreateChild(top, 0, 0, 10, 10));
    Settle(log);
    PaintWith(top, kRed);
    PaintWith(child, kBlue);
    Invalidate(top, {50, 30, 100, 60});
    wq::win::PumpPending();
    EXPECT_EQ(Join(log), "P:paint | C:paint | C:erase");  // erased inside the child's BeginPaint
    EXPECT_EQ(CountPixels(top, kBlue), 10 * 10);
    EXPECT_EQ(CountPixels(top, kRed), 50 * 30 - 10 * 10);
    EXPECT_EQ(wq::win::GetWindowSurface(top)->At(90, 50), wq::gdi::PixelFromColorref(kBlue));
}

// Inside a handler, UpdateWindow paints before it returns and only when
// something is invalid; MoveWindow's repaint comes after the handler.
TEST_F(PaintTest, HiddenWindowsCollectNothingUpdateWindowPaintsAtOnceResizingRepaintsWithErase) {
    top.ShowWindow(SW_HIDE);
    ::InvalidateRect(top, nullptr, FALSE);
    wq::win::PumpPending();
    top.ShowWindow(SW_SHOW);
    wq::win::PumpPending();
    EXPECT_EQ(Join(log), "P:activate 0 0 | P:activate 1 0 | P:paint | P:erase");
    log.clear();
    top.on[WM_USER] = Do([&] {
        ::InvalidateRect(top, nullptr, FALSE);
        ::UpdateWindow(top);
        log.push_back("updated");
        ::UpdateWindow(top);
        log.push_back("updated again");
        ::MoveWindow(top, 0, 0, 120, 70, TRUE);
        log.push_back("moved");
    });
    ::PostMessage(top, WM_USER, 0, 0);
    wq::win::PumpPending();
    EXPECT_EQ(Join(log),
              "P:user+0 | P:paint | updated | updated again | P:poschanged | P:size | moved | "
              "P:paint | P:erase");
    EXPECT_EQ(wq::win::GetWindowSurface(top)->width, 120);
    EXPECT_EQ(wq::win::GetWindowSurface(top)->height, 70);
    log.clear();
    EXPECT_TRUE(::MoveWindow(top, 0, 0, 130, 70, FALSE));
    wq::win::PumpPending();
    EXPECT_EQ(Count(log, "P:paint"), 0) << Join(log);
}

}  // namespace
