// CSpectrumAnalyzer: the twelve-band spectrum in the player window's spectrum
// area. It keeps one level per band (nominal full scale 150), lets the levels
// fall by 3 at every frame, and draws them over a copy of the skin background
// in one of three patterns: BASIC (bars with floating peak markers), SYMMETRIC
// (bars growing from the middle with end caps) or WAVE (a shimmering line of
// thin columns).
//
// Geometry, relative to the spectrum rectangle's top-left corner:
// - BASIC: band i is 7 px wide at x = 14 i; bars stand on y = 66, 20 segments
//   of 2 px (at most 40 px, up to y = 26); the marker is 2 px high.
// - SYMMETRIC: 16 segments of 4 px centred on y = 36 (at most y = 4 to 68),
//   with a 4 px cap above and below.
// - WAVE: five 1 px columns per band, 3 px apart, from x = 15 i; grey down to
//   y = 100 with a 2 px orange dot just above.
//
// Thread: the GUI thread only (SetLevels and DrawSpectrum are reached through
// CSpectrumFeed::Pump, never from the media thread).
#pragma once

#include "graphics/imageobj.h"
#include "platform/base/wintypes.h"
#include "platform/gdi/surface.h"
#include "visual/spectrumhost.h"

constexpr int PATTERN_BASIC = 0;
constexpr int PATTERN_SYMMETRIC = 1;
constexpr int PATTERN_WAVE = 2;

class CSpectrumAnalyzer {
public:
    static constexpr int kBands = 12;
    static constexpr int kFullScale = 150;
    static constexpr int kFall = kFullScale / 38;  // 3 per frame

    // Loads the bar and peak pictures of the skin. `host` (not owned, may be
    // null: then nothing but the background is ever drawn) is the window whose
    // play state, pattern and readiness the frames follow.
    explicit CSpectrumAnalyzer(CSpectrumHost* host);
    ~CSpectrumAnalyzer();
    CSpectrumAnalyzer(const CSpectrumAnalyzer&) = delete;
    CSpectrumAnalyzer& operator=(const CSpectrumAnalyzer&) = delete;

    // levels[b] = pLevels[b] x 1.5 (truncated) for b = first .. first + count - 1
    // below 12. Returns 0 without effect when first < 0 or pLevels is null, else 1.
    BOOL SetLevels(const int* pLevels, int first, int count);
    // All twelve levels to 0; peaks and wave heights stay.
    void ResetLevels();
    // One frame of fall: every level above 0 drops by 3, not below 0.
    void DecayLevels();

    // Draws one frame into rc of dc: the captured background, and the selected
    // pattern when the host is playing. Nothing at all without a background.
    // The frame is composed in a back buffer kept between frames, from the bar
    // and peak pictures rendered once; a frame of an unchanged size allocates
    // nothing.
    void DrawSpectrum(HDC dc, const RECT& rc);
    // A frame nobody sees: levels, peaks and wave heights change exactly as
    // DrawSpectrum would change them, and nothing is drawn, so the next frame
    // drawn is the one a viewer would have seen.
    void AdvanceSpectrum();
    // Keeps a copy of rc of dc as the background of every frame (once, after
    // the skin has been painted; a second capture replaces the first). An
    // empty rectangle leaves no background.
    void CaptureBackground(HDC dc, const RECT& rc);
    // Copies the background back to rc's top-left corner, wiping the bars.
    void RestoreBackground(HDC dc, const RECT& rc);

    int GetLevel(int band) const { return m_nLevels[band]; }
    int GetPeak(int band) const { return m_nPeaks[band]; }
    int GetWaveHeight(int band) const { return m_nWaveHeights[band]; }
    bool HasBackground() const { return m_hBackDC != nullptr; }

private:
    using PatternFn = void (CSpectrumAnalyzer::*)(HDC dc, BOOL ready);
    static const PatternFn s_patterns[3];

    // A memory DC with a bitmap of its own selected into it.
    struct MemoryDC {
        HDC dc = nullptr;
        HBITMAP bitmap = nullptr;
        HGDIOBJ old = nullptr;
        int width = 0;
        int height = 0;
        bool Make(HDC like, int w, int h);
        void Free();
    };

    // Every pattern updates the levels of one frame and, with a non-null dc,
    // draws them.
    void DrawBasic(HDC dc, BOOL ready);
    void DrawSymmetric(HDC dc, BOOL ready);
    void DrawWave(HDC dc, BOOL ready);
    void RunPattern(HDC dc);
    void ReleaseBackground();
    // Renders the bar and peak pictures into memory once, for keyed copies.
    void PreparePictures(HDC like);
    void DrawPicture(HDC dc, const MemoryDC& picture, int dx, int dy, int sy, int h);
    // Rows top .. bottom - 1 of column x of the frame, clipped to it.
    void FillColumn(int x, int top, int bottom, std::uint32_t pixel);

    CSpectrumHost* m_pHost;
    int m_nLevels[kBands] = {};
    int m_nPeaks[kBands] = {};
    int m_nWaveHeights[kBands] = {};
    CImageObject m_imgBar;
    CImageObject m_imgPeak;
    HDC m_hBackDC = nullptr;
    HBITMAP m_hBackBitmap = nullptr;
    HGDIOBJ m_hBackOld = nullptr;
    // The frame being composed, in memory of its own so that WAVE's thin
    // columns are written straight into its pixels.
    wq::gdi::Surface m_frame;
    HDC m_hFrameDC = nullptr;
    MemoryDC m_bar;   // the bar picture, rendered once
    MemoryDC m_peak;  // the peak picture, rendered once
    bool m_picturesReady = false;
};
