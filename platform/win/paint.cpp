// Update regions and painting. An update region is kept as its bounding box;
// erasing is sticky; children draw into their top-level window's surface.
#include <algorithm>

#include "platform/win/internal.h"

namespace wq::win::detail {

namespace {

bool Empty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

RECT ClientOf(const Window* w) {
    return RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
}

HDC MakeDC(HWND hwnd, const RECT* clipClient) {
    HWND top = TopLevelOf(hwnd);
    Window* tw = Find(top);
    if (!tw || !tw->surface) return nullptr;
    POINT origin = SurfaceOrigin(hwnd);
    RECT clip = VisibleSurfaceRect(hwnd);
    if (clipClient) {
        RECT c = *clipClient;
        OffsetRect(&c, origin.x, origin.y);
        IntersectRect(&clip, &clip, &c);
    }
    HDC dc = wq::gdi::CreateSurfaceDC(tw->surface.get(), origin, clip);
    if (dc) S().liveDCs[dc] = top;
    return dc;
}

}  // namespace

void InvalidateInternal(HWND hwnd, const RECT* rect, bool erase) {
    Window* w = Find(hwnd);
    if (!w || !IsWindowVisible(hwnd)) return;
    RECT client = ClientOf(w);
    RECT r = client;
    if (rect) IntersectRect(&r, rect, &client);
    if (Empty(r)) return;
    UnionRect(&w->update, &w->update, &r);
    w->erase = w->erase || erase;
    if (w->style & WS_CLIPCHILDREN) return;
    // Without WS_CLIPCHILDREN the parent's paint covers its children, so each
    // overlapped child repaints (always with erase) after the parent.
    std::vector<HWND> kids = w->children;
    for (HWND c : kids) {
        Window* cw = Find(c);
        if (!cw || !(cw->style & WS_VISIBLE)) continue;
        RECT overlap;
        if (!IntersectRect(&overlap, &r, &cw->rect)) continue;
        OffsetRect(&overlap, -cw->rect.left, -cw->rect.top);
        InvalidateInternal(c, &overlap, true);
    }
}

void ReleaseDCsOf(HWND topLevel) {
    auto& dcs = S().liveDCs;
    for (auto it = dcs.begin(); it != dcs.end();) {
        if (it->second == topLevel) {
            wq::gdi::DeleteSurfaceDC(it->first);
            it = dcs.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace wq::win::detail

using namespace wq::win::detail;

BOOL InvalidateRect(HWND hwnd, LPCRECT rect, BOOL erase) {
    if (!Find(hwnd)) return FALSE;
    InvalidateInternal(hwnd, rect, erase != FALSE);
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, LPCRECT rect) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    if (!rect) {
        w->update = RECT{};
        w->erase = false;
        return TRUE;
    }
    // A bounding box shrinks only when a validated band covers it across.
    RECT& u = w->update;
    if (rect->left <= u.left && rect->right >= u.right) {
        if (rect->top <= u.top && rect->bottom >= u.bottom) {
            u = RECT{};
        } else if (rect->top <= u.top && rect->bottom > u.top) {
            u.top = rect->bottom;
        } else if (rect->bottom >= u.bottom && rect->top < u.bottom) {
            u.bottom = rect->top;
        }
    } else if (rect->top <= u.top && rect->bottom >= u.bottom) {
        if (rect->left <= u.left && rect->right > u.left) {
            u.left = rect->right;
        } else if (rect->right >= u.right && rect->left < u.right) {
            u.right = rect->left;
        }
    }
    if (u.right <= u.left || u.bottom <= u.top) {
        u = RECT{};
        w->erase = false;
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    if (rect) *rect = w->update;
    return (w->update.right > w->update.left && w->update.bottom > w->update.top) ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    if (IsWindowVisible(hwnd) && w->update.right > w->update.left &&
        w->update.bottom > w->update.top) {
        CallWindow(hwnd, WM_PAINT, 0, 0);
    }
    w = Find(hwnd);
    if (!w) return TRUE;
    std::vector<HWND> kids = w->children;
    for (HWND c : kids) UpdateWindow(c);
    return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
    Window* w = Find(hwnd);
    if (!w || !ps) return nullptr;
    *ps = PAINTSTRUCT{};
    RECT update = w->update;
    const bool erase = w->erase;
    HDC dc = MakeDC(hwnd, &update);
    ps->hdc = dc;
    ps->rcPaint = update;
    if (erase) {
        w->erase = false;
        ps->fErase =
            CallWindow(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    }
    if ((w = Find(hwnd))) {
        w->update = RECT{};
        w->erase = false;
    }
    return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
    if (ps && ps->hdc) ReleaseDC(hwnd, ps->hdc);
    return TRUE;
}

HDC GetDC(HWND hwnd) {
    if (!Find(hwnd)) return nullptr;
    return MakeDC(hwnd, nullptr);
}

int ReleaseDC(HWND, HDC dc) {
    auto& dcs = S().liveDCs;
    auto it = dcs.find(dc);
    if (it == dcs.end()) return 0;
    MarkDirty(it->second);
    wq::gdi::DeleteSurfaceDC(dc);
    dcs.erase(it);
    return 1;
}
