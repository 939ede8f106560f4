#include "visual/spectrum.h"

#include <algorithm>
#include <cstdlib>

#include "platform/gdi/gdi.h"

namespace {

constexpr LPCWSTR kBarPicture = u"\\NAND Flash\\skin\\WQAudio\\img\\EQ_bar.bmp";
constexpr LPCWSTR kPeakPicture = u"\\NAND Flash\\skin\\WQAudio\\img\\EQ_Peak.bmp";

constexpr int kBasicSegments = 20;  // of 2 px
constexpr int kSymSegments = 16;    // of 4 px
constexpr int kWaveUnits = 20;
constexpr int kWaveStrips = 5;
constexpr COLORREF kWaveGrey = 0xE9E9E9;
constexpr COLORREF kWaveOrange = 0x477BFF;  // red 255, green 123, blue 71
constexpr COLORREF kPictureKey = RGB(255, 0, 255);
constexpr std::uint32_t kGreyPixel = wq::gdi::PixelFromColorref(kWaveGrey);
constexpr std::uint32_t kOrangePixel = wq::gdi::PixelFromColorref(kWaveOrange);

int Width(const RECT& rc) {
    return rc.right - rc.left;
}
int Height(const RECT& rc) {
    return rc.bottom - rc.top;
}

}  // namespace

const CSpectrumAnalyzer::PatternFn CSpectrumAnalyzer::s_patterns[3] = {
    &CSpectrumAnalyzer::DrawBasic,      // PATTERN_BASIC
    &CSpectrumAnalyzer::DrawSymmetric,  // PATTERN_SYMMETRIC
    &CSpectrumAnalyzer::DrawWave,       // PATTERN_WAVE
};

CSpectrumAnalyzer::CSpectrumAnalyzer(CSpectrumHost* host) : m_pHost(host) {
    m_imgBar.Load(kBarPicture);
    m_imgPeak.Load(kPeakPicture);
}

CSpectrumAnalyzer::~CSpectrumAnalyzer() {
    ReleaseBackground();
    if (m_hFrameDC != nullptr) {
        wq::gdi::DeleteSurfaceDC(m_hFrameDC);
    }
    m_bar.Free();
    m_peak.Free();
}

bool CSpectrumAnalyzer::MemoryDC::Make(HDC like, int w, int h) {
    Free();
    dc = CreateCompatibleDC(like);
    bitmap = CreateCompatibleBitmap(like, w, h);
    if (dc == nullptr || bitmap == nullptr) {
        Free();
        return false;
    }
    old = SelectObject(dc, bitmap);
    width = w;
    height = h;
    return true;
}

void CSpectrumAnalyzer::MemoryDC::Free() {
    if (dc != nullptr) {
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    *this = MemoryDC{};
}

void CSpectrumAnalyzer::PreparePictures(HDC like) {
    if (m_picturesReady) {
        return;
    }
    m_picturesReady = true;
    // A picture that failed to load stays without a DC and is never drawn.
    if (m_imgBar.GetWidth() > 0 && m_bar.Make(like, m_imgBar.GetWidth(), m_imgBar.GetHeight())) {
        m_imgBar.Draw(m_bar.dc, 0, 0);
    }
    if (m_imgPeak.GetWidth() > 0 &&
        m_peak.Make(like, m_imgPeak.GetWidth(), m_imgPeak.GetHeight())) {
        m_imgPeak.Draw(m_peak.dc, 0, 0);
    }
}

// Rows sy .. sy + h of the picture, 7 px wide, keyed onto dc at (dx, dy).
void CSpectrumAnalyzer::DrawPicture(HDC dc, const MemoryDC& picture, int dx, int dy, int sy,
                                    int h) {
    if (picture.dc != nullptr) {
        TransparentImage(dc, dx, dy, 7, h, picture.dc, 0, sy, 7, h, kPictureKey);
    }
}

BOOL CSpectrumAnalyzer::SetLevels(const int* pLevels, int first, int count) {
    if (first < 0 || pLevels == nullptr) {
        return 0;
    }
    for (int b = first; b < kBands && b - first < count; ++b) {
        // In double, truncated toward zero; kept inside the int range so that
        // no input can make the conversion undefined.
        const double v = std::clamp(pLevels[b] * 1.5, -2147483648.0, 2147483647.0);
        m_nLevels[b] = static_cast<int>(v);
    }
    return 1;
}

void CSpectrumAnalyzer::ResetLevels() {
    std::fill(std::begin(m_nLevels), std::end(m_nLevels), 0);
}

void CSpectrumAnalyzer::DecayLevels() {
    for (int& level : m_nLevels) {
        if (level > 0) {
            level = std::max(level - kFall, 0);
        }
    }
}

void CSpectrumAnalyzer::DrawSpectrum(HDC dc, const RECT& rc) {
    if (m_hBackDC == nullptr) {
        return;
    }
    const int w = Width(rc);
    const int h = Height(rc);
    if (w <= 0 || h <= 0) {
        return;
    }
    if (m_hFrameDC == nullptr || m_frame.width != w || m_frame.height != h) {
        if (m_hFrameDC != nullptr) {
            wq::gdi::DeleteSurfaceDC(m_hFrameDC);
        }
        m_frame.Resize(w, h);
        m_hFrameDC = wq::gdi::CreateSurfaceDC(&m_frame, POINT{0, 0}, RECT{0, 0, w, h});
        if (m_hFrameDC == nullptr) {
            return;
        }
    }
    PreparePictures(dc);
    BitBlt(m_hFrameDC, 0, 0, w, h, m_hBackDC, 0, 0, SRCCOPY);
    RunPattern(m_hFrameDC);
    BitBlt(dc, rc.left, rc.top, w, h, m_hFrameDC, 0, 0, SRCCOPY);
}

void CSpectrumAnalyzer::AdvanceSpectrum() {
    if (m_hBackDC != nullptr) {
        RunPattern(nullptr);
    }
}

void CSpectrumAnalyzer::RunPattern(HDC dc) {
    if (m_pHost != nullptr && m_pHost->SpectrumIsPlaying()) {
        const int pattern = m_pHost->SpectrumPattern();
        if (pattern >= 0 && pattern < static_cast<int>(std::size(s_patterns))) {
            (this->*s_patterns[pattern])(dc, m_pHost->SpectrumVisualReady());
        }
    }
}

void CSpectrumAnalyzer::CaptureBackground(HDC dc, const RECT& rc) {
    ReleaseBackground();
    if (Width(rc) <= 0 || Height(rc) <= 0) {
        return;  // an empty area has no background; frames then draw nothing
    }
    m_hBackDC = CreateCompatibleDC(dc);
    m_hBackBitmap = CreateCompatibleBitmap(dc, Width(rc), Height(rc));
    m_hBackOld = SelectObject(m_hBackDC, m_hBackBitmap);
    BitBlt(m_hBackDC, 0, 0, Width(rc), Height(rc), dc, rc.left, rc.top, SRCCOPY);
}

void CSpectrumAnalyzer::RestoreBackground(HDC dc, const RECT& rc) {
    if (m_hBackDC == nullptr) {
        return;
    }
    BitBlt(dc, rc.left, rc.top, Width(rc), Height(rc), m_hBackDC, 0, 0, SRCCOPY);
}

void CSpectrumAnalyzer::ReleaseBackground() {
    if (m_hBackDC != nullptr) {
        SelectObject(m_hBackDC, m_hBackOld);
        DeleteDC(m_hBackDC);
    }
    if (m_hBackBitmap != nullptr) {
        DeleteObject(m_hBackBitmap);
    }
    m_hBackDC = nullptr;
    m_hBackBitmap = nullptr;
    m_hBackOld = nullptr;
}

// Bars on y = 66 with a marker at the peak of the previous frames. The marker
// drawn is the one from before this frame's peak update.
void CSpectrumAnalyzer::DrawBasic(HDC dc, BOOL ready) {
    DecayLevels();
    for (int i = 0; i < kBands; ++i) {
        // A level below 0 (only from SetLevels) draws like 0 and never lifts
        // the peak, so clamping it keeps the arithmetic in range and changes nothing.
        const int level = std::clamp(m_nLevels[i], 0, kFullScale);
        m_nPeaks[i] = std::min(m_nPeaks[i], kFullScale);
        int bar = std::min(level * kBasicSegments / kFullScale, kBasicSegments);
        int mark = std::clamp(m_nPeaks[i] * kBasicSegments / kFullScale, 1, kBasicSegments);
        if (!ready) {
            bar = 0;
            mark = 1;
        }
        if (level > m_nPeaks[i]) {
            m_nPeaks[i] = level + 12;
        } else {
            m_nPeaks[i] = std::max(m_nPeaks[i] - 7, 0);
        }
        if (dc == nullptr) {
            continue;
        }
        const int x = 14 * i;
        DrawPicture(dc, m_peak, x, 26 + (kBasicSegments - mark) * 2, 0, 2);
        if (bar > 0) {
            const int top = (kBasicSegments - bar) * 2;
            DrawPicture(dc, m_bar, x, 26 + top, top, bar * 2);
        }
    }
}

// Bars centred on y = 36; for odd n one segment more above than below.
void CSpectrumAnalyzer::DrawSymmetric(HDC dc, BOOL ready) {
    DecayLevels();
    for (int i = 0; i < kBands; ++i) {
        const int level = std::clamp(m_nLevels[i], 0, kFullScale);
        m_nPeaks[i] = std::min(m_nPeaks[i], kFullScale);
        const int n = ready ? level * kSymSegments / kFullScale : 0;
        if (n > 0 && dc != nullptr) {
            const int x = 14 * i;
            const int top = 4 + (8 - n + n / 2) * 4;
            DrawPicture(dc, m_bar, x, top, (kSymSegments - n) * 4, n * 4);
            DrawPicture(dc, m_peak, x, top - 3, 0, 4);
            DrawPicture(dc, m_peak, x, top + n * 4, 0, 4);
        }
        if (level > m_nPeaks[i]) {
            m_nPeaks[i] = level;
        } else {
            m_nPeaks[i] = std::max(m_nPeaks[i] - 5, 0);
        }
    }
}

void CSpectrumAnalyzer::FillColumn(int x, int top, int bottom, std::uint32_t pixel) {
    if (x < 0 || x >= m_frame.width) {
        return;
    }
    top = std::max(top, 0);
    bottom = std::min(bottom, m_frame.height);
    std::uint32_t* p = m_frame.pixels.data() + static_cast<size_t>(x);
    for (int y = top; y < bottom; ++y) {
        p[static_cast<size_t>(y) * static_cast<size_t>(m_frame.width)] = pixel;
    }
}

// Each band leans from its height toward its right neighbour's (the last band
// toward 0), five strips wide; while visuals are ready every strip jitters up
// by 0..9 px.
void CSpectrumAnalyzer::DrawWave(HDC dc, BOOL ready) {
    DecayLevels();
    for (int i = 0; i < kBands; ++i) {
        // 64-bit: the level is not limited to full scale here.
        m_nWaveHeights[i] =
            ready ? static_cast<int>(static_cast<long long>(m_nLevels[i]) * kWaveUnits / kFullScale)
                  : 0;
    }
    if (dc == nullptr) {
        return;
    }
    for (int i = 0; i < kBands; ++i) {
        const int h = m_nWaveHeights[i];
        const int next = i + 1 < kBands ? m_nWaveHeights[i + 1] : 0;
        const float y0 = static_cast<float>(65 - h);
        const float slope = static_cast<float>(std::abs(static_cast<long long>(h) - next)) / 5.0f;
        for (int k = 0; k < kWaveStrips; ++k) {
            float yf = h >= next ? y0 + slope * static_cast<float>(k) * 2.0f
                                 : y0 - slope * static_cast<float>(k) * 2.0f;
            if (ready) {
                yf -= static_cast<float>(std::rand() % 10);
            }
            const int y = static_cast<int>(std::clamp(yf, -1.0e6f, 1.0e6f));
            const int x = 15 * i + 3 * k;
            FillColumn(x, y, 100, kGreyPixel);
            FillColumn(x, y - 3, y - 1, kOrangePixel);
        }
    }
}
