// What the desktop's interfaces use of the player, on the virtual clock: the
// exact seek and the keyboard's media keys. (The observer hook's Seeked and
// opening a file: tests/app's MPRIS and second-start cases.)
#include <cmath>

#include "app/keys.h"
#include "tests/player/player_fixture.h"

namespace {

using DesktopTest = PlayerTest;

TEST_F(DesktopTest, SeekToIsExactAndClampedAndSeeksWhilePaused) {
    graphs.defaultMs = 200000;
    StartPlayer();
    DoubleTap(u"b.mp3");
    ASSERT_EQ(player->m_nPlayState, 0);
    EXPECT_TRUE(player->SeekTo(4321.7));
    EXPECT_EQ(graphs.Last("seek"), "seek 4321");
    player->SeekTo(1e300);
    EXPECT_EQ(graphs.Last("seek"), "seek 200000");
    player->SeekTo(-5);
    EXPECT_EQ(graphs.Last("seek"), "seek 0");
    player->SeekTo(std::nan(""));
    EXPECT_EQ(graphs.Last("seek"), "seek 0");
    Command(IDC_BTN_PLAY);  // paused: still seeks
    ASSERT_EQ(player->m_nPlayState, 1);
    EXPECT_TRUE(player->SeekTo(9000));
    EXPECT_EQ(graphs.Last("seek"), "seek 9000");
}

TEST_F(DesktopTest, MediaKeysPressThePlayersButtons) {
    wq::app::InstallKeyboard();
    StartPlayer();
    Select(u"a.mp3");
    wq::win::DeliverKey("AudioPlay", true);
    Run(50);
    EXPECT_EQ(LoadedName(), "a.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    wq::win::DeliverKey("AudioNext", false);  // only presses count
    EXPECT_EQ(LoadedName(), "a.mp3");
    wq::win::DeliverKey("AudioNext", true);
    EXPECT_EQ(LoadedName(), "b.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    wq::win::DeliverKey("AudioPlay", true);
    EXPECT_EQ(player->m_nPlayState, 1);
    wq::win::DeliverKey("AudioStop", true);
    EXPECT_EQ(player->m_nPlayState, 2);
    wq::win::SetKeyHook(nullptr);
}

}  // namespace
