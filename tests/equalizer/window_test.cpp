// The equalizer window on the virtual clock with the default skin: what each
// command shows, stores and applies, the pen, the ways it closes, bad input.
#include <algorithm>
#include <map>

#include "platform/base/utf.h"
#include "tests/equalizer/eq_fixture.h"
#include "tests/support/step_runner.h"

namespace {

using Eq = CWQEqualizerDlg;
using WindowTest = EqualizerTest;

// A finger on the buttons of the shipped template, through the pen and the
// real skin: each lands on its handler. Ids come from the template; the role
// from the button's picture and the band from its place left to right, so a
// template id pointing at another band or command is caught here.
TEST_F(WindowTest, TheShippedTemplatesButtonsReachTheirHandlersByThePen) {
    wq::test::MessageRecorder launcher(u"WQMain");
    WriteMissingEqDefaults();
    Open(0);
    ASSERT_NE(dlg.m_pSkinManager, nullptr);
    std::map<std::string, std::vector<CRect>> roles;  // picture name -> rectangles, left first
    size_t buttons = 0;
    for (const auto& e : dlg.m_pSkinManager->GetTemplate().elements) {
        if (e.kind != wq::skin::ElementKind::Button) continue;
        ++buttons;
        std::string name = wq::Utf16ToUtf8(e.normal);
        name = name.substr(name.find_last_of("\\/") + 1);
        roles[name.substr(0, name.find('_'))].push_back(CRect(e.rect));
    }
    for (auto& [role, rects] : roles)
        std::sort(rects.begin(), rects.end(),
                  [](const CRect& a, const CRect& b) { return a.left < b.left; });
    auto tap = [&](const CRect& r) {
        for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP})
            wq::win::QueueMouseInput(dlg.m_hWnd, msg, r.CenterPoint());
    };
    // Buttons that store one value: the key each band's button writes.
    const std::pair<const char*, const char*> stores[] = {
        {"eqleft", "HZ BAND"},         {"eqright", "HZ BAND"}, {"eqminus", "DB BAND"},
        {"eqplus", "DB BAND"},         {"3dleft", "3D BAND"},  {"3dright", "3D BAND"},
        {"EQceknon", "USE WIDE BAND"},
    };
    size_t tapped = 0;
    for (const auto& [role, base] : stores) {
        ASSERT_TRUE(roles.count(role)) << role;
        const auto& rects = roles.at(role);
        for (size_t i = 0; i < rects.size(); ++i) {
            SCOPED_TRACE(std::string(role) + " #" + std::to_string(i));
            journal->Clear();
            tap(rects[i]);
            Run(60);
            const size_t band = std::string(base) == "USE WIDE BAND" ? i + 2 : i + 1;
            const std::string key =
                std::string(base) == "3D BAND" ? "3D BAND0" : base + std::to_string(band) + "0";
            const auto writes = journal->Writes();
            ASSERT_EQ(writes.size(), 1u);
            EXPECT_EQ(writes[0].key, key);
            ++tapped;
        }
    }
    // Of the other four, MODE (PWR, RESET and PATTERN are pressed by id in the
    // closing, sound and player tests).
    journal->Clear();
    tap(roles.at("eqmode").at(0));
    Run(60);
    EXPECT_EQ(launcher.received,
              (std::vector<wq::test::MessageRecorder::Received>{{u"WQ:MSG:M_ON_MODE", 0, 0}}));
    EXPECT_TRUE(journal->Writes().empty()) << "mode changes nothing";
    EXPECT_EQ(tapped + 4, buttons) << "a button of the template without a case here";
}

TEST_F(WindowTest, FrequencyArrowsStepThroughThePicturesAndWrap) {
    WriteMissingEqDefaults();
    journal->Clear();
    Open(0);
    EXPECT_TRUE(ShowsFrequency(0, 1));
    const int expected[4] = {2, 3, 0, 1};  // 135, 175, 80, 105 Hz
    for (size_t i = 0; i < 4; ++i) {
        Command(2019);
        EXPECT_TRUE(ShowsFrequency(0, expected[i])) << "press " << i + 1;
        EXPECT_TRUE(OneWriteThenApply(i + 1, "HZ BAND10", expected[i]));
    }
}

// Gains stop at their ends, the wide flag toggles its face, 3D wraps both ways.
TEST_F(WindowTest, PlusMinusWideAnd3DPressesKeepTheirRange) {
    StoreEq(u"DB BAND13", 0);   // +12 dB
    StoreEq(u"DB BAND23", 24);  // -12 dB
    journal->Clear();
    Open(3);
    Command(2055);  // band 1 "+" at the top
    EXPECT_EQ(dlg.m_pSlider[0]->GetPos(), 4);
    EXPECT_TRUE(OneWriteThenApply(1, "DB BAND13", 0));
    Command(2058);  // band 2 "-" at the bottom
    EXPECT_EQ(dlg.m_pSlider[1]->GetPos(), 100);
    EXPECT_TRUE(OneWriteThenApply(2, "DB BAND23", 24));
    EXPECT_EQ(codec->applies.back().preset, 3);

    CSkinButton* v3 = dlg.m_pSkinManager->GetButton(2035);
    const std::u16string on = u"\\img\\EQcekon_A_bt.bmp", off = u"\\img\\EQceknon_N_bt.bmp";
    const long long stored[3] = {1, 0, 1};
    for (size_t i = 0; i < 3; ++i) {
        Command(2035);
        EXPECT_EQ(v3->GetFacePath(0), stored[i] ? on : off);
        EXPECT_TRUE(OneWriteThenApply(i + 3, "USE WIDE BAND33", stored[i]));
    }
    Command(2038);  // 3D "<<" at 0
    EXPECT_EQ(LabelText(5), u"100%");
    EXPECT_TRUE(OneWriteThenApply(6, "3D BAND3", 15));
    Command(2039);  // ">>" at 15
    EXPECT_EQ(LabelText(5), u"  0%");
    EXPECT_TRUE(OneWriteThenApply(7, "3D BAND3", 0));
}

TEST_F(WindowTest, DraggingShowsTheGainAndTheReleaseStoresItAndSnapsTheThumb) {
    StoreEq(u"DB BAND10", 12);
    journal->Clear();
    Open(0);
    const CRect slider = dlg.m_pSlider[0]->GetRect();
    const int x = slider.CenterPoint().x;
    wq::win::QueueMouseInput(dlg.m_hWnd, WM_LBUTTONDOWN,
                             dlg.m_pSlider[0]->GetThumbRect().CenterPoint());
    wq::win::QueueMouseInput(dlg.m_hWnd, WM_MOUSEMOVE, POINT{x, slider.top + 30});
    wq::win::PumpPending();
    const int dragged = (100 - dlg.m_pSlider[0]->GetPos()) / 4;
    EXPECT_EQ(LabelText(0), Eq::GainText(dragged).str()) << "the read-out follows the thumb";
    EXPECT_TRUE(journal->Writes().empty()) << "nothing is stored while dragging";
    EXPECT_TRUE(codec->applies.empty());

    // Past the top end: position 0 stores +12 dB (step 24), and the thumb
    // snaps to that step's position.
    wq::win::QueueMouseInput(dlg.m_hWnd, WM_MOUSEMOVE, POINT{x, slider.top - 20});
    wq::win::QueueMouseInput(dlg.m_hWnd, WM_LBUTTONUP, POINT{x, slider.top - 20});
    wq::win::PumpPending();
    EXPECT_EQ(LabelText(0), u"12");
    EXPECT_EQ(dlg.m_pSlider[0]->GetPos(), 4);
    EXPECT_TRUE(OneWriteThenApply(1, "DB BAND10", 0));

    // Between two steps: the step below, and the thumb on it.
    dlg.m_pSlider[0]->SetPos(31);
    Command(2028, 100);
    EXPECT_EQ(LabelText(0), u" 5");
    EXPECT_EQ(dlg.m_pSlider[0]->GetPos(), 32);
    EXPECT_EQ(StoredEq(u"DB BAND10"), 7);
}

TEST_F(WindowTest, ReadOutsSitOnTheirAreasAndTheStripFollowsTheAudioUpdate) {
    Open(0);
    for (UINT id = 2206; id <= 2211; ++id) {
        CWnd* label = dlg.GetDlgItem(static_cast<int>(id));
        ASSERT_NE(label, nullptr) << id;
        CRect rc;
        label->GetWindowRect(&rc);
        dlg.ScreenToClient(&rc);
        EXPECT_EQ(rc, Area(id)) << id;
    }
    // The strip places itself in the corner (tests/taskbar); here it follows
    // the audio update.
    DWORD mute = 1;
    ASSERT_TRUE(CCommon::WriteINIFile(u"WQSETUP", u"Mute", REG_DWORD, &mute));
    EXPECT_EQ(dlg.m_wndTaskbar.m_nOutputState, CTaskbarWnd::OUTPUT_SPEAKER);
    EXPECT_EQ(dlg.SendMessage(RegisterWindowMessage(u"WQ:MSG:AUDIOUPDATE"), 0, 0), 1);
    EXPECT_EQ(dlg.m_wndTaskbar.m_nOutputState, CTaskbarWnd::OUTPUT_SPEAKER_MUTED);
}

TEST_F(WindowTest, EveryWayOfClosingFreesTheSkinAndTheWindowOpensAgain) {
    wq::test::StepRunner steps;
    const UINT keyDown = RegisterWindowMessage(u"WQ:MSG:KEYDOWN");
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"PWR", [&] { Command(2009); }},
        {"close key", [&] { dlg.SendMessage(keyDown, 128, 0); }},
        {"WM_CLOSE", [&] { dlg.PostMessage(WM_CLOSE, 0, 0); }},
        {"EndDialog from outside", [&] { ::EndDialog(dlg.m_hWnd, IDCANCEL); }},
    };
    for (const auto& [name, close] : ways) {
        bool open = false;
        steps.Start({[&] {
                         open = dlg.m_pSkinManager && dlg.m_p3DLabel;
                         dlg.SendMessage(keyDown, 126, 0);  // another key: nothing
                     },
                     close});
        EXPECT_EQ(dlg.DoModal(), IDCANCEL) << name << ": " << wq::win::WatchdogMessage();
        EXPECT_TRUE(open) << name;
        EXPECT_FALSE(dlg.m_hWnd) << name;
        EXPECT_EQ(dlg.m_pSkinManager, nullptr) << name;
    }
}

TEST_F(WindowTest, WithoutItsTemplateTheWindowShowsItsPictureIgnoresThePenAndStillCloses) {
    std::filesystem::remove(root.Host("NAND Flash/skin/WQAudio/WQEqualizer.TPL"));
    Open(0);
    EXPECT_TRUE(ShowsPicture(dlg.m_hWnd, Eq::kFallbackPicture, POINT{}));
    for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP})
        wq::win::QueueMouseInput(dlg.m_hWnd, msg, POINT{440, 209});  // where RESET would be
    wq::win::PumpPending();
    EXPECT_TRUE(journal->Writes().empty());
    dlg.SendMessage(RegisterWindowMessage(u"WQ:MSG:KEYDOWN"), 128, 0);
    Run(10);
    EXPECT_FALSE(dlg.IsWindowVisible()) << "the close key ended it";
}

}  // namespace
