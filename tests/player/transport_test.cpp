// The transport and mode buttons on the virtual clock, beyond the common
// paths: failed loads retried, folder rows under forced pause, the guard while
// another window is in front, the random order and pool, the button faces and
// preset pictures, the sliders, and the pause and storage keys.
#include "platform/skin/skinbutton.h"
#include "platform/skin/skinmanager.h"
#include "tests/player/player_fixture.h"

namespace {

using TransportTest = PlayerTest;
const std::string kCardUtf8 = "SDMMC Card\\AUDIO\\";

// True when `button` has the faces "<name>_N_bt.bmp" and "<name>_A_bt.bmp".
bool Shows(CSkinButton* button, const std::u16string& name) {
    return button->GetFacePath(0).ends_with(name + u"_N_bt.bmp") &&
           button->GetFacePath(1).ends_with(name + u"_A_bt.bmp");
}

TEST_F(TransportTest, PlayRetriesFailedLoadsAndKeepsTheForcePausedTrackOnFolderRows) {
    graphs.failing.insert(kCard + u"c.mp3");
    StartPlayer();
    DoubleTap(u"a.mp3");
    // Every graph gets the sound filter before the file is rendered.
    const auto firstRender =
        std::find(graphs.calls.begin(), graphs.calls.end(), "render " + kCardUtf8 + "a.mp3");
    ASSERT_NE(firstRender, graphs.calls.end());
    EXPECT_EQ(*(firstRender - 1), "filter WQASoundFilter");

    // A row whose file cannot be loaded, selected while stopped and while
    // playing: Play tries it again every 100 ms, but no more often in a row
    // than the folder has files.
    auto retriesAWhile = [&](const char* row) {
        const std::string render = "render " + kCardUtf8 + row;
        Choose(wq::Utf8ToUtf16(row));
        Press(IDC_BTN_PLAY, 1000);
        const int tries = graphs.Count(render);
        EXPECT_GE(tries, 2) << row;
        Run(1000);
        EXPECT_EQ(graphs.Count(render), tries) << row << " retried without end";
        graphs.failing.clear();
    };
    Command(IDC_BTN_STOP);
    retriesAWhile("c.mp3");
    // Stopped after them, Play resumes the track that was loaded last.
    Press(IDC_BTN_PLAY, 200);
    EXPECT_EQ(LoadedName(), "a.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
    DoubleTap(u"c.mp3");
    Run(200);
    EXPECT_EQ(LoadedName(), "c.mp3");
    graphs.failing.insert(kCard + u"a.mp3");
    retriesAWhile("a.mp3");
    DoubleTap(u"a.mp3");
    Run(200);
    EXPECT_EQ(LoadedName(), "a.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);

    // Forced pause, a folder row selected: Play goes back to the track's row
    // and resumes it; on the first row it does nothing at all.
    Registered(u"WQ:MSG:M_RUN_STATE", 1);
    Run(10);
    ASSERT_EQ(player->m_nPlayState, 1);
    Choose(u"[..]");
    Press(IDC_BTN_PLAY);
    EXPECT_EQ(player->m_nPlayState, 1);
    EXPECT_EQ(player->m_pExplorer->GetCurPath(), kCard);
    Choose(u"[Live]");
    Press(IDC_BTN_PLAY);
    EXPECT_EQ(player->m_pExplorer->GetCurPath(), kCard);
    EXPECT_EQ(Selection(), RowOf(u"a.mp3"));
    EXPECT_EQ(player->m_nPlayState, 0);

    // Without forced pause, Play on a folder row opens it and the track plays on.
    Registered(u"WQ:MSG:M_RUN_STATE", 0);  // ends forced pause, toggling once
    Run(10);
    Command(IDC_BTN_PLAY);
    ASSERT_EQ(player->m_nPlayState, 0);
    Choose(u"[Live]");
    Press(IDC_BTN_PLAY);
    EXPECT_EQ(player->m_pExplorer->GetCurPath(), CString(kCard + u"Live"));
    EXPECT_EQ(LoadedName(), "a.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);
}

TEST_F(TransportTest, NextAndPrevWaitWhileInactiveOnAFolderRowWithNothingPlaying) {
    StartPlayer();
    player->SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    player->m_pSkinLBMP3Title->SetCurSel(RowOf(u"[Live]"));
    Command(IDC_BTN_NEXT);
    Press(IDC_BTN_PREV, 200);
    EXPECT_EQ(graphs.Count("render"), 0);
    // In front, the same press goes ahead.
    player->SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    Press(IDC_BTN_NEXT);
    EXPECT_GT(graphs.Count("render"), 0);
}

TEST_F(TransportTest, RandomOrderChangesWithTheSeedAndTheRandomButtonRefillsThePool) {
    for (const char* name : {"d.mp3", "e.mp3"})
        root.MakeFile(std::string("SDMMC Card/AUDIO/") + name);
    // Restored at start-up with a saved track playing: the pattern, and a
    // random order drawing from a full pool.
    Store(u"PATTERN", 2);
    Store(u"METHOD PLAY", 1);
    Store(u"METHOD REPEAT", 2);
    Store(u"PLAYED PATH", kCard + u"b.mp3");
    Store(u"PLAYED TIME", 0);
    StartPlayer();
    EXPECT_EQ(player->SpectrumPattern(), 2);
    ASSERT_EQ(player->m_nPlayState, 0);
    EXPECT_EQ(player->m_arrRandom.size(), 5u);
    const std::vector<std::string> inOrder = {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"};
    std::set<std::vector<std::string>> orders;
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        std::srand(seed);
        DoubleTap(u"a.mp3");
        std::vector<std::string> order;
        for (size_t i = 0; i < inOrder.size(); ++i) {
            Press(IDC_BTN_NEXT);
            order.push_back(LoadedName());
        }
        std::vector<std::string> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, inOrder) << "seed " << seed << ": each file once";
        orders.insert(order);
        const int renders = graphs.Count("render");
        Press(IDC_BTN_NEXT);
        EXPECT_EQ(player->m_nPlayState, 2) << "seed " << seed << ": the cycle ends stopped";
        EXPECT_EQ(graphs.Count("render"), renders) << "seed " << seed << ": nothing more loaded";
    }
    EXPECT_GE(orders.size(), 3u) << "the order must depend on the draw";
    EXPECT_FALSE(orders.count(inOrder)) << "list order is not a random order";

    // Switching random order off and on again refills the pool, with the
    // button showing each mode.
    DoubleTap(u"a.mp3");
    Command(IDC_BTN_NEXT);
    Press(IDC_BTN_NEXT);
    ASSERT_EQ(player->m_arrRandom.size(), 3u);
    CSkinButton* random = player->m_pSkinManager->GetButton(IDC_BTN_RANDOM);
    Command(IDC_BTN_RANDOM);
    EXPECT_EQ(player->m_nPlayMethod, 0);
    EXPECT_TRUE(Shows(random, u"turn"));
    Command(IDC_BTN_RANDOM);
    EXPECT_EQ(player->m_arrRandom.size(), 5u);
    EXPECT_TRUE(Shows(random, u"random"));
    // With repeat all the pool refills and the drawing goes on.
    Command(IDC_BTN_REPEAT);  // none -> all
    for (int i = 0; i < 7; ++i) {
        Press(IDC_BTN_NEXT);
        EXPECT_EQ(player->m_nPlayState, 0) << "draw " << i;
    }
}

TEST_F(TransportTest, FacesFollowTheModesAndTwelveEqualizerPressesCycleThePresetPictures) {
    // Each preset picture in its own colour, so the badge tells which is
    // shown; ROCK's is missing, which must leave its badge empty, not NORMAL's.
    std::filesystem::remove(root.Host("NAND Flash/skin"));
    std::filesystem::copy(WQ_SOURCE_DIR "/skin", root.Host("NAND Flash/skin"),
                          std::filesystem::copy_options::recursive);
    const char* names[11] = {"NORMAL", "ROCK",  "POP",  "JAZZ", "CLASSIC", "DANCE",
                             "HEAVY",  "DISCO", "SOFT", "LIVE", "HALL"};
    auto colour = [](int preset) { return std::uint32_t(0x102030 + preset * 0x0A0B0C); };
    for (int i = 0; i < 11; ++i) {
        const std::string file = std::string("NAND Flash/skin/WQAudio/img/EQ_") + names[i] + ".BMP";
        if (i == 1)
            std::filesystem::remove(root.Host(file));
        else
            root.MakeFile(file, wq::test::Bmp(76, 18, [&](int, int) { return colour(i); }));
    }
    Store(u"EQUALIZER", 0);
    StartPlayer();
    const CRect badge = player->m_rcEqImage;
    auto shown = [&] {
        return wq::win::GetWindowSurface(player->m_hWnd)->At(badge.left + 5, badge.top + 5);
    };
    EXPECT_EQ(shown(), colour(0));
    wq::device::StartCallLog();
    for (int press = 1; press <= 12; ++press) {
        Press(IDC_BTN_EQUALIZER, 800);
        const int preset = press % 11;
        EXPECT_EQ(player->m_nEqualizer, preset) << "press " << press;
        if (preset != 1) {
            EXPECT_EQ(shown(), colour(preset)) << "press " << press;
            continue;
        }
        EXPECT_FALSE(player->m_imgEqualizer.IsLoaded());
        EXPECT_EQ(player->m_imgEqualizer.GetWidth(), 0) << "no size left from the earlier picture";
        EXPECT_NE(shown(), colour(0)) << "the NORMAL badge is still shown";
    }
    std::vector<std::int64_t> applied;
    for (const auto& call : wq::device::CallLog())
        if (call.name == "Set3DControl") applied.push_back(call.args.at(1));
    EXPECT_EQ(applied, (std::vector<std::int64_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 1}));

    // Repeat: all, one, none and all again; Play shows pause while playing.
    CSkinButton* repeat = player->m_pSkinManager->GetButton(IDC_BTN_REPEAT);
    for (const char16_t* face : {u"one", u"nonrep", u"all"}) {
        Command(IDC_BTN_REPEAT);
        EXPECT_TRUE(Shows(repeat, face));
    }
    CSkinButton* play = player->m_pSkinManager->GetButton(IDC_BTN_PLAY);
    DoubleTap(u"a.mp3");
    EXPECT_TRUE(Shows(play, u"pause"));
    Command(IDC_BTN_PLAY);
    EXPECT_TRUE(Shows(play, u"play"));
    Command(IDC_BTN_PLAY);
    Command(IDC_BTN_STOP);
    EXPECT_TRUE(Shows(play, u"play"));
    // Without repeat, Next after the last file stops, and Play says so.
    Command(IDC_BTN_REPEAT);
    Command(IDC_BTN_REPEAT);
    DoubleTap(u"c.mp3");
    ASSERT_TRUE(Shows(play, u"pause"));
    Press(IDC_BTN_NEXT);
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_TRUE(Shows(play, u"play")) << "stopped at the end of the folder";
}

TEST_F(TransportTest, SlidersSeekAndScrollAndThePauseKeyToggles) {
    graphs.defaultMs = 100000;
    StartPlayer();
    DoubleTap(u"a.mp3");
    Run(2000);
    // Dragging stops the position updates, so the thumb stays under the finger.
    CSkinSlider* pos = player->m_pSliderPos;
    pos->SetPos(40);
    Command(IDC_SLIDER_PLAYPOS, SKIN_CODE_DBLCLK);
    Run(1000);
    EXPECT_EQ(pos->GetPos(), 40);
    // Released at 40 the track jumps to 41 %, and the updates go on from there.
    Command(IDC_SLIDER_PLAYPOS, SKIN_CODE_SET);
    EXPECT_EQ(graphs.Last("seek"), "seek 41000");
    Run(1100);
    EXPECT_EQ(pos->GetPos(), 42);

    // The pause key pauses and resumes; stopped, it does nothing.
    KeyDown(129);
    EXPECT_EQ(player->m_nPlayState, 1);
    KeyDown(129);
    EXPECT_EQ(player->m_nPlayState, 0);
    EXPECT_FALSE(player->m_bForcePause);
    // Paused by the navigation guidance, the key does not resume.
    Registered(u"BMSG_MARLO", 0);
    KeyDown(129);
    EXPECT_EQ(player->m_nPlayState, 1);
    Registered(u"BMSG_MARLO", 771);
    Command(IDC_BTN_STOP);
    KeyDown(129);
    EXPECT_EQ(player->m_nPlayState, 2);

    // Stopped, the progress slider snaps back and seeks nothing.
    const int seeks = graphs.Count("seek");
    pos->SetPos(40);
    Command(IDC_SLIDER_PLAYPOS, SKIN_CODE_SET);
    EXPECT_EQ(pos->GetPos(), 0);
    EXPECT_EQ(graphs.Count("seek"), seeks);

    // The list slider selects the row at its share of the list.
    CSkinSlider* list = player->m_pSliderList;
    const int rows = player->m_pSkinLBMP3Title->GetCount();
    for (int row = 0; row < rows; ++row) {
        list->SetPos((row * 100 + 50) / rows);
        Command(IDC_SLIDER_LIST, SKIN_CODE_SET);
        EXPECT_EQ(Selection(), row);
    }
}

TEST_F(TransportTest, StorageKeysReloadTheShownStorageAfterItsDelay) {
    root.MakeFile("이동식디스크/x.mp3");
    root.MakeFile("이동식디스크/y.mp3");
    // The times, from `start`, at which the shown folder was read again.
    auto reloadsAfter = [&](DWORD start) {
        std::vector<DWORD> at;
        for (const auto& m : launcher->received)
            if (m.name == u"WQ:MSG:M_LOAD_COMPLETE" && m.tick >= start)
                at.push_back(m.tick - start);
        return at;
    };
    auto reloadedOnceAfter = [&](DWORD start, DWORD delay) {
        const auto at = reloadsAfter(start);
        ASSERT_EQ(at.size(), 1u);
        EXPECT_GE(at[0], delay);
        EXPECT_LT(at[0], delay + 200);
    };
    auto boxes = [] {
        std::vector<CString> texts;
        for (const auto& call : wq::device::CallLog())
            if (call.name == "WQMessageBox") texts.push_back(call.text);
        return texts;
    };

    // A card inserted while a card folder shows: the box at once, the
    // folder read again at 2 s.
    StartPlayer();
    DWORD start = GetTickCount();
    KeyDown(130);
    Run(3500);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].Find(u"저장장치를 인식중"), 0);
    reloadedOnceAfter(start, 2000);
    // A USB disk inserted or removed while a card track plays changes nothing.
    DoubleTap(u"a.mp3");
    const auto calls = graphs.calls;
    start = GetTickCount();
    KeyDown(117);
    KeyDown(118);
    Run(5000);
    EXPECT_TRUE(reloadsAfter(start).empty());
    EXPECT_EQ(graphs.calls, calls) << "neither stopped nor reloaded";
    EXPECT_EQ(player->m_nPlayState, 0);
    EXPECT_EQ(boxes().size(), 1u);
    StopPlayer();

    // A USB folder shows: inserted stops at once and reloads at 1.5 s;
    // removed stops, empties the display and reloads at 4.5 s.
    Store(u"PLAYED PATH", u"이동식디스크\\x.mp3");
    StartPlayer();
    ASSERT_TRUE(player->m_pExplorer->IsRemovableDiskPath());
    DoubleTap(u"x.mp3");
    ASSERT_EQ(player->m_nPlayState, 0);
    start = GetTickCount();
    KeyDown(117);
    EXPECT_EQ(player->m_nPlayState, 2);
    Run(2000);
    reloadedOnceAfter(start, 1500);

    DoubleTap(u"y.mp3");
    ASSERT_EQ(player->m_nPlayState, 0);
    start = GetTickCount();
    KeyDown(118);
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_EQ(player->m_pTitleWnd->GetShownText(), CString());
    EXPECT_TRUE(player->m_arrRandom.empty());
    Run(5000);
    reloadedOnceAfter(start, 4500);
    // A card inserted while the USB folder shows changes nothing.
    start = GetTickCount();
    KeyDown(130);
    Run(3000);
    EXPECT_TRUE(reloadsAfter(start).empty());
}

}  // namespace
