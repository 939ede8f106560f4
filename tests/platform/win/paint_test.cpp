// Update regions, erasing, paint order, window DCs and their pixels.
#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "platform/win/presenter.h"
#include "tests/platform/win/probe.h"

using namespace wqtest;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// Fills the client area (as the DC allows) with one colour.
void Fill(HDC dc, HWND hwnd, COLORREF c) {
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    HBRUSH brush = CreateSolidBrush(c);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
}

int CountPixels(HWND top, COLORREF c) {
    const wq::gdi::Surface* s = wq::win::GetWindowSurface(top);
    if (!s) return -1;
    const std::uint32_t p = wq::gdi::PixelFromColorref(c);
    int n = 0;
    for (std::uint32_t v : s->pixels) n += v == p;
    return n;
}

class PaintTest : public ::testing::Test {
protected:
    wq::win::TestSession session;
    Log log;
    Probe top{&log, "P"};
    std::vector<RECT> paintRects;
    std::vector<BOOL> erased;

    void SetUp() override {
        ASSERT_TRUE(top.CreateTop(0, 0, 100, 60));
        wq::win::PumpPending();
        log.clear();
    }
    // A paint handler that records rcPaint and fErase and fills with `c`.
    void PaintWith(Probe& p, COLORREF c) {
        p.on[WM_PAINT] = [this, &p, c](WPARAM, LPARAM) -> LRESULT {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(p, &ps);
            paintRects.push_back(ps.rcPaint);
            erased.push_back(ps.fErase);
            Fill(dc, p, c);
            ::EndPaint(p, &ps);
            return 0;
        };
    }
};

TEST_F(PaintTest, InvalidationsMergeIntoOnePaintWithStickyErase) {
    PaintWith(top, kRed);
    RECT a{10, 10, 20, 20}, b{30, 5, 40, 15};
    ::InvalidateRect(top, &a, FALSE);
    ::InvalidateRect(top, &b, TRUE);
    wq::win::PumpPending();
    EXPECT_EQ(Count(log, "P:erase"), 1);
    EXPECT_EQ(Count(log, "P:paint"), 1);
    ASSERT_EQ(paintRects.size(), 1u);
    EXPECT_TRUE(CRect(paintRects[0]) == CRect(10, 5, 40, 20));
    // The default erase handler has no class brush, so the erase was not done.
    EXPECT_EQ(erased[0], TRUE);
}

TEST_F(PaintTest, OnlyTheUpdateRegionChangesOnScreen) {
    PaintWith(top, kRed);
    RECT r{5, 5, 15, 15};
    ::InvalidateRect(top, &r, FALSE);
    wq::win::PumpPending();
    EXPECT_EQ(CountPixels(top, kRed), 100);
}

TEST_F(PaintTest, HiddenWindowsCollectNothingAndShowingInvalidatesWithErase) {
    Probe hidden(&log, "H");
    ASSERT_TRUE(hidden.CreateTop(0, 0, 20, 20, false));
    ::InvalidateRect(hidden, nullptr, FALSE);
    wq::win::PumpPending();
    EXPECT_EQ(Count(log, "H:paint"), 0);
    hidden.ShowWindow(SW_SHOW);
    wq::win::PumpPending();
    EXPECT_EQ(Count(log, "H:erase"), 1);
    EXPECT_EQ(Count(log, "H:paint"), 1);
}

TEST_F(PaintTest, ParentWithoutClipChildrenRepaintsOverlappedChildrenAfterItself) {
    Probe child(&log, "C"), far(&log, "F");
    ASSERT_TRUE(child.CreateChild(top, 10, 10, 20, 20));
    ASSERT_TRUE(far.CreateChild(top, 70, 40, 10, 10));
    wq::win::PumpPending();
    log.clear();
    ::InvalidateRect(child, nullptr, FALSE);
    RECT r{0, 0, 40, 40};
    ::InvalidateRect(top, &r, FALSE);
    wq::win::PumpPending();
    // The erase is sent from inside the child's BeginPaint.
    EXPECT_EQ(Join(log), "P:paint | C:paint | C:erase");
}

TEST_F(PaintTest, ClipChildrenLeavesChildrenAlone) {
    Probe parent(&log, "Q"), child(&log, "C");
    ASSERT_TRUE(parent.CreateTop(0, 0, 50, 50, true, WS_CLIPCHILDREN));
    ASSERT_TRUE(child.CreateChild(parent, 0, 0, 20, 20));
    wq::win::PumpPending();
    log.clear();
    ::InvalidateRect(parent, nullptr, FALSE);
    wq::win::PumpPending();
    EXPECT_EQ(Join(log), "Q:paint");
}

TEST_F(PaintTest, ChildrenDrawAtTheirOffsetClippedToThemselves) {
    Probe child(&log, "C");
    ASSERT_TRUE(child.CreateChild(top, 90, 50, 20, 20));  // partly outside the parent
    PaintWith(child, kBlue);
    top.on[WM_PAINT] = [&](WPARAM, LPARAM) -> LRESULT {
        PAINTSTRUCT ps;
        ::BeginPaint(top, &ps);
        ::EndPaint(top, &ps);
        return 0;
    };
    ::InvalidateRect(child, nullptr, FALSE);
    wq::win::PumpPending();
    EXPECT_EQ(CountPixels(top, kBlue), 10 * 10);
    const wq::gdi::Surface* s = wq::win::GetWindowSurface(top);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->At(90, 50), wq::gdi::PixelFromColorref(kBlue));
    EXPECT_NE(s->At(89, 50), wq::gdi::PixelFromColorref(kBlue));
}

TEST_F(PaintTest, DefaultEraseUsesTheClassBrushOrNothing) {
    static HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    WNDCLASSW wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hbrBackground = green;
    wc.lpszClassName = u"GreenTestClass";
    ASSERT_NE(::RegisterClass(&wc), 0);
    HWND g = ::CreateWindowEx(0, u"greentestclass", u"g", WS_POPUP | WS_VISIBLE, 0, 0, 8, 8,
                              nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(g, nullptr);
    HWND plain = ::CreateWindowEx(0, u"STATIC", u"s", WS_POPUP | WS_VISIBLE, 0, 0, 8, 8, nullptr,
                                  nullptr, nullptr, nullptr);
    wq::win::PumpPending();
    EXPECT_EQ(CountPixels(g, RGB(0, 255, 0)), 64);
    EXPECT_EQ(CountPixels(plain, RGB(0, 0, 0)), 64);  // a fresh surface is black and stays so
    ::DestroyWindow(g);
    ::DestroyWindow(plain);
}

TEST_F(PaintTest, UpdateWindowPaintsBeforeReturningAndOnlyWhenInvalid) {
    top.on[WM_USER] = [&](WPARAM, LPARAM) -> LRESULT {
        ::InvalidateRect(top, nullptr, FALSE);
        ::UpdateWindow(top);
        log.push_back("after first update");
        ::UpdateWindow(top);
        log.push_back("after second update");
        return 0;
    };
    ::PostMessage(top, WM_USER, 0, 0);
    wq::win::PumpPending();
    EXPECT_EQ(Join(log), "P:user+0 | P:paint | after first update | after second update");
}

TEST_F(PaintTest, GetDCIsNotClippedToTheUpdateRegionAndValidatesNothing) {
    RECT small{0, 0, 2, 2};
    ::InvalidateRect(top, &small, FALSE);
    HDC dc = ::GetDC(top);
    ASSERT_NE(dc, nullptr);
    Fill(dc, top, kRed);
    ::ReleaseDC(top, dc);
    EXPECT_EQ(CountPixels(top, kRed), 100 * 60);
    wq::win::PumpPending();
    EXPECT_EQ(Count(log, "P:paint"), 1);
}

TEST_F(PaintTest, MoveWindowSizesBeforeReturningAndPaintsLater) {
    top.on[WM_USER] = [&](WPARAM, LPARAM) -> LRESULT {
        ::MoveWindow(top, 0, 0, 120, 70, TRUE);
        log.push_back("moved");
        return 0;
    };
    ::PostMessage(top, WM_USER, 0, 0);
    wq::win::PumpPending();
    EXPECT_EQ(Join(log), "P:user+0 | P:poschanged | P:size | moved | P:paint | P:erase");
    RECT rc;
    ::GetClientRect(top, &rc);
    EXPECT_TRUE(CRect(rc) == CRect(0, 0, 120, 70));
    const wq::gdi::Surface* s = wq::win::GetWindowSurface(top);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->width, 120);
    EXPECT_EQ(s->height, 70);
    // Without repaint nothing is invalidated.
    log.clear();
    ::MoveWindow(top, 0, 0, 130, 70, FALSE);
    wq::win::PumpPending();
    EXPECT_EQ(Count(log, "P:paint"), 0) << Join(log);
}

}  // namespace
