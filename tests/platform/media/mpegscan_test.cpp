// The frame walk behind the exact duration: synthetic streams with known
// frame counts, damaged in the ways real files are.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <random>
#include <vector>

#include "platform/media/mpegscan.h"
#include "tests/platform/media/media_files.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kSide = 4 + 32;  // where a header frame's Xing/Info data starts

// MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, stereo: 417 bytes (418 padded), 1152 samples.
void AppendFrames(Bytes& b, int frames) {
    for (int i = 0; i < frames; ++i) {
        const bool padded = i % 3 == 1;
        const std::size_t start = b.size();
        b.resize(start + (padded ? 418 : 417), 0x55);
        const std::uint8_t header[4] = {0xFF, 0xFB, static_cast<std::uint8_t>(padded ? 0x92 : 0x90), 0x44};
        std::memcpy(&b[start], header, 4);
    }
}

Bytes Stream(int frames) {
    Bytes b;
    AppendFrames(b, frames);
    return b;
}

void AppendRandom(Bytes& b, std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(rng()));
}

// A header frame holding `tag` at its side data, followed by `frames` audio frames.
Bytes WithHeaderFrame(const char* tag, int frames) {
    Bytes b = Stream(1);
    std::memset(&b[kSide], 0, 150);
    std::memcpy(&b[kSide], tag, 4);
    AppendFrames(b, frames);
    return b;
}

auto Scan(const Bytes& b) { return wq::media::ScanMpegFrames(b.data(), b.size()); }

TEST(MpegScan, CountsEveryFrameAndFindsNothingInNoise) {
    const auto r = Scan(Stream(100));
    ASSERT_TRUE(r);
    EXPECT_EQ(100, r->frames);
    EXPECT_EQ(115200, r->samples);
    EXPECT_EQ(44100, r->sampleRate);
    EXPECT_FALSE(r->hasVbrHeader);
    EXPECT_EQ(115200LL * 1'000'000'000 / 44100, r->DurationNs());

    Bytes noise;
    AppendRandom(noise, 256 * 1024, 3);
    EXPECT_FALSE(Scan(noise));
    EXPECT_FALSE(wq::media::ScanMpegFrames(noise.data(), 0));
    EXPECT_FALSE(Scan(Bytes{0xFF, 0xFB, 0x90, 0x44})) << "a header without its frame";
}

TEST(MpegScan, SkipsTagsGarbageAndATruncatedEnd) {
    // An ID3v2 tag of 300 bytes whose body looks like frame headers.
    Bytes b = {'I', 'D', '3', 3, 0, 0, 0, 0, 0x02, 0x2C};
    for (int i = 0; i < 75; ++i) b.insert(b.end(), {0xFF, 0xFB, 0x90, 0x44});
    AppendFrames(b, 40);
    AppendRandom(b, 40 * 1024, 11);  // a damaged stretch in the middle
    AppendFrames(b, 60);
    b.insert(b.end(), {'T', 'A', 'G'});  // ID3v1 at the end
    b.resize(b.size() + 125, 0);
    auto r = Scan(b);
    ASSERT_TRUE(r);
    EXPECT_EQ(100, r->frames);

    Bytes cut = Stream(10);
    cut.erase(cut.end() - 100, cut.end());  // the last frame is incomplete: a decoder drops it
    r = Scan(cut);
    ASSERT_TRUE(r);
    EXPECT_EQ(9, r->frames);
}

TEST(MpegScan, AVbrHeaderFrameIsNotAudioAndItsEncoderTagTrims) {
    Bytes b = WithHeaderFrame("Info", 50);
    std::memcpy(&b[kSide + 120], "LAME3.100", 9);
    // delay 576 (0x240) and padding 756 (0x2F4) as two 12-bit fields: 24 02 F4
    const std::uint8_t trim[3] = {0x24, 0x02, 0xF4};
    std::memcpy(&b[kSide + 141], trim, 3);
    auto r = Scan(b);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->hasVbrHeader);
    EXPECT_EQ(50, r->frames);
    EXPECT_EQ(576, r->encoderDelay);
    EXPECT_EQ(756, r->encoderPadding);
    EXPECT_EQ(50 * 1152 - 576 - 756, r->PlayedSamples());
    // Without an encoder name the bytes after the Xing data are not trusted.
    std::memcpy(&b[kSide + 120], "XXXX", 4);
    r = Scan(b);
    ASSERT_TRUE(r);
    EXPECT_EQ(50 * 1152, r->PlayedSamples());
}

TEST(MpegScan, TheEncodersFrameCountSavesTheWalk) {
    Bytes b = WithHeaderFrame("Xing", 20);  // the walk would find 20
    b[kSide + 7] = 0x01;                    // flags: frame count present
    b[kSide + 11] = 18;                     // 18 frames announced
    auto r = Scan(b);
    ASSERT_TRUE(r);
    EXPECT_EQ(18, r->frames);
    EXPECT_EQ(18 * 1152, r->samples);
    b[kSide + 7] = 0x00;  // without the flag every frame is counted
    EXPECT_EQ(20, Scan(b).value().frames);
    b[kSide + 7] = 0x01;  // a count these bytes cannot hold is not believed
    b[kSide + 9] = 0x01;
    EXPECT_EQ(20, Scan(b).value().frames);
}

TEST(MpegScan, AFileIsReadThroughWindowsWithTheSameResult) {
    // 3 MiB: frames straddle the 1 MiB read windows; garbage across one boundary.
    Bytes b = Stream(2600);
    AppendRandom(b, 5000, 5);
    AppendFrames(b, 5000);
    const std::string path = wqtest::ScratchDir() + "/synthetic.mp3";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::ssize(b));
    const auto mem = Scan(b);
    const auto file = wq::media::ScanMpegFile(path);
    ASSERT_TRUE(mem && file);
    EXPECT_EQ(7600, file->frames);
    EXPECT_EQ(mem->samples, file->samples);
}

TEST(MpegScan, OnlyRegularFilesAreRead) {
    const auto start = std::chrono::steady_clock::now();
    for (const char* name : {"fifo.mp3", "folder.mp3", "empty.mp3", "missing.mp3"})
        EXPECT_FALSE(wq::media::ScanMpegFile(wqtest::HostPath(name))) << name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << "a FIFO would block a plain open";
}

}  // namespace
