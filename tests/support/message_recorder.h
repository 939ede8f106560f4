// A top-level window of a given name that records every registered message it
// is sent or posted, by name and with the tick it came at, and answers 1: a
// stand-in for another program's window (the launcher "WQMain"). GUI thread.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win/afxwin.h"
#include "platform/win/remote.h"
#include "platform/win/winapi.h"

namespace wq::test {

class MessageRecorder : public CWnd {
public:
    struct Received {
        std::u16string name;
        WPARAM wParam;
        LPARAM lParam;
        DWORD tick = 0;  // left out of comparisons
        bool operator==(const Received& o) const {
            return name == o.name && wParam == o.wParam && lParam == o.lParam;
        }
    };
    explicit MessageRecorder(const char16_t* name) {
        CreateEx(0, nullptr, name, WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0);
    }
    ~MessageRecorder() override {
        if (m_hWnd) DestroyWindow();
    }
    std::vector<Received> received;
    int Count(std::u16string_view name) const {
        return static_cast<int>(std::count_if(received.begin(), received.end(),
                                              [&](const Received& r) { return r.name == name; }));
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg < 0xC000) return CWnd::WindowProc(msg, wParam, lParam);
        received.push_back({std::u16string(wq::win::GetRegisteredMessageName(msg)), wParam, lParam,
                            GetTickCount()});
        return 1;
    }
};

}  // namespace wq::test
