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
    // Each name costs an id for the life of the program; the bus only lets
    // through short printable names, so the table cannot be flooded with junk.
    const UINT msg = m.name.empty() ? m.number : RegisterWindowMessageW(m.name.c_str());
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
