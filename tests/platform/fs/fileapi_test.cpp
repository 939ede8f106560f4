// The file calls on real folders: FindFirstFileW / FindNextFileW / FindClose
// and CreateFileW / ReadFile / WriteFile / SetFilePointer.
#include "platform/fs/fileapi.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "platform/base/utf.h"
#include "tests/support/temp_root.h"

namespace {

using wq::test::TempRoot;
using Names = std::vector<std::u16string>;

// The names a pattern delivers, in delivery order; closes the search. With
// `namesOnly` through FindFirstFileNamesW (the explorer's walk).
Names NamesOf(const std::u16string& pattern, bool namesOnly = false) {
    Names names;
    WIN32_FIND_DATAW fd;
    HANDLE h = namesOnly ? FindFirstFileNamesW(pattern.c_str(), &fd)
                         : FindFirstFileW(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(fd.cFileName);
    while (FindNextFileW(h, &fd));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));
    return names;
}

HANDLE Open(const char16_t* path) {
    return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

std::string Read(HANDLE h, DWORD max) {
    char buf[128];
    DWORD n = 99;
    EXPECT_TRUE(ReadFile(h, buf, max, &n, nullptr));
    return std::string(buf, n);
}

// Natural order without "." and "..", links followed, by both walks (the
// records' other fields: the explorer's tests read which entries are folders).
TEST(Find, DeliversNaturalOrderWithoutDots) {
    TempRoot root;
    const std::string audio = root.MakeDir("SDMMC Card/AUDIO") + "/";
    for (const char* n : {"b.mp3", "a.mp3", "A10.mp3", "A2.mp3"})
        root.MakeFile(std::string("SDMMC Card/AUDIO/") + n, n);
    root.MakeDir("SDMMC Card/AUDIO/Sub");
    root.MakeFile("SDMMC Card/AUDIO/.hidden", "");
    std::filesystem::create_directory_symlink(audio + "Sub", audio + "Linked");
    std::filesystem::create_symlink(audio + "b.mp3", audio + "c.mp3");

    const Names expected = {u".hidden", u"a.mp3", u"A2.mp3", u"A10.mp3",
                            u"b.mp3",   u"c.mp3", u"Linked", u"Sub"};
    EXPECT_EQ(NamesOf(u"SDMMC Card\\AUDIO\\*.*"), expected);
    EXPECT_EQ(NamesOf(u"SDMMC Card\\AUDIO\\*.*", true), expected);
    // Another spelling with a doubled separator.
    EXPECT_EQ(NamesOf(u"\\sdmmc card\\audio\\\\*.*"), expected);
}

// Missing folders, unmatched masks and bad arguments fail cleanly; special
// files, broken links and entries that vanish mid-walk are skipped.
TEST(Find, FailsCleanlyAndSkipsSpecialFilesBrokenLinksAndEntriesThatVanish) {
    TempRoot root;
    for (const char* name : {"A/1.mp3", "A/2.mp3", "A/3.mp3"}) root.MakeFile(name, "x");
    root.MakeDir("Empty");
    // (Of the error codes the program reads only ERROR_ACCESS_DENIED: the library's tests.)
    WIN32_FIND_DATAW fd;
    for (const char16_t* p :
         {u"Missing\\*.*", u"Empty\\*.*", u"A\\*.wma", u"A\\nothing.mp3", u"\\", u"..\\*.*"})
        EXPECT_EQ(FindFirstFileW(p, &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(nullptr, &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(u"A\\*.*", nullptr), INVALID_HANDLE_VALUE);
    ASSERT_EQ(mkfifo(root.Host("A/fifo.mp3").c_str(), 0644), 0);
    std::filesystem::create_symlink(root.Host("A/nowhere"), root.Host("A/dangling.mp3"));
    std::filesystem::create_symlink("loop.mp3", root.Host("A/loop.mp3"));
    std::filesystem::create_symlink("/dev/null", root.Host("A/null.mp3"));
    EXPECT_EQ(NamesOf(u"A\\*.*"), (Names{u"1.mp3", u"2.mp3", u"3.mp3"}));
    EXPECT_EQ(NamesOf(u"A\\*.*", true), (Names{u"1.mp3", u"2.mp3", u"3.mp3"}));
    HANDLE h = FindFirstFileW(u"A\\*.*", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::filesystem::remove_all(root.Host("A"));  // the rest vanishes mid-walk
    EXPECT_FALSE(FindNextFileW(h, &fd));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    FindClose(h);
}

TEST(File, ShortReadsAtTheEndAndSeeksBeforeTheStartFail) {
    TempRoot root;
    root.MakeFile("t.bin", "0123456789");
    HANDLE h = Open(u"T.BIN");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(h, nullptr), 10u);
    EXPECT_EQ(Read(h, 4), "0123");
    // Three bytes back in the 64-bit form, as the frame search does.
    LONG high = -1;
    EXPECT_EQ(SetFilePointer(h, -3, &high, FILE_CURRENT), 1u);
    EXPECT_EQ(high, 0);
    EXPECT_EQ(Read(h, 128), "123456789");  // a short read is a success
    EXPECT_EQ(Read(h, 128), "");           // so is nothing at the end

    // Before the start fails and leaves the position alone.
    EXPECT_EQ(SetFilePointer(h, 4, nullptr, FILE_BEGIN), 4u);
    EXPECT_EQ(SetFilePointer(h, -128, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(SetFilePointer(h, -5, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(Read(h, 2), "45");
    EXPECT_TRUE(CloseHandle(h));
}

TEST(File, OnlyExistingRegularFilesOpenAndAFifoNeverBlocks) {
    TempRoot root;
    const std::string fifo = root.Host("x.mp3");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", root.Host("zero.mp3").c_str()), 0);
    root.MakeDir("folder.mp3");
    auto opened = std::async(std::launch::async, [] { return Open(u"x.mp3"); });
    if (opened.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
        // Release the blocked open by providing the other end, then fail.
        const int fd = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        ADD_FAILURE() << "opening a FIFO blocked";
        opened.wait();
        close(fd);
    }
    EXPECT_EQ(opened.get(), INVALID_HANDLE_VALUE);
    for (const char16_t* p : {u"zero.mp3", u"folder.mp3", u"missing.mp3", u"\\Missing\\x.mp3"})
        EXPECT_EQ(Open(p), INVALID_HANDLE_VALUE) << wq::Utf16ToUtf8(p);
}

}  // namespace
