// Frame-header reading of CMP3Info: decoding of header examples and the
// 0..10000 search window on bytes written by the tests, then real encoded
// files. (The first sync pattern found, against a plain reading of the same
// bytes: the mp3info fuzz target.)
#include <gtest/gtest.h>

#include "tests/trackinfo/test_files.h"

namespace wq::trackinfo::test {
namespace {

using HeaderTest = HostFiles;
using EncodedTest = HostFiles;

TEST_F(HeaderTest, DecodesHeaderBytes) {
    // version, layer, protection, bit rate, sample rate, channel mode, copyright, original,
    // emphasis, flags
    const std::pair<std::string, std::vector<int>> cases[] = {
        {"\xFF\xF3\x50\xC4", {2, 3, 1, 40, 22050, 3, 0, 1, 0, 2}},
        {"\xFF\xFB\xF0\x00"s, {3, 3, 1, 0, 44100, 0, 0, 0, 0, 2}},  // bit-rate index 15
        {"\xFF\xE3\x18\x4B", {1, 3, 1, 8, 8000, 1, 1, 0, 3, 2}},    // MPEG-2.5, emphasis 3
        {"\xFF\xFC\x04\x08", {3, 2, 0, 0, 48000, 0, 1, 0, 0, 2}},   // layer 2, free format
        {"\xFF\xF9\x90\xFF", {3, 0, 1, 0, 44100, 3, 1, 1, 3, 2}},   // reserved layer: no bit rate
        {"\xFF\xEB\x93\xFF", {0, 3, 1, 0, 0, 0, 0, 0, 0, 0}},       // reserved version
        {"\xFF\xFA\x9C\xFF", {3, 3, 0, 0, 0, 0, 0, 0, 0, 0}},       // sample-rate index 3
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        CMP3Info info;
        ASSERT_EQ(1, OpenBytes(cases[i].first + std::string(396, '\0'), &info));
        EXPECT_EQ(
            cases[i].second,
            (std::vector<int>{info.m_nVersion, info.m_nLayer, info.m_nProtection, info.GetBitRate(),
                              info.GetSampleRate(), info.m_nChannelMode, info.m_nCopyright,
                              info.m_nOriginal, info.m_nEmphasis, int(info.m_dwFlags)}))
            << "case " << i;
    }
}

TEST_F(HeaderTest, SearchExaminesOffsetsZeroTo10000) {
    for (size_t at : {10000, 10001}) {
        std::string file(20000, '\0');
        file.replace(at, 4, "\xFF\xF3\x50\xC4");
        CMP3Info info;
        OpenBytes(file, &info);
        EXPECT_EQ(at == 10000 ? 22050 : 0, info.GetSampleRate()) << "sync at " << at;
    }
    // The last complete window counts; a pattern cut by the end does not.
    for (std::string file : {"\0\0\0\0\xFF\xFB\x90\0"s, "\0\0\0\0\xFF\xFB\x90"s, "\xFF\xFB\x90"s}) {
        CMP3Info info;
        OpenBytes(file, &info);
        EXPECT_EQ(file.size() == 8 ? 3 : 0, info.m_nVersion) << file.size() << "-byte file";
        EXPECT_EQ(file.size() == 8 ? 2u : 0u, info.m_dwFlags);
    }
}

// CMP3Info on real files made at test time by lame and ffmpeg (a real MPEG-2
// file with a CP949 tag is the probe test's).
TEST_F(EncodedTest, RealFilesShowTheirFirstFrameAndTag) {
    const struct {
        std::string lameArgs;   // lame's options for the stereo 44.1 kHz tone; none: WMA
        std::vector<int> want;  // version, layer, bit rate, sample rate, channel mode, flags
        std::u16string title;
    } cases[] = {
        {"-b 192 -m s --resample 48 -t", {3, 3, 192, 48000, 0, 2}, u""},
        {"-b 64 -m j --resample 32 -t", {3, 3, 64, 32000, 1, 2}, u""},
        {"-b 16 -m m --resample 8 -t", {1, 3, 16, 8000, 3, 2}, u""},
        // lame writes its Xing/Info frame first; that frame's own rate is what shows.
        {"-V 2 --tt Vbr --id3v1-only", {3, 3, 128, 44100, 1, 3}, u"Vbr"},
        // lame writes the ID3v2 title as UTF-16 after the byte-order mark FF FE; with the
        // 'F' (0x46) after it, that reads as an MPEG-1 layer 1 header of 128 kbps at 48 kHz:
        // the first sync pattern wins, even inside the tag. ID3v2 text is not read.
        {"-b 128 -t --tt Front --id3v2-only", {3, 1, 128, 48000, 0, 2}, u""},
        {"", {0, 0, 0, 0, 0, 0}, u""},
    };
    for (const auto& c : cases) {
        const std::string path = dir.Host(c.lameArgs.empty() ? "t.wma" : "t.mp3");
        ASSERT_TRUE(c.lameArgs.empty() ? wq::test::MakeToneWav(path + ".wav") &&
                                             Shell("ffmpeg -v error -i '" + path +
                                                   ".wav' -c:a wmav2 '" + path + "'")
                                       : MakeMp3(path, c.lameArgs))
            << c.lameArgs;
        CMP3Info info;
        ASSERT_EQ(1, info.Open(Wide(path)));
        EXPECT_EQ(c.want, (std::vector<int>{info.m_nVersion, info.m_nLayer, info.GetBitRate(),
                                            info.GetSampleRate(), info.m_nChannelMode,
                                            int(info.m_dwFlags)}))
            << c.lameArgs;
        EXPECT_EQ(CString(c.title), info.GetTitle()) << c.lameArgs;
    }
}

}  // namespace
}  // namespace wq::trackinfo::test
