// CWQEqualizerDlg: the editor of one equalizer preset of the codec, and the
// preset model itself.
//
// The model: five bands, each with a centre-frequency choice (0..3), a gain
// step (0..24, 12 is 0 dB, one step 1 dB) and, for bands 2-4, a wide-band flag;
// and a 3D step (0..15). Each of the fourteen items is named by one bit
// (EqItem) and stored in section "WQEQUALIZER" as a 32-bit number under its key
// base followed by the preset number ("DB BAND3" + 0 is "DB BAND30"); a gain is
// stored as 24 - step. CCommon::Set3DControl(0, preset) makes the codec play
// what is stored for a preset, so every edit is saved first and applied after.
//
// The window: a modal dialog on resource 230 named "WQEqualizer", 480 x 234
// pixels, skinned by "WQEqualizer.TPL" one timer after it opens (a second timer
// places the read-outs). Opening it reads the stored preset and neither writes
// nor applies anything. It edits m_nEditPreset, which its owner sets before
// DoModal (the player gives its current preset, so an edit is heard at once).
// PWR, the launcher's close key and WM_CLOSE close it; every way it closes
// (also an EndDialog from outside) frees its skin and read-outs exactly once,
// and the object can run DoModal again.
//
// A stored value outside its range (frequency choice, gain, 3D step) is
// ignored when the window loads, like a missing key: no table is read with it
// and nothing is written until the user changes that item.
//
// Thread: the GUI thread.
#pragma once

#include "equalizer/equalizerdlg_res.h"
#include "graphics/imageobj.h"
#include "platform/win/afxwin.h"
#include "taskbar/taskbarwnd.h"
#include "visual/wqpatterndlg.h"

class CSkinManager;
class CSkinSlider;
class CScrollTextWnd;

class CWQEqualizerDlg : public CDialog, public CTaskbarHost {
public:
    enum : UINT { IDD = IDD_WQEQUALIZER_DIALOG };
    static constexpr int kBands = 5;
    static constexpr int kPresets = 11;
    static constexpr const char16_t* kTemplatePath =
        u"\\NAND Flash\\skin\\WQAudio\\WQEqualizer.TPL";
    static constexpr const char16_t* kFallbackPicture =
        u"\\NAND Flash\\skin\\WQAudio\\img\\EQ_setup_N.jpg";

    // The skin's custom areas; the control ids are those of equalizerdlg_res.h.
    enum : UINT {
        IDC_EQ_FREQ_AREA = 2201,   // 2200 + n: the frequency pictures
        IDC_EQ_GAIN_LABEL = 2206,  // 2205 + n: the dB read-outs
        IDC_EQ_3D_LABEL = 2211,
    };
    // Timers: 1 makes the skin, 2 places the read-outs.
    enum : UINT { TIMER_CREATE_SKIN = 1, TIMER_PLACE_LABELS = 2 };
    // Posted by PATTERN: the pattern window runs its modal loop from the
    // queue, once the tap that asked for it has been handled.
    static constexpr UINT WM_SHOW_PATTERN = WM_APP + 21;

    // The stored items.
    enum EqItem : UINT {
        EQ_HZ_BAND1 = 0x0001,  // << (n - 1) for band n
        EQ_DB_BAND1 = 0x0020,
        EQ_WIDE_BAND2 = 0x0400,  // << (n - 2) for band n = 2..4
        EQ_3D = 0x2000,
        EQ_ALL = 0xFFFF,
    };

    explicit CWQEqualizerDlg(CWnd* pParent = nullptr);
    ~CWQEqualizerDlg() override;

    // ---- the model; each Set also updates what the window shows ----
    // Band 0..4, step 0..3 (other steps are stored but show no picture).
    void SetBandFreq(int band, int step);
    int GetBandFreq(int band) const;  // -1 for a band outside 0..4
    // Band 0..4, step 0..24; anything else changes nothing. Sets the band's
    // read-out to "%2d" of the dB value.
    void SetBandGain(int band, int step);
    int GetBandGain(int band) const;  // -1 for a band outside 0..4
    // Band 1..3 (the second to fourth band); the flag is kept as given, and
    // any non-zero flag shows (and plays) as on.
    void SetUseWideBand(int band, int flag);
    int GetUseWideBand(int band) const;  // 0 for a band outside 1..3
    // Stored unchecked; the read-out shows "%3d%%" of the percentage (0 for a
    // step outside 0..15).
    void Set3DLevel(int step);
    int Get3DLevel() const { return m_n3DLevel; }

    // Physical value of an item at a step: Hz for a frequency, dB for a gain,
    // hundredths of a percent for 3D; -1 for an unknown item or a frequency or
    // 3D step outside its table.
    static int GetEqValue(UINT item, int step);
    // "HZ BAND1" and preset 10 give "HZ BAND110"; empty for a value that is
    // not exactly one item bit.
    static CString KeyOf(UINT item, int preset);
    static CString GainText(int step);     // "%2d" of step - 12
    static CString Level3DText(int step);  // "%3d%%" of the percentage
    // Slider position of a gain step: 100 - 4 x step.
    static int SliderPos(int step) { return 100 - 4 * step; }
    // Skin-relative frequency picture of band 0..4 at step 0..3; nullptr outside.
    static const char16_t* FrequencyPicture(int band, int step);

    // Writes, in ascending bit order, the item of every bit in `mask` for
    // m_nEditPreset. Returns 1.
    BOOL SaveEqSettings(UINT mask);
    // Reads every item of m_nEditPreset; a missing key or a value out of its
    // range leaves its item. Applies nothing. Returns 1.
    BOOL LoadEqSettings();
    // Restores, saves (all fourteen items) and applies the defaults of
    // m_nEditPreset, then repaints. A preset outside 0..10 only repaints.
    void ResetPreset();

    BOOL OnInitDialog() override;
    BOOL DestroyWindow() override;
    CTaskbarWnd* GetTaskbar() override { return &m_wndTaskbar; }

    // ---- fields ----
    int m_nBandFreq[kBands] = {};
    int m_nBandGain[kBands] = {};
    int m_bUseWideBand[kBands] = {};  // entries 1..3 are used
    int m_n3DLevel = 0;
    int m_nEditPreset = 0;

    CTaskbarWnd m_wndTaskbar;
    CWQPatternDlg m_dlgPattern;
    BOOL m_bSkinReady = FALSE;                   // the template loaded; the pen counts from then
    CSkinManager* m_pSkinManager = nullptr;      // owned while the window is open
    CSkinSlider* m_pSlider[kBands] = {};         // the skin's, not owned
    CScrollTextWnd* m_pValueLabel[kBands] = {};  // owned
    CScrollTextWnd* m_p3DLabel = nullptr;        // owned
    CImageObject m_imgBand[kBands];              // the frequency picture shown per band

protected:
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(HDC hdc);
    afx_msg void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnClose();
    afx_msg void OnBtnPwr();
    afx_msg void OnBtnFreq(UINT nID);
    afx_msg void OnBtnWide(UINT nID);
    afx_msg void OnBtn3DDown();
    afx_msg void OnBtn3DUp();
    afx_msg void OnBtnReset();
    afx_msg void OnBtnMode();
    afx_msg void OnBtnPattern();
    afx_msg LRESULT OnShowPattern(WPARAM wParam, LPARAM lParam);
    afx_msg void OnEqDBButton(UINT nID);
    afx_msg void OnSliderSet(UINT nID);
    afx_msg void OnSliderDrag(UINT nID);
    afx_msg LRESULT OnKeyDownMsg(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnAudioUpdate(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void CreateSkin();
    void PlaceLabels();
    // Saves the items of `mask` and applies the preset, in that order.
    void StoreAndApply(UINT mask);
    void OnEqDBUp(int band);
    void OnEqDBDown(int band);
    // Sets the band's gain from its slider position (clamped to 0..24), then
    // moves the thumb to the position of that step.
    int GainFromSlider(int band, int pos);
    void SetSliderPos(int band, int pos);
    CRect CustomRect(UINT id) const;
    void DrawBandPicture(int band);
    // Deletes the skin and the read-outs (once; later calls do nothing).
    void FreeSkin();
};

// Writes the defaults of every item of the eleven presets that has no stored
// value, so that the window shows what the codec plays for a preset never
// edited. Stored values, valid or not, are left alone. Returns the number of
// values written. GUI thread (it reads and writes the settings store).
int WriteMissingEqDefaults();
