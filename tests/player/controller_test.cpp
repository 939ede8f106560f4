// The player's decisions on the virtual clock: start-up and the saved
// settings, track end, play order, repeat modes, forced pause, the
// debounces and bad input.
#include "tests/player/player_fixture.h"

namespace {

using ControllerTest = PlayerTest;

TEST_F(ControllerTest, StartUpRestoresRepairsOrIgnoresTheSavedSettings) {
    // A fresh device opens the card folder, stopped, and still tells the launcher.
    StartPlayer();
    EXPECT_EQ(player->m_pExplorer->GetCurPath(), kCard);
    EXPECT_EQ(graphs.Count("render"), 0);
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE"), 1);
    for (const auto& call : wq::device::CallLog()) EXPECT_NE(call.name, "Set3DControl");
    StopPlayer();

    // Out-of-range modes are written back as 0; a time stored as text reads
    // as absent, so the saved track is selected but not loaded.
    Store(u"METHOD PLAY", 5);
    Store(u"METHOD REPEAT", 7);
    Store(u"EQUALIZER", 11);
    Store(u"PLAYED PATH", kCard + u"b.mp3");
    Store(u"PLAYED TIME", CString(u"50"));
    StartPlayer();
    for (const char16_t* key : {u"METHOD PLAY", u"METHOD REPEAT", u"EQUALIZER"})
        EXPECT_EQ(ReadNumber(key), 0u) << wq::Utf16ToUtf8(key);
    EXPECT_EQ(Selection(), RowOf(u"b.mp3"));
    EXPECT_EQ(graphs.Count("render"), 0);
    StopPlayer();

    // A saved track whose folder is gone opens the deepest folder that exists.
    Store(u"PLAYED PATH", kCard + u"Gone\\x.mp3");
    Store(u"PLAYED TIME", 10);
    StartPlayer();
    EXPECT_EQ(player->m_pExplorer->GetCurPath(), kCard);
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE"), 1);
    StopPlayer();

    // "PLAYED TIME" is a percentage: 50 resumes at half and plays.
    graphs.defaultMs = 200000;
    Store(u"PLAYED PATH", kCard + u"b.mp3");
    Store(u"PLAYED TIME", 50);
    StartPlayer();
    EXPECT_EQ(LoadedName(), "b.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    EXPECT_EQ(graphs.Last("seek"), "seek 100000");
    StopPlayer();

    // A command-line start reads neither path nor time. Without a tag the
    // title is the file name without its extension.
    root.MakeFile("SDMMC Card/AUDIO/Song.Mp3");
    graphs.calls.clear();
    StartPlayer(kCard + u"Song.Mp3");
    EXPECT_EQ(LoadedName(), "Song.Mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    EXPECT_EQ(graphs.Count("seek 1"), 0) << "no seek to the saved position";
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE"), 0);
    EXPECT_EQ(player->m_pTitleWnd->GetShownText(), CString(u"Song"));
}

TEST_F(ControllerTest, TrackEndsOnWholeSecondsAndClosingStoresThePercentage) {
    // 3.9 s has three whole seconds: the tick that sees 3 s ends the track.
    // A track of 0 s ends at the first tick.
    graphs.durationMs = {{kCard + u"a.mp3", 3900}, {kCard + u"b.mp3", 0}};
    graphs.defaultMs = 100000;
    StartPlayer();
    DoubleTap(u"a.mp3");
    Run(2900);
    EXPECT_EQ(LoadedName(), "a.mp3");
    Run(300);
    EXPECT_EQ(LoadedName(), "b.mp3");
    Run(210);
    EXPECT_EQ(LoadedName(), "c.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    // Closed at 30 % of c.mp3, the place is stored as 30.
    Run(30200);
    EXPECT_EQ(player->m_pSliderPos->GetPos(), 30);
    player->DestroyWindow();
    EXPECT_EQ(ReadNumber(u"PLAYED TIME"), 30u);
    EXPECT_EQ(ReadString(u"PLAYED PATH"), CString(kCard + u"c.mp3"));
}

TEST_F(ControllerTest, NextAndPrevStepWrapOrStop) {
    StartPlayer();
    DoubleTap(u"a.mp3");
    // While paused, Next loads the neighbour and leaves it stopped at 0.
    Command(IDC_BTN_PLAY);
    Press(IDC_BTN_NEXT);
    EXPECT_EQ(LoadedName(), "b.mp3");
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_EQ(graphs.PositionMs(), 0);

    // Repeat all wraps both ways.
    DoubleTap(u"c.mp3");
    Press(IDC_BTN_NEXT);
    EXPECT_EQ(LoadedName(), "a.mp3");
    Press(IDC_BTN_PREV);
    EXPECT_EQ(LoadedName(), "c.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    // (Without repeat, the folder's end: the transport test's faces case.)
}

TEST_F(ControllerTest, RepeatOneRestartsAPlayingTrackAndPrevIsNeverRandom) {
    Store(u"METHOD REPEAT", 1);
    StartPlayer();
    DoubleTap(u"b.mp3");
    for (UINT button : {IDC_BTN_NEXT, IDC_BTN_PREV}) {
        Run(1500);
        Press(button);
        EXPECT_EQ(LoadedName(), "b.mp3") << button;
        EXPECT_EQ(player->m_nPlayState, 0) << button;
        EXPECT_LT(graphs.PositionMs(), 100) << button;
    }

    // Stopped: Next leaves it stopped.
    Command(IDC_BTN_STOP);
    Press(IDC_BTN_NEXT);
    EXPECT_EQ(player->m_nPlayState, 2);

    // Random order with repeat all: Prev still steps back by one row.
    Command(IDC_BTN_REPEAT);  // one -> none
    Command(IDC_BTN_REPEAT);  // none -> all
    Command(IDC_BTN_RANDOM);
    DoubleTap(u"c.mp3");
    Press(IDC_BTN_PREV);
    EXPECT_EQ(LoadedName(), "b.mp3");
}

TEST_F(ControllerTest, PlayOpensFolderRowsAndSwitchesToAnotherFileUnlessForcePaused) {
    StartPlayer();
    // A folder row with files after it, stopped: the first file plays.
    player->m_pSkinLBMP3Title->SetCurSel(RowOf(u"[Live]"));
    Press(IDC_BTN_PLAY);
    EXPECT_EQ(LoadedName(), "a.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    Command(IDC_BTN_STOP);

    DoubleTap(u"a.mp3");
    Select(u"c.mp3");
    Press(IDC_BTN_PLAY);
    EXPECT_EQ(LoadedName(), "c.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);

    // Forced pause keeps the track: the list goes back to it and the toggle resumes.
    Registered(u"WQ:MSG:M_RUN_STATE", 1);
    Run(10);
    Choose(u"a.mp3");
    Press(IDC_BTN_PLAY);
    EXPECT_EQ(LoadedName(), "c.mp3");
    EXPECT_EQ(Selection(), RowOf(u"c.mp3"));
    EXPECT_EQ(player->m_nPlayState, 0);
}

TEST_F(ControllerTest, SelectionsThirtyAndEqualizerPressesThreeHundredMsApartCountOnce) {
    StartPlayer();
    Select(u"a.mp3");
    EXPECT_EQ(player->m_pExplorer->GetCurSelIndex(), RowOf(u"a.mp3"));
    Run(30);
    Select(u"b.mp3");
    EXPECT_EQ(player->m_pExplorer->GetCurSelIndex(), RowOf(u"a.mp3")) << "within 50 ms";
    Run(30);
    Command(IDC_LST_MP3TITLE, SKIN_CODE_SET);
    EXPECT_EQ(player->m_pExplorer->GetCurSelIndex(), RowOf(u"b.mp3"));

    Press(IDC_BTN_EQUALIZER, 300);
    Command(IDC_BTN_EQUALIZER);
    EXPECT_EQ(player->m_nEqualizer, 1);
    Run(500);
    Command(IDC_BTN_EQUALIZER);
    EXPECT_EQ(player->m_nEqualizer, 2);
    EXPECT_EQ(ReadNumber(u"EQUALIZER"), 2u);
}

TEST_F(ControllerTest, AFolderOfOnlyUndecodableFilesIsTriedOnceAndSaysSo) {
    for (const char16_t* name : {u"a.mp3", u"b.mp3", u"c.mp3"}) graphs.failing.insert(kCard + name);
    StartPlayer();
    const int before = graphs.Count("render");
    DoubleTap(u"a.mp3");
    Run(20000);
    // Repeat all: each file once, then stopped with a word in the title area.
    EXPECT_EQ(graphs.Count("render") - before, 3) << "one pass over the three files";
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_EQ(player->m_pTitleWnd->GetText(), CString(u"재생할 수 있는 파일이 없습니다."));
    // Play gives the folder one more pass.
    Press(IDC_BTN_PLAY, 20000);
    EXPECT_EQ(graphs.Count("render") - before, 6);
    EXPECT_EQ(player->m_nPlayState, 2);

    // One file that plays keeps repeat all going through the others.
    graphs.failing.erase(kCard + u"c.mp3");
    graphs.defaultMs = 2000;
    DoubleTap(u"a.mp3");
    const int passes = graphs.Count("render");
    Run(20000);
    EXPECT_GT(graphs.Count("render") - passes, 8) << "a failed load is still retried";
    EXPECT_LE(graphs.Count("render") - passes, 20) << "a failed Next waits a second";
    EXPECT_EQ(player->m_nPlayState, 0);
}

TEST_F(ControllerTest, WithoutASkinTheWindowRunsIgnoresTouchesAndTellsTheLauncher) {
    Store(u"PLAYED PATH", kCard + u"b.mp3");
    Store(u"METHOD PLAY", 1);
    std::filesystem::remove(root.Host("NAND Flash/skin"));
    StartPlayer();
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE"), 1) << "the launcher never waits forever";
    ASSERT_EQ(player->m_pGraphBuilder, nullptr) << "start-up stops at the skin";
    player->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 130));
    player->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(120, 130));
    Command(IDC_BTN_PLAY);
    Press(IDC_BTN_NEXT, 500);
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_EQ(graphs.Count("render"), 0);
    // No strip was made: an audio update refreshes nothing and calls nothing.
    wq::device::StartCallLog();
    EXPECT_EQ(Registered(u"WQ:MSG:AUDIOUPDATE", 0), 1);
    EXPECT_TRUE(wq::device::CallLog().empty());
    player->DestroyWindow();
    EXPECT_EQ(ReadString(u"PLAYED PATH"), CString(kCard + u"b.mp3"))
        << "nothing shown, nothing lost";
    EXPECT_EQ(ReadNumber(u"METHOD PLAY"), 1u);
}

}  // namespace
