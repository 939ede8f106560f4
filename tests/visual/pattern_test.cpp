// The pattern window with the default skin on the virtual clock, under a main
// window that records what it is sent. Its strip and its AUDIOUPDATE are
// tested with the player (tests/player/eqwindows_test.cpp).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/utf.h"
#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "platform/skin/skinbutton.h"
#include "platform/skin/skinmanager.h"
#include "platform/win/afxwin.h"
#include "platform/win/app.h"
#include "platform/win/presenter.h"
#include "platform/win/testing.h"
#include "tests/support/message_recorder.h"
#include "tests/support/settings_journal.h"
#include "tests/support/temp_root.h"
#include "visual/wqpatterndlg.h"

namespace {

// The main window: records each "WQ:MSG:M_AUDIO_PATTERN" with what was
// stored as "PATTERN" at that moment.
class MainWindow : public CWnd {
public:
    struct Received {
        WPARAM wParam;
        LPARAM lParam;
        long long storedThen;
        bool operator==(const Received&) const = default;
    };
    std::vector<Received> received;

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == RegisterWindowMessage(u"WQ:MSG:M_AUDIO_PATTERN")) {
            DWORD v = 0;
            const long long stored =
                CCommon::ReadINIFile(u"WQAUDIO", u"PATTERN", REG_DWORD, &v) ? int(v) : -999;
            received.push_back({wParam, lParam, stored});
            return 1;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

class PatternTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(WQ_SOURCE_DIR "/skin", root.MakeDir("NAND Flash/skin"),
                              std::filesystem::copy_options::recursive);
        wq::device::SetMemSettingsPath(root.Host("mem.db"));
        journal = std::make_unique<wq::test::SettingsJournal>();
        ASSERT_TRUE(main.CreateEx(0, nullptr, u"WQAudio", WS_POPUP | WS_VISIBLE,
                                  CRect(0, 0, 480, 234), nullptr, 0));
        app.m_pMainWnd = &main;
    }
    void TearDown() override {
        if (dlg.m_hWnd) dlg.DestroyWindow();
        app.m_pMainWnd = nullptr;
        journal.reset();
    }
    void StorePattern(int n) {
        DWORD v = static_cast<DWORD>(n);
        ASSERT_TRUE(CCommon::WriteINIFile(u"WQAUDIO", u"PATTERN", REG_DWORD, &v));
        journal->Clear();
    }
    void Open() {
        ASSERT_TRUE(dlg.Create(CWQPatternDlg::IDD, &main));
        Run();
    }
    static void Run() {
        auto r = wq::win::RunFor(10);
        ASSERT_TRUE(r.ok) << r.message;
    }
    // A finger on the button whose picture names `role` ("symmetric" for
    // img\symmetric_N_bg.JPG), through the pen and the real skin, so the
    // template's id and the window's handler are both on the path.
    void Tap(const std::string& role) {
        const wq::skin::ElementSpec* button = nullptr;
        for (const auto& e : dlg.m_pSkinManager->GetTemplate().elements) {
            const std::string name = wq::Utf16ToUtf8(e.normal);
            if (e.kind == wq::skin::ElementKind::Button &&
                name.find("\\" + role + "_") != std::string::npos)
                button = &e;
        }
        ASSERT_NE(button, nullptr) << role;
        for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP})
            wq::win::QueueMouseInput(dlg.m_hWnd, msg, CRect(button->rect).CenterPoint());
        wq::win::PumpPending();
    }
    // Which of BASIC, SYMMETRIC and WAVE show their selected face.
    std::vector<bool> Lit() const {
        std::vector<bool> lit;
        for (int i = 0; i < 3; ++i) {
            const std::u16string& face = dlg.m_pSkinManager->GetButton(2051 + i)->GetFacePath(0);
            EXPECT_TRUE(face == CWQPatternDlg::ButtonPicture(i, TRUE) ||
                        face == CWQPatternDlg::ButtonPicture(i, FALSE))
                << "button " << i;
            lit.push_back(face == CWQPatternDlg::ButtonPicture(i, TRUE));
        }
        return lit;
    }

    wq::test::TempRoot root;
    wq::win::TestSession session;
    CWinApp app;
    std::unique_ptr<wq::test::SettingsJournal> journal;
    MainWindow main;
    CWQPatternDlg dlg;
};

// Opening shows the stored pattern and sends and stores nothing; a choice is
// sent first, then stored, then shown.
TEST_F(PatternTest, OpeningChangesNothingASelectionIsSentFirstThenStoredThenShown) {
    StorePattern(2);
    Open();
    EXPECT_EQ(Lit(), (std::vector<bool>{false, false, true}));
    EXPECT_TRUE(main.received.empty());
    EXPECT_TRUE(journal->Writes().empty());
    Tap("symmetric");
    ASSERT_EQ(main.received.size(), 1u);
    EXPECT_EQ(main.received[0], (MainWindow::Received{1, 1, 2})) << "sent before it is stored";
    EXPECT_EQ(journal->Writes(),
              (std::vector<wq::test::SettingsJournal::Write>{{"WQAUDIO", "PATTERN", 1}}));
    EXPECT_EQ(Lit(), (std::vector<bool>{false, true, false}));

    Tap("default");
    EXPECT_EQ(main.received.back().lParam, 0);
    EXPECT_EQ(journal->Writes().back().value, 0);
    EXPECT_EQ(Lit(), (std::vector<bool>{true, false, false}));

    // The mode button asks the launcher and neither sends nor stores.
    wq::test::MessageRecorder launcher(u"WQMain");
    Tap("patmode");
    EXPECT_EQ(launcher.received,
              (std::vector<wq::test::MessageRecorder::Received>{{u"WQ:MSG:M_ON_MODE", 0, 0}}));
    EXPECT_EQ(main.received.size(), 2u);
    EXPECT_EQ(journal->Writes().size(), 2u);
}

TEST_F(PatternTest, AStoredNumberOutsideThePatternsSelectsNothing) {
    StorePattern(7);
    Open();
    EXPECT_EQ(Lit(), (std::vector<bool>{false, false, false}));
    EXPECT_TRUE(journal->Writes().empty());
}

TEST_F(PatternTest, WithoutItsTemplateThePenIsIgnoredAndTheCloseKeyStillCloses) {
    std::filesystem::remove(root.Host("NAND Flash/skin/WQAudio/WQPattern.TPL"));
    Open();
    EXPECT_EQ(dlg.m_pSkinManager, nullptr);
    for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP})
        wq::win::QueueMouseInput(dlg.m_hWnd, msg, POINT{390, 95});  // where WAVE would be
    wq::win::PumpPending();
    EXPECT_TRUE(main.received.empty());
    dlg.SendMessage(RegisterWindowMessage(u"WQ:MSG:KEYDOWN"), 128, 0);
    Run();
    EXPECT_FALSE(dlg.IsWindowVisible());
}

}  // namespace
