// The spectrum transform: tables, the FFT against a plain DFT, the band
// read-out and the thinning of sound blocks.
#include "visual/fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "visual/bands.h"

namespace {

const double kPi = std::acos(-1.0);

// O(N^2) reference of the transform's definition: X[p] = sum x[n] e^{-2 pi i p n / N}.
std::vector<std::complex<double>> Dft(const std::vector<double>& x) {
    const size_t n = x.size();
    std::vector<std::complex<double>> out(n);
    for (size_t p = 0; p < n; ++p) {
        std::complex<double> sum;
        for (size_t k = 0; k < n; ++k) {
            sum += x[k] * std::polar(1.0, -2.0 * kPi * static_cast<double>(p * k) /
                                              static_cast<double>(n));
        }
        out[p] = sum;
    }
    return out;
}

// 16-bit PCM little-endian WAVEFORMATEX bytes with only the fields the feed reads.
std::vector<unsigned char> WaveFormat(std::uint32_t rate) {
    std::vector<unsigned char> f(18, 0);
    f[0] = 1;  // PCM
    f[2] = 1;  // channels
    for (int i = 0; i < 4; ++i) f[4 + i] = static_cast<unsigned char>(rate >> (8 * i));
    return f;
}

// Two consecutive 64-value halves of one pure tone at transform point `p`,
// amplitude `a`: after both are copied in, the tape holds exactly p cycles.
// Leaves the band levels of the second block in `levels`.
void FeedTone(CFft& fft, int p, double a, int rate, int levels[SPECTRUM_BANDS]) {
    for (int half = 0; half < 2; ++half) {
        short decimated[DECIMATED_COUNT] = {};
        for (int k = 0; k < DECIMATED_COPY_IN; ++k) {
            const double n = half * 64 + k;
            decimated[k] = static_cast<short>(std::lround(a * std::sin(2.0 * kPi * p * n / 128.0)));
        }
        ComputeBandLevels(fft, decimated, rate, levels);
    }
}

}  // namespace

TEST(FftTables, GeometryOfA128PointTransform) {
    CFft fft(128, 0);
    EXPECT_EQ(fft.Points(), 128);
    EXPECT_EQ(fft.LogPoints(), 7);
    EXPECT_DOUBLE_EQ(fft.SqrtPoints(), std::sqrt(128.0));
    EXPECT_EQ(fft.SampleRate(), 0);
    EXPECT_EQ(fft.BitReverse(0), 0);
    EXPECT_EQ(fft.BitReverse(1), 64);
    EXPECT_EQ(fft.BitReverse(2), 32);
    EXPECT_EQ(fft.BitReverse(3), 96);
    EXPECT_EQ(fft.BitReverse(127), 127);
    // The table is the 7-bit reversal for every position, hence a permutation.
    std::vector<bool> seen(128, false);
    for (int i = 0; i < 128; ++i) {
        int r = 0;
        for (int b = 0; b < 7; ++b) r |= ((i >> b) & 1) << (6 - b);
        EXPECT_EQ(fft.BitReverse(i), r) << "position " << i;
        seen[static_cast<size_t>(fft.BitReverse(i))] = true;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 128);
}

TEST(FftTables, LogPointsCountsShiftsOfNMinusOne) {
    EXPECT_EQ(CFft(2, 0).LogPoints(), 1);
    EXPECT_EQ(CFft(16, 0).LogPoints(), 4);
    EXPECT_EQ(CFft(1024, 0).LogPoints(), 10);
    EXPECT_EQ(CFft(1, 0).LogPoints(), 0);
    EXPECT_EQ(CFft(-5, 0).Points(), 1);  // never a negative table size
}

TEST(FftTransform, MatchesPlainDftOnSeededRandomBlocks) {
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> value(-32768, 32767);
    for (int points : {8, 64, 128}) {
        CFft fft(points, 44100);
        for (int round = 0; round < 5; ++round) {
            std::vector<short> block(static_cast<size_t>(points));
            for (short& s : block) s = static_cast<short>(value(rng));
            fft.CopyIn(block.data(), points);
            fft.Transform();
            std::vector<double> x(block.begin(), block.end());
            const auto ref = Dft(x);
            for (int p = 0; p < points; ++p) {
                EXPECT_NEAR(fft.Output(p).Re(), ref[static_cast<size_t>(p)].real(),
                            1e-6 * 32768 * points)
                    << "N=" << points << " point " << p;
                EXPECT_NEAR(fft.Output(p).Im(), ref[static_cast<size_t>(p)].imag(),
                            1e-6 * 32768 * points)
                    << "N=" << points << " point " << p;
                EXPECT_NEAR(fft.GetIntensity(p),
                            std::abs(ref[static_cast<size_t>(p)]) / std::sqrt(points),
                            1e-6 * 32768 * points);
            }
        }
    }
}

TEST(FftTape, SlidesOldestFirstAndKeepsAcrossCalls) {
    CFft fft(8, 8000);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(fft.Tape(i), 0.0);
    const short a[3] = {1, 2, 3};
    fft.CopyIn(a, 3);
    const double after1[8] = {0, 0, 0, 0, 0, 1, 2, 3};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(fft.Tape(i), after1[i]) << i;
    const short b[2] = {-4, 5};
    fft.CopyIn(b, 2);
    const double after2[8] = {0, 0, 0, 1, 2, 3, -4, 5};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(fft.Tape(i), after2[i]) << i;
    // The output array is the tape in bit-reversed order, imaginary parts 0.
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(fft.Output(fft.BitReverse(i)).Re(), after2[i]);
        EXPECT_EQ(fft.Output(fft.BitReverse(i)).Im(), 0.0);
    }
    // Too many samples, or a negative count, leave everything as it was.
    short many[9] = {9, 9, 9, 9, 9, 9, 9, 9, 9};
    fft.CopyIn(many, 9);
    fft.CopyIn(many, -1);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(fft.Tape(i), after2[i]) << i;
}

TEST(FftBands, PointsAt44100AndOutsideTheTransformAtLowRates) {
    CFft fft(128, 44100);
    const int expected[SPECTRUM_BANDS] = {0, 1, 2, 5, 8, 11, 17, 23, 29, 31, 37, 43};
    for (int b = 0; b < SPECTRUM_BANDS; ++b) {
        EXPECT_EQ(fft.HzToPoint(g_nBandFrequency[b]), expected[b]) << g_nBandFrequency[b] << " Hz";
    }
    fft.SetSampleRate(11025);
    EXPECT_EQ(fft.HzToPoint(15000), 174);
    EXPECT_EQ(fft.GetIntensity(174), 0.0);
    EXPECT_EQ(fft.GetIntensity(128), 0.0);
    EXPECT_EQ(fft.GetIntensity(-1), 0.0);
    fft.SetSampleRate(0);
    EXPECT_EQ(fft.HzToPoint(1000), -1);  // no division by zero
    fft.SetSampleRate(-1);               // a corrupt format record claiming 0xFFFFFFFF Hz
    EXPECT_LT(fft.HzToPoint(15000), 0);
}

TEST(FftBands, PureToneLandsInItsBandOnly) {
    const int points[SPECTRUM_BANDS] = {0, 1, 2, 5, 8, 11, 17, 23, 29, 31, 37, 43};
    for (int target = 1; target < SPECTRUM_BANDS; ++target) {  // point 0 is the DC term
        CFft fft(128, 0);
        int levels[SPECTRUM_BANDS];
        FeedTone(fft, points[target], 10000.0, 44100, levels);
        // A full-cycle tone of amplitude A gives |X| = A N / 2, intensity A sqrt(N) / 2.
        EXPECT_EQ(levels[target], static_cast<int>(10000.0 * std::sqrt(128.0) / 2.0 / 256.0))
            << "band " << target;
        for (int b = 0; b < SPECTRUM_BANDS; ++b) {
            if (b != target) {
                EXPECT_EQ(levels[b], 0) << "band " << b << " while the tone is in band " << target;
            }
        }
    }
}

TEST(FftBands, LevelsBeforeAnyBlockAreZeroAndLowRatesNeverReadOutside) {
    CFft fft(128, 0);
    int levels[SPECTRUM_BANDS];
    short zeros[DECIMATED_COUNT] = {};
    ComputeBandLevels(fft, zeros, 44100, levels);
    for (int b = 0; b < SPECTRUM_BANDS; ++b) EXPECT_EQ(levels[b], 0);

    // Loud noise at 8000 and 11025 Hz: bands above the transform read 0, the
    // others read something; the sanitizers check that nothing is read outside.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> value(-32768, 32767);
    for (int rate : {8000, 11025}) {
        short noise[DECIMATED_COUNT];
        for (short& s : noise) s = static_cast<short>(value(rng));
        ComputeBandLevels(fft, noise, rate, levels);
        int inside = 0;
        for (int b = 0; b < SPECTRUM_BANDS; ++b) {
            const int p = fft.HzToPoint(g_nBandFrequency[b]);
            if (p >= 128) {
                EXPECT_EQ(levels[b], 0) << rate << " Hz band " << b;
            } else {
                ++inside;
            }
        }
        EXPECT_GT(inside, 0);
        EXPECT_LT(inside, SPECTRUM_BANDS);
    }
    // A sample rate of 0 reads every band as 0.
    short loud[DECIMATED_COUNT];
    std::fill(std::begin(loud), std::end(loud), 30000);
    ComputeBandLevels(fft, loud, 0, levels);
    for (int b = 0; b < SPECTRUM_BANDS; ++b) EXPECT_EQ(levels[b], 0);
}

TEST(Decimation, StrideFromBlockLength) {
    // A 4608-byte block (MPEG-1 stereo frame): stride 18, every 18th value.
    std::vector<short> block(2304);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<short>(i);
    short out[DECIMATED_COUNT];
    ASSERT_TRUE(DecimateBlock(block.data(), 4608, out));
    for (int k = 0; k < DECIMATED_COUNT; ++k) EXPECT_EQ(out[k], k * 18);

    // Under 256 bytes the stride is 0: the first value 128 times. Only the
    // block's own bytes are read (the sanitizers watch the exact-size copy).
    for (int bytes : {2, 3, 100, 255}) {
        std::vector<short> small(static_cast<size_t>(bytes + 1) / 2);
        small[0] = -1234;
        ASSERT_TRUE(DecimateBlock(small.data(), bytes, out));
        for (int k = 0; k < DECIMATED_COUNT; ++k) EXPECT_EQ(out[k], -1234) << bytes << " bytes";
    }
    // 511 bytes: stride 1, the last value read is number 127 (bytes 254-255).
    std::vector<short> odd(256);
    for (size_t i = 0; i < odd.size(); ++i) odd[i] = static_cast<short>(1000 + i);
    ASSERT_TRUE(DecimateBlock(odd.data(), 511, out));
    EXPECT_EQ(out[127], 1127);

    short untouched[DECIMATED_COUNT] = {7};
    EXPECT_FALSE(DecimateBlock(block.data(), 1, untouched));
    EXPECT_FALSE(DecimateBlock(block.data(), 0, untouched));
    EXPECT_FALSE(DecimateBlock(nullptr, 4608, untouched));
    EXPECT_EQ(untouched[0], 7);
}

TEST(Decimation, SampleRateIsBytesFourToSevenLittleEndian) {
    EXPECT_EQ(ReadSampleRate(WaveFormat(44100).data()), 44100);
    EXPECT_EQ(ReadSampleRate(WaveFormat(8000).data()), 8000);
    EXPECT_EQ(ReadSampleRate(WaveFormat(0x01020304).data()), 0x01020304);
    EXPECT_EQ(ReadSampleRate(nullptr), 0);
}

TEST(FftGlobal, OneProcessWideInstanceOf128PointsStartsSilent) {
    EXPECT_EQ(g_fft.Points(), 128);
    EXPECT_EQ(g_fft.LogPoints(), 7);
    for (int i = 0; i < 128; ++i) EXPECT_EQ(g_fft.Tape(i), 0.0);
}
