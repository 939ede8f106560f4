// What the user sees of the player's state: after start-up the information
// controls sit on the skin without holes, the saved spectrum pattern is drawn
// and a restored random order draws from a full pool; Stop shows the stopped
// track's row again.
#include "platform/gdi/surface.h"
#include "platform/skin/skinmanager.h"
#include "platform/win/presenter.h"
#include "tests/player/player_fixture.h"
#include "trackinfo/trackinfownd.h"

namespace {

using StateTest = PlayerTest;
const std::u16string kCard = u"SDMMC Card\\AUDIO\\";

TEST_F(StateTest, InformationControlsShowTheSkinBehindThem) {
    // A title shown and then cleared (a failed load) must leave the skin.
    graphs.failing.insert(kCard + u"b.mp3");
    StartPlayer();
    DoubleTap(u"a.mp3");
    DoubleTap(u"b.mp3");
    Run(100);
    ASSERT_EQ(player->m_pTitleWnd->GetShownText(), CString());
    // The skin alone, drawn off screen, is what the empty corners must show.
    const CSize face = player->m_pSkinManager->GetFaceSize();
    wq::gdi::Surface skin;
    skin.Resize(face.cx, face.cy);
    HDC dc = wq::gdi::CreateSurfaceDC(&skin, POINT{0, 0}, RECT{0, 0, face.cx, face.cy});
    player->m_pSkinManager->Draw(dc, nullptr);
    wq::gdi::DeleteSurfaceDC(dc);
    const wq::gdi::Surface* screen = wq::win::GetWindowSurface(player->m_hWnd);
    CWnd* const controls[] = {player->m_pTitleWnd, player->m_pPathWnd, player->m_pInfoWnd,
                              player->m_pTimeWnd};
    for (CWnd* control : controls) {
        CRect rc;
        control->GetWindowRect(&rc);
        player->ScreenToClient(&rc);
        ASSERT_FALSE(rc.IsRectEmpty());
        for (const CPoint p : {rc.TopLeft(), CPoint(rc.right - 1, rc.bottom - 1)})
            EXPECT_EQ(screen->At(p.x, p.y), skin.At(p.x, p.y))
                << "control " << control->GetDlgCtrlID() << " at " << p.x << "," << p.y;
    }
    CRect title;
    player->m_pTitleWnd->GetWindowRect(&title);
    player->ScreenToClient(&title);
    int differ = 0;
    for (int y = title.top; y < title.bottom; ++y)
        for (int x = title.left; x < title.right; ++x) differ += screen->At(x, y) != skin.At(x, y);
    EXPECT_EQ(differ, 0) << "letters of the old title are left";
}

TEST_F(StateTest, SavedPatternAndRandomOrderAreInForceFromTheStart) {
    Store(u"PATTERN", 2);
    Store(u"METHOD PLAY", 1);
    Store(u"METHOD REPEAT", 2);
    Store(u"PLAYED PATH", kCard + u"b.mp3");
    Store(u"PLAYED TIME", 0);
    StartPlayer();
    EXPECT_EQ(player->SpectrumPattern(), 2);
    // Random order restored: Next draws from the whole folder.
    ASSERT_EQ(player->m_nPlayState, 0);
    EXPECT_EQ(player->m_arrRandom.size(), 3u);
    Command(IDC_BTN_NEXT);
    Run(10);
    EXPECT_EQ(player->m_nPlayState, 0) << "Next plays a drawn file instead of stopping";
}

TEST_F(StateTest, ATaggedTrackShowsItsTitleAndArtist) {
    auto field = [](std::string text, size_t n) {
        text.resize(n, '\0');
        return text;
    };
    root.MakeFile("SDMMC Card/AUDIO/t.mp3", "TAG" + field("Song Title", 30) + field("Band", 30) +
                                                field("", 30) + "2020" + field("", 30) + '\x0c');
    StartPlayer();
    DoubleTap(u"t.mp3");
    ASSERT_EQ(LoadedName(), "t.mp3");
    EXPECT_EQ(player->m_pTitleWnd->GetPrefix(), CString(u"Band"));
    EXPECT_GE(player->m_pTitleWnd->GetShownText().Find(u"Song Title"), 0);
}

TEST_F(StateTest, PauseHoldsTheGraphAndPlayGoesOnFromThere) {
    StartPlayer();
    DoubleTap(u"a.mp3");
    Run(1000);
    Command(IDC_BTN_PLAY);
    ASSERT_EQ(player->m_nPlayState, 1);
    const LONGLONG held = graphs.PositionMs();
    Run(1000);
    EXPECT_EQ(graphs.PositionMs(), held) << "paused, the sound stops";
    Command(IDC_BTN_PLAY);
    Run(500);
    EXPECT_GE(graphs.PositionMs(), held + 400);
}

TEST_F(StateTest, StopSelectsTheStoppedTrackAgainAndAFailedLoadLeavesNoOldTitle) {
    graphs.failing.insert(kCard + u"b.mp3");
    StartPlayer();
    DoubleTap(u"a.mp3");
    ASSERT_EQ(player->m_pTitleWnd->GetShownText(), CString(u"a"));
    Select(u"c.mp3");
    Run(60);
    Command(IDC_BTN_STOP);
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_EQ(Selection(), RowOf(u"a.mp3"));
    DoubleTap(u"b.mp3");
    EXPECT_EQ(player->m_pTitleWnd->GetShownText(), CString());
}

}  // namespace
