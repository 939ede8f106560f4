// Modal dialogs, message maps and the application object.
#include <gtest/gtest.h>

#include "tests/platform/win/probe.h"

using namespace wqtest;

namespace {

// Filled during static initialisation, before any window exists.
UINT s_msgKeyDown = RegisterWindowMessage(u"WQ:MSG:KEYDOWN");

CWinApp g_app;

class TestDlg : public CDialog {
public:
    TestDlg(UINT id, CWnd* parent, Log* log, std::string name)
        : CDialog(id, parent), m_log(log), m_name(std::move(name)) {}

    std::function<void()> onInit;
    std::function<void(UINT_PTR)> onTimer;
    std::function<void()> onDestroyOverride;
    std::function<void()> onClose;  // when empty, WM_CLOSE goes to Default()
    BOOL initResult = TRUE;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        Note("init");
        if (onInit) onInit();
        return initResult;
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
    afx_msg void OnClose() {
        Note("OnClose");
        if (onClose) {
            onClose();
        } else {
            Default();
        }
    }
    afx_msg void OnBtnClose() { Note("OnBtnClose"); }
    afx_msg void OnSelChange() { Note("OnSelChange"); }
    afx_msg void OnDblClk() { Note("OnDblClk"); }
    afx_msg void OnEqDBButton(UINT id) { Note("OnEqDBButton " + std::to_string(id)); }
    afx_msg LRESULT OnKeyDownMsg(WPARAM key, LPARAM) {
        Note("key " + std::to_string(key));
        return 1;
    }
    afx_msg LRESULT OnUserMsg(WPARAM, LPARAM) {
        Note("OnUserMsg");
        return 7;
    }
    DECLARE_MESSAGE_MAP()

    Log* m_log;
    std::string m_name;
};

BEGIN_MESSAGE_MAP(TestDlg, CDialog)
ON_WM_TIMER()
ON_WM_CLOSE()
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
        wq::win::PumpPending();
        log.clear();
    }
    void TearDown() override { g_app.m_pMainWnd = nullptr; }
};

TEST_F(DialogTest, DoModalDisablesTheOwnerInitialisesPaintsThenLoops) {
    TestDlg dlg(230, nullptr, &log, "D");
    dlg.onInit = [&] {
        dlg.SetTimer(1, 1, nullptr);
        dlg.PostMessage(WM_USER + 5);
    };
    dlg.onTimer = [&](UINT_PTR) { dlg.EndDialog(IDOK); };
    const INT_PTR r = dlg.DoModal();
    EXPECT_EQ(r, IDOK);
    const int disable = IndexOf(log, "O:enable 0"), init = IndexOf(log, "D:init"),
              paint = IndexOf(log, "D:paint"), posted = IndexOf(log, "D:OnUserMsg"),
              timer = IndexOf(log, "D:OnTimer 1");
    ASSERT_GE(disable, 0) << Join(log);
    EXPECT_LT(disable, init) << Join(log);
    EXPECT_LT(init, paint) << Join(log);
    EXPECT_LT(paint, posted) << Join(log);
    EXPECT_LT(posted, timer) << Join(log);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST_F(DialogTest, EndDialogLetsTheHandlerFinishAndDropsLaterMessages) {
    TestDlg dlg(230, nullptr, &log, "D");
    dlg.onInit = [&] { dlg.SetTimer(1, 10, nullptr); };
    dlg.onTimer = [&](UINT_PTR) {
        dlg.EndDialog(5);
        dlg.PostMessage(WM_USER + 5);
        dlg.Note("handler end");
    };
    EXPECT_EQ(dlg.DoModal(), 5);
    EXPECT_GE(IndexOf(log, "D:handler end"), 0);
    EXPECT_EQ(IndexOf(log, "D:OnUserMsg"), -1) << Join(log);
    EXPECT_EQ(wq::win::PumpPending(), 0);
}

TEST_F(DialogTest, NestedLoopsUnwindInnermostFirst) {
    TestDlg outer(202, nullptr, &log, "Out");
    TestDlg inner(230, &outer, &log, "In");
    outer.onInit = [&] { outer.SetTimer(1, 10, nullptr); };
    outer.onTimer = [&](UINT_PTR) {
        outer.KillTimer(1);
        const INT_PTR r = inner.DoModal();
        outer.Note("inner returned " + std::to_string(r));
    };
    inner.onInit = [&] { inner.SetTimer(2, 10, nullptr); };
    inner.onTimer = [&](UINT_PTR) {
        // Ending the outer dialog from inside the inner loop.
        outer.EndDialog(IDCANCEL);
        inner.EndDialog(IDOK);
    };
    EXPECT_EQ(outer.DoModal(), IDCANCEL);
    const int innerDone = IndexOf(log, "Out:inner returned 1");
    ASSERT_GE(innerDone, 0) << Join(log);
    EXPECT_LT(IndexOf(log, "In:override"), innerDone);
    EXPECT_GT(IndexOf(log, "Out:override"), innerDone);
}

TEST_F(DialogTest, QuitInsideANestedLoopEndsEveryLoop) {
    TestDlg outer(202, nullptr, &log, "Out");
    TestDlg inner(230, &outer, &log, "In");
    outer.onInit = [&] { outer.SetTimer(1, 10, nullptr); };
    outer.onTimer = [&](UINT_PTR) {
        outer.KillTimer(1);
        inner.DoModal();
        outer.Note("inner returned");
    };
    inner.onInit = [&] { ::PostQuitMessage(4); };
    EXPECT_EQ(outer.DoModal(), -1);
    EXPECT_GE(IndexOf(log, "Out:inner returned"), 0);
    MSG m;
    ASSERT_TRUE(::PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 4u);
}

TEST_F(DialogTest, AfterTheLoopTheOverrideRunsFirstThenDestroyAndNcDestroyInTreeOrder) {
    TestDlg dlg(230, nullptr, &log, "D");
    Probe kid(&log, "K");
    CWnd* found = nullptr;
    LRESULT sent = 0;
    dlg.onInit = [&] {
        dlg.SetWindowText(u"WQEqualizer");
        ASSERT_TRUE(kid.CreateChild(dlg, 0, 0, 1, 1));
        dlg.SetTimer(1, 10, nullptr);
    };
    dlg.onTimer = [&](UINT_PTR) { dlg.EndDialog(IDOK); };
    dlg.onDestroyOverride = [&] {
        // The window still exists here: it can be found and sent to.
        found = CWnd::FindWindow(nullptr, u"wqequalizer");
        sent = ::SendMessage(dlg, WM_USER + 5, 0, 0);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(found, &dlg);
    EXPECT_EQ(sent, 7);
    const int over = IndexOf(log, "D:override");
    ASSERT_GE(over, 0) << Join(log);
    EXPECT_LT(over, IndexOf(log, "D:destroy"));
    EXPECT_LT(IndexOf(log, "D:destroy"), IndexOf(log, "K:destroy")) << Join(log);
    EXPECT_LT(IndexOf(log, "K:ncdestroy"), IndexOf(log, "D:ncdestroy")) << Join(log);
    EXPECT_EQ(::FindWindow(nullptr, u"WQEqualizer"), nullptr);
    EXPECT_EQ(kid.m_hWnd, nullptr);
}

TEST_F(DialogTest, TheMainWindowsEndPostsQuitAndClearsTheMainWindow) {
    TestDlg player(202, nullptr, &log, "Player");
    g_app.m_pMainWnd = &player;
    CWnd* mainDuringLoop = nullptr;
    player.onInit = [&] { player.SetTimer(1, 10, nullptr); };
    player.onTimer = [&](UINT_PTR) {
        mainDuringLoop = AfxGetMainWnd();
        player.EndDialog(IDCANCEL);
    };
    EXPECT_EQ(player.DoModal(), IDCANCEL);
    EXPECT_EQ(mainDuringLoop, &player);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    MSG m;
    ASSERT_TRUE(::PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    // Any later modal loop on this thread ends at once.
    TestDlg later(233, nullptr, &log, "Later");
    EXPECT_EQ(later.DoModal(), -1);
}

TEST_F(DialogTest, CancelAndOkCommandsEndTheDialogWithTheirIds) {
    for (const int id : {IDCANCEL, IDOK}) {
        TestDlg dlg(233, nullptr, &log, "D");
        dlg.onInit = [&] { dlg.PostMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); };
        EXPECT_EQ(dlg.DoModal(), id);
    }
}

TEST_F(DialogTest, DefaultCloseOfADialogPostsCancelInsteadOfEndingAtOnce) {
    TestDlg pattern(233, nullptr, &log, "Pat");
    bool aliveAfterClose = false;
    pattern.onInit = [&] { pattern.SetTimer(1, 10, nullptr); };
    pattern.onTimer = [&](UINT_PTR) {
        pattern.KillTimer(1);
        ::SendMessage(pattern, WM_CLOSE, 0, 0);
        aliveAfterClose = ::IsWindow(pattern.m_hWnd) && ::IsWindowVisible(pattern.m_hWnd);
        pattern.Note("after close");
    };
    EXPECT_EQ(pattern.DoModal(), IDCANCEL);
    EXPECT_TRUE(aliveAfterClose);
    EXPECT_LT(IndexOf(log, "Pat:after close"), IndexOf(log, "Pat:OnCancel")) << Join(log);
}

TEST_F(DialogTest, EndDialogRefusesWindowsThatAreNotDialogs) {
    EXPECT_EQ(::EndDialog(owner, 2), FALSE);
    EXPECT_TRUE(owner.IsWindowVisible());
    EXPECT_EQ(::EndDialog(nullptr, 2), FALSE);
}

TEST_F(DialogTest, ResourceSizeComesFromDialogUnitsAndControlsCarryTheirIds) {
    TestDlg player(202, nullptr, &log, "Player");
    CRect rc, expected(0, 0, 278, 198);
    int controls = 0;
    bool controlsHidden = true;
    player.onInit = [&] {
        player.GetWindowRect(&rc);
        for (const auto& c : wq::win::FindDialogResource(202)->controls) {
            HWND h = ::GetDlgItem(player, static_cast<int>(c.id));
            controls += h != nullptr;
            controlsHidden = controlsHidden && !::IsWindowVisible(h);
        }
        player.EndDialog(IDOK);
    };
    player.DoModal();
    ::MapDialogRect(nullptr, &expected);
    const LONG units = ::GetDialogBaseUnits();
    EXPECT_EQ(expected.Width(), MulDiv(278, LOWORD(static_cast<std::uintptr_t>(units)), 4));
    EXPECT_EQ(expected.Height(), MulDiv(198, HIWORD(static_cast<std::uintptr_t>(units)), 8));
    EXPECT_GE(LOWORD(static_cast<std::uintptr_t>(units)), 4);  // a real font measured, not zero
    EXPECT_GE(HIWORD(static_cast<std::uintptr_t>(units)), 10);
    EXPECT_TRUE(rc == expected);
    EXPECT_EQ(controls, 17);
    EXPECT_TRUE(controlsHidden);
    ASSERT_NE(wq::win::FindDialogResource(230), nullptr);
    ASSERT_NE(wq::win::FindDialogResource(233), nullptr);
    EXPECT_EQ(wq::win::FindDialogResource(999), nullptr);
}

TEST_F(DialogTest, TheOwnerIsInactiveWhileTheDialogRunsAndActiveAfter) {
    ::SetActiveWindow(owner);
    log.clear();
    TestDlg dlg(230, nullptr, &log, "D");
    dlg.onInit = [&] { dlg.SetTimer(1, 10, nullptr); };
    HWND activeDuring = nullptr;
    dlg.onTimer = [&](UINT_PTR) {
        activeDuring = ::GetActiveWindow();
        dlg.EndDialog(IDOK);
    };
    dlg.DoModal();
    EXPECT_GE(IndexOf(log, "O:activate 0 ?"), 0) << Join(log);  // lost it to the dialog
    EXPECT_NE(activeDuring, owner.m_hWnd);
    EXPECT_EQ(::GetActiveWindow(), owner.m_hWnd);
    std::string lastOwnerEntry;
    for (const auto& e : log) {
        if (e.rfind("O:", 0) == 0) lastOwnerEntry = e;
    }
    EXPECT_EQ(lastOwnerEntry, "O:activate 1 ?") << Join(log);
}

TEST_F(DialogTest, TimersPostedCommandsAndPaintsReachTheDisabledOwnerButClicksDoNot) {
    int ownerTicks = 0;
    owner.on[WM_TIMER] = [&](WPARAM, LPARAM) -> LRESULT {
        ++ownerTicks;
        return 0;
    };
    owner.SetTimer(200, 200, nullptr);
    TestDlg eq(230, nullptr, &log, "Eq");
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
    EXPECT_EQ(IndexOf(log, "O:down 10,10"), -1) << Join(log);
    EXPECT_EQ(IndexOf(log, "O:up 10,10"), -1) << Join(log);
}

TEST_F(DialogTest, MessageMapsMatchCommandsByIdAndCodeAndDerivedEntriesWin) {
    DerivedDlg dlg(202, nullptr, &log, "D");
    LRESULT keyResult = 0, userResult = 0;
    dlg.onInit = [&] {
        ::SendMessage(dlg, WM_COMMAND, MAKEWPARAM(2008, 200), 0);
        ::SendMessage(dlg, WM_COMMAND, MAKEWPARAM(2008, 100), 0);
        ::SendMessage(dlg, WM_COMMAND, MAKEWPARAM(2008, 0), 0);  // no ON_COMMAND(2008): nothing
        ::SendMessage(dlg, WM_COMMAND, MAKEWPARAM(2009, 0), 0);
        ::SendMessage(dlg, WM_COMMAND, MAKEWPARAM(2058, 0), 0);
        ::SendMessage(dlg, WM_COMMAND, MAKEWPARAM(2058, 200), 0);  // ranges are for code 0 only
        keyResult = ::SendMessage(dlg, RegisterWindowMessage(u"wq:msg:keydown"), 38, 0);
        userResult = ::SendMessage(dlg, WM_USER + 5, 0, 0);
        dlg.EndDialog(IDOK);
    };
    dlg.DoModal();
    std::vector<std::string> handlers;
    for (const auto& e : log) {
        if (e.rfind("D:On", 0) == 0 || e.rfind("D:key", 0) == 0) handlers.push_back(e);
    }
    EXPECT_EQ(
        Join(handlers),
        "D:OnDblClk | D:OnSelChange | D:OnOwnClose | D:OnEqDBButton 2058 | D:key 38 | D:OnUserMsg");
    EXPECT_EQ(keyResult, 1);
    EXPECT_EQ(userResult, 7);
    EXPECT_NE(s_msgKeyDown, 0u);
}

TEST_F(DialogTest, TheTitleIsLiveForLookupAndFindWindowReturnsTheObject) {
    TestDlg player(202, nullptr, &log, "Player");
    HWND before = reinterpret_cast<HWND>(1), after = nullptr, self = nullptr;
    CWnd* object = nullptr;
    player.onInit = [&] {
        self = player.m_hWnd;
        before = ::FindWindow(nullptr, u"WQAudio");
        player.SetWindowText(u"WQAudio");
        after = ::FindWindow(nullptr, u"WQAudio");
        object = CWnd::FindWindow(nullptr, u"WQAUDIO");
        player.EndDialog(IDOK);
    };
    player.DoModal();
    EXPECT_EQ(before, nullptr);
    EXPECT_EQ(after, self);
    EXPECT_NE(after, nullptr);
    EXPECT_EQ(object, &player);
}

TEST(AppTest, InitInstanceRunsOnceWithTheCommandLineAndFalseSkipsTheLoop) {
    wq::win::TestSession session;
    struct App : CWinApp {
        int inits = 0;
        CString seen;
        BOOL InitInstance() override {
            ++inits;
            seen = m_lpCmdLine;
            ::PostMessage(nullptr, WM_USER, 0, 0);  // a Run loop would consume this
            return FALSE;
        }
    };
    CWinApp* previous = AfxGetApp();
    {
        App app;
        EXPECT_EQ(AfxGetApp(), &app);
        wq::win::RunApplication(CString(u"SDMMC Card\\AUDIO\\x.mp3"));
        EXPECT_EQ(app.inits, 1);
        EXPECT_TRUE(app.seen == CString(u"SDMMC Card\\AUDIO\\x.mp3"));
        MSG m;
        EXPECT_TRUE(::PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
    }
    EXPECT_EQ(AfxGetApp(), previous);
}

}  // namespace
