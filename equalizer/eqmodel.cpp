// The preset model of the equalizer window: the items and their keys, the
// value tables, saving, loading and restoring a preset. The display side of
// each Set operation is in eqwindow.cpp.
#include <bit>

#include "equalizer/wqequalizerdlg.h"
#include "platform/device/common.h"
#include "platform/media/codecpreset.h"

namespace {

constexpr const char16_t* kSection = u"WQEQUALIZER";
constexpr int kMaxGain = wq::media::kGainSteps - 1;  // 24

// The bit position of a value that is exactly one item bit, else -1.
int ItemIndex(UINT item) {
    if (item == 0 || (item & (item - 1)) != 0) return -1;
    const int i = std::countr_zero(item);
    return i < wq::media::kPresetItems ? i : -1;
}

// The stored value of item `i` (bit position) for the given steps: the gain
// inverted, everything else as it is.
int StoredValue(int i, const int freq[5], const int gain[5], const int wide[5], int level3d) {
    if (i < 5) return freq[i];
    if (i < 10) return kMaxGain - gain[i - 5];
    if (i < 13) return wide[i - 9];
    return level3d;
}

bool ReadItem(int i, int preset, int* value) {
    DWORD v = 0;
    if (!CCommon::ReadINIFile(kSection, wq::media::PresetKey(i, preset).c_str(), REG_DWORD, &v))
        return false;
    *value = static_cast<int>(v);  // stored values are signed 32-bit
    return true;
}

void WriteItem(int i, int preset, int value) {
    DWORD v = static_cast<DWORD>(value);
    CCommon::WriteINIFile(kSection, wq::media::PresetKey(i, preset).c_str(), REG_DWORD, &v);
}

}  // namespace

int CWQEqualizerDlg::GetEqValue(UINT item, int step) {
    const int i = ItemIndex(item);
    if (i < 0) return -1;
    if (i < 5) return wq::media::BandFrequencyHz(i, step);
    if (i < 10) return step - 12;
    if (i == 13) return wq::media::Level3DHundredths(step);
    return -1;  // the wide flags have no values
}

CString CWQEqualizerDlg::KeyOf(UINT item, int preset) {
    const int i = ItemIndex(item);
    CString key;
    if (i >= 0) key.Format(u"%s%d", wq::media::kPresetKeyBases[i], preset);
    return key;
}

CString CWQEqualizerDlg::GainText(int step) {
    CString text;
    text.Format(u"%2d", GetEqValue(EQ_DB_BAND1, step));
    return text;
}

CString CWQEqualizerDlg::Level3DText(int step) {
    CString text;
    // A step without a table value (-1) shows 0 %.
    text.Format(u"%3d%%", GetEqValue(EQ_3D, step) / 100);
    return text;
}

int CWQEqualizerDlg::GetBandFreq(int band) const {
    return band >= 0 && band < kBands ? m_nBandFreq[band] : -1;
}

int CWQEqualizerDlg::GetBandGain(int band) const {
    return band >= 0 && band < kBands ? m_nBandGain[band] : -1;
}

int CWQEqualizerDlg::GetUseWideBand(int band) const {
    return band >= 1 && band <= 3 ? m_bUseWideBand[band] : 0;
}

BOOL CWQEqualizerDlg::SaveEqSettings(UINT mask) {
    for (int i = 0; i < wq::media::kPresetItems; ++i) {
        if (mask & (1u << i))
            WriteItem(i, m_nEditPreset,
                      StoredValue(i, m_nBandFreq, m_nBandGain, m_bUseWideBand, m_n3DLevel));
    }
    return 1;
}

BOOL CWQEqualizerDlg::LoadEqSettings() {
    int v = 0;
    for (int b = 0; b < kBands; ++b) {
        if (ReadItem(b, m_nEditPreset, &v) && v >= 0 && v < wq::media::kFrequencySteps)
            SetBandFreq(b, v);
    }
    for (int b = 0; b < kBands; ++b) {
        if (ReadItem(5 + b, m_nEditPreset, &v) && v >= 0 && v <= kMaxGain) {
            SetBandGain(b, kMaxGain - v);
            SetSliderPos(b, SliderPos(kMaxGain - v));
        }
    }
    for (int b = 1; b <= 3; ++b) {
        if (ReadItem(9 + b, m_nEditPreset, &v)) SetUseWideBand(b, v);
    }
    if (ReadItem(13, m_nEditPreset, &v) && v >= 0 && v < wq::media::k3DSteps) Set3DLevel(v);
    return 1;
}

void CWQEqualizerDlg::ResetPreset() {
    if (m_nEditPreset >= 0 && m_nEditPreset < kPresets) {
        const wq::media::PresetSteps d = wq::media::DefaultPresetSteps(m_nEditPreset);
        for (int b = 0; b < kBands; ++b) SetBandFreq(b, d.freq[b]);
        for (int b = 0; b < kBands; ++b) SetBandGain(b, d.gain[b]);
        for (int b = 0; b < kBands; ++b) SetSliderPos(b, SliderPos(m_nBandGain[b]));
        for (int b = 1; b <= 3; ++b) SetUseWideBand(b, d.wide[b]);
        Set3DLevel(d.level3d);
        StoreAndApply(EQ_ALL);
    }
    if (m_hWnd) {
        Invalidate(FALSE);
        UpdateWindow();
    }
}

void CWQEqualizerDlg::StoreAndApply(UINT mask) {
    SaveEqSettings(mask);
    CCommon::Set3DControl(0, m_nEditPreset);
}

int WriteMissingEqDefaults() {
    int written = 0;
    for (int p = 0; p < CWQEqualizerDlg::kPresets; ++p) {
        const wq::media::PresetSteps d = wq::media::DefaultPresetSteps(p);
        for (int i = 0; i < wq::media::kPresetItems; ++i) {
            int stored = 0;
            if (ReadItem(i, p, &stored)) continue;
            WriteItem(i, p, StoredValue(i, d.freq, d.gain, d.wide, d.level3d));
            ++written;
        }
    }
    return written;
}
