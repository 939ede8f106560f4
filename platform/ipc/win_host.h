// The Host of a program with windows: tasks go through platform/win's
// cross-thread inbox, messages to window procedures, names through the
// window system's registered-message table. GUI thread unless stated.
#pragma once

#include "platform/ipc/host.h"

namespace wq::ipc {

class WinHost : public Host {
public:
    void PostTask(std::function<void()> task) override;  // any thread
    void SendTask(std::function<void()> task) override;  // any thread
    int WaitForSentTasks(DWORD timeoutMs) override;
    bool OnGuiThread() override;  // any thread
    // A posted message's task runs in order with the program's posted
    // messages, so handing it straight to the window procedure keeps its place.
    LRESULT Deliver(HWND hwnd, const Message& m) override;
    std::u16string MessageName(UINT msg) override;
    bool BringToFront(HWND hwnd, UINT swpFlags) override;
    void LostForeground() override;
};

}  // namespace wq::ipc
