// The objects behind the drawing handles. They are complete here so that the
// handle types convert as in the framework (HBITMAP -> HGDIOBJ implicitly,
// HGDIOBJ -> HBRUSH by static_cast). Their fields belong to platform/gdi:
// callers use the API of gdi.h, never the fields.
#pragma once

#include <memory>
#include <optional>

#include "platform/base/wintypes.h"
#include "platform/gdi/surface.h"

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
    int style = 0;  // PS_SOLID
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
    POINT origin;                         // logical (0,0) in surface coordinates
    RECT clip;                            // surface DCs: visible area in surface coordinates
    std::optional<RECT> userClip;         // IntersectClipRect, logical coordinates
    HBITMAP bitmap = nullptr;
    HBRUSH brush = nullptr;
    HPEN pen = nullptr;
    HFONT font = nullptr;
    int bkMode = 2;  // OPAQUE
    COLORREF bkColor = 0xFFFFFF;
    COLORREF textColor = 0;
    int stretchMode = 1;  // BLACKONWHITE
    POINT pos;
};
