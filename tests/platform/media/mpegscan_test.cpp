// The frame walk behind the exact duration: synthetic streams with known
// frame counts, damaged in the ways real files are.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "platform/media/mpegscan.h"
#include "tests/platform/media/media_files.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, stereo: 417 bytes (418 padded), 1152 samples.
void AppendFrame(Bytes& b, bool padded = false) {
    const std::size_t start = b.size();
    b.resize(start + (padded ? 418 : 417), 0x55);
    b[start] = 0xFF;
    b[start + 1] = 0xFB;
    b[start + 2] = padded ? 0x92 : 0x90;
    b[start + 3] = 0x44;
}

Bytes Stream(int frames) {
    Bytes b;
    for (int i = 0; i < frames; ++i) AppendFrame(b, i % 3 == 1);
    return b;
}

void AppendRandom(Bytes& b, std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(rng()));
}

TEST(MpegScan, CountsEveryFrameOfAPlainStream) {
    const Bytes b = Stream(100);
    auto r = wq::media::ScanMpegFrames(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(100, r->frames);
    EXPECT_EQ(115200, r->samples);
    EXPECT_EQ(44100, r->sampleRate);
    EXPECT_FALSE(r->hasVbrHeader);
    EXPECT_EQ(115200LL * 1'000'000'000 / 44100, r->DurationNs());
}

TEST(MpegScan, SkipsTagsGarbageAndATruncatedEnd) {
    Bytes b;
    // An ID3v2 tag of 300 bytes whose body looks like frame headers.
    const std::uint8_t id3[10] = {'I', 'D', '3', 3, 0, 0, 0, 0, 0x02, 0x2C};
    b.insert(b.end(), id3, id3 + 10);
    for (int i = 0; i < 75; ++i) b.insert(b.end(), {0xFF, 0xFB, 0x90, 0x44});
    for (int i = 0; i < 40; ++i) AppendFrame(b);
    AppendRandom(b, 40 * 1024, 11);  // a damaged stretch in the middle
    for (int i = 0; i < 60; ++i) AppendFrame(b);
    const char tag[] = "TAG";  // ID3v1 at the end
    b.insert(b.end(), tag, tag + 3);
    b.resize(b.size() + 125, 0);
    auto r = wq::media::ScanMpegFrames(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(100, r->frames);

    Bytes cut = Stream(10);
    cut.resize(cut.size() - 100);  // the last frame is incomplete: a decoder drops it
    r = wq::media::ScanMpegFrames(cut.data(), cut.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(9, r->frames);
}

TEST(MpegScan, AVbrHeaderFrameIsNotAudioAndItsEncoderTagTrims) {
    Bytes b;
    AppendFrame(b);
    std::memset(&b[4 + 32], 0, 150);
    std::memcpy(&b[4 + 32], "Info", 4);
    std::memcpy(&b[4 + 32 + 120], "LAME3.100", 9);
    // delay 576 (0x240) and padding 756 (0x2F4) as two 12-bit fields: 24 02 F4
    b[4 + 32 + 120 + 21] = 0x24;
    b[4 + 32 + 120 + 22] = 0x02;
    b[4 + 32 + 120 + 23] = 0xF4;
    const Bytes audio = Stream(50);
    b.insert(b.end(), audio.begin(), audio.end());
    auto r = wq::media::ScanMpegFrames(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->hasVbrHeader);
    EXPECT_EQ(50, r->frames);
    EXPECT_EQ(576, r->encoderDelay);
    EXPECT_EQ(756, r->encoderPadding);
    EXPECT_EQ(50 * 1152 - 576 - 756, r->PlayedSamples());

    // Without an encoder name the bytes after the Xing data are not trusted.
    std::memcpy(&b[4 + 32 + 120], "XXXX", 4);
    r = wq::media::ScanMpegFrames(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(50 * 1152, r->PlayedSamples());
}

TEST(MpegScan, TheEncodersFrameCountSavesTheWalk) {
    Bytes b;
    AppendFrame(b);
    std::memset(&b[4 + 32], 0, 120);
    std::memcpy(&b[4 + 32], "Xing", 4);
    b[4 + 32 + 7] = 0x01;  // flags: frame count present
    b[4 + 32 + 11] = 18;   // 18 frames announced
    const Bytes audio = Stream(20);  // the walk would find 20
    b.insert(b.end(), audio.begin(), audio.end());
    auto r = wq::media::ScanMpegFrames(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(18, r->frames);
    EXPECT_EQ(18 * 1152, r->samples);
    b[4 + 32 + 7] = 0x00;  // without the flag every frame is counted
    r = wq::media::ScanMpegFrames(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(20, r->frames);
    b[4 + 32 + 7] = 0x01;  // a count these bytes cannot hold is not believed
    b[4 + 32 + 9] = 0x01;
    r = wq::media::ScanMpegFrames(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(20, r->frames);
}

TEST(MpegScan, FindsNothingInNoise) {
    Bytes b;
    AppendRandom(b, 256 * 1024, 3);
    EXPECT_FALSE(wq::media::ScanMpegFrames(b.data(), b.size()));
    EXPECT_FALSE(wq::media::ScanMpegFrames(b.data(), 0));
    const std::uint8_t lone[4] = {0xFF, 0xFB, 0x90, 0x44};
    EXPECT_FALSE(wq::media::ScanMpegFrames(lone, 4));  // a header without its frame
}

TEST(MpegScan, AFileIsReadThroughWindowsWithTheSameResult) {
    // 3 MiB: frames straddle the 1 MiB read windows; garbage across one boundary.
    Bytes b = Stream(2600);
    AppendRandom(b, 5000, 5);
    const Bytes tail = Stream(5000);
    b.insert(b.end(), tail.begin(), tail.end());
    const std::string path = wqtest::ScratchDir() + "/synthetic.mp3";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
    auto mem = wq::media::ScanMpegFrames(b.data(), b.size());
    auto file = wq::media::ScanMpegFile(path);
    ASSERT_TRUE(mem && file);
    EXPECT_EQ(7600, file->frames);
    EXPECT_EQ(mem->frames, file->frames);
    EXPECT_EQ(mem->samples, file->samples);
}

TEST(MpegScan, OnlyRegularFilesAreRead) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(wq::media::ScanMpegFile(wqtest::HostPath("fifo.mp3")));  // would block a plain open
    EXPECT_FALSE(wq::media::ScanMpegFile(wqtest::HostPath("folder.mp3")));
    EXPECT_FALSE(wq::media::ScanMpegFile(wqtest::HostPath("empty.mp3")));
    EXPECT_FALSE(wq::media::ScanMpegFile(wqtest::HostPath("missing.mp3")));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
