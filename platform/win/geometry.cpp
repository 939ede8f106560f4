#include "platform/win/geometry.h"

#include <algorithm>

namespace {
bool EmptyRect(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}
}  // namespace

void CRect::NormalizeRect() {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
}

BOOL CRect::IntersectRect(LPCRECT a, LPCRECT b) {
    return ::IntersectRect(this, a, b);
}
BOOL CRect::UnionRect(LPCRECT a, LPCRECT b) {
    return ::UnionRect(this, a, b);
}

BOOL SetRect(LPRECT r, int left, int top, int right, int bottom) {
    if (!r) return FALSE;
    *r = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT r) {
    return SetRect(r, 0, 0, 0, 0);
}
BOOL IsRectEmpty(LPCRECT r) {
    return (!r || EmptyRect(*r)) ? TRUE : FALSE;
}

BOOL PtInRect(LPCRECT r, POINT p) {
    return (r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom) ? TRUE
                                                                                       : FALSE;
}

BOOL OffsetRect(LPRECT r, int dx, int dy) {
    if (!r) return FALSE;
    r->left += dx;
    r->right += dx;
    r->top += dy;
    r->bottom += dy;
    return TRUE;
}

BOOL InflateRect(LPRECT r, int dx, int dy) {
    if (!r) return FALSE;
    r->left -= dx;
    r->right += dx;
    r->top -= dy;
    r->bottom += dy;
    return TRUE;
}

BOOL IntersectRect(LPRECT out, LPCRECT a, LPCRECT b) {
    if (!out || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (EmptyRect(r)) {
        *out = RECT{};
        return FALSE;
    }
    *out = r;
    return TRUE;
}

BOOL UnionRect(LPRECT out, LPCRECT a, LPCRECT b) {
    if (!out || !a || !b) return FALSE;
    const bool ea = EmptyRect(*a), eb = EmptyRect(*b);
    if (ea && eb) {
        *out = RECT{};
        return FALSE;
    }
    if (ea) {
        *out = *b;
        return TRUE;
    }
    if (eb) {
        *out = *a;
        return TRUE;
    }
    *out = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom)};
    return TRUE;
}

BOOL EqualRect(LPCRECT a, LPCRECT b) {
    return (a && b && a->left == b->left && a->top == b->top && a->right == b->right &&
            a->bottom == b->bottom)
               ? TRUE
               : FALSE;
}

BOOL CopyRect(LPRECT out, LPCRECT in) {
    if (!out || !in) return FALSE;
    *out = *in;
    return TRUE;
}
