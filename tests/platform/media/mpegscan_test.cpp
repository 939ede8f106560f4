// The frame walk behind the exact duration: synthetic streams with known
// frame counts, damaged in the ways real files are.
#include "platform/media/mpegscan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <vector>

#include "tests/platform/media/media_helpers.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kSide = 4 + 32;  // where a header frame's Xing/Info data starts

// MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, stereo: 417 bytes (418 padded), 1152 samples.
void AppendFrames(Bytes& b, int frames) {
    for (int i = 0; i < frames; ++i) {
        const bool padded = i % 3 == 1;
        const std::size_t start = b.size();
        b.resize(start + (padded ? 418 : 417), 0x55);
        const std::uint8_t header[4] = {0xFF, 0xFB, static_cast<std::uint8_t>(padded ? 0x92 : 0x90),
                                        0x44};
        std::memcpy(&b[start], header, 4);
    }
}

void AppendRandom(Bytes& b, std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(rng()));
}

auto Scan(const Bytes& b) {
    return wq::media::ScanMpegFrames(b.data(), b.size());
}

TEST(MpegScan, CountsTheFramesBehindTagsAndGarbageAndNoneInNoise) {
    // An ID3v2 tag of 300 bytes whose body looks like frame headers.
    Bytes b = {'I', 'D', '3', 3, 0, 0, 0, 0, 0x02, 0x2C};
    for (int i = 0; i < 75; ++i) b.insert(b.end(), {0xFF, 0xFB, 0x90, 0x44});
    AppendFrames(b, 40);
    AppendRandom(b, 40 * 1024, 11);  // a damaged stretch in the middle
    AppendFrames(b, 60);
    b.insert(b.end(), {'T', 'A', 'G'});  // ID3v1 at the end
    b.resize(b.size() + 125, 0);
    EXPECT_EQ(100, Scan(b).value().frames);

    Bytes cut;
    AppendFrames(cut, 10);
    cut.erase(cut.end() - 100, cut.end());  // the last frame is incomplete: a decoder drops it
    EXPECT_EQ(9, Scan(cut).value().frames);
    Bytes noise;
    AppendRandom(noise, 256 * 1024, 3);
    EXPECT_FALSE(Scan(noise));
    EXPECT_FALSE(wq::media::ScanMpegFrames(noise.data(), 0));
    EXPECT_FALSE(Scan(Bytes{0xFF, 0xFB, 0x90, 0x44})) << "a header without its frame";
}

TEST(MpegScan, AHeaderFrameIsNotAudioAndItsCountsAreUsedWhenTrustworthy) {
    // A header frame with Info data, then 50 audio frames.
    Bytes b;
    AppendFrames(b, 1);
    std::memset(&b[kSide], 0, 150);
    std::memcpy(&b[kSide], "Info", 4);
    AppendFrames(b, 50);
    std::memcpy(&b[kSide + 120], "LAME3.100", 9);
    // delay 576 (0x240) and padding 756 (0x2F4) as two 12-bit fields: 24 02 F4
    const std::uint8_t trim[3] = {0x24, 0x02, 0xF4};
    std::memcpy(&b[kSide + 141], trim, 3);
    auto r = Scan(b);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->hasVbrHeader);
    EXPECT_EQ(50, r->frames);
    EXPECT_EQ(50 * 1152 - 576 - 756, r->PlayedSamples());
    // Without an encoder name the bytes after the Xing data are not trusted.
    std::memcpy(&b[kSide + 120], "XXXX", 4);
    EXPECT_EQ(50 * 1152, Scan(b).value().PlayedSamples());
    // A frame count in the header saves the walk, unless the file cannot hold it.
    b[kSide + 7] = 0x01;  // flags: frame count present
    b[kSide + 11] = 48;
    EXPECT_EQ(48 * 1152, Scan(b).value().samples);
    b[kSide + 9] = 0x01;
    EXPECT_EQ(50, Scan(b).value().frames);
}

TEST(MpegScan, AFileIsReadThroughWindowsWithoutLosingAFrame) {
    // 3 MiB: frames straddle the 1 MiB read windows; garbage after the first.
    Bytes b;
    AppendFrames(b, 2600);
    AppendRandom(b, 5000, 5);
    AppendFrames(b, 5000);
    const std::string path = wqtest::ScratchDir() + "/synthetic.mp3";
    std::ofstream(path, std::ios::binary) << std::string(b.begin(), b.end());
    EXPECT_EQ(7600, wq::media::ScanMpegFile(path).value().frames);
}

}  // namespace
