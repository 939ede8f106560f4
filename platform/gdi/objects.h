// Internal to platform/gdi: the registry that decides whether a handle is
// alive, and helpers shared by the drawing files.
#pragma once

#include <initializer_list>

#include "platform/base/guithread.h"
#include "platform/gdi/gdi.h"

namespace wq::gdi {

// Registry of live handles. Thread-safe.
void RegisterObject(GdiObject* o);
bool IsLiveObject(HGDIOBJ h);
void UnregisterObject(GdiObject* o);
// A device context is made and used on the GUI thread only: RegisterDC and
// LookupDC check the thread (platform/base/guithread.h), naming the caller.
void RegisterDC(GdiDC* dc, const SourcePlace& where = SourcePlace::Current());
bool IsLiveDC(HDC dc);
void UnregisterDC(GdiDC* dc);
// Unregisters and frees a deleted object or DC. The memory of the handle itself
// is held back for the next kRetiredHandles deletions (its contents, pixels and
// font faces, are freed at once), so a stale handle is refused instead of
// naming a newer object that happens to reuse the address.
constexpr size_t kRetiredHandles = 4096;
void RetireObject(GdiObject* o);
void RetireDC(GdiDC* dc);

// Live, typed look-ups; null for an unknown handle or one of another type.
GdiDC* LookupDC(HDC dc, const SourcePlace& where = SourcePlace::Current());
GdiBitmap* LookupBitmap(HGDIOBJ h);
GdiBrush* LookupBrush(HGDIOBJ h);
GdiPen* LookupPen(HGDIOBJ h);
GdiFont* LookupFont(HGDIOBJ h);

// The rectangle of the surface a DC may draw on, in surface coordinates
// (surface bounds, window clip and IntersectClipRect combined; may be empty).
RECT EffectiveClip(const GdiDC& dc);
RECT Intersect(const RECT& a, const RECT& b);
inline bool IsEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// Coordinates and extents beyond +-2^24 pixels are refused at the API: far
// larger than any surface, and small enough that adding a DC origin or an
// extent never overflows.
constexpr long long kCoordLimit = 1LL << 24;
inline bool CoordsOk(std::initializer_list<long long> values) {
    for (long long v : values)
        if (v < -kCoordLimit || v > kCoordLimit) return false;
    return true;
}
inline bool RectOk(const RECT& r) {
    return CoordsOk({r.left, r.top, r.right, r.bottom});
}

// Fills a rectangle given in surface coordinates, already clipped.
void FillSurfaceRect(Surface& s, const RECT& r, std::uint32_t pixel);

// The font a DC draws with (its selected font, else the system font).
GdiFont* CurrentFont(const GdiDC& dc);
HFONT SystemFont();
// The 1x1 monochrome bitmap every new memory DC starts with (a stock object).
HBITMAP DefaultBitmap();

}  // namespace wq::gdi
