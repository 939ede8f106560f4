#include "tests/library/explorer_fixture.h"

#include "platform/device/hooks.h"
#include "platform/gdi/surface.h"

namespace librarytest {

namespace {

// The list shows 5 rows of 19 pixels; the slider runs beside it.
constexpr const char* kTemplate =
    "wqskin 1\n"
    "face 240 120\n"
    "background img\\bg.png\n"
    "list 2008 10 20 200 95 rowheight=19\n"
    "slider 2010 vertical 220 20 10 95\n";

}  // namespace

void ExplorerTest::SetUp() {
    // The skin lives in "NAND Flash", a folder the explorer never lists.
    root.MakeFile("NAND Flash/skin/Explorer/t.tpl", kTemplate);
    root.MakeDir("NAND Flash/skin/Explorer/img");
    wq::gdi::Surface bg;
    bg.Resize(240, 120);
    for (auto& p : bg.pixels) p = 0x00304050;
    ASSERT_TRUE(wq::gdi::SavePng(bg, root.Host("NAND Flash/skin/Explorer/img/bg.png")));
    wq::device::SetSettingsPath(root.Host("NAND Flash/settings.db"));
    wq::device::ClearCallLog();

    ASSERT_TRUE(owner.Create(u"ExplorerTestOwner", u"Owner", WS_POPUP | WS_VISIBLE, RECT{0, 0, 240, 120}, nullptr, 0));
    skin = std::make_unique<CSkinManager>(&owner);
    ASSERT_TRUE(skin->Load(u"\\NAND Flash\\skin\\Explorer\\t.tpl"));
    list = skin->GetList(2008);
    slider = skin->GetSlider(2010);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(slider, nullptr);
    ASSERT_TRUE(label.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, RECT{10, 2, 210, 18}, &owner, 3000));

    explorer = std::make_unique<CExplorer>();
    explorer->SetListBox(list);
    explorer->SetScrollSlider(slider);
    explorer->SetPathStatic(&label);
}

void ExplorerTest::TearDown() {
    explorer.reset();
    if (label.m_hWnd) label.DestroyWindow();
    skin.reset();
    if (owner.m_hWnd) owner.DestroyWindow();
    wq::device::SetSettingsPath("");
}

std::vector<std::u16string> ExplorerTest::Rows() const {
    std::vector<std::u16string> rows;
    for (int i = 0; i < list->GetCount(); ++i) {
        CString text;
        list->GetText(i, text);
        rows.push_back(text.str());
    }
    return rows;
}

}  // namespace librarytest
