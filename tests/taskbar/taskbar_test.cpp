// The status strip in a real window over a painted owner, every pixel compared
// (pictures made by the test, each pixel its own colour); the pen; the hosted
// mode's output calls with their waits on the virtual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/utf.h"
#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "platform/gdi/gdi.h"
#include "platform/image/ravimage.h"
#include "platform/win/presenter.h"
#include "platform/win/testing.h"
#include "taskbar/taskbarwnd.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_root.h"

namespace {

namespace gdi = wq::gdi;

constexpr std::uint32_t kMagenta = 0xFF00FF;
constexpr int kOwnerW = 480, kOwnerH = 24;
const std::string kCommon = "NAND Flash/skin/Common/";

std::uint32_t OwnerFace(int x, int y) {
    return std::uint32_t((x * 5) & 0xFF) << 16 | std::uint32_t((y * 9) & 0xFF) << 8 | 0x21;
}
// Picture number `seed`: a colour for every pixel, magenta where x + 2y + seed
// is a multiple of 4.
std::uint32_t Picture(int seed, int x, int y) {
    if ((x + 2 * y + seed) % 4 == 0) return kMagenta;
    return 0x010000u * std::uint32_t(seed * 23 & 0xFF) + std::uint32_t(x << 8 | y << 3 | 1);
}
constexpr int kBackground = 1, kDigits = 2;
// Icon of (state, pressed) as a picture seed.
int IconSeed(int state, bool pressed) {
    return 10 + state * 2 + (pressed ? 1 : 0);
}

// Paints its face on every WM_PAINT.
class Owner : public CWnd {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(&ps);
            for (int y = ps.rcPaint.top; y < ps.rcPaint.bottom; ++y)
                for (int x = ps.rcPaint.left; x < ps.rcPaint.right; ++x)
                    SetPixel(dc, x, y, gdi::ColorrefFromPixel(OwnerFace(x, y)));
            EndPaint(&ps);
            return 0;
        }
        return msg == WM_ERASEBKGND ? 1 : CWnd::WindowProc(msg, wParam, lParam);
    }
};

class TaskbarTest : public ::testing::Test {
protected:
    void SetUp() override {
        root.MakeFile(kCommon + "taskbar.TPL",
                      "wqskin 1\nface 65 18\nbackground img\\taskbar_bg.bmp\n");
        Put(u"taskbar_bg.bmp", 65, 18, kBackground);
        Put(u"timedatenum.bmp", 70, 12, kDigits);
        for (int state = 0; state < CTaskbarWnd::kOutputStates; ++state)
            for (bool pressed : {false, true})
                Put(CTaskbarWnd::kIcons[state * 2 + pressed], 28, 18, IconSeed(state, pressed));
        wq::device::SetMemSettingsPath(root.Host("mem.db"));
        wq::device::StartCallLog();
        ravimage_InitialImageLibrary();
    }
    void TearDown() override {
        strip.reset();
        if (owner.m_hWnd) owner.DestroyWindow();
        ravimage_UnInitializeImageLibrary();
        wq::device::SetMemSettingsPath(std::string());
    }

    void Put(const std::u16string& name, int w, int h, int seed) const {
        root.MakeFile(kCommon + "img/" + wq::Utf16ToUtf8(name),
                      wq::test::Bmp(w, h, [seed](int x, int y) { return Picture(seed, x, y); }));
    }
    static void Store(const char16_t* key, DWORD value) {
        ASSERT_TRUE(CCommon::WriteINIFile(u"WQSETUP", key, REG_DWORD, &value));
    }

    // The owner as the player makes it, and its strip as every owner creates it.
    void Create(const char16_t* ownerTitle = u"Player", const CRect& given = CRect()) {
        ASSERT_TRUE(owner.CreateEx(0, nullptr, ownerTitle, WS_POPUP | WS_VISIBLE,
                                   CRect(0, 0, kOwnerW, kOwnerH), nullptr, 0));
        strip = std::make_unique<CTaskbarWnd>();
        ASSERT_TRUE(strip->Create(u"STATIC", u"taskbar", WS_CHILD | WS_VISIBLE, given, &owner, 0));
        wq::win::PumpPending();
    }
    void Refresh() {
        strip->RefreshOutput();
        wq::win::PumpPending();
    }

    // The owner's pixels with the strip showing `digits` (glyph, x) and the
    // icon of `state`; `skin` false leaves the owner's face under the strip.
    static gdi::Surface Expected(int state, bool pressed, std::vector<std::pair<int, int>> digits,
                                 bool skin = true, bool icon = true) {
        gdi::Surface s;
        s.Resize(kOwnerW, kOwnerH);
        for (int y = 0; y < kOwnerH; ++y)
            for (int x = 0; x < kOwnerW; ++x) s.pixels[size_t(y * kOwnerW + x)] = OwnerFace(x, y);
        auto put = [&](int x, int y, std::uint32_t p) {
            if (p != kMagenta) s.pixels[size_t(y * kOwnerW + 412 + x)] = p;
        };
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 65; ++x) {
                if (skin) s.pixels[size_t(y * kOwnerW + 412 + x)] = Picture(kBackground, x, y);
                if (icon && x < 28) put(x, y, Picture(IconSeed(state, pressed), x, y));
            }
        for (auto [digit, at] : digits)
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 7; ++x) put(at + x, 4 + y, Picture(kDigits, 7 * digit + x, y));
        return s;
    }
    ::testing::AssertionResult ShowsExactly(const gdi::Surface& want) {
        const auto& got = wq::win::GetWindowSurface(owner.m_hWnd)->pixels;
        const auto at =
            std::mismatch(got.begin(), got.end(), want.pixels.begin()).first - got.begin();
        if (at == long(got.size())) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "pixel (" << at % kOwnerW << "," << at / kOwnerW << ") is " << std::hex
               << got[size_t(at)] << ", want " << want.pixels[size_t(at)];
    }
    void Pen(UINT msg, int x, int y) {
        wq::win::QueueMouseInput(owner.m_hWnd, msg, POINT{x, y});
        wq::win::PumpPending();
    }

    wq::test::TempRoot root;
    wq::win::TestSession session;
    Owner owner;
    std::unique_ptr<CTaskbarWnd> strip;
};

TEST_F(TaskbarTest, VolumeNumberDigitsAndPlacement) {
    Create();
    CRect rc;
    strip->GetWindowRect(&rc);
    EXPECT_EQ(rc, CRect(412, 0, 477, 18));
    // Nothing stored: level 9 shows 81.
    EXPECT_TRUE(ShowsExactly(Expected(0, false, {{8, 33}, {1, 41}})));

    struct Case {
        DWORD stored;
        std::vector<std::pair<int, int>> digits;
    };
    const Case cases[] = {
        {1, {{9, 36}}},                     // 9, the largest single digit
        {12, {{1, 30}, {0, 37}, {0, 44}}},  // beyond the top: the top, 99 shown as 100
        {DWORD(-1), {{0, 36}}},             // below the bottom: a real "0"
    };
    for (const Case& c : cases) {
        Store(u"Volume", c.stored);
        Refresh();
        EXPECT_TRUE(ShowsExactly(Expected(0, false, c.digits))) << "Volume " << int(c.stored);
    }
}

// The state of each earphone and mute setting is checked by the hosted test
// below (the same reading); here its icon, plain and pressed, and the tap.
TEST_F(TaskbarTest, IconFollowsTheOutputAndThePenAndATapAsksWQVol) {
    Create();
    Store(u"Mute", 1);
    Refresh();
    EXPECT_TRUE(ShowsExactly(Expected(3, false, {{8, 33}, {1, 41}})));

    // Pressed icon while the pen is down; sliding off restores it, releases
    // the pen and the release outside sends nothing and plays nothing.
    Pen(WM_LBUTTONDOWN, 420, 9);
    EXPECT_EQ(::GetCapture(), strip->m_hWnd);
    EXPECT_TRUE(ShowsExactly(Expected(3, true, {{8, 33}, {1, 41}})));
    Pen(WM_MOUSEMOVE, 300, 12);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_TRUE(ShowsExactly(Expected(3, false, {{8, 33}, {1, 41}})));
    Pen(WM_LBUTTONUP, 300, 12);
    EXPECT_TRUE(wq::device::CallLog().empty());

    // Without a "WQVol" a tap only clicks.
    Pen(WM_LBUTTONDOWN, 450, 5);
    Pen(WM_LBUTTONUP, 450, 5);
    EXPECT_TRUE(ShowsExactly(Expected(3, false, {{8, 33}, {1, 41}}))) << "still pressed";
    ASSERT_EQ(wq::device::CallLog().size(), 1u);
    EXPECT_EQ(wq::device::CallLog()[0].name, "PlayBtnSound");
    EXPECT_EQ(::GetCapture(), nullptr);

    wq::test::MessageRecorder volume(u"WQVol");
    Pen(WM_LBUTTONDOWN, 413, 1);
    EXPECT_TRUE(volume.received.empty()) << "nothing before the pen comes up";
    Pen(WM_LBUTTONUP, 476, 17);
    using Got = wq::test::MessageRecorder::Received;
    EXPECT_EQ(volume.received, (std::vector<Got>{{u"WQ:MSG:M_VOLUME_SHOW", 1, 0}}));
}

TEST_F(TaskbarTest, MissingSkinOrIconLeavesTheOwnersFace) {
    std::filesystem::remove(root.Host(kCommon + "taskbar.TPL"));
    Create();
    EXPECT_TRUE(ShowsExactly(Expected(0, false, {{8, 33}, {1, 41}}, false)));
    // A new number replaces the old one: no old glyph shows through.
    Store(u"Volume", 1);
    Refresh();
    EXPECT_TRUE(ShowsExactly(Expected(0, false, {{9, 36}}, false)));

    std::filesystem::remove(root.Host(kCommon + "img/spk_MN_bt.bmp"));
    Store(u"Mute", 1);
    Refresh();
    EXPECT_TRUE(ShowsExactly(Expected(3, false, {{9, 36}}, false, false)));
}

// Hosted by the launcher: the strip keeps its rectangle, never draws, and a
// refresh drives the outputs.
class HostedTest : public TaskbarTest {
protected:
    // The output calls of one refresh ("SetOutVolume 4369"), then the virtual
    // time it waited, if it did ("after 510 ms").
    std::vector<std::string> Apply(DWORD earphone, DWORD mute, DWORD level, DWORD connect) {
        EXPECT_TRUE(wq::device::WriteMemSetting(u"WQSETUP", u"earphone", earphone));
        Store(u"earphone", !earphone);  // the earphone is live state: only memory counts
        Store(u"Mute", mute);
        Store(u"Volume", level);
        Store(u"EarphoneConnect", connect);
        wq::device::StartCallLog();
        const DWORD start = GetTickCount();
        Refresh();
        std::vector<std::string> calls;
        for (const auto& c : wq::device::CallLog())
            calls.push_back(c.name + " " + std::to_string(c.args.at(0)));
        if (const DWORD waited = GetTickCount() - start)
            calls.push_back("after " + std::to_string(waited) + " ms");
        return calls;
    }
};

TEST_F(HostedTest, KeepsItsRectangleAndNeverDraws) {
    Create(u"WQMain", CRect(5, 2, 70, 20));
    CRect rc;
    strip->GetWindowRect(&rc);
    EXPECT_EQ(rc, CRect(5, 2, 70, 20));
    Apply(0, 0, 4, 1);
    strip->Invalidate();
    wq::win::PumpPending();
    EXPECT_TRUE(ShowsExactly(Expected(0, false, {}, false, false)));
}

TEST_F(HostedTest, TheFourCallSequencesAndTheEarphoneRule) {
    Create(u"WQMain", CRect(0, 0, 65, 18));
    using V = std::vector<std::string>;
    EXPECT_EQ(Apply(0, 1, 4, 1), (V{"SetSpkOnOff 1", "SetOutMute 1", "SetAuxOutMute 1"}));
    EXPECT_EQ(strip->m_nOutputState, 3);
    EXPECT_EQ(Apply(0, 0, 4, 1),
              (V{"SetSpkOnOff 1", "SetOutMute 0", "SetOutVolume 4369", "SetAuxOutMute 1"}));
    EXPECT_EQ(strip->m_nOutputState, 0);
    EXPECT_EQ(Apply(1, 1, 4, 1), (V{"SetSpkOnOff 0", "SetOutMute 1", "SetAuxOutMute 1"}));
    EXPECT_EQ(strip->m_nOutputState, 7);
    EXPECT_EQ(Apply(1, 1, 4, 0), (V{"SetOutMute 1", "SetAuxOutMute 1"}));
    EXPECT_EQ(Apply(1, 0, 11, 1),
              (V{"SetSpkOnOff 0", "SetOutMute 0", "SetEarOutVolume 514", "SetAuxOutMute 1"}));
    EXPECT_EQ(strip->m_nOutputState, 6);

    // EarphoneConnect 0 after a 1: the speaker is pulsed (500 ms, then 5 and 5).
    const V pulsed{"SetSpkOnOff 1",  "SetSpkOnOff 0",       "SetSpkOnOff 1",   "SetOutMute 0",
                   "SetOutVolume 0", "SetEarOutVolume 514", "SetAuxOutMute 1", "after 510 ms"};
    EXPECT_EQ(Apply(1, 0, 11, 0), pulsed);
    // Seen 0: no pulse again; a speaker apply makes it 1, and the next pulses.
    EXPECT_EQ(Apply(1, 0, 0, 0),
              (V{"SetOutMute 0", "SetOutVolume 7967", "SetEarOutVolume 7967", "SetAuxOutMute 1"}));
    Apply(0, 0, 9, 0);
    EXPECT_EQ(Apply(1, 0, 11, 0), pulsed);
    // Out-of-range levels use the nearest table end.
    EXPECT_EQ(Apply(0, 0, 0xFFFFFFFF, 1)[2], "SetOutVolume 7967");
    EXPECT_EQ(Apply(0, 0, 12, 1)[2], "SetOutVolume 0");
}

}  // namespace
