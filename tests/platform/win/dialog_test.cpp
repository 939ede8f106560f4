// Modal dialogs, message maps and the application object.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/platform/win/probe.h"

using namespace wqtest;

namespace {

// Filled during static initialisation, before any window exists.
UINT s_msgKeyDown = RegisterWindowMessage(u"WQ:MSG:KEYDOWN");

CWinApp g_app;

class TestDlg : public CDialog {
public:
    TestDlg(UINT id, Log* log, std::string name, CWnd* parent = nullptr)
        : CDialog(id, parent), m_log(log), m_name(std::move(name)) {}

    std::function<void()> onInit, onDestroyOverride;
    std::function<void(UINT_PTR)> onTimer;

    // Starts timer 1 from OnInitDialog and runs `f` on its ticks.
    void OnTick(std::function<void(UINT_PTR)> f, UINT ms = 10) {
        onInit = [this, ms] { SetTimer(1, ms, nullptr); };
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
        if (onDestroyOverride) onDestroyOverride();
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
    afx_msg LRESULT OnKeyDownMsg(WPARAM key, LPARAM) {
        return Note("key " + std::to_string(key)), 1;
    }
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

// A derived class whose entry for 2009 hides the base class's.
class DerivedDlg : public TestDlg {
public:
    using TestDlg::TestDlg;

protected:
    afx_msg void OnOwnClose() { Note("OnOwnClose"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedDlg, TestDlg)
ON_COMMAND(2009, OnOwnClose)
END_MESSAGE_MAP()

class DialogTest : public ::testing::Test {
protected:
    wq::win::TestSession session;
    Log log;
    Probe owner{&log, "O"};

    void SetUp() override {
        ASSERT_TRUE(owner.CreateTop(0, 0, 480, 234));
        g_app.m_pMainWnd = &owner;
        Settle(log);
    }
    void TearDown() override { g_app.m_pMainWnd = nullptr; }
    // Expects the entries in this order; prints the log when one is missing or out of order.
    void ExpectOrder(std::initializer_list<const char*> entries) {
        int last = -1;
        for (const char* e : entries) {
            const int at = IndexOf(log, e);
            ASSERT_GT(at, last) << e << " in " << Join(log);
            last = at;
        }
    }
};

TEST_F(DialogTest, DoModalDisablesAndDeactivatesTheOwnerPaintsThenLoopsUntilEndDialog) {
    ::SetActiveWindow(owner);
    log.clear();
    TestDlg dlg(230, &log, "D");
    HWND activeDuring = nullptr;
    dlg.onInit = [&] {
        dlg.SetTimer(1, 1, nullptr);
        dlg.PostMessage(WM_USER + 5);
    };
    dlg.onTimer = [&](UINT_PTR) {
        activeDuring = ::GetActiveWindow();
        dlg.EndDialog(IDOK);
        dlg.PostMessage(WM_USER + 5);  // dropped: the loop ends when this handler returns
        dlg.Note("handler end");
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    ExpectOrder({"O:enable 0", "D:init", "D:paint", "D:OnUserMsg", "D:OnTimer 1", "D:handler end",
                 "D:override"});
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_EQ(Count(log, "D:OnUserMsg"), 1) << Join(log);
    EXPECT_EQ(wq::win::PumpPending(), 0);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_GE(IndexOf(log, "O:activate 0 ?"), 0) << Join(log);  // lost it to the dialog
    EXPECT_NE(activeDuring, owner.m_hWnd);
    EXPECT_EQ(::GetActiveWindow(), owner.m_hWnd);
    auto last = std::find_if(log.rbegin(), log.rend(), [](auto& e) { return e[0] == 'O'; });
    EXPECT_EQ(*last, "O:activate 1 ?") << Join(log);
}

TEST_F(DialogTest, NestedLoopsUnwindInnermostFirstAndQuitEndsEveryLoop) {
    for (const bool quit : {false, true}) {
        TestDlg outer(202, &log, "Out"), inner(230, &log, "In", &outer);
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
        ExpectOrder({"In:override", quit ? "Out:inner returned -1" : "Out:inner returned 1",
                     "Out:override"});
    }
    MSG m;
    ASSERT_TRUE(::PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 4u);
}

TEST_F(DialogTest, AfterTheLoopTheOverrideRunsThenDestroyInTreeOrderAndTheMainWindowQuits) {
    TestDlg dlg(230, &log, "D");
    g_app.m_pMainWnd = &dlg;
    Probe kid(&log, "K");
    CWnd *found = nullptr, *mainDuringLoop = nullptr;
    LRESULT sent = 0;
    dlg.onTimer = [&](UINT_PTR) {
        mainDuringLoop = AfxGetMainWnd();
        dlg.EndDialog(IDOK);
    };
    dlg.onInit = [&] {
        dlg.SetTimer(1, 10, nullptr);
        dlg.SetWindowText(u"WQEqualizer");
        ASSERT_TRUE(kid.CreateChild(dlg, 0, 0, 1, 1));
    };
    dlg.onDestroyOverride = [&] {
        // The window still exists here: it can be found and sent to.
        found = CWnd::FindWindow(nullptr, u"wqequalizer");
        sent = ::SendMessage(dlg, WM_USER + 5, 0, 0);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(found, &dlg);
    EXPECT_EQ(sent, 7);
    ExpectOrder({"D:override", "D:destroy", "K:destroy", "K:ncdestroy", "D:ncdestroy"});
    EXPECT_EQ(::FindWindow(nullptr, u"WQEqualizer"), nullptr);
    EXPECT_EQ(kid.m_hWnd, nullptr);
    EXPECT_EQ(mainDuringLoop, &dlg);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    MSG m;
    ASSERT_TRUE(::PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(TestDlg(233, &log, "Later").DoModal(), -1);  // later loops end at once
}

TEST_F(DialogTest, CancelOkAndCloseEndTheDialogOnlyNonDialogsRefuse) {
    for (const int id : {IDCANCEL, IDOK}) {
        TestDlg dlg(233, &log, "D");
        dlg.onInit = [&] { dlg.PostMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); };
        EXPECT_EQ(dlg.DoModal(), id);
    }
    // The default close posts a cancel instead of ending at once.
    TestDlg pattern(233, &log, "Pat");
    bool aliveAfterClose = false;
    pattern.OnTick([&](UINT_PTR) {
        pattern.KillTimer(1);
        ::SendMessage(pattern, WM_CLOSE, 0, 0);
        aliveAfterClose = ::IsWindowVisible(pattern.m_hWnd);
        pattern.Note("after close");
    });
    EXPECT_EQ(pattern.DoModal(), IDCANCEL);
    EXPECT_TRUE(aliveAfterClose);
    ExpectOrder({"Pat:close", "Pat:after close", "Pat:OnCancel"});
    EXPECT_EQ(::EndDialog(owner, 2), FALSE);
    EXPECT_TRUE(owner.IsWindowVisible());
    EXPECT_EQ(::EndDialog(nullptr, 2), FALSE);
}

TEST_F(DialogTest, ResourceSizeComesFromDialogUnitsAndControlsCarryTheirIds) {
    TestDlg player(202, &log, "Player");
    CRect rc, expected(0, 0, 278, 198);
    int hiddenControls = 0;
    player.onInit = [&] {
        player.GetWindowRect(&rc);
        for (const auto& c : wq::win::FindDialogResource(202)->controls) {
            HWND h = ::GetDlgItem(player, static_cast<int>(c.id));
            hiddenControls += h && !::IsWindowVisible(h);
        }
        player.EndDialog(IDOK);
    };
    player.DoModal();
    ::MapDialogRect(nullptr, &expected);
    const auto units = static_cast<std::uintptr_t>(::GetDialogBaseUnits());
    EXPECT_GE(LOWORD(units), 4);  // a real font measured, not zero
    EXPECT_EQ(expected.Width(), MulDiv(278, LOWORD(units), 4));
    EXPECT_EQ(expected.Height(), MulDiv(198, HIWORD(units), 8));
    EXPECT_TRUE(rc == expected);
    EXPECT_EQ(hiddenControls, 17);
    EXPECT_EQ(wq::win::FindDialogResource(999), nullptr);
}

TEST_F(DialogTest, TimersPostedCommandsAndPaintsReachTheDisabledOwnerButClicksDoNot) {
    int ownerTicks = 0;
    owner.on[WM_TIMER] = Do([&] { ++ownerTicks; });
    owner.SetTimer(200, 200, nullptr);
    TestDlg eq(230, &log, "Eq");
    eq.onInit = [&] {
        eq.SetTimer(1, 1000, nullptr);
        owner.PostMessage(WM_COMMAND, 2002, 0);
        wq::win::QueueMouseInput(owner, WM_LBUTTONDOWN, POINT{10, 10});
        wq::win::QueueMouseInput(owner, WM_LBUTTONUP, POINT{10, 10});
    };
    eq.onTimer = [&](UINT_PTR) { eq.EndDialog(IDOK); };
    eq.DoModal();
    EXPECT_EQ(ownerTicks, 5);
    EXPECT_GE(IndexOf(log, "O:cmd 2002/0"), 0) << Join(log);
    EXPECT_EQ(IndexOf(log, "O:down 10,10") + IndexOf(log, "O:up 10,10"), -2) << Join(log);
}

TEST_F(DialogTest, MessageMapsMatchCommandsByIdAndCodeAndDerivedEntriesWin) {
    DerivedDlg dlg(202, &log, "D");
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
    Log handlers;
    for (const auto& e : log) {
        if (e.rfind("D:On", 0) == 0 || e.rfind("D:key", 0) == 0) handlers.push_back(e);
    }
    EXPECT_EQ(
        Join(handlers),
        "D:OnDblClk | D:OnSelChange | D:OnOwnClose | D:OnEqDBButton 2058 | D:key 38 | D:OnUserMsg");
    EXPECT_EQ(keyResult, 1);
    EXPECT_EQ(userResult, 7);
}

TEST(AppTest, InitInstanceRunsOnceWithTheCommandLineAndFalseSkipsTheLoop) {
    wq::win::TestSession session;
    struct App : CWinApp {
        std::vector<CString> seen;
        BOOL InitInstance() override {
            seen.push_back(m_lpCmdLine);
            ::PostMessage(nullptr, WM_USER, 0, 0);  // a Run loop would consume this
            return FALSE;
        }
    };
    CWinApp* previous = AfxGetApp();
    {
        App app;
        EXPECT_EQ(AfxGetApp(), &app);
        wq::win::RunApplication(CString(u"SDMMC Card\\x.mp3"));
        EXPECT_EQ(app.seen, std::vector<CString>{CString(u"SDMMC Card\\x.mp3")});
        MSG m;
        EXPECT_TRUE(::PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
    }
    EXPECT_EQ(AfxGetApp(), previous);
}

}  // namespace
