// OpenPathName and the storage checks over real folders.
#include "tests/library/explorer_fixture.h"

namespace librarytest {
namespace {

using Rows_t = std::vector<std::u16string>;

std::vector<std::u16string> Stack(const CExplorer& e) {
    std::vector<std::u16string> out;
    for (int i = 0; i < e.GetPathStack().GetSize(); ++i) out.push_back(e.GetPathStack()[i].str());
    return out;
}

class RestoreTest : public ExplorerTest {
protected:
    void SetUp() override {
        ExplorerTest::SetUp();
        File("SDMMC Card/AUDIO/w.mp3");
        File("SDMMC Card/AUDIO/x.mp3");
        Folder("SDMMC Card/AUDIO/Live");
    }
};

TEST_F(RestoreTest, AFilePathRebuildsTheTrailAndSelectsTheFile) {
    EXPECT_TRUE(explorer->OpenPathName(u"\\SDMMC Card\\AUDIO\\x.mp3"));
    EXPECT_EQ(Stack(*explorer), (Rows_t{u"", u"SDMMC Card\\", u"SDMMC Card\\AUDIO\\"}));
    EXPECT_EQ(Rows(), (Rows_t{u"[..]", u"[Live]", u"w.mp3", u"x.mp3"}));
    EXPECT_EQ(explorer->GetCurItemIndex(), 3);
    EXPECT_EQ(explorer->GetCurFilePath(), CString(u"SDMMC Card\\AUDIO\\x.mp3"));
    // The path it gives back restores the same place again.
    const CString again = explorer->GetCurFilePath();
    EXPECT_TRUE(explorer->OpenPathName(again));
    EXPECT_EQ(explorer->GetCurItemIndex(), 3);
    // "[..]" leads back level by level.
    EXPECT_TRUE(explorer->LoadParent());
    EXPECT_EQ(Rows(), (Rows_t{u"[..]", u"[AUDIO]"}));
    EXPECT_TRUE(explorer->LoadParent());
    EXPECT_EQ(Rows(), (Rows_t{u"[SDMMC Card]"}));
}

TEST_F(RestoreTest, AFolderPathOpensThatFolderWithNothingPreselected) {
    // An empty folder has no entry to start a search with: the load reports
    // false and the list holds only "[..]", yet the trail reaches the folder.
    EXPECT_FALSE(explorer->OpenPathName(u"\\SDMMC Card\\AUDIO\\Live"));
    EXPECT_EQ(Stack(*explorer), (Rows_t{u"", u"SDMMC Card\\", u"SDMMC Card\\AUDIO\\", u"SDMMC Card\\AUDIO\\Live"}));
    EXPECT_EQ(Rows(), (Rows_t{u"[..]"}));
    EXPECT_EQ(explorer->GetCurItemIndex(), 0);
    EXPECT_TRUE(explorer->OpenPathName(u"\\SDMMC Card\\AUDIO"));
    EXPECT_EQ(explorer->GetCurPath(), CString(u"SDMMC Card\\AUDIO"));
    EXPECT_EQ(explorer->GetCurItemIndex(), 0);
}

TEST_F(RestoreTest, AMissingFolderStopsTheDescentAtTheLastOneThatExists) {
    EXPECT_TRUE(explorer->OpenPathName(u"\\SDMMC Card\\Gone\\x.mp3"));
    EXPECT_EQ(Stack(*explorer), (Rows_t{u"", u"SDMMC Card\\"}));
    EXPECT_EQ(Rows(), (Rows_t{u"[..]", u"[AUDIO]"}));
    EXPECT_EQ(explorer->GetCurItemIndex(), 0);
    // A saved path that is gone entirely lists the top level.
    EXPECT_TRUE(explorer->OpenPathName(u"\\Old Card\\x.mp3"));
    EXPECT_EQ(Stack(*explorer), (Rows_t{u""}));
    EXPECT_EQ(Rows(), (Rows_t{u"[SDMMC Card]"}));
    // A missing file in an existing folder selects row 0.
    EXPECT_TRUE(explorer->OpenPathName(u"\\SDMMC Card\\AUDIO\\gone.mp3"));
    EXPECT_EQ(explorer->GetCurItemIndex(), 0);
}

TEST_F(RestoreTest, APathWithoutBackslashAndTheEmptyPath) {
    ASSERT_TRUE(explorer->OpenPathName(u""));
    EXPECT_EQ(Stack(*explorer), (Rows_t{u""}));
    EXPECT_EQ(Rows(), (Rows_t{u"[SDMMC Card]"}));
    // Taken unchanged as a folder path and appended to the trail as it is.
    EXPECT_TRUE(explorer->OpenPathName(u"SDMMC Card"));
    EXPECT_EQ(Stack(*explorer), (Rows_t{u"", u"SDMMC Card"}));
    EXPECT_EQ(Rows(), (Rows_t{u"[..]", u"[AUDIO]"}));
    EXPECT_EQ(explorer->GetItems()[1].strPath, CString(u"SDMMC Card\\AUDIO"));
    // A leading backslash alone does not count as a separator.
    EXPECT_FALSE(explorer->OpenPathName(u"\\Nowhere"));
    EXPECT_EQ(Stack(*explorer), (Rows_t{u"", u"SDMMC Card", u"\\Nowhere"}));
}

TEST_F(RestoreTest, StorageChecksLookAtTheFirstFolderBelowTheTop) {
    File("SDMMC CARD2/x.mp3");
    File("이동식디스크/Music/m.wma");
    CExplorer fresh;  // empty trail
    EXPECT_FALSE(fresh.IsCardPath());
    EXPECT_FALSE(fresh.IsRemovableDiskPath());

    ASSERT_TRUE(explorer->LoadRoot());
    EXPECT_TRUE(explorer->IsCardPath());
    EXPECT_TRUE(explorer->IsRemovableDiskPath());

    // Browsed from the top: "\SDMMC Card".
    explorer->SetCurItemIndex(0);
    ASSERT_EQ(explorer->GetItems()[0].strName, CString(u"SDMMC Card"));
    explorer->OpenCurItem();
    EXPECT_EQ(Stack(*explorer), (Rows_t{u"", u"\\SDMMC Card"}));
    EXPECT_TRUE(explorer->IsCardPath());
    EXPECT_FALSE(explorer->IsRemovableDiskPath());

    // Restored: "SDMMC Card\".
    ASSERT_TRUE(explorer->OpenPathName(u"\\SDMMC Card\\AUDIO\\x.mp3"));
    EXPECT_TRUE(explorer->IsCardPath());
    EXPECT_FALSE(explorer->IsRemovableDiskPath());

    ASSERT_TRUE(explorer->OpenPathName(u"\\이동식디스크\\Music"));
    EXPECT_FALSE(explorer->IsCardPath());
    EXPECT_TRUE(explorer->IsRemovableDiskPath());

    // The comparison is case-sensitive.
    ASSERT_TRUE(explorer->OpenPathName(u"\\SDMMC CARD2\\x.mp3"));
    EXPECT_EQ(Stack(*explorer), (Rows_t{u"", u"SDMMC CARD2\\"}));
    EXPECT_FALSE(explorer->IsCardPath());
}

}  // namespace
}  // namespace librarytest
