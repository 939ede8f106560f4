// Modal dialogs, their resources and message maps.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/win/threads.h"
#include "tests/platform/win/probe.h"

using namespace wqtest;

namespace {

// Filled during static initialisation, before any window exists.
UINT s_msgKeyDown = RegisterWindowMessage(u"WQ:MSG:KEYDOWN");

CWinApp g_app;

// Resources of the shapes the program's windows use: one with hidden controls
// of each class, two without controls.
constexpr DWORD kPopup = 0x90000040;  // WS_POPUP | WS_VISIBLE | DS_SETFONT
constexpr wq::win::DialogControl kControls[] = {
    {2001, u"button", u"Stop", 50, 86, 29, 14, 0x40010000},
    {2002, u"button", u"Play", 86, 86, 29, 14, 0x40010000},
    {2007, u"msctls_trackbar32", u"Slider1", 0, 113, 259, 8, 0x40010018},
    {2008, u"listbox", u"", 35, 141, 118, 38, 0x40A10101},
    {2042, u"button", u"MODE", 5, 3, 28, 14, 0x40000000},
};
constexpr UINT kMain = 900, kChild = 901, kOther = 902;
constexpr wq::win::DialogResource kResources[] = {
    {kMain, 278, 198, kPopup, 0x80040000, u"", u"System", 8, kControls},
    {kChild, 320, 144, kPopup, 0x80040000, u"", u"System", 8, {}},
    {kOther, 200, 72, kPopup, 0x80040000, u"Other", u"System", 8, {}},
};

class TestDlg : public CDialog {
public:
    TestDlg(UINT id, Log* log, std::string name, CWnd* parent = nullptr)
        : CDialog(id, parent), m_log(log), m_name(std::move(name)) {}

    std::function<void()> onInit;
    std::function<void(UINT_PTR)> onTimer;

    // Starts a 10 ms timer 1 from OnInitDialog and runs `f` on its ticks.
    void OnTick(std::function<void(UINT_PTR)> f) {
        onInit = [this] { SetTimer(1, 10, nullptr); };
        onTimer = std::move(f);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        Note("init");
        if (onInit) onInit();
        return TRUE;
    }
    BOOL DestroyWindow() override {
        Note("override");
        return CDialog::DestroyWindow();
    }
    void OnCancel() override {
        Note("OnCancel");
        CDialog::OnCancel();
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        const std::string d = Describe(msg, wParam, lParam);
        if (!d.empty() && msg != WM_COMMAND && msg != WM_TIMER && msg < 0xC000) Note(d);
        return CDialog::WindowProc(msg, wParam, lParam);
    }
    void Note(const std::string& s) { m_log->push_back(m_name + ":" + s); }

protected:
    afx_msg void OnTimer(UINT_PTR id) {
        Note("OnTimer " + std::to_string(id));
        if (onTimer) onTimer(id);
    }
    afx_msg void OnBtnClose() { Note("OnBtnClose"); }
    afx_msg void OnSelChange() { Note("OnSelChange"); }
    afx_msg void OnDblClk() { Note("OnDblClk"); }
    afx_msg void OnEqDBButton(UINT id) { Note("OnEqDBButton " + std::to_string(id)); }
    afx_msg LRESULT OnKeyDownMsg(WPARAM k, LPARAM) { return Note("key " + std::to_string(k)), 1; }
    afx_msg LRESULT OnUserMsg(WPARAM, LPARAM) { return Note("OnUserMsg"), 7; }
    DECLARE_MESSAGE_MAP()

    Log* m_log;
    std::string m_name;
};

BEGIN_MESSAGE_MAP(TestDlg, CDialog)
    ON_WM_TIMER()
    ON_COMMAND(2009, OnBtnClose)
    ON_CONTROL(100, 2008, OnSelChange)
    ON_CONTROL(200, 2008, OnDblClk)
    ON_COMMAND_RANGE(2055, 2064, OnEqDBButton)
    ON_REGISTERED_MESSAGE(s_msgKeyDown, OnKeyDownMsg)
    ON_MESSAGE(WM_USER + 5, OnUserMsg)
END_MESSAGE_MAP()

class DialogTest : public ::testing::Test {
protected:
    wq::win::TestSession session;
    Log log;
    Probe owner{&log, "O"};

    void SetUp() override {
        for (const auto& r : kResources) ASSERT_TRUE(wq::win::RegisterDialogResource(r));
        ASSERT_TRUE(owner.CreateTop(0, 0, 480, 234));
        g_app.m_pMainWnd = &owner;
        ::SetActiveWindow(owner);
        Settle(log);
    }
    void TearDown() override { g_app.m_pMainWnd = nullptr; }
    // The entries of the log that contain one of `parts`, joined.
    std::string Only(std::initializer_list<const char*> parts) {
        Log kept;
        for (const auto& e : log)
            if (std::any_of(parts.begin(), parts.end(),
                            [&](auto p) { return e.find(p) != e.npos; }))
                kept.push_back(e);
        return Join(kept);
    }
};

TEST_F(DialogTest, DoModalDisablesTheOwnerWhoseTimersAndPostsStillRunUntilEndDialog) {
    owner.SetTimer(200, 200, nullptr);
    TestDlg dlg(kChild, &log, "D");
    dlg.onInit = [&] {
        dlg.SetTimer(1, 1000, nullptr);
        dlg.PostMessage(WM_USER + 5);
        owner.PostMessage(WM_COMMAND, 2002, 0);
        wq::win::QueueMouseInput(owner, WM_LBUTTONDOWN, POINT{10, 10});  // dropped: disabled
    };
    dlg.onTimer = [&](UINT_PTR) {
        dlg.EndDialog(IDOK);
        dlg.PostMessage(WM_USER + 5);  // dropped: the loop ends when this handler returns
        dlg.Note("handler end");
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(Join(log),
              "O:enable 0 | D:init | O:activate 0 ? | D:activate 1 O | D:paint | D:erase | "
              "D:user+5 | D:OnUserMsg | O:cmd 2002/0 | O:timer 200 | O:timer 200 | "
              "O:timer 200 | O:timer 200 | O:timer 200 | D:OnTimer 1 | O:enable 1 | "
              "D:activate 0 O | O:activate 1 ? | D:handler end | D:override | D:destroy | "
              "D:ncdestroy");
    EXPECT_EQ(wq::win::PumpPending(), 0);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST_F(DialogTest, NestedLoopsUnwindInnermostFirstAndQuitEndsEveryLoop) {
    for (const bool quit : {false, true}) {
        TestDlg outer(kMain, &log, "Out"), inner(kChild, &log, "In", &outer);
        outer.OnTick([&](UINT_PTR) {
            outer.KillTimer(1);
            outer.Note("inner returned " + std::to_string(inner.DoModal()));
        });
        inner.OnTick([&](UINT_PTR) {
            outer.EndDialog(IDCANCEL);  // from inside the inner loop
            inner.EndDialog(IDOK);
        });
        if (quit) inner.onInit = [] { ::PostQuitMessage(4); };
        log.clear();
        EXPECT_EQ(outer.DoModal(), quit ? -1 : IDCANCEL);
        EXPECT_EQ(Only({"override", "returned"}), "In:override | Out:inner returned " +
                                                      std::string(quit ? "-1" : "1") +
                                                      " | Out:override");
    }
    MSG m;
    ASSERT_TRUE(::PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 4u);
}

TEST_F(DialogTest, EndDialogFromATaskOfAnotherThreadEndsTheLoopWithoutATimerToWakeIt) {
    // A message sent from another thread (or program) runs inside GetMessage's
    // wait; no timer, post or input follows it, yet the loop must see the end.
    for (const bool sent : {true, false}) {
        TestDlg dlg(kOther, &log, "D");
        std::thread other;
        dlg.onInit = [&] {
            other = std::thread([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                auto end = [&] { dlg.EndDialog(7); };
                sent ? wq::win::SendTask(end) : wq::win::PostTask(end);
            });
        };
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(dlg.DoModal(), 7) << sent;
        other.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
        EXPECT_EQ(wq::win::WatchdogMessage(), "") << sent;
    }
}

TEST_F(DialogTest, OkCancelAndCloseEndTheDialogButNotOtherWindowsAndEndingTheMainOneQuits) {
    const std::pair<UINT, int> cases[] = {
        {WM_COMMAND, IDCANCEL}, {WM_COMMAND, IDOK}, {WM_CLOSE, IDCANCEL}};
    for (const auto& c : cases) {
        TestDlg dlg(kOther, &log, "D");
        dlg.onInit = [&] {
            dlg.PostMessage(c.first, c.first == WM_COMMAND ? MAKEWPARAM(c.second, BN_CLICKED) : 0);
        };
        EXPECT_EQ(dlg.DoModal(), c.second) << c.first;
    }
    EXPECT_EQ(Count(log, "D:OnCancel"), 2);  // the close, too, goes through OnCancel
    EXPECT_EQ(::EndDialog(owner, 2), FALSE);
    EXPECT_TRUE(owner.IsWindowVisible());
    EXPECT_EQ(::EndDialog(nullptr, 2), FALSE);
    // Ending the main window quits the thread: later loops end at once.
    TestDlg main(kChild, &log, "M");
    g_app.m_pMainWnd = &main;
    main.onInit = [&] { main.PostMessage(WM_COMMAND, IDOK); };
    EXPECT_EQ(main.DoModal(), IDOK);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    EXPECT_EQ(TestDlg(kOther, &log, "Later").DoModal(), -1);  // the WM_QUIT is still pending
}

TEST_F(DialogTest, ARegisteredResourceGivesItsSizeInDialogUnitsAndHiddenControlsWithTheirIds) {
    const auto units = static_cast<std::uintptr_t>(::GetDialogBaseUnits());
    EXPECT_GE(LOWORD(units), 4);  // a real font measured, not zero
    for (const auto& r : kResources) {
        TestDlg dlg(r.id, &log, "D");
        CRect rc;
        int missing = 0;
        dlg.onInit = [&] {
            dlg.GetWindowRect(&rc);
            for (const auto& c : r.controls) {
                HWND h = ::GetDlgItem(dlg, static_cast<int>(c.id));
                missing += !h || ::IsWindowVisible(h);
            }
            dlg.EndDialog(IDOK);
        };
        EXPECT_EQ(dlg.DoModal(), IDOK) << r.id;
        EXPECT_EQ(missing, 0) << r.id;
        EXPECT_EQ(rc.Width(), MulDiv(r.cx, LOWORD(units), 4)) << r.id;
        EXPECT_EQ(rc.Height(), MulDiv(r.cy, HIWORD(units), 8)) << r.id;
    }
    // An id nobody registered makes no dialog.
    EXPECT_EQ(TestDlg(903, &log, "None").DoModal(), -1);
}

TEST_F(DialogTest, MessageMapsMatchCommandsByIdAndCodeRangesAndMessages) {
    TestDlg dlg(kMain, &log, "D");
    LRESULT keyResult = 0, userResult = 0;
    dlg.onInit = [&] {
        // No ON_COMMAND(2008) for code 0, and ranges are for code 0 only.
        const std::pair<int, int> commands[] = {{2008, 200}, {2008, 100}, {2008, 0},
                                                {2009, 0},   {2058, 0},   {2058, 200}};
        for (auto [id, code] : commands) ::SendMessage(dlg, WM_COMMAND, MAKEWPARAM(id, code), 0);
        keyResult = ::SendMessage(dlg, RegisterWindowMessage(u"wq:msg:keydown"), 38, 0);
        userResult = ::SendMessage(dlg, WM_USER + 5, 0, 0);
        dlg.EndDialog(IDOK);
    };
    dlg.DoModal();
    EXPECT_EQ(Only({":On", ":key"}),
              "D:OnDblClk | D:OnSelChange | D:OnBtnClose | D:OnEqDBButton 2058 | D:key 38 | "
              "D:OnUserMsg");
    EXPECT_EQ(keyResult, 1);
    EXPECT_EQ(userResult, 7);
}

}  // namespace
