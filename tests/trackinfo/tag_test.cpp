// ID3v1 tags and the code page of their text; Open's result and record on
// files that are missing, malformed, emptied after opening or are huge.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>

#include "tests/trackinfo/test_files.h"

namespace wq::trackinfo::test {
namespace {

using Clock = std::chrono::steady_clock;
using Texts = std::vector<std::u16string>;

// title, artist, album, year, comment
Texts TextsOf(const CMP3Info& i) {
    return {i.m_strTitle.str(), i.m_strArtist.str(), i.m_strAlbum.str(), i.m_strYear.str(),
            i.m_strComment.str()};
}

class TagTest : public HostFiles {
protected:
    // Opens a frame header and 296 zero bytes followed by `tail`.
    int OpenWithTail(const std::string& tail, CMP3Info* info) {
        return OpenBytes("\xFF\xFB\x90\x64" + std::string(296, '\0') + tail, info, "t.mp3");
    }
};

TEST_F(TagTest, ReadsEveryFieldOfV1AndV11) {
    CMP3Info info;
    ASSERT_EQ(1, OpenWithTail(Id3v1Tag("Song", "Band  ", "Album", "1999", "nice", 7, 17), &info));
    EXPECT_EQ((Texts{u"Song", u"Band  ", u"Album", u"1999", u"nice"}), TextsOf(info))
        << "trailing blanks stay";
    // (Track, genre and the flags from any bytes: the mp3info fuzz target.)
    // Fields filling their width have no terminator; a 30-byte comment is not v1.1.
    std::string x30(30, 'x');
    ASSERT_EQ(1, OpenWithTail(Id3v1Tag(x30, x30, x30, "20245", std::string(30, 'c')), &info));
    std::u16string w30(30, u'x');
    EXPECT_EQ((Texts{w30, w30, w30, u"2024", std::u16string(30, u'c')}), TextsOf(info));
}

TEST_F(TagTest, TextComesFromTheAnsiCodePage) {
    // A CP949 lead byte cut off by the field's end and a byte that is no
    // character stay as escapes of themselves; the text around them decodes.
    CMP3Info info;
    ASSERT_EQ(1, OpenWithTail(Id3v1Tag(std::string(29, 'a') + "\xB0", "A\xFFZ"), &info));
    EXPECT_EQ(CString(std::u16string(29, u'a') + u'\xDCB0'), info.GetTitle());
    EXPECT_EQ(CString(u"A\xDCFFZ"), info.GetArtist());
}

TEST_F(TagTest, OpenClearsTheRecordAndRefusesWhatIsNoFile) {
    auto cleared = [](const CMP3Info& i) {
        return std::vector<int>{int(i.m_dwFlags), i.m_nTrack,      i.m_nGenre,     i.m_nVersion,
                                i.m_nLayer,       i.m_nProtection, i.m_nBitRate,   i.m_nSampleRate,
                                i.m_nChannelMode, i.m_nEmphasis,   i.m_nCopyright, i.m_nOriginal} ==
                   std::vector<int>{0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0} &&
               TextsOf(i) == Texts(5);
    };
    CMP3Info info;
    EXPECT_TRUE(cleared(info));
    ASSERT_EQ(1, OpenWithTail(Id3v1Tag("Song", "Band", "", "", "", 3, 7), &info));
    for (const std::string& bad : {dir.Host("missing.mp3"), dir.Path()}) {  // and a folder
        EXPECT_EQ(0, info.Open(Wide(bad)));
        EXPECT_TRUE(cleared(info)) << bad;
    }
    ASSERT_EQ(0, mkfifo(dir.Host("fifo.mp3").c_str(), 0600));
    auto start = Clock::now();
    EXPECT_EQ(0, info.Open(Wide(dir.Host("fifo.mp3"))));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << "a FIFO is refused, not waited on";
}

// Random bytes are the mp3info fuzz target's (its replay runs with the tests).
TEST_F(TagTest, EmptyShortAndHugeFilesOpenQuickly) {
    CMP3Info info;
    // A 0-byte file, a lower-case marker, and a marker in a file shorter than a tag.
    for (const std::string& file :
         {""s, "tag" + Id3v1Tag("Song", "Band").substr(3), "TAG" + std::string(97, 'A')}) {
        EXPECT_EQ(1, OpenBytes(file, &info));
        EXPECT_EQ(0u, info.m_dwFlags) << file.size() << " bytes";
        EXPECT_EQ(Texts(5), TextsOf(info));
    }

    // A sparse 2 GB file with no sync and no tag.
    const std::string big = dir.Host("big.mp3");
    std::filesystem::resize_file(dir.MakeFile("big.mp3"), 2LL << 30);
    auto start = Clock::now();
    EXPECT_EQ(1, info.Open(Wide(big)));
    EXPECT_EQ(0u, info.m_dwFlags);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

TEST_F(TagTest, AFileEmptiedAfterOpeningReadsAsNothing) {
    const std::string path =
        dir.MakeFile("v", std::string(100, '\0') + "\xFF\xFB\x90" + std::string(4897, '\0') +
                              Id3v1Tag("Song", "Band"));
    HANDLE h =
        CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    std::filesystem::resize_file(path, 0);
    CMP3Info info;
    info.m_bBusy = true;
    DWORD header = 0;
    EXPECT_FALSE(info.FindFrameSync(h, &header, 0));
    info.ReadID3v1(h);
    EXPECT_EQ(CString(), info.GetTitle());
    CloseHandle(h);
}

}  // namespace
}  // namespace wq::trackinfo::test
