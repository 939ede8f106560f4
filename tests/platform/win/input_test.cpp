// Activation, mouse routing and capture, window lookup, registered messages and remote windows.
#include <gtest/gtest.h>

#include <thread>

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
}

TEST_F(InputTest, InTheBackgroundSetActiveWindowDoesNothingUntilBroughtToTheFront) {
    wq::win::SetProgramForeground(false);
    ::SetActiveWindow(b);
    EXPECT_TRUE(log.empty()) << Join(log);
    EXPECT_EQ(::SetForegroundWindow(b), TRUE);
    EXPECT_EQ(::GetActiveWindow(), b.m_hWnd);
}

TEST_F(InputTest, SetWindowPos0x43RaisesAndActivatesWithoutMoving) {
    ::SetActiveWindow(b);
    log.clear();
    EXPECT_TRUE(::SetWindowPos(a, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW));
    CRect after;
    a.GetWindowRect(&after);
    EXPECT_TRUE(after == CRect(0, 0, 100, 100));
    EXPECT_EQ(::GetActiveWindow(), a.m_hWnd);
    EXPECT_EQ(wq::win::TopLevelWindows().front(), a.m_hWnd);
    EXPECT_EQ(Count(log, "A:size"), 0);
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

TEST_F(InputTest, CaptureRoutesEverythingToTheCapturingWindowWithSignedCoordinates) {
    a.on[WM_LBUTTONDOWN] = Do([&] { EXPECT_EQ(::SetCapture(a), nullptr); });
    // Over B at 210,20 on the screen, then left of A.
    Mouse({{a, WM_LBUTTONDOWN, 50, 50}, {b, WM_MOUSEMOVE, 10, 20}, {a, WM_LBUTTONUP, -30, 5}});
    EXPECT_EQ(Join(log), "A:down 50,50 | A:mousemove 210,20 | A:up -30,5");
    EXPECT_EQ(::GetCapture(), a.m_hWnd);
    a.DestroyWindow();
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(InputTest, MovesMergeButButtonsStayInOrder) {
    Mouse({{a, WM_LBUTTONDOWN, 0, 0},
           {a, WM_MOUSEMOVE, 1, 1},
           {a, WM_MOUSEMOVE, 2, 2},
           {a, WM_LBUTTONUP, 2, 2},
           {a, WM_MOUSEMOVE, 3, 3}});
    EXPECT_EQ(Join(log), "A:down 0,0 | A:mousemove 2,2 | A:up 2,2 | A:mousemove 3,3");
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
    EXPECT_GE(k, 0xC000u);
    EXPECT_LE(k, 0xFFFFu);
    EXPECT_EQ(fromThread, k);
    EXPECT_NE(RegisterWindowMessage(u"WQ:MSG:APP_EXIT"), k);
    EXPECT_EQ(wq::win::GetRegisteredMessageName(k), u"WQ:MSG:KEYDOWN");
    EXPECT_TRUE(wq::win::GetRegisteredMessageName(WM_USER).empty());
    EXPECT_EQ(RegisterWindowMessage(u""), 0u);
}

// Another program's window "WQMain" with id 7, as the desktop bus would present it.
class FakeRemote : public wq::win::RemoteWindows {
public:
    std::vector<std::string> calls;
    std::map<HWND, std::u16string> published;
    std::uint64_t Find(std::u16string_view n) override { return n == u"wqmain" ? 7 : 0; }
    LRESULT Send(std::uint64_t id, UINT msg, WPARAM w, LPARAM, bool* delivered) override {
        return *delivered = Note("send", id, msg, w);
    }
    bool Post(std::uint64_t id, UINT msg, WPARAM w, LPARAM) override {
        return Note("post", id, msg, w);
    }
    bool BringToFront(std::uint64_t id, UINT flags) override { return Note("front", id, flags, 0); }
    void Publish(HWND h, std::u16string_view name) override { published[h] = std::u16string(name); }
    void Withdraw(HWND h) override { published.erase(h); }
    bool Note(const char* what, std::uint64_t id, UINT a, WPARAM b) {
        calls.push_back(std::string(what) + " " + std::to_string(id) + " " + std::to_string(a) +
                        " " + std::to_string(b));
        return true;
    }
};

TEST_F(InputTest, OtherProgramsAreFoundAfterLocalWindowsAndReachedThroughTheTransport) {
    FakeRemote remote;
    a.SetWindowText(u"WQAudio");
    wq::win::SetRemoteWindows(&remote);
    EXPECT_EQ(remote.published[a.m_hWnd], u"WQAudio");  // existing names are published on install
    HWND main = ::FindWindow(nullptr, u"wqmain");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(::FindWindow(nullptr, u"wqmain"), main);  // one handle per remote window
    EXPECT_TRUE(::IsWindow(main));
    const UINT active = RegisterWindowMessage(u"WQ:MSG:ACTIVE");
    EXPECT_EQ(::SendMessage(main, active, 3, 0), 1);
    EXPECT_TRUE(::PostMessage(main, active, 3, 0));
    EXPECT_TRUE(::SetWindowPos(main, nullptr, 0, 0, 0, 0, 0x43));
    EXPECT_TRUE(::SetForegroundWindow(main));
    EXPECT_EQ(::EndDialog(main, 2), FALSE);
    const std::string id = std::to_string(active);
    EXPECT_EQ(remote.calls, (std::vector<std::string>{"send 7 " + id + " 3", "post 7 " + id + " 3",
                                                      "front 7 67 0", "front 7 67 0"}));
    a.SetWindowText(u"Other");  // renaming and destroying withdraw the old name
    EXPECT_EQ(remote.published[a.m_hWnd], u"Other");
    HWND gone = a.m_hWnd;
    a.DestroyWindow();
    EXPECT_EQ(remote.published.count(gone), 0u);
    EXPECT_EQ(::FindWindow(nullptr, u"Nobody"), nullptr);
    wq::win::SetRemoteWindows(nullptr);
}

}  // namespace
