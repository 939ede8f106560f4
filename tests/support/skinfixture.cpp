#include "tests/support/skinfixture.h"

#include "platform/gdi/gdi.h"

namespace skintest {

BOOL OwnerWnd::CreateOwner(int w, int h) {
    return Create(u"SkinTestOwner", u"Owner", WS_POPUP | WS_VISIBLE, RECT{0, 0, w, h}, nullptr, 0);
}

LRESULT OwnerWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(&ps);
            if (skin) skin->Draw(dc, nullptr);
            EndPaint(&ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
            if (skin) skin->OnLButtonDown(CPoint(lParam));
            return 0;
        case WM_LBUTTONUP:
            if (skin) skin->OnLButtonUp(CPoint(lParam));
            return 0;
        case WM_MOUSEMOVE:
            if (skin) skin->OnMouseMove(CPoint(lParam));
            return 0;
        case WM_COMMAND:
            commands.push_back({LOWORD(wParam), HIWORD(wParam)});
            if (onCommand) onCommand(Command(commands.back()));
            return 0;
        default:
            return CWnd::WindowProc(msg, wParam, lParam);
    }
}

}  // namespace skintest
