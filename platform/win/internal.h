// The window system's private state, shared by the files of platform/win.
// Everything here belongs to the GUI thread, except Inbox, which is the one
// thread-safe part (other threads post and send through it). S() checks the
// thread in checking builds (platform/base/guithread.h), so every window call
// that touches the state from another thread stops the program at once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/base/guithread.h"
#include "platform/gdi/surface.h"
#include "platform/win/presenter.h"
#include "platform/win/winapi.h"
#include "platform/win/wnd.h"

namespace wq::win::detail {

struct Window {
    HWND handle = nullptr;
    std::u16string className;
    std::u16string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};            // top-level: screen coordinates; child: parent's client coordinates
    HWND parent = nullptr;  // children only
    HWND owner = nullptr;   // top-level windows only
    std::vector<HWND> children;  // z-order, topmost first
    UINT id = 0;
    WNDPROC proc = nullptr;
    CWnd* object = nullptr;  // the bound CWnd, if any
    HBRUSH background = nullptr;
    HFONT font = nullptr;
    RECT update{};  // bounding box of the update region, empty when valid
    bool erase = false;
    std::unique_ptr<gdi::Surface> surface;  // top-level windows only
    bool destroying = false;
    bool published = false;
    // Dialog state: a window made from a dialog resource.
    bool isDialog = false;
    bool ended = false;
    int result = -1;
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT period = 1;
    TIMERPROC proc = nullptr;
    std::uint64_t start = 0;  // unwrapped ms
    std::uint64_t due = 0;    // next expiry, unwrapped ms
};

struct Posted {
    MSG msg{};
    std::function<void()> task;  // a task from PostTask; msg unused then
};

struct Input {
    HWND topLevel = nullptr;
    UINT message = 0;
    POINT pt{};  // client coordinates of topLevel
};

struct CurrentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct State {
    std::unordered_map<std::uintptr_t, std::unique_ptr<Window>> windows;
    std::vector<HWND> topLevels;  // z-order, topmost first
    std::uintptr_t nextHandle = 0x10010;
    std::map<std::uint64_t, HWND> remoteById;
    std::unordered_map<std::uintptr_t, std::uint64_t> remoteByHandle;
    std::map<std::u16string, WNDCLASSW> classes;  // by case-folded name (casefold.h)
    std::map<std::u16string, std::u16string>
        classNames;  // case-folded -> stored name (keeps the pointer valid)
    std::unordered_map<std::uintptr_t, std::unique_ptr<CWnd>> temporaries;
    std::unordered_map<HDC, HWND>
        liveDCs;  // DCs handed out by GetDC/BeginPaint, by top-level window

    std::deque<Posted> posted;
    std::deque<Input> input;
    bool buttonDown = false;
    std::vector<Timer> timers;  // creation order
    bool quit = false;
    int quitCode = 0;
    // Set by EndDialog. A dialog ended by a task that ran inside GetMessage's
    // wait (a message sent from another thread or program) would otherwise
    // leave its modal loop asleep until some unrelated message arrived: the
    // next retrieval returns WM_NULL at once so the loop sees its flag.
    bool modalWake = false;

    HWND active = nullptr;
    HWND capture = nullptr;
    HWND focus = nullptr;
    // Whether this program is in front. It goes to the background when it
    // brings another program's window forward (RaiseRemote) and comes back
    // when SetForegroundWindow brings one of its own windows forward, also on
    // another program's behalf. In the background SetActiveWindow does nothing.
    bool foreground = true;
    // Whether the desktop bus was told that this program is in front since it
    // last came forward (see TakeForeground in remote.h).
    bool foregroundClaimed = false;

    std::uint64_t now = 0;  // unwrapped ms on the installed clock
    DWORD lastTick = 0;
    bool clockBound = false;

    std::vector<HWND> dirty;  // top-level windows whose pixels changed since the last Present
    KeyHook keyHook;
    CloseHook closeHook;
    std::vector<CurrentMessage> current;

    std::uint64_t watchdogDeadline = 0;  // unwrapped ms; 0 = none
    DWORD watchdogIdleMs = 0;
    std::string watchdogMessage;
};

State& TheState();
// The state, for the GUI thread only; `where` names the caller when the check fails.
inline State& S([[maybe_unused]] const SourcePlace& where = SourcePlace::Current()) {
#ifdef WQ_CHECK_GUI_THREAD
    wq::CheckGuiThread(where);
#endif
    return TheState();
}
// The window of a handle of this process, or nullptr. GUI thread: the check
// names the caller, usually the window call itself.
Window* Find(HWND hwnd, const SourcePlace& where = SourcePlace::Current());
inline std::uintptr_t Key(HWND h) {
    return reinterpret_cast<std::uintptr_t>(h);
}
bool IsRemote(HWND hwnd);
std::uint64_t RemoteId(HWND hwnd);
// Raises another program's window through the desktop bus; when that also
// activates it, this program goes to the background.
BOOL RaiseRemote(HWND hwnd, UINT swpFlags);
// Binds the GUI thread on first use (the loop, window creation, timers), or
// anew when an application run or a test session starts.
inline void BindGuiThread() {
    wq::BindGuiThread();
}
inline void RebindGuiThread() {
    wq::RebindGuiThread();
}

// The unwrapped time, updated from the installed clock.
std::uint64_t Now();
void ResyncClock();

// Calls the window procedure with the current-message bookkeeping Default() uses.
LRESULT CallWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The creation behind CreateWindowEx, CWnd::Create and dialogs.
HWND CreateWindowInternal(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                          int y, int width, int height, HWND parent, UINT id, LPVOID param,
                          CWnd* object, bool isDialog);
HWND TopLevelOf(HWND hwnd);
// Origin of the window's client area in its top-level surface, and its visible part there.
POINT SurfaceOrigin(HWND hwnd);
RECT VisibleSurfaceRect(HWND hwnd);
void MarkDirty(HWND topLevel);
// Hands the changed top-level surfaces to the presenter.
void PresentDirty();
void Publish(Window* w);
void Withdraw(Window* w);

// Queue helpers.
void DropWindowMessages(HWND hwnd);  // posted messages and timers of this window
void Activate(HWND hwnd, int how);   // WA_ACTIVE / WA_CLICKACTIVE; NULL deactivates
void ActivateAfterHide(HWND hidden);
void InvalidateInternal(HWND hwnd, const RECT* rect, bool erase);
void ReleaseDCsOf(HWND topLevel);

// Hooks into the CWnd layer (wnd.cpp).
LRESULT CallObject(CWnd* object, UINT msg, WPARAM wParam, LPARAM lParam);
void ObjectAttached(CWnd* object, HWND hwnd);  // binds m_hWnd before WM_NCCREATE
void ObjectDetached(CWnd* object);  // after WM_NCDESTROY: clears m_hWnd, main window, PostNcDestroy
void DropTemporary(HWND hwnd);

// The cross-thread inbox.
class Inbox {
public:
    void Post(Posted p);
    void Send(std::function<void()> task);
    // Moves posted entries into `out`; runs nothing.
    void TakePosted(std::deque<Posted>& out);
    std::deque<std::function<void()>> TakeSent();
    bool HasSent();
    // Waits up to `ms` real milliseconds (INFINITE allowed) for anything to arrive.
    void Wait(DWORD ms);
    // Wakes a Wait and the presenter's wait. Any thread.
    void Wake();
    // The presenter that Wake also wakes. Set on the GUI thread; once SetPresenter
    // returns, no other thread is still inside the previous presenter's Wake.
    void SetPresenter(Presenter* presenter);
    Presenter* GetPresenter() const { return m_presenter.load(std::memory_order_acquire); }
    void SetClosed(bool closed);
    bool Closed();
    void Clear();

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Posted> m_posted;
    std::deque<std::function<void()>> m_sent;
    bool m_closed = false;
    std::uint64_t m_generation = 0;
    std::atomic<Presenter*> m_presenter{nullptr};
};
Inbox& TheInbox();
// The installed presenter, or nullptr (GUI thread).
inline Presenter* ThePresenter() {
    return TheInbox().GetPresenter();
}

}  // namespace wq::win::detail
