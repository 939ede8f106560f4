// Window creation, destruction, the window tree and its geometry.
#include <algorithm>
#include <cstdio>

#include "platform/base/casefold.h"
#include "platform/win/internal.h"
#include "platform/win/remote.h"
#include "platform/win/threads.h"

namespace wq::win::detail {

State& TheState() {
    static State state;
    return state;
}

Window* Find(HWND hwnd, const SourcePlace& where) {
    auto& w = S(where).windows;
    if (!hwnd) return nullptr;
    auto it = w.find(Key(hwnd));
    return it == w.end() ? nullptr : it->second.get();
}

bool IsRemote(HWND hwnd) {
    return hwnd && S().remoteByHandle.count(Key(hwnd)) != 0;
}

std::uint64_t RemoteId(HWND hwnd) {
    auto it = S().remoteByHandle.find(Key(hwnd));
    return it == S().remoteByHandle.end() ? 0 : it->second;
}

HWND TopLevelOf(HWND hwnd) {
    Window* w = Find(hwnd);
    while (w && w->parent) w = Find(w->parent);
    return w ? w->handle : nullptr;
}

POINT SurfaceOrigin(HWND hwnd) {
    POINT p{0, 0};
    Window* w = Find(hwnd);
    while (w && w->parent) {
        p.x += w->rect.left;
        p.y += w->rect.top;
        w = Find(w->parent);
    }
    return p;
}

RECT VisibleSurfaceRect(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return RECT{};
    POINT o = SurfaceOrigin(hwnd);
    RECT r{o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
    for (Window* p = Find(w->parent); p; p = Find(p->parent)) {
        POINT po = SurfaceOrigin(p->handle);
        RECT pr{po.x, po.y, po.x + (p->rect.right - p->rect.left),
                po.y + (p->rect.bottom - p->rect.top)};
        IntersectRect(&r, &r, &pr);
    }
    return r;
}

void MarkDirty(HWND topLevel) {
    auto& d = S().dirty;
    if (topLevel && std::find(d.begin(), d.end(), topLevel) == d.end()) d.push_back(topLevel);
}

void Publish(Window* w) {
    wq::win::RemoteWindows* remote = wq::win::GetRemoteWindows();
    if (!remote || w->parent || w->text.empty()) return;
    remote->Publish(w->handle, w->text);
    w->published = true;
}

void Withdraw(Window* w) {
    wq::win::RemoteWindows* remote = wq::win::GetRemoteWindows();
    if (remote && w->published) remote->Withdraw(w->handle);
    w->published = false;
}

HWND CreateWindowInternal(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                          int y, int width, int height, HWND parent, UINT id, LPVOID param,
                          CWnd* object, bool isDialog) {
    BindGuiThread();
    State& s = S();
    const bool child = (style & WS_CHILD) != 0;
    if (child && !Find(parent)) return nullptr;  // a child needs a live parent
    auto w = std::make_unique<Window>();
    w->handle = reinterpret_cast<HWND>(s.nextHandle);
    s.nextHandle += 0x10;
    w->className = className ? className : u"";
    w->text = windowName ? windowName : u"";
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    w->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    w->id = child ? id : 0;
    w->object = object;
    w->isDialog = isDialog;
    auto cls = s.classes.find(wq::FoldCase(w->className));
    if (cls != s.classes.end()) {
        w->proc = cls->second.lpfnWndProc;
        w->background = cls->second.hbrBackground;
    }
    if (child) {
        w->parent = parent;
    } else {
        w->owner = parent ? TopLevelOf(parent) : nullptr;
        w->surface = std::make_unique<wq::gdi::Surface>();
        w->surface->Resize(std::max(width, 0), std::max(height, 0));
    }
    HWND h = w->handle;
    Window* raw = w.get();
    s.windows.emplace(Key(h), std::move(w));
    if (child) {
        Find(parent)->children.insert(Find(parent)->children.begin(), h);
    } else {
        s.topLevels.insert(s.topLevels.begin(), h);
    }
    if (object) ObjectAttached(object, h);

    CREATESTRUCTW cs;
    cs.lpCreateParams = param;
    cs.hMenu = reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id));
    cs.hwndParent = parent;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = raw->text.c_str();
    cs.lpszClass = raw->className.c_str();
    cs.dwExStyle = exStyle;
    if (!CallWindow(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) || !Find(h)) {
        if (Find(h)) DestroyWindow(h);
        return nullptr;
    }
    if (CallWindow(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1 || !Find(h)) {
        if (Find(h)) DestroyWindow(h);
        return nullptr;
    }
    if (!child) Publish(Find(h));
    if (style & WS_VISIBLE) ShowWindow(h, child ? SW_SHOWNA : SW_SHOW);
    return h;
}

}  // namespace wq::win::detail

using namespace wq::win::detail;

namespace {

void CollectTree(HWND h, std::vector<HWND>& out) {
    out.push_back(h);
    if (Window* w = Find(h)) {
        std::vector<HWND> kids = w->children;
        for (HWND c : kids) CollectTree(c, out);
    }
}

void SendDestroyTree(HWND h) {
    if (!Find(h)) return;
    CallWindow(h, WM_DESTROY, 0, 0);
    Window* w = Find(h);
    if (!w) return;
    std::vector<HWND> kids = w->children;
    for (HWND c : kids) {
        if (Window* cw = Find(c)) {
            cw->destroying = true;
            SendDestroyTree(c);
        }
    }
}

void NcDestroyTree(HWND h) {
    Window* w = Find(h);
    if (!w) return;
    std::vector<HWND> kids = w->children;
    for (HWND c : kids) NcDestroyTree(c);
    if (!Find(h)) return;
    CallWindow(h, WM_NCDESTROY, 0, 0);
    w = Find(h);
    if (!w) return;
    // Children created during WM_DESTROY are removed without messages.
    std::vector<HWND> late = w->children;
    for (HWND c : late) NcDestroyTree(c);
    CWnd* object = w->object;
    State& s = S();
    if (w->parent) {
        if (Window* p = Find(w->parent)) {
            auto& pc = p->children;
            pc.erase(std::remove(pc.begin(), pc.end(), h), pc.end());
        }
    } else {
        s.topLevels.erase(std::remove(s.topLevels.begin(), s.topLevels.end(), h),
                          s.topLevels.end());
        s.dirty.erase(std::remove(s.dirty.begin(), s.dirty.end(), h), s.dirty.end());
        ReleaseDCsOf(h);
    }
    if (s.focus == h) s.focus = nullptr;
    DropTemporary(h);
    s.windows.erase(Key(h));
    if (object) ObjectDetached(object);
}

}  // namespace

ATOM RegisterClassW(const WNDCLASSW* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpszClassName[0]) return 0;
    State& s = S();
    const std::u16string key = wq::FoldCase(wc->lpszClassName);
    s.classNames[key] = wc->lpszClassName;
    WNDCLASSW copy = *wc;
    copy.lpszClassName = s.classNames[key].c_str();
    s.classes[key] = copy;
    return static_cast<ATOM>(0xC000 + s.classes.size());
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU hMenu, HINSTANCE,
                     LPVOID param) {
    const UINT id = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(hMenu));
    return CreateWindowInternal(exStyle, className, windowName, style, x, y, width, height, parent,
                                id, param, nullptr, false);
}

BOOL DestroyWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w || w->destroying) return FALSE;
    w->destroying = true;
    State& s = S();
    // Owned windows go first.
    if (!w->parent) {
        std::vector<HWND> owned;
        for (HWND t : s.topLevels) {
            if (Window* tw = Find(t); tw && tw->owner == hwnd) owned.push_back(t);
        }
        for (HWND o : owned) DestroyWindow(o);
    }
    w = Find(hwnd);
    if (!w) return TRUE;
    std::vector<HWND> tree;
    CollectTree(hwnd, tree);
    for (HWND h : tree) {
        if (Window* tw = Find(h)) tw->destroying = true;
    }
    // Hide without the messages of ShowWindow, then hand activation on.
    const bool wasVisible = (w->style & WS_VISIBLE) != 0;
    w->style &= ~WS_VISIBLE;
    if (!w->parent) {
        Withdraw(w);
        if (wasVisible && ThePresenter()) ThePresenter()->WindowHidden(hwnd);
        ActivateAfterHide(hwnd);
    } else if (wasVisible) {
        RECT r = w->rect;
        InvalidateInternal(w->parent, &r, true);
    }
    for (HWND h : tree) {
        if (s.capture == h) ReleaseCapture();
        DropWindowMessages(h);
    }
    SendDestroyTree(hwnd);
    for (HWND h : tree) DropWindowMessages(h);  // anything WM_DESTROY handlers queued
    NcDestroyTree(hwnd);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    return (Find(hwnd) || IsRemote(hwnd)) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    for (; w; w = Find(w->parent)) {
        if (!(w->style & WS_VISIBLE)) return FALSE;
    }
    return TRUE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    Window* w = Find(hwnd);
    return (w && !(w->style & WS_DISABLED)) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    const bool wasDisabled = (w->style & WS_DISABLED) != 0;
    if (enable && wasDisabled) {
        w->style &= ~WS_DISABLED;
        CallWindow(hwnd, WM_ENABLE, TRUE, 0);
    } else if (!enable && !wasDisabled) {
        w->style |= WS_DISABLED;
        State& s = S();
        if (s.capture == hwnd) ReleaseCapture();
        CallWindow(hwnd, WM_ENABLE, FALSE, 0);
    }
    return wasDisabled ? TRUE : FALSE;
}

BOOL ShowWindow(HWND hwnd, int cmd) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    const bool was = (w->style & WS_VISIBLE) != 0;
    const bool show = cmd != SW_HIDE;
    if (show != was) {
        CallWindow(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        w = Find(hwnd);
        if (!w) return was ? TRUE : FALSE;
        if (show) {
            w->style |= WS_VISIBLE;
            InvalidateInternal(hwnd, nullptr, true);
            if (!w->parent && ThePresenter()) ThePresenter()->WindowShown(hwnd);
            if (!w->parent) MarkDirty(hwnd);
        } else {
            w->style &= ~WS_VISIBLE;
            w->update = RECT{};
            w->erase = false;
            if (w->parent) {
                RECT r = w->rect;
                InvalidateInternal(w->parent, &r, true);
            } else {
                if (ThePresenter()) ThePresenter()->WindowHidden(hwnd);
                ActivateAfterHide(hwnd);
            }
        }
    }
    w = Find(hwnd);
    if (w && show && !w->parent && (cmd == SW_SHOW || cmd == SW_SHOWNORMAL)) {
        BringWindowToTop(hwnd);
        if (!(w->style & WS_DISABLED)) Activate(hwnd, WA_ACTIVE);
    }
    return was ? TRUE : FALSE;
}

HWND GetParent(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return nullptr;
    return w->parent ? w->parent : w->owner;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
    Window* w = Find(hwnd);
    if (!w) return nullptr;
    if (cmd == GW_OWNER) return w->owner;
    if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
    if (cmd == GW_HWNDNEXT) {
        const std::vector<HWND>& list = w->parent ? Find(w->parent)->children : S().topLevels;
        auto it = std::find(list.begin(), list.end(), hwnd);
        if (it != list.end() && ++it != list.end()) return *it;
    }
    return nullptr;
}

HWND GetDlgItem(HWND dialog, int id) {
    Window* w = Find(dialog);
    if (!w) return nullptr;
    for (HWND c : w->children) {
        if (Window* cw = Find(c); cw && static_cast<int>(cw->id) == id) return c;
    }
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
    Window* w = Find(hwnd);
    return w ? static_cast<int>(w->id) : 0;
}

LONG GetWindowLongW(HWND hwnd, int index) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    switch (index) {
        case GWL_STYLE:
            return static_cast<LONG>(w->style);
        case GWL_EXSTYLE:
            return static_cast<LONG>(w->exStyle);
        case GWL_ID:
            return static_cast<LONG>(w->id);
        default:
            return 0;
    }
}

LONG SetWindowLongW(HWND hwnd, int index, LONG value) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    LONG old = GetWindowLongW(hwnd, index);
    switch (index) {
        // Visibility and enabling keep going through ShowWindow and EnableWindow.
        case GWL_STYLE:
            w->style = (static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_DISABLED)) |
                       (w->style & (WS_VISIBLE | WS_DISABLED));
            break;
        case GWL_EXSTYLE:
            w->exStyle = static_cast<DWORD>(value);
            break;
        case GWL_ID:
            w->id = static_cast<UINT>(value);
            break;
        default:
            return 0;
    }
    return old;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
    if (!Find(hwnd)) return FALSE;
    return static_cast<BOOL>(
        CallWindow(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : u"")));
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount) {
    if (!Find(hwnd) || !buffer || maxCount <= 0) return 0;
    return static_cast<int>(CallWindow(hwnd, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                                       reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND hwnd) {
    if (!Find(hwnd)) return 0;
    return static_cast<int>(CallWindow(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    Window* w = Find(hwnd);
    if (!w || !rect) return FALSE;
    *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    Window* w = Find(hwnd);
    if (!w || !rect) return FALSE;
    POINT o{0, 0};
    ClientToScreen(hwnd, &o);
    *rect =
        RECT{o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT p) {
    Window* w = Find(hwnd);
    if (!w || !p) return FALSE;
    for (; w; w = Find(w->parent)) {
        p->x += w->rect.left;
        p->y += w->rect.top;
    }
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT p) {
    POINT o{0, 0};
    if (!p || !ClientToScreen(hwnd, &o)) return FALSE;
    p->x -= o.x;
    p->y -= o.y;
    return TRUE;
}

namespace {

// Moves and sizes with the messages of a position change; returns false when the window vanished.
bool Reposition(HWND hwnd, int x, int y, int cx, int cy, UINT flags) {
    Window* w = Find(hwnd);
    if (!w) return false;
    WINDOWPOS pos{hwnd, nullptr, x, y, cx, cy, flags};
    CallWindow(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    w = Find(hwnd);
    if (!w) return false;
    const RECT old = w->rect;
    RECT r = old;
    if (!(flags & SWP_NOMOVE)) {
        r.right = pos.x + (old.right - old.left);
        r.bottom = pos.y + (old.bottom - old.top);
        r.left = pos.x;
        r.top = pos.y;
    }
    if (!(flags & SWP_NOSIZE)) {
        r.right = r.left + std::max(pos.cx, 0);
        r.bottom = r.top + std::max(pos.cy, 0);
    }
    const bool moved = r.left != old.left || r.top != old.top;
    const bool sized = (r.right - r.left) != (old.right - old.left) ||
                       (r.bottom - r.top) != (old.bottom - old.top);
    w->rect = r;
    if (sized && w->surface) {
        // Keep the valid bits that still fit.
        wq::gdi::Surface next;
        next.Resize(r.right - r.left, r.bottom - r.top);
        if (!(flags & SWP_NOCOPYBITS)) {
            const int cw = std::min(next.width, w->surface->width);
            const int ch = std::min(next.height, w->surface->height);
            for (int yy = 0; yy < ch; ++yy) {
                std::copy_n(w->surface->pixels.begin() + static_cast<long>(yy) * w->surface->width,
                            cw, next.pixels.begin() + static_cast<long>(yy) * next.width);
            }
        }
        w->surface->width = next.width;
        w->surface->height = next.height;
        w->surface->pixels.swap(next.pixels);
    }
    const bool visible = IsWindowVisible(hwnd) != 0;
    if ((moved || sized) && visible && !(flags & SWP_NOREDRAW)) {
        InvalidateInternal(hwnd, nullptr, true);
        if (w->parent) {
            RECT exposed = old;
            InvalidateInternal(w->parent, &exposed, true);
        }
    }
    if (!w->parent && (moved || sized) && visible && ThePresenter())
        ThePresenter()->WindowShown(hwnd);
    pos.x = r.left;
    pos.y = r.top;
    pos.cx = r.right - r.left;
    pos.cy = r.bottom - r.top;
    CallWindow(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    if (moved && Find(hwnd)) CallWindow(hwnd, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
    if (sized && Find(hwnd)) CallWindow(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(pos.cx, pos.cy));
    return Find(hwnd) != nullptr;
}

}  // namespace

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL bRepaint) {
    if (!Find(hwnd)) return FALSE;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW);
    return Reposition(hwnd, x, y, width, height, flags) ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    if (IsRemote(hwnd)) return RaiseRemote(hwnd, flags);
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
        if (!Reposition(hwnd, x, y, cx, cy, flags | SWP_NOZORDER)) return FALSE;
    }
    if (!(flags & SWP_NOZORDER) && (insertAfter == HWND_TOP)) BringWindowToTop(hwnd);
    if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, SW_SHOWNA);
    if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
    w = Find(hwnd);
    if (w && !w->parent && !(flags & SWP_NOACTIVATE) && IsWindowVisible(hwnd) &&
        !(w->style & WS_DISABLED)) {
        Activate(hwnd, WA_ACTIVE);
    }
    return Find(hwnd) ? TRUE : FALSE;
}

BOOL BringWindowToTop(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    std::vector<HWND>& list = w->parent ? Find(w->parent)->children : S().topLevels;
    list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
    list.insert(list.begin(), hwnd);
    if (w->parent && IsWindowVisible(hwnd)) InvalidateInternal(hwnd, nullptr, true);
    return TRUE;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    State& s = S();
    for (HWND t : s.topLevels) {
        Window* w = Find(t);
        if (!w || w->destroying) continue;
        if (windowName && !wq::EqualsNoCase(w->text, windowName)) continue;
        if (className && !wq::EqualsNoCase(w->className, className)) continue;
        return t;
    }
    wq::win::RemoteWindows* remote = wq::win::GetRemoteWindows();
    if (!remote || !windowName || className) return nullptr;
    std::uint64_t id = remote->Find(windowName);
    if (id == 0) return nullptr;
    auto it = s.remoteById.find(id);
    if (it != s.remoteById.end()) return it->second;
    HWND h = reinterpret_cast<HWND>(s.nextHandle);
    s.nextHandle += 0x10;
    s.remoteById[id] = h;
    s.remoteByHandle[Key(h)] = id;
    return h;
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    long long v = static_cast<long long>(number) * numerator;
    long long half = (denominator < 0 ? -denominator : denominator) / 2;
    long long r =
        ((v < 0) != (denominator < 0)) ? (v - half) / denominator : (v + half) / denominator;
    return static_cast<int>(r);
}

DWORD GetCurrentThreadId() {
    return static_cast<DWORD>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
}

namespace wq::win {

bool IsGuiThread() {
    return wq::IsGuiThread();
}

std::vector<HWND> TopLevelWindows() {
    return S().topLevels;
}

const wq::gdi::Surface* GetWindowSurface(HWND topLevel) {
    Window* w = Find(topLevel);
    return (w && w->surface) ? w->surface.get() : nullptr;
}

}  // namespace wq::win
