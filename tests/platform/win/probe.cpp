#include "tests/platform/win/probe.h"

#include <algorithm>

namespace wqtest {
namespace {

std::map<HWND, std::string> names;

}  // namespace

std::string NameOf(HWND hwnd) {
    if (!hwnd) return "0";
    auto it = names.find(hwnd);
    return it == names.end() ? "?" : it->second;
}

std::string Describe(UINT msg, WPARAM wParam, LPARAM lParam) {
    static const std::map<UINT, std::string> kNames = {
        {WM_PAINT, "paint"},     {WM_ERASEBKGND, "erase"},    {WM_CLOSE, "close"},
        {WM_DESTROY, "destroy"}, {WM_NCDESTROY, "ncdestroy"}, {WM_SIZE, "size"},
    };
    if (auto it = kNames.find(msg); it != kNames.end()) return it->second;
    const std::string w = std::to_string(wParam), lo = std::to_string(LOWORD(wParam));
    const std::string xy =
        std::to_string(GET_X_LPARAM(lParam)) + "," + std::to_string(GET_Y_LPARAM(lParam));
    if (msg == WM_WINDOWPOSCHANGED) return "poschanged";
    if (msg == WM_TIMER) return "timer " + w;
    if (msg == WM_ENABLE) return "enable " + w;
    if (msg == WM_LBUTTONDOWN) return "down " + xy;
    if (msg == WM_LBUTTONUP) return "up " + xy;
    if (msg == WM_MOUSEMOVE) return "mousemove " + xy;
    if (msg == WM_COMMAND) return "cmd " + lo + "/" + std::to_string(HIWORD(wParam));
    if (msg == WM_ACTIVATE) return "activate " + lo + " " + NameOf(reinterpret_cast<HWND>(lParam));
    return msg >= WM_USER && msg < WM_USER + 0x100 ? "user+" + std::to_string(msg - WM_USER) : "";
}

Probe::~Probe() {
    names.erase(m_hWnd);
}

bool Probe::CreateTop(int x, int y, int w, int h, bool visible, DWORD extraStyle) {
    const std::u16string title(name.begin(), name.end());
    return CreateEx(0, u"probe", title.c_str(), WS_POPUP | (visible ? WS_VISIBLE : 0) | extraStyle,
                    x, y, w, h, nullptr, nullptr);
}

bool Probe::CreateChild(CWnd& parent, int x, int y, int w, int h) {
    const std::u16string title(name.begin(), name.end());
    return Create(u"probe", title.c_str(), WS_CHILD | WS_VISIBLE, CRect(x, y, x + w, y + h),
                  &parent, 0);
}

LRESULT Probe::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) names[m_hWnd] = name;  // before creation returns
    const std::string d = Describe(msg, wParam, lParam);
    if (!d.empty() && log) log->push_back(name + ":" + d);
    if (auto it = on.find(msg); it != on.end() && it->second) return it->second(wParam, lParam);
    return CWnd::WindowProc(msg, wParam, lParam);
}

int Count(const Log& log, const std::string& entry) {
    return static_cast<int>(std::count(log.begin(), log.end(), entry));
}

int IndexOf(const Log& log, const std::string& entry) {
    auto it = std::find(log.begin(), log.end(), entry);
    return it == log.end() ? -1 : static_cast<int>(it - log.begin());
}

std::string Join(const Log& log) {
    std::string s;
    for (const auto& e : log) s += (s.empty() ? "" : " | ") + e;
    return s;
}

void Settle(Log& log) {
    wq::win::PumpPending();
    log.clear();
}

}  // namespace wqtest
