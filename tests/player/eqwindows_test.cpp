// The player with its equalizer and pattern windows: "Set EQ" opens the
// pattern window modally and the close key closes one window per press. (The
// preset badge opening the equalizer on the playing preset: app_end_to_end.)
#include "platform/win/app.h"
#include "tests/player/player_fixture.h"
#include "tests/support/step_runner.h"

namespace {

class EqWindowsTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        StartPlayer();
        app.m_pMainWnd = player.get();
    }
    void TearDown() override {
        app.m_pMainWnd = nullptr;
        PlayerTest::TearDown();
    }
    CWnd* Open(const char16_t* name) { return CWnd::FindWindow(nullptr, name); }

    CWinApp app;
    wq::test::StepRunner steps;
};

TEST_F(EqWindowsTest, SetEqOpensThePatternWindowModallyAndItsChoiceReachesThePlayer) {
    Store(u"PATTERN", 0);
    bool modal = false;
    int presetAfterTap = -1;
    steps.Start({[&] {
                     modal =
                         Open(u"WQPATTERN") == &player->m_dlgPattern && !player->IsWindowEnabled();
                     Tap(player->m_hWnd, POINT{344, 142});  // the Equalizer button: dropped
                     presetAfterTap = player->m_nEqualizer;
                 },
                 [&] {
                     Tap(player->m_dlgPattern.m_hWnd, POINT{394, 95});
                 },  // WAVE
                 [&] { KeyDown(128); }});
    Command(IDC_BTN_SETEQ);
    EXPECT_EQ(Open(u"WQPATTERN"), nullptr) << "opens from the queue, after the tap";
    Run(10);
    EXPECT_TRUE(steps.Done()) << wq::win::WatchdogMessage();
    EXPECT_TRUE(modal);
    EXPECT_EQ(presetAfterTap, 0) << "a tap on the player while the window is open is lost";
    EXPECT_EQ(player->m_nPattern, 2);
    EXPECT_EQ(Open(u"WQPATTERN"), nullptr);
    EXPECT_TRUE(player->IsWindowEnabled());
}

TEST_F(EqWindowsTest, TheCloseKeyClosesOneWindowPerPressAndTheStripsFollowTheAudio) {
    CWQEqualizerDlg& eq = player->m_dlgEqualizer;
    int stripState = -1;
    bool equalizerStayed = false;
    steps.Start({[&] { eq.SendMessage(WM_COMMAND, MAKEWPARAM(2049, 0), 0); },  // PATTERN, queued
                 [&] {
                     EXPECT_EQ(Open(u"WQPATTERN"), &eq.m_dlgPattern);
                     DWORD mute = 1;
                     CCommon::WriteINIFile(u"WQSETUP", u"Mute", REG_DWORD, &mute);
                     Registered(u"WQ:MSG:AUDIOUPDATE", 0);
                     stripState = eq.m_dlgPattern.m_wndTaskbar.m_nOutputState;
                     KeyDown(128);
                 },
                 [&] {
                     equalizerStayed = Open(u"WQPATTERN") == nullptr && Open(u"WQEqualizer") == &eq;
                     KeyDown(128);
                 }});
    Command(IDC_OPEN_EQUALIZER);
    EXPECT_TRUE(steps.Done()) << wq::win::WatchdogMessage();
    EXPECT_EQ(stripState, CTaskbarWnd::OUTPUT_SPEAKER_MUTED);
    EXPECT_TRUE(equalizerStayed);
    EXPECT_EQ(Open(u"WQEqualizer"), nullptr);
    EXPECT_TRUE(player->IsWindowVisible());
    KeyDown(128);
    EXPECT_FALSE(player->IsWindowVisible()) << "the third press closes the player";
}

}  // namespace
