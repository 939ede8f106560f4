// The player with its equalizer and pattern windows: "Set EQ" opens the
// pattern window modally, the preset badge and the key E open the equalizer on
// the current preset, the close key closes one window per press, the player's
// close ends them all, and a fresh device gets the presets' defaults.
#include "app/keys.h"
#include "platform/skin/skinmanager.h"
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
        wq::win::SetKeyHook(nullptr);
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
    EXPECT_EQ(ReadNumber(u"PATTERN"), 2u);
    EXPECT_EQ(Open(u"WQPATTERN"), nullptr);
    EXPECT_TRUE(player->IsWindowEnabled());
    EXPECT_EQ(player->m_dlgPattern.m_pSkinManager, nullptr);
}

TEST_F(EqWindowsTest, TheBadgeAndTheKeyEOpenTheEqualizerOnThePlayingPreset) {
    Command(IDC_BTN_EQUALIZER);  // ROCK
    Run(800);
    ASSERT_EQ(player->m_nEqualizer, 1);
    wq::device::StartCallLog();

    CWQEqualizerDlg& eq = player->m_dlgEqualizer;
    int opened = 0;
    auto edit = [&] {
        ASSERT_EQ(Open(u"WQEqualizer"), &eq);
        EXPECT_EQ(eq.m_nEditPreset, 1);
        // Start-up stored every preset's factory values: ROCK's band 2 is +3 dB.
        EXPECT_EQ(eq.GetBandGain(1), 15 + opened) << "ROCK's own values, not zeros";
        ++opened;
        eq.SendMessage(WM_COMMAND, MAKEWPARAM(2057, 0), 0);  // band 2 "+"
    };
    steps.Start({edit, [&] { eq.SendMessage(WM_COMMAND, MAKEWPARAM(2009, 0), 0); }});
    Tap(player->m_hWnd, player->m_rcEqImage.CenterPoint());
    EXPECT_EQ(opened, 1) << wq::win::WatchdogMessage();
    EXPECT_EQ(ReadNumber(u"DB BAND21", u"WQEQUALIZER"), 8u);
    const auto calls = wq::device::CallLog();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), (wq::device::Call{"Set3DControl", {0, 1}, {}}));

    // The key E, and the close key reaching the window in front; E while a
    // window is open over the player opens nothing more.
    wq::app::InstallKeyboard();
    bool second = false;
    steps.Start({edit,
                 [&] {
                     wq::win::DeliverKey("E", true);
                     wq::win::DeliverKey("Escape", true);
                 },
                 [&] { second = true; }});
    wq::win::DeliverKey("E", true);
    wq::win::PumpPending();
    EXPECT_EQ(opened, 2) << wq::win::WatchdogMessage();
    EXPECT_EQ(Open(u"WQEqualizer"), nullptr);
    Run(100);
    EXPECT_TRUE(second);
    EXPECT_EQ(Open(u"WQEqualizer"), nullptr) << "E was dropped while the equalizer was open";
    EXPECT_TRUE(player->IsWindowVisible()) << "Escape closed only the window in front";
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
    EXPECT_EQ(eq.m_wndTaskbar.m_hWnd, nullptr);
    EXPECT_TRUE(equalizerStayed);
    EXPECT_EQ(Open(u"WQEqualizer"), nullptr);
    EXPECT_TRUE(player->IsWindowVisible());
    KeyDown(128);
    EXPECT_FALSE(player->IsWindowVisible()) << "the third press closes the player";
}

TEST_F(EqWindowsTest, ThePlayersCloseEndsBothWindowsAndFreesTheirSkins) {
    CWQEqualizerDlg& eq = player->m_dlgEqualizer;
    bool bothOpen = false;
    steps.Start({[&] { eq.SendMessage(WM_COMMAND, MAKEWPARAM(2049, 0), 0); },
                 [&] {
                     bothOpen = eq.m_pSkinManager && eq.m_dlgPattern.m_pSkinManager;
                     player->SendMessage(WM_CLOSE, 0, 0);
                 }});
    Command(IDC_OPEN_EQUALIZER);
    EXPECT_TRUE(bothOpen) << wq::win::WatchdogMessage();
    EXPECT_EQ(eq.m_hWnd, nullptr);
    EXPECT_EQ(eq.m_dlgPattern.m_hWnd, nullptr);
    EXPECT_EQ(eq.m_pSkinManager, nullptr);
    EXPECT_EQ(eq.m_p3DLabel, nullptr);
    EXPECT_EQ(eq.m_dlgPattern.m_pSkinManager, nullptr);
    EXPECT_FALSE(player->IsWindowVisible());
}

// The player's destruction closes windows that are still open (they may be
// when the player is destroyed without its loop, as a test does) and their
// skins go with them.
TEST_F(EqWindowsTest, ThePlayersDestructionClosesWhatIsStillOpen) {
    CWQEqualizerDlg& eq = player->m_dlgEqualizer;
    ASSERT_TRUE(eq.Create(CWQEqualizerDlg::IDD, player.get()));
    ASSERT_TRUE(player->m_dlgPattern.Create(CWQPatternDlg::IDD, player.get()));
    Run(20);
    ASSERT_NE(eq.m_pSkinManager, nullptr);
    ASSERT_NE(player->m_dlgPattern.m_pSkinManager, nullptr);
    player->DestroyWindow();
    EXPECT_EQ(eq.m_hWnd, nullptr);
    EXPECT_EQ(eq.m_pSkinManager, nullptr);
    EXPECT_EQ(eq.m_pValueLabel[0], nullptr);
    EXPECT_EQ(player->m_dlgPattern.m_pSkinManager, nullptr);
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_CLOSE_COMPLETE"), 1);
}

}  // namespace
