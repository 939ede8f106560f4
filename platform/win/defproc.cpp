// The default window procedure, the dialog manager's default handling and
// dialog units.
#include <algorithm>
#include <cstring>

#include "platform/gdi/gdi.h"
#include "platform/win/internal.h"

using namespace wq::win::detail;

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    switch (msg) {
        case WM_NCCREATE:
            return TRUE;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND: {
            if (!w->background || !wParam) return 0;  // no class brush: nothing erased
            RECT rc;
            GetClientRect(hwnd, &rc);
            FillRect(reinterpret_cast<HDC>(wParam), &rc, w->background);
            return 1;
        }
        case WM_CLOSE: {
            if (!w->isDialog) {
                DestroyWindow(hwnd);
                return 0;
            }
            // A dialog answers WM_CLOSE as if its Cancel button were clicked,
            // later, through the queue; a disabled Cancel control refuses.
            HWND cancel = GetDlgItem(hwnd, IDCANCEL);
            if (cancel && !IsWindowEnabled(cancel)) return 0;
            PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(cancel));
            return 0;
        }
        case WM_SETTEXT: {
            const auto* text = reinterpret_cast<LPCWSTR>(lParam);
            Withdraw(w);
            w->text = text ? text : u"";
            Publish(w);
            if (!w->parent && (w->style & WS_VISIBLE) && ThePresenter())
                ThePresenter()->WindowShown(hwnd);
            return TRUE;
        }
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<LPWSTR>(lParam);
            if (!buffer || wParam == 0) return 0;
            const size_t n = std::min<size_t>(w->text.size(), wParam - 1);
            std::copy_n(w->text.data(), n, buffer);
            buffer[n] = 0;
            return static_cast<LRESULT>(n);
        }
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(w->text.size());
        case WM_SETFONT:
            w->font = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(static_cast<std::uintptr_t>(lParam))) InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(w->font);
        case WM_INITDIALOG:
            return TRUE;
        default:
            return 0;
    }
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

BOOL EndDialog(HWND dialog, int result) {
    Window* w = Find(dialog);
    if (!w || !w->isDialog) return FALSE;  // other processes' windows and plain windows refuse
    w->result = result;
    w->ended = true;
    S().modalWake = true;
    // The owner is enabled before the dialog hides, so it can take the activation back.
    if (w->owner && Find(w->owner)) EnableWindow(w->owner, TRUE);
    if (Find(dialog)) ShowWindow(dialog, SW_HIDE);
    return TRUE;
}

namespace {

// Base units of the dialogs' font "System" 8: the average width of the
// alphabet and the cell height, measured with the real font renderer once.
SIZE BaseUnits() {
    static SIZE units = [] {
        SIZE u{6, 13};
        HDC dc = CreateCompatibleDC(nullptr);
        if (!dc) return u;
        HFONT font =
            CreateFontW(-MulDiv(8, 96, 72), 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, u"System");
        HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        TEXTMETRICW tm{};
        SIZE ext{};
        static const char16_t kAlphabet[] = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
        if (font && GetTextMetricsW(dc, &tm) && GetTextExtentPoint32W(dc, kAlphabet, 52, &ext) &&
            tm.tmHeight > 0 && ext.cx > 0) {
            u.cx = (ext.cx / 26 + 1) / 2;
            u.cy = tm.tmHeight;
        }
        if (old) SelectObject(dc, old);
        if (font) DeleteObject(font);
        DeleteDC(dc);
        return u;
    }();
    return units;
}

}  // namespace

BOOL MapDialogRect(HWND, LPRECT rect) {
    if (!rect) return FALSE;
    const SIZE u = BaseUnits();
    rect->left = MulDiv(rect->left, u.cx, 4);
    rect->right = MulDiv(rect->right, u.cx, 4);
    rect->top = MulDiv(rect->top, u.cy, 8);
    rect->bottom = MulDiv(rect->bottom, u.cy, 8);
    return TRUE;
}

LONG GetDialogBaseUnits() {
    const SIZE u = BaseUnits();
    return static_cast<LONG>(MAKELONG(static_cast<WORD>(u.cx), static_cast<WORD>(u.cy)));
}
