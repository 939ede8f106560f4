// What the user sees of the player's state: the information controls sit on
// the skin without holes and show what they hold, a tagged track's title and
// artist, pause holding the place, and Stop showing the stopped track's row.
#include "platform/gdi/surface.h"
#include "platform/skin/skinmanager.h"
#include "tests/player/player_fixture.h"
#include "trackinfo/trackinfownd.h"

namespace {

using StateTest = PlayerTest;

TEST_F(StateTest, InformationControlsShowTheSkinBehindThem) {
    StartPlayer();
    // The skin alone, drawn off screen, is what the empty parts must show.
    const CSize face = player->m_pSkinManager->GetFaceSize();
    wq::gdi::Surface skin;
    skin.Resize(face.cx, face.cy);
    HDC dc = wq::gdi::CreateSurfaceDC(&skin, POINT{0, 0}, RECT{0, 0, face.cx, face.cy});
    player->m_pSkinManager->Draw(dc, nullptr);
    wq::gdi::DeleteSurfaceDC(dc);
    const wq::gdi::Surface* screen = wq::win::GetWindowSurface(player->m_hWnd);
    auto rectOf = [&](CWnd* control) {
        CRect rc;
        control->GetWindowRect(&rc);
        player->ScreenToClient(&rc);
        return rc;
    };
    // A title is drawn on the skin. (Each paint wiping the old letters: the
    // scrolling text's own cases.)
    DoubleTap(u"a.mp3");
    Run(100);
    const CRect title = rectOf(player->m_pTitleWnd);
    int differing = 0;
    for (int y = title.top; y < title.bottom; ++y)
        for (int x = title.left; x < title.right; ++x)
            differing += screen->At(x, y) != skin.At(x, y);
    EXPECT_GT(differing, 0) << "the title is drawn";
    for (const CPoint p : {title.TopLeft(), CPoint(title.right - 1, title.bottom - 1)})
        EXPECT_EQ(screen->At(p.x, p.y), skin.At(p.x, p.y)) << "the letters stand on the skin";
    CWnd* const controls[] = {player->m_pPathWnd, player->m_pInfoWnd, player->m_pTimeWnd};
    for (CWnd* control : controls) {
        const CRect rc = rectOf(control);
        ASSERT_FALSE(rc.IsRectEmpty());
        for (const CPoint p : {rc.TopLeft(), CPoint(rc.right - 1, rc.bottom - 1)})
            EXPECT_EQ(screen->At(p.x, p.y), skin.At(p.x, p.y))
                << "control " << control->GetDlgCtrlID() << " at " << p.x << "," << p.y;
    }
}

// What the time and information controls show is what they hold: while
// playing, after Stop and after opening a folder, repainting them from
// scratch changes no pixel. A tagged track's title follows its artist.
TEST_F(StateTest, TimeAndInformationOnScreenFollowLoadPlayAndStop) {
    auto field = [](std::string text, size_t n) {
        text.resize(n, '\0');
        return text;
    };
    root.MakeFile("SDMMC Card/AUDIO/t.mp3", "TAG" + field("Song Title", 30) + field("Band", 30) +
                                                field("", 30) + "2020" + field("", 30) + '\x0c');
    StartPlayer();
    const wq::gdi::Surface* screen = wq::win::GetWindowSurface(player->m_hWnd);
    auto showsWhatItHolds = [&](CWnd* control, const char* when) {
        CRect rc;
        control->GetWindowRect(&rc);
        player->ScreenToClient(&rc);
        auto pixels = [&] {
            std::vector<std::uint32_t> out;
            for (int y = rc.top; y < rc.bottom; ++y)
                for (int x = rc.left; x < rc.right; ++x) out.push_back(screen->At(x, y));
            return out;
        };
        const auto shown = pixels();
        if (control == player->m_pTimeWnd) player->m_pTimeWnd->Compose();
        if (control == player->m_pInfoWnd) player->m_pInfoWnd->Compose();
        control->Invalidate(TRUE);
        control->UpdateWindow();
        EXPECT_TRUE(shown == pixels()) << "control " << control->GetDlgCtrlID() << " " << when;
    };
    DoubleTap(u"a.mp3");
    Run(2600);
    ASSERT_GE(player->m_pTimeWnd->GetElapsed().GetTotalSeconds(), 2);
    showsWhatItHolds(player->m_pTimeWnd, "while playing");
    Press(IDC_BTN_STOP);
    Run(100);
    EXPECT_EQ(player->m_pTimeWnd->GetElapsed().GetTotalSeconds(), 0);
    EXPECT_EQ(graphs.PositionMs(), 0) << "the track plays on after Stop";
    showsWhatItHolds(player->m_pTimeWnd, "after Stop");

    // Opening a folder while a track plays stops it and clears what it showed.
    DoubleTap(u"b.mp3");
    Run(100);
    ASSERT_FALSE(player->m_pTitleWnd->GetShownText().IsEmpty());
    ASSERT_GT(player->m_pInfoWnd->GetBitRate(), 0);
    DoubleTap(u"[Live]");
    Run(100);
    EXPECT_EQ(player->m_pTitleWnd->GetShownText(), CString());
    EXPECT_EQ(player->m_pTimeWnd->GetTotal().GetTotalSeconds(), 0);
    EXPECT_EQ(player->m_pInfoWnd->GetBitRate(), 0);
    showsWhatItHolds(player->m_pInfoWnd, "after opening a folder");

    DoubleTap(u"[..]");
    DoubleTap(u"t.mp3");
    ASSERT_EQ(LoadedName(), "t.mp3");
    EXPECT_EQ(player->m_pTitleWnd->GetPrefix(), CString(u"Band"));
    EXPECT_GE(player->m_pTitleWnd->GetShownText().Find(u"Song Title"), 0);
}

// Paused, the sound stops and Play goes on from there; Stop selects the
// stopped track's row again, wherever the list was moved meanwhile.
TEST_F(StateTest, PauseHoldsTheGraphAndStopSelectsTheStoppedTrackAgain) {
    StartPlayer();
    DoubleTap(u"a.mp3");
    Run(1000);
    Command(IDC_BTN_PLAY);
    ASSERT_EQ(player->m_nPlayState, 1);
    const LONGLONG held = graphs.PositionMs();
    Run(1000);
    EXPECT_EQ(graphs.PositionMs(), held) << "paused, the sound stops";
    Press(IDC_BTN_PLAY, 500);
    EXPECT_GE(graphs.PositionMs(), held + 400);
    Choose(u"c.mp3");
    Command(IDC_BTN_STOP);
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_EQ(Selection(), RowOf(u"a.mp3"));
}

}  // namespace
