// A window that writes the messages it receives into a shared log, so that a
// test can compare the order of events across windows with one list.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win/afxwin.h"
#include "platform/win/presenter.h"
#include "platform/win/testing.h"

namespace wqtest {

using Log = std::vector<std::string>;

// "user+N" for WM_USER+N, "cmd ID/CODE", "timer ID", "activate STATE OTHER", ...
std::string Describe(UINT msg, WPARAM wParam, LPARAM lParam);
// The name a Probe registered for a window, "0" for NULL, "?" for others.
std::string NameOf(HWND hwnd);

class Probe : public CWnd {
public:
    Probe(Log* log, std::string name);
    ~Probe() override;

    // Creates a top-level pop-up (visible when `visible`) or a child of `parent`.
    bool CreateTop(int x, int y, int w, int h, bool visible = true, DWORD extraStyle = 0);
    bool CreateChild(CWnd& parent, int x, int y, int w, int h, UINT id = 0, DWORD extraStyle = 0);

    // Handlers by message; their result replaces the default handling.
    std::map<UINT, std::function<LRESULT(WPARAM, LPARAM)>> on;
    // What a WM_PAINT does when no handler is installed: BeginPaint/EndPaint.
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    Log* log;
    std::string name;
};

// Counts of one entry in a log.
int Count(const Log& log, const std::string& entry);
// Position of the first entry, or -1.
int IndexOf(const Log& log, const std::string& entry);
std::string Join(const Log& log);

}  // namespace wqtest
