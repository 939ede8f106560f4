// Internal to platform/gdi: the objects behind the drawing handles and the
// registry that decides whether a handle is alive.
#pragma once

#include <memory>
#include <optional>

#include "platform/gdi/gdi.h"

namespace wq::gdi {
class FontFace;
}

enum class GdiKind { Bitmap, Brush, Pen, Font };

struct GdiObject {
    explicit GdiObject(GdiKind k) : kind(k) {}
    virtual ~GdiObject() = default;
    GdiKind kind;
    bool stock = false;
    int selectCount = 0;  // DCs this object is selected into
};

struct GdiBitmap : GdiObject {
    GdiBitmap() : GdiObject(GdiKind::Bitmap) {}
    wq::gdi::Surface surface;
    int bitsPixel = 32;  // 1 for monochrome bitmaps (stored as 32-bit black/white)
};

struct GdiBrush : GdiObject {
    GdiBrush() : GdiObject(GdiKind::Brush) {}
    bool hollow = false;
    COLORREF color = 0;
};

struct GdiPen : GdiObject {
    GdiPen() : GdiObject(GdiKind::Pen) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct GdiFont : GdiObject {
    GdiFont() : GdiObject(GdiKind::Font) {}
    LOGFONTW logfont;
    std::shared_ptr<wq::gdi::FontFace> face;  // resolved at creation, shared by equal fonts
};

struct GdiDC {
    bool memory = false;
    wq::gdi::Surface* surface = nullptr;  // surface DCs: the window's; memory DCs: the bitmap's
    POINT origin;                          // logical (0,0) in surface coordinates
    RECT clip;                             // surface DCs: visible area in surface coordinates
    std::optional<RECT> userClip;          // IntersectClipRect, logical coordinates
    HBITMAP bitmap = nullptr;
    HBRUSH brush = nullptr;
    HPEN pen = nullptr;
    HFONT font = nullptr;
    int bkMode = OPAQUE;
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
    int stretchMode = BLACKONWHITE;
    POINT pos;
};

namespace wq::gdi {

// Registry of live handles. Thread-safe.
void RegisterObject(GdiObject* o);
bool IsLiveObject(HGDIOBJ h);
void UnregisterObject(GdiObject* o);
void RegisterDC(GdiDC* dc);
bool IsLiveDC(HDC dc);
void UnregisterDC(GdiDC* dc);

// Live, typed look-ups; null for an unknown handle or one of another type.
GdiDC* LookupDC(HDC dc);
GdiBitmap* LookupBitmap(HGDIOBJ h);
GdiBrush* LookupBrush(HGDIOBJ h);
GdiPen* LookupPen(HGDIOBJ h);
GdiFont* LookupFont(HGDIOBJ h);

// The rectangle of the surface a DC may draw on, in surface coordinates
// (surface bounds, window clip and IntersectClipRect combined; may be empty).
RECT EffectiveClip(const GdiDC& dc);
RECT Intersect(const RECT& a, const RECT& b);
inline bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// Fills a rectangle given in surface coordinates, already clipped.
void FillSurfaceRect(Surface& s, const RECT& r, std::uint32_t pixel);

// The font a DC draws with (its selected font, else the system font).
GdiFont* CurrentFont(const GdiDC& dc);
HFONT SystemFont();
// The 1x1 monochrome bitmap every new memory DC starts with (a stock object).
HBITMAP DefaultBitmap();

}  // namespace wq::gdi
