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

// Runs a wq::win::Run* call and fails the test with its reason.
#define ASSERT_RUN(call) \
    if (auto run_ = (call); !run_.ok) FAIL() << run_.message

namespace wqtest {

using Log = std::vector<std::string>;
using Handler = std::function<LRESULT(WPARAM, LPARAM)>;

// "user+N", "cmd ID/CODE", "timer ID", "activate STATE OTHER", "down X,Y", ...
std::string Describe(UINT msg, WPARAM wParam, LPARAM lParam);
std::string NameOf(HWND hwnd);  // "0" for NULL, "?" for windows that are not probes

// A handler that runs `f` and returns 0.
template <class F>
Handler Do(F f) {
    return [f](WPARAM, LPARAM) -> LRESULT { return f(), 0; };
}

class Probe : public CWnd {
public:
    Probe(Log* l, std::string n) : log(l), name(std::move(n)) {}
    ~Probe() override;
    bool CreateTop(int x, int y, int w, int h, bool visible = true, DWORD extraStyle = 0);
    bool CreateChild(CWnd& parent, int x, int y, int w, int h);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    std::map<UINT, Handler> on;  // replaces the default handling of a message
    Log* log;
    std::string name;
};

int Count(const Log& log, const std::string& entry);
int IndexOf(const Log& log, const std::string& entry);  // -1 when absent
std::string Join(const Log& log);
// Handles what is pending and forgets it, so a test starts from an empty log.
void Settle(Log& log);

}  // namespace wqtest
