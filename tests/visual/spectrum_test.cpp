// CSpectrumAnalyzer: levels, peaks and the pixels of each pattern, drawn with
// real GDI into a surface, from skin pictures made by the test.
#include "visual/spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "tests/support/alloc_count.h"
#include "tests/support/temp_root.h"

namespace {

constexpr std::uint32_t kPeak = 0xFFFF00, kMagenta = 0xFF00FF, kGrey = 0xE9E9E9;
constexpr std::uint32_t kOrange = 0xFF7B47, kScribble = 0x123456;
constexpr RECT kRect = {10, 20, 190, 125};
// The background varies with position, so a misplaced copy shows.
std::uint32_t Background(int x, int y) {
    return 0x200000u | static_cast<std::uint32_t>((x * 7 + y * 13) & 0x3F);
}

// Row r of the bar picture has its own colour, so a test can tell which source
// rows landed where; every bar colour has red 0 and blue 0x80.
std::uint32_t BarRow(int r) {
    return 0x000080u | static_cast<std::uint32_t>(r * 4) << 8;
}

// A device root with the skin's EQ_bar.bmp 8 x 64 and EQ_Peak.bmp 8 x 4, each
// with an eighth column of magenta that must never be drawn.
struct PictureRoot : wq::test::TempRoot {
    PictureRoot() {
        const std::string dir = "NAND Flash/skin/WQAudio/img/";
        MakeFile(dir + "EQ_bar.bmp",
                 wq::test::Bmp(8, 64, [](int x, int y) { return x == 7 ? kMagenta : BarRow(y); }));
        MakeFile(dir + "EQ_Peak.bmp",
                 wq::test::Bmp(8, 4, [](int x, int) { return x == 7 ? kMagenta : kPeak; }));
    }
};

// A surface with a patterned background, and the analyser drawing into it after
// capturing the spectrum rectangle as its background.
struct Fixture : CSpectrumHost {
    static constexpr int kW = 200, kH = 140;
    PictureRoot root;
    BOOL playing = TRUE, ready = TRUE;
    int pattern = PATTERN_BASIC;
    wq::gdi::Surface surface;
    HDC dc = nullptr;
    CSpectrumAnalyzer spectrum{this};

    Fixture() {
        surface.Resize(kW, kH);
        for (size_t i = 0; i < surface.pixels.size(); ++i)
            surface.pixels[i] = Background(int(i % kW), int(i / kW));
        dc = wq::gdi::CreateSurfaceDC(&surface, POINT{0, 0}, RECT{0, 0, kW, kH});
        spectrum.CaptureBackground(dc, kRect);
    }
    ~Fixture() override { wq::gdi::DeleteSurfaceDC(dc); }
    BOOL SpectrumIsPlaying() const override { return playing; }
    int SpectrumPattern() const override { return pattern; }
    BOOL SpectrumVisualReady() const override { return ready; }
    BOOL SpectrumIsActive() const override { return TRUE; }
    RECT SpectrumRect() const override { return kRect; }
    HWND SpectrumWindow() const override { return nullptr; }
    HDC SpectrumGetDC() override { return nullptr; }
    void SpectrumReleaseDC(HDC) override {}

    void Frame() { spectrum.DrawSpectrum(dc, kRect); }
    // Levels of bands 0, 1, ... (the rest 0), before SetLevels multiplies them by 1.5.
    void Set(std::vector<int> levels) {
        levels.resize(12);
        spectrum.SetLevels(levels.data(), 0, 12);
    }
    // Pixel at (x, y) relative to the spectrum rectangle.
    std::uint32_t At(int x, int y) const { return surface.At(kRect.left + x, kRect.top + y); }
    void Scribble() { std::fill(surface.pixels.begin(), surface.pixels.end(), kScribble); }
    // Column x of the rectangle from row y0 to y1 (exclusive) as a string of
    // 'b' background, 'p' peak, 'B' bar, 'g' grey, 'o' orange, '?'.
    std::string Column(int x, int y0, int y1) const {
        std::string out;
        for (int y = y0; y < y1; ++y) {
            const std::uint32_t p = At(x, y), kinds[] = {Background(kRect.left + x, kRect.top + y),
                                                         kPeak, kGrey, kOrange};
            const auto k = std::find(kinds, kinds + 4, p) - kinds;
            out += k < 4 ? "bpgo"[k] : (p & 0xFF00FFu) == 0x80u ? 'B' : '?';
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

std::string Repeat(char c, int n) {
    return std::string(size_t(n), c);
}
const std::vector<int> kAll100(12, 100);

}  // namespace

TEST(SpectrumBasic, FullBarFrom26To66ThenItsMarker) {
    Fixture f;
    f.Set({102, 100});  // 153 and 150; after this frame's fall 150 and 147 (19 segments)
    f.Frame();
    EXPECT_EQ(f.Column(0, 20, 70), Repeat('b', 6) + Repeat('B', 40) + Repeat('b', 4));
    EXPECT_EQ(f.Column(7, 20, 70), Repeat('b', 50)) << "bars are 7 pixels wide";
    // Bar rows come from the same rows of the picture: row 26 + j shows row j.
    EXPECT_EQ(f.At(0, 26), BarRow(0));
    // 19 segments: y 28 to 66, picture rows 2..39.
    EXPECT_EQ(f.Column(14, 20, 70), Repeat('b', 8) + Repeat('B', 38) + Repeat('b', 4));
    EXPECT_EQ(f.At(14, 28), BarRow(2));
    // Bands at 0: the marker one segment high, y 64 and 65.
    EXPECT_EQ(f.Column(28, 20, 70), Repeat('b', 44) + "pp" + Repeat('b', 4));

    f.Frame();  // level 147 -> 19 segments; the marker at the clamped peak 150: y 26
    const std::string barUnderMarker = Repeat('b', 6) + "pp" + Repeat('B', 38) + Repeat('b', 4);
    EXPECT_EQ(f.Column(0, 20, 70), barUnderMarker);
    // Second band: level 144 (19 segments) below its peak 159, clamped to 150: marker at y 26.
    EXPECT_EQ(f.Column(14, 20, 70), barUnderMarker);
}

TEST(SpectrumSymmetric, FullBarFrom4To68WithCapsAndOddSpan28To40) {
    Fixture f;
    f.pattern = PATTERN_SYMMETRIC;
    f.Set({102, 0, 22});  // band 2: 33 - 3 = 30, n = 3
    f.Frame();
    // Upper cap y 1..4 (drawn over the bar's first row), bar 5..67, lower cap 68..71.
    EXPECT_EQ(f.Column(0, 0, 75), std::string("b") + Repeat('p', 4) + Repeat('B', 63) +
                                      Repeat('p', 4) + Repeat('b', 3));
    EXPECT_EQ(f.At(0, 5), BarRow(1)) << "all 64 picture rows, the first under the cap";
    EXPECT_EQ(f.Column(14, 0, 75), Repeat('b', 75)) << "a silent band draws nothing";
    // Odd span: bar 28..40 (cap over row 28), caps 25..28 and 40..43, one segment further up.
    EXPECT_EQ(f.Column(28, 20, 50),
              Repeat('b', 5) + Repeat('p', 4) + Repeat('B', 11) + Repeat('p', 4) + Repeat('b', 6));
    EXPECT_EQ(f.At(28, 29), BarRow(53)) << "the last 12 picture rows: 52..63";
}

TEST(SpectrumWave, LiesFlatWithItsOrangeDotsWithoutVisuals) {
    Fixture f;
    f.pattern = PATTERN_WAVE;
    f.ready = FALSE;
    f.Set(kAll100);
    f.Frame();
    // A flat band with its orange dots, 5 one-pixel strips a band, 3 apart.
    const std::string strip = Repeat('b', 7) + "oob" + Repeat('g', 35) + Repeat('b', 5);
    for (int x = 0; x < 180; ++x)
        EXPECT_EQ(f.Column(x, 55, 105), x % 15 % 3 == 0 ? strip : Repeat('b', 50)) << x;
}

TEST(SpectrumFrame, BackgroundOnlyForUnknownPatternAndWhilePaused) {
    Fixture f;
    f.Set(kAll100);
    f.pattern = 3;
    f.Scribble();
    f.Frame();
    EXPECT_TRUE(f.BareRect());

    // Paused: the bare background, levels kept.
    f.pattern = PATTERN_BASIC;
    f.playing = FALSE;
    f.Scribble();
    f.Frame();
    EXPECT_TRUE(f.BareRect());
    EXPECT_EQ(f.surface.At(5, 5), kScribble) << "nothing outside the rectangle";
    EXPECT_EQ(f.spectrum.GetLevel(0), 150);
}

TEST(SpectrumFrame, FramesAllocateNothingAndTheAnalyserReleasesAll) {
    Fixture f;
    const int dcs = wq::gdi::LiveDCCount(), objects = wq::gdi::LiveObjectCount();
    {
        // The frame buffer and the pictures are made by the first frame and kept:
        // later frames make no drawing object, and the analyser releases all.
        CSpectrumAnalyzer other(&f);
        other.CaptureBackground(f.dc, kRect);
        other.DrawSpectrum(f.dc, kRect);
        const int keptDcs = wq::gdi::LiveDCCount(), keptObjects = wq::gdi::LiveObjectCount();
        for (int pattern : {PATTERN_BASIC, PATTERN_SYMMETRIC, PATTERN_WAVE, 3}) {
            SCOPED_TRACE(pattern);
            f.pattern = pattern;
            alloc_count::Start();
            other.SetLevels(kAll100.data(), 0, 12);
            other.DrawSpectrum(f.dc, kRect);
            other.AdvanceSpectrum();
            EXPECT_EQ(alloc_count::Stop(), 0);
            EXPECT_EQ(wq::gdi::LiveDCCount(), keptDcs);
            EXPECT_EQ(wq::gdi::LiveObjectCount(), keptObjects);
        }
    }
    EXPECT_EQ(wq::gdi::LiveDCCount(), dcs);
    EXPECT_EQ(wq::gdi::LiveObjectCount(), objects);
}
