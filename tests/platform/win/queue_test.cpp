// Message order: sending, posting, input, WM_QUIT, WM_PAINT and destruction.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/platform/win/probe.h"

using namespace wqtest;

namespace {

constexpr UINT M1 = WM_USER + 1, M2 = WM_USER + 2, M3 = WM_USER + 3;

class QueueTest : public ::testing::Test {
protected:
    wq::win::TestSession session;
    Log log;
    Probe a{&log, "A"}, b{&log, "B"};

    void SetUp() override {
        // A last, so that it is the active window and clicks on it activate nothing.
        ASSERT_TRUE(b.CreateTop(200, 0, 100, 50));
        ASSERT_TRUE(a.CreateTop(0, 0, 100, 50));
        Settle(log);
    }
    void Dispatch(int n) {
        MSG m;
        for (int i = 0; i < n; ++i) {
            ASSERT_TRUE(::PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
            ::DispatchMessage(&m);
        }
    }
};

TEST_F(QueueTest, SentRunsInsideTheCallPostedAfterTheHandlerInOrder) {
    a.on[M1] = Do([&] {
        ::PostMessage(a, M3, 1, 0);
        ::PostMessage(b, M3, 2, 0);
        ::PostMessage(a, M3, 3, 0);
        log.push_back("A:send returned " + std::to_string(::SendMessage(b, M2, 0, 0)));
    });
    b.on[M2] = [](WPARAM, LPARAM) -> LRESULT { return 42; };
    ::PostMessage(a, M1, 0, 0);
    ASSERT_RUN(wq::win::RunFor(0));
    EXPECT_EQ(Join(log),
              "A:user+1 | B:user+2 | A:send returned 42 | A:user+3 | B:user+3 | A:user+3");
}

TEST_F(QueueTest, PostingOrSendingToAnInvalidWindowFails) {
    HWND gone = b.m_hWnd;
    b.DestroyWindow();
    log.clear();
    EXPECT_EQ(::PostMessage(gone, M1, 0, 0), 0);
    EXPECT_EQ(::SendMessage(gone, M1, 0, 0), 0);
    EXPECT_EQ(::PostMessage(reinterpret_cast<HWND>(0x7777770), M1, 0, 0), 0);
    ASSERT_RUN(wq::win::RunFor(0));
    EXPECT_TRUE(log.empty()) << Join(log);
}

TEST_F(QueueTest, RetrievalOrderIsPostedInputPaintTimerAndInputHandlersPostFirst) {
    ::SetTimer(a, 7, 10, nullptr);
    session.clock().Advance(20);
    ::InvalidateRect(a, nullptr, FALSE);
    wq::win::QueueMouseInput(a, WM_LBUTTONDOWN, POINT{5, 5});
    ::PostMessage(a, M1, 0, 0);
    Dispatch(4);
    EXPECT_EQ(Join(log), "A:user+1 | A:down 5,5 | A:paint | A:timer 7");

    log.clear();
    a.on[WM_LBUTTONDOWN] = Do([&] { ::PostMessage(a, M1, 0, 0); });
    wq::win::QueueMouseInput(a, WM_LBUTTONDOWN, POINT{1, 1});
    wq::win::QueueMouseInput(a, WM_LBUTTONUP, POINT{1, 1});
    Dispatch(3);
    EXPECT_EQ(Join(log), "A:down 1,1 | A:user+1 | A:up 1,1");
}

TEST_F(QueueTest, PaintRepeatsUntilValidatedEvenWhenRemoved) {
    a.on[WM_PAINT] = [](WPARAM, LPARAM) -> LRESULT { return 0; };
    ::InvalidateRect(a, nullptr, FALSE);
    EXPECT_EQ(wq::win::PumpPending(5), 5);
    EXPECT_EQ(Count(log, "A:paint"), 5);
    MSG m;
    ASSERT_TRUE(::PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_PAINT);
    ::ValidateRect(a, nullptr);
    EXPECT_FALSE(::PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(QueueTest, QuitComesAfterPostedMessagesAndOnlyOnce) {
    ::PostQuitMessage(3);
    ::PostMessage(a, M1, 0, 0);
    MSG m;
    ASSERT_TRUE(::GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, M1);
    EXPECT_FALSE(::GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_FALSE(::PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(QueueTest, AWindowThatDestroysItselfLeavesNoPostedMessagesTimersOrPaints) {
    Probe child(&log, "C");
    ASSERT_TRUE(child.CreateChild(a, 0, 0, 10, 10));
    child.on[M1] = Do([&] {
        ::PostMessage(child, M2, 0, 0);
        ::SetTimer(child, 5, 10, nullptr);
        child.DestroyWindow();
        ::InvalidateRect(child, nullptr, TRUE);  // on a dead handle: ignored
    });
    ::PostMessage(child, M1, 0, 0);
    ::PostMessage(a, M2, 0, 0);
    ASSERT_RUN(wq::win::RunFor(100));
    EXPECT_EQ(child.m_hWnd, nullptr);
    EXPECT_EQ(Count(log, "C:user+2") + Count(log, "C:timer 5") + Count(log, "C:paint"), 0)
        << Join(log);
    EXPECT_EQ(Count(log, "A:user+2"), 1) << Join(log);
}

TEST_F(QueueTest, SendFromAnotherThreadRunsAheadOfPostedAndBlocksTheSender) {
    ::PostMessage(a, M1, 0, 0);
    std::atomic<bool> started{false}, returned{false};
    LRESULT result = 0;
    a.on[WM_CLOSE] = [&](WPARAM, LPARAM) -> LRESULT {
        log.push_back(returned ? "sender already back" : "sender waiting");
        return 9;
    };
    std::thread other([&, target = a.m_hWnd] {
        started = true;
        result = ::SendMessage(target, WM_CLOSE, 0, 0);
        returned = true;
    });
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let the send reach the inbox
    auto r = wq::win::RunUntil([&] { return returned && Count(log, "A:user+1") == 1; }, 1000);
    other.join();
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(result, 9);
    EXPECT_EQ(Join(log), "A:close | sender waiting | A:user+1");
}

TEST_F(QueueTest, TasksFromOtherThreadsRunOnTheGuiThreadSentAheadOfPosted) {
    EXPECT_EQ(wq::win::WaitForSentTasks(10), 0);
    std::vector<int> order, expected{100};  // the sent task runs inside the wait
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        for (int i = 0; i < 100; ++i) {
            wq::win::PostTask([&order, i] { order.push_back(wq::win::IsGuiThread() ? i : -1); });
        }
        wq::win::SendTask([&order] { order.push_back(100); });
    });
    int woken = 0;
    for (int i = 0; i < 100 && woken == 0; ++i) woken += wq::win::WaitForSentTasks(100);
    other.join();
    EXPECT_EQ(woken, 1);
    ASSERT_RUN(wq::win::RunUntil([&] { return order.size() == 101; }, 1000));
    for (int i = 0; i < 100; ++i) expected.push_back(i);
    EXPECT_EQ(order, expected);
}

TEST_F(QueueTest, IdleLoopWithNothingToDoStopsWithASentence) {
    wq::win::SetWatchdog(0, 50);
    auto r = wq::win::RunUntil([] { return false; }, 1000);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("nothing is left"), std::string::npos) << r.message;
}

}  // namespace
