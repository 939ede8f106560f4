// Message order: sending, posting, input, WM_QUIT, WM_PAINT and destruction.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/platform/win/probe.h"

using namespace wqtest;

namespace {

constexpr UINT M1 = WM_USER + 1;
constexpr UINT M2 = WM_USER + 2;
constexpr UINT M3 = WM_USER + 3;

class QueueTest : public ::testing::Test {
protected:
    wq::win::TestSession session;
    Log log;
    Probe a{&log, "A"};
    Probe b{&log, "B"};

    void SetUp() override {
        // A last, so that it is the active window and clicks on it activate nothing.
        ASSERT_TRUE(b.CreateTop(200, 0, 100, 50));
        ASSERT_TRUE(a.CreateTop(0, 0, 100, 50));
        wq::win::PumpPending();  // first paints
        log.clear();
    }
    void Pump() {
        auto r = wq::win::RunFor(0);
        ASSERT_TRUE(r.ok) << r.message;
    }
};

TEST_F(QueueTest, SentRunsInsideTheCallPostedAfterTheHandlerInOrder) {
    a.on[M1] = [&](WPARAM, LPARAM) {
        ::PostMessage(a, M3, 1, 0);
        ::PostMessage(b, M3, 2, 0);
        ::PostMessage(a, M3, 3, 0);
        const LRESULT r = ::SendMessage(b, M2, 0, 0);
        log.push_back("A:send returned " + std::to_string(r));
        log.push_back("A:handler end");
        return 0;
    };
    b.on[M2] = [](WPARAM, LPARAM) -> LRESULT { return 42; };
    ::PostMessage(a, M1, 0, 0);
    Pump();
    EXPECT_EQ(Join(log),
              "A:user+1 | B:user+2 | A:send returned 42 | A:handler end | A:user+3 | B:user+3 | "
              "A:user+3");
}

TEST_F(QueueTest, PostingToAnInvalidWindowFailsAndNothingArrives) {
    HWND gone = b.m_hWnd;
    b.DestroyWindow();
    log.clear();
    EXPECT_EQ(::PostMessage(gone, M1, 0, 0), 0);
    EXPECT_EQ(::SendMessage(gone, M1, 0, 0), 0);
    EXPECT_EQ(::PostMessage(reinterpret_cast<HWND>(0x7777770), M1, 0, 0), 0);
    Pump();
    EXPECT_TRUE(log.empty()) << Join(log);
}

TEST_F(QueueTest, RetrievalOrderIsPostedInputPaintTimer) {
    ::SetTimer(a, 7, 10, nullptr);
    session.clock().Advance(20);  // the timer is due
    ::InvalidateRect(a, nullptr, FALSE);
    wq::win::QueueMouseInput(a, WM_LBUTTONDOWN, POINT{5, 5});
    ::PostMessage(a, M1, 0, 0);
    for (int i = 0; i < 4; ++i) {
        MSG m;
        ASSERT_TRUE(::PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
        ::DispatchMessage(&m);
    }
    EXPECT_EQ(Join(log), "A:user+1 | A:down 5,5 | A:paint | A:timer 7");
}

TEST_F(QueueTest, MessagesPostedByAnInputHandlerComeBeforeTheNextInput) {
    a.on[WM_LBUTTONDOWN] = [&](WPARAM, LPARAM) -> LRESULT {
        ::PostMessage(a, M1, 0, 0);
        return 0;
    };
    wq::win::QueueMouseInput(a, WM_LBUTTONDOWN, POINT{1, 1});
    wq::win::QueueMouseInput(a, WM_LBUTTONUP, POINT{1, 1});
    Pump();
    EXPECT_EQ(Join(log), "A:down 1,1 | A:user+1 | A:up 1,1");
}

TEST_F(QueueTest, PaintIsOneMessageAndRepeatsUntilValidated) {
    ::InvalidateRect(a, nullptr, FALSE);
    ::InvalidateRect(a, nullptr, FALSE);
    ::InvalidateRect(a, nullptr, FALSE);
    Pump();
    EXPECT_EQ(Count(log, "A:paint"), 1);

    // A paint handler that never validates is asked again on every retrieval.
    log.clear();
    a.on[WM_PAINT] = [](WPARAM, LPARAM) -> LRESULT { return 0; };
    ::InvalidateRect(a, nullptr, FALSE);
    EXPECT_EQ(wq::win::PumpPending(5), 5);
    EXPECT_EQ(Count(log, "A:paint"), 5);
    // PeekMessage with PM_REMOVE does not take it away either.
    MSG m;
    ASSERT_TRUE(::PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_PAINT);
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

TEST_F(QueueTest, DestroyingAWindowDropsItsPostedMessagesAndTimers) {
    Probe child(&log, "C");
    ASSERT_TRUE(child.CreateChild(a, 0, 0, 10, 10));
    ::PostMessage(child, M1, 0, 0);
    ::SetTimer(child, 5, 10, nullptr);
    ::PostMessage(a, M2, 0, 0);
    child.DestroyWindow();
    EXPECT_EQ(child.m_hWnd, nullptr);
    auto r = wq::win::RunFor(100);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(Count(log, "C:user+1"), 0) << Join(log);
    EXPECT_EQ(Count(log, "C:timer 5"), 0) << Join(log);
    EXPECT_EQ(Count(log, "A:user+2"), 1) << Join(log);
}

TEST_F(QueueTest, AHandlerThatDestroysItsOwnWindowLeavesNoDanglingWork) {
    a.on[M1] = [&](WPARAM, LPARAM) -> LRESULT {
        ::PostMessage(a, M2, 0, 0);
        a.DestroyWindow();
        ::InvalidateRect(a, nullptr, TRUE);  // on a dead handle: ignored
        return 0;
    };
    ::PostMessage(a, M1, 0, 0);
    Pump();
    // The active window's end hands the activation to the other window.
    EXPECT_EQ(Join(log), "A:user+1 | A:activate 0 B | B:activate 1 A | A:destroy | A:ncdestroy");
    EXPECT_FALSE(::IsWindow(a.m_hWnd));
}

TEST_F(QueueTest, SendFromAnotherThreadRunsAheadOfPostedAndBlocksTheSender) {
    ::PostMessage(a, M1, 0, 0);
    std::atomic<bool> returned{false};
    LRESULT result = 0;
    a.on[WM_CLOSE] = [&](WPARAM, LPARAM) -> LRESULT {
        log.push_back(returned ? "sender already back" : "sender waiting");
        return 9;
    };
    HWND target = a.m_hWnd;
    std::atomic<bool> started{false};
    std::thread other([&] {
        started = true;
        result = ::SendMessage(target, WM_CLOSE, 0, 0);
        returned = true;
    });
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let the send reach the inbox
    auto r =
        wq::win::RunUntil([&] { return returned.load() && Count(log, "A:user+1") == 1; }, 1000);
    other.join();
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(result, 9);
    EXPECT_EQ(Join(log), "A:close | sender waiting | A:user+1");
}

TEST_F(QueueTest, TasksFromOtherThreadsRunOnTheGuiThreadInOrder) {
    std::vector<int> order;
    std::atomic<int> posted{0};
    std::thread other([&] {
        for (int i = 0; i < 100; ++i) {
            wq::win::PostTask([&order, i] {
                EXPECT_TRUE(wq::win::IsGuiThread());
                order.push_back(i);
            });
            ++posted;
        }
    });
    other.join();
    auto r = wq::win::RunUntil([&] { return order.size() == 100; }, 1000);
    ASSERT_TRUE(r.ok) << r.message;
    for (int i = 0; i < 100; ++i) ASSERT_EQ(order[static_cast<size_t>(i)], i);
}

TEST_F(QueueTest, WaitForSentTasksReturnsWhenATaskArrivesOrTheTimeoutPasses) {
    EXPECT_EQ(wq::win::WaitForSentTasks(10), 0);
    int ran = 0;
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        wq::win::SendTask([&] { ++ran; });
    });
    int n = 0;
    for (int i = 0; i < 100 && n == 0; ++i) n += wq::win::WaitForSentTasks(100);
    other.join();
    EXPECT_EQ(n, 1);
    EXPECT_EQ(ran, 1);
}

TEST_F(QueueTest, IdleLoopWithNothingToDoStopsWithASentence) {
    wq::win::SetWatchdog(0, 50);
    auto r = wq::win::RunUntil([] { return false; }, 1000);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("nothing is left"), std::string::npos) << r.message;
}

}  // namespace
