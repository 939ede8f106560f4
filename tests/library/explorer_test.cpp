// CExplorer over real folders in a temporary device root, wired to a real
// skin list (2008), scroll slider (2010) and path label as the player wires
// them: rows, order, hiding, colours, selection, slider, the path trail,
// saved-path restore, the storage checks and folders that cannot be listed;
// and CFileFinder alone.
#include "library/explorer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "graphics/scrolltext.h"
#include "library/filefinder.h"
#include "platform/base/utf.h"
#include "platform/device/hooks.h"
#include "platform/fs/fileapi.h"
#include "platform/skin/skinmanager.h"
#include "platform/win/testing.h"
#include "tests/support/temp_root.h"

namespace {

using Rows_t = std::vector<std::u16string>;

class ExplorerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The skin lives in "NAND Flash", a folder the explorer never lists.
        // The list shows 5 rows of 19 pixels; the slider runs beside it.
        root.MakeFile("NAND Flash/skin/t.tpl",
                      "wqskin 1\nface 240 120\nbackground bg.png\n"
                      "list 2008 10 20 200 95 rowheight=19\nslider 2010 vertical 220 20 10 95\n");
        root.MakeFile("NAND Flash/skin/bg.png",
                      wq::test::Bmp(240, 120, [](int, int) { return 0u; }));
        ASSERT_TRUE(owner.Create(u"ExplorerTestOwner", u"Owner", WS_POPUP | WS_VISIBLE,
                                 RECT{0, 0, 240, 120}, nullptr, 0));
        skin = std::make_unique<CSkinManager>(&owner);
        ASSERT_TRUE(skin->Load(u"\\NAND Flash\\skin\\t.tpl"));
        list = skin->GetList(2008);
        slider = skin->GetSlider(2010);
        ASSERT_TRUE(list && slider);
        ASSERT_TRUE(
            label.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, RECT{10, 2, 210, 18}, &owner, 3000));
        explorer.SetListBox(list);
        explorer.SetScrollSlider(slider);
        explorer.SetPathStatic(&label);
    }

    // The list's rows as shown.
    Rows_t Rows() const {
        Rows_t rows;
        for (int i = 0; i < list->GetCount(); ++i) {
            CString text;
            list->GetText(i, text);
            rows.push_back(text.str());
        }
        return rows;
    }
    Rows_t Stack() const {
        Rows_t out;
        for (int i = 0; i < explorer.GetPathStack().GetSize(); ++i)
            out.push_back(explorer.GetPathStack()[i].str());
        return out;
    }
    // A file with a few bytes in it (content does not matter to the explorer).
    void File(const std::string& relative) const { root.MakeFile(relative, "x"); }
    void Folder(const std::string& relative) const { root.MakeDir(relative); }

    wq::win::TestSession session;
    wq::test::TempRoot root;
    CWnd owner;
    std::unique_ptr<CSkinManager> skin;
    CSkinListBox* list = nullptr;
    CSkinSlider* slider = nullptr;
    CScrollTextWnd label;
    CExplorer explorer;
};

TEST_F(ExplorerTest, FoldersFirstPreselectionPushedDownAndNextFile) {
    // Natural order delivers a.mp3, B, c.wma, D: files and folders interleaved.
    File("Music/a.mp3");
    Folder("Music/B");
    File("Music/c.wma");
    Folder("Music/D");
    wq::device::StartCallLog();
    ASSERT_TRUE(explorer.LoadExplorer(u"\\Music", u""));
    std::vector<std::int64_t> lock;  // the device's input, locked while the folder is read
    for (const auto& call : wq::device::CallLog())
        if (call.name == "SetInterfaceEnable") lock.push_back(call.args.at(0));
    EXPECT_EQ(lock, (std::vector<std::int64_t>{0, 1}));
    EXPECT_EQ(Rows(), (Rows_t{u"[..]", u"[B]", u"[D]", u"a.mp3", u"c.wma"}));
    EXPECT_EQ(explorer.GetFolderCount(), 3);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(list->GetItemColor(i), i < 3 ? 0x00FFFFu : 0u) << i;
    EXPECT_EQ(label.GetText(), CString(u"\\Music"));
    EXPECT_EQ(label.GetFormat(), 0u) << "the path line reads from the left, not centred";

    // a.mp3 is appended before B and D arrive; its row moves down twice.
    ASSERT_TRUE(explorer.LoadExplorer(u"\\Music", u"a.mp3"));
    EXPECT_EQ(explorer.GetCurItemIndex(), 3);
    EXPECT_EQ(explorer.GetCurFilePath(), CString(u"\\Music\\a.mp3"));
    EXPECT_EQ(explorer.GetNextFileIndex(), 4);
    explorer.SetCurItemIndex(4);
    EXPECT_EQ(explorer.GetNextFileIndex(), 0) << "the last file has no next";
    explorer.SetCurItemIndex(-1);
    EXPECT_EQ(explorer.GetNextFileIndex(), 3) << "without a selection the search starts at row 0";
    EXPECT_EQ(explorer.GetCurFilePath(), CString());
    EXPECT_FALSE(explorer.OpenCurItem());
    // A name that is not there (or differs in case) selects row 0, a folder row.
    ASSERT_TRUE(explorer.LoadExplorer(u"\\Music", u"C.WMA"));
    EXPECT_EQ(explorer.GetCurItemIndex(), 0);
    EXPECT_TRUE(explorer.IsCurItemFolder());
    EXPECT_EQ(explorer.GetNextFileIndex(), 3);
}

TEST_F(ExplorerTest, ListsOnlyPlayableFilesAndHidesSystemNames) {
    for (const char* f : {"Song.Mp3", "song.ogg", "clip.WMA", "notes.txt", "mp3", "WQAUDIO.LST"})
        File(std::string("M/") + f);
    // The shortest and the longest hidden names among them.
    for (const char* d : {"Windows", "Recycled", "Windows2", "temp", "네트워크", "Program Files",
                          "Documents and Settings"})
        Folder(std::string("M/") + d);
    ASSERT_TRUE(explorer.LoadExplorer(u"M", u""));
    EXPECT_EQ(Rows(), (Rows_t{u"[..]", u"[Windows2]", u"clip.WMA", u"Song.Mp3"}));
    EXPECT_EQ(explorer.GetItems()[3].strExt, CString(u"MP3"));
    EXPECT_EQ(explorer.GetItems()[3].strPath, CString(u"M\\Song.Mp3"));
}

// OnSelChangeLstExplorer answers true only for the row already selected and
// moves the slider to index * 100 / (rows - 1); Up and Down stop at the ends.
TEST_F(ExplorerTest, SelectionChangeSliderAndUpDown) {
    File("One/only.mp3");
    ASSERT_TRUE(explorer.LoadExplorer(u"", u""));
    // Top level with a single folder: one row, slider stays at 0.
    EXPECT_EQ(list->GetCount(), 1);
    EXPECT_EQ(slider->GetPos(), 0);

    for (const char* name : {"a", "b", "c"}) File(std::string("Three/") + name + ".mp3");
    ASSERT_TRUE(explorer.LoadExplorer(u"Three", u"b.mp3"));  // [..] a b c: row 2 of 0-3
    EXPECT_EQ(slider->GetPos(), 66) << "200 / 3, rounded down";

    for (int i = 0; i < 10; ++i) File("Ten/t" + std::to_string(i) + ".mp3");
    ASSERT_TRUE(explorer.LoadExplorer(u"Ten", u"t2.mp3"));  // [..] and ten files
    EXPECT_EQ(slider->GetPos(), 30);
    // The load ended with its own call on the preselected row.
    EXPECT_TRUE(explorer.OnSelChangeLstExplorer(true));
    EXPECT_FALSE(explorer.OnSelChangeLstExplorer(false));
    explorer.SetCurItemIndex(4);
    EXPECT_EQ(slider->GetPos(), 30) << "SetCurItemIndex alone does not move the slider";
    EXPECT_FALSE(explorer.OnSelChangeLstExplorer(false)) << "no update: nothing recorded";
    EXPECT_EQ(explorer.GetCurSelIndex(), 3);
    EXPECT_FALSE(explorer.OnSelChangeLstExplorer(true));
    EXPECT_EQ(slider->GetPos(), 40);
    EXPECT_TRUE(explorer.OnSelChangeLstExplorer(true));

    explorer.OnBtnDown();
    EXPECT_EQ(explorer.GetCurSelIndex(), 5);
    EXPECT_EQ(slider->GetPos(), 50);
    explorer.SetCurItemIndex(9);
    explorer.OnBtnDown();
    explorer.OnBtnDown();
    EXPECT_EQ(explorer.GetCurItemIndex(), 10);
    EXPECT_EQ(slider->GetPos(), 100);
    explorer.OnBtnUp();
    EXPECT_EQ(explorer.GetCurSelIndex(), 9);
    EXPECT_EQ(slider->GetPos(), 90);
    explorer.SetCurItemIndex(0);
    explorer.OnBtnUp();
    EXPECT_EQ(explorer.GetCurItemIndex(), 0);

    // A tap on an emptied list changes nothing.
    explorer.ResetExplorer();
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_FALSE(explorer.OnSelChangeLstExplorer(true));
}

// OpenPathName with a file path, a folder path, a missing folder part way
// down, a bare name and the empty path; OpenCurItem and LoadParent walk the trail.
TEST_F(ExplorerTest, OpenPathNameRebuildsTheTrail) {
    File("SDMMC Card/AUDIO/w.mp3");
    File("SDMMC Card/AUDIO/x.mp3");
    Folder("SDMMC Card/AUDIO/Live");
    EXPECT_TRUE(explorer.OpenPathName(u"\\SDMMC Card\\AUDIO\\x.mp3"));
    EXPECT_EQ(Stack(), (Rows_t{u"", u"SDMMC Card\\", u"SDMMC Card\\AUDIO\\"}));
    EXPECT_EQ(Rows(), (Rows_t{u"[..]", u"[Live]", u"w.mp3", u"x.mp3"}));
    EXPECT_EQ(explorer.GetCurItemIndex(), 3);
    // (The path it gives back, saved and restored: the end-to-end tests'.)
    EXPECT_TRUE(explorer.OpenCurItem()) << "a playable file: nothing is loaded";
    // A folder opens one level down, "[..]" leads back level by level.
    explorer.SetCurItemIndex(1);
    EXPECT_FALSE(explorer.OpenCurItem());
    EXPECT_EQ(explorer.GetCurPath(), CString(u"SDMMC Card\\AUDIO\\Live"));
    explorer.SetCurItemIndex(0);
    EXPECT_FALSE(explorer.OpenCurItem());
    EXPECT_EQ(explorer.GetCurPath(), CString(u"SDMMC Card\\AUDIO\\"));
    EXPECT_TRUE(explorer.LoadParent());
    EXPECT_EQ(Rows(), (Rows_t{u"[..]", u"[AUDIO]"}));
    EXPECT_TRUE(explorer.LoadParent());
    EXPECT_EQ(Rows(), (Rows_t{u"[SDMMC Card]"}));
    // Popping past the top level behaves as LoadRoot.
    ASSERT_TRUE(explorer.LoadParent());
    EXPECT_EQ(Stack(), (Rows_t{u""}));

    // An empty folder has no entry to start a search with: the load reports
    // false and the list holds only "[..]", yet the trail reaches the folder.
    EXPECT_FALSE(explorer.OpenPathName(u"\\SDMMC Card\\AUDIO\\Live"));
    EXPECT_EQ(Stack(),
              (Rows_t{u"", u"SDMMC Card\\", u"SDMMC Card\\AUDIO\\", u"SDMMC Card\\AUDIO\\Live"}));
    EXPECT_EQ(Rows(), (Rows_t{u"[..]"}));
    EXPECT_TRUE(explorer.OpenPathName(u"\\SDMMC Card\\AUDIO"));
    EXPECT_EQ(explorer.GetCurPath(), CString(u"SDMMC Card\\AUDIO"));
    EXPECT_EQ(explorer.GetCurItemIndex(), 0);

    ASSERT_TRUE(explorer.OpenPathName(u""));
    EXPECT_EQ(Stack(), (Rows_t{u""}));
    EXPECT_EQ(Rows(), (Rows_t{u"[SDMMC Card]"}));
    // A bare name is taken unchanged as a folder path and appended to the trail.
    EXPECT_TRUE(explorer.OpenPathName(u"SDMMC Card"));
    EXPECT_EQ(Stack(), (Rows_t{u"", u"SDMMC Card"}));
    EXPECT_EQ(explorer.GetItems()[1].strPath, CString(u"SDMMC Card\\AUDIO"));
    // A leading backslash alone does not count as a separator.
    EXPECT_FALSE(explorer.OpenPathName(u"\\Nowhere"));
    EXPECT_EQ(Stack(), (Rows_t{u"", u"SDMMC Card", u"\\Nowhere"}));
}

TEST_F(ExplorerTest, TopLevelAndStorageChecksOnTheFirstFolderBelowIt) {
    File("SDMMC Card/AUDIO/x.mp3");
    File("SDMMC CARD2/x.mp3");
    File("이동식디스크/Music/m.wma");
    File("top.mp3");
    CExplorer fresh;  // empty trail
    EXPECT_FALSE(fresh.IsCardPath());
    EXPECT_FALSE(fresh.IsRemovableDiskPath());

    // No "[..]" at the top; "NAND Flash" (the skin's home) is a hidden system folder.
    ASSERT_TRUE(explorer.LoadRoot());
    EXPECT_EQ(Rows(), (Rows_t{u"[SDMMC Card]", u"[SDMMC CARD2]", u"[이동식디스크]", u"top.mp3"}));
    EXPECT_EQ(explorer.GetItems()[0].strPath, CString(u"\\SDMMC Card"));
    EXPECT_EQ(label.GetText(), CString(u"\\"));
    EXPECT_TRUE(explorer.IsCardPath());
    EXPECT_TRUE(explorer.IsRemovableDiskPath());

    // Browsed from the top the first element is "\SDMMC Card" (a restored
    // path's "SDMMC Card\" is the player's storage-key tests').
    explorer.SetCurItemIndex(0);
    EXPECT_FALSE(explorer.OpenCurItem());
    EXPECT_EQ(Stack(), (Rows_t{u"", u"\\SDMMC Card"}));
    EXPECT_TRUE(explorer.IsCardPath());
    EXPECT_FALSE(explorer.IsRemovableDiskPath());
    // The comparison is case-sensitive.
    ASSERT_TRUE(explorer.OpenPathName(u"\\SDMMC CARD2\\x.mp3"));
    EXPECT_EQ(Stack(), (Rows_t{u"", u"SDMMC CARD2\\"}));
    EXPECT_FALSE(explorer.IsCardPath());
}

TEST_F(ExplorerTest, MissingAndUnreadableFoldersListOnlyTheParentRow) {
    wq::device::StartCallLog();
    EXPECT_FALSE(explorer.LoadExplorer(u"\\SDMMC Card", u"x.mp3"));
    EXPECT_EQ(Rows(), (Rows_t{u"[..]"}));
    EXPECT_EQ(explorer.GetCurItemIndex(), 0);
    EXPECT_EQ(explorer.GetFolderCount(), 1);
    // The device's input is locked while the folder is read and unlocked again on this exit.
    std::vector<std::int64_t> enables;
    for (const auto& call : wq::device::CallLog())
        if (call.name == "SetInterfaceEnable") enables.push_back(call.args.at(0));
    EXPECT_EQ(enables, (std::vector<std::int64_t>{0, 1}));
    // A folder that is not there shows its path; one that cannot be read says so.
    EXPECT_EQ(label.GetText(), CString(u"\\SDMMC Card"));
    const CString unreadable(u"폴더를 읽을 수 없습니다: Locked");

    File("Locked/a.mp3");
    ASSERT_EQ(chmod(root.Host("Locked").c_str(), 0), 0);
    auto refused = [&] {
        return !explorer.LoadExplorer(u"Locked", u"") && Rows() == Rows_t{u"[..]"} &&
               label.GetText() == unreadable;
    };
    if (geteuid() != 0) {
        EXPECT_TRUE(refused());
        return;
    }
    // Root reads everything: check as an unprivileged process instead.
    ASSERT_EQ(chmod(root.Path().c_str(), 0755), 0);
    const pid_t pid = fork();
    if (pid == 0) _exit(setgid(65534) == 0 && setuid(65534) == 0 && refused() ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(ExplorerTest, OddEntriesNeitherBreakNorBlockTheListing) {
    File("Odd/good.mp3");
    ASSERT_EQ(mkfifo(root.Host("Odd/x.mp3").c_str(), 0644), 0);
    std::filesystem::create_symlink("loop", root.Host("Odd/loop"));
    std::filesystem::create_directory_symlink(".", root.Host("Odd/self"));
    const std::string latin1 = "caf\xE9.mp3";
    root.MakeFile("Odd/" + latin1, "latin1");
    File("Odd/" + std::string(251, 'n') + ".mp3");  // 255 bytes, the host's limit
    ASSERT_TRUE(explorer.LoadExplorer(u"Odd", u""));
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 5u);  // [..], [self], café, good, the long one
    EXPECT_EQ(rows[1], u"[self]");
    EXPECT_EQ(wq::Utf16ToUtf8(rows[2]), latin1);
    EXPECT_EQ(rows[3], u"good.mp3");
    EXPECT_EQ(rows[4].size(), 255u);
    // The escaped name leads back to the very file.
    explorer.SetCurItemIndex(2);
    HANDLE h = CreateFileW(explorer.GetCurFilePath(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(h, nullptr), 6u);
    CloseHandle(h);
    // A folder that contains itself can be entered again and again.
    explorer.SetCurItemIndex(1);
    EXPECT_FALSE(explorer.OpenCurItem());
    explorer.SetCurItemIndex(1);
    EXPECT_FALSE(explorer.OpenCurItem());
    EXPECT_EQ(explorer.GetCurPath(), CString(u"Odd\\self\\self"));
    EXPECT_EQ(Rows().size(), 5u);
}

// CFileFinder as the explorer and the saved-path probe use it (the other
// accessors have no caller): the root taken from the pattern, entries read one
// ahead, and no search when nothing matches.
TEST(FileFinder, RootsFromThePatternEntriesOneAheadAndNothingFound) {
    wq::test::TempRoot root;
    root.MakeFile("One/only.mp3");
    root.MakeDir("One/Sub");
    // The last: a restored folder element keeps its backslash.
    const std::pair<const char16_t*, const char16_t*> roots[] = {
        {u"\\*.*", u"\\"},     {nullptr, u"\\"},          {u"*.*", u""},
        {u"One\\*.*", u"One"}, {u"\\One\\*.*", u"\\One"}, {u"One\\\\*.*", u"One\\"}};
    for (const auto& [pattern, want] : roots) {
        CFileFinder finder;
        ASSERT_TRUE(finder.FindFile(pattern)) << CString(want).ToUtf8();
        EXPECT_EQ(finder.GetRoot(), CString(want));
    }
    // The result of FindNextFile says whether another entry follows; the one
    // in hand after the last call is still valid.
    CFileFinder finder;
    ASSERT_TRUE(finder.FindFileNames(u"One\\*.*"));
    EXPECT_TRUE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), CString(u"only.mp3"));
    EXPECT_FALSE(finder.IsDirectory());
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_EQ(finder.GetFileName(), CString(u"Sub"));
    EXPECT_TRUE(finder.IsDirectory());
    for (const char16_t* none : {u"One\\*.ogg", u"Missing\\*.*"})
        EXPECT_FALSE(finder.FindFile(none)) << CString(none).ToUtf8();
    EXPECT_FALSE(finder.FindNextFile()) << "no search stays open";
}

}  // namespace
