// Activation, mouse routing and capture, window lookup, registered messages and remote windows.
#include <gtest/gtest.h>

#include <map>

#include "tests/platform/win/probe.h"

using namespace wqtest;

namespace {

class InputTest : public ::testing::Test {
protected:
    wq::win::TestSession session;
    Log log;
    Probe a{&log, "A"};
    Probe b{&log, "B"};

    void SetUp() override {
        ASSERT_TRUE(a.CreateTop(0, 0, 100, 100));
        ASSERT_TRUE(b.CreateTop(200, 0, 100, 100));
        wq::win::PumpPending();
        log.clear();
    }
    void Pump() { wq::win::PumpPending(); }
};

TEST_F(InputTest, ActivationNotifiesTheLoserFirstAndRepeatsNothing) {
    ::SetActiveWindow(a);
    log.clear();
    EXPECT_EQ(::SetActiveWindow(b), a.m_hWnd);
    EXPECT_EQ(Join(log), "A:activate 0 B | B:activate 1 A");
    log.clear();
    ::SetActiveWindow(b);
    EXPECT_TRUE(log.empty()) << Join(log);
}

TEST_F(InputTest, InTheBackgroundSetActiveWindowDoesNothingUntilBroughtToTheFront) {
    ::SetActiveWindow(a);
    wq::win::SetProgramForeground(false);
    log.clear();
    ::SetActiveWindow(b);
    EXPECT_TRUE(log.empty()) << Join(log);
    EXPECT_EQ(::SetForegroundWindow(b), TRUE);
    EXPECT_EQ(::GetActiveWindow(), b.m_hWnd);
}

TEST_F(InputTest, SetWindowPos0x43RaisesAndActivatesWithoutMoving) {
    ::SetActiveWindow(b);
    log.clear();
    CRect before;
    a.GetWindowRect(&before);
    EXPECT_TRUE(::SetWindowPos(a, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW));
    CRect after;
    a.GetWindowRect(&after);
    EXPECT_TRUE(before == after);
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
    ::SetActiveWindow(a);
    Pump();
    log.clear();
    wq::win::QueueMouseInput(a, WM_LBUTTONDOWN, POINT{40, 40});
    wq::win::QueueMouseInput(a, WM_LBUTTONUP, POINT{15, 15});
    wq::win::QueueMouseInput(a, WM_LBUTTONDOWN, POINT{5, 85});
    Pump();
    EXPECT_EQ(Join(log), "U:down 10,10 | L:up 5,5 | A:down 5,85");
}

TEST_F(InputTest, CaptureRoutesEverythingToTheCapturingWindowWithSignedCoordinates) {
    ::SetActiveWindow(a);
    log.clear();
    a.on[WM_LBUTTONDOWN] = [&](WPARAM, LPARAM) -> LRESULT {
        EXPECT_EQ(::SetCapture(a), nullptr);
        return 0;
    };
    wq::win::QueueMouseInput(a, WM_LBUTTONDOWN, POINT{50, 50});
    wq::win::QueueMouseInput(b, WM_MOUSEMOVE, POINT{10, 20});  // over B, 210,20 on the screen
    wq::win::QueueMouseInput(a, WM_LBUTTONUP, POINT{-30, 5});  // left of A
    Pump();
    EXPECT_EQ(Join(log), "A:down 50,50 | A:mousemove 210,20 | A:up -30,5");
    EXPECT_EQ(::GetCapture(), a.m_hWnd);
    a.DestroyWindow();
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(InputTest, MovesMergeButButtonsStayInOrder) {
    ::SetActiveWindow(a);
    log.clear();
    wq::win::QueueMouseInput(a, WM_LBUTTONDOWN, POINT{0, 0});
    wq::win::QueueMouseInput(a, WM_MOUSEMOVE, POINT{1, 1});
    wq::win::QueueMouseInput(a, WM_MOUSEMOVE, POINT{2, 2});
    Pump();
    EXPECT_EQ(Join(log), "A:down 0,0 | A:mousemove 2,2");
    log.clear();
    wq::win::QueueMouseInput(a, WM_LBUTTONDOWN, POINT{0, 0});
    wq::win::QueueMouseInput(a, WM_MOUSEMOVE, POINT{1, 1});
    wq::win::QueueMouseInput(a, WM_LBUTTONUP, POINT{1, 1});
    wq::win::QueueMouseInput(a, WM_MOUSEMOVE, POINT{3, 3});
    Pump();
    EXPECT_EQ(Join(log), "A:down 0,0 | A:mousemove 1,1 | A:up 1,1 | A:mousemove 3,3");
}

TEST_F(InputTest, ClickingAnInactiveWindowActivatesItFirst) {
    ::SetActiveWindow(a);
    log.clear();
    wq::win::QueueMouseInput(b, WM_LBUTTONDOWN, POINT{1, 1});
    Pump();
    EXPECT_EQ(Join(log), "A:activate 0 B | B:activate 2 A | B:down 1,1");
}

TEST_F(InputTest, FindWindowMatchesWholeTopLevelNamesIgnoringCase) {
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
    std::thread t([&] { fromThread = RegisterWindowMessage(u"wq:msg:keydown"); });
    t.join();
    const UINT other = RegisterWindowMessage(u"WQ:MSG:APP_EXIT");
    EXPECT_GE(k, 0xC000u);
    EXPECT_LE(k, 0xFFFFu);
    EXPECT_EQ(fromThread, k);
    EXPECT_NE(other, k);
    EXPECT_EQ(wq::win::GetRegisteredMessageName(k), u"WQ:MSG:KEYDOWN");
    EXPECT_TRUE(wq::win::GetRegisteredMessageName(WM_USER).empty());
    EXPECT_EQ(RegisterWindowMessage(u""), 0u);
}

// Another program's windows, as the desktop bus would present them.
class FakeRemote : public wq::win::RemoteWindows {
public:
    std::map<std::u16string, std::uint64_t> others{{u"wqmain", 7}};
    std::vector<std::string> calls;
    std::map<HWND, std::u16string> published;
    std::uint64_t Find(std::u16string_view name) override {
        std::u16string lower(name);
        for (auto& c : lower) c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
        auto it = others.find(lower);
        return it == others.end() ? 0 : it->second;
    }
    LRESULT Send(std::uint64_t id, UINT msg, WPARAM w, LPARAM, bool* delivered) override {
        calls.push_back("send " + std::to_string(id) + " " + std::to_string(msg) + " " +
                        std::to_string(w));
        *delivered = true;
        return 1;
    }
    bool Post(std::uint64_t id, UINT msg, WPARAM w, LPARAM) override {
        calls.push_back("post " + std::to_string(id) + " " + std::to_string(msg) + " " +
                        std::to_string(w));
        return true;
    }
    bool BringToFront(std::uint64_t id, UINT flags) override {
        calls.push_back("front " + std::to_string(id) + " " + std::to_string(flags));
        return true;
    }
    void Publish(HWND h, std::u16string_view name) override { published[h] = std::u16string(name); }
    void Withdraw(HWND h) override { published.erase(h); }
};

TEST_F(InputTest, OtherProgramsAreFoundAfterLocalWindowsAndReachedThroughTheTransport) {
    FakeRemote remote;
    a.SetWindowText(u"WQAudio");
    wq::win::SetRemoteWindows(&remote);
    EXPECT_EQ(remote.published[a.m_hWnd], u"WQAudio");  // existing names are published on install
    HWND main = ::FindWindow(nullptr, u"WQMain");
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
                                                      "front 7 67", "front 7 67"}));
    // Renaming and destroying withdraw the old name.
    a.SetWindowText(u"Other");
    EXPECT_EQ(remote.published[a.m_hWnd], u"Other");
    HWND gone = a.m_hWnd;
    a.DestroyWindow();
    EXPECT_EQ(remote.published.count(gone), 0u);
    EXPECT_EQ(::FindWindow(nullptr, u"Nobody"), nullptr);
    wq::win::SetRemoteWindows(nullptr);
}

}  // namespace
