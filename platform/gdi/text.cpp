// Text output and measurement. Glyphs are blended over the destination with
// their anti-aliased coverage in the DC's text colour; y is the top of the
// character cell. "&" is an ordinary character: no prefix processing, so a
// title such as "Simon & Garfunkel" keeps its ampersand.
#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/gdi/font.h"
#include "platform/gdi/objects.h"

namespace {

using namespace wq::gdi;

FontFace* FaceOf(const GdiDC& dc) {
    GdiFont* f = CurrentFont(dc);
    return f ? f->face.get() : nullptr;
}

// Longest run drawn and largest explicit advance honoured: together they keep
// every pen position well inside int.
constexpr int kMaxRunUnits = 1 << 16;
constexpr int kMaxAdvance = 1 << 12;

// Advance of each unit of the run (the second unit of a surrogate pair gets 0),
// from lpDx when given.
std::vector<int> Advances(FontFace& face, const std::vector<CodePoint>& cps, int units,
                          const int* lpDx) {
    std::vector<int> adv(static_cast<size_t>(units), 0);
    for (const CodePoint& c : cps) adv[static_cast<size_t>(c.unit)] = face.GlyphFor(c.cp).advance;
    if (lpDx)
        for (int i = 0; i < units; ++i)
            adv[static_cast<size_t>(i)] = std::clamp(lpDx[i], -kMaxAdvance, kMaxAdvance);
    return adv;
}

int Sum(const std::vector<int>& v) {
    int total = 0;
    for (int a : v) total += a;
    return total;
}

std::uint32_t Blend(std::uint32_t dst, std::uint32_t src, unsigned a) {
    if (a == 255) return src;
    unsigned inv = 255 - a;
    auto channel = [&](int shift) {
        unsigned d = (dst >> shift) & 0xFF, s = (src >> shift) & 0xFF;
        return ((s * a + d * inv + 127) / 255) << shift;
    };
    return channel(16) | channel(8) | channel(0);
}

// Draws one line of text with its cell's top-left at logical (x, y), limited to
// `clip` (surface coordinates). Returns the advance width drawn.
int DrawRun(GdiDC& dc, int x, int y, const char16_t* s, int n, const int* lpDx, RECT clip) {
    FontFace* face = FaceOf(dc);
    if (!face || !dc.surface || n <= 0) return 0;
    n = std::min(n, kMaxRunUnits);
    clip = Intersect(clip, EffectiveClip(dc));
    std::vector<CodePoint> cps = DecodeUnits(s, n);
    std::vector<int> adv = Advances(*face, cps, n, lpDx);
    const FontMetrics& m = face->Metrics();
    int width = Sum(adv);
    int sx = x + dc.origin.x, sy = y + dc.origin.y;
    Surface& surf = *dc.surface;
    if (dc.bkMode == OPAQUE)
        FillSurfaceRect(surf, Intersect(clip, RECT{sx, sy, sx + width, sy + m.height()}),
                        PixelFromColorref(dc.bkColor));
    if (IsEmpty(clip)) return width;
    std::uint32_t ink = PixelFromColorref(dc.textColor);
    int baseline = sy + m.ascent;
    int pen = sx;
    for (const CodePoint& c : cps) {
        const Glyph& g = face->GlyphFor(c.cp);
        int gx = pen + g.left, gy = baseline - g.top;
        int y0 = std::max(gy, static_cast<int>(clip.top)),
            y1 = std::min(gy + g.height, static_cast<int>(clip.bottom));
        int x0 = std::max(gx, static_cast<int>(clip.left)),
            x1 = std::min(gx + g.width, static_cast<int>(clip.right));
        for (int py = y0; py < y1; ++py) {
            const std::uint8_t* cov =
                &g.coverage[static_cast<size_t>(py - gy) * static_cast<size_t>(g.width)];
            std::uint32_t* row =
                &surf.pixels[static_cast<size_t>(py) * static_cast<size_t>(surf.width)];
            for (int px = x0; px < x1; ++px) {
                unsigned a = cov[px - gx];
                if (a) row[px] = Blend(row[px], ink, a);
            }
        }
        for (int u = 0; u < c.units; ++u) pen += adv[static_cast<size_t>(c.unit + u)];
    }
    auto rule = [&](int ry) {
        FillSurfaceRect(surf, Intersect(clip, RECT{sx, ry, sx + width, ry + 1}), ink);
    };
    if (face->Underline()) rule(baseline + (m.descent > 1 ? 1 : 0));
    if (face->StrikeOut()) rule(baseline - m.ascent / 3);
    return width;
}

RECT NoClip() {
    return RECT{-(1 << 30), -(1 << 30), 1 << 30, 1 << 30};
}

RECT ToSurface(const GdiDC& dc, const RECT& r) {
    return RECT{r.left + dc.origin.x, r.top + dc.origin.y, r.right + dc.origin.x,
                r.bottom + dc.origin.y};
}

int UnitCount(const char16_t* s, int n) {
    if (!s) return 0;
    if (n >= 0) return n;
    int len = 0;
    while (s[len]) ++len;
    return len;
}

struct Line {
    int start;
    int length;
};

// Splits at CR, LF and CR LF unless the text is one line.
std::vector<Line> SplitLines(const char16_t* s, int n, bool single) {
    std::vector<Line> lines;
    if (single) return {Line{0, n}};
    int start = 0;
    for (int i = 0; i < n; ++i) {
        if (s[i] != u'\r' && s[i] != u'\n') continue;
        lines.push_back(Line{start, i - start});
        if (s[i] == u'\r' && i + 1 < n && s[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    lines.push_back(Line{start, n - start});
    return lines;
}

}  // namespace

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* lptm) {
    GdiDC* dc = LookupDC(hdc);
    FontFace* face = dc ? FaceOf(*dc) : nullptr;
    if (!face || !lptm) return FALSE;
    const FontMetrics& m = face->Metrics();
    GdiFont* f = CurrentFont(*dc);
    *lptm = TEXTMETRICW{};
    lptm->tmHeight = m.height();
    lptm->tmAscent = m.ascent;
    lptm->tmDescent = m.descent;
    lptm->tmAveCharWidth = m.aveCharWidth;
    lptm->tmMaxCharWidth = m.maxCharWidth;
    lptm->tmWeight = f->logfont.lfWeight ? f->logfont.lfWeight : FW_NORMAL;
    lptm->tmItalic = f->logfont.lfItalic;
    lptm->tmUnderlined = f->logfont.lfUnderline;
    lptm->tmStruckOut = f->logfont.lfStrikeOut;
    lptm->tmPitchAndFamily = f->logfont.lfPitchAndFamily;
    lptm->tmCharSet = f->logfont.lfCharSet;
    return TRUE;
}
BOOL GetTextMetrics(HDC hdc, TEXTMETRICW* lptm) {
    return GetTextMetricsW(hdc, lptm);
}

BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR lpszString, int cchString, int nMaxExtent, int* lpnFit,
                           int* lpnDx, SIZE* lpSize) {
    GdiDC* dc = LookupDC(hdc);
    FontFace* face = dc ? FaceOf(*dc) : nullptr;
    if (!face || cchString < 0 || (cchString > 0 && !lpszString)) return FALSE;
    std::vector<CodePoint> cps = DecodeUnits(lpszString, cchString);
    int extent = 0, fit = 0;
    bool fitting = true;
    for (const CodePoint& c : cps) {
        extent = static_cast<int>(
            std::min<long long>(static_cast<long long>(extent) + face->GlyphFor(c.cp).advance,
                                std::numeric_limits<int>::max()));
        if (fitting && extent <= nMaxExtent) {
            fit = c.unit + c.units;
        } else {
            fitting = false;
        }
        for (int u = 0; u < c.units; ++u)
            if (lpnDx) lpnDx[c.unit + u] = extent;
    }
    if (lpnFit) *lpnFit = fit;
    if (lpSize) *lpSize = SIZE{extent, face->Metrics().height()};
    return TRUE;
}
BOOL GetTextExtentExPoint(HDC hdc, LPCWSTR lpszString, int cchString, int nMaxExtent, int* lpnFit,
                          int* lpnDx, SIZE* lpSize) {
    return GetTextExtentExPointW(hdc, lpszString, cchString, nMaxExtent, lpnFit, lpnDx, lpSize);
}
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, SIZE* psizl) {
    return GetTextExtentExPointW(hdc, lpString, c, 0, nullptr, nullptr, psizl);
}
BOOL GetTextExtentPoint32(HDC hdc, LPCWSTR lpString, int c, SIZE* psizl) {
    return GetTextExtentPoint32W(hdc, lpString, c, psizl);
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprc, LPCWSTR lpString, UINT c,
                 const int* lpDx) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || (c > 0 && !lpString) || c > 0x7FFFFFFF || !CoordsOk({x, y})) return FALSE;
    if (lprc && !RectOk(*lprc)) return FALSE;
    RECT clip = NoClip();
    if (lprc && (options & ETO_OPAQUE) && dc->surface)
        FillSurfaceRect(*dc->surface, Intersect(ToSurface(*dc, *lprc), EffectiveClip(*dc)),
                        PixelFromColorref(dc->bkColor));
    if (lprc && (options & ETO_CLIPPED)) clip = ToSurface(*dc, *lprc);
    DrawRun(*dc, x, y, lpString, static_cast<int>(c), lpDx, clip);
    return TRUE;
}
BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* lprc, LPCWSTR lpString, UINT c,
                const int* lpDx) {
    return ExtTextOutW(hdc, x, y, options, lprc, lpString, c, lpDx);
}
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c) {
    if (c < 0) return FALSE;
    return ExtTextOutW(hdc, x, y, 0, nullptr, lpString, static_cast<UINT>(c), nullptr);
}
BOOL TextOut(HDC hdc, int x, int y, LPCWSTR lpString, int c) {
    return TextOutW(hdc, x, y, lpString, c);
}

int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    GdiDC* dc = LookupDC(hdc);
    FontFace* face = dc ? FaceOf(*dc) : nullptr;
    if (!face || !lprc || !RectOk(*lprc)) return 0;
    int n = UnitCount(lpchText, cchText);
    std::vector<Line> lines = SplitLines(lpchText, n, (format & DT_SINGLELINE) != 0);
    int lineHeight = face->Metrics().height();
    std::vector<int> widths;
    int widest = 0;
    for (const Line& l : lines) {
        SIZE sz;
        GetTextExtentExPointW(hdc, lpchText + l.start, l.length, 0, nullptr, nullptr, &sz);
        widths.push_back(sz.cx);
        widest = std::max(widest, static_cast<int>(sz.cx));
    }
    int total = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        lprc->right = lprc->left + widest;
        lprc->bottom = lprc->top + total;
        return total;
    }
    int top = lprc->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            top = (lprc->top + lprc->bottom - total) / 2;
        else if (format & DT_BOTTOM)
            top = lprc->bottom - total;
    }
    RECT clip = (format & DT_NOCLIP) ? NoClip() : ToSurface(*dc, *lprc);
    for (size_t i = 0; i < lines.size(); ++i) {
        int w = widths[i];
        int left = lprc->left;
        if (format & DT_CENTER)
            left = (lprc->left + lprc->right - w) / 2;
        else if (format & DT_RIGHT)
            left = lprc->right - w;
        DrawRun(*dc, left, top + lineHeight * static_cast<int>(i), lpchText + lines[i].start,
                lines[i].length, nullptr, clip);
    }
    return top - lprc->top + total;
}
int DrawText(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    return DrawTextW(hdc, lpchText, cchText, lprc, format);
}
