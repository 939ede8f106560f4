// CSpectrumAnalyzer: levels, peaks and the pixels of each pattern, drawn with
// real GDI into a surface and real skin pictures read from a temporary device
// root.
#include "visual/spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "tests/visual/pictures.h"

namespace {

using visualtest::BarRow;
using visualtest::DeviceRoot;
using visualtest::kPeak;

constexpr std::uint32_t kGrey = 0xE9E9E9;
constexpr std::uint32_t kOrange = 0xFF7B47;
// The background varies with position, so a misplaced copy shows.
std::uint32_t Background(int x, int y) {
    return 0x200000u | static_cast<std::uint32_t>((x * 7 + y * 13) & 0x3F);
}

class Host : public CSpectrumHost {
public:
    BOOL playing = TRUE;
    int pattern = PATTERN_BASIC;
    BOOL ready = TRUE;
    BOOL SpectrumIsPlaying() const override { return playing; }
    int SpectrumPattern() const override { return pattern; }
    BOOL SpectrumVisualReady() const override { return ready; }
    BOOL SpectrumIsActive() const override { return TRUE; }
    RECT SpectrumRect() const override { return kRect; }
    HWND SpectrumWindow() const override { return nullptr; }
    HDC SpectrumGetDC() override { return nullptr; }
    void SpectrumReleaseDC(HDC) override {}
    static constexpr RECT kRect = {10, 20, 190, 125};
};

// The "window": a surface with a patterned background, the spectrum rectangle
// captured from it as the analyser's background.
struct Screen {
    static constexpr int kW = 200;
    static constexpr int kH = 140;
    wq::gdi::Surface surface;
    HDC dc = nullptr;
    Screen() {
        surface.Resize(kW, kH);
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x)
                surface.pixels[static_cast<size_t>(y * kW + x)] = Background(x, y);
        }
        dc = wq::gdi::CreateSurfaceDC(&surface, POINT{0, 0}, RECT{0, 0, kW, kH});
    }
    ~Screen() { wq::gdi::DeleteSurfaceDC(dc); }
    // Pixel at (x, y) relative to the spectrum rectangle.
    std::uint32_t At(int x, int y) const {
        return surface.At(Host::kRect.left + x, Host::kRect.top + y);
    }
    std::uint32_t Back(int x, int y) const {
        return Background(Host::kRect.left + x, Host::kRect.top + y);
    }
    void Scribble() {  // something a frame must cover
        for (auto& p : surface.pixels) p = 0x123456;
    }
};

struct Fixture {
    DeviceRoot root;
    Host host;
    Screen screen;
    CSpectrumAnalyzer spectrum{&host};
    Fixture() { spectrum.CaptureBackground(screen.dc, Host::kRect); }
    void Frame() { spectrum.DrawSpectrum(screen.dc, Host::kRect); }
    void SetAll(int value) {
        int v[12];
        std::fill(std::begin(v), std::end(v), value);
        spectrum.SetLevels(v, 0, 12);
    }
    void SetOne(int band, int value) {
        int v[12] = {};
        v[band] = value;
        spectrum.SetLevels(v, band, 1);
    }
};

// Describes column x of the rectangle from row y0 to y1 (exclusive) as a
// string of 'b' background, 'p' peak, 'B' bar, 'g' grey, 'o' orange, '?'.
std::string Column(const Screen& s, int x, int y0, int y1) {
    std::string out;
    for (int y = y0; y < y1; ++y) {
        const std::uint32_t p = s.At(x, y);
        char c = '?';
        if (p == s.Back(x, y))
            c = 'b';
        else if (p == kPeak)
            c = 'p';
        else if (p == kGrey)
            c = 'g';
        else if (p == kOrange)
            c = 'o';
        else if (visualtest::IsBarColour(p))
            c = 'B';
        out += c;
    }
    return out;
}

std::string Repeat(char c, int n) {
    return std::string(static_cast<size_t>(n), c);
}

}  // namespace

TEST(SpectrumLevels, SetLevelsScalesByOneAndAHalfAndGuardsItsArguments) {
    DeviceRoot root;
    Host host;
    CSpectrumAnalyzer spectrum(&host);
    const int in[12] = {100, 3, -3, 1, 0, 0, 0, 0, 0, 0, 0, 2000000000};
    EXPECT_EQ(spectrum.SetLevels(in, 0, 12), 1);
    EXPECT_EQ(spectrum.GetLevel(0), 150);
    EXPECT_EQ(spectrum.GetLevel(1), 4);   // 4.5 truncated
    EXPECT_EQ(spectrum.GetLevel(2), -4);  // toward zero
    EXPECT_EQ(spectrum.GetLevel(3), 1);
    EXPECT_EQ(spectrum.GetLevel(11), 2147483647) << "kept in range instead of overflowing";

    EXPECT_EQ(spectrum.SetLevels(nullptr, 0, 12), 0);
    EXPECT_EQ(spectrum.SetLevels(in, -1, 12), 0);
    EXPECT_EQ(spectrum.GetLevel(0), 150);
    // The array is indexed by band number; bands 12 and above are ignored.
    const int wide[20] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 20, 30, 40};
    EXPECT_EQ(spectrum.SetLevels(wide, 10, 10), 1);
    EXPECT_EQ(spectrum.GetLevel(10), 15);
    EXPECT_EQ(spectrum.GetLevel(11), 30);
    EXPECT_EQ(spectrum.GetLevel(9), 0);

    spectrum.DecayLevels();
    EXPECT_EQ(spectrum.GetLevel(0), 147);
    EXPECT_EQ(spectrum.GetLevel(3), 0) << "never below 0";
    EXPECT_EQ(spectrum.GetLevel(2), -4) << "only levels above 0 fall";
    spectrum.ResetLevels();
    for (int b = 0; b < 12; ++b) EXPECT_EQ(spectrum.GetLevel(b), 0);
}

TEST(SpectrumBasic, FullBarFrom26To66ThenItsMarker) {
    Fixture f;
    f.SetOne(0, 102);  // 153, after the fall of this frame 150
    f.SetOne(1, 100);  // 150 -> 147: 19 segments
    f.Frame();
    EXPECT_EQ(Column(f.screen, 0, 20, 70), Repeat('b', 6) + Repeat('B', 40) + Repeat('b', 4));
    EXPECT_EQ(Column(f.screen, 6, 20, 70), Repeat('b', 6) + Repeat('B', 40) + Repeat('b', 4));
    EXPECT_EQ(Column(f.screen, 7, 20, 70), Repeat('b', 50)) << "bars are 7 pixels wide";
    // Bar rows come from the same rows of the picture: row 26 + j shows row j.
    EXPECT_EQ(f.screen.At(0, 26), BarRow(0));
    EXPECT_EQ(f.screen.At(0, 65), BarRow(39));
    // 19 segments: y 28 to 66, picture rows 2..39.
    EXPECT_EQ(Column(f.screen, 14, 20, 70), Repeat('b', 8) + Repeat('B', 38) + Repeat('b', 4));
    EXPECT_EQ(f.screen.At(14, 28), BarRow(2));
    // Bands at 0: the marker one segment high, y 64 and 65.
    EXPECT_EQ(Column(f.screen, 28, 20, 70), Repeat('b', 44) + "pp" + Repeat('b', 4));
    EXPECT_EQ(f.spectrum.GetPeak(0), 162) << "a new maximum lifts the peak 12 above it";

    f.Frame();  // level 147 -> 19 segments; the marker at the clamped peak 150: y 26
    EXPECT_EQ(Column(f.screen, 0, 20, 70),
              Repeat('b', 6) + "pp" + Repeat('B', 38) + Repeat('b', 4));
    EXPECT_EQ(f.spectrum.GetPeak(0), 143) << "150 less 7";
    // Second band: level 144 (19 segments) below its peak 159, clamped to 150: marker at y 26.
    EXPECT_EQ(Column(f.screen, 14, 20, 70),
              Repeat('b', 6) + "pp" + Repeat('B', 38) + Repeat('b', 4));
    EXPECT_EQ(f.spectrum.GetPeak(1), 143);
}

TEST(SpectrumBasic, WithoutVisualsOnlyMarkersOneSegmentHigh) {
    Fixture f;
    f.host.ready = FALSE;
    f.SetAll(100);
    f.Frame();
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(Column(f.screen, 14 * i, 0, 105), Repeat('b', 64) + "pp" + Repeat('b', 39))
            << "band " << i;
    }
    EXPECT_EQ(f.spectrum.GetPeak(3), 159) << "peaks still follow the levels";
}

TEST(SpectrumSymmetric, FullBarFrom4To68WithCaps) {
    Fixture f;
    f.host.pattern = PATTERN_SYMMETRIC;
    f.SetOne(0, 102);
    f.Frame();
    // Upper cap y 1..4 (drawn over the bar's first row), bar 5..67, lower cap 68..71.
    EXPECT_EQ(Column(f.screen, 0, 0, 75),
              "b" + Repeat('p', 4) + Repeat('B', 63) + Repeat('p', 4) + Repeat('b', 3));
    EXPECT_EQ(f.screen.At(0, 5), BarRow(1)) << "all 64 picture rows, the first under the cap";
    EXPECT_EQ(f.screen.At(0, 67), BarRow(63));
    EXPECT_EQ(f.spectrum.GetPeak(0), 150) << "the peak follows the level without a lift";
    EXPECT_EQ(Column(f.screen, 14, 0, 75), Repeat('b', 75)) << "a silent band draws nothing";
}

TEST(SpectrumSymmetric, OddSpanReachesOneSegmentFurtherUp) {
    Fixture f;
    f.host.pattern = PATTERN_SYMMETRIC;
    f.SetOne(2, 22);  // 33 - 3 = 30: n = 3
    f.Frame();
    // Bar 28..40 (cap over row 28), caps 25..28 and 40..43.
    EXPECT_EQ(Column(f.screen, 28, 20, 50),
              Repeat('b', 5) + Repeat('p', 4) + Repeat('B', 11) + Repeat('p', 4) + Repeat('b', 6));
    EXPECT_EQ(f.screen.At(28, 29), BarRow(53)) << "the last 12 picture rows: 52..63";
    EXPECT_EQ(f.screen.At(28, 39), BarRow(63));
    f.host.ready = FALSE;
    f.SetOne(2, 100);
    f.Frame();
    EXPECT_EQ(Column(f.screen, 28, 0, 105), Repeat('b', 105)) << "nothing without visuals";
}

TEST(SpectrumWave, FlatBandWithOrangeDotsWhenVisualsAreNotReady) {
    Fixture f;
    f.host.pattern = PATTERN_WAVE;
    f.host.ready = FALSE;
    f.SetAll(100);
    f.Frame();
    for (int i = 0; i < 12; ++i) {
        for (int k = 0; k < 5; ++k) {
            const int x = 15 * i + 3 * k;
            EXPECT_EQ(Column(f.screen, x, 55, 105),
                      Repeat('b', 7) + "oo" + "b" + Repeat('g', 35) + Repeat('b', 5))
                << "band " << i << " strip " << k;
            EXPECT_EQ(Column(f.screen, x + 1, 55, 105), Repeat('b', 50))
                << "columns are one pixel wide";
        }
    }
    EXPECT_EQ(f.spectrum.GetWaveHeight(0), 0);
}

TEST(SpectrumWave, HeightsLeanTowardTheRightNeighbourAndShimmerUpward) {
    Fixture f;
    f.host.pattern = PATTERN_WAVE;
    int v[12];
    for (int b = 0; b < 12; ++b) v[b] = 52;  // 78 - 3 = 75: height 10
    v[5] = 102;                              // 150: height 20
    f.spectrum.SetLevels(v, 0, 12);
    f.Frame();
    EXPECT_EQ(f.spectrum.GetWaveHeight(0), 10);
    EXPECT_EQ(f.spectrum.GetWaveHeight(5), 20);
    // Every strip's grey starts at the curve less a jitter of 0..9 and runs to y 100.
    auto top = [&](int x) {
        for (int y = 0; y < 100; ++y) {
            if (f.screen.At(x, y) == kGrey) return y;
        }
        return -1;
    };
    auto expectNear = [&](int band, int k, float curve) {
        const int x = 15 * band + 3 * k;
        const int t = top(x);
        EXPECT_LE(t, static_cast<int>(curve)) << "band " << band << " strip " << k;
        EXPECT_GE(t, static_cast<int>(curve - 9.0f)) << "band " << band << " strip " << k;
        EXPECT_EQ(f.screen.At(x, 99), kGrey);
        EXPECT_EQ(f.screen.At(x, t - 2), kOrange);
        EXPECT_EQ(f.screen.At(x, t - 3), kOrange);
    };
    for (int k = 0; k < 5; ++k) {
        expectNear(0, k, 55.0f);                  // equal neighbours: flat at 65 - 10
        expectNear(4, k, 55.0f - 2.0f * k * 2);   // toward 20: slope 2, upward
        expectNear(5, k, 45.0f + 2.0f * k * 2);   // from 20 toward 10, downward
        expectNear(11, k, 55.0f + 2.0f * k * 2);  // the last band leans toward 0
    }
}

TEST(SpectrumFrame, BackgroundOnlyForUnknownPatternWhilePausedAndWithoutCapture) {
    Fixture f;
    f.SetAll(100);
    f.host.pattern = 3;
    f.screen.Scribble();
    f.Frame();
    for (int y = 0; y < 105; ++y) {
        for (int x = 0; x < 180; ++x)
            ASSERT_EQ(f.screen.At(x, y), f.screen.Back(x, y)) << x << "," << y;
    }
    EXPECT_EQ(f.spectrum.GetLevel(0), 150) << "no pattern drawn, so no fall either";

    // Paused: the bare background, levels kept.
    f.host.pattern = PATTERN_BASIC;
    f.host.playing = FALSE;
    f.screen.Scribble();
    f.Frame();
    for (int y = 0; y < 105; ++y) {
        for (int x = 0; x < 180; ++x)
            ASSERT_EQ(f.screen.At(x, y), f.screen.Back(x, y)) << x << "," << y;
    }
    EXPECT_EQ(f.screen.surface.At(5, 5), 0x123456u) << "nothing outside the rectangle";
    EXPECT_EQ(f.spectrum.GetLevel(0), 150);

    // Playing again: the kept levels show (150 - 3 = 19 segments).
    f.host.playing = TRUE;
    f.Frame();
    EXPECT_EQ(Column(f.screen, 0, 20, 70), Repeat('b', 8) + Repeat('B', 38) + Repeat('b', 4));

    // RestoreBackground wipes the bars.
    f.spectrum.ResetLevels();
    f.spectrum.RestoreBackground(f.screen.dc, Host::kRect);
    EXPECT_EQ(Column(f.screen, 0, 0, 105), Repeat('b', 105));

    // Never captured: nothing at all is drawn.
    Host host;
    CSpectrumAnalyzer bare(&host);
    bare.SetLevels(std::vector<int>(12, 100).data(), 0, 12);
    f.screen.Scribble();
    bare.DrawSpectrum(f.screen.dc, Host::kRect);
    bare.RestoreBackground(f.screen.dc, Host::kRect);
    EXPECT_EQ(f.screen.At(0, 50), 0x123456u);
    EXPECT_EQ(bare.GetLevel(0), 150);
}

TEST(SpectrumFrame, MissingBarPictureStillShowsMarkersAndWave) {
    DeviceRoot root(/*withBar=*/false);
    Host host;
    Screen screen;
    CSpectrumAnalyzer spectrum(&host);
    spectrum.CaptureBackground(screen.dc, Host::kRect);
    int v[12];
    std::fill(std::begin(v), std::end(v), 100);
    spectrum.SetLevels(v, 0, 12);
    spectrum.DrawSpectrum(screen.dc, Host::kRect);
    EXPECT_EQ(Column(screen, 0, 20, 70), Repeat('b', 44) + "pp" + Repeat('b', 4));
    host.pattern = PATTERN_WAVE;
    host.ready = FALSE;
    spectrum.DrawSpectrum(screen.dc, Host::kRect);
    EXPECT_EQ(Column(screen, 0, 60, 70), "bb" + std::string("oo") + "b" + Repeat('g', 5));
}

TEST(SpectrumFrame, FramesLeaveNoDrawingObjectsBehind) {
    Fixture f;
    f.SetAll(100);
    const int dcs = wq::gdi::LiveDCCount();
    const int objects = wq::gdi::LiveObjectCount();
    for (int pattern : {PATTERN_BASIC, PATTERN_SYMMETRIC, PATTERN_WAVE, 3}) {
        f.host.pattern = pattern;
        f.Frame();
        EXPECT_EQ(wq::gdi::LiveDCCount(), dcs) << "pattern " << pattern;
        EXPECT_EQ(wq::gdi::LiveObjectCount(), objects) << "pattern " << pattern;
    }
}

TEST(SpectrumFrame, UndersizedPicturesAndEmptyAreasAreHarmless) {
    DeviceRoot root;
    const auto img = root.Dir() / "NAND Flash" / "skin" / "WQAudio" / "img";
    // Pictures far smaller than the 7 x 64 and 7 x 4 the patterns cut from.
    visualtest::WriteBmp(img / "EQ_bar.bmp", 2, 3, [](int, int y) { return BarRow(y); });
    visualtest::WriteBmp(img / "EQ_Peak.bmp", 1, 1, [](int, int) { return kPeak; });
    Host host;
    Screen screen;
    CSpectrumAnalyzer spectrum(&host);
    spectrum.CaptureBackground(screen.dc, Host::kRect);
    int v[12];
    std::fill(std::begin(v), std::end(v), 100);
    for (int pattern : {PATTERN_BASIC, PATTERN_SYMMETRIC, PATTERN_WAVE}) {
        host.pattern = pattern;
        spectrum.SetLevels(v, 0, 12);
        spectrum.DrawSpectrum(screen.dc, Host::kRect);
    }
    // Nothing lands outside the spectrum rectangle, whatever the pictures hold.
    for (int y = 0; y < Screen::kH; ++y) {
        for (int x = 0; x < Screen::kW; ++x) {
            const bool inside = x >= Host::kRect.left && x < Host::kRect.right &&
                                y >= Host::kRect.top && y < Host::kRect.bottom;
            if (!inside) {
                ASSERT_EQ(screen.surface.At(x, y), Background(x, y)) << x << "," << y;
            }
        }
    }
    // An empty spectrum area: no background, no frame.
    const RECT empty = {50, 50, 50, 80};
    spectrum.CaptureBackground(screen.dc, empty);
    EXPECT_FALSE(spectrum.HasBackground());
    screen.Scribble();
    spectrum.DrawSpectrum(screen.dc, Host::kRect);
    EXPECT_EQ(screen.At(0, 0), 0x123456u);
}
