#include "platform/ipc/win_host.h"

#include "platform/win/remote.h"
#include "platform/win/threads.h"
#include "platform/win/winapi.h"

namespace wq::ipc {

void WinHost::PostTask(std::function<void()> task) {
    wq::win::PostTask(std::move(task));
}
void WinHost::SendTask(std::function<void()> task) {
    wq::win::SendTask(std::move(task));
}
int WinHost::WaitForSentTasks(DWORD timeoutMs) {
    return wq::win::WaitForSentTasks(timeoutMs);
}
bool WinHost::OnGuiThread() {
    return wq::win::IsGuiThread();
}

LRESULT WinHost::Deliver(HWND hwnd, const Message& m) {
    if (!IsWindow(hwnd)) return 0;
    // A name this program has not registered has no handler here, so it is
    // answered 0 without taking an id: the table's 16,384 ids stay for the
    // program's own names however many names other programs send.
    const UINT msg = m.name.empty() ? m.number : wq::win::FindRegisteredMessage(m.name);
    if (msg == 0 && !m.name.empty()) return 0;
    return SendMessageW(hwnd, msg, m.wParam, m.lParam);
}

std::u16string WinHost::MessageName(UINT msg) {
    return std::u16string(wq::win::GetRegisteredMessageName(msg));
}

void WinHost::LostForeground() {
    wq::win::BackgroundByOtherProgram();
}

bool WinHost::BringToFront(HWND hwnd, UINT swpFlags) {
    if (!IsWindow(hwnd)) return false;
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, swpFlags);
    if (!(swpFlags & SWP_NOACTIVATE)) SetForegroundWindow(hwnd);
    return true;
}

}  // namespace wq::ipc
