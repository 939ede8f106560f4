// The preset model of the equalizer window: loading with out-of-range values,
// restoring and the defaults of a fresh device. (What one edit stores and
// applies is the window tests'.)
#include <map>

#include "tests/equalizer/eq_fixture.h"

namespace {

using ModelTest = EqualizerTest;
using Write = wq::test::SettingsJournal::Write;

TEST_F(ModelTest, StoredValuesMapToTheControlsAndValuesOutOfRangeLeaveTheirItem) {
    StoreEq(u"DB BAND10", 0);
    StoreEq(u"DB BAND20", 24);
    StoreEq(u"DB BAND30", 25);
    StoreEq(u"DB BAND40", -1);
    StoreEq(u"HZ BAND10", 9);
    StoreEq(u"HZ BAND20", 3);
    StoreEq(u"3D BAND0", 99);
    StoreEq(u"USE WIDE BAND20", 2);
    journal->Clear();
    Open(0);
    EXPECT_EQ(dlg.m_pSlider[0]->GetPos(), 4);
    EXPECT_EQ(LabelText(0), u"12");
    EXPECT_EQ(dlg.m_pSlider[1]->GetPos(), 100);
    EXPECT_EQ(LabelText(1), u"-12");
    EXPECT_EQ(LabelText(2), u"");
    EXPECT_EQ(LabelText(3), u"");
    EXPECT_TRUE(ShowsFrequency(1, 3));
    EXPECT_EQ(LabelText(5), u"");
    EXPECT_TRUE(journal->Writes().empty()) << "opening writes nothing";
    EXPECT_TRUE(codec->applies.empty()) << "opening applies nothing";
    // A wide flag of 2 shows on, and one press turns it off.
    EXPECT_EQ(dlg.m_pSkinManager->GetButton(2034)->GetFacePath(0), u"\\img\\EQcekon_A_bt.bmp");
    Command(2034);
    EXPECT_EQ(journal->Writes(), (std::vector<Write>{{"WQEQUALIZER", "USE WIDE BAND20", 0}}))
        << "only the value the user changed";
}

TEST_F(ModelTest, ResetWritesAndAppliesEveryPresetsDefaults) {
    Open(0);
    // The stored values of NORMAL (flat) and of HALL, the one preset off the
    // common frequencies: a gain is stored as 24 less its step.
    const std::map<int, std::vector<long long>> stored = {
        {0, {1, 1, 1, 1, 1, 12, 12, 12, 12, 12, 0, 0, 0, 0}},
        {10, {2, 1, 1, 2, 2, 22, 16, 12, 16, 20, 1, 0, 1, 12}}};
    for (int p = 0; p < 11; ++p) {
        dlg.m_nEditPreset = p;
        journal->Clear();
        codec->applies.clear();
        dlg.ResetPreset();
        const auto writes = journal->Writes();
        ASSERT_EQ(writes.size(), 14u) << "preset " << p;
        std::vector<long long> values;
        for (int i = 0; i < 14; ++i) {
            EXPECT_EQ(writes[i].key, wq::Utf16ToUtf8(CWQEqualizerDlg::KeyOf(1u << i, p).str()));
            values.push_back(writes[i].value);
        }
        if (stored.count(p)) {
            EXPECT_EQ(values, stored.at(p)) << "preset " << p;
        }
        ASSERT_EQ(codec->applies.size(), 1u);
        EXPECT_EQ(codec->applies[0].preset, p);
        EXPECT_EQ(codec->applies[0].writesBefore, 14u) << "saved before it is applied";
    }
    // HALL: 135 Hz on band 1 and 80 % of 3D, on screen too.
    EXPECT_TRUE(ShowsFrequency(0, 2));
    EXPECT_EQ(LabelText(5), u" 80%");
    EXPECT_EQ(dlg.m_pSlider[0]->GetPos(), 92);
}

TEST_F(ModelTest, AFreshDeviceGetsEveryDefaultOnceAndStoredValuesStay) {
    StoreEq(u"DB BAND30", 7);
    StoreEq(u"HZ BAND10", 9);  // out of range, but the user's: left alone
    journal->Clear();
    EXPECT_EQ(WriteMissingEqDefaults(), 11 * 14 - 2);
    EXPECT_EQ(StoredEq(u"DB BAND30"), 7);
    EXPECT_EQ(StoredEq(u"HZ BAND10"), 9);
    EXPECT_EQ(StoredEq(u"HZ BAND110"), 2);
    EXPECT_EQ(StoredEq(u"3D BAND10"), 12);
    EXPECT_EQ(WriteMissingEqDefaults(), 0);
    EXPECT_TRUE(codec->applies.empty());
}

}  // namespace
