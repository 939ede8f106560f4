// FindFirstFileW / FindNextFileW / FindClose on real folders.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/utf.h"
#include "platform/fs/fileapi.h"
#include "tests/support/temp_root.h"

namespace {

using wq::test::TempRoot;
using Names = std::vector<std::u16string>;

// Every entry a pattern delivers, in delivery order; closes the search.
std::vector<WIN32_FIND_DATAW> ListAll(const std::u16string& pattern) {
    std::vector<WIN32_FIND_DATAW> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do out.push_back(fd);
    while (FindNextFileW(h, &fd));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));
    return out;
}

Names NamesOf(const std::u16string& pattern) {
    Names names;
    for (const auto& f : ListAll(pattern)) names.push_back(f.cFileName);
    return names;
}

TEST(Find, DeliversNaturalOrderWithoutDotsAndWithRecordFields) {
    TempRoot root;
    for (const char* n : {"b.mp3", "a.mp3", "A10.mp3", "A2.mp3"})
        root.MakeFile(std::string("SDMMC Card/AUDIO/") + n, n);
    root.MakeDir("SDMMC Card/AUDIO/Sub");
    root.MakeFile("SDMMC Card/AUDIO/.hidden", "");

    const auto found = ListAll(u"SDMMC Card\\AUDIO\\*.*");
    const Names expected = {u".hidden", u"a.mp3", u"A2.mp3", u"A10.mp3", u"b.mp3", u"Sub"};
    EXPECT_EQ(NamesOf(u"SDMMC Card\\AUDIO\\*.*"), expected);
    ASSERT_EQ(found.size(), expected.size());
    EXPECT_TRUE(found[0].dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(found[1].dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN), 0u);
    EXPECT_EQ(found[3].nFileSizeLow, 7u);  // "A10.mp3" holds its own name
    EXPECT_EQ(found[5].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0x10u);
    // Another spelling with a doubled separator; masks match case-insensitively.
    EXPECT_EQ(NamesOf(u"\\sdmmc card\\audio\\\\*.*"), expected);
    EXPECT_EQ(NamesOf(u"SDMMC Card\\AUDIO\\A*.MP3"), (Names{u"a.mp3", u"A2.mp3", u"A10.mp3"}));
    // A plain name probes that entry and reports its real spelling; a folder
    // prefix ending in a backslash probes the folder itself.
    const auto probed = ListAll(u"sdmmc card\\AUDIO\\a10.MP3");
    ASSERT_EQ(probed.size(), 1u);
    EXPECT_EQ(std::u16string(probed[0].cFileName), u"A10.mp3");
    EXPECT_EQ(probed[0].nFileSizeLow, 7u);
    EXPECT_EQ(NamesOf(u"\\SDMMC Card\\AUDIO\\"), Names{u"AUDIO"});
    // The root lists with or without its backslash.
    EXPECT_EQ(NamesOf(u"\\*.*"), Names{u"SDMMC Card"});
    EXPECT_EQ(NamesOf(u"*.*"), Names{u"SDMMC Card"});
}

TEST(Find, FailsCleanlyOnMissingUnmatchedAndBadArguments) {
    TempRoot root;
    root.MakeFile("A/x.mp3");
    root.MakeDir("Empty");
    WIN32_FIND_DATAW fd;
    EXPECT_EQ(FindFirstFileW(u"Missing\\*.*", &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(FindFirstFileW(u"Empty\\*.*", &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    for (const char16_t* p : {u"A\\*.wma", u"A\\nothing.mp3", u"\\", u"..\\*.*"})
        EXPECT_EQ(FindFirstFileW(p, &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(nullptr, &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(u"A\\*.*", nullptr), INVALID_HANDLE_VALUE);
    // Closed, made-up and foreign handles are refused, never followed.
    HANDLE h = FindFirstFileW(u"A\\*.*", &fd);
    HANDLE file =
        CreateFileW(u"A\\x.mp3", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD n = 5;
    EXPECT_FALSE(ReadFile(h, &fd, 1, &n, nullptr)) << "a search is not a file";
    EXPECT_FALSE(FindNextFileW(file, &fd)) << "a file is not a search";
    EXPECT_TRUE(FindClose(h));
    EXPECT_TRUE(CloseHandle(file));
    for (HANDLE dead : {h, file, reinterpret_cast<HANDLE>(0x1234)}) {
        EXPECT_FALSE(FindNextFileW(dead, &fd));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_FALSE(ReadFile(dead, &fd, 1, &n, nullptr));
    }
}

TEST(Find, NonUtf8NamesRoundTripIntoOpen) {
    TempRoot root;
    const std::string raw = "caf\xE9 \xFF.mp3";  // Latin-1 bytes: not UTF-8
    root.MakeFile("A/" + raw, "latin1");
    const Names names = NamesOf(u"A\\*.*");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(wq::Utf16ToUtf8(names[0]), raw);
    HANDLE h = CreateFileW((u"A\\" + names[0]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(h, nullptr), 6u);
    CloseHandle(h);
}

TEST(Find, SkipsSpecialFilesBrokenLinksAndEntriesThatVanish) {
    TempRoot root;
    for (const char* n : {"A/1.mp3", "A/2.mp3", "A/3.mp3"}) root.MakeFile(n, "x");
    ASSERT_EQ(mkfifo(root.Host("A/fifo.mp3").c_str(), 0644), 0);
    std::filesystem::create_symlink(root.Host("A/nowhere"), root.Host("A/dangling.mp3"));
    std::filesystem::create_symlink("loop.mp3", root.Host("A/loop.mp3"));
    std::filesystem::create_symlink("/dev/null", root.Host("A/null.mp3"));
    EXPECT_EQ(NamesOf(u"A\\*.*"), (Names{u"1.mp3", u"2.mp3", u"3.mp3"}));

    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(u"A\\*.*", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::filesystem::remove_all(root.Host("A"));  // the rest vanishes mid-walk
    EXPECT_FALSE(FindNextFileW(h, &fd));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    FindClose(h);
}

}  // namespace
