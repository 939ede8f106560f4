// The volume pop-up "WQVol" on the virtual clock: shown without blocking the
// sender, hidden after 3 s without input, by a tap outside or the close key;
// its buttons drive the outputs, the settings and the strips. Then the whole
// desktop audio against a private PulseAudio daemon: the strip follows pactl
// and the pop-up's plus raises the server's volume.
#include <chrono>
#include <cstdlib>

#include "app/desktop_audio.h"
#include "app/keys.h"
#include "app/volumepopup.h"
#include "graphics/imageobj.h"
#include "platform/gdi/gdi.h"
#include "platform/win/presenter.h"
#include "tests/player/player_fixture.h"
#include "tests/support/pulse_daemon.h"

namespace {

using wq::app::CVolumePopup;
using Part = CVolumePopup::Part;

void StoreSetup(const char16_t* key, DWORD value) {
    ASSERT_TRUE(CCommon::WriteINIFile(u"WQSETUP", key, REG_DWORD, &value));
}
DWORD StoredSetup(const char16_t* key) {
    DWORD v = 0xDEAD;
    CCommon::ReadINIFile(u"WQSETUP", key, REG_DWORD, &v);
    return v;
}

class PopupTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        StartLauncher();
        ASSERT_TRUE(audio.Create(nullptr, u"WQAudio", WS_POPUP | WS_VISIBLE, CRect(0, 0, 480, 234),
                                 nullptr, 0));
        ASSERT_TRUE(equalizer.Create(nullptr, u"WQEqualizer", WS_POPUP, CRect(), nullptr, 0));
        ASSERT_TRUE(pattern.Create(nullptr, u"WQPATTERN", WS_POPUP, CRect(), nullptr, 0));
        audio.SetActiveWindow();
        ASSERT_TRUE(popup.CreateIfAbsent());
    }
    void TearDown() override {
        for (CWnd* w : {static_cast<CWnd*>(&popup), static_cast<CWnd*>(&audio),
                        static_cast<CWnd*>(&equalizer), static_cast<CWnd*>(&pattern)})
            if (w->m_hWnd) w->DestroyWindow();
        PlayerTest::TearDown();
    }
    LRESULT ShowRequest(WPARAM wParam = 1) {
        return ::SendMessage(::FindWindow(nullptr, u"WQVol"),
                             RegisterWindowMessage(u"WQ:MSG:M_VOLUME_SHOW"), wParam, 0);
    }
    void Tap(POINT at) {
        wq::win::QueueMouseInput(popup.m_hWnd, WM_LBUTTONDOWN, at);
        wq::win::QueueMouseInput(popup.m_hWnd, WM_LBUTTONUP, at);
        wq::win::PumpPending();
    }
    void TapPart(Part part) { Tap(CRect(CVolumePopup::PartRect(part)).CenterPoint()); }
    int Updates(const LauncherWindow& w) const { return w.Count(u"WQ:MSG:AUDIOUPDATE"); }

    CVolumePopup popup;
    LauncherWindow audio, equalizer, pattern;
};

TEST_F(PopupTest, ShowsWithoutBlockingAndHidesAfterThreeQuietSeconds) {
    const int dcs = wq::gdi::LiveDCCount();
    EXPECT_FALSE(CVolumePopup().CreateIfAbsent()) << "one WQVol is enough";
    EXPECT_EQ(ShowRequest(0), 1);
    wq::win::PumpPending();
    EXPECT_FALSE(popup.IsShown()) << "only wParam 1 shows it";

    EXPECT_EQ(ShowRequest(), 1);
    EXPECT_FALSE(popup.IsShown()) << "the sender does not wait for the showing";
    wq::win::PumpPending();
    EXPECT_TRUE(popup.IsShown());
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
    const CRect rc = [&] {
        CRect r;
        popup.GetWindowRect(&r);
        return r;
    }();
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
    StoreSetup(u"Volume", 10);
    ShowRequest();
    wq::win::PumpPending();
    wq::device::ClearCallLog();
    using Calls = std::vector<wq::device::Call>;

    TapPart(CVolumePopup::PART_PLUS);
    EXPECT_EQ(wq::device::CallLog(), (Calls{{"SetOutVolume", {0}, {}}}));
    EXPECT_EQ(StoredSetup(u"Volume"), 11u);
    EXPECT_EQ(Updates(audio), 1);
    EXPECT_EQ(Updates(equalizer), 1);
    EXPECT_EQ(Updates(pattern), 1);
    TapPart(CVolumePopup::PART_PLUS);  // already at the top: written and told again, no output call
    EXPECT_EQ(popup.GetLevel(), 11);
    EXPECT_EQ(wq::device::CallLog().size(), 1u);

    wq::device::ClearCallLog();
    TapPart(CVolumePopup::PART_MUTE);
    TapPart(CVolumePopup::PART_MINUS);
    EXPECT_EQ(wq::device::CallLog(), (Calls{{"SetOutMute", {1}, {}}, {"SetOutVolume", {514}, {}}}));
    EXPECT_EQ(StoredSetup(u"Mute"), 1u);
    EXPECT_EQ(StoredSetup(u"Volume"), 10u);
    // The bar's fourth step is level 4; a press that slides off does nothing.
    const CRect bar = CVolumePopup::PartRect(CVolumePopup::PART_BAR);
    Tap(POINT{bar.left + 3 * 8 + 2, bar.top + 10});
    EXPECT_EQ(StoredSetup(u"Volume"), 4u);
    wq::win::QueueMouseInput(popup.m_hWnd, WM_LBUTTONDOWN, POINT{bar.left + 1, bar.top + 1});
    wq::win::QueueMouseInput(popup.m_hWnd, WM_MOUSEMOVE, POINT{bar.left - 40, bar.top + 1});
    wq::win::QueueMouseInput(popup.m_hWnd, WM_LBUTTONUP, POINT{bar.left - 40, bar.top + 1});
    wq::win::PumpPending();
    EXPECT_EQ(StoredSetup(u"Volume"), 4u);
    EXPECT_TRUE(popup.IsShown());
    EXPECT_EQ(Updates(audio), 5);

    // With a headphone the headphone table is used.
    wq::device::WriteMemSetting(u"WQSETUP", u"earphone", 1);
    popup.SendMessage(WM_TIMER, 1, 0);  // hidden, then shown again: settings read afresh
    ShowRequest();
    wq::win::PumpPending();
    wq::device::ClearCallLog();
    TapPart(CVolumePopup::PART_PLUS);
    EXPECT_EQ(wq::device::CallLog(), (Calls{{"SetEarOutVolume", {4369}, {}}}));

    // The bar shows the level: five lit steps (their bottom row), six unlit.
    const wq::gdi::Surface& face = *wq::win::GetWindowSurface(popup.m_hWnd);
    std::vector<std::uint32_t> steps;
    for (int i = 0; i < 11; ++i) steps.push_back(face.At(bar.left + 8 * i + 3, 47));
    EXPECT_EQ(std::count(steps.begin(), steps.end(), steps[0]), 5) << "muted steps stay alike";
    EXPECT_EQ(std::count(steps.begin(), steps.end(), steps[10]), 6);
    EXPECT_NE(steps[0], steps[10]);
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
        CImageObject digits;
        if (!digits.Load(CTaskbarWnd::kDigitsPath)) return false;
        wq::gdi::Surface glyphs;
        glyphs.Resize(70, 12);
        HDC dc = wq::gdi::CreateSurfaceDC(&glyphs, POINT{}, RECT{0, 0, 70, 12});
        digits.Draw(dc, 0, 0);
        wq::gdi::DeleteSurfaceDC(dc);
        const wq::gdi::Surface& screen = *wq::win::GetWindowSurface(player->m_hWnd);
        for (auto [digit, x0] : {std::pair{tens, 33}, std::pair{ones, 41}})
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 7; ++x) {
                    const std::uint32_t g = glyphs.At(7 * digit + x, y);
                    if (g != 0xFF00FF && screen.At(412 + x0 + x, 4 + y) != g) return false;
                }
        return true;
    }

    wq::test::PulseDaemon daemon;
    std::unique_ptr<wq::app::DesktopAudio> audio;
};

TEST_F(DesktopStripTest, StripFollowsTheServerAndThePopupSetsIt) {
    audio = wq::app::DesktopAudio::Start();
    ASSERT_TRUE(audio->Popup());
    StartPlayer();
    ASSERT_TRUE(RunUntilReal([&] { return StoredSetup(u"Volume") == 11u; }, 3000));

    ASSERT_TRUE(daemon.Pactl("set-sink-volume @DEFAULT_SINK@ 50%"));
    const auto changed = std::chrono::steady_clock::now();
    EXPECT_TRUE(RunUntilReal([&] { return StripShows(5, 4); }, 1000)) << "level 6 shows 54";
    EXPECT_LT(std::chrono::steady_clock::now() - changed, std::chrono::seconds(1));
    ASSERT_TRUE(daemon.Pactl("set-sink-mute @DEFAULT_SINK@ 1"));
    EXPECT_TRUE(RunUntilReal(
        [&] { return player->m_wndTaskbar.m_nOutputState == CTaskbarWnd::OUTPUT_SPEAKER_MUTED; },
        1000));

    // A tap on the strip shows the pop-up; its plus raises the server's volume.
    wq::win::QueueMouseInput(player->m_hWnd, WM_LBUTTONDOWN, POINT{440, 9});
    wq::win::QueueMouseInput(player->m_hWnd, WM_LBUTTONUP, POINT{440, 9});
    wq::win::PumpPending();
    ASSERT_TRUE(audio->Popup()->IsShown());
    wq::win::QueueMouseInput(audio->Popup()->m_hWnd, WM_LBUTTONDOWN,
                             CRect(CVolumePopup::PartRect(CVolumePopup::PART_PLUS)).CenterPoint());
    wq::win::QueueMouseInput(audio->Popup()->m_hWnd, WM_LBUTTONUP,
                             CRect(CVolumePopup::PartRect(CVolumePopup::PART_PLUS)).CenterPoint());
    wq::win::PumpPending();
    EXPECT_TRUE(RunUntilReal(
        [&] {
            return daemon.VolumePercents() == std::vector<int>{64, 64};
        },
        1000))
        << "level 7 of 11";
    EXPECT_TRUE(StripShows(6, 3));
}

}  // namespace
