// Device contexts: window DCs over a caller's surface, memory DCs over their
// selected bitmap, object selection, attributes and clipping.
#include <algorithm>
#include <utility>

#include "platform/gdi/objects.h"

namespace wq::gdi {

RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (IsEmpty(r)) r = RECT{0, 0, 0, 0};
    return r;
}

RECT EffectiveClip(const GdiDC& dc) {
    if (!dc.surface) return RECT{};
    RECT r{0, 0, dc.surface->width, dc.surface->height};
    if (!dc.memory) r = Intersect(r, dc.clip);
    if (dc.userClip) {
        RECT u = *dc.userClip;
        r = Intersect(r, RECT{u.left + dc.origin.x, u.top + dc.origin.y, u.right + dc.origin.x,
                              u.bottom + dc.origin.y});
    }
    return r;
}

Surface* GetDCSurface(HDC dc) {
    GdiDC* d = LookupDC(dc);
    return d ? d->surface : nullptr;
}

Surface* GetBitmapSurface(HBITMAP bmp) {
    GdiBitmap* b = LookupBitmap(bmp);
    return b ? &b->surface : nullptr;
}

static void SelectDefaults(GdiDC* dc) {
    dc->brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    dc->pen = static_cast<HPEN>(GetStockObject(BLACK_PEN));
    dc->font = SystemFont();
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(dc->brush), static_cast<HGDIOBJ>(dc->pen),
                      static_cast<HGDIOBJ>(dc->font)})
        if (o) ++o->selectCount;
}

static void ReleaseSelections(GdiDC* dc) {
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(dc->bitmap), static_cast<HGDIOBJ>(dc->brush),
                      static_cast<HGDIOBJ>(dc->pen), static_cast<HGDIOBJ>(dc->font)})
        if (o && IsLiveObject(o) && o->selectCount > 0) --o->selectCount;
}

HDC CreateSurfaceDC(Surface* surface, POINT origin, RECT clip) {
    if (!surface) return nullptr;
    auto* dc = new GdiDC;
    dc->surface = surface;
    dc->origin = origin;
    dc->clip = clip;
    SelectDefaults(dc);
    RegisterDC(dc);
    return dc;
}

void DeleteSurfaceDC(HDC hdc) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || dc->memory) return;
    ReleaseSelections(dc);
    RetireDC(dc);
}

}  // namespace wq::gdi

using namespace wq::gdi;

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc && !LookupDC(hdc)) return nullptr;
    auto* dc = new GdiDC;
    dc->memory = true;
    dc->bitmap = DefaultBitmap();  // the 1x1 monochrome default
    dc->bitmap->selectCount++;
    dc->surface = &dc->bitmap->surface;
    SelectDefaults(dc);
    RegisterDC(dc);
    return dc;
}

BOOL DeleteDC(HDC hdc) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc) return FALSE;
    if (!dc->memory) {
        DeleteSurfaceDC(hdc);
        return TRUE;
    }
    ReleaseSelections(dc);
    RetireDC(dc);
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc) return 0;
    switch (index) {
        case HORZRES:
            return dc->surface ? dc->surface->width : 0;
        case VERTRES:
            return dc->surface ? dc->surface->height : 0;
        case BITSPIXEL:
            return dc->memory && dc->bitmap ? dc->bitmap->bitsPixel : 32;
        case PLANES:
            return 1;
        default:
            return 0;
    }
}

// Swaps one selection slot, keeping the selection counts that DeleteObject checks.
template <class H>
static HGDIOBJ Swap(H& slot, HGDIOBJ next) {
    HGDIOBJ previous = slot;
    if (previous == next) return previous;
    if (previous && IsLiveObject(previous) && previous->selectCount > 0) --previous->selectCount;
    slot = static_cast<H>(next);
    ++next->selectCount;
    return previous;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || !IsLiveObject(h)) return nullptr;
    switch (h->kind) {
        case GdiKind::Bitmap: {
            auto* bmp = static_cast<GdiBitmap*>(h);
            if (!dc->memory) return nullptr;
            if (bmp == dc->bitmap) return bmp;
            if (bmp->selectCount > 0 && !bmp->stock) return nullptr;  // held by another DC
            HGDIOBJ previous = Swap(dc->bitmap, h);
            dc->surface = &bmp->surface;
            return previous;
        }
        case GdiKind::Brush:
            return Swap(dc->brush, h);
        case GdiKind::Pen:
            return Swap(dc->pen, h);
        case GdiKind::Font:
            return Swap(dc->font, h);
    }
    return nullptr;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc) return nullptr;
    switch (type) {
        case OBJ_BITMAP:
            return dc->bitmap;
        case OBJ_BRUSH:
            return dc->brush;
        case OBJ_PEN:
            return dc->pen;
        case OBJ_FONT:
            return dc->font;
        default:
            return nullptr;
    }
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || !CoordsOk({left, top, right, bottom})) return ERROR;
    RECT r{left, top, right, bottom};
    dc->userClip = dc->userClip ? Intersect(*dc->userClip, r) : (IsEmpty(r) ? RECT{} : r);
    return IsEmpty(EffectiveClip(*dc)) ? NULLREGION : SIMPLEREGION;
}

int SelectClipRgn(HDC hdc, void* hrgn) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || hrgn) return ERROR;  // only "no region" (reset) is supported
    dc->userClip.reset();
    return IsEmpty(EffectiveClip(*dc)) ? NULLREGION : SIMPLEREGION;
}

int GetClipBox(HDC hdc, LPRECT lprect) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || !lprect) return ERROR;
    RECT r = EffectiveClip(*dc);
    *lprect = RECT{r.left - dc->origin.x, r.top - dc->origin.y, r.right - dc->origin.x,
                   r.bottom - dc->origin.y};
    return IsEmpty(r) ? NULLREGION : SIMPLEREGION;
}

// Attribute setters return the previous value, 0 (or CLR_INVALID) for a bad DC.
int SetBkMode(HDC hdc, int mode) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    return std::exchange(dc->bkMode, mode);
}
int GetBkMode(HDC hdc) {
    GdiDC* dc = LookupDC(hdc);
    return dc ? dc->bkMode : 0;
}
COLORREF SetBkColor(HDC hdc, COLORREF color) {
    GdiDC* dc = LookupDC(hdc);
    return dc ? std::exchange(dc->bkColor, color & 0xFFFFFF) : CLR_INVALID;
}
COLORREF GetBkColor(HDC hdc) {
    GdiDC* dc = LookupDC(hdc);
    return dc ? dc->bkColor : CLR_INVALID;
}
COLORREF SetTextColor(HDC hdc, COLORREF color) {
    GdiDC* dc = LookupDC(hdc);
    return dc ? std::exchange(dc->textColor, color & 0xFFFFFF) : CLR_INVALID;
}
COLORREF GetTextColor(HDC hdc) {
    GdiDC* dc = LookupDC(hdc);
    return dc ? dc->textColor : CLR_INVALID;
}
int SetStretchBltMode(HDC hdc, int mode) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || mode < BLACKONWHITE || mode > BILINEAR) return 0;
    return std::exchange(dc->stretchMode, mode);
}
int GetStretchBltMode(HDC hdc) {
    GdiDC* dc = LookupDC(hdc);
    return dc ? dc->stretchMode : 0;
}
