// The status strip in the player window with the default skin, and
// "WQ:MSG:AUDIOUPDATE": which strips it refreshes, and a flood of it.
#include "graphics/imageobj.h"
#include "platform/gdi/gdi.h"
#include "platform/win/presenter.h"
#include "tests/player/player_fixture.h"

namespace {

using StripTest = PlayerTest;

// A window of this program carrying a strip, as the equalizer and pattern
// windows do.
class StripWindow : public CWnd, public CTaskbarHost {
public:
    CTaskbarWnd strip;
    CTaskbarWnd* GetTaskbar() override { return &strip; }
};

void StoreSetup(const char16_t* key, DWORD value) {
    ASSERT_TRUE(CCommon::WriteINIFile(u"WQSETUP", key, REG_DWORD, &value));
}

// True when every opaque pixel of the skin's icon `name` shows at the
// strip's top-left corner (412, 0) of the player.
::testing::AssertionResult ShowsIcon(CWQAudioDlg& player, const char16_t* name) {
    CImageObject icon;
    CString path(u"\\NAND Flash\\skin\\Common\\img\\");
    path += name;
    if (!icon.Load(path)) return ::testing::AssertionFailure() << "no icon picture";
    wq::gdi::Surface pixels;
    pixels.Resize(icon.GetWidth(), icon.GetHeight());
    HDC dc = wq::gdi::CreateSurfaceDC(&pixels, POINT{}, RECT{0, 0, pixels.width, pixels.height});
    icon.Draw(dc, 0, 0);
    wq::gdi::DeleteSurfaceDC(dc);
    const wq::gdi::Surface& screen = *wq::win::GetWindowSurface(player.m_hWnd);
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            if (pixels.At(x, y) != 0xFF00FF && screen.At(412 + x, y) != pixels.At(x, y))
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") differs";
    return ::testing::AssertionSuccess();
}

TEST_F(StripTest, ShowsInThePlayerAndFollowsAudioUpdate) {
    StartPlayer();
    ASSERT_TRUE(player->m_wndTaskbar.m_hWnd);
    CRect rc;
    player->m_wndTaskbar.GetWindowRect(&rc);
    EXPECT_EQ(rc, CRect(412, 0, 477, 18));
    EXPECT_EQ(player->m_wndTaskbar.GetParent(), player.get());
    EXPECT_TRUE(ShowsIcon(*player, u"spk_N_bt.bmp"));

    StoreSetup(u"Mute", 1);
    EXPECT_TRUE(ShowsIcon(*player, u"spk_N_bt.bmp")) << "nothing changes by itself";
    EXPECT_EQ(Registered(u"WQ:MSG:AUDIOUPDATE", 0), 1);
    EXPECT_TRUE(ShowsIcon(*player, u"spk_MN_bt.bmp"));

    // The strips of this program's equalizer and pattern windows follow too; a
    // window of those names without a strip is passed over.
    StripWindow equalizer;
    CWnd pattern;
    ASSERT_TRUE(equalizer.CreateEx(0, nullptr, u"WQEqualizer", WS_POPUP, CRect(0, 0, 480, 234),
                                   nullptr, 0));
    ASSERT_TRUE(
        pattern.CreateEx(0, nullptr, u"WQPATTERN", WS_POPUP, CRect(0, 0, 9, 9), nullptr, 0));
    ASSERT_TRUE(equalizer.strip.Create(u"STATIC", u"taskbar", WS_CHILD | WS_VISIBLE, CRect(),
                                       &equalizer, 0));
    wq::device::WriteMemSetting(u"WQSETUP", u"earphone", 1);
    EXPECT_EQ(Registered(u"WQ:MSG:AUDIOUPDATE", 0), 1);
    EXPECT_EQ(equalizer.strip.m_nOutputState, CTaskbarWnd::OUTPUT_HEAD_MUTED);
    EXPECT_TRUE(ShowsIcon(*player, u"head_MN_bt.bmp"));
    equalizer.DestroyWindow();
    pattern.DestroyWindow();
}

TEST_F(StripTest, AFloodOfUpdatesRefreshesOnceAndInputStillComes) {
    StartPlayer();
    StoreSetup(u"Volume", 0);
    const UINT update = RegisterWindowMessage(u"WQ:MSG:AUDIOUPDATE");
    for (int i = 0; i < 10000; ++i) ASSERT_TRUE(player->PostMessage(update, 0, 0));
    // A tap queued behind the flood: input comes after every posted message.
    wq::win::QueueMouseInput(player->m_hWnd, WM_LBUTTONDOWN, POINT{440, 9});
    const int dispatched = wq::win::PumpPending();
    EXPECT_LT(dispatched, 20) << "the queued updates coalesce into one refresh";
    EXPECT_TRUE(player->m_wndTaskbar.m_bPressed) << "the tap behind them arrived";
    MSG left;
    EXPECT_FALSE(::PeekMessage(&left, nullptr, update, update, PM_NOREMOVE));
    wq::win::QueueMouseInput(player->m_hWnd, WM_LBUTTONUP, POINT{440, 9});
    wq::win::PumpPending();
}

TEST_F(StripTest, AudioUpdateWithoutAStripDoesNothing) {
    // No skin: the player never creates its strip.
    std::filesystem::remove(root.Host("NAND Flash/skin"));
    StartPlayer();
    ASSERT_FALSE(player->m_wndTaskbar.m_hWnd);
    wq::device::ClearCallLog();
    StoreSetup(u"Mute", 1);
    EXPECT_EQ(Registered(u"WQ:MSG:AUDIOUPDATE", 0), 1);
    EXPECT_FALSE(player->m_wndTaskbar.m_hWnd);
    EXPECT_TRUE(wq::device::CallLog().empty());
}

}  // namespace
