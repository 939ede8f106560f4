// CFileFinder over a real device root: read-ahead, roots and paths, extensions.
#include "library/filefinder.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/temp_root.h"

namespace {

using wq::test::TempRoot;

TEST(FileFinder, BuildsRootsAndPathsFromThePattern) {
    TempRoot root;
    root.MakeDir("Music");
    root.MakeFile("SDMMC Card/AUDIO/a.mp3");
    const std::vector<std::u16string> top = {u"\\Music", u"\\SDMMC Card"};
    struct Case {
        const char16_t* pattern;
        const char16_t* root;
        std::vector<std::u16string> paths;
    };
    const Case cases[] = {
        {u"\\*.*", u"\\", top},
        {nullptr, u"\\", top},
        {u"*.*", u"", top},
        {u"SDMMC Card\\AUDIO\\*.*", u"SDMMC Card\\AUDIO", {u"SDMMC Card\\AUDIO\\a.mp3"}},
        {u"\\SDMMC Card\\AUDIO\\*.*", u"\\SDMMC Card\\AUDIO", {u"\\SDMMC Card\\AUDIO\\a.mp3"}},
        // A folder element restored with its trailing backslash: no doubled separator.
        {u"SDMMC Card\\AUDIO\\\\*.*", u"SDMMC Card\\AUDIO\\", {u"SDMMC Card\\AUDIO\\a.mp3"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        CFileFinder finder;
        ASSERT_TRUE(finder.FindFile(c.pattern)) << i;
        EXPECT_EQ(finder.GetRoot(), CString(c.root)) << i;
        std::vector<std::u16string> paths;
        for (BOOL more = TRUE; more;) {
            more = finder.FindNextFile();
            paths.push_back(finder.GetFilePath().str());
        }
        EXPECT_EQ(paths, c.paths) << i;
    }
}

TEST(FileFinder, ReadsOneEntryAheadReportsExtensionsFoldersAndFailures) {
    TempRoot root;
    root.MakeFile("One/only.mp3", "12345");
    CFileFinder finder;
    // Before the first FindNextFile nothing is reported.
    ASSERT_TRUE(finder.FindFile(u"One\\*.*"));
    EXPECT_EQ(finder.GetFileName(), CString());
    EXPECT_FALSE(finder.MatchesMask(0xFFFFFFFF));
    // A single entry: no further entry was read, but this one is valid.
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), CString(u"only.mp3"));
    EXPECT_EQ(finder.GetLength(), 5u);
    EXPECT_EQ(finder.GetFilePath(), CString(u"One\\only.mp3"));
    finder.Close();
    // Closed: no further stepping, the last entry still readable.
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), CString(u"only.mp3"));

    for (const char* name : {"song.final.wma", "noext", "dotted.", "Song.Mp3"})
        root.MakeFile(std::string("F/") + name);
    root.MakeDir("F/Sub");
    struct Expect {
        std::u16string name;
        std::u16string ext;
        bool folder;
    };
    const std::vector<Expect> expected = {
        {u"dotted.", u"", false},     {u"noext", u"", false}, {u"song.final.wma", u"WMA", false},
        {u"Song.Mp3", u"MP3", false}, {u"Sub", u"", true},
    };
    ASSERT_TRUE(finder.FindFile(u"F\\*.*")) << "a closed finder searches again";
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(finder.FindNextFile() != FALSE, i + 1 < expected.size());
        EXPECT_EQ(finder.GetFileName().str(), expected[i].name);
        EXPECT_EQ(finder.GetFileExt().str(), expected[i].ext) << i;
        EXPECT_EQ(finder.IsDirectory() != FALSE, expected[i].folder) << i;
        EXPECT_EQ(finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY) != FALSE, expected[i].folder) << i;
        EXPECT_FALSE(finder.IsDots());
    }
    // Nothing matches: false, no search open.
    CFileFinder none;
    EXPECT_FALSE(none.FindFile(u"F\\*.ogg"));
    EXPECT_FALSE(none.FindNextFile());
    EXPECT_FALSE(none.FindFile(u"Missing\\*.*"));
    EXPECT_EQ(none.GetRoot(), CString(u"Missing"));
}

}  // namespace
