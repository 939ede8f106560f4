// The launcher's messages on the virtual clock: hardware keys, storage events,
// the navigation program's guidance and the other programs' audio.
#include "tests/player/player_fixture.h"
#include "tests/support/step_runner.h"

namespace {

using ShellTest = PlayerTest;

TEST_F(ShellTest, UpAndPauseKeysGuidanceAndOptionsWhileATrackPlays) {
    StartPlayer();
    DoubleTap(u"b.mp3");
    // Behind another program the up key plays the previous track. (In front it
    // only moves the list: tests/app/e2e_test.py.)
    player->SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(KeyDown(38), 1);
    Run(10);
    EXPECT_EQ(LoadedName(), "a.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    // The pause key pauses and resumes.
    KeyDown(129);
    EXPECT_EQ(player->m_nPlayState, 1);
    KeyDown(129);
    EXPECT_EQ(player->m_nPlayState, 0);

    // The guidance of the navigation program, and the options. Paused by the
    // user: guidance neither force-pauses nor resumes.
    Command(IDC_BTN_PLAY);
    Registered(u"BMSG_MARLO", 0);
    Registered(u"BMSG_MARLO", 771);
    Run(10);
    EXPECT_EQ(player->m_nPlayState, 1);

    // Paused by guidance: the end of the run state waits for the guidance to end.
    Command(IDC_BTN_PLAY);
    Registered(u"BMSG_MARLO", 0);
    Registered(u"WQ:MSG:M_RUN_STATE", 0);
    Run(10);
    EXPECT_EQ(player->m_nPlayState, 1) << "guidance is still speaking";
    Registered(u"BMSG_MARLO", 771);
    Run(10);
    EXPECT_EQ(player->m_nPlayState, 0);

    Registered(u"WQ:MSG:OPTIONUPDATE", 0, 4);
    EXPECT_EQ(player->m_nEqualizer, 4);
}

TEST_F(ShellTest, CloseKeyEndsTheModalLoopAndTellsTheLauncher) {
    // The real path: the player's modal loop, closed by the launcher's key.
    StartLauncher();
    wq::test::StepRunner steps;
    steps.Start({[] {
                    ::SendMessage(::FindWindow(nullptr, u"WQAudio"),
                                  RegisterWindowMessage(u"WQ:MSG:KEYDOWN"), 128, 0);
                }},
                1000);
    wq::win::SetWatchdog(60000, 2000);
    player = std::make_unique<CWQAudioDlg>();
    EXPECT_EQ(player->DoModal(), IDCANCEL) << wq::win::WatchdogMessage();
    std::vector<std::u16string> names;
    for (const auto& m : launcher->received) names.push_back(m.name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"WQ:MSG:APP_EXECUTE", u"WQ:MSG:M_LOAD_COMPLETE",
                                                  u"WQ:MSG:APP_EXIT", u"WQ:MSG:M_CLOSE_COMPLETE"}));
}

TEST_F(ShellTest, CardRemovedWhileACardTrackPlays) {
    StartPlayer();
    DoubleTap(u"b.mp3");
    ASSERT_EQ(player->m_nPlayState, 0);
    // The real box: it opens from timer 403 and runs its own modal loop until
    // timer 401 closes it; the player's timers keep firing inside it.
    const DWORD start = GetTickCount();
    DWORD shownAt = 0, closedAt = 0;
    CString text;
    wq::device::SetMessageBoxImpl([&](const CString& t, UINT style, HWND parent) {
        shownAt = GetTickCount() - start;
        text = t;
        wq::app::CWQMessageDlg box(t, style, CWnd::FromHandle(parent));
        const int result = static_cast<int>(box.DoModal());
        closedAt = GetTickCount() - start;
        return result;
    });
    KeyDown(131);
    EXPECT_EQ(player->m_nPlayState, 2) << "playback stops at once";
    EXPECT_EQ(player->m_pTitleWnd->GetShownText(), CString());
    EXPECT_EQ(player->m_pTimeWnd->GetTotal().GetTotalSeconds(), 0);
    auto r = wq::win::RunUntil([&] { return closedAt != 0; }, 6000);
    wq::device::SetMessageBoxImpl(nullptr);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_LT(shownAt, 100u);
    EXPECT_EQ(text.Find(u"저장장치가 제거되었습니다."), 0);
    EXPECT_GE(closedAt, 3000u) << "closed by its name at 3 s";
    EXPECT_LT(closedAt, 3300u);
    // The saved folder reloads at 2 s (its load then waits 150 ms by design),
    // while the box is still open.
    ASSERT_EQ(launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE"), 2);
    DWORD reloadAt = 0;
    for (const auto& m : launcher->received)
        if (m.name == u"WQ:MSG:M_LOAD_COMPLETE") reloadAt = m.tick - start;
    EXPECT_GE(reloadAt, 2000u);
    EXPECT_LT(reloadAt, 2200u);
}

}  // namespace
