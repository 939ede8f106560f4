// CMP3Info on real files made at test time by lame and ffmpeg.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/trackinfo/test_files.h"

namespace wq::trackinfo::test {
namespace {

using EncodedTest = HostFiles;

TEST_F(EncodedTest, LameFilesGiveVersionLayerAndRates) {
    const struct {
        const char* lameArgs;
        int inputRate, channels, version, sampleRate, bitRate, channelMode;
    } cases[] = {
        {"-b 128 -m j --resample 44.1", 44100, 2, 3, 44100, 128, 1},
        {"-b 192 -m s --resample 48", 48000, 2, 3, 48000, 192, 0},
        {"-b 64 -m j --resample 32", 32000, 2, 3, 32000, 64, 1},
        {"-b 40 -m m --resample 22.05", 22050, 1, 2, 22050, 40, 3},
        {"-b 16 -m m --resample 8", 8000, 1, 1, 8000, 16, 3},
    };
    for (const auto& c : cases) {
        std::string path = dir.File("cbr.mp3");
        ASSERT_TRUE(MakeMp3WithLame(path, std::string(c.lameArgs) + " -t", c.inputRate, c.channels));
        CMP3Info info;
        ASSERT_EQ(1, info.Open(Wide(path)));
        EXPECT_EQ((std::vector<int>{c.version, 3, c.sampleRate, c.bitRate, c.channelMode, int(CMP3Info::kFlagHeader)}),
                  (std::vector<int>{info.m_nVersion, info.m_nLayer, info.GetSampleRate(), info.GetBitRate(),
                                    info.m_nChannelMode, int(info.m_dwFlags)}))
            << c.lameArgs;
    }
}

// Opens `path` and expects what decoding the 4 bytes at the file's first
// sync pattern gives; returns that offset.
long ExpectFirstSyncDecoded(const std::string& path, CMP3Info* info) {
    Bytes bytes = ReadBytes(path);
    long at = FirstSyncOffset(bytes);
    EXPECT_GE(at, 0);
    EXPECT_EQ(1, info->Open(Wide(path)));
    CMP3Info want;
    want.DecodeHeader(BigEndianAt(bytes, static_cast<size_t>(std::max(at, 0L))));
    EXPECT_EQ((std::vector<int>{want.m_nVersion, want.m_nLayer, want.GetBitRate(), want.GetSampleRate()}),
              (std::vector<int>{info->m_nVersion, info->m_nLayer, info->GetBitRate(), info->GetSampleRate()}));
    return at;
}

TEST_F(EncodedTest, VbrShowsTheFirstFrame) {
    // lame writes its Xing/Info frame first; that frame's own rate is what shows.
    std::string path = dir.File("vbr.mp3");
    ASSERT_TRUE(MakeMp3WithLame(path, "-V 2 --tt Vbr --ta Someone --ty 2001 --tn 4 --id3v1-only", 44100, 2));
    CMP3Info info;
    EXPECT_EQ(0, ExpectFirstSyncDecoded(path, &info));
    EXPECT_GT(info.GetBitRate(), 0);
    EXPECT_EQ(44100, info.GetSampleRate());
    EXPECT_EQ(CString(u"Vbr"), info.GetTitle());
    EXPECT_EQ(CString(u"Someone"), info.GetArtist());
    EXPECT_EQ(CString(u"2001"), info.m_strYear);
    EXPECT_EQ(4, info.m_nTrack);
    EXPECT_EQ(CMP3Info::kFlagHeader | CMP3Info::kFlagTag, info.m_dwFlags);
}

TEST_F(EncodedTest, Id3v2InFrontIsScannedLikeAudio) {
    // lame writes the title as UTF-16 with the byte-order mark FF FE, whose
    // bits read as an MPEG-1 layer 1 header: the first pattern wins.
    std::string path = dir.File("v2.mp3");
    ASSERT_TRUE(MakeMp3WithLame(path, "-b 128 -t --tt Front --id3v2-only", 44100, 2));
    Bytes bytes = ReadBytes(path);
    ASSERT_EQ('I', bytes[0]);
    long tagEnd = 10 + ((bytes[6] << 21) | (bytes[7] << 14) | (bytes[8] << 7) | bytes[9]);
    CMP3Info info;
    long at = ExpectFirstSyncDecoded(path, &info);
    ASSERT_GT(at, 0);
    ASSERT_LT(at, tagEnd) << "lame's tag no longer holds a sync pattern";
    EXPECT_EQ(0xFE, bytes[static_cast<size_t>(at) + 1]);
    EXPECT_EQ(1, info.m_nLayer);
    EXPECT_TRUE(info.GetTitle().IsEmpty()) << "ID3v2 text is not read";
}

TEST_F(EncodedTest, WmaHasNoMpegHeader) {
    std::string path = dir.File("t.wma");
    ASSERT_TRUE(test::Run("ffmpeg -v error -y -f lavfi -i 'sine=frequency=440:duration=2:sample_rate=44100' "
                    "-ac 2 -c:a wmav2 -b:a 64k -metadata title=Wm '" + path + "'"));
    ASSERT_EQ(-1, FirstSyncOffset(ReadBytes(path))) << "this encoder's output happens to hold a sync pattern; "
                                                       "the WMA case needs a file without one";
    CMP3Info info;
    ASSERT_EQ(1, info.Open(Wide(path)));
    EXPECT_EQ(0, info.GetBitRate());
    EXPECT_EQ(0, info.GetSampleRate());
    EXPECT_EQ(0u, info.m_dwFlags);
    EXPECT_TRUE(info.GetTitle().IsEmpty());
}

}  // namespace
}  // namespace wq::trackinfo::test
