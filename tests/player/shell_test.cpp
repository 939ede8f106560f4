// The launcher's messages on the virtual clock: hardware keys, storage events,
// the navigation program's guidance and the other programs' audio.
#include "app/messagebox.h"
#include "library/explorer.h"
#include "platform/device/hooks.h"
#include "platform/skin/skinlistbox.h"
#include "platform/skin/skinslider.h"
#include "tests/player/player_fixture.h"
#include "graphics/scrolltext.h"
#include "trackinfo/playtimewnd.h"

namespace {

class ShellTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        MakeFile("SDMMC Card/AUDIO/a.mp3");
        MakeFile("SDMMC Card/AUDIO/b.mp3");
        MakeFile("SDMMC Card/AUDIO/c.mp3");
        MakeFolder("이동식디스크");
    }
    void PlayRow(const std::u16string& name) {
        player->m_pSkinLBMP3Title->SetCurSel(RowOf(name));
        Command(IDC_LST_MP3TITLE, SKIN_CODE_DBLCLK);
        Run(20);
    }
    int MessageBoxes(const char16_t* start) {
        int n = 0;
        for (const auto& call : wq::device::CallLog())
            n += call.name == "WQMessageBox" && call.text.Find(start) == 0;
        return n;
    }
};

TEST_F(ShellTest, UpKeyMovesTheListWhenActiveAndPlaysThePreviousTrackWhenNot) {
    StartPlayer();
    PlayRow(u"b.mp3");
    Activate(true);
    EXPECT_EQ(KeyDown(38), 1);
    EXPECT_EQ(Selection(), RowOf(u"a.mp3"));
    EXPECT_EQ(LoadedName(), "b.mp3") << "moving the list changes no track";

    player->m_pSkinLBMP3Title->SetCurSel(RowOf(u"b.mp3"));
    Activate(false);
    KeyDown(38);
    Run(10);
    EXPECT_EQ(LoadedName(), "a.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    KeyDown(40);
    Run(10);
    EXPECT_EQ(LoadedName(), "b.mp3");
}

TEST_F(ShellTest, CloseKeyEndsTheModalLoopAndTellsTheLauncher) {
    // The real path: the player's modal loop, closed by the launcher's key.
    launcher = std::make_unique<LauncherWindow>();
    ASSERT_TRUE(launcher->Create(nullptr, u"WQMain", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
    launcher->keyAtTimer = 128;
    launcher->SetTimer(77, 1000, nullptr);
    wq::win::SetWatchdog(60000, 2000);
    player = std::make_unique<CWQAudioDlg>();
    EXPECT_EQ(player->DoModal(), IDCANCEL) << wq::win::WatchdogMessage();
    EXPECT_FALSE(player->m_hWnd);
    EXPECT_EQ(launcher->Count(u"WQ:MSG:APP_EXECUTE"), 1);
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE"), 1);
    ASSERT_GE(launcher->received.size(), 2u);
    EXPECT_EQ(launcher->received[launcher->received.size() - 2].name, u"WQ:MSG:APP_EXIT");
    EXPECT_EQ(launcher->received.back().name, u"WQ:MSG:M_CLOSE_COMPLETE");
}

TEST_F(ShellTest, CardRemovedWhileACardTrackPlays) {
    StartPlayer();
    PlayRow(u"b.mp3");
    ASSERT_EQ(player->m_nPlayState, 0);
    ASSERT_TRUE(player->m_pExplorer->IsCardPath());
    StoreString(u"PLAYED PATH", u"SDMMC Card\\AUDIO\\b.mp3");
    const int loads = launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE");

    KeyDown(131);
    EXPECT_EQ(player->m_nPlayState, 2) << "playback stops at once";
    EXPECT_EQ(player->m_pTitleWnd->GetShownText(), CString());
    EXPECT_EQ(player->m_pTimeWnd->GetTotal().GetTotalSeconds(), 0);
    EXPECT_TRUE(player->m_arrRandom.empty());
    Run(10);
    EXPECT_EQ(MessageBoxes(u"저장장치가 제거되었습니다."), 1) << "the removal box is shown from timer 403";
    Run(1900);
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE"), loads);
    Run(200);
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE"), loads + 1) << "the saved folder reloads at 2 s";
    // Interface calls bracket the event.
    const auto log = wq::device::CallLog();
    int disable = 0;
    for (const auto& c : log) disable += c.name == "SetInterfaceEnable" && !c.args.empty() && c.args[0] == 0;
    EXPECT_GE(disable, 1);
}

TEST_F(ShellTest, TheRemovalBoxIsARealModalWindowThatClosesAfterThreeSeconds) {
    StartPlayer();
    PlayRow(u"a.mp3");
    // The real box, timed: it opens from timer 403 and runs its own modal loop
    // until timer 401 closes it; the player's timers keep firing inside it.
    DWORD shownAt = 0, closedAt = 0;
    CString text;
    const DWORD start = GetTickCount();
    wq::device::SetMessageBoxImpl([&](const CString& t, UINT style, HWND parent) {
        shownAt = GetTickCount() - start;
        text = t;
        wq::app::CWQMessageDlg box(t, style, CWnd::FromHandle(parent));
        const int result = static_cast<int>(box.DoModal());
        closedAt = GetTickCount() - start;
        return result;
    });
    bool foundWhileOpen = false;
    launcher->atTimer78 = [&] { foundWhileOpen = ::FindWindow(nullptr, u"WQMessage") != nullptr; };
    launcher->SetTimer(78, 1000, nullptr);
    KeyDown(131);
    auto r = wq::win::RunUntil([&] { return closedAt != 0; }, 6000);
    wq::device::SetMessageBoxImpl(nullptr);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_LT(shownAt, 100u);
    EXPECT_GE(closedAt, 3000u);
    EXPECT_LT(closedAt, 3300u);
    EXPECT_TRUE(foundWhileOpen) << "the box is found by its name while it shows";
    EXPECT_EQ(text.Find(u"저장장치가 제거되었습니다."), 0);
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE"), 2) << "the reload at 2 s ran while the box was open";
}

TEST_F(ShellTest, UsbRemovalWhileACardFolderShowsDoesNothing) {
    StartPlayer();
    PlayRow(u"a.mp3");
    KeyDown(118);
    Run(5000);
    EXPECT_EQ(player->m_nPlayState, 0);
    EXPECT_EQ(LoadedName(), "a.mp3");
    EXPECT_EQ(MessageBoxes(u""), 0);
}

TEST_F(ShellTest, GuidanceDoesNotResumeWhatTheUserPaused) {
    StartPlayer();
    PlayRow(u"a.mp3");
    Command(IDC_BTN_PLAY);  // the user pauses
    ASSERT_EQ(player->m_nPlayState, 1);
    Registered(u"BMSG_MARLO", 0);
    EXPECT_FALSE(player->m_bForcePause);
    Registered(u"BMSG_MARLO", 771);
    Run(10);
    EXPECT_EQ(player->m_nPlayState, 1);
}

TEST_F(ShellTest, RunStateEndDuringGuidanceWaitsForTheGuidanceToEnd) {
    StartPlayer();
    PlayRow(u"a.mp3");
    Registered(u"BMSG_MARLO", 0);
    ASSERT_EQ(player->m_nPlayState, 1);
    ASSERT_TRUE(player->m_bForcePause);
    Registered(u"WQ:MSG:M_RUN_STATE", 0);
    Run(10);
    EXPECT_EQ(player->m_nPlayState, 1) << "guidance is still speaking";
    Registered(u"BMSG_MARLO", 771);
    Run(10);
    EXPECT_EQ(player->m_nPlayState, 0);
    EXPECT_FALSE(player->m_bForcePause);
}

TEST_F(ShellTest, GuidanceVolumeCodesAndPatternMessages) {
    StartPlayer();
    PlayRow(u"a.mp3");
    Registered(u"BMSG_MARLO", 3);
    EXPECT_EQ(graphs->Last("volume"), "volume -3500");
    Registered(u"BMSG_MARLO", 4);
    EXPECT_EQ(graphs->Last("volume"), "volume -2000");
    Registered(u"WQ:MSG:M_AUDIO_PATTERN", 2, 1);
    EXPECT_EQ(player->m_nPattern, 0) << "only wParam 1 sets the pattern";
    Registered(u"WQ:MSG:M_AUDIO_PATTERN", 1, 2);
    EXPECT_EQ(player->m_nPattern, 2);
    Registered(u"WQ:MSG:OPTIONUPDATE", 0, 4);
    EXPECT_EQ(player->m_nEqualizer, 4);
}

TEST_F(ShellTest, NaviAndModeButtonsAskTheLauncher) {
    StartPlayer();
    Command(IDC_BTN_NAVI);
    Command(IDC_BTN_MODE);
    ASSERT_GE(launcher->received.size(), 2u);
    EXPECT_EQ(launcher->received[launcher->received.size() - 2].name, u"WQ:MSG:M_RUN_EXECUTE");
    EXPECT_EQ(launcher->received[launcher->received.size() - 2].wParam, 1u);
    EXPECT_EQ(launcher->received.back().name, u"WQ:MSG:M_ON_MODE");
}

}  // namespace
