// Message order: sending, posting, input, WM_QUIT, WM_PAINT, WM_TIMER and destruction.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/base/guithread.h"
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

TEST_F(QueueTest, RetrievalOrderIsPostedInputQuitPaintThenTimer) {
    ::PostQuitMessage(3);
    ::SetTimer(a, 7, 10, nullptr);
    session.clock().Advance(20);
    ::InvalidateRect(a, nullptr, FALSE);
    wq::win::QueueMouseInput(a, WM_LBUTTONDOWN, POINT{5, 5});
    ::PostMessage(a, M1, 0, 0);
    MSG m;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(::PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
        if (m.message == WM_QUIT) log.push_back("quit " + std::to_string(m.wParam));  // no window
        ::DispatchMessage(&m);
    }
    EXPECT_EQ(Join(log), "A:user+1 | A:down 5,5 | quit 3 | A:paint | A:timer 7");
    EXPECT_FALSE(::PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));  // one WM_QUIT per call
}

TEST_F(QueueTest, ADestroyedWindowGetsNothingMoreAndCallsOnItsHandleFail) {
    HWND gone = b.m_hWnd;
    b.on[M1] = Do([&] {
        ::PostMessage(b, M2, 0, 0);
        ::SetTimer(b, 5, 10, nullptr);
        b.DestroyWindow();
        ::InvalidateRect(gone, nullptr, TRUE);
    });
    ::PostMessage(b, M1, 0, 0);
    ::PostMessage(a, M2, 0, 0);
    ASSERT_RUN(wq::win::RunFor(100));
    EXPECT_EQ(::PostMessage(gone, M1, 0, 0), 0);
    EXPECT_EQ(::SendMessage(gone, M1, 0, 0), 0);
    EXPECT_EQ(::PostMessage(reinterpret_cast<HWND>(0x7777770), M1, 0, 0), 0);
    EXPECT_EQ(Join(log), "B:user+1 | B:destroy | B:ncdestroy | A:user+2");
}

TEST_F(QueueTest, AnotherThreadsSendRunsAheadOfPostedWorkWhileTheSenderWaits) {
    ::PostMessage(a, M1, 0, 0);
    std::atomic<bool> started{false}, returned{false};
    LRESULT result = 0;
    a.on[WM_CLOSE] = [&](WPARAM, LPARAM) -> LRESULT {
        log.push_back(returned ? "sender already back" : "sender waiting");
        return 9;
    };
    std::thread other([&, target = a.m_hWnd] {
        started = true;
        for (int i = 0; i < 2; ++i) {
            wq::win::PostTask([&log = log, i] {
                log.push_back(wq::win::IsGuiThread() ? "task " + std::to_string(i) : "off thread");
            });
        }
        result = ::SendMessage(target, WM_CLOSE, 0, 0);
        returned = true;
    });
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let the send reach the inbox
    auto r = wq::win::RunUntil([&] { return returned && log.size() == 5; }, 1000);
    other.join();
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(result, 9);
    EXPECT_EQ(Join(log), "A:close | sender waiting | A:user+1 | task 0 | task 1");
}

// The posts and the send above are the calls other threads may make; a window
// call from another thread stops a checking build at once. (Drawing calls
// carry the same check.)
TEST_F(QueueTest, AWindowCallFromAnotherThreadStopsTheProgram) {
#ifndef WQ_CHECK_GUI_THREAD
    GTEST_SKIP() << "the GUI-thread check is compiled out of a release build";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    HWND target = a.m_hWnd;
    EXPECT_DEATH(std::thread([&] { ::SetWindowTextW(target, u"x"); }).join(),
                 "SetWindowTextW.*not the GUI thread");
#endif
}

}  // namespace
