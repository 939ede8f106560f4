// Drawing: device contexts over 32-bit surfaces with the framework's GDI calls
// at global scope and their usual signatures (strings are UTF-16, LPCWSTR).
// One include for every user of drawing.
//
// Guarantees:
// - Colours are COLORREF (0x00BBGGRR) at this API; surfaces hold 0x00RRGGBB.
// - Rectangles exclude their right and bottom edges (FillRect, clip, blits);
//   LineTo and Polyline leave their end point undrawn.
// - StretchBlt and the stretching inside TransparentImage are nearest
//   neighbour; TransparentImage compares the stretched source pixel with the
//   key exactly (surfaces are 32-bit, so only 0xFF00FF itself is transparent).
// - Text draws "&" literally (no prefix processing, with or without
//   DT_NOPREFIX); y is the top of the character cell.
// - A handle that was deleted or never made is refused (calls fail, return
//   0/NULL), never dereferenced.
// Thread: device contexts are made and used on the GUI thread only (checked in
// debug and sanitizer builds, see platform/base/guithread.h). Bitmaps, brushes,
// pens and fonts may be created and deleted on another thread, but one object
// is never used from two threads at once.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/gdi/surface.h"

// ---- object structures ------------------------------------------------------

struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;
    WORD bmPlanes = 0;
    WORD bmBitsPixel = 0;
    LPVOID bmBits = nullptr;
};

constexpr int LF_FACESIZE = 32;
struct LOGFONTW {
    LONG lfHeight = 0;
    LONG lfWidth = 0;
    LONG lfEscapement = 0;
    LONG lfOrientation = 0;
    LONG lfWeight = 0;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = 0;
    BYTE lfOutPrecision = 0;
    BYTE lfClipPrecision = 0;
    BYTE lfQuality = 0;
    BYTE lfPitchAndFamily = 0;
    WCHAR lfFaceName[LF_FACESIZE] = {};
};
using LOGFONT = LOGFONTW;

struct LOGPEN {
    UINT lopnStyle = 0;
    POINT lopnWidth;
    COLORREF lopnColor = 0;
};
struct LOGBRUSH {
    UINT lbStyle = 0;
    COLORREF lbColor = 0;
    LONG_PTR lbHatch = 0;
};

struct TEXTMETRICW {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    LONG tmOverhang = 0;
    LONG tmDigitizedAspectX = 96;
    LONG tmDigitizedAspectY = 96;
    WCHAR tmFirstChar = 0x20;
    WCHAR tmLastChar = 0xFFFF;
    WCHAR tmDefaultChar = 0x3F;
    WCHAR tmBreakChar = 0x20;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    BYTE tmPitchAndFamily = 0;
    BYTE tmCharSet = 0;
};
using TEXTMETRIC = TEXTMETRICW;

// ---- constants --------------------------------------------------------------

constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;
constexpr DWORD PATCOPY = 0x00F00021;

// Stretch modes (all stretching is nearest neighbour; the mode is recorded).
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
constexpr int BILINEAR = 5;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_GUI_FONT = 17;

// Pen styles.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_NULL = 5;

// Brush styles (LOGBRUSH.lbStyle).
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;

// GetObject types.
constexpr int OBJ_PEN = 1;
constexpr int OBJ_BRUSH = 2;
constexpr int OBJ_DC = 3;
constexpr int OBJ_FONT = 6;
constexpr int OBJ_BITMAP = 7;
constexpr int OBJ_MEMDC = 10;

// Font weights, character sets, pitch and family.
constexpr int FW_DONTCARE = 0;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE HANGUL_CHARSET = 129;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;
constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;

// DrawText formats.
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_EXPANDTABS = 0x0040;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_END_ELLIPSIS = 0x8000;

// ExtTextOut options (only ETO_OPAQUE and ETO_CLIPPED change anything).
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
constexpr UINT ETO_RTLREADING = 0x0080;
constexpr UINT ETO_IGNORELANGUAGE = 0x1000;

// Clip results.
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;

// GetDeviceCaps indexes.
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<std::intptr_t>(-1)))

// The handle objects need LOGFONTW above.
#include "platform/gdi/handles.h"  // IWYU pragma: export

// ---- device contexts --------------------------------------------------------

// A memory DC compatible with hdc (or the screen when NULL). It starts with a
// 1x1 monochrome bitmap selected, OPAQUE background mode, white background,
// black text, the system font, black pen and white brush.
HDC CreateCompatibleDC(HDC hdc);
// Deletes a memory DC; the objects selected into it are not deleted.
BOOL DeleteDC(HDC hdc);
int GetDeviceCaps(HDC hdc, int index);

// Selects a bitmap (memory DCs only), brush, pen or font; returns the object of
// the same type it replaced, NULL on error. A bitmap can be selected into one
// DC at a time.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
// Fails (FALSE) for an object still selected into a DC, a stock object (which
// is simply kept) or an unknown handle.
BOOL DeleteObject(HGDIOBJ h);
HGDIOBJ GetStockObject(int i);
// Copies the object's description (BITMAP, LOGFONTW, LOGPEN, LOGBRUSH) into
// pv; returns the bytes written, or the size needed when pv is NULL, 0 on error.
int GetObject(HGDIOBJ h, int c, LPVOID pv);
int GetObjectW(HGDIOBJ h, int c, LPVOID pv);
DWORD GetObjectType(HGDIOBJ h);
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);

// ---- bitmaps ----------------------------------------------------------------

// A bitmap compatible with hdc, zero-filled. On a memory DC that still holds
// its default bitmap the result is monochrome (reports bmBitsPixel 1, as the
// framework does); otherwise it has the screen depth, 32 bits.
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
// nBitCount 32 (lpBits: 0x00RRGGBB words, rows top-down) or 1 (monochrome,
// rows padded to 16 bits, set bit = white); lpBits may be NULL (zeroed).
HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits);

// ---- blits ------------------------------------------------------------------

// Copies w x h pixels; only the part inside both the source bitmap and the
// destination clip is changed. Raster ops: SRCCOPY, BLACKNESS, WHITENESS, PATCOPY.
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
// Maps the source rectangle onto the destination rectangle, nearest neighbour;
// negative extents mirror.
BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                int ySrc, int wSrc, int hSrc, DWORD rop);
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);

// Copies the source rectangle onto the destination rectangle (stretched first
// when the sizes differ), leaving a destination pixel untouched where the
// source pixel equals crTransparent. hSrc is an HDC or an HBITMAP that is not
// selected into any DC (cast to HANDLE).
BOOL TransparentImage(HDC hdcDest, LONG DstX, LONG DstY, LONG DstCx, LONG DstCy, HANDLE hSrc,
                      LONG SrcX, LONG SrcY, LONG SrcCx, LONG SrcCy, COLORREF TransparentColor);
BOOL TransparentBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                    int ySrc, int wSrc, int hSrc, UINT crTransparent);

// ---- brushes, pens, shapes, pixels --------------------------------------------

HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush);
// Fills [left, right) x [top, bottom); an empty or inverted rect draws nothing.
// The background mode does not matter.
int FillRect(HDC hdc, const RECT* lprc, HBRUSH hbr);
// One-pixel frame along the inside of the rectangle.
int FrameRect(HDC hdc, const RECT* lprc, HBRUSH hbr);
// Outline with the current pen, inside filled with the current brush.
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);

HPEN CreatePen(int iStyle, int cWidth, COLORREF color);
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
// Draws from the current position up to, not including, (x, y) and moves there.
BOOL LineTo(HDC hdc, int x, int y);
// Joins the points with the current pen; the last point stays undrawn. The
// current position is neither used nor changed.
BOOL Polyline(HDC hdc, const POINT* apt, int cpt);

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
// CLR_INVALID outside the DC's clip.
COLORREF GetPixel(HDC hdc, int x, int y);

// ---- clipping -----------------------------------------------------------------

// Narrows the DC's clip to the rectangle (logical coordinates); returns
// NULLREGION when nothing is left, SIMPLEREGION otherwise, ERROR on a bad DC.
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
// Removes the clip narrowing of IntersectClipRect.
int SelectClipRgn(HDC hdc, void* hrgn);
int GetClipBox(HDC hdc, LPRECT lprect);

// ---- DC attributes ------------------------------------------------------------

int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);

// ---- fonts and text -----------------------------------------------------------

// Fonts by face, height and weight. Height > 0 is the cell height (tmHeight),
// < 0 the em height, 0 the default size. The Korean faces "굴림" and "돋움체"
// render Hangul; a character the matched face lacks is taken from another
// installed font that has it.
HFONT CreateFontW(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                  DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                  DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily,
                  LPCWSTR pszFaceName);
HFONT CreateFont(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                 DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                 DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily,
                 LPCWSTR pszFaceName);
HFONT CreateFontIndirectW(const LOGFONTW* lplf);
HFONT CreateFontIndirect(const LOGFONTW* lplf);

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* lptm);
BOOL GetTextMetrics(HDC hdc, TEXTMETRICW* lptm);
// Extent of c UTF-16 units of lpString: cx the summed advances, cy tmHeight.
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, SIZE* psizl);
BOOL GetTextExtentPoint32(HDC hdc, LPCWSTR lpString, int c, SIZE* psizl);
// As above; *lpnFit (optional) gets how many units fit in nMaxExtent, and
// lpnDx (optional, cchString entries) the extent of the first i+1 units.
BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR lpszString, int cchString, int nMaxExtent, int* lpnFit,
                           int* lpnDx, SIZE* lpSize);
BOOL GetTextExtentExPoint(HDC hdc, LPCWSTR lpszString, int cchString, int nMaxExtent, int* lpnFit,
                          int* lpnDx, SIZE* lpSize);

// Draws c units at (x, y) = top-left of the cell. Options: ETO_OPAQUE fills
// *lprc with the background colour, ETO_CLIPPED clips the text to *lprc; any
// other flag is ignored. lpDx (optional) gives each unit's advance.
BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprc, LPCWSTR lpString, UINT c,
                 const int* lpDx);
BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* lprc, LPCWSTR lpString, UINT c,
                const int* lpDx);
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c);
BOOL TextOut(HDC hdc, int x, int y, LPCWSTR lpString, int c);
// Formats text in *lprc. cchText -1 means up to the terminating zero. Without
// DT_SINGLELINE, CR/LF start new lines; with it, DT_VCENTER and DT_BOTTOM place
// the line vertically. Clipped to *lprc unless DT_NOCLIP. Returns the height
// of the text drawn; DT_CALCRECT only measures (sets lprc's right and bottom).
// DT_WORDBREAK, DT_EXPANDTABS and DT_END_ELLIPSIS are accepted and ignored:
// lines are never wrapped or shortened.
int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format);
int DrawText(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format);

// ---- platform extras ------------------------------------------------------------

namespace wq::gdi {

// The surface a DC draws into (the selected bitmap's for memory DCs), or null.
Surface* GetDCSurface(HDC dc);
// The pixels of a bitmap, or null for an unknown handle.
Surface* GetBitmapSurface(HBITMAP bmp);

// Draws the rectangle src of surface `from` onto dest of hdc (logical
// coordinates), nearest neighbour. With `key` set, source pixels equal to *key
// (0x00RRGGBB) leave the destination alone. The image library draws its
// decoded pictures through this.
bool DrawSurface(HDC hdc, const RECT& dest, const Surface& from, const RECT& src,
                 const std::uint32_t* key = nullptr);

// Number of live DCs and objects (stock objects excluded); for leak checks in tests.
int LiveDCCount();
int LiveObjectCount();

}  // namespace wq::gdi
