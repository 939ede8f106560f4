// Activation, mouse routing and capture, window lookup and registered messages.
#include <gtest/gtest.h>

#include <thread>

#include "platform/win/remote.h"
#include "tests/platform/win/probe.h"

using namespace wqtest;

namespace {

class InputTest : public ::testing::Test {
protected:
    wq::win::TestSession session;
    Log log;
    Probe a{&log, "A"}, b{&log, "B"};

    void SetUp() override {
        ASSERT_TRUE(a.CreateTop(0, 0, 100, 100));
        ASSERT_TRUE(b.CreateTop(200, 0, 100, 100));
        ::SetActiveWindow(a);
        Settle(log);
    }
    // Queues mouse input as (window, message, x, y) and handles it.
    void Mouse(std::initializer_list<std::tuple<HWND, UINT, int, int>> events) {
        for (auto [h, msg, x, y] : events) wq::win::QueueMouseInput(h, msg, POINT{x, y});
        wq::win::PumpPending();
    }
};

TEST_F(InputTest, ActivationNotifiesTheLoserFirstRepeatsNothingAndClicksActivateFirst) {
    EXPECT_EQ(::SetActiveWindow(b), a.m_hWnd);
    ::SetActiveWindow(b);
    Mouse({{a, WM_LBUTTONDOWN, 1, 1}});
    EXPECT_EQ(Join(log),
              "A:activate 0 B | B:activate 1 A | B:activate 0 A | A:activate 2 B | A:down 1,1");
    // The flags 0x43 a second start uses: raise and activate, never move or size.
    ::SetActiveWindow(b);
    log.clear();
    EXPECT_TRUE(::SetWindowPos(a, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW));
    EXPECT_EQ(Join(log), "B:activate 0 A | A:activate 1 B");
    EXPECT_EQ(wq::win::TopLevelWindows().front(), a.m_hWnd);
    CRect rc;
    a.GetWindowRect(&rc);
    EXPECT_TRUE(rc == CRect(0, 0, 100, 100));
}

TEST_F(InputTest, TheDesktopsFocusAndOtherProgramsTakeTheActivationAwayAndGiveItBack) {
    wq::win::DesktopFocusChanged(nullptr);  // the user went to another program
    ::SetActiveWindow(b);                   // in the background: refused
    EXPECT_EQ(::GetActiveWindow(), nullptr);
    wq::win::DesktopFocusChanged(b);
    wq::win::DesktopFocusChanged(b);  // focus where the activation already is: nothing
    wq::win::BackgroundByOtherProgram();
    EXPECT_EQ(Join(log), "A:activate 0 0 | B:activate 1 0 | B:activate 0 0");
    // A window disabled by its modal dialog passes the activation to the dialog.
    Probe dialog(&log, "D");
    ASSERT_TRUE(
        dialog.CreateEx(0, u"probe", u"D", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, a, nullptr));
    a.EnableWindow(FALSE);
    wq::win::DesktopFocusChanged(b);
    Settle(log);
    wq::win::DesktopFocusChanged(a);
    EXPECT_EQ(Join(log), "B:activate 0 D | D:activate 1 B");
    EXPECT_EQ(::GetActiveWindow(), dialog.m_hWnd);
}

TEST_F(InputTest, ClicksGoToTheTopmostVisibleEnabledChildInItsCoordinates) {
    Probe lower(&log, "L"), upper(&log, "U"), disabled(&log, "D");
    ASSERT_TRUE(lower.CreateChild(a, 10, 10, 50, 50));
    ASSERT_TRUE(upper.CreateChild(a, 30, 30, 50, 50));  // created last: on top
    ASSERT_TRUE(disabled.CreateChild(a, 0, 80, 20, 20));
    disabled.EnableWindow(FALSE);
    Settle(log);
    Mouse({{a, WM_LBUTTONDOWN, 40, 40}, {a, WM_LBUTTONUP, 15, 15}, {a, WM_LBUTTONDOWN, 5, 85}});
    EXPECT_EQ(Join(log), "U:down 10,10 | L:up 5,5 | A:down 5,85");
}

TEST_F(InputTest, CaptureRoutesEverythingToTheCapturingWindowAndMovesMerge) {
    a.on[WM_LBUTTONDOWN] = Do([&] { EXPECT_EQ(::SetCapture(a), nullptr); });
    // Over B at 210,20 on the screen, then left of A; only the last of adjacent moves arrives.
    Mouse({{a, WM_LBUTTONDOWN, 50, 50},
           {b, WM_MOUSEMOVE, 5, 5},
           {b, WM_MOUSEMOVE, 10, 20},
           {a, WM_LBUTTONUP, -30, 5},
           {a, WM_MOUSEMOVE, 3, 3}});
    EXPECT_EQ(Join(log), "A:down 50,50 | A:mousemove 210,20 | A:up -30,5 | A:mousemove 3,3");
    EXPECT_EQ(::GetCapture(), a.m_hWnd);
    a.DestroyWindow();
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(InputTest, FindWindowMatchesWholeTopLevelNamesIgnoringCaseNeverChildren) {
    a.SetWindowText(u"WQAudio");
    Probe child(&log, "C");
    ASSERT_TRUE(child.CreateChild(b, 0, 0, 5, 5));
    child.SetWindowText(u"WQChild");
    b.ShowWindow(SW_HIDE);
    b.SetWindowText(u"WQHidden");
    EXPECT_EQ(::FindWindow(nullptr, u"wqaudio"), a.m_hWnd);
    EXPECT_EQ(::FindWindow(nullptr, u"WQAudi"), nullptr);
    EXPECT_EQ(::FindWindow(nullptr, u"WQChild"), nullptr);
    EXPECT_EQ(::FindWindow(nullptr, u"wqhidden"), b.m_hWnd);
    a.DestroyWindow();
    EXPECT_EQ(::FindWindow(nullptr, u"WQAudio"), nullptr);
}

TEST(RegisteredMessages, SameNameSameIdAcrossCaseAndThreadsOthersDiffer) {
    const UINT k = RegisterWindowMessage(u"WQ:MSG:KEYDOWN");
    UINT fromThread = 0;
    std::thread([&] { fromThread = RegisterWindowMessage(u"wq:msg:keydown"); }).join();
    EXPECT_TRUE(k >= 0xC000u && k <= 0xFFFFu) << k;
    EXPECT_EQ(fromThread, k);
    EXPECT_NE(RegisterWindowMessage(u"WQ:MSG:APP_EXIT"), k);
    EXPECT_EQ(RegisterWindowMessage(u""), 0u);
}

}  // namespace
