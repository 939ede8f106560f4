// FindFirstFileW / FindNextFileW / FindClose on real folders.
#include <gtest/gtest.h>
#include <fcntl.h>
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

bool IsDir(const WIN32_FIND_DATAW& f) { return f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY; }

TEST(Find, DeliversNaturalOrderWithoutDotsAndWithRecordFields) {
    TempRoot root;
    for (const char* n : {"b.mp3", "a.mp3", "A10.mp3", "A2.mp3"}) root.MakeFile(std::string("SDMMC Card/AUDIO/") + n, n);
    root.MakeDir("SDMMC Card/AUDIO/Sub");
    root.MakeFile("SDMMC Card/AUDIO/.hidden", "");

    const auto found = ListAll(u"SDMMC Card\\AUDIO\\*.*");
    const Names expected = {u".hidden", u"a.mp3", u"A2.mp3", u"A10.mp3", u"b.mp3", u"Sub"};
    EXPECT_EQ(NamesOf(u"SDMMC Card\\AUDIO\\*.*"), expected);
    ASSERT_EQ(found.size(), expected.size());
    EXPECT_TRUE(found[0].dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(found[1].dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN), 0u);
    EXPECT_EQ(found[3].nFileSizeLow, 7u);  // "A10.mp3" holds its own name
    EXPECT_TRUE(IsDir(found[5]));
    // Another spelling with a doubled separator; masks match case-insensitively.
    EXPECT_EQ(NamesOf(u"\\sdmmc card\\audio\\\\*.*"), expected);
    EXPECT_EQ(NamesOf(u"SDMMC Card\\AUDIO\\A*.MP3"), (Names{u"a.mp3", u"A2.mp3", u"A10.mp3"}));
}

TEST(Find, ProbesOneEntryByNameOrFolderPrefixWithItsWriteTime) {
    TempRoot root;
    const std::string f = root.MakeFile("SDMMC Card/AUDIO/x.mp3", "abc");
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, f.c_str(), times, 0), 0);
    // A plain name probes that entry and reports its real spelling.
    auto found = ListAll(u"sdmmc card\\AUDIO\\X.MP3");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(std::u16string(found[0].cFileName), u"x.mp3");
    EXPECT_EQ(found[0].nFileSizeLow, 3u);
    const std::uint64_t ft =
        (std::uint64_t{found[0].ftLastWriteTime.dwHighDateTime} << 32) | found[0].ftLastWriteTime.dwLowDateTime;
    EXPECT_EQ(ft, (1000000000ULL + 11644473600ULL) * 10000000ULL);  // 100 ns units since 1601
    // A folder prefix ending in a backslash probes the folder itself.
    found = ListAll(u"\\SDMMC Card\\AUDIO\\");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(std::u16string(found[0].cFileName), u"AUDIO");
    EXPECT_TRUE(IsDir(found[0]));
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
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 5;
    EXPECT_FALSE(ReadFile(h, &fd, 1, &n, nullptr)) << "a search is not a file";
    EXPECT_TRUE(CloseHandle(h));  // CloseHandle also ends a search
    EXPECT_FALSE(FindClose(h));
    EXPECT_FALSE(FindNextFileW(h, &fd));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FindNextFileW(reinterpret_cast<HANDLE>(0x1234), &fd));
    HANDLE file = CreateFileW(u"A\\x.mp3", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(FindNextFileW(file, &fd)) << "a file is not a search";
    EXPECT_TRUE(CloseHandle(file));
    n = 5;
    EXPECT_FALSE(ReadFile(file, &fd, 1, &n, nullptr));
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetFileSize(file, nullptr), INVALID_FILE_SIZE);
}

TEST(Find, NonUtf8NamesRoundTripIntoOpen) {
    TempRoot root;
    const std::string raw = "caf\xE9 \xFF.mp3";  // Latin-1 bytes: not UTF-8
    root.MakeFile("A/" + raw, "latin1");
    const Names names = NamesOf(u"A\\*.*");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(wq::Utf16ToUtf8(names[0]), raw);
    HANDLE h = CreateFileW((u"A\\" + names[0]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char buf[16] = {};
    DWORD n = 0;
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "latin1");
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

TEST(Find, LongNamesDeepFoldersAndHostPaths) {
    TempRoot root;
    const std::string leaf = std::string(251, 'n') + ".mp3";  // 255 bytes, the host's limit
    std::string deep;
    std::u16string devicePath;
    for (int i = 0; i < 100; ++i) {
        deep += "d" + std::to_string(i) + "/";
        devicePath += u"D" + wq::Utf8ToUtf16(std::to_string(i)) + u"\\";
    }
    root.MakeFile(deep + leaf, "leaf");
    const Names expected = {wq::Utf8ToUtf16(leaf)};
    EXPECT_EQ(NamesOf(devicePath + u"*.*"), expected);

    wq::fs::SetPathMode(wq::fs::PathMode::Host);
    const Names host = NamesOf(wq::Utf8ToUtf16(root.Host(deep + "*.mp3")));
    HANDLE h = CreateFileW(wq::Utf8ToUtf16(root.Host(deep + leaf)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    wq::fs::SetPathMode(wq::fs::PathMode::Device);
    EXPECT_EQ(host, expected);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(h, nullptr), 4u);
    CloseHandle(h);
}

}  // namespace
