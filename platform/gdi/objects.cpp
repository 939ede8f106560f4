// Bitmaps, brushes and pens: creation, stock objects, deletion and description.
#include "platform/gdi/objects.h"

#include <cstring>

namespace wq::gdi {
namespace {

HGDIOBJ MakeStock(int index) {
    auto brush = [](COLORREF c, bool hollow) {
        auto* b = new GdiBrush;
        b->color = c;
        b->hollow = hollow;
        return static_cast<GdiObject*>(b);
    };
    auto pen = [](COLORREF c, int style) {
        auto* p = new GdiPen;
        p->color = c;
        p->style = style;
        return static_cast<GdiObject*>(p);
    };
    GdiObject* o = nullptr;
    switch (index) {
        case WHITE_BRUSH:
            o = brush(RGB(255, 255, 255), false);
            break;
        case LTGRAY_BRUSH:
            o = brush(RGB(192, 192, 192), false);
            break;
        case GRAY_BRUSH:
            o = brush(RGB(128, 128, 128), false);
            break;
        case DKGRAY_BRUSH:
            o = brush(RGB(64, 64, 64), false);
            break;
        case BLACK_BRUSH:
            o = brush(RGB(0, 0, 0), false);
            break;
        case NULL_BRUSH:
            o = brush(0, true);
            break;
        case WHITE_PEN:
            o = pen(RGB(255, 255, 255), PS_SOLID);
            break;
        case BLACK_PEN:
            o = pen(RGB(0, 0, 0), PS_SOLID);
            break;
        case NULL_PEN:
            o = pen(0, PS_NULL);
            break;
        default:
            return nullptr;
    }
    o->stock = true;
    RegisterObject(o);
    return o;
}

}  // namespace

HBITMAP DefaultBitmap() {
    static HBITMAP bmp = [] {
        auto* b = new GdiBitmap;
        b->bitsPixel = 1;
        b->surface.Resize(1, 1);
        b->surface.pixels[0] = 0;
        b->stock = true;
        RegisterObject(b);
        return b;
    }();
    return bmp;
}

}  // namespace wq::gdi

using namespace wq::gdi;

HGDIOBJ GetStockObject(int i) {
    static HGDIOBJ table[9] = {MakeStock(0), MakeStock(1), MakeStock(2), MakeStock(3), MakeStock(4),
                               MakeStock(5), MakeStock(6), MakeStock(7), MakeStock(8)};
    if (i >= 0 && i < 9) return table[i];
    if (i == SYSTEM_FONT || i == DEFAULT_GUI_FONT) return SystemFont();
    return nullptr;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto* b = new GdiBrush;
    b->color = color & 0xFFFFFF;
    RegisterObject(b);
    return b;
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush) {
    if (!plbrush || (plbrush->lbStyle != BS_SOLID && plbrush->lbStyle != BS_NULL)) return nullptr;
    auto* b = new GdiBrush;
    b->color = plbrush->lbColor & 0xFFFFFF;
    b->hollow = plbrush->lbStyle == BS_NULL;
    RegisterObject(b);
    return b;
}

HPEN CreatePen(int iStyle, int cWidth, COLORREF color) {
    if (iStyle < PS_SOLID || iStyle > PS_NULL) return nullptr;
    auto* p = new GdiPen;
    p->style = iStyle;
    p->width = cWidth < 1 ? 1 : cWidth;
    p->color = color & 0xFFFFFF;
    RegisterObject(p);
    return p;
}

static HBITMAP NewBitmap(int cx, int cy, int bitsPixel) {
    // Bitmaps larger than any screen the player draws on are refused rather
    // than allocated (16384 x 16384 x 4 bytes is already 1 GiB).
    if (cx <= 0 || cy <= 0 || cx > 16384 || cy > 16384) return nullptr;
    auto* b = new GdiBitmap;
    b->bitsPixel = bitsPixel;
    b->surface.Resize(cx, cy);
    RegisterObject(b);
    return b;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    GdiDC* dc = hdc ? LookupDC(hdc) : nullptr;
    if (hdc && !dc) return nullptr;
    bool mono = dc && dc->memory && dc->bitmap && dc->bitmap->bitsPixel == 1;
    return NewBitmap(cx, cy, mono ? 1 : 32);
}

HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits) {
    if (nPlanes != 1 || (nBitCount != 1 && nBitCount != 32)) return nullptr;
    HBITMAP h = NewBitmap(nWidth, nHeight, static_cast<int>(nBitCount));
    if (!h || !lpBits) return h;
    Surface& s = h->surface;
    if (nBitCount == 32) {
        const auto* words = static_cast<const std::uint32_t*>(lpBits);
        for (size_t i = 0; i < s.pixels.size(); ++i) s.pixels[i] = words[i] & 0xFFFFFF;
    } else {
        const auto* bytes = static_cast<const std::uint8_t*>(lpBits);
        size_t stride = static_cast<size_t>((nWidth + 15) / 16) * 2;
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x) {
                bool white = bytes[static_cast<size_t>(y) * stride + static_cast<size_t>(x / 8)] &
                             (0x80 >> (x % 8));
                s.pixels[static_cast<size_t>(y) * static_cast<size_t>(nWidth) +
                         static_cast<size_t>(x)] = white ? 0xFFFFFF : 0;
            }
    }
    return h;
}

BOOL DeleteObject(HGDIOBJ h) {
    if (!IsLiveObject(h)) return FALSE;
    if (h->stock) return TRUE;  // stock objects live for the process
    if (h->selectCount > 0) return FALSE;
    RetireObject(h);
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ h) {
    if (IsLiveObject(h)) {
        switch (h->kind) {
            case GdiKind::Bitmap:
                return OBJ_BITMAP;
            case GdiKind::Brush:
                return OBJ_BRUSH;
            case GdiKind::Pen:
                return OBJ_PEN;
            case GdiKind::Font:
                return OBJ_FONT;
        }
    }
    auto* dc = reinterpret_cast<HDC>(h);
    if (GdiDC* d = LookupDC(dc)) return d->memory ? OBJ_MEMDC : OBJ_DC;
    return 0;
}

template <class T>
static int CopyOut(const T& value, int c, LPVOID pv) {
    if (!pv) return static_cast<int>(sizeof(T));
    if (c < static_cast<int>(sizeof(T))) return 0;
    std::memcpy(pv, &value, sizeof(T));
    return static_cast<int>(sizeof(T));
}

int GetObject(HGDIOBJ h, int c, LPVOID pv) {
    if (!IsLiveObject(h)) return 0;
    switch (h->kind) {
        case GdiKind::Bitmap: {
            auto* b = static_cast<GdiBitmap*>(h);
            BITMAP bm;
            bm.bmWidth = b->surface.width;
            bm.bmHeight = b->surface.height;
            bm.bmPlanes = 1;
            bm.bmBitsPixel = static_cast<WORD>(b->bitsPixel);
            bm.bmWidthBytes = b->bitsPixel == 1 ? ((bm.bmWidth + 15) / 16) * 2 : bm.bmWidth * 4;
            bm.bmBits = nullptr;
            return CopyOut(bm, c, pv);
        }
        case GdiKind::Brush: {
            auto* b = static_cast<GdiBrush*>(h);
            LOGBRUSH lb;
            lb.lbStyle = b->hollow ? BS_NULL : BS_SOLID;
            lb.lbColor = b->color;
            return CopyOut(lb, c, pv);
        }
        case GdiKind::Pen: {
            auto* p = static_cast<GdiPen*>(h);
            LOGPEN lp;
            lp.lopnStyle = static_cast<UINT>(p->style);
            lp.lopnWidth.x = p->width;
            lp.lopnColor = p->color;
            return CopyOut(lp, c, pv);
        }
        case GdiKind::Font:
            return CopyOut(static_cast<GdiFont*>(h)->logfont, c, pv);
    }
    return 0;
}

int GetObjectW(HGDIOBJ h, int c, LPVOID pv) {
    return GetObject(h, c, pv);
}
