// CPoint, CSize and CRect: the framework's value classes over POINT, SIZE and RECT.
// Rectangles exclude their right and bottom edges.
#pragma once

#include "platform/base/wintypes.h"

class CPoint : public POINT {
public:
    CPoint() = default;
    CPoint(int ix, int iy) {
        x = ix;
        y = iy;
    }
    CPoint(POINT p) {
        x = p.x;
        y = p.y;
    }
    // From a mouse-message lParam: sign-extended x in the low word, y in the high word.
    explicit CPoint(LPARAM lp) {
        x = GET_X_LPARAM(lp);
        y = GET_Y_LPARAM(lp);
    }
    void Offset(int dx, int dy) {
        x += dx;
        y += dy;
    }
    bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
    bool operator!=(const CPoint& o) const { return !(*this == o); }
    CPoint operator+(POINT o) const { return CPoint(x + o.x, y + o.y); }
    CPoint operator-(POINT o) const { return CPoint(x - o.x, y - o.y); }
};

class CSize : public SIZE {
public:
    CSize() = default;
    CSize(int w, int h) {
        cx = w;
        cy = h;
    }
    CSize(SIZE s) {
        cx = s.cx;
        cy = s.cy;
    }
    bool operator==(const CSize& o) const { return cx == o.cx && cy == o.cy; }
};

class CRect : public RECT {
public:
    CRect() = default;
    CRect(int l, int t, int r, int b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    CRect(const RECT& r) {
        left = r.left;
        top = r.top;
        right = r.right;
        bottom = r.bottom;
    }
    CRect(const RECT* r) : CRect(r ? *r : RECT{}) {}
    CRect(POINT p, SIZE s) : CRect(p.x, p.y, p.x + s.cx, p.y + s.cy) {}

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
    // Empty when it has no area (zero or negative width or height).
    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool PtInRect(POINT p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    void SetRect(int l, int t, int r, int b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    void OffsetRect(int dx, int dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
    void InflateRect(int dx, int dy) {
        left -= dx;
        right += dx;
        top -= dy;
        bottom += dy;
    }
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    void NormalizeRect();
    // Intersection; an empty result is set to all zeros. Returns non-zero when not empty.
    BOOL IntersectRect(LPCRECT a, LPCRECT b);
    // Bounding box of the two; empty inputs are ignored.
    BOOL UnionRect(LPCRECT a, LPCRECT b);
    bool EqualRect(LPCRECT r) const {
        return r && left == r->left && top == r->top && right == r->right && bottom == r->bottom;
    }
    // The CRect overload keeps CRect == CRect a single best match in C++20,
    // where the reversed RECT comparison would otherwise compete with it.
    bool operator==(const CRect& r) const { return EqualRect(&r); }
    bool operator==(const RECT& r) const { return EqualRect(&r); }
    bool operator!=(const RECT& r) const { return !EqualRect(&r); }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
};

// The Win32 rectangle helpers over plain RECTs.
BOOL SetRect(LPRECT r, int left, int top, int right, int bottom);
BOOL SetRectEmpty(LPRECT r);
BOOL IsRectEmpty(LPCRECT r);
BOOL PtInRect(LPCRECT r, POINT p);
BOOL OffsetRect(LPRECT r, int dx, int dy);
BOOL InflateRect(LPRECT r, int dx, int dy);
BOOL IntersectRect(LPRECT out, LPCRECT a, LPCRECT b);
BOOL UnionRect(LPRECT out, LPCRECT a, LPCRECT b);
BOOL EqualRect(LPCRECT a, LPCRECT b);
BOOL CopyRect(LPRECT out, LPCRECT in);
