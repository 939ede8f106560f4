// The transport and mode buttons on the virtual clock, beyond the common
// paths: failed loads retried, folder rows under forced pause, the random
// order and pool, the button faces and preset pictures, and the storage
// keys.
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

    // A row whose file cannot be loaded, selected while stopped: Play tries it
    // again every 100 ms, but no more often in a row than the folder has files.
    Command(IDC_BTN_STOP);
    const std::string render = "render " + kCardUtf8 + "c.mp3";
    Choose(u"c.mp3");
    Press(IDC_BTN_PLAY, 1000);
    const int tries = graphs.Count(render);
    EXPECT_GE(tries, 2);
    Run(1000);
    EXPECT_EQ(graphs.Count(render), tries) << "retried without end";
    // Stop while a retry is due ends the retrying.
    DoubleTap(u"c.mp3");
    Command(IDC_BTN_STOP);
    Run(1000);
    EXPECT_EQ(graphs.Count(render), tries + 1) << "retried after Stop";
    graphs.failing.clear();
    // Stopped after them, Play resumes the track that was loaded last.
    Press(IDC_BTN_PLAY, 200);
    EXPECT_EQ(LoadedName(), "a.mp3");
    EXPECT_EQ(player->m_nPlayState, 0);

    // Forced pause, a folder row selected: Play goes back to the track's row
    // and resumes it.
    Registered(u"WQ:MSG:M_RUN_STATE", 1);
    Run(10);
    ASSERT_EQ(player->m_nPlayState, 1);
    Choose(u"[Live]");
    Press(IDC_BTN_PLAY);
    EXPECT_EQ(player->m_pExplorer->GetCurPath(), kCard);
    EXPECT_EQ(Selection(), RowOf(u"a.mp3"));
    EXPECT_EQ(player->m_nPlayState, 0);
}

TEST_F(TransportTest, RandomOrderChangesWithTheSeedAndRepeatAllRefillsThePool) {
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
        Press(IDC_BTN_NEXT);
        EXPECT_EQ(player->m_nPlayState, 2) << "seed " << seed << ": the cycle ends stopped";
    }
    EXPECT_GE(orders.size(), 3u) << "the order must depend on the draw";
    EXPECT_FALSE(orders.count(inOrder)) << "list order is not a random order";

    // With repeat all the pool refills and the drawing goes on.
    Command(IDC_BTN_REPEAT);  // none -> all
    DoubleTap(u"a.mp3");
    for (int i = 0; i < 7; ++i) {
        Press(IDC_BTN_NEXT);
        EXPECT_EQ(player->m_nPlayState, 0) << "draw " << i;
    }
}

TEST_F(TransportTest, FacesFollowTheModesAndTheEqualizerPresetPictureWraps) {
    // NORMAL's and HALL's pictures in colours of their own, so the badge tells
    // which is shown; ROCK's is missing, which must leave its badge empty, not
    // NORMAL's.
    std::filesystem::remove(root.Host("NAND Flash/skin"));
    std::filesystem::copy(WQ_SOURCE_DIR "/skin", root.Host("NAND Flash/skin"),
                          std::filesystem::copy_options::recursive);
    const std::string img = "NAND Flash/skin/WQAudio/img/EQ_";
    root.MakeFile(img + "NORMAL.BMP", wq::test::Bmp(76, 18, [](int, int) { return 0x102030u; }));
    root.MakeFile(img + "HALL.BMP", wq::test::Bmp(76, 18, [](int, int) { return 0x405060u; }));
    std::filesystem::remove(root.Host(img + "ROCK.BMP"));
    Store(u"EQUALIZER", 10);
    StartPlayer();
    const CRect badge = player->m_rcEqImage;
    auto shown = [&] {
        return wq::win::GetWindowSurface(player->m_hWnd)->At(badge.left + 5, badge.top + 5);
    };
    EXPECT_EQ(shown(), 0x405060u);
    wq::device::StartCallLog();
    Press(IDC_BTN_EQUALIZER, 800);
    EXPECT_EQ(shown(), 0x102030u) << "after HALL comes NORMAL";
    Press(IDC_BTN_EQUALIZER, 800);
    EXPECT_NE(shown(), 0x102030u) << "the NORMAL badge is still shown";
    std::vector<std::int64_t> applied;
    for (const auto& call : wq::device::CallLog())
        if (call.name == "Set3DControl") applied.push_back(call.args.at(1));
    EXPECT_EQ(applied, (std::vector<std::int64_t>{0, 1}));

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
    // Without repeat, Next steps down the folder; after the last file it
    // stops, and Play says so.
    Command(IDC_BTN_REPEAT);
    Command(IDC_BTN_REPEAT);
    DoubleTap(u"b.mp3");
    Press(IDC_BTN_NEXT);
    EXPECT_EQ(LoadedName(), "c.mp3");
    ASSERT_TRUE(Shows(play, u"pause"));
    Press(IDC_BTN_NEXT);
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_TRUE(Shows(play, u"play")) << "stopped at the end of the folder";
}

TEST_F(TransportTest, StorageKeysReloadTheShownStorageAfterItsDelay) {
    root.MakeFile("이동식디스크/x.mp3");
    // A USB disk inserted or removed while a card track plays changes nothing.
    StartPlayer();
    DoubleTap(u"a.mp3");
    const auto calls = graphs.calls;
    KeyDown(117);
    KeyDown(118);
    Run(5000);
    EXPECT_EQ(graphs.calls, calls) << "neither stopped nor reloaded";
    EXPECT_EQ(launcher->Count(u"WQ:MSG:M_LOAD_COMPLETE"), 1);
    StopPlayer();

    // A USB folder shows: removed stops, empties the display and reloads at 4.5 s.
    Store(u"PLAYED PATH", u"이동식디스크\\x.mp3");
    StartPlayer();
    DoubleTap(u"x.mp3");
    ASSERT_EQ(player->m_nPlayState, 0);
    const DWORD start = GetTickCount();
    KeyDown(118);
    EXPECT_EQ(player->m_nPlayState, 2);
    EXPECT_EQ(player->m_pTitleWnd->GetShownText(), CString());
    Run(5000);
    std::vector<DWORD> reloads;
    for (const auto& m : launcher->received)
        if (m.name == u"WQ:MSG:M_LOAD_COMPLETE" && m.tick >= start)
            reloads.push_back(m.tick - start);
    ASSERT_EQ(reloads.size(), 1u);
    EXPECT_GE(reloads[0], 4500u);
    EXPECT_LT(reloads[0], 4700u);
}

}  // namespace
