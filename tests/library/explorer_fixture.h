// A device root in a temporary folder, a real owner window with a loaded skin
// holding the title list (2008) and its scroll slider (2010), a real path
// label, and an explorer wired to them as the player wires its own.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/scrolltext.h"
#include "library/explorer.h"
#include "platform/skin/skinmanager.h"
#include "platform/win/testing.h"
#include "platform/win/wnd.h"
#include "tests/support/temp_root.h"

namespace librarytest {

class ExplorerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The list's rows as shown.
    std::vector<std::u16string> Rows() const;
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
    std::unique_ptr<CExplorer> explorer;
};

}  // namespace librarytest
