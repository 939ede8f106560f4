// CExplorer over real folders: rows, order, hiding, selection and slider.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/base/utf.h"
#include "platform/device/hooks.h"
#include "platform/fs/fileapi.h"
#include "tests/library/explorer_fixture.h"

namespace librarytest {
namespace {

using Rows_t = std::vector<std::u16string>;

TEST_F(ExplorerTest, TopLevelHasNoParentRowAndTheLabelReadsBackslash) {
    Folder("SDMMC Card");
    Folder("이동식디스크");
    File("top.mp3");
    ASSERT_TRUE(explorer->LoadRoot());
    // "NAND Flash" (the skin's home) is a hidden system folder.
    EXPECT_EQ(Rows(), (Rows_t{u"[SDMMC Card]", u"[이동식디스크]", u"top.mp3"}));
    EXPECT_EQ(explorer->GetFolderCount(), 2);
    EXPECT_EQ(label.GetText(), CString(u"\\"));
    EXPECT_EQ(label.GetTextColor(), 0xFFFFFFu);
    EXPECT_EQ(label.GetFormat() & ~static_cast<UINT>(DT_SINGLELINE), 0u);
    EXPECT_EQ(explorer->GetItems()[0].strPath, CString(u"\\SDMMC Card"));
    EXPECT_EQ(explorer->GetItems()[2].strPath, CString(u"\\top.mp3"));
    EXPECT_EQ(explorer->GetPathStack().GetSize(), 1);
}

TEST_F(ExplorerTest, FoldersComeFirstWhenTheFileSystemDeliversThemMixed) {
    // Natural order delivers a.mp3, B, c.wma, D: files and folders interleaved.
    File("Music/a.mp3");
    Folder("Music/B");
    File("Music/c.wma");
    Folder("Music/D");
    ASSERT_TRUE(explorer->LoadExplorer(u"\\Music", u""));
    EXPECT_EQ(Rows(), (Rows_t{u"[..]", u"[B]", u"[D]", u"a.mp3", u"c.wma"}));
    EXPECT_EQ(explorer->GetFolderCount(), 3);
    const COLORREF yellow = 0x00FFFF;
    const std::vector<COLORREF> colours = {yellow, yellow, yellow, 0x000000, 0x000000};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(list->GetItemColor(i), colours[static_cast<size_t>(i)]) << i;
    const auto& items = explorer->GetItems();
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].strPath, CString(u"\\Music"));  // the parent row carries the folder itself
    EXPECT_FALSE(items[0].bFile);
    EXPECT_EQ(items[1].strPath, CString(u"\\Music\\B"));
    EXPECT_EQ(items[4].strPath, CString(u"\\Music\\c.wma"));
    EXPECT_EQ(items[4].strExt, CString(u"WMA"));
    EXPECT_TRUE(items[4].bFile);
    EXPECT_EQ(label.GetText(), CString(u"\\Music"));
}

TEST_F(ExplorerTest, PreselectedFileIsPushedDownByLaterFolders) {
    File("Music/a.mp3");
    Folder("Music/B");
    File("Music/c.wma");
    Folder("Music/D");
    // a.mp3 is appended before B and D arrive; its row moves down twice.
    ASSERT_TRUE(explorer->LoadExplorer(u"\\Music", u"a.mp3"));
    EXPECT_EQ(explorer->GetCurItemIndex(), 3);
    EXPECT_EQ(explorer->GetCurFilePath(), CString(u"\\Music\\a.mp3"));
    ASSERT_TRUE(explorer->LoadExplorer(u"\\Music", u"c.wma"));
    EXPECT_EQ(explorer->GetCurItemIndex(), 4);
    // A name that is not there (or differs in case) selects row 0.
    ASSERT_TRUE(explorer->LoadExplorer(u"\\Music", u"C.WMA"));
    EXPECT_EQ(explorer->GetCurItemIndex(), 0);
}

TEST_F(ExplorerTest, ListsOnlyPlayableFilesAndHidesSystemNames) {
    for (const char* f : {"Song.Mp3", "song.ogg", "clip.WMA", "notes.txt", "mp3", "WQAUDIO.LST"}) File(std::string("M/") + f);
    for (const char* d : {"Windows", "Recycled", "Windows2", "temp", "네트워크", "Program Files"}) Folder(std::string("M/") + d);
    ASSERT_TRUE(explorer->LoadExplorer(u"M", u""));
    EXPECT_EQ(Rows(), (Rows_t{u"[..]", u"[Windows2]", u"clip.WMA", u"Song.Mp3"}));
    EXPECT_EQ(explorer->GetItems()[3].strExt, CString(u"MP3"));
    EXPECT_EQ(explorer->GetItems()[3].strPath, CString(u"M\\Song.Mp3"));
}

TEST_F(ExplorerTest, SliderFollowsTheSelection) {
    File("One/only.mp3");
    ASSERT_TRUE(explorer->LoadExplorer(u"", u""));
    // Top level with a single folder: one row, slider stays at 0.
    EXPECT_EQ(list->GetCount(), 1);
    EXPECT_EQ(slider->GetPos(), 0);

    for (int i = 0; i < 10; ++i) File("Ten/t" + std::to_string(i) + ".mp3");
    ASSERT_TRUE(explorer->LoadExplorer(u"Ten", u""));
    ASSERT_EQ(explorer->GetItemCount(), 11);
    explorer->SetCurItemIndex(5);
    EXPECT_EQ(slider->GetPos(), 0) << "SetCurItemIndex alone does not move the slider";
    explorer->OnSelChangeLstExplorer(true);
    EXPECT_EQ(slider->GetPos(), 50);
    explorer->SetCurItemIndex(10);
    explorer->OnSelChangeLstExplorer(true);
    EXPECT_EQ(slider->GetPos(), 100);
    explorer->SetCurItemIndex(3);
    explorer->OnSelChangeLstExplorer(true);
    EXPECT_EQ(slider->GetPos(), 30);
    explorer->ResetExplorer();
    EXPECT_EQ(slider->GetPos(), 0);
    EXPECT_EQ(list->GetCount(), 0);
}

TEST_F(ExplorerTest, UpAndDownStopAtTheEnds) {
    for (int i = 0; i < 3; ++i) File("F/f" + std::to_string(i) + ".mp3");
    ASSERT_TRUE(explorer->LoadExplorer(u"F", u""));  // [..], f0, f1, f2
    explorer->OnBtnUp();
    EXPECT_EQ(explorer->GetCurItemIndex(), 0);
    EXPECT_EQ(slider->GetPos(), 0);
    explorer->OnBtnDown();
    EXPECT_EQ(explorer->GetCurItemIndex(), 1);
    EXPECT_EQ(slider->GetPos(), 33);
    explorer->OnBtnDown();
    explorer->OnBtnDown();
    EXPECT_EQ(explorer->GetCurItemIndex(), 3);
    EXPECT_EQ(explorer->GetCurSelIndex(), 3);
    explorer->OnBtnDown();
    EXPECT_EQ(explorer->GetCurItemIndex(), 3);
    EXPECT_EQ(slider->GetPos(), 100);
    explorer->OnBtnUp();
    EXPECT_EQ(explorer->GetCurItemIndex(), 2);
    EXPECT_EQ(explorer->GetCurSelIndex(), 2);
}

TEST_F(ExplorerTest, SelectionChangeReportsTheSameRowTappedAgain) {
    for (int i = 0; i < 3; ++i) File("F/f" + std::to_string(i) + ".mp3");
    ASSERT_TRUE(explorer->LoadExplorer(u"F", u"f1.mp3"));
    // The load ended with its own call on the preselected row.
    EXPECT_TRUE(explorer->OnSelChangeLstExplorer(true));
    EXPECT_FALSE(explorer->OnSelChangeLstExplorer(false));
    explorer->SetCurItemIndex(3);
    EXPECT_FALSE(explorer->OnSelChangeLstExplorer(false)) << "no update: nothing recorded";
    EXPECT_EQ(explorer->GetCurSelIndex(), 2);
    EXPECT_FALSE(explorer->OnSelChangeLstExplorer(true));
    EXPECT_TRUE(explorer->OnSelChangeLstExplorer(true));

    // After a reset the last selection is forgotten: false, then true.
    explorer->ResetExplorer();
    EXPECT_EQ(explorer->GetCurSelIndex(), -1);
    EXPECT_FALSE(explorer->OnSelChangeLstExplorer(true)) << "an empty list";
    list->AddString(u"x");
    list->AddString(u"y");
    list->SetCurSel(1);
    EXPECT_FALSE(explorer->OnSelChangeLstExplorer(true));
    EXPECT_TRUE(explorer->OnSelChangeLstExplorer(true));
}

TEST_F(ExplorerTest, NextFileIndexAndSelectionQueries) {
    Folder("F/Sub");
    File("F/a.mp3");
    File("F/b.wma");
    ASSERT_TRUE(explorer->LoadExplorer(u"F", u""));  // [..], [Sub], a.mp3, b.wma
    EXPECT_TRUE(explorer->IsCurItemFolder());
    EXPECT_EQ(explorer->GetCurItemType(), -1);
    EXPECT_EQ(explorer->GetNextFileIndex(), 2);
    explorer->SetCurItemIndex(2);
    EXPECT_EQ(explorer->GetCurItemType(), 3);
    EXPECT_EQ(explorer->GetNextFileIndex(), 3);
    explorer->SetCurItemIndex(3);
    EXPECT_EQ(explorer->GetNextFileIndex(), 0) << "the last file has no next";
    explorer->SetCurItemIndex(-1);
    EXPECT_EQ(explorer->GetNextFileIndex(), 2) << "without a selection the search starts at row 0";
    EXPECT_EQ(explorer->GetCurFilePath(), CString());
    EXPECT_FALSE(explorer->IsCurItemFolder());
    EXPECT_EQ(explorer->GetCurItemType(), -1);
    EXPECT_FALSE(explorer->OpenCurItem());
}

TEST_F(ExplorerTest, OpenCurItemWalksDownAndBackUp) {
    File("SDMMC Card/AUDIO/x.mp3");
    ASSERT_TRUE(explorer->LoadRoot());
    explorer->SetCurItemIndex(0);  // [SDMMC Card]
    EXPECT_FALSE(explorer->OpenCurItem());
    EXPECT_EQ(explorer->GetCurPath(), CString(u"\\SDMMC Card"));
    EXPECT_EQ(Rows(), (Rows_t{u"[..]", u"[AUDIO]"}));
    explorer->SetCurItemIndex(1);
    EXPECT_FALSE(explorer->OpenCurItem());
    EXPECT_EQ(explorer->GetCurPath(), CString(u"\\SDMMC Card\\AUDIO"));
    explorer->SetCurItemIndex(1);
    EXPECT_TRUE(explorer->OpenCurItem()) << "a playable file";
    EXPECT_EQ(explorer->GetCurFilePath(), CString(u"\\SDMMC Card\\AUDIO\\x.mp3"));
    explorer->SetCurItemIndex(0);  // [..]
    EXPECT_FALSE(explorer->OpenCurItem());
    EXPECT_EQ(explorer->GetCurPath(), CString(u"\\SDMMC Card"));
    explorer->SetCurItemIndex(0);
    EXPECT_FALSE(explorer->OpenCurItem());
    EXPECT_EQ(explorer->GetPathStack().GetSize(), 1);
    EXPECT_EQ(Rows(), (Rows_t{u"[SDMMC Card]"}));
    // Popping past the top level behaves as LoadRoot.
    ASSERT_TRUE(explorer->LoadParent());
    ASSERT_TRUE(explorer->LoadParent());
    EXPECT_EQ(explorer->GetPathStack().GetSize(), 1);
}

TEST_F(ExplorerTest, AFolderThatCannotBeListedLeavesOnlyTheParentRow) {
    wq::device::ClearCallLog();
    EXPECT_FALSE(explorer->LoadExplorer(u"\\SDMMC Card", u"x.mp3"));
    EXPECT_EQ(Rows(), (Rows_t{u"[..]"}));
    EXPECT_EQ(explorer->GetCurItemIndex(), 0);
    EXPECT_EQ(explorer->GetFolderCount(), 1);
    // The interface is disabled for the load and enabled again on this exit too.
    std::vector<std::int64_t> enables;
    for (const auto& call : wq::device::CallLog()) {
        if (call.name == "SetInterfaceEnable") enables.push_back(call.args.at(0));
    }
    EXPECT_EQ(enables, (std::vector<std::int64_t>{0, 1}));
}

TEST_F(ExplorerTest, OddEntriesNeitherBreakNorBlockTheListing) {
    File("Odd/good.mp3");
    ASSERT_EQ(mkfifo(root.Host("Odd/x.mp3").c_str(), 0644), 0);
    std::filesystem::create_symlink("loop", root.Host("Odd/loop"));
    std::filesystem::create_directory_symlink(".", root.Host("Odd/self"));
    const std::string latin1 = "caf\xE9.mp3";
    root.MakeFile("Odd/" + latin1, "latin1");
    const std::string longName = std::string(251, 'n') + ".mp3";
    File("Odd/" + longName);
    ASSERT_TRUE(explorer->LoadExplorer(u"Odd", u""));
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 5u);  // [..], [self], café, good, the long one
    EXPECT_EQ(rows[1], u"[self]");
    EXPECT_EQ(wq::Utf16ToUtf8(rows[2]), latin1);
    EXPECT_EQ(rows[3], u"good.mp3");
    EXPECT_EQ(rows[4].size(), 255u);
    // The escaped name leads back to the very file.
    explorer->SetCurItemIndex(2);
    HANDLE h = CreateFileW(explorer->GetCurFilePath(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(h, nullptr), 6u);
    CloseHandle(h);
    // A folder that contains itself can be entered again and again.
    explorer->SetCurItemIndex(1);
    EXPECT_FALSE(explorer->OpenCurItem());
    explorer->SetCurItemIndex(1);
    EXPECT_FALSE(explorer->OpenCurItem());
    EXPECT_EQ(explorer->GetCurPath(), CString(u"Odd\\self\\self"));
    EXPECT_EQ(Rows().size(), 5u);
}

TEST_F(ExplorerTest, AnUnreadableFolderListsOnlyTheParentRow) {
    File("Locked/a.mp3");
    ASSERT_EQ(chmod(root.Host("Locked").c_str(), 0), 0);
    ASSERT_EQ(chmod(root.Path().c_str(), 0755), 0);
    if (geteuid() != 0) {
        EXPECT_FALSE(explorer->LoadExplorer(u"Locked", u""));
        EXPECT_EQ(Rows(), (Rows_t{u"[..]"}));
        return;
    }
    // Root reads everything: check as an unprivileged process instead.
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        const bool loaded = explorer->LoadExplorer(u"Locked", u"");
        _exit(!loaded && Rows() == Rows_t{u"[..]"} ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(ExplorerTest, AHundredNestedFoldersRestoreAndUnwind) {
    std::string host;
    CString saved;
    for (int i = 0; i < 100; ++i) {
        host += "d" + std::to_string(i) + "/";
        saved += CString(u"\\d") + CString::FromUtf8(std::to_string(i));
    }
    File(host + "deep.mp3");
    saved += u"\\deep.mp3";
    ASSERT_TRUE(explorer->OpenPathName(saved));
    EXPECT_EQ(explorer->GetPathStack().GetSize(), 101);
    EXPECT_EQ(Rows(), (Rows_t{u"[..]", u"deep.mp3"}));
    EXPECT_EQ(explorer->GetCurItemIndex(), 1);
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(explorer->LoadParent());
    EXPECT_EQ(explorer->GetPathStack().GetSize(), 1);
    EXPECT_EQ(Rows(), (Rows_t{u"[d0]"}));
}

}  // namespace
}  // namespace librarytest
