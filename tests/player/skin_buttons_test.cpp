// The controls of the shipped player skin: every button's id in the template
// agrees with the dialog resource, and a finger on a sample of them (and on
// the list and sliders) lands where the skin draws the control and runs the
// handler behind its id. The ids come from the loaded template and the
// registered resource, never from the player's own constants, so a handler
// moved to another id is caught here.
#include "platform/skin/skinmanager.h"
#include "platform/win/dlgres.h"
#include "tests/player/player_fixture.h"

namespace {

using SkinButtonsTest = PlayerTest;

// "img\prev_N_bt.bmp" -> "prev": the picture names the button's role.
std::string Role(const wq::skin::ElementSpec& e) {
    std::string name = wq::Utf16ToUtf8(e.normal);
    name = name.substr(name.find_last_of("\\/") + 1);
    return name.substr(0, name.find('_'));
}

TEST_F(SkinButtonsTest, TheShippedSkinsControlsReachTheirHandlers) {
    graphs.defaultMs = 100000;
    StartPlayer();
    ASSERT_TRUE(player->m_bSkinLoaded);
    const wq::skin::SkinTemplate& skin = player->m_pSkinManager->GetTemplate();
    const wq::win::DialogResource* res = wq::win::FindDialogResource(IDD_WQAUDIO_DIALOG);
    ASSERT_NE(res, nullptr);
    auto resourceId = [&](std::u16string_view caption) {
        for (const auto& c : res->controls)
            if (c.caption && caption == c.caption) return c.id;
        return 0u;
    };
    // The resource's caption of each role: both files must agree on the id.
    const std::map<std::string, std::u16string_view> captions = {{"mode", u"MODE"},
                                                                 {"close", u"Close"},
                                                                 {"prev", u"Prev"},
                                                                 {"stop", u"Stop"},
                                                                 {"play", u"Play/Pause"},
                                                                 {"next", u"Next"},
                                                                 {"turn", u"Random/Sequence"},
                                                                 {"all", u"Repeat/Once"},
                                                                 {"eq", u"Equalizer"},
                                                                 {"seteq", u"Set EQ"},
                                                                 {"navi", u"NAVI"},
                                                                 {"up", u"Up"},
                                                                 {"down", u"Down"}};
    std::map<std::string, CPoint> at;
    const wq::skin::ElementSpec *posSlider = nullptr, *listSlider = nullptr, *list = nullptr;
    for (const auto& e : skin.elements) {
        if (e.kind == wq::skin::ElementKind::Button) {
            const std::string role = Role(e);
            ASSERT_TRUE(captions.count(role)) << "a skin button without a test: " << role;
            EXPECT_EQ(resourceId(captions.at(role)), e.id) << role;
            at[role] = CRect(e.rect).CenterPoint();
        } else if (e.kind == wq::skin::ElementKind::Slider) {
            (e.orientation == wq::skin::Orientation::Horizontal ? posSlider : listSlider) = &e;
        } else if (e.kind == wq::skin::ElementKind::List) {
            list = &e;
        }
    }
    ASSERT_EQ(at.size(), captions.size());
    ASSERT_TRUE(posSlider && listSlider && list);

    // Through the window system's pen input, as the display delivers it.
    auto touch = [&](CPoint p) {
        wq::win::QueueMouseInput(player->m_hWnd, WM_LBUTTONDOWN, p);
        Run(1);
        wq::win::QueueMouseInput(player->m_hWnd, WM_LBUTTONUP, p);
        Run(1);
    };
    auto tap = [&](const std::string& role) {
        touch(at.at(role));
        Run(60);
    };

    // The title list: a double tap on the row of a.mp3 plays it.
    const CPoint rowA(list->rect.left + 40,
                      list->rect.top + RowOf(u"a.mp3") * list->rowHeight + list->rowHeight / 2);
    touch(rowA);
    touch(rowA);
    Run(60);
    ASSERT_EQ(LoadedName(), "a.mp3");
    ASSERT_EQ(player->m_nPlayState, 0);

    // A sample of the buttons; every button's id agrees with the resource above.
    tap("next");
    EXPECT_EQ(LoadedName(), "b.mp3");

    // The progress slider: released at its middle, the track jumps there.
    touch(CRect(posSlider->rect).CenterPoint());
    const int percent = player->m_pSliderPos->GetPos();
    EXPECT_GT(percent, 30);
    EXPECT_LT(percent, 70);
    EXPECT_EQ(graphs.Last("seek"), "seek " + std::to_string((percent + 1) * 1000));

    // The list slider's top selects the first row.
    player->m_pSkinLBMP3Title->SetCurSel(RowOf(u"c.mp3"));
    touch(CPoint(CRect(listSlider->rect).CenterPoint().x, listSlider->rect.top));
    Run(60);
    EXPECT_EQ(Selection(), 0);

    tap("navi");
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_RUN_EXECUTE"), 1);
    EXPECT_EQ(launcher->received.back().wParam, 1u);

    // Close, last: the window ends its dialog and hides at once.
    tap("close");
    EXPECT_FALSE(::IsWindowVisible(player->m_hWnd));
}

}  // namespace
