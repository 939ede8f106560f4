// The preset model of the equalizer window: value tables, ranges, saving,
// loading, restoring and the defaults of a fresh device.
#include "platform/media/codecpreset.h"
#include "tests/equalizer/eq_fixture.h"

namespace {

using Eq = CWQEqualizerDlg;
using ModelTest = EqualizerTest;
using Write = wq::test::SettingsJournal::Write;

TEST_F(ModelTest, ValueTables) {
    // item, step, value: -1 outside a table; a gain is its step less 12.
    const int values[][3] = {{0x0001, 0, 80},   {0x0004, 2, 1100},  {0x0010, 3, 11700},
                             {0x0001, 4, -1},   {0x0008, -1, -1},   {0x0020, 0, -12},
                             {0x0200, 30, 18},  {0x0400, 1, -1},    {0x2000, 2, 1330},
                             {0x2000, 7, 4660}, {0x2000, 14, 9330}, {0x2000, 16, -1},
                             {0x4000, 0, -1},   {0x0021, 0, -1}};
    for (const auto& [item, step, value] : values)
        EXPECT_EQ(Eq::GetEqValue(UINT(item), step), value) << std::hex << item << " " << step;

    const char16_t* percent[16] = {u"  0%", u"  6%", u" 13%", u" 20%", u" 26%", u" 33%",
                                   u" 40%", u" 46%", u" 53%", u" 60%", u" 66%", u" 73%",
                                   u" 80%", u" 86%", u" 93%", u"100%"};
    for (int step = 0; step < 16; ++step)
        EXPECT_EQ(Eq::Level3DText(step).str(), percent[step]) << "step " << step;
    EXPECT_EQ(Eq::Level3DText(16).str(), u"  0%");
    EXPECT_EQ(Eq::Level3DText(-1).str(), u"  0%");
    EXPECT_EQ(Eq::GainText(17).str(), u" 5");
    EXPECT_EQ(Eq::GainText(0).str(), u"-12");
    EXPECT_EQ(Eq::GainText(12).str(), u" 0");
}

TEST_F(ModelTest, EverySetKeepsItsRangeAndEveryGetAnswersOutsideIt) {
    Eq model;  // no window: the model alone
    model.SetBandFreq(5, 1);
    model.SetBandFreq(-1, 1);
    model.SetBandGain(0, 25);
    model.SetBandGain(1, -1);
    model.SetBandGain(5, 3);
    model.SetUseWideBand(0, 1);
    model.SetUseWideBand(4, 1);
    for (int b = 0; b < 5; ++b) {
        EXPECT_EQ(model.GetBandFreq(b), 0);
        EXPECT_EQ(model.GetBandGain(b), 0);
        EXPECT_EQ(model.m_bUseWideBand[b], 0);
    }
    model.SetBandGain(4, 24);
    EXPECT_EQ(model.GetBandGain(4), 24);
    EXPECT_EQ(model.GetBandFreq(5), -1);
    EXPECT_EQ(model.GetBandGain(-1), -1);
    EXPECT_EQ(model.GetUseWideBand(0), 0);
    EXPECT_EQ(model.GetUseWideBand(4), 0);
    EXPECT_TRUE(codec->applies.empty());
}

TEST_F(ModelTest, SavingWritesTheItemsOfTheMaskInBitOrderAndLoadingReadsThemBack) {
    Open(0);
    dlg.SetBandGain(2, 17);  // +5 dB
    journal->Clear();
    EXPECT_EQ(dlg.SaveEqSettings(Eq::EQ_DB_BAND1 << 2), 1);
    EXPECT_EQ(journal->Writes(), (std::vector<Write>{{"WQEQUALIZER", "DB BAND30", 7}}));

    journal->Clear();
    dlg.SaveEqSettings(0x0400);
    EXPECT_EQ(journal->Writes(), (std::vector<Write>{{"WQEQUALIZER", "USE WIDE BAND20", 0}}));
    journal->Clear();
    dlg.SaveEqSettings(0x4000);
    EXPECT_TRUE(journal->Writes().empty());
    dlg.SaveEqSettings(0xFFFF);
    const auto all = journal->Writes();
    ASSERT_EQ(all.size(), 14u);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(all[i].key, wq::Utf16ToUtf8(Key(1u << i, 0).str()));
    EXPECT_TRUE(codec->applies.empty()) << "saving alone applies nothing";

    dlg.DestroyWindow();
    Open(0);
    EXPECT_EQ(dlg.GetBandGain(2), 17);
    EXPECT_EQ(LabelText(2), u" 5");
    EXPECT_EQ(dlg.m_pSlider[2]->GetPos(), 32);

    dlg.m_nEditPreset = 10;
    dlg.SetBandFreq(0, 2);
    journal->Clear();
    dlg.SaveEqSettings(Eq::EQ_HZ_BAND1);
    EXPECT_EQ(journal->Writes(), (std::vector<Write>{{"WQEQUALIZER", "HZ BAND110", 2}}));
}

TEST_F(ModelTest, StoredGainsMapToTheSliderEndsAndValuesOutOfRangeLeaveTheirItem) {
    StoreEq(u"DB BAND10", 0);
    StoreEq(u"DB BAND20", 24);
    StoreEq(u"DB BAND30", 25);
    StoreEq(u"DB BAND40", -1);
    StoreEq(u"HZ BAND10", 9);
    StoreEq(u"HZ BAND20", 3);
    StoreEq(u"3D BAND0", 99);
    journal->Clear();
    Open(0);
    EXPECT_EQ(dlg.GetBandGain(0), 24);
    EXPECT_EQ(dlg.m_pSlider[0]->GetPos(), 4);
    EXPECT_EQ(LabelText(0), u"12");
    EXPECT_EQ(dlg.GetBandGain(1), 0);
    EXPECT_EQ(dlg.m_pSlider[1]->GetPos(), 100);
    EXPECT_EQ(LabelText(1), u"-12");
    for (int b : {2, 3}) {
        EXPECT_EQ(dlg.GetBandGain(b), 0) << "band " << b + 1;
        EXPECT_EQ(LabelText(b), u"") << "band " << b + 1;
    }
    EXPECT_EQ(dlg.GetBandFreq(0), 0);
    EXPECT_FALSE(dlg.m_imgBand[0].IsLoaded()) << "no picture for a choice that does not exist";
    EXPECT_EQ(dlg.GetBandFreq(1), 3);
    EXPECT_TRUE(ShowsFrequency(1, 3));
    EXPECT_EQ(dlg.Get3DLevel(), 0);
    EXPECT_EQ(LabelText(5), u"");
    EXPECT_TRUE(journal->Writes().empty()) << "opening writes nothing";
    EXPECT_TRUE(codec->applies.empty()) << "opening applies nothing";
}

TEST_F(ModelTest, ResetWritesAndAppliesEveryPresetsDefaults) {
    Open(0);
    // The factory table, as steps: frequency B1..B5, gain B1..B5, wide B2..B4, 3D.
    const int defaults[11][14] = {
        {1, 1, 1, 1, 1, 12, 12, 12, 12, 12, 0, 0, 0, 0},
        {1, 1, 1, 1, 1, 9, 15, 12, 7, 6, 0, 0, 0, 3},
        {1, 1, 1, 1, 1, 8, 6, 12, 12, 12, 1, 1, 0, 5},
        {1, 1, 1, 1, 1, 6, 14, 10, 1, 9, 1, 0, 1, 2},
        {1, 1, 1, 1, 1, 12, 12, 12, 15, 18, 0, 1, 1, 3},
        {1, 1, 1, 1, 1, 6, 8, 13, 18, 12, 1, 0, 0, 6},
        {1, 1, 1, 1, 1, 6, 12, 8, 5, 4, 0, 1, 1, 0},
        {1, 1, 1, 1, 1, 11, 8, 6, 10, 12, 1, 0, 1, 0},
        {1, 1, 1, 1, 1, 9, 13, 8, 3, 1, 1, 0, 0, 0},
        {1, 1, 1, 1, 1, 11, 9, 7, 7, 12, 0, 0, 0, 4},
        {2, 1, 1, 2, 2, 2, 8, 12, 8, 4, 1, 0, 1, 12},
    };
    for (int p = 0; p < 11; ++p) {
        dlg.m_nEditPreset = p;
        journal->Clear();
        codec->applies.clear();
        dlg.ResetPreset();
        const auto writes = journal->Writes();
        ASSERT_EQ(writes.size(), 14u) << "preset " << p;
        for (int i = 0; i < 14; ++i) {
            const int expected = i >= 5 && i < 10 ? 24 - defaults[p][i] : defaults[p][i];
            EXPECT_EQ(writes[i].key, wq::Utf16ToUtf8(Key(1u << i, p).str()));
            EXPECT_EQ(writes[i].value, expected) << "preset " << p << " item " << i;
        }
        ASSERT_EQ(codec->applies.size(), 1u);
        EXPECT_EQ(codec->applies[0].preset, p);
        EXPECT_EQ(codec->applies[0].writesBefore, 14u) << "saved before it is applied";
    }
    // HALL: 135 Hz on band 1 and 80 % of 3D, on screen too.
    EXPECT_TRUE(ShowsFrequency(0, 2));
    EXPECT_EQ(LabelText(5), u" 80%");
    EXPECT_EQ(dlg.m_pSlider[0]->GetPos(), 92);

    dlg.m_nEditPreset = 11;
    journal->Clear();
    codec->applies.clear();
    dlg.ResetPreset();
    EXPECT_TRUE(journal->Writes().empty());
    EXPECT_TRUE(codec->applies.empty());
}

TEST_F(ModelTest, AFreshDeviceGetsEveryDefaultOnceAndStoredValuesStay) {
    StoreEq(u"DB BAND30", 7);
    StoreEq(u"HZ BAND10", 9);  // out of range, but the user's: left alone
    journal->Clear();
    EXPECT_EQ(WriteMissingEqDefaults(), 11 * 14 - 2);
    EXPECT_EQ(StoredEq(u"DB BAND30"), 7);
    EXPECT_EQ(StoredEq(u"HZ BAND10"), 9);
    EXPECT_EQ(StoredEq(u"HZ BAND110"), 2);
    EXPECT_EQ(StoredEq(u"DB BAND110"), 22);
    EXPECT_EQ(StoredEq(u"3D BAND10"), 12);
    EXPECT_EQ(StoredEq(u"USE WIDE BAND22"), 1);
    EXPECT_EQ(WriteMissingEqDefaults(), 0);
    EXPECT_TRUE(codec->applies.empty());

    // So the window shows what the codec plays for a preset never edited.
    Open(10);
    EXPECT_TRUE(ShowsFrequency(0, 2));
    EXPECT_EQ(LabelText(0), u"-10");
    EXPECT_EQ(LabelText(5), u" 80%");
}

}  // namespace
