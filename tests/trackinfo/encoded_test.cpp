// CMP3Info on real files made at test time by lame and ffmpeg.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/trackinfo/test_files.h"

namespace wq::trackinfo::test {
namespace {

using EncodedTest = HostFiles;

TEST_F(EncodedTest, RealFilesShowTheirFirstFrameAndTag) {
    const std::string korean = Id3v1Tag("\xB3\xEB\xB7\xA1", "A");  // "노래" in CP949
    const struct {
        std::string lameArgs;   // lame's options for the stereo 44.1 kHz tone; none: WMA
        std::string tail;       // appended to the file
        std::vector<int> want;  // version, layer, bit rate, sample rate, channel mode, flags
        std::u16string title;
    } cases[] = {
        {"-b 128 -m j -t", "", {3, 3, 128, 44100, 1, 2}, u""},
        {"-b 192 -m s --resample 48 -t", "", {3, 3, 192, 48000, 0, 2}, u""},
        {"-b 64 -m j --resample 32 -t", "", {3, 3, 64, 32000, 1, 2}, u""},
        {"-b 40 -m m --resample 22.05 -t", korean, {2, 3, 40, 22050, 3, 3}, u"노래"},
        {"-b 16 -m m --resample 8 -t", "", {1, 3, 16, 8000, 3, 2}, u""},
        // lame writes its Xing/Info frame first; that frame's own rate is what shows.
        {"-V 2 --tt Vbr --id3v1-only", "", {3, 3, 128, 44100, 1, 3}, u"Vbr"},
        // lame writes the ID3v2 title as UTF-16 after the byte-order mark FF FE; with the
        // 'F' (0x46) after it, that reads as an MPEG-1 layer 1 header of 128 kbps at 48 kHz:
        // the first sync pattern wins, even inside the tag. ID3v2 text is not read.
        {"-b 128 -t --tt Front --id3v2-only", "", {3, 1, 128, 48000, 0, 2}, u""},
        {"", "", {0, 0, 0, 0, 0, 0}, u""},
    };
    for (const auto& c : cases) {
        const std::string path = dir.Host(c.lameArgs.empty() ? "t.wma" : "t.mp3");
        ASSERT_TRUE(c.lameArgs.empty() ? wq::test::MakeToneWav(path + ".wav") &&
                                             Shell("ffmpeg -v error -i '" + path +
                                                   ".wav' -c:a wmav2 '" + path + "'")
                                       : MakeMp3(path, c.lameArgs))
            << c.lameArgs;
        std::ofstream(path, std::ios::binary | std::ios::app) << c.tail;
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
