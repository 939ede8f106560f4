// A window that writes the messages it receives into a shared log, so that a
// test can compare the order of events across windows with one list.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win/afxwin.h"
#include "platform/win/presenter.h"
#include "platform/win/testing.h"

// Runs a wq::win::Run* call and fails the test with its reason.
#define ASSERT_RUN(call) \
    if (auto run_ = (call); !run_.ok) FAIL() << run_.message

namespace wqtest {

using Log = std::vector<std::string>;
using Handler = std::function<LRESULT(WPARAM, LPARAM)>;

inline std::map<HWND, std::string> g_names;  // of the live probes

// "0" for NULL, "?" for windows that are not probes.
inline std::string NameOf(HWND hwnd) {
    auto it = g_names.find(hwnd);
    return !hwnd ? "0" : it == g_names.end() ? "?" : it->second;
}

// "user+N", "cmd ID/CODE", "timer ID", "activate STATE OTHER", "down X,Y", ...; "" for the rest.
inline std::string Describe(UINT msg, WPARAM wParam, LPARAM lParam) {
    static const std::map<UINT, std::string> kNames = {{WM_PAINT, "paint"},
                                                       {WM_ERASEBKGND, "erase"},
                                                       {WM_CLOSE, "close"},
                                                       {WM_DESTROY, "destroy"},
                                                       {WM_NCDESTROY, "ncdestroy"},
                                                       {WM_SIZE, "size"},
                                                       {WM_WINDOWPOSCHANGED, "poschanged"}};
    if (auto it = kNames.find(msg); it != kNames.end()) return it->second;
    const std::string w = std::to_string(wParam), lo = std::to_string(LOWORD(wParam));
    const std::string xy =
        std::to_string(GET_X_LPARAM(lParam)) + "," + std::to_string(GET_Y_LPARAM(lParam));
    if (msg == WM_TIMER) return "timer " + w;
    if (msg == WM_ENABLE) return "enable " + w;
    if (msg == WM_LBUTTONDOWN) return "down " + xy;
    if (msg == WM_LBUTTONUP) return "up " + xy;
    if (msg == WM_MOUSEMOVE) return "mousemove " + xy;
    if (msg == WM_COMMAND) return "cmd " + lo + "/" + std::to_string(HIWORD(wParam));
    if (msg == WM_ACTIVATE) return "activate " + lo + " " + NameOf(reinterpret_cast<HWND>(lParam));
    return msg >= WM_USER && msg < WM_USER + 0x100 ? "user+" + std::to_string(msg - WM_USER) : "";
}

// A handler that runs `f` and returns 0.
template <class F>
Handler Do(F f) {
    return [f](WPARAM, LPARAM) -> LRESULT { return f(), 0; };
}

class Probe : public CWnd {
public:
    Probe(Log* l, std::string n) : log(l), name(std::move(n)) {}
    ~Probe() override { g_names.erase(m_hWnd); }
    bool CreateTop(int x, int y, int w, int h, bool visible = true) {
        const std::u16string title(name.begin(), name.end());
        return CreateEx(0, u"probe", title.c_str(), WS_POPUP | (visible ? WS_VISIBLE : 0), x, y, w,
                        h, nullptr, nullptr);
    }
    bool CreateChild(CWnd& parent, int x, int y, int w, int h) {
        const std::u16string title(name.begin(), name.end());
        return Create(u"probe", title.c_str(), WS_CHILD | WS_VISIBLE, CRect(x, y, x + w, y + h),
                      &parent, 0);
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_NCCREATE) g_names[m_hWnd] = name;  // before creation returns
        const std::string d = Describe(msg, wParam, lParam);
        if (!d.empty() && log) log->push_back(name + ":" + d);
        if (auto it = on.find(msg); it != on.end() && it->second) return it->second(wParam, lParam);
        return CWnd::WindowProc(msg, wParam, lParam);
    }

    std::map<UINT, Handler> on;  // replaces the default handling of a message
    Log* log;
    std::string name;
};

inline int Count(const Log& log, const std::string& entry) {
    return static_cast<int>(std::count(log.begin(), log.end(), entry));
}

inline std::string Join(const Log& log) {
    std::string s;
    for (const auto& e : log) s += (s.empty() ? "" : " | ") + e;
    return s;
}

// Handles what is pending and forgets it, so a test starts from an empty log.
inline void Settle(Log& log) {
    wq::win::PumpPending();
    log.clear();
}

}  // namespace wqtest
