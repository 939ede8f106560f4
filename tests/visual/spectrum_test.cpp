// CSpectrumAnalyzer: levels, peaks and the pixels of each pattern, drawn with
// real GDI into a surface, from skin pictures made by the test.
#include "visual/spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "tests/visual/pictures.h"

namespace {

using visualtest::BarRow;
using visualtest::kPeak;

constexpr std::uint32_t kGrey = 0xE9E9E9, kOrange = 0xFF7B47, kScribble = 0x123456;
constexpr RECT kRect = {10, 20, 190, 125};
// The background varies with position, so a misplaced copy shows.
std::uint32_t Background(int x, int y) {
    return 0x200000u | static_cast<std::uint32_t>((x * 7 + y * 13) & 0x3F);
}

class Host : public CSpectrumHost {
public:
    BOOL playing = TRUE, ready = TRUE;
    int pattern = PATTERN_BASIC;
    BOOL SpectrumIsPlaying() const override { return playing; }
    int SpectrumPattern() const override { return pattern; }
    BOOL SpectrumVisualReady() const override { return ready; }
    BOOL SpectrumIsActive() const override { return TRUE; }
    RECT SpectrumRect() const override { return kRect; }
    HWND SpectrumWindow() const override { return nullptr; }
    HDC SpectrumGetDC() override { return nullptr; }
    void SpectrumReleaseDC(HDC) override {}
};

// The "window": a surface with a patterned background.
struct Screen {
    static constexpr int kW = 200, kH = 140;
    wq::gdi::Surface surface;
    HDC dc = nullptr;
    Screen() {
        surface.Resize(kW, kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) surface.pixels[size_t(y * kW + x)] = Background(x, y);
        dc = wq::gdi::CreateSurfaceDC(&surface, POINT{0, 0}, RECT{0, 0, kW, kH});
    }
    ~Screen() { wq::gdi::DeleteSurfaceDC(dc); }
    // Pixel at (x, y) relative to the spectrum rectangle.
    std::uint32_t At(int x, int y) const { return surface.At(kRect.left + x, kRect.top + y); }
    void Scribble() { std::fill(surface.pixels.begin(), surface.pixels.end(), kScribble); }
    // Column x of the rectangle from row y0 to y1 (exclusive) as a string of
    // 'b' background, 'p' peak, 'B' bar, 'g' grey, 'o' orange, '?'.
    std::string Column(int x, int y0, int y1) const {
        std::string out;
        for (int y = y0; y < y1; ++y) {
            const std::uint32_t p = At(x, y);
            out += p == Background(kRect.left + x, kRect.top + y) ? 'b'
                   : p == kPeak                                   ? 'p'
                   : p == kGrey                                   ? 'g'
                   : p == kOrange                                 ? 'o'
                   : visualtest::IsBarColour(p)                   ? 'B'
                                                                  : '?';
        }
        return out;
    }
    // Every pixel of the rectangle is the background.
    ::testing::AssertionResult BareRect() const {
        for (int x = 0; x < 180; ++x)
            if (Column(x, 0, 105) != std::string(105, 'b'))
                return ::testing::AssertionFailure() << "drawn in column " << x;
        return ::testing::AssertionSuccess();
    }
};

// The spectrum rectangle captured from the screen as the analyser's background.
struct Fixture {
    visualtest::SkinRoot root;
    Host host;
    Screen screen;
    CSpectrumAnalyzer spectrum{&host};
    explicit Fixture(int barW = 8, int barH = 64, int peakW = 8, int peakH = 4)
        : root(barW, barH, peakW, peakH) {
        spectrum.CaptureBackground(screen.dc, kRect);
    }
    void Frame() { spectrum.DrawSpectrum(screen.dc, kRect); }
    void SetAll(int value) { spectrum.SetLevels(std::vector<int>(12, value).data(), 0, 12); }
    void SetOne(int band, int value) {
        std::vector<int> v(12, 0);
        v[size_t(band)] = value;
        spectrum.SetLevels(v.data(), band, 1);
    }
};

std::string Repeat(char c, int n) {
    return std::string(size_t(n), c);
}

}  // namespace

TEST(SpectrumLevels, SetLevelsScalesDecaysAndGuardsItsArguments) {
    CSpectrumAnalyzer spectrum(nullptr);
    auto levels = [&](std::vector<int> bands) {
        for (int& b : bands) b = spectrum.GetLevel(b);
        return bands;
    };
    const int in[12] = {100, 3, -3, 1, 0, 0, 0, 0, 0, 0, 0, 2000000000};
    EXPECT_EQ(spectrum.SetLevels(in, 0, 12), 1);
    // x 1.5: 4.5 truncated, -4.5 toward zero, kept in range instead of overflowing.
    EXPECT_EQ(levels({0, 1, 2, 11}), (std::vector<int>{150, 4, -4, 2147483647}));
    EXPECT_EQ(spectrum.SetLevels(nullptr, 0, 12), 0);
    EXPECT_EQ(spectrum.SetLevels(in, -1, 12), 0);
    // The array is indexed by band number; bands 12 and above are ignored.
    const int wide[20] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 20, 30, 40};
    EXPECT_EQ(spectrum.SetLevels(wide, 10, 10), 1);
    EXPECT_EQ(levels({9, 11}), (std::vector<int>{0, 30}));
    // Only levels above 0 fall, never below 0.
    spectrum.DecayLevels();
    EXPECT_EQ(levels({0, 2, 3}), (std::vector<int>{147, -4, 0}));
    spectrum.ResetLevels();
    EXPECT_EQ(levels({0, 11}), (std::vector<int>{0, 0}));
}

TEST(SpectrumBasic, FullBarFrom26To66ThenItsMarker) {
    Fixture f;
    f.SetOne(0, 102);  // 153, after the fall of this frame 150
    f.SetOne(1, 100);  // 150 -> 147: 19 segments
    f.Frame();
    EXPECT_EQ(f.screen.Column(0, 20, 70), Repeat('b', 6) + Repeat('B', 40) + Repeat('b', 4));
    EXPECT_EQ(f.screen.Column(7, 20, 70), Repeat('b', 50)) << "bars are 7 pixels wide";
    // Bar rows come from the same rows of the picture: row 26 + j shows row j.
    EXPECT_EQ(f.screen.At(0, 26), BarRow(0));
    EXPECT_EQ(f.screen.At(0, 65), BarRow(39));
    // 19 segments: y 28 to 66, picture rows 2..39.
    EXPECT_EQ(f.screen.Column(14, 20, 70), Repeat('b', 8) + Repeat('B', 38) + Repeat('b', 4));
    EXPECT_EQ(f.screen.At(14, 28), BarRow(2));
    // Bands at 0: the marker one segment high, y 64 and 65.
    EXPECT_EQ(f.screen.Column(28, 20, 70), Repeat('b', 44) + "pp" + Repeat('b', 4));
    EXPECT_EQ(f.spectrum.GetPeak(0), 162) << "a new maximum lifts the peak 12 above it";

    f.Frame();  // level 147 -> 19 segments; the marker at the clamped peak 150: y 26
    const std::string barUnderMarker = Repeat('b', 6) + "pp" + Repeat('B', 38) + Repeat('b', 4);
    EXPECT_EQ(f.screen.Column(0, 20, 70), barUnderMarker);
    EXPECT_EQ(f.spectrum.GetPeak(0), 143) << "150 less 7";
    // Second band: level 144 (19 segments) below its peak 159, clamped to 150: marker at y 26.
    EXPECT_EQ(f.screen.Column(14, 20, 70), barUnderMarker);
    EXPECT_EQ(f.spectrum.GetPeak(1), 143);

    // Without visuals only the markers show, one segment high.
    f.host.ready = FALSE;
    f.SetAll(100);
    f.Frame();
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(f.screen.Column(14 * i, 0, 105), Repeat('b', 64) + "pp" + Repeat('b', 39)) << i;
}

TEST(SpectrumSymmetric, FullBarFrom4To68WithCapsAndOddSpan28To40) {
    Fixture f;
    f.host.pattern = PATTERN_SYMMETRIC;
    f.SetOne(0, 102);
    f.SetOne(2, 22);  // 33 - 3 = 30: n = 3
    f.Frame();
    // Upper cap y 1..4 (drawn over the bar's first row), bar 5..67, lower cap 68..71.
    EXPECT_EQ(f.screen.Column(0, 0, 75),
              "b" + Repeat('p', 4) + Repeat('B', 63) + Repeat('p', 4) + Repeat('b', 3));
    EXPECT_EQ(f.screen.At(0, 5), BarRow(1)) << "all 64 picture rows, the first under the cap";
    EXPECT_EQ(f.screen.At(0, 67), BarRow(63));
    EXPECT_EQ(f.spectrum.GetPeak(0), 150) << "the peak follows the level without a lift";
    EXPECT_EQ(f.screen.Column(14, 0, 75), Repeat('b', 75)) << "a silent band draws nothing";
    // Odd span: bar 28..40 (cap over row 28), caps 25..28 and 40..43, one segment further up.
    EXPECT_EQ(f.screen.Column(28, 20, 50),
              Repeat('b', 5) + Repeat('p', 4) + Repeat('B', 11) + Repeat('p', 4) + Repeat('b', 6));
    EXPECT_EQ(f.screen.At(28, 29), BarRow(53)) << "the last 12 picture rows: 52..63";
    EXPECT_EQ(f.screen.At(28, 39), BarRow(63));
    f.host.ready = FALSE;
    f.SetAll(100);
    f.Frame();
    EXPECT_TRUE(f.screen.BareRect()) << "nothing without visuals";
}

TEST(SpectrumWave, FlatBandWithOrangeDotsWhenVisualsAreNotReady) {
    Fixture f;
    f.host.pattern = PATTERN_WAVE;
    f.host.ready = FALSE;
    f.SetAll(100);
    f.Frame();
    const std::string strip = Repeat('b', 7) + "oob" + Repeat('g', 35) + Repeat('b', 5);
    for (int x = 0; x < 180; ++x)  // 5 one-pixel strips per band, 3 apart
        EXPECT_EQ(f.screen.Column(x, 55, 105), x % 15 % 3 == 0 ? strip : Repeat('b', 50)) << x;
    EXPECT_EQ(f.spectrum.GetWaveHeight(0), 0);
}

TEST(SpectrumWave, HeightsLeanTowardTheRightNeighbourAndShimmerUpward) {
    Fixture f;
    f.host.pattern = PATTERN_WAVE;
    std::vector<int> v(12, 52);  // 78 - 3 = 75: height 10
    v[5] = 102;                  // 150: height 20
    f.spectrum.SetLevels(v.data(), 0, 12);
    f.Frame();
    EXPECT_EQ(f.spectrum.GetWaveHeight(0), 10);
    EXPECT_EQ(f.spectrum.GetWaveHeight(5), 20);
    // Every strip's grey starts at the curve less a jitter of 0..9 and runs to y 100.
    auto expectNear = [&](int band, int k, float curve) {
        const int x = 15 * band + 3 * k;
        const int t = static_cast<int>(f.screen.Column(x, 0, 100).find('g'));
        EXPECT_TRUE(t <= int(curve) && t >= int(curve - 9.0f)) << "band " << band << " strip " << k;
        EXPECT_EQ(f.screen.Column(x, t - 3, t) + f.screen.Column(x, 99, 100), "oobg");
    };
    for (int k = 0; k < 5; ++k) {
        expectNear(0, k, 55.0f);                  // equal neighbours: flat at 65 - 10
        expectNear(4, k, 55.0f - 2.0f * k * 2);   // toward 20: slope 2, upward
        expectNear(5, k, 45.0f + 2.0f * k * 2);   // from 20 toward 10, downward
        expectNear(11, k, 55.0f + 2.0f * k * 2);  // the last band leans toward 0
    }
}

TEST(SpectrumFrame, BackgroundOnlyForUnknownPatternAndWhilePaused) {
    Fixture f;
    f.SetAll(100);
    f.host.pattern = 3;
    f.screen.Scribble();
    f.Frame();
    EXPECT_TRUE(f.screen.BareRect());
    EXPECT_EQ(f.spectrum.GetLevel(0), 150) << "no pattern drawn, so no fall either";

    // Paused: the bare background, levels kept.
    f.host.pattern = PATTERN_BASIC;
    f.host.playing = FALSE;
    f.screen.Scribble();
    f.Frame();
    EXPECT_TRUE(f.screen.BareRect());
    EXPECT_EQ(f.screen.surface.At(5, 5), kScribble) << "nothing outside the rectangle";
    EXPECT_EQ(f.spectrum.GetLevel(0), 150);
    // Playing again: the kept levels show (150 - 3 = 19 segments).
    f.host.playing = TRUE;
    f.Frame();
    EXPECT_EQ(f.screen.Column(0, 20, 70), Repeat('b', 8) + Repeat('B', 38) + Repeat('b', 4));
    // RestoreBackground wipes the bars.
    f.spectrum.RestoreBackground(f.screen.dc, kRect);
    EXPECT_TRUE(f.screen.BareRect());
}

TEST(SpectrumFrame, UndersizedPicturesLeakNothingAndDrawOnlyInside) {
    Fixture f(2, 3, 1, 1);  // far smaller than the 7 x 64 and 7 x 4 the patterns cut from
    const int dcs = wq::gdi::LiveDCCount(), objects = wq::gdi::LiveObjectCount();
    for (int pattern : {PATTERN_BASIC, PATTERN_SYMMETRIC, PATTERN_WAVE, 3}) {
        f.host.pattern = pattern;
        f.SetAll(100);
        f.Frame();
        EXPECT_EQ(wq::gdi::LiveDCCount(), dcs) << "pattern " << pattern;
        EXPECT_EQ(wq::gdi::LiveObjectCount(), objects) << "pattern " << pattern;
    }
    for (int y = 0; y < Screen::kH; ++y)
        for (int x = 0; x < Screen::kW; ++x) {
            const bool in =
                x >= kRect.left && x < kRect.right && y >= kRect.top && y < kRect.bottom;
            ASSERT_TRUE(in || f.screen.surface.At(x, y) == Background(x, y)) << x << "," << y;
        }
    // An empty spectrum area: no background, and then no frame at all.
    f.spectrum.CaptureBackground(f.screen.dc, RECT{50, 50, 50, 80});
    EXPECT_FALSE(f.spectrum.HasBackground());
    f.screen.Scribble();
    f.Frame();
    f.spectrum.RestoreBackground(f.screen.dc, kRect);
    EXPECT_EQ(f.screen.At(0, 0), kScribble);
}
