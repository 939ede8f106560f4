// The spectrum transform: the FFT against a plain DFT, the band read-out and
// the thinning of sound blocks.
#include "visual/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "visual/bands.h"

namespace {

const double kPi = std::acos(-1.0);
const int kBandPoints[SPECTRUM_BANDS] = {0, 1, 2, 5, 8, 11, 17, 23, 29, 31, 37, 43};  // 44100 Hz

}  // namespace

TEST(Fft, TablesTapeAndTransformAgainstAPlainDft) {
    EXPECT_EQ(CFft(-5, 0).Points(), 1);  // never a negative table size
    // The process-wide instance starts with a silent tape.
    for (int i = 0; i < 128; ++i) EXPECT_EQ(g_fft.Tape(i), 0.0);
    // The tape slides oldest first; more samples than points, or fewer than 0, change nothing.
    CFft small(8, 8000);
    const short a[3] = {1, 2, 3}, b[2] = {-4, 5}, many[9] = {9, 9, 9, 9, 9, 9, 9, 9, 9};
    small.CopyIn(a, 3);
    small.CopyIn(b, 2);
    small.CopyIn(many, 9);
    small.CopyIn(many, -1);
    const double tape[8] = {0, 0, 0, 1, 2, 3, -4, 5};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(small.Tape(i), tape[i]) << i;
    // Every output point against X[p] = sum x[n] e^{-2 pi i p n / N}.
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> value(-32768, 32767);
    for (int points : {8, 128}) {
        CFft fft(points, 44100);
        std::vector<short> block(static_cast<size_t>(points));
        for (short& s : block) s = static_cast<short>(value(rng));
        fft.CopyIn(block.data(), points);
        fft.Transform();
        for (int p = 0; p < points; ++p) {
            std::complex<double> want;
            for (int k = 0; k < points; ++k)
                want += double(block[size_t(k)]) * std::polar(1.0, -2.0 * kPi * p * k / points);
            const double tolerance = 1e-6 * 32768 * points;
            const std::complex<double> got(fft.Output(p).Re(), fft.Output(p).Im());
            EXPECT_LT(std::abs(got - want), tolerance) << "N=" << points << " p " << p;
            EXPECT_NEAR(fft.GetIntensity(p), std::abs(want) / std::sqrt(points), tolerance);
        }
    }
}

TEST(FftBands, PointsAt44100AndOutsideTheTransformAtLowRates) {
    CFft fft(128, 44100);
    for (int b = 0; b < SPECTRUM_BANDS; ++b)
        EXPECT_EQ(fft.HzToPoint(g_nBandFrequency[b]), kBandPoints[b]) << g_nBandFrequency[b];
    fft.SetSampleRate(11025);
    EXPECT_EQ(fft.HzToPoint(15000), 174);
    for (int p : {174, 128, -1}) EXPECT_EQ(fft.GetIntensity(p), 0.0) << p;
    fft.SetSampleRate(0);
    EXPECT_EQ(fft.HzToPoint(1000), -1);  // no division by zero
    fft.SetSampleRate(-1);               // a corrupt format record claiming 0xFFFFFFFF Hz
    EXPECT_LT(fft.HzToPoint(15000), 0);
}

TEST(FftBands, PureToneLandsInItsBandOnly) {
    for (int target = 1; target < SPECTRUM_BANDS; ++target) {  // point 0 is the DC term
        CFft fft(128, 0);
        int levels[SPECTRUM_BANDS];
        // Two 64-value halves of one tone: after both the tape holds exactly p cycles.
        for (int half = 0; half < 2; ++half) {
            short decimated[DECIMATED_COUNT] = {};
            for (int k = 0; k < DECIMATED_COPY_IN; ++k)
                decimated[k] = static_cast<short>(std::lround(
                    10000.0 * std::sin(2.0 * kPi * kBandPoints[target] * (half * 64 + k) / 128.0)));
            ComputeBandLevels(fft, decimated, 44100, levels);
        }
        // A full-cycle tone of amplitude A gives |X| = A N / 2, intensity A sqrt(N) / 2.
        for (int b = 0; b < SPECTRUM_BANDS; ++b)
            EXPECT_EQ(levels[b], b == target ? int(10000.0 * std::sqrt(128.0) / 2.0 / 256.0) : 0)
                << "tone of band " << target << ", band " << b;
    }
}

TEST(Decimation, StrideFromTheBlockLength) {
    // A 4608-byte block (MPEG-1 stereo frame): stride 18, every 18th value.
    std::vector<short> block(2304);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<short>(i);
    short out[DECIMATED_COUNT];
    ASSERT_TRUE(DecimateBlock(block.data(), 4608, out));
    for (int k = 0; k < DECIMATED_COUNT; ++k) EXPECT_EQ(out[k], k * 18);
    // Under 256 bytes the stride is 0: the first value 128 times. Only the
    // block's own bytes are read (the sanitizers watch the exact-size copy).
    for (int bytes : {2, 3, 255}) {
        std::vector<short> small(static_cast<size_t>(bytes + 1) / 2);
        small[0] = -1234;
        ASSERT_TRUE(DecimateBlock(small.data(), bytes, out));
        for (int k = 0; k < DECIMATED_COUNT; ++k) EXPECT_EQ(out[k], -1234) << bytes << " bytes";
    }
    // 511 bytes: stride 1, the last value read is number 127 (bytes 254-255).
    ASSERT_TRUE(DecimateBlock(block.data() + 1000, 511, out));
    EXPECT_EQ(out[127], 1127);
}
