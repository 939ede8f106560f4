// What the desktop's interfaces use of the player, on the virtual clock: the
// observer hook, the exact seek and the keyboard's media keys. (Opening a
// file: tests/app's MPRIS and second-start cases.)
#include <cmath>

#include "app/keys.h"
#include "tests/player/player_fixture.h"

namespace {

using DesktopTest = PlayerTest;

// Every event the observer hook hears, while it lives.
struct Recorder {
    std::vector<PlayerEvent> events;
    Recorder() {
        SetPlayerObserver([this](CWQAudioDlg&, PlayerEvent e) { events.push_back(e); });
    }
    ~Recorder() { SetPlayerObserver(nullptr); }
};

TEST_F(DesktopTest, TheObserverHearsEachSeekAtOnceAndSeekToIsExactAndClamped) {
    Recorder recorder;
    graphs.defaultMs = 200000;
    StartPlayer();
    ASSERT_FALSE(recorder.events.empty()) << "start-up's messages were heard";
    DoubleTap(u"b.mp3");
    ASSERT_EQ(player->m_nPlayState, 0);
    EXPECT_EQ(std::count(recorder.events.begin(), recorder.events.end(), PlayerEvent::Seeked), 0);

    // The slider's seek: Seeked first, inside the handler, then the message.
    recorder.events.clear();
    player->m_pSliderPos->SetPos(24);
    Command(IDC_SLIDER_PLAYPOS, SKIN_CODE_SET);
    EXPECT_EQ(graphs.Last("seek"), "seek 50000");
    ASSERT_FALSE(recorder.events.empty());
    EXPECT_EQ(recorder.events.front(), PlayerEvent::Seeked);
    EXPECT_EQ(recorder.events.back(), PlayerEvent::MessageHandled);

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
