// The volume pop-up "WQVol" and the status strips on the virtual clock: the
// pop-up shows without blocking the sender, hides after 3 s without input, by
// a tap outside or the close key; its buttons drive the outputs, the settings
// and the strips, and "WQ:MSG:AUDIOUPDATE" refreshes the strips, once for a
// flood. Then the whole desktop audio against a private PulseAudio daemon: the
// strip follows pactl within a second.
#include <chrono>
#include <cstdlib>

#include "app/desktop_audio.h"
#include "app/keys.h"
#include "app/volumepopup.h"
#include "tests/player/player_fixture.h"
#include "tests/support/pulse_daemon.h"

namespace {

using wq::app::CVolumePopup;
using Part = CVolumePopup::Part;
constexpr const char16_t* kSetup = u"WQSETUP";
const CString kIcons(u"\\NAND Flash\\skin\\Common\\img\\");

class PopupTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        StartLauncher();
        audio.SetWindowPos(nullptr, 0, 0, 480, 234, SWP_NOZORDER | SWP_SHOWWINDOW);
        audio.SetActiveWindow();
        ASSERT_TRUE(popup.CreateIfAbsent());
    }
    LRESULT ShowRequest(WPARAM wParam = 1) {
        return ::SendMessage(::FindWindow(nullptr, u"WQVol"),
                             RegisterWindowMessage(u"WQ:MSG:M_VOLUME_SHOW"), wParam, 0);
    }
    void TapPart(Part part) {
        Tap(popup.m_hWnd, CRect(CVolumePopup::PartRect(part)).CenterPoint());
    }
    int Updates(const wq::test::MessageRecorder& w) const { return w.Count(u"WQ:MSG:AUDIOUPDATE"); }

    CVolumePopup popup;
    wq::test::MessageRecorder audio{u"WQAudio"}, equalizer{u"WQEqualizer"}, pattern{u"WQPATTERN"};
};

TEST_F(PopupTest, ShowsWithoutBlockingAndHidesAfterThreeQuietSeconds) {
    const int dcs = wq::gdi::LiveDCCount();

    // The player raised since the pop-up was made: the pop-up still shows over it.
    ::SetWindowPos(audio.m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(ShowRequest(), 1);
    EXPECT_FALSE(popup.IsShown()) << "the sender does not wait for the showing";
    wq::win::PumpPending();
    EXPECT_TRUE(popup.IsShown());
    EXPECT_EQ(wq::win::TopLevelWindows().front(), popup.m_hWnd) << "shown over the player";
    EXPECT_EQ(::GetCapture(), popup.m_hWnd);
    EXPECT_EQ(::GetActiveWindow(), audio.m_hWnd) << "the player stays active";
    Run(2999);
    EXPECT_TRUE(popup.IsShown());
    // Input starts the 3 s again.
    wq::win::QueueMouseInput(popup.m_hWnd, WM_MOUSEMOVE, POINT{5, 5});
    Run(2999);
    EXPECT_TRUE(popup.IsShown());
    Run(2);
    EXPECT_FALSE(popup.IsShown());
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(wq::gdi::LiveDCCount(), dcs) << "every paint gives its DC back";
}

TEST_F(PopupTest, ATapOutsideOrTheCloseKeyHidesIt) {
    ShowRequest();
    wq::win::PumpPending();
    // The pen is the pop-up's: a tap on the player's face lands outside it.
    CRect rc;
    popup.GetWindowRect(&rc);
    wq::win::QueueMouseInput(audio.m_hWnd, WM_LBUTTONDOWN, POINT{rc.left - 5, rc.top});
    wq::win::PumpPending();
    EXPECT_FALSE(popup.IsShown());

    // The keyboard's close key goes to the shown pop-up, else to the player.
    wq::app::InstallKeyboard();
    ShowRequest();
    wq::win::PumpPending();
    wq::win::DeliverKey("Escape", true);
    EXPECT_FALSE(popup.IsShown());
    EXPECT_EQ(audio.Count(u"WQ:MSG:KEYDOWN"), 0);
    wq::win::DeliverKey("Escape", true);
    EXPECT_EQ(audio.Count(u"WQ:MSG:KEYDOWN"), 1);
    wq::win::SetKeyHook(nullptr);
}

TEST_F(PopupTest, ButtonsDriveTheOutputsTheSettingsAndTheStrips) {
    Store(u"Volume", 10, kSetup);
    ShowRequest();
    wq::win::PumpPending();
    wq::device::StartCallLog();
    using Calls = std::vector<wq::device::Call>;

    TapPart(CVolumePopup::PART_PLUS);
    EXPECT_EQ(wq::device::CallLog(), (Calls{{"SetOutVolume", {0}, {}}}));
    EXPECT_EQ(ReadNumber(u"Volume", kSetup), 11u);
    for (const wq::test::MessageRecorder* told : {&audio, &equalizer, &pattern})
        EXPECT_EQ(Updates(*told), 1);
    TapPart(CVolumePopup::PART_PLUS);  // already at the top: written and told again, no output call
    EXPECT_EQ(wq::device::CallLog().size(), 1u);

    wq::device::StartCallLog();
    TapPart(CVolumePopup::PART_MUTE);
    TapPart(CVolumePopup::PART_MINUS);
    EXPECT_EQ(wq::device::CallLog(), (Calls{{"SetOutMute", {1}, {}}, {"SetOutVolume", {514}, {}}}));
    EXPECT_EQ(ReadNumber(u"Mute", kSetup), 1u);
    EXPECT_EQ(ReadNumber(u"Volume", kSetup), 10u);
    // The bar's fourth step is level 4.
    const CRect bar = CVolumePopup::PartRect(CVolumePopup::PART_BAR);
    Tap(popup.m_hWnd, POINT{bar.left + 3 * 8 + 2, bar.top + 10});
    EXPECT_EQ(ReadNumber(u"Volume", kSetup), 4u);
    EXPECT_EQ(Updates(audio), 5);

    // The bar shows the level: four lit steps (their bottom row), seven unlit.
    const wq::gdi::Surface& face = *wq::win::GetWindowSurface(popup.m_hWnd);
    std::vector<std::uint32_t> steps;
    for (int i = 0; i < 11; ++i) steps.push_back(face.At(bar.left + 8 * i + 3, 47));
    EXPECT_EQ(std::count(steps.begin(), steps.end(), steps[0]), 4) << "muted steps stay alike";
    EXPECT_EQ(std::count(steps.begin(), steps.end(), steps[10]), 7);
    EXPECT_NE(steps[0], steps[10]);
}

using StripTest = PlayerTest;

TEST_F(StripTest, ShowsInThePlayerAndFollowsAudioUpdate) {
    StartPlayer();
    EXPECT_TRUE(ShowsPicture(player->m_hWnd, kIcons + u"spk_N_bt.bmp", {412, 0}));

    Store(u"Mute", 1, kSetup);
    EXPECT_TRUE(ShowsPicture(player->m_hWnd, kIcons + u"spk_N_bt.bmp", {412, 0}))
        << "nothing changes by itself";
    EXPECT_EQ(Registered(u"WQ:MSG:AUDIOUPDATE", 0), 1);
    EXPECT_TRUE(ShowsPicture(player->m_hWnd, kIcons + u"spk_MN_bt.bmp", {412, 0}));

    // The pattern window's strip follows too (EqWindowsTest); a window of that
    // name without a strip is passed over.
    CWnd pattern;
    ASSERT_TRUE(
        pattern.CreateEx(0, nullptr, u"WQPATTERN", WS_POPUP, CRect(0, 0, 9, 9), nullptr, 0));
    wq::device::WriteMemSetting(u"WQSETUP", u"earphone", 1);
    EXPECT_EQ(Registered(u"WQ:MSG:AUDIOUPDATE", 0), 1);
    EXPECT_TRUE(ShowsPicture(player->m_hWnd, kIcons + u"head_MN_bt.bmp", {412, 0}));
}

TEST_F(StripTest, AFloodOfUpdatesRefreshesOnceAndInputStillComes) {
    StartPlayer();
    const UINT update = RegisterWindowMessage(u"WQ:MSG:AUDIOUPDATE");
    for (int i = 0; i < 10000; ++i) ASSERT_TRUE(player->PostMessage(update, 0, 0));
    // A tap queued behind the flood: input comes after every posted message.
    wq::win::QueueMouseInput(player->m_hWnd, WM_LBUTTONDOWN, POINT{440, 9});
    EXPECT_LT(wq::win::PumpPending(), 20) << "the queued updates coalesce into one refresh";
    EXPECT_TRUE(player->m_wndTaskbar.m_bPressed) << "the tap behind them arrived";
    MSG left;
    EXPECT_FALSE(::PeekMessage(&left, nullptr, update, update, PM_NOREMOVE));
}

// The program's desktop audio with a private sound server.
class DesktopStripTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        if (auto why = wq::test::PulseDaemon::Missing(); !why.empty()) GTEST_SKIP() << why;
        ASSERT_TRUE(daemon.Start());
        setenv("PULSE_SERVER", daemon.Address().c_str(), 1);
        setenv("CANBERRA_DRIVER", "null", 1);
    }
    void TearDown() override {
        StopPlayer();
        audio.reset();
        unsetenv("PULSE_SERVER");
        unsetenv("CANBERRA_DRIVER");
        PlayerTest::TearDown();
    }
    // Runs the loop until `done`, at most `ms` of real time.
    bool RunUntilReal(const std::function<bool()>& done, int ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            wq::win::PumpPending();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done();
    }
    // The strip's volume number as its digit pictures show it at (412, 0).
    bool StripShows(int tens, int ones) {
        const CString digits(CTaskbarWnd::kDigitsPath);
        return ShowsPicture(player->m_hWnd, digits, {445, 4},
                            CRect(7 * tens, 0, 7 * tens + 7, 12)) &&
               ShowsPicture(player->m_hWnd, digits, {453, 4}, CRect(7 * ones, 0, 7 * ones + 7, 12));
    }

    wq::test::PulseDaemon daemon;
    std::unique_ptr<wq::app::DesktopAudio> audio;
};

// (The pop-up's plus reaching the server is app_end_to_end's
// test_strip_follows_the_sound_server_and_the_popup_sets_it.)
TEST_F(DesktopStripTest, StripFollowsTheServerWithinASecond) {
    audio = wq::app::DesktopAudio::Start();
    StartPlayer();
    ASSERT_TRUE(RunUntilReal([&] { return ReadNumber(u"Volume", kSetup) == 11u; }, 3000));

    ASSERT_TRUE(daemon.Pactl("set-sink-volume @DEFAULT_SINK@ 50%"));
    EXPECT_TRUE(RunUntilReal([&] { return StripShows(5, 4); }, 1000)) << "level 6 shows 54";
    ASSERT_TRUE(daemon.Pactl("set-sink-mute @DEFAULT_SINK@ 1"));
    EXPECT_TRUE(RunUntilReal(
        [&] { return player->m_wndTaskbar.m_nOutputState == CTaskbarWnd::OUTPUT_SPEAKER_MUTED; },
        1000));
}

}  // namespace
