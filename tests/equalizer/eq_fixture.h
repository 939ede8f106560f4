// The world of the equalizer window tests: a temporary device with a copy of
// the default skin (tests may remove parts of it), a fresh settings store with
// a journal of its writes, a codec that records each apply, the virtual clock,
// and the window opened modeless so a test can drive it step by step.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "equalizer/wqequalizerdlg.h"
#include "graphics/scrolltext.h"
#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "platform/gdi/gdi.h"
#include "platform/skin/skinbutton.h"
#include "platform/skin/skinmanager.h"
#include "platform/skin/skinslider.h"
#include "platform/win/afxwin.h"
#include "platform/win/presenter.h"
#include "platform/win/testing.h"
#include "tests/support/message_recorder.h"
#include "tests/support/settings_journal.h"
#include "tests/support/shows_picture.h"
#include "tests/support/temp_root.h"

class EqualizerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(WQ_SOURCE_DIR "/skin", root.MakeDir("NAND Flash/skin"),
                              std::filesystem::copy_options::recursive);
        wq::device::SetSettingsPath(root.Host("settings.db"));
        wq::device::SetMemSettingsPath(root.Host("mem.db"));
        journal = std::make_unique<wq::test::SettingsJournal>();
        codec = std::make_shared<wq::test::RecordingCodec>(journal.get());
        codec->next = wq::device::SetCodecBackend(codec);
    }
    void TearDown() override {
        if (dlg.m_hWnd) {
            // Painting the window and its controls again gives back every
            // drawing context the paint took.
            auto repaint = [&] {
                dlg.Invalidate(TRUE);
                Run(10);
                return wq::gdi::LiveDCCount();
            };
            const int dcs = repaint();
            EXPECT_EQ(repaint(), dcs);
            dlg.DestroyWindow();
        }
        if (codec) wq::device::SetCodecBackend(codec->next);
        codec.reset();
        journal.reset();
        wq::device::SetSettingsPath(std::string());
    }

    void Run(DWORD ms) {
        auto r = wq::win::RunFor(ms);
        ASSERT_TRUE(r.ok) << r.message;
    }
    // Opens the window on `preset` and runs its two start-up timers.
    void Open(int preset = 0) {
        dlg.m_nEditPreset = preset;
        ASSERT_TRUE(dlg.Create(CWQEqualizerDlg::IDD, nullptr));
        Run(20);
    }
    void Command(UINT id, UINT code = 0) { dlg.SendMessage(WM_COMMAND, MAKEWPARAM(id, code), 0); }
    void StoreEq(const CString& key, int value) {
        DWORD v = static_cast<DWORD>(value);
        ASSERT_TRUE(CCommon::WriteINIFile(u"WQEQUALIZER", key, REG_DWORD, &v));
    }
    // The stored number, or `absent` when there is none.
    long long StoredEq(const CString& key, long long absent = -999) {
        DWORD v = 0;
        if (!CCommon::ReadINIFile(u"WQEQUALIZER", key, REG_DWORD, &v)) return absent;
        return static_cast<int>(v);
    }
    CRect Area(UINT id) const { return dlg.m_pSkinManager->GetCustom(id)->GetRect(); }
    // The text of band 0..4's read-out, or of the 3D read-out for 5.
    std::u16string LabelText(int band) const {
        CScrollTextWnd* label = band < 5 ? dlg.m_pValueLabel[band] : dlg.m_p3DLabel;
        return label ? label->GetText().str() : u"(no read-out)";
    }

    // Press `n` since the journal was cleared stored exactly `key` = `value`
    // and then applied the edited preset once.
    ::testing::AssertionResult OneWriteThenApply(size_t n, const char* key, long long value) {
        const auto writes = journal->Writes();
        if (writes.size() != n) return ::testing::AssertionFailure() << writes.size() << " writes";
        if (!(writes.back() == wq::test::SettingsJournal::Write{"WQEQUALIZER", key, value}))
            return ::testing::AssertionFailure()
                   << "wrote " << writes.back().key << " = " << writes.back().value;
        if (codec->applies.size() != n)
            return ::testing::AssertionFailure() << codec->applies.size() << " applies";
        if (codec->applies.back().writesBefore != n)
            return ::testing::AssertionFailure() << "applied before the value was stored";
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult ShowsFrequency(int band, int step) {
        const char16_t* name = CWQEqualizerDlg::FrequencyPicture(band, step);
        if (!name) return ::testing::AssertionFailure() << "no such step";
        dlg.UpdateWindow();
        return ShowsPicture(dlg.m_hWnd,
                            u"\\NAND Flash\\skin\\WQAudio\\img\\" + std::u16string(name),
                            Area(CWQEqualizerDlg::IDC_EQ_FREQ_AREA + band).TopLeft());
    }

    wq::test::TempRoot root;
    wq::win::TestSession session;
    std::unique_ptr<wq::test::SettingsJournal> journal;
    std::shared_ptr<wq::test::RecordingCodec> codec;  // installed while set
    CWQEqualizerDlg dlg;
};
