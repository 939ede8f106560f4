// What the desktop bus needs from the program it serves. The bus thread never
// touches windows: it hands every incoming message to the GUI thread through
// PostTask/SendTask, and the GUI thread delivers it with Deliver. The window
// system's host (win_host.h) forwards to platform/win; a tool without windows
// (wqctl) uses an Inbox and delivers to its own code.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/base/wintypes.h"

namespace wq::ipc {

// One message as it arrives from another process. A registered message comes
// by its name (`name` non-empty, `number` 0): the receiver maps it to its own
// id, because ids differ between processes. Any other message comes by number.
struct Message {
    UINT number = 0;
    std::u16string name;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class Host {
public:
    virtual ~Host() = default;

    // Thread-safe, called on the bus thread. PostTask runs tasks in order with
    // the GUI thread's posted messages; SendTask runs them ahead of posted
    // messages, also while the GUI thread waits in WaitForSentTasks. A task that
    // is dropped unrun (the loop has ended) is simply destroyed.
    virtual void PostTask(std::function<void()> task) = 0;
    virtual void SendTask(std::function<void()> task) = 0;

    // GUI thread: blocks until a sent task arrives or `timeoutMs` passes, runs
    // the waiting sent tasks and returns how many ran.
    virtual int WaitForSentTasks(DWORD timeoutMs) = 0;

    // True on the thread that runs the tasks. A Send from any other thread
    // waits without running them.
    virtual bool OnGuiThread() { return true; }

    // GUI thread: hands `m` to the window `hwnd` and returns the handler's
    // result; 0 for a window that is gone or a message nobody handles.
    virtual LRESULT Deliver(HWND hwnd, const Message& m) = 0;

    // GUI thread: the registered name of an outgoing message id, empty when the
    // id is not registered.
    virtual std::u16string MessageName(UINT msg) = 0;

    // GUI thread: SetWindowPos(hwnd, NULL, 0, 0, 0, 0, swpFlags) and
    // SetForegroundWindow(hwnd); true when the window exists.
    virtual bool BringToFront(HWND hwnd, UINT swpFlags) = 0;

    // GUI thread: another program came to the front after this one had.
    virtual void LostForeground() {}
};

}  // namespace wq::ipc
