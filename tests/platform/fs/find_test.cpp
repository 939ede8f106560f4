// FindFirstFileW / FindNextFileW / FindClose on real folders.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/utf.h"
#include "platform/fs/fileapi.h"
#include "tests/platform/fs/temp_root.h"

namespace {

using wq::test::TempRoot;

struct Found {
    std::u16string name;
    DWORD attributes;
    std::uint64_t size;
};

// Every entry a pattern delivers, in delivery order; closes the search.
std::vector<Found> ListAll(const char16_t* pattern) {
    std::vector<Found> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        out.push_back({fd.cFileName, fd.dwFileAttributes,
                       (static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow});
    } while (FindNextFileW(h, &fd));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));
    return out;
}

std::vector<std::u16string> Names(const std::vector<Found>& found) {
    std::vector<std::u16string> names;
    for (const auto& f : found) names.push_back(f.name);
    return names;
}

TEST(Find, DeliversNaturalOrderWithoutDotsAndWithRecordFields) {
    TempRoot root;
    for (const char* n : {"b.mp3", "a.mp3", "A10.mp3", "A2.mp3"}) root.MakeFile(std::string("SDMMC Card/AUDIO/") + n, n);
    root.MakeDir("SDMMC Card/AUDIO/Sub");
    root.MakeFile("SDMMC Card/AUDIO/.hidden", "");

    const auto found = ListAll(u"SDMMC Card\\AUDIO\\*.*");
    const std::vector<std::u16string> expected = {u".hidden", u"a.mp3", u"A2.mp3", u"A10.mp3", u"b.mp3", u"Sub"};
    EXPECT_EQ(Names(found), expected);
    ASSERT_EQ(found.size(), expected.size());
    EXPECT_EQ(found[0].attributes & FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(found[1].attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN), 0u);
    EXPECT_EQ(found[3].size, 7u);  // "A10.mp3" holds its own name
    EXPECT_EQ(found[5].attributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);

    // The same folder through another spelling and a doubled separator.
    EXPECT_EQ(Names(ListAll(u"\\sdmmc card\\audio\\\\*.*")), expected);
    // Masks match case-insensitively.
    EXPECT_EQ(Names(ListAll(u"SDMMC Card\\AUDIO\\A*.MP3")),
              (std::vector<std::u16string>{u"a.mp3", u"A2.mp3", u"A10.mp3"}));
}

TEST(Find, WriteTimeIsInFileTimeUnits) {
    TempRoot root;
    const std::string f = root.MakeFile("t.mp3", "x");
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};  // 2001-09-09 01:46:40 UTC
    ASSERT_EQ(utimensat(AT_FDCWD, f.c_str(), times, 0), 0);
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(u"t.mp3", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FindClose(h);
    const std::uint64_t ft = (static_cast<std::uint64_t>(fd.ftLastWriteTime.dwHighDateTime) << 32) |
                             fd.ftLastWriteTime.dwLowDateTime;
    EXPECT_EQ(ft, (1000000000ULL + 11644473600ULL) * 10000000ULL);
}

TEST(Find, ProbesOneEntryByNameOrFolderPrefix) {
    TempRoot root;
    root.MakeFile("SDMMC Card/AUDIO/x.mp3", "abc");
    // A plain name probes that entry and reports its real spelling.
    auto found = ListAll(u"sdmmc card\\AUDIO\\X.MP3");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, u"x.mp3");
    EXPECT_EQ(found[0].size, 3u);
    // A folder prefix ending in a backslash probes the folder itself.
    found = ListAll(u"SDMMC Card\\");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, u"SDMMC Card");
    EXPECT_EQ(found[0].attributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    found = ListAll(u"\\SDMMC Card\\AUDIO\\");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, u"AUDIO");
    // The root lists with or without its backslash.
    EXPECT_EQ(Names(ListAll(u"\\*.*")), std::vector<std::u16string>{u"SDMMC Card"});
    EXPECT_EQ(Names(ListAll(u"*.*")), std::vector<std::u16string>{u"SDMMC Card"});
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
    EXPECT_EQ(FindFirstFileW(u"A\\*.wma", &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(u"A\\nothing.mp3", &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(u"\\", &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(u"..\\*.*", &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(nullptr, &fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(u"A\\*.*", nullptr), INVALID_HANDLE_VALUE);
    // Closed and made-up handles are refused, never followed.
    HANDLE h = FindFirstFileW(u"A\\*.*", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FindClose(h));
    EXPECT_FALSE(FindClose(h));
    EXPECT_FALSE(FindNextFileW(h, &fd));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FindNextFileW(reinterpret_cast<HANDLE>(0x1234), &fd));
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
}

TEST(Find, NonUtf8NamesRoundTripIntoOpen) {
    TempRoot root;
    const std::string raw = "caf\xE9 \xFF.mp3";  // Latin-1 bytes: not UTF-8
    root.MakeFile("A/" + raw, "latin1");
    const auto found = ListAll(u"A\\*.*");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(wq::Utf16ToUtf8(found[0].name), raw);
    const std::u16string path = u"A\\" + found[0].name;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char buf[16] = {};
    DWORD n = 0;
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "latin1");
    CloseHandle(h);
}

TEST(Find, SkipsSpecialFilesBrokenLinksAndEntriesThatVanish) {
    TempRoot root;
    root.MakeFile("A/1.mp3", "1");
    root.MakeFile("A/2.mp3", "2");
    root.MakeFile("A/3.mp3", "3");
    ASSERT_EQ(mkfifo(root.Host("A/fifo.mp3").c_str(), 0644), 0);
    std::filesystem::create_symlink(root.Host("A/nowhere"), root.Host("A/dangling.mp3"));
    std::filesystem::create_symlink("loop.mp3", root.Host("A/loop.mp3"));
    std::filesystem::create_symlink("/dev/null", root.Host("A/null.mp3"));

    EXPECT_EQ(Names(ListAll(u"A\\*.*")), (std::vector<std::u16string>{u"1.mp3", u"2.mp3", u"3.mp3"}));

    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(u"A\\*.*", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::u16string(fd.cFileName), u"1.mp3");
    // The rest of the folder disappears while the walk is under way.
    std::filesystem::remove_all(root.Host("A"));
    EXPECT_FALSE(FindNextFileW(h, &fd));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    FindClose(h);
}

TEST(Find, LongNamesAndDeepFolders) {
    TempRoot root;
    const std::string longName = std::string(251, 'n') + ".mp3";  // 255 bytes, the host's limit
    root.MakeFile("L/" + longName, "x");
    auto found = ListAll(u"L\\*.*");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name.size(), 255u);

    std::string deep;
    std::u16string devicePath;
    for (int i = 0; i < 100; ++i) {
        deep += "d" + std::to_string(i) + "/";
        devicePath += u"D" + wq::Utf8ToUtf16(std::to_string(i)) + u"\\";
    }
    root.MakeFile(deep + "leaf.mp3", "leaf");
    found = ListAll((devicePath + u"*.*").c_str());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, u"leaf.mp3");
}

TEST(Find, HostModeReadsPlainHostPaths) {
    TempRoot root;
    root.MakeFile("plain/one.mp3", "1");
    wq::fs::SetPathMode(wq::fs::PathMode::Host);
    const std::u16string pattern = wq::Utf8ToUtf16(root.Host("plain/*.mp3"));
    const auto found = ListAll(pattern.c_str());
    const std::u16string file = wq::Utf8ToUtf16(root.Host("plain/one.mp3"));
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    wq::fs::SetPathMode(wq::fs::PathMode::Device);
    EXPECT_EQ(Names(found), std::vector<std::u16string>{u"one.mp3"});
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(h, nullptr), 1u);
    CloseHandle(h);
}

}  // namespace
