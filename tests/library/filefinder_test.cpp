// CFileFinder over a real device root: read-ahead, roots and paths, extensions.
#include <gtest/gtest.h>

#include <vector>

#include "library/filefinder.h"
#include "platform/device/hooks.h"
#include "tests/support/temp_root.h"

namespace {

using wq::test::TempRoot;

// Walks a search in the documented order and collects every entry's path.
std::vector<std::u16string> Walk(CFileFinder& finder) {
    std::vector<std::u16string> paths;
    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        paths.push_back(finder.GetFilePath().str());
    }
    return paths;
}

TEST(FileFinder, ReadsOneEntryAheadAndKeepsTheLastEntryValid) {
    TempRoot root;
    root.MakeFile("One/only.mp3", "12345");
    CFileFinder finder;
    // Before the first FindNextFile nothing is reported.
    ASSERT_TRUE(finder.FindFile(u"One\\*.*"));
    EXPECT_EQ(finder.GetFileName(), CString());
    EXPECT_FALSE(finder.IsDirectory());
    EXPECT_FALSE(finder.MatchesMask(0xFFFFFFFF));
    EXPECT_EQ(finder.GetLength(), 0u);
    EXPECT_EQ(finder.GetFileExt(), CString());
    // A single entry: no further entry was read, but this one is valid.
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), CString(u"only.mp3"));
    EXPECT_EQ(finder.GetLength(), 5u);
    EXPECT_EQ(finder.GetFilePath(), CString(u"One\\only.mp3"));
    finder.Close();
    // Closed: no further stepping, the last entry still readable.
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), CString(u"only.mp3"));

    root.MakeFile("Two/a.mp3");
    root.MakeFile("Two/b.mp3");
    ASSERT_TRUE(finder.FindFile(u"Two\\*.*"));  // a new search reuses the records
    EXPECT_TRUE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), CString(u"a.mp3"));
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), CString(u"b.mp3"));
}

TEST(FileFinder, BuildsRootsAndPathsFromThePattern) {
    TempRoot root;
    root.MakeDir("Music");
    root.MakeFile("SDMMC Card/AUDIO/a.mp3");
    struct Case {
        const char16_t* pattern;
        const char16_t* root;
        std::vector<std::u16string> paths;
    };
    const Case cases[] = {
        {u"\\*.*", u"\\", {u"\\Music", u"\\SDMMC Card"}},
        {nullptr, u"\\", {u"\\Music", u"\\SDMMC Card"}},
        {u"SDMMC Card\\AUDIO\\*.*", u"SDMMC Card\\AUDIO", {u"SDMMC Card\\AUDIO\\a.mp3"}},
        {u"\\SDMMC Card\\AUDIO\\*.*", u"\\SDMMC Card\\AUDIO", {u"\\SDMMC Card\\AUDIO\\a.mp3"}},
        // A folder element restored with its trailing backslash: no doubled separator.
        {u"SDMMC Card\\AUDIO\\\\*.*", u"SDMMC Card\\AUDIO\\", {u"SDMMC Card\\AUDIO\\a.mp3"}},
        {u"*.*", u"", {u"\\Music", u"\\SDMMC Card"}},
    };
    for (const auto& c : cases) {
        CFileFinder finder;
        ASSERT_TRUE(finder.FindFile(c.pattern)) << CString(c.pattern ? c.pattern : u"null").ToUtf8();
        EXPECT_EQ(finder.GetRoot(), CString(c.root));
        EXPECT_EQ(Walk(finder), c.paths) << CString(c.pattern ? c.pattern : u"null").ToUtf8();
    }
}

TEST(FileFinder, ReportsExtensionsFoldersAndFailures) {
    TempRoot root;
    for (const char* name : {"song.final.wma", "noext", "dotted.", "Song.Mp3"}) root.MakeFile(std::string("F/") + name);
    root.MakeDir("F/Sub");
    struct Expect {
        std::u16string name;
        std::u16string ext;
        bool folder;
    };
    const std::vector<Expect> expected = {
        {u"dotted.", u"", false}, {u"noext", u"", false}, {u"song.final.wma", u"WMA", false},
        {u"Song.Mp3", u"MP3", false}, {u"Sub", u"", true},
    };
    CFileFinder finder;
    ASSERT_TRUE(finder.FindFile(u"F\\*.*"));
    for (size_t i = 0; i < expected.size(); ++i) {
        const BOOL more = finder.FindNextFile();
        EXPECT_EQ(more != FALSE, i + 1 < expected.size());
        EXPECT_EQ(finder.GetFileName().str(), expected[i].name);
        EXPECT_EQ(finder.GetFileExt().str(), expected[i].ext) << CString(expected[i].name).ToUtf8();
        EXPECT_EQ(finder.IsDirectory() != FALSE, expected[i].folder);
        EXPECT_EQ(finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY) != FALSE, expected[i].folder);
        EXPECT_FALSE(finder.IsDots());
    }

    // Nothing matches: false, no search open, Close does nothing.
    CFileFinder none;
    EXPECT_FALSE(none.FindFile(u"F\\*.ogg"));
    EXPECT_FALSE(none.FindNextFile());
    none.Close();
    EXPECT_FALSE(none.FindFile(u"Missing\\*.*"));
    EXPECT_EQ(none.GetRoot(), CString(u"Missing"));
}

TEST(FileFinder, IsDirectoryWritesTheNameAndAttributes) {
    TempRoot root;
    root.MakeDir("D/Sub");
    std::vector<std::string> lines;
    wq::device::EnableDebug(true);
    wq::device::SetDebugSink([&](const std::string& l) { lines.push_back(l); });
    CFileFinder finder;
    ASSERT_TRUE(finder.FindFile(u"D\\*.*"));
    finder.FindNextFile();
    EXPECT_TRUE(finder.IsDirectory());
    wq::device::SetDebugSink(nullptr);
    wq::device::EnableDebug(false);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Sub"), std::string::npos);
    EXPECT_NE(lines[1].find("0x10"), std::string::npos);
}

}  // namespace
