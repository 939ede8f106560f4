// ID3v1 tags, the code page of their text, Open's result and record, and
// files that are malformed, vanish or are huge.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "platform/clock/clock.h"
#include "platform/fs/fileapi.h"
#include "platform/fs/root.h"
#include "tests/trackinfo/test_files.h"
#include "trackinfo/ansi_text.h"
#include "trackinfo/mp3info.h"

namespace wq::trackinfo::test {
namespace {

using Clock = std::chrono::steady_clock;

class TagTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::SetPathMode(fs::PathMode::Host);
        SetOpenDelay(0);
    }
    void TearDown() override {
        SetOpenDelay(kDefaultOpenDelayMs);
        SetAnsiCodePage(kDefaultAnsiCodePage);
    }
    // Opens 300 zero bytes followed by `tail`.
    int OpenWithTail(const Bytes& tail, CMP3Info* info) {
        Bytes file(300, 0);
        file.insert(file.end(), tail.begin(), tail.end());
        std::string path = dir.File("t.mp3");
        WriteBytes(path, file);
        return info->Open(Wide(path));
    }
    void ExpectCleared(const CMP3Info& info) {
        EXPECT_TRUE(info.m_strPath.IsEmpty() && info.m_strTitle.IsEmpty() && info.m_strArtist.IsEmpty() &&
                    info.m_strAlbum.IsEmpty() && info.m_strComment.IsEmpty() && info.m_strYear.IsEmpty());
        EXPECT_EQ(0u, info.m_dwFlags);
        EXPECT_EQ(0, info.m_nTrack);
        EXPECT_EQ(255, info.m_nGenre);
        EXPECT_EQ(0, info.m_nVersion + info.m_nLayer + info.m_nProtection + info.m_nBitRate + info.m_nSampleRate +
                         info.m_nChannelMode + info.m_nEmphasis + info.m_nCopyright + info.m_nOriginal);
    }

    TempDir dir;
};

TEST_F(TagTest, ReadsEveryFieldOfV1AndV11) {
    CMP3Info info;
    ASSERT_EQ(1, OpenWithTail(Id3v1Tag("Song", "Band  ", "Album", "1999", "nice", 7, 17), &info));
    EXPECT_EQ(CString(u"Song"), info.GetTitle());
    EXPECT_EQ(CString(u"Band  "), info.GetArtist()) << "trailing blanks stay";
    EXPECT_EQ(CString(u"Album"), info.m_strAlbum);
    EXPECT_EQ(CString(u"1999"), info.m_strYear);
    EXPECT_EQ(CString(u"nice"), info.m_strComment);
    EXPECT_EQ(7, info.m_nTrack);
    EXPECT_EQ(17, info.m_nGenre);
    EXPECT_EQ(CMP3Info::kFlagTag, info.m_dwFlags);

    // Full-width fields without terminators; a 30-byte comment is not v1.1.
    std::string thirty(30, 'x'), comment(30, 'c');
    ASSERT_EQ(1, OpenWithTail(Id3v1Tag(thirty, thirty, thirty, "20245", comment), &info));
    EXPECT_EQ(30, info.GetTitle().GetLength());
    EXPECT_EQ(30, info.GetArtist().GetLength());
    EXPECT_EQ(30, info.m_strAlbum.GetLength());
    EXPECT_EQ(CString(u"2024"), info.m_strYear);
    EXPECT_EQ(30, info.m_strComment.GetLength());
    EXPECT_EQ(0, info.m_nTrack);
    EXPECT_EQ(255, info.m_nGenre);
}

TEST_F(TagTest, NoTagLeavesTextAndFlagClear) {
    CMP3Info info;
    Bytes lower = Id3v1Tag("Song", "Band");
    lower[0] = 't', lower[1] = 'a', lower[2] = 'g';
    ASSERT_EQ(1, OpenWithTail(lower, &info));
    EXPECT_TRUE(info.GetTitle().IsEmpty());
    EXPECT_EQ(0u, info.m_dwFlags & CMP3Info::kFlagTag);

    std::string path = dir.File("hundred.mp3");
    Bytes hundred(100, 'A');
    hundred[0] = 'T', hundred[1] = 'A', hundred[2] = 'G';
    WriteBytes(path, hundred);
    ASSERT_EQ(1, info.Open(Wide(path)));
    EXPECT_TRUE(info.GetTitle().IsEmpty() && info.GetArtist().IsEmpty());
    EXPECT_EQ(0u, info.m_dwFlags);
    EXPECT_EQ(Wide(path), info.m_strPath);
}

TEST_F(TagTest, TextComesFromTheAnsiCodePage) {
    // "안녕하세요" and "가수" in CP949, written byte by byte.
    const std::string title = "\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4";
    const std::string artist = "\xB0\xA1\xBC\xF6";
    CMP3Info info;
    ASSERT_EQ(1, OpenWithTail(Id3v1Tag(title, artist), &info));
    EXPECT_EQ(CString(u"안녕하세요"), info.GetTitle());
    EXPECT_EQ(CString(u"가수"), info.GetArtist());

    // A lead byte cut off by the field's end, and a byte that is no
    // character, stay as escapes of themselves; the text around them decodes.
    std::string cut(29, 'a');
    cut += '\xB0';
    ASSERT_EQ(1, OpenWithTail(Id3v1Tag(cut, "A\xFF" "B"), &info));
    EXPECT_EQ(CString(std::u16string(29, u'a') + u'\xDCB0'), info.GetTitle());
    EXPECT_EQ(CString(u"A\xDCFF" u"B"), info.GetArtist());

    ASSERT_TRUE(SetAnsiCodePage("CP1252"));
    EXPECT_EQ("CP1252", GetAnsiCodePage());
    ASSERT_EQ(1, OpenWithTail(Id3v1Tag("Caf\xE9", "x"), &info));
    EXPECT_EQ(CString(u"Café"), info.GetTitle());
    EXPECT_FALSE(SetAnsiCodePage("NO-SUCH-CODEPAGE"));
    EXPECT_EQ("CP1252", GetAnsiCodePage());
}

TEST_F(TagTest, OpenClearsStoresPathAndWaits) {
    CMP3Info info;
    ExpectCleared(info);
    ASSERT_EQ(1, OpenWithTail(Id3v1Tag("Song", "Band"), &info));
    EXPECT_FALSE(info.m_bBusy);
    EXPECT_EQ(Wide(dir.File("t.mp3")), info.m_strPath);

    EXPECT_EQ(0, info.Open(Wide(dir.File("missing.mp3"))));
    ExpectCleared(info);
    EXPECT_EQ(0, info.Open(Wide(dir.path())));  // a folder
    ExpectCleared(info);
    std::string fifo = dir.File("fifo.mp3");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    auto start = Clock::now();
    EXPECT_EQ(0, info.Open(Wide(fifo)));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << "a FIFO is refused, not waited on";

    // The constructor opens a non-empty path itself.
    CMP3Info constructed(Wide(dir.File("t.mp3")));
    EXPECT_EQ(CString(u"Song"), constructed.GetTitle());
    EXPECT_FALSE(constructed.m_bBusy);

    // The player's Open waits 100 ms on the program's clock before reading.
    SetOpenDelay(kDefaultOpenDelayMs);
    clock::ScopedVirtualClock virtualTime;
    EXPECT_EQ(1, info.Open(Wide(dir.File("t.mp3"))));
    EXPECT_EQ(0, info.Open(Wide(dir.File("missing.mp3"))));
    EXPECT_EQ(200u, virtualTime.clock().Elapsed());
}

TEST_F(TagTest, MalformedFilesOpenQuicklyWithoutHarm) {
    std::mt19937 rng(11);
    CMP3Info info;
    for (int i = 0; i < 40; ++i) {
        Bytes file(rng() % 600, 0);
        for (auto& b : file) b = static_cast<std::uint8_t>(rng());
        if (i % 4 == 0 && file.size() >= 128) file[file.size() - 128] = 'T', file[file.size() - 127] = 'A', file[file.size() - 126] = 'G';
        std::string path = dir.File("rnd" + std::to_string(i));
        WriteBytes(path, file);
        EXPECT_EQ(1, info.Open(Wide(path)));
        EXPECT_TRUE(info.m_nBitRate >= 0 && info.m_nBitRate <= 448);
        EXPECT_EQ(i % 4 == 0 && file.size() >= 128, (info.m_dwFlags & CMP3Info::kFlagTag) != 0) << i;
    }
    std::string empty = dir.File("empty.mp3");
    WriteBytes(empty, {});
    EXPECT_EQ(1, info.Open(Wide(empty)));
    EXPECT_EQ(0u, info.m_dwFlags);

    // 2 GB and 5 GB sparse files: no sync in the window, the tag found past 4 GiB.
    std::string big = dir.File("big.mp3");
    int fd = ::open(big.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, ftruncate(fd, 2LL << 30));
    auto start = Clock::now();
    EXPECT_EQ(1, info.Open(Wide(big)));
    EXPECT_EQ(0u, info.m_dwFlags);
    Bytes tag = Id3v1Tag("Far", "Away");
    ASSERT_EQ(128, pwrite(fd, tag.data(), tag.size(), (5LL << 30) - 128));
    ::close(fd);
    EXPECT_EQ(1, info.Open(Wide(big)));
    EXPECT_EQ(CString(u"Far"), info.GetTitle());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

TEST_F(TagTest, FileThatVanishesOrShrinksAfterOpening) {
    Bytes file(5000, 0);
    file[100] = 0xFF, file[101] = 0xFB, file[102] = 0x90, file[103] = 0x64;
    Bytes tag = Id3v1Tag("Song", "Band");
    file.insert(file.end(), tag.begin(), tag.end());
    for (int how = 0; how < 2; ++how) {
        std::string path = dir.File("v" + std::to_string(how));
        WriteBytes(path, file);
        HANDLE h = CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        if (how == 0) {
            std::filesystem::remove(path);  // the open handle still reads
        } else {
            std::filesystem::resize_file(path, 0);  // nothing left to read
        }
        CMP3Info info;
        info.m_bBusy = true;
        DWORD header = 0;
        EXPECT_EQ(how == 0, info.FindFrameSync(h, &header, 0));
        info.ReadID3v1(h);
        EXPECT_EQ(how == 0, info.GetTitle() == CString(u"Song"));
        CloseHandle(h);
        EXPECT_EQ(0, info.Open(Wide(dir.File("v0")))) << "gone before Open";
    }
}

}  // namespace
}  // namespace wq::trackinfo::test
