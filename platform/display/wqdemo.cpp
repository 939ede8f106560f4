// A small program that shows the platform layer at work: a 480 x 234 window
// drawn with GDI (bands, a line and Korean text), clicks drawn as dots, and
// closing through the window. Used by scripts/run.sh while the player is not built.
//
//   wqdemo [--headless] [--scale N] [--screenshot FILE.png]
#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "platform/win/afxwin.h"

namespace {

std::vector<POINT> g_clicks;

void Draw(HWND hwnd, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    static const COLORREF kBands[] = {RGB(20, 30, 60), RGB(30, 60, 110), RGB(40, 90, 160)};
    for (int i = 0; i < 3; ++i) {
        RECT band{0, rc.bottom * i / 3, rc.right, rc.bottom * (i + 1) / 3};
        HBRUSH b = CreateSolidBrush(kBands[i]);
        FillRect(dc, &band, b);
        DeleteObject(b);
    }
    HPEN pen = CreatePen(0, 1, RGB(255, 200, 0));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, 10, rc.bottom - 10, nullptr);
    LineTo(dc, rc.right - 10, 10);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    HFONT font = CreateFontW(24, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 32, u"돋움체");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, 1);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT text{0, 90, rc.right, 130};
    DrawTextW(dc, u"wqaudio 플랫폼 데모", -1, &text, 0x21);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    HBRUSH dot = CreateSolidBrush(RGB(255, 0, 0));
    for (POINT p : g_clicks) {
        RECT r{p.x - 2, p.y - 2, p.x + 3, p.y + 3};
        FillRect(dc, &r, dot);
    }
    DeleteObject(dot);
}

LRESULT CALLBACK_DemoProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            Draw(hwnd, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_LBUTTONDOWN:
            g_clicks.push_back(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int Usage() {
    std::fprintf(stderr, "usage: wqdemo [--headless] [--scale N] [--screenshot FILE.png]\n");
    return 2;
}

int main(int argc, char** argv) {
    wq::display::Options options;
    std::string screenshotPath;
    static const option kLong[] = {{"headless", no_argument, nullptr, 'H'},
                                   {"scale", required_argument, nullptr, 's'},
                                   {"screenshot", required_argument, nullptr, 'o'},
                                   {nullptr, 0, nullptr, 0}};
    opterr = 0;
    for (int c; (c = getopt_long(argc, argv, ":", kLong, nullptr)) != -1;) {
        if (c == 'H') {
            options.headless = true;
        } else if (c == 's') {
            char* end = nullptr;
            const long scale = std::strtol(optarg, &end, 10);
            if (*optarg == '\0' || *end != '\0' || scale < wq::display::kMinScale ||
                scale > wq::display::kMaxScale)
                return Usage();
            options.scale = static_cast<int>(scale);
        } else if (c == 'o') {
            screenshotPath = optarg;
        } else {
            return Usage();
        }
    }
    if (optind < argc) return Usage();
    std::string error;
    auto presenter = wq::display::CreatePresenter(options, &error);
    if (!presenter) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    WNDCLASSW wc;
    wc.lpfnWndProc = CALLBACK_DemoProc;
    wc.lpszClassName = u"WQDemo";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, u"WQDemo", u"WQDemo", WS_POPUP | WS_VISIBLE, 0, 0, 480, 234,
                                nullptr, nullptr, nullptr, nullptr);
    if (!hwnd) {
        std::fprintf(stderr, "wqdemo: the window could not be created\n");
        return 1;
    }
    wq::win::SetKeyHook([hwnd](const char* key, bool down) {
        if (down && std::string(key) == "Escape") PostMessageW(hwnd, WM_CLOSE, 0, 0);
    });
    if (options.headless || !screenshotPath.empty()) {
        // One frame: paint, optionally save it, and end.
        UpdateWindow(hwnd);
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE) && m.message != WM_QUIT)
            DispatchMessageW(&m);
        int code = 0;
        if (!screenshotPath.empty()) {
            if (wq::display::SaveWindowPng(hwnd, screenshotPath, &error)) {
                std::printf("wqdemo: saved %s\n", screenshotPath.c_str());
            } else {
                std::fprintf(stderr, "wqdemo: %s\n", error.c_str());
                code = 1;
            }
        }
        DestroyWindow(hwnd);
        return code;
    }
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return static_cast<int>(m.wParam);
}
