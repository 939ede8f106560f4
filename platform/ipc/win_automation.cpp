#include "platform/ipc/win_automation.h"

#include <cxxabi.h>
#include <glib.h>
#include <glib/gstdio.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <typeinfo>

#include "platform/base/casefold.h"
#include "platform/gdi/surface.h"
#include "platform/ipc/json.h"
#include "platform/ipc/state.h"
#include "platform/skin/skinlistbox.h"
#include "platform/win/presenter.h"
#include "platform/win/winapi.h"
#include "platform/win/wnd.h"

namespace wq::ipc {
namespace {

ControlLister& Lister() {
    static ControlLister lister;
    return lister;
}

// Pen moves of a drag are this many pixels apart at most, so a control sees
// the path and not one jump.
constexpr int kDragStep = 8;

std::u16string TextOf(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::u16string text(static_cast<size_t>(n) + 1, u'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), n + 1)));
    return text;
}

// Handles the queued pen input now, as the loop would: input and what it
// sends, but no posted messages, paints or timers.
void PumpInput() {
    MSG msg;
    for (int guard = 0;
         guard < 1000 && PeekMessageW(&msg, nullptr, WM_MOUSEMOVE, WM_LBUTTONDBLCLK, PM_REMOVE);
         ++guard) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Pen(HWND top, UINT msg, POINT at) {
    wq::win::QueueMouseInput(top, msg, at);
    PumpInput();
}

// The C++ class of the window's object ("CSkinListBox"), empty without one.
std::string ClassOf(HWND hwnd) {
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (!wnd) return {};
    const char* mangled = typeid(*wnd).name();
    int status = 0;
    char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && plain ? plain : mangled;
    std::free(plain);
    return name;
}

void Colour(JsonWriter& j, COLORREF c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    j.Value(buf);
}

void Rect(JsonWriter& j, const RECT& r) {
    j.BeginArray().Value(static_cast<long long>(r.left)).Value(static_cast<long long>(r.top));
    j.Value(static_cast<long long>(r.right)).Value(static_cast<long long>(r.bottom)).EndArray();
}

void Controls(JsonWriter& j, HWND hwnd) {
    if (!Lister()) return;
    const std::vector<ControlState> controls = Lister()(hwnd);
    if (controls.empty()) return;
    j.Key("controls").BeginArray();
    for (const auto& c : controls) {
        j.BeginObject().Key("id").Value(c.id).Key("kind").Value(c.kind).Key("rect");
        Rect(j, c.rect);
        if (c.pos) j.Key("pos").Value(*c.pos);
        if (!c.picture.empty()) j.Key("picture").Value(c.picture);
        j.EndObject();
    }
    j.EndArray();
}

void Describe(JsonWriter& j, HWND hwnd, HWND top, int depth) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ScreenToClient(top, &a);
    ScreenToClient(top, &b);
    j.BeginObject();
    j.Key("name").Value(std::u16string_view(TextOf(hwnd)));
    j.Key("id").Value(GetDlgCtrlID(hwnd));
    j.Key("class").Value(ClassOf(hwnd));
    j.Key("rect");
    Rect(j, RECT{a.x, a.y, b.x, b.y});
    j.Key("visible").Value(IsWindowVisible(hwnd) != FALSE);
    j.Key("text").Value(std::u16string_view(TextOf(hwnd)));
    if (auto* list = dynamic_cast<CSkinListBox*>(CWnd::FromHandlePermanent(hwnd))) {
        j.Key("rows").BeginArray();
        for (int i = 0; i < list->GetCount(); ++i) {
            CString text;
            list->GetText(i, text);
            j.BeginObject().Key("text").Value(std::u16string_view(text.str())).Key("color");
            Colour(j, list->GetItemColor(i));
            j.EndObject();
        }
        j.EndArray();
        j.Key("selection").Value(list->GetCurSel());
    }
    Controls(j, hwnd);
    if (depth < 16) {
        j.Key("children").BeginArray();
        for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            Describe(j, child, top, depth + 1);
        j.EndArray();
    }
    j.EndObject();
}

}  // namespace

void SetControlLister(ControlLister lister) {
    Lister() = std::move(lister);
}

HWND LocalTopLevel(std::u16string_view name) {
    for (HWND hwnd : wq::win::TopLevelWindows())
        if (name.empty() || EqualsNoCase(TextOf(hwnd), name)) return hwnd;
    return nullptr;
}

bool WinAutomation::Tap(std::u16string_view window, POINT at) {
    HWND top = LocalTopLevel(window);
    if (!top) return false;
    Pen(top, WM_LBUTTONDOWN, at);
    Pen(top, WM_LBUTTONUP, at);
    return true;
}

bool WinAutomation::Drag(std::u16string_view window, POINT from, POINT to) {
    HWND top = LocalTopLevel(window);
    if (!top) return false;
    Pen(top, WM_LBUTTONDOWN, from);
    const int dx = to.x - from.x, dy = to.y - from.y;
    const int steps =
        std::max(1, (std::max(std::abs(dx), std::abs(dy)) + kDragStep - 1) / kDragStep);
    for (int i = 1; i <= steps; ++i)
        Pen(top, WM_MOUSEMOVE, POINT{from.x + dx * i / steps, from.y + dy * i / steps});
    Pen(top, WM_LBUTTONUP, to);
    return true;
}

std::vector<std::uint8_t> WinAutomation::Screenshot(std::u16string_view window) {
    HWND top = LocalTopLevel(window);
    if (!top) return {};
    UpdateWindow(top);  // pending paints first, so the picture is current
    const gdi::Surface* surface = wq::win::GetWindowSurface(top);
    if (!surface || surface->width <= 0 || surface->height <= 0) return {};
    gchar* path = nullptr;
    const int fd = g_file_open_tmp("wqshot-XXXXXX.png", &path, nullptr);
    if (fd < 0) return {};
    g_close(fd, nullptr);
    std::vector<std::uint8_t> png;
    if (gdi::SavePng(*surface, path)) {
        std::ifstream in(path, std::ios::binary);
        png.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    g_unlink(path);
    g_free(path);
    return png;
}

std::string WinAutomation::State(std::u16string_view window) {
    HWND top = LocalTopLevel(window);
    if (!top) return {};
    JsonWriter j;
    Describe(j, top, top, 0);
    return j.str();
}

}  // namespace wq::ipc
