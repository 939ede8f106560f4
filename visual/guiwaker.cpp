#include "visual/guiwaker.h"

#include "platform/win/threads.h"
#include "platform/win/winapi.h"

namespace {

void SpectrumTimerProc(HWND hwnd, UINT, UINT_PTR id, DWORD) {
    // One-shot: the feed arms the next wake-up itself when blocks still wait.
    ::KillTimer(hwnd, id);
    if (CSpectrumFeed* feed = CSpectrumFeed::FindByWindow(hwnd)) {
        feed->Pump();
    }
}

}  // namespace

void CGuiSpectrumWaker::Wake(CSpectrumFeed& feed) {
    const std::uint64_t serial = feed.Serial();
    wq::win::PostTask([serial] {
        if (CSpectrumFeed* live = CSpectrumFeed::FindLive(serial)) {
            live->Pump();
        }
    });
}

bool CGuiSpectrumWaker::WakeAfter(CSpectrumFeed& feed, unsigned ms) {
    HWND hwnd = feed.Host() != nullptr ? feed.Host()->SpectrumWindow() : nullptr;
    return hwnd != nullptr && ::SetTimer(hwnd, kTimerId, ms, &SpectrumTimerProc) != 0;
}

CSpectrumWaker& GuiSpectrumWaker() {
    static CGuiSpectrumWaker waker;
    return waker;
}
