// The player's decisions on the virtual clock: track end, play order, repeat
// modes, the random pool, forced pause, the debounces and the saved settings.
#include <filesystem>
#include <set>

#include "library/explorer.h"
#include "graphics/scrolltext.h"
#include "platform/device/hooks.h"
#include "platform/skin/skinlistbox.h"
#include "platform/skin/skinslider.h"
#include "tests/player/player_fixture.h"
#include "trackinfo/playtimewnd.h"

namespace {

class ControllerTest : public PlayerTest {
protected:
    // A card folder with three tracks and one sub-folder.
    void MakeAlbum() {
        MakeFile("SDMMC Card/AUDIO/a.mp3");
        MakeFile("SDMMC Card/AUDIO/b.mp3");
        MakeFile("SDMMC Card/AUDIO/c.mp3");
        MakeFolder("SDMMC Card/AUDIO/Live");
    }
    // Double-taps the row of `name`, as a finger would.
    void DoubleTap(const std::u16string& name) {
        const int row = RowOf(name);
        ASSERT_GE(row, 0) << "no row for the file";
        player->m_pSkinLBMP3Title->SetCurSel(row);
        Command(IDC_LST_MP3TITLE, SKIN_CODE_DBLCLK);
        Run(50);
    }
    void Select(const std::u16string& name) {
        player->m_pSkinLBMP3Title->SetCurSel(RowOf(name));
        Command(IDC_LST_MP3TITLE, SKIN_CODE_SET);
    }
};

TEST_F(ControllerTest, FreshDeviceOpensTheCardFolderStoppedAndTellsTheLauncher) {
    MakeAlbum();
    StartPlayer();
    EXPECT_EQ(player->m_pExplorer->GetCurPath(), CString(u"SDMMC Card\\AUDIO\\"));
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_EQ(player->m_nPlayMethod, 0);
    EXPECT_EQ(player->m_nRepeatMethod, 0);
    EXPECT_EQ(player->m_nEqualizer, 0);
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE"), 1);
    EXPECT_EQ(graphs->Count("run"), 0);
    EXPECT_FALSE(player->m_imgEqualizer.IsLoaded());
    for (const auto& call : wq::device::CallLog()) EXPECT_NE(call.name, "Set3DControl");
}

TEST_F(ControllerTest, TrackEndsOnWholeSecondsAndAdvances) {
    MakeAlbum();
    graphs->defaultMs = 3900;
    StartPlayer();
    DoubleTap(u"a.mp3");
    ASSERT_EQ(player->m_nPlayState, 0);
    ASSERT_EQ(LoadedName(), "a.mp3");
    // 3.9 s has three whole seconds: the tick that sees 3 s ends the track.
    Run(2900);
    EXPECT_EQ(LoadedName(), "a.mp3");
    Run(300);
    EXPECT_EQ(LoadedName(), "b.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
}

TEST_F(ControllerTest, ZeroDurationAdvancesAtTheFirstTick) {
    MakeAlbum();
    graphs->defaultMs = 0;
    StartPlayer();
    DoubleTap(u"a.mp3");
    Run(210);
    EXPECT_EQ(LoadedName(), "b.mp3");
}

TEST_F(ControllerTest, SequenceWrapsWithRepeatAllAndStopsWithoutRepeat) {
    MakeAlbum();
    StartPlayer();
    DoubleTap(u"c.mp3");
    Command(IDC_BTN_NEXT);
    Run(10);
    EXPECT_EQ(LoadedName(), "a.mp3") << "Next on the last file plays the first file row";
    Command(IDC_BTN_PREV);
    Run(10);
    EXPECT_EQ(LoadedName(), "c.mp3") << "Prev on the first file plays the last row";
    EXPECT_EQ(player->m_nPlayState, 0);

    Command(IDC_BTN_REPEAT);  // one
    Command(IDC_BTN_REPEAT);  // none
    ASSERT_EQ(player->m_nRepeatMethod, 2);
    Command(IDC_BTN_NEXT);
    Run(10);
    EXPECT_EQ(player->m_nPlayState, 2) << "without repeat, Next on the last file stops";
    EXPECT_EQ(ReadString(u"PLAYED PATH"), CString(u"SDMMC Card\\AUDIO\\c.mp3"));
}

TEST_F(ControllerTest, RandomPoolPlaysEachFileOncePerCycle) {
    MakeAlbum();
    StoreNumber(u"METHOD PLAY", 1);
    StoreNumber(u"METHOD REPEAT", 2);
    StartPlayer();
    DoubleTap(u"b.mp3");
    EXPECT_EQ(player->m_arrRandom.size(), 3u) << "the clicked file stays in the pool";
    std::multiset<std::string> played;
    for (int i = 0; i < 3; ++i) {
        Command(IDC_BTN_NEXT);
        Run(10);
        played.insert(LoadedName());
        EXPECT_EQ(player->m_nPlayState, 0);
    }
    EXPECT_EQ(played, (std::multiset<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    Command(IDC_BTN_NEXT);
    Run(10);
    EXPECT_EQ(player->m_nPlayState, 2) << "the fourth Next ends the cycle";

    // With repeat all the pool refills and drawing goes on.
    Command(IDC_BTN_REPEAT);  // none -> all
    ASSERT_EQ(player->m_nRepeatMethod, 0);
    DoubleTap(u"a.mp3");
    for (int i = 0; i < 7; ++i) {
        Command(IDC_BTN_NEXT);
        Run(10);
        EXPECT_EQ(player->m_nPlayState, 0) << "draw " << i;
    }
}

TEST_F(ControllerTest, RepeatOneRestartsAPlayingTrackAndPrevIsNeverRandom) {
    MakeAlbum();
    StoreNumber(u"METHOD REPEAT", 1);
    StartPlayer();
    DoubleTap(u"b.mp3");
    Run(1500);
    Command(IDC_BTN_NEXT);
    Run(10);
    EXPECT_EQ(LoadedName(), "b.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    EXPECT_LT(graphs->PositionMs(), 100);

    // Stopped: Next leaves it stopped at 0.
    Command(IDC_BTN_STOP);
    Command(IDC_BTN_NEXT);
    Run(10);
    EXPECT_EQ(player->m_nPlayState, 2);

    // Random order with repeat all: Prev still steps back by one row.
    Command(IDC_BTN_REPEAT);  // one -> none
    Command(IDC_BTN_REPEAT);  // none -> all
    Command(IDC_BTN_RANDOM);
    ASSERT_EQ(player->m_nPlayMethod, 1);
    DoubleTap(u"c.mp3");
    Command(IDC_BTN_PREV);
    Run(10);
    EXPECT_EQ(LoadedName(), "b.mp3");
}

TEST_F(ControllerTest, NextWhilePausedLoadsTheNeighbourAndStaysStopped) {
    MakeAlbum();
    StartPlayer();
    DoubleTap(u"a.mp3");
    Command(IDC_BTN_PLAY);  // pause
    ASSERT_EQ(player->m_nPlayState, 1);
    const int runs = graphs->Count("run");
    Command(IDC_BTN_NEXT);
    Run(10);
    EXPECT_EQ(LoadedName(), "b.mp3");
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_EQ(graphs->Count("run"), runs);
    EXPECT_EQ(graphs->PositionMs(), 0);
}

TEST_F(ControllerTest, PlayWithAnotherFileSelectedSwitchesUnlessForcePaused) {
    MakeAlbum();
    StartPlayer();
    DoubleTap(u"a.mp3");
    Select(u"c.mp3");
    Command(IDC_BTN_PLAY);
    Run(10);
    EXPECT_EQ(LoadedName(), "c.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);

    // Forced pause keeps the track: the list goes back to it and the toggle resumes.
    Registered(u"WQ:MSG:M_RUN_STATE", 1);
    Run(10);
    ASSERT_EQ(player->m_nPlayState, 1);
    ASSERT_TRUE(player->m_bForcePause);
    Select(u"a.mp3");
    Run(60);
    Command(IDC_BTN_PLAY);
    Run(10);
    EXPECT_EQ(LoadedName(), "c.mp3");
    EXPECT_EQ(Selection(), RowOf(u"c.mp3"));
    EXPECT_EQ(player->m_nPlayState, 0);
}

TEST_F(ControllerTest, PlayOnAFolderRowPlaysTheFirstFileOrOpensTheFolder) {
    MakeAlbum();
    MakeFolder("SDMMC Card/AUDIO/Empty");
    StartPlayer();
    // A folder row with files after it, stopped: the first file plays.
    player->m_pSkinLBMP3Title->SetCurSel(RowOf(u"[Live]"));
    Command(IDC_BTN_PLAY);
    Run(10);
    EXPECT_EQ(LoadedName(), "a.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    Command(IDC_BTN_STOP);

    // "[..]" in a folder without files opens the parent.
    player->m_pSkinLBMP3Title->SetCurSel(RowOf(u"[Empty]"));
    Command(IDC_LST_MP3TITLE, SKIN_CODE_DBLCLK);
    Run(10);
    ASSERT_EQ(player->m_pExplorer->GetCurPath(), CString(u"SDMMC Card\\AUDIO\\Empty"));
    player->m_pSkinLBMP3Title->SetCurSel(0);
    Command(IDC_BTN_PLAY);
    Run(10);
    EXPECT_EQ(player->m_pExplorer->GetCurPath(), CString(u"SDMMC Card\\AUDIO\\"));
}

TEST_F(ControllerTest, SelectionChangesThirtyMillisecondsApartCountOnce) {
    MakeAlbum();
    StartPlayer();
    Run(100);
    player->m_pSkinLBMP3Title->SetCurSel(RowOf(u"a.mp3"));
    Command(IDC_LST_MP3TITLE, SKIN_CODE_SET);
    EXPECT_EQ(player->m_pExplorer->GetCurSelIndex(), RowOf(u"a.mp3"));
    Run(30);
    player->m_pSkinLBMP3Title->SetCurSel(RowOf(u"b.mp3"));
    Command(IDC_LST_MP3TITLE, SKIN_CODE_SET);
    EXPECT_EQ(player->m_pExplorer->GetCurSelIndex(), RowOf(u"a.mp3")) << "the second change came within 50 ms";
    Run(30);
    Command(IDC_LST_MP3TITLE, SKIN_CODE_SET);
    EXPECT_EQ(player->m_pExplorer->GetCurSelIndex(), RowOf(u"b.mp3"));
}

TEST_F(ControllerTest, EqualizerPressesThreeHundredMillisecondsApartAdvanceOnce) {
    MakeAlbum();
    StartPlayer();
    Command(IDC_BTN_EQUALIZER);
    Run(300);
    Command(IDC_BTN_EQUALIZER);
    EXPECT_EQ(player->m_nEqualizer, 1);
    Run(500);
    Command(IDC_BTN_EQUALIZER);
    EXPECT_EQ(player->m_nEqualizer, 2);
    EXPECT_EQ(ReadNumber(u"EQUALIZER"), 2u);
}

TEST_F(ControllerTest, OutOfRangeStoredModesAreWrittenBackAsZero) {
    MakeAlbum();
    StoreNumber(u"METHOD PLAY", 5);
    StoreNumber(u"METHOD REPEAT", 7);
    StoreNumber(u"EQUALIZER", 11);
    StartPlayer();
    EXPECT_EQ(player->m_nPlayMethod, 0);
    EXPECT_EQ(player->m_nRepeatMethod, 0);
    EXPECT_EQ(player->m_nEqualizer, 0);
    EXPECT_EQ(ReadNumber(u"METHOD PLAY"), 0u);
    EXPECT_EQ(ReadNumber(u"METHOD REPEAT"), 0u);
    EXPECT_EQ(ReadNumber(u"EQUALIZER"), 0u);
}

TEST_F(ControllerTest, SavedTimeResumesAtThatShareOfTheTrack) {
    MakeAlbum();
    graphs->defaultMs = 200000;
    StoreString(u"PLAYED PATH", u"SDMMC Card\\AUDIO\\b.mp3");
    StoreNumber(u"PLAYED TIME", 50);
    StartPlayer();
    EXPECT_EQ(LoadedName(), "b.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    EXPECT_EQ(graphs->Last("seek"), "seek 100000");
    EXPECT_EQ(Selection(), RowOf(u"b.mp3"));
}

TEST_F(ControllerTest, ClosingAtThirtyPercentStoresThirty) {
    MakeAlbum();
    graphs->defaultMs = 100000;
    StartPlayer();
    DoubleTap(u"a.mp3");
    Run(30200);
    EXPECT_EQ(player->m_pSliderPos->GetPos(), 30);
    player->DestroyWindow();
    EXPECT_EQ(ReadNumber(u"PLAYED TIME"), 30u);
    EXPECT_EQ(ReadString(u"PLAYED PATH"), CString(u"SDMMC Card\\AUDIO\\a.mp3"));
    // The launcher hears of the exit, in this order.
    ASSERT_GE(launcher->received.size(), 2u);
    const auto& last = launcher->received.back();
    const auto& before = launcher->received[launcher->received.size() - 2];
    EXPECT_EQ(before.name, u"WQ:MSG:APP_EXIT");
    EXPECT_EQ(before.lParam, -1);
    EXPECT_EQ(last.name, u"WQ:MSG:M_CLOSE_COMPLETE");
}

TEST_F(ControllerTest, CommandLineStartReadsNeitherPathNorTime) {
    MakeAlbum();
    StoreString(u"PLAYED PATH", u"SDMMC Card\\AUDIO\\a.mp3");
    StoreNumber(u"PLAYED TIME", 50);
    StartPlayer(u"SDMMC Card\\AUDIO\\c.mp3");
    EXPECT_EQ(LoadedName(), "c.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    EXPECT_EQ(graphs->Count("seek 5"), 0) << "no seek to the saved position";
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE"), 0);
}

TEST_F(ControllerTest, UndecodableFilesAreRetriedWithoutABusyLoop) {
    MakeAlbum();
    graphs->failing = {u"SDMMC Card\\AUDIO\\a.mp3", u"SDMMC Card\\AUDIO\\b.mp3", u"SDMMC Card\\AUDIO\\c.mp3"};
    StartPlayer();
    DoubleTap(u"a.mp3");
    const int renders = graphs->Count("render");
    Run(10000);
    // One retry per 100 ms at most: a busy loop would render thousands of times.
    EXPECT_LE(graphs->Count("render") - renders, 110);
    EXPECT_GT(graphs->Count("render") - renders, 5) << "a failed load is retried";
}

TEST_F(ControllerTest, TitleFallsBackToTheFileNameWithoutItsExtension) {
    MakeAlbum();
    MakeFile("SDMMC Card/AUDIO/Song.Mp3");
    StartPlayer();
    DoubleTap(u"Song.Mp3");
    EXPECT_EQ(player->m_pTitleWnd->GetShownText(), CString(u"Song"));
    EXPECT_EQ(player->m_pTitleWnd->GetPrefix(), CString());
}

TEST_F(ControllerTest, BadSettingsAndAVanishedFolderFallBackQuietly) {
    MakeAlbum();
    // A string where a number belongs reads as absent; a saved track whose
    // folder is gone opens the deepest folder that still exists.
    StoreString(u"METHOD PLAY", u"random");
    StoreString(u"PLAYED PATH", u"SDMMC Card\\AUDIO\\Gone\\x.mp3");
    StoreNumber(u"PLAYED TIME", 10);
    StartPlayer();
    EXPECT_EQ(player->m_nPlayMethod, 0);
    EXPECT_EQ(player->m_pExplorer->GetCurPath(), CString(u"SDMMC Card\\AUDIO\\"));
    EXPECT_EQ(Selection(), 0);
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE"), 1);
}

TEST_F(ControllerTest, WithoutASkinTheWindowRunsAndIgnoresTouches) {
    MakeAlbum();
    std::filesystem::remove_all(root + "/NAND Flash/skin");
    launcher = std::make_unique<LauncherWindow>();
    ASSERT_TRUE(launcher->Create(nullptr, u"WQMain", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
    player = std::make_unique<CWQAudioDlg>();
    ASSERT_TRUE(player->Create(wq::win::IDD_WQAUDIO_DIALOG, nullptr));
    Run(500);
    EXPECT_FALSE(player->m_bSkinLoaded);
    EXPECT_EQ(player->m_pExplorer, nullptr);
    EXPECT_EQ(player->m_pGraphBuilder, nullptr) << "start-up stops at the skin";
    player->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 130));
    player->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(120, 130));
    Command(IDC_BTN_PLAY);
    Command(IDC_BTN_NEXT);
    Run(500);
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_EQ(graphs->Count("render"), 0);
}

}  // namespace
