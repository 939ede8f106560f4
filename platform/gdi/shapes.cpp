// Rectangles, lines and single pixels. Right and bottom edges are exclusive,
// and a line never draws its end point, so consecutive LineTo calls meet
// without drawing a shared pixel twice.
#include <cstdlib>

#include "platform/gdi/objects.h"

namespace {

using namespace wq::gdi;

// Fills a logical rectangle of the DC, clipped.
void FillLogical(GdiDC& dc, RECT r, std::uint32_t pixel) {
    if (!dc.surface || IsEmpty(r)) return;
    r = RECT{r.left + dc.origin.x, r.top + dc.origin.y, r.right + dc.origin.x,
             r.bottom + dc.origin.y};
    FillSurfaceRect(*dc.surface, Intersect(r, EffectiveClip(dc)), pixel);
}

// Plots one pen dot centred on a logical point (a square of the pen's width).
void PlotDot(GdiDC& dc, const GdiPen& pen, int x, int y) {
    int before = (pen.width - 1) / 2;
    RECT r{x - before, y - before, x - before + pen.width, y - before + pen.width};
    FillLogical(dc, r, PixelFromColorref(pen.color));
}

// Bresenham from (x0, y0) towards (x1, y1), leaving (x1, y1) undrawn.
void DrawLine(GdiDC& dc, int x0, int y0, int x1, int y1) {
    GdiPen* pen = LookupPen(dc.pen);
    if (!pen || pen->style == PS_NULL) return;
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int stepX = x0 < x1 ? 1 : -1, stepY = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        PlotDot(dc, *pen, x0, y0);
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += stepX;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += stepY;
        }
    }
}

}  // namespace

int FillRect(HDC hdc, const RECT* lprc, HBRUSH hbr) {
    GdiDC* dc = LookupDC(hdc);
    GdiBrush* brush = LookupBrush(hbr);
    if (!dc || !lprc || !brush || !RectOk(*lprc)) return 0;
    if (!brush->hollow) FillLogical(*dc, *lprc, PixelFromColorref(brush->color));
    return 1;
}

int FrameRect(HDC hdc, const RECT* lprc, HBRUSH hbr) {
    GdiDC* dc = LookupDC(hdc);
    GdiBrush* brush = LookupBrush(hbr);
    if (!dc || !lprc || !brush || !RectOk(*lprc)) return 0;
    const RECT& r = *lprc;
    if (IsEmpty(r) || brush->hollow) return 1;
    std::uint32_t p = PixelFromColorref(brush->color);
    FillLogical(*dc, RECT{r.left, r.top, r.right, r.top + 1}, p);
    FillLogical(*dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, p);
    FillLogical(*dc, RECT{r.left, r.top, r.left + 1, r.bottom}, p);
    FillLogical(*dc, RECT{r.right - 1, r.top, r.right, r.bottom}, p);
    return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || !CoordsOk({left, top, right, bottom})) return FALSE;
    GdiBrush* brush = LookupBrush(dc->brush);
    GdiPen* pen = LookupPen(dc->pen);
    bool outlined = pen && pen->style != PS_NULL;
    // The outline lies on the rectangle's inside edge; the fill covers the rest.
    if (brush && !brush->hollow) {
        int inset = outlined ? 1 : 0;
        FillLogical(*dc, RECT{left + inset, top + inset, right - inset, bottom - inset},
                    PixelFromColorref(brush->color));
    }
    if (outlined && right > left && bottom > top) {
        std::uint32_t p = PixelFromColorref(pen->color);
        FillLogical(*dc, RECT{left, top, right, top + 1}, p);
        FillLogical(*dc, RECT{left, bottom - 1, right, bottom}, p);
        FillLogical(*dc, RECT{left, top, left + 1, bottom}, p);
        FillLogical(*dc, RECT{right - 1, top, right, bottom}, p);
    }
    return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || !CoordsOk({x, y})) return FALSE;
    if (lppt) *lppt = dc->pos;
    dc->pos = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || !CoordsOk({x, y})) return FALSE;
    DrawLine(*dc, dc->pos.x, dc->pos.y, x, y);
    dc->pos = POINT{x, y};
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* apt, int cpt) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || !apt || cpt < 2) return FALSE;
    for (int i = 0; i < cpt; ++i)
        if (!CoordsOk({apt[i].x, apt[i].y})) return FALSE;
    for (int i = 1; i < cpt; ++i) DrawLine(*dc, apt[i - 1].x, apt[i - 1].y, apt[i].x, apt[i].y);
    return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || !dc->surface || !CoordsOk({x, y})) return CLR_INVALID;
    int sx = x + dc->origin.x, sy = y + dc->origin.y;
    RECT clip = EffectiveClip(*dc);
    if (sx < clip.left || sx >= clip.right || sy < clip.top || sy >= clip.bottom)
        return CLR_INVALID;
    dc->surface->pixels[static_cast<size_t>(sy) * static_cast<size_t>(dc->surface->width) +
                        static_cast<size_t>(sx)] = PixelFromColorref(color);
    return color & 0xFFFFFF;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || !dc->surface || !CoordsOk({x, y})) return CLR_INVALID;
    int sx = x + dc->origin.x, sy = y + dc->origin.y;
    RECT clip = EffectiveClip(*dc);
    if (sx < clip.left || sx >= clip.right || sy < clip.top || sy >= clip.bottom)
        return CLR_INVALID;
    return ColorrefFromPixel(dc->surface->At(sx, sy));
}
