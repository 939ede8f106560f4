// The skin library in a real window system: its controls under the pen and the
// virtual clock, and templates full of bad input that still leave a working skin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "platform/base/utf.h"
#include "platform/device/hooks.h"
#include "platform/gdi/gdi.h"
#include "platform/skin/skinmanager.h"
#include "platform/win/presenter.h"
#include "platform/win/testing.h"
#include "tests/support/skinfixture.h"

namespace {

using skintest::Command;
using Commands = std::vector<Command>;

constexpr std::uint32_t kBg = 0x202020, kGreen = 0x00C000, kBlue = 0x0000C0, kMagenta = 0xFF00FF,
                        kThumb = 0xE0E0E0;

// A face with a 2-pixel magenta frame around a solid centre.
std::string FramedFace(int w, int h, std::uint32_t centre) {
    return wq::test::Bmp(w, h, [=](int x, int y) {
        return (x < 2 || y < 2 || x >= w - 2 || y >= h - 2) ? kMagenta : centre;
    });
}

class SkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        root.Write("skin/img/bg.bmp", skintest::SolidBmp(200, 120, kBg));
        root.Write("skin/img/n.bmp", FramedFace(30, 20, kGreen));
        root.Write("skin/img/p.bmp", FramedFace(30, 20, kBlue));
        root.Write("skin/img/thumb.bmp", skintest::SolidBmp(10, 10, kThumb));
        root.Write("skin/test.tpl",
                   "wqskin 1\nface 200 120\nbackground img\\bg.bmp\n"
                   "button 100 10 10 30 20 normal=img\\n.bmp pressed=img\\p.bmp\n"
                   "button 101 50 10 30 20 normal=img\\n.bmp repeat=yes\n"
                   "slider 200 horizontal 10 40 110 10 thumb=img\\thumb.bmp\n"
                   "slider 201 vertical 180 10 10 110 thumb=img\\thumb.bmp\n"
                   "list 300 10 60 100 57 rowheight=19\n"
                   "custom 400 130 60 40 30\n");
        ASSERT_TRUE(owner.CreateOwner(200, 120));
        owner.skin = std::make_unique<CSkinManager>(&owner);
        ASSERT_TRUE(owner.skin->Load(u"\\skin\\test.tpl"));
        owner.Invalidate(FALSE);
        wq::win::PumpPending();
    }
    Commands Take() { return std::exchange(owner.commands, {}); }
    // The owner's pixel at (x, y) as 0x00RRGGBB; pen input through the queue.
    std::uint32_t Pixel(int x, int y) const {
        const wq::gdi::Surface* s = wq::win::GetWindowSurface(owner.m_hWnd);
        return s && x >= 0 && y >= 0 && x < s->width && y < s->height ? s->At(x, y) : 0xDEADBEEF;
    }
    void Pen(UINT msg, int x, int y) const {
        wq::win::QueueMouseInput(owner.m_hWnd, msg, POINT{x, y});
        wq::win::PumpPending();
    }
    void Tap(int x, int y) const {
        Pen(WM_LBUTTONDOWN, x, y);
        Pen(WM_LBUTTONUP, x, y);
    }
    static void Run(int ms) { ASSERT_TRUE(wq::win::RunFor(ms).ok); }

    wq::win::TestSession session;
    skintest::TempRoot root;
    skintest::OwnerWnd owner;
};

// The other cases reach the buttons, sliders and list by the pen at their
// rectangles; the area, lookups by kind and the row height only show here.
TEST_F(SkinTest, LookupsAreByKindAndTheListMeasuresItsRows) {
    CSkinManager& skin = *owner.skin;
    ASSERT_NE(skin.GetCustom(400), nullptr);
    EXPECT_EQ(skin.GetCustom(400)->GetRect(), CRect(130, 60, 170, 90));
    EXPECT_EQ(skin.GetButton(200), nullptr);
    EXPECT_EQ(skin.GetCustom(300), nullptr);
    EXPECT_EQ(GetDlgCtrlID(skin.GetList(300)->m_hWnd), 300);
    MEASUREITEMSTRUCT mis{};
    EXPECT_TRUE(skin.MeasureItem(300, &mis));
    EXPECT_EQ(mis.itemHeight, 19u);
    EXPECT_FALSE(skin.MeasureItem(100, &mis));
    EXPECT_TRUE(skin.GetProblems().empty());
}

TEST_F(SkinTest, ButtonCommandsOnlyWhenReleasedInside) {
    struct Case {
        std::vector<std::pair<int, int>> downMovesUp;  // first is the press, last the release
        size_t commands;
    };
    const Case cases[] = {
        {{{20, 20}, {20, 20}}, 1},
        {{{20, 20}, {150, 100}, {150, 100}}, 0},          // up outside
        {{{20, 20}, {150, 100}, {25, 15}, {25, 15}}, 1},  // slid off and back on
        {{{150, 100}, {20, 20}}, 0},                      // down elsewhere
    };
    for (const Case& c : cases) {
        const auto& p = c.downMovesUp;
        Pen(WM_LBUTTONDOWN, p.front().first, p.front().second);
        for (size_t i = 1; i + 1 < p.size(); ++i) Pen(WM_MOUSEMOVE, p[i].first, p[i].second);
        Pen(WM_LBUTTONUP, p.back().first, p.back().second);
        EXPECT_EQ(Take(), Commands(c.commands, Command{100, 0})) << &c - cases;
        EXPECT_FALSE(owner.skin->GetButton(100)->IsPressed());
    }
}

TEST_F(SkinTest, FacesFollowThePenAndSetSkinBitmapAndMagentaStaysOut) {
    EXPECT_EQ(Pixel(20, 20), kGreen);
    Pen(WM_LBUTTONDOWN, 20, 20);
    EXPECT_EQ(Pixel(20, 20), kBlue);
    Pen(WM_MOUSEMOVE, 150, 100);
    EXPECT_EQ(Pixel(20, 20), kGreen) << "sliding off shows the normal face";
    Pen(WM_LBUTTONUP, 150, 100);
    // The magenta frame never reaches the screen.
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 200; ++x) ASSERT_NE(Pixel(x, y), kMagenta) << x << "," << y;

    root.Write("skin/img/Red_N_bt.bmp", FramedFace(30, 20, 0xC00000));
    CSkinButton* b = owner.skin->GetButton(100);
    auto face = [&](const char16_t* path, int state = 0) {
        const BOOL ok = b->SetSkinBitmap(path, state);
        wq::win::PumpPending();
        return ok ? Pixel(20, 20) : 0xBADu;
    };
    // Relative to the template's folder, with a leading backslash and another case.
    EXPECT_EQ(face(u"\\IMG\\RED_N_BT.bmp"), 0xC00000u);
    // A missing picture leaves the face empty: the background shows.
    EXPECT_EQ(face(u"\\img\\missing_N_bt.bmp"), 0xBADu);
    EXPECT_EQ(Pixel(20, 20), kBg);
}

TEST_F(SkinTest, AutoRepeatFiresOnPressThenAfterTheDelayThenSteadily) {
    Pen(WM_LBUTTONDOWN, 60, 20);
    EXPECT_EQ(Take().size(), 1u) << "an auto-repeat button acts at once";
    Run(CSkinButton::kRepeatDelayMs - 1);
    EXPECT_TRUE(Take().empty()) << "nothing before the initial delay";
    Run(1);
    EXPECT_EQ(Take().size(), 1u) << "first repeat at the delay";
    Run(5 * CSkinButton::kRepeatIntervalMs + 50);
    EXPECT_EQ(Take(), Commands(5, Command{101, 0}));
    // Lifting ends them.
    Pen(WM_LBUTTONUP, 60, 20);
    Run(2000);
    EXPECT_TRUE(Take().empty());
}

TEST_F(SkinTest, SliderDragSendsDragCodesThenOneSetWithTheFinalPosition) {
    CSkinSlider* slider = owner.skin->GetSlider(200);
    // Thumb 10 px in a 110 px slider: the centre travels x = 15..115.
    Pen(WM_LBUTTONDOWN, 25, 45);
    EXPECT_EQ(slider->GetPos(), 10);
    Pen(WM_MOUSEMOVE, 40, 45);
    Pen(WM_MOUSEMOVE, 40, 47);   // no change of position: no notification
    Pen(WM_MOUSEMOVE, 300, 90);  // far past the end: clamped
    EXPECT_EQ(slider->GetPos(), 100);
    Pen(WM_LBUTTONUP, 90, 200);
    EXPECT_EQ(slider->GetPos(), 75);
    EXPECT_EQ(Take(), (Commands{{200, 200}, {200, 200}, {200, 200}, {200, 100}}));
    EXPECT_EQ(Pixel(90, 45), kThumb);
    EXPECT_EQ(Pixel(20, 45), kBg);
    // Vertical: 0 at the top.
    Tap(185, 65);
    EXPECT_EQ(owner.skin->GetSlider(201)->GetPos(), 50);
    EXPECT_EQ(Take(), (Commands{{201, 200}, {201, 100}}));
}

// The program fills the list through its methods (the LB_ messages, which
// nothing sends, are left untested); the pen selects, double-taps and scrolls.
TEST_F(SkinTest, ListKeepsItsRowsAndTheSelectionInViewAndThePenSelectsAndScrolls) {
    CSkinListBox* list = owner.skin->GetList(300);
    for (const char16_t* s : {u"[..]", u"[B]", u"[앨범]", u"a.mp3", u"b.mp3", u"c.mp3", u"d.mp3"})
        list->AddString(s);
    // SetCurSel scrolls just enough; with TRUE the row goes to the top, but the
    // last page stays full.
    const std::tuple<int, int, BOOL> views[] = {
        {6, 4, FALSE}, {1, 1, FALSE}, {2, 2, TRUE}, {5, 4, TRUE}};
    for (auto [sel, top, bring] : views) {
        list->SetCurSel(sel, bring);
        EXPECT_EQ(list->GetTopIndex(), top) << sel;
    }
    EXPECT_EQ(list->SetCurSel(7), LB_ERR);
    EXPECT_EQ(list->GetCurSel(), -1);
    list->ResetContent();
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(list->GetTopIndex(), 0);
    EXPECT_TRUE(Take().empty()) << "the program's own calls notify nobody";

    for (const char16_t* s : {u"one", u"two", u"three", u"four", u"five"}) list->AddString(s);
    // Rows are 19 px from y = 60 in the owner; a tapped row is shown selected
    // at once.
    auto rowPixels = [&](int row) {
        std::vector<std::uint32_t> pixels;
        for (int x = 10; x < 110; ++x) pixels.push_back(Pixel(x, 60 + 19 * row + 9));
        return pixels;
    };
    wq::win::PumpPending();
    const auto unselected = rowPixels(1);
    Tap(50, 60 + 19 + 5);
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_NE(rowPixels(1), unselected);
    EXPECT_EQ(Take(), (Commands{{300, 100}}));
    Run(CSkinListBox::kDoubleTapMs - 1);
    Tap(50, 60 + 19 + 10);
    EXPECT_EQ(Take(), (Commands{{300, 200}}));
    // Too slow, or on another row: two selections.
    Tap(50, 60 + 5);
    Run(CSkinListBox::kDoubleTapMs);
    Tap(50, 60 + 5);
    Tap(50, 60 + 2 * 19 + 5);
    EXPECT_EQ(Take(), Commands(3, Command{300, 100}));
    EXPECT_EQ(list->GetCurSel(), 2);
    // A tap below the last row selects nothing.
    list->ResetContent();
    list->AddString(u"only");
    Tap(50, 60 + 19 + 5);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(list->GetCurSel(), -1);
    // Dragging scrolls without selecting, clamped to the last page.
    for (int i = 0; i < 9; ++i) list->AddString(u"row");
    Pen(WM_LBUTTONDOWN, 50, 110);
    Pen(WM_MOUSEMOVE, 50, 110 - 40);  // two rows up
    EXPECT_EQ(list->GetTopIndex(), 2);
    Pen(WM_MOUSEMOVE, 50, 110 - 400);
    EXPECT_EQ(list->GetTopIndex(), 7);
    Pen(WM_LBUTTONUP, 50, -290);
    EXPECT_EQ(list->GetCurSel(), -1);
    EXPECT_TRUE(Take().empty());
}

TEST_F(SkinTest, ItemColourYellowDrawsThatRowsTextYellow) {
    CSkinListBox* list = owner.skin->GetList(300);
    HFONT font = CreateFontW(17, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0x20, u"굴림");
    SendMessageW(list->m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    list->SetMargin(11, 10);
    for (const char16_t* s : {u"MMMM black", u"MMMM 노래", u"MMMM black"}) list->AddString(s);
    EXPECT_EQ(list->SetItemColor(1, 65535), 0);
    EXPECT_EQ(list->SetItemColor(3, 65535), LB_ERR);
    wq::win::PumpPending();

    int minX = 1000;  // of the last row counted
    auto count = [&](int row, std::uint32_t colour) {
        int n = 0;
        minX = 1000;
        for (int y = 60 + row * 19; y < 60 + (row + 1) * 19; ++y)
            for (int x = 10; x < 110; ++x)
                if (Pixel(x, y) == colour) ++n, minX = std::min(minX, x);
        return n;
    };
    EXPECT_GT(count(1, 0xFFFF00), 20) << "row 1 is drawn in yellow";
    EXPECT_GE(minX, 10 + 11) << "text starts at the left margin";
    EXPECT_EQ(count(0, 0xFFFF00) + count(2, 0xFFFF00), 0);
    EXPECT_GT(count(0, 0x000000), 20) << "other rows stay black";
    list->SetItemColor(1, 0);
    wq::win::PumpPending();
    EXPECT_EQ(count(1, 0xFFFF00), 0) << "colour 0 restores black";
    DeleteObject(reinterpret_cast<HGDIOBJ>(font));
}

TEST_F(SkinTest, AHandlerThatDeletesTheSkinEndsThePenSafely) {
    owner.onCommand = [&](const Command&) { owner.skin.reset(); };
    Pen(WM_LBUTTONDOWN, 60, 20);  // auto-repeat: the command comes on the press
    EXPECT_EQ(owner.skin, nullptr);
    Pen(WM_LBUTTONUP, 60, 20);
    Run(1000);
    EXPECT_EQ(Take().size(), 1u);
    EXPECT_EQ(GetCapture(), nullptr);
}

// ---- bad input ------------------------------------------------------------------------

TEST_F(SkinTest, MissingOrMalformedTemplatesLoadNothing) {
    root.MakeDir("skin/folder.tpl");
    root.Write("skin/empty.tpl", "");
    root.Write("skin/huge.tpl", "wqskin 1\n# " + std::string(2u << 20, 'x') + "\n");
    struct Case {
        const char16_t* path;
        std::string text;  // written to the path first unless empty
        const char* problem;
    };
    const Case cases[] = {
        {u"\\skin\\nothere.tpl", "", "cannot open"},
        {u"\\skin\\folder.tpl", "", "cannot open"},
        {u"\\..\\..\\etc\\passwd", "", "cannot open"},
        {u"", "", "no template path"},
        {u"\\skin\\huge.tpl", "", "larger than 1 MiB"},
        {u"\\skin\\empty.tpl", "", "empty"},
        {u"\\skin\\a.tpl", "background img\\bg.bmp\nbutton 1 0 0 10 10\n", "first line"},
        {u"\\skin\\c.tpl", std::string("wqskin 1\nbackground a\0b.bmp\n", 26), "binary"},
        {u"\\skin\\e.tpl", "wqskin 1\nbutton 1 0 0 10 10\n", "no background"},
    };
    for (const Case& c : cases) {
        std::string path = wq::Utf16ToUtf8(c.path);
        std::replace(path.begin(), path.end(), '\\', '/');
        if (!c.text.empty()) root.Write(path, c.text);
        CSkinManager skin(&owner);
        EXPECT_FALSE(skin.Load(c.path)) << path;
        ASSERT_FALSE(skin.GetProblems().empty()) << path;
        EXPECT_NE(skin.GetProblems().back().message.find(c.problem), std::string::npos)
            << path << ": " << skin.GetProblems().back().message;
        EXPECT_EQ(skin.GetButton(1), nullptr);
        // Everything else is harmless on an unloaded skin.
        skin.Draw(nullptr, nullptr);
        skin.OnLButtonDown(CPoint(1, 1));
        skin.OnLButtonUp(CPoint(1, 1));
    }
    // A template whose background picture is missing still loads: the problem
    // is reported, the face is plain black and the controls work on it.
    root.Write("skin/g.tpl",
               "wqskin 1\nbackground img\\none.bmp\n"
               "button 100 10 10 30 20 normal=img\\n.bmp\n");
    ASSERT_TRUE(owner.skin->Load(u"\\skin\\g.tpl"));
    ASSERT_FALSE(owner.skin->GetProblems().empty());
    EXPECT_NE(owner.skin->GetProblems().back().message.find("background picture"),
              std::string::npos);
    owner.Invalidate(FALSE);
    wq::win::PumpPending();
    EXPECT_EQ(Pixel(100, 100), 0u) << "plain black where the background would be";
    EXPECT_EQ(Pixel(20, 20), kGreen) << "the button's face";
    Tap(20, 20);
    EXPECT_EQ(Take(), (Commands{{100, 0}}));
    // A failed reload drops the earlier skin's controls.
    EXPECT_FALSE(owner.skin->Load(u"\\skin\\e.tpl"));
    EXPECT_EQ(owner.skin->GetButton(100), nullptr);
    EXPECT_EQ(owner.skin->GetList(300), nullptr);
}

TEST_F(SkinTest, BadLinesAndBrokenPicturesAreSkippedAndTheRestWorks) {
    // Why a picture fails is the image library's to test; here, that it is named.
    std::string giant = FramedFace(30, 20, kGreen).substr(0, 60);
    for (int at : {18, 22}) giant.replace(size_t(at), 4, "\x20\x4E\0\0", 4);  // 20000 px
    root.Write("skin/img/giant.bmp", giant);
    struct Case {
        const char* line;
        const char* problem;  // part of the sentence reported for the line
        bool kept;            // the element still exists
    };
    const Case cases[] = {
        {"button 1 -10 0 20 20", "negative", false},
        {"button 2 0 0 0 10", "empty", false},
        {"button 2 0 0 99999 20", "beyond", false},
        {"button 2 0 0 99999999999999999999 10", "whole number", false},
        {"button 2 0 0 10", "needs an id", false},
        {"button 0 0 0 10 10", "1 to 65535", false},
        {"wheel 2 0 0 20 20", "unknown keyword", false},
        {"slider 2 diagonal 0 0 10 10", "horizontal or vertical", false},
        {"button 2 0 0 10 10 \"normal=a.bmp", "not closed", false},
        {"face 480", "face needs", false},
        {"custom 100 0 0 5 5", "already used", true},  // the button 100 stays
        {"background img\\n.bmp", "second background", false},
        {"button 3 0 0 10 10 thumb=a.bmp", "no attribute 'thumb'", true},
        {"button 4 0 0 10 10 normal", "not a key=value", true},
        {"button 5 0 0 10 10 repeat=maybe", "bad value", true},
        {"button 9 130 10 30 20 normal=img\\giant.bmp", "8192", true},
        {"button 12 90 40 30 20 normal=img\\n.bmp pressed=img\\nope.bmp", "nope.bmp", true},
        {"slider 13 horizontal 10 70 100 10 thumb=img\\giant.bmp", "giant.bmp", true},
    };
    std::string tpl =
        "wqskin 1\nbackground img\\bg.bmp\nbutton 100 10 10 30 20 normal=img\\n.bmp\n";
    for (const Case& c : cases) tpl += c.line + std::string("\n");
    root.Write("skin/bad.tpl", tpl);
    std::vector<std::string> debugLines;
    wq::device::EnableDebug(true);
    wq::device::SetDebugSink([&](const std::string& line) { debugLines.push_back(line); });
    const BOOL loaded = owner.skin->Load(u"\\skin\\bad.tpl");
    wq::device::SetDebugSink(nullptr);
    wq::device::EnableDebug(false);
    ASSERT_TRUE(loaded);
    // One problem per bad line, each also a debug line naming the template and the line.
    const auto& problems = owner.skin->GetProblems();
    ASSERT_EQ(problems.size(), std::size(cases));
    ASSERT_EQ(debugLines.size(), problems.size());
    EXPECT_NE(debugLines[0].find("bad.tpl: line 4: "), std::string::npos) << debugLines[0];
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(problems[i].line, int(i) + 4) << c.line;
        EXPECT_NE(problems[i].message.find(c.problem), std::string::npos) << problems[i].message;
        const UINT id = UINT(std::atoi(c.line + std::string_view(c.line).find(' ')));
        EXPECT_EQ(owner.skin->GetTemplate().Find(id) != nullptr, c.kept) << c.line;
    }
    // The duplicate left the button alone, the refused picture draws nothing,
    // the face beside a missing pressed picture draws, and the controls still
    // answer the pen.
    EXPECT_EQ(owner.skin->GetCustom(100), nullptr);
    owner.Invalidate(FALSE);
    wq::win::PumpPending();
    EXPECT_EQ(Pixel(20, 20), kGreen);
    EXPECT_EQ(Pixel(100, 50), kGreen);
    EXPECT_EQ(Pixel(140, 20), kBg);
    Tap(20, 20);
    Tap(140, 20);
    Tap(60, 75);
    EXPECT_EQ(Take(), (Commands{{100, 0}, {9, 0}, {13, 200}, {13, 100}}));
}

}  // namespace
