// Pixel copies between surfaces: BitBlt, StretchBlt, TransparentImage and the
// raster fills of PatBlt. All stretching is nearest neighbour: destination
// column i of a w-wide target takes source column i * wSrc / wDest.
#include <algorithm>
#include <vector>

#include "platform/gdi/objects.h"

namespace wq::gdi {
namespace {

struct Extent {
    int start = 0;  // first column/row, after normalising a negative extent
    int size = 0;   // > 0
    bool flipped = false;
};

Extent Normalise(int start, int size) {
    if (size < 0) return Extent{start + size, -size, true};
    return Extent{start, size, false};
}

// Copies src rectangle (surface coordinates of `from`) onto dest rectangle
// (surface coordinates of `to`) within clip. Negative extents mirror.
void StretchPixels(Surface& to, const RECT& clip, int dx, int dy, int dw, int dh,
                   const Surface& from, int sx, int sy, int sw, int sh, const std::uint32_t* key) {
    if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return;
    Extent ex = Normalise(dx, dw), ey = Normalise(dy, dh);
    Extent sxe = Normalise(sx, sw), sye = Normalise(sy, sh);
    bool flipX = ex.flipped != sxe.flipped, flipY = ey.flipped != sye.flipped;
    RECT area = Intersect(clip, RECT{ex.start, ey.start, ex.start + ex.size, ey.start + ey.size});
    if (IsEmpty(area)) return;
    if (ex.size == sxe.size && ey.size == sye.size && !flipX && !flipY) {
        // Unscaled (BitBlt, most keyed draws): rows copied straight, limited to
        // the part that lies inside the source surface.
        int shiftX = sxe.start - ex.start, shiftY = sye.start - ey.start;
        area = Intersect(area, RECT{-shiftX, -shiftY, from.width - shiftX, from.height - shiftY});
        for (int y = area.top; y < area.bottom; ++y) {
            const std::uint32_t* src =
                &from.pixels[static_cast<size_t>(y + shiftY) * static_cast<size_t>(from.width) +
                             static_cast<size_t>(area.left + shiftX)];
            std::uint32_t* dst = &to.pixels[static_cast<size_t>(y) * static_cast<size_t>(to.width) +
                                            static_cast<size_t>(area.left)];
            int n = area.right - area.left;
            if (!key) {
                std::copy_n(src, n, dst);
                continue;
            }
            const std::uint32_t k = *key;
            for (int i = 0; i < n; ++i)
                if (src[i] != k) dst[i] = src[i];
        }
        return;
    }
    // Precompute the source column of each destination column (or -1 when it lies
    // outside the source surface, which leaves the destination alone).
    std::vector<int> columns(static_cast<size_t>(area.right - area.left));
    for (int x = area.left; x < area.right; ++x) {
        long long i = x - ex.start;
        if (flipX) i = ex.size - 1 - i;
        long long c = sxe.start + i * sxe.size / ex.size;
        columns[static_cast<size_t>(x - area.left)] =
            (c < 0 || c >= from.width) ? -1 : static_cast<int>(c);
    }
    for (int y = area.top; y < area.bottom; ++y) {
        long long j = y - ey.start;
        if (flipY) j = ey.size - 1 - j;
        long long r = sye.start + j * sye.size / ey.size;
        if (r < 0 || r >= from.height) continue;
        const std::uint32_t* srcRow =
            &from.pixels[static_cast<size_t>(r) * static_cast<size_t>(from.width)];
        std::uint32_t* dstRow = &to.pixels[static_cast<size_t>(y) * static_cast<size_t>(to.width)];
        for (int x = area.left; x < area.right; ++x) {
            int c = columns[static_cast<size_t>(x - area.left)];
            if (c < 0) continue;
            std::uint32_t p = srcRow[c];
            if (key && p == *key) continue;
            dstRow[x] = p;
        }
    }
}

// Stretches from a source surface into a DC, making a private copy first when
// both are the same surface (a scroll inside one bitmap must read the old pixels).
bool StretchIntoDC(GdiDC& dst, int x, int y, int w, int h, const Surface& from, int sx, int sy,
                   int sw, int sh, const std::uint32_t* key) {
    if (!dst.surface) return false;
    RECT clip = EffectiveClip(dst);
    if (&from == dst.surface) {
        Surface copy = from;
        StretchPixels(*dst.surface, clip, x + dst.origin.x, y + dst.origin.y, w, h, copy, sx, sy,
                      sw, sh, key);
    } else {
        StretchPixels(*dst.surface, clip, x + dst.origin.x, y + dst.origin.y, w, h, from, sx, sy,
                      sw, sh, key);
    }
    return true;
}

// Fills for the raster operations that take no source; false for others.
bool FillRop(GdiDC& dc, int x, int y, int w, int h, DWORD rop) {
    std::uint32_t pixel;
    if (rop == BLACKNESS) {
        pixel = 0;
    } else if (rop == WHITENESS) {
        pixel = 0xFFFFFF;
    } else if (rop == PATCOPY) {
        GdiBrush* b = LookupBrush(dc.brush);
        if (!b || b->hollow) return true;
        pixel = PixelFromColorref(b->color);
    } else {
        return false;
    }
    Extent ex = Normalise(x, w), ey = Normalise(y, h);
    RECT r{ex.start + dc.origin.x, ey.start + dc.origin.y, ex.start + ex.size + dc.origin.x,
           ey.start + ey.size + dc.origin.y};
    if (dc.surface) FillSurfaceRect(*dc.surface, Intersect(r, EffectiveClip(dc)), pixel);
    return true;
}

}  // namespace

void FillSurfaceRect(Surface& s, const RECT& r, std::uint32_t pixel) {
    for (int y = r.top; y < r.bottom; ++y)
        std::fill_n(&s.pixels[static_cast<size_t>(y) * static_cast<size_t>(s.width) +
                              static_cast<size_t>(r.left)],
                    r.right - r.left, pixel);
}

bool DrawSurface(HDC hdc, const RECT& dest, const Surface& from, const RECT& src,
                 const std::uint32_t* key) {
    GdiDC* dc = LookupDC(hdc);
    if (!dc || !RectOk(dest) || !RectOk(src)) return false;
    return StretchIntoDC(*dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
                         from, src.left, src.top, src.right - src.left, src.bottom - src.top, key);
}

}  // namespace wq::gdi

using namespace wq::gdi;

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    GdiDC* dst = LookupDC(hdc);
    if (!dst || !CoordsOk({x, y, cx, cy, x1, y1})) return FALSE;
    if (rop != SRCCOPY) return FillRop(*dst, x, y, cx, cy, rop) ? TRUE : FALSE;
    GdiDC* src = LookupDC(hdcSrc);
    if (!src || !src->surface || cx < 0 || cy < 0) return FALSE;
    return StretchIntoDC(*dst, x, y, cx, cy, *src->surface, x1 + src->origin.x, y1 + src->origin.y,
                         cx, cy, nullptr)
               ? TRUE
               : FALSE;
}

BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                int ySrc, int wSrc, int hSrc, DWORD rop) {
    GdiDC* dst = LookupDC(hdcDest);
    if (!dst || !CoordsOk({xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc})) return FALSE;
    if (rop != SRCCOPY) return FillRop(*dst, xDest, yDest, wDest, hDest, rop) ? TRUE : FALSE;
    GdiDC* src = LookupDC(hdcSrc);
    if (!src || !src->surface) return FALSE;
    return StretchIntoDC(*dst, xDest, yDest, wDest, hDest, *src->surface, xSrc + src->origin.x,
                         ySrc + src->origin.y, wSrc, hSrc, nullptr)
               ? TRUE
               : FALSE;
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    GdiDC* dc = LookupDC(hdc);
    return dc && CoordsOk({x, y, w, h}) && FillRop(*dc, x, y, w, h, rop) ? TRUE : FALSE;
}

BOOL TransparentImage(HDC hdcDest, LONG DstX, LONG DstY, LONG DstCx, LONG DstCy, HANDLE hSrc,
                      LONG SrcX, LONG SrcY, LONG SrcCx, LONG SrcCy, COLORREF TransparentColor) {
    GdiDC* dst = LookupDC(hdcDest);
    if (!dst || DstCx < 0 || DstCy < 0 || SrcCx < 0 || SrcCy < 0) return FALSE;
    if (!CoordsOk({DstX, DstY, DstCx, DstCy, SrcX, SrcY, SrcCx, SrcCy})) return FALSE;
    const Surface* from = nullptr;
    POINT srcOrigin{};
    if (GdiDC* src = LookupDC(static_cast<HDC>(hSrc))) {
        from = src->surface;
        srcOrigin = src->origin;
    } else if (GdiBitmap* bmp = LookupBitmap(static_cast<HGDIOBJ>(hSrc))) {
        if (bmp->selectCount > 0) return FALSE;  // a selected bitmap is reached through its DC
        from = &bmp->surface;
    }
    if (!from) return FALSE;
    std::uint32_t key = PixelFromColorref(TransparentColor);
    return StretchIntoDC(*dst, DstX, DstY, DstCx, DstCy, *from, SrcX + srcOrigin.x,
                         SrcY + srcOrigin.y, SrcCx, SrcCy, &key)
               ? TRUE
               : FALSE;
}

BOOL TransparentBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                    int ySrc, int wSrc, int hSrc, UINT crTransparent) {
    return TransparentImage(hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc,
                            crTransparent);
}
