#include "tests/platform/win/probe.h"

#include <algorithm>

namespace wqtest {
namespace {

std::map<HWND, std::string>& Names() {
    static std::map<HWND, std::string> names;
    return names;
}

}  // namespace

std::string NameOf(HWND hwnd) {
    if (!hwnd) return "0";
    auto it = Names().find(hwnd);
    return it == Names().end() ? "?" : it->second;
}

std::string Describe(UINT msg, WPARAM wParam, LPARAM lParam) {
    static const std::map<UINT, std::string> kNames = {
        {WM_PAINT, "paint"},         {WM_ERASEBKGND, "erase"},
        {WM_CLOSE, "close"},         {WM_DESTROY, "destroy"},
        {WM_NCDESTROY, "ncdestroy"}, {WM_SIZE, "size"},
        {WM_MOVE, "move"},           {WM_INITDIALOG, "initdialog"},
        {WM_SHOWWINDOW, "show"},     {WM_WINDOWPOSCHANGED, "poschanged"},
        {WM_SETFOCUS, "setfocus"},
    };
    if (auto it = kNames.find(msg); it != kNames.end()) return it->second;
    switch (msg) {
        case WM_TIMER:
            return "timer " + std::to_string(wParam);
        case WM_COMMAND:
            return "cmd " + std::to_string(LOWORD(wParam)) + "/" + std::to_string(HIWORD(wParam));
        case WM_ENABLE:
            return "enable " + std::to_string(wParam);
        case WM_ACTIVATE:
            return "activate " + std::to_string(LOWORD(wParam)) + " " +
                   NameOf(reinterpret_cast<HWND>(lParam));
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE: {
            const char* n = msg == WM_LBUTTONDOWN ? "down"
                            : msg == WM_LBUTTONUP ? "up"
                                                  : "mousemove";
            return std::string(n) + " " + std::to_string(GET_X_LPARAM(lParam)) + "," +
                   std::to_string(GET_Y_LPARAM(lParam));
        }
        default:
            break;
    }
    if (msg >= WM_USER && msg < WM_USER + 0x100) return "user+" + std::to_string(msg - WM_USER);
    if (msg >= 0xC000) return "registered " + std::to_string(wParam);
    return "";
}

Probe::Probe(Log* l, std::string n) : log(l), name(std::move(n)) {}

Probe::~Probe() {
    if (m_hWnd) Names().erase(m_hWnd);
}

bool Probe::CreateTop(int x, int y, int w, int h, bool visible, DWORD extraStyle) {
    const DWORD style = WS_POPUP | (visible ? WS_VISIBLE : 0) | extraStyle;
    const std::u16string title(name.begin(), name.end());
    if (!CreateEx(0, u"probe", title.c_str(), style, x, y, w, h, nullptr, nullptr)) return false;
    Names()[m_hWnd] = name;
    return true;
}

bool Probe::CreateChild(CWnd& parent, int x, int y, int w, int h, UINT id, DWORD extraStyle) {
    const std::u16string title(name.begin(), name.end());
    if (!Create(u"probe", title.c_str(), WS_CHILD | WS_VISIBLE | extraStyle,
                CRect(x, y, x + w, y + h), &parent, id)) {
        return false;
    }
    Names()[m_hWnd] = name;
    return true;
}

LRESULT Probe::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    // Names are registered after creation returns; record the handle early.
    if (msg == WM_NCCREATE) Names()[m_hWnd] = name;
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

}  // namespace wqtest
