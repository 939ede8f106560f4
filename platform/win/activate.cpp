// Activation, focus and mouse capture.
#include "platform/win/internal.h"
#include "platform/win/remote.h"

namespace wq::win::detail {

namespace {

// Tells the other programs that this one is in front, once per coming forward.
void ClaimForeground() {
    State& s = S();
    if (s.foregroundClaimed) return;
    s.foregroundClaimed = true;
    if (wq::win::RemoteWindows* remote = wq::win::GetRemoteWindows()) remote->TakeForeground();
}

// The window that takes the activation when `top` is brought forward: `top`
// itself, or, while a modal dialog has disabled it, the topmost enabled
// visible window it owns.
HWND ActivationTarget(HWND top) {
    if (IsWindowEnabled(top)) return top;
    for (HWND t : S().topLevels) {
        Window* w = Find(t);
        if (!w || t == top || !IsWindowVisible(t) || !IsWindowEnabled(t)) continue;
        for (HWND o = w->owner; o; o = Find(o) ? Find(o)->owner : nullptr)
            if (o == top) return t;
    }
    return nullptr;
}

}  // namespace

// Sends WA_INACTIVE to the window losing activation, then `how` to the one
// gaining it, each with the other window in lParam. Nothing when already active.
void Activate(HWND hwnd, int how) {
    State& s = S();
    if (hwnd == s.active) return;
    HWND old = s.active;
    s.active = hwnd;
    if (hwnd && s.foreground) ClaimForeground();
    if (old && Find(old)) CallWindow(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    if (hwnd && Find(hwnd) && s.active == hwnd) {
        CallWindow(hwnd, WM_ACTIVATE, static_cast<WPARAM>(how), reinterpret_cast<LPARAM>(old));
        if (Presenter* p = ThePresenter(); s.active == hwnd && p) p->Raise(hwnd);
    }
}

// Another program came to the front: the active window learns it has lost the
// activation, and SetActiveWindow does nothing until this program is brought
// forward again.
void EnterBackground() {
    State& s = S();
    s.foreground = false;
    s.foregroundClaimed = false;
    HWND old = s.active;
    s.active = nullptr;
    if (old && Find(old)) CallWindow(old, WM_ACTIVATE, WA_INACTIVE, 0);
}

// Moves the activation away from `hidden` (which is being hidden or destroyed):
// to its owner when it can take it, else to the topmost visible enabled
// top-level window, else to nothing.
void ActivateAfterHide(HWND hidden) {
    State& s = S();
    if (s.active != hidden) return;
    auto usable = [hidden](HWND h) {
        Window* w = Find(h);
        return h != hidden && w && !w->destroying && IsWindowVisible(h) && IsWindowEnabled(h);
    };
    HWND next = nullptr;
    if (Window* w = Find(hidden); w && w->owner && usable(w->owner)) {
        next = w->owner;
    } else {
        for (HWND t : s.topLevels) {
            if (usable(t)) {
                next = t;
                break;
            }
        }
    }
    Activate(next, WA_ACTIVE);
}

BOOL RaiseRemote(HWND hwnd, UINT swpFlags) {
    wq::win::RemoteWindows* remote = wq::win::GetRemoteWindows();
    if (!remote || !remote->BringToFront(RemoteId(hwnd), swpFlags)) return FALSE;
    if (!(swpFlags & SWP_NOACTIVATE)) EnterBackground();
    return TRUE;
}

}  // namespace wq::win::detail

using namespace wq::win::detail;

HWND SetActiveWindow(HWND hwnd) {
    State& s = S();
    HWND previous = s.active;
    Window* w = Find(hwnd);
    if (!w || w->parent || !s.foreground) return previous;
    if (w->style & WS_DISABLED) return previous;
    Activate(hwnd, WA_ACTIVE);
    return previous;
}

HWND GetActiveWindow() {
    return S().active;
}

HWND GetForegroundWindow() {
    return S().foreground ? S().active : nullptr;
}

BOOL SetForegroundWindow(HWND hwnd) {
    if (IsRemote(hwnd)) return RaiseRemote(hwnd, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    HWND top = TopLevelOf(hwnd);
    State& s = S();
    if (!s.foreground) s.foregroundClaimed = false;
    s.foreground = true;
    BringWindowToTop(top);
    if (HWND target = ActivationTarget(top)) {
        Activate(target, WA_ACTIVE);
    }
    ClaimForeground();
    return TRUE;
}

namespace wq::win {

void DesktopFocusChanged(HWND topLevel) {
    State& s = S();
    if (!topLevel) {
        if (s.foreground) EnterBackground();
        return;
    }
    if (!Find(topLevel) || Find(topLevel)->parent) return;
    // Focus moving to the window that is active already changes nothing; a
    // click on a window disabled by its modal dialog brings the dialog forward.
    if (s.foreground && s.active && s.active == ActivationTarget(topLevel)) return;
    SetForegroundWindow(topLevel);
}

void BackgroundByOtherProgram() {
    if (S().foreground) EnterBackground();
}

}  // namespace wq::win

HWND SetFocus(HWND hwnd) {
    State& s = S();
    HWND previous = s.focus;
    if (hwnd && !Find(hwnd)) return nullptr;
    if (hwnd == previous) return previous;
    s.focus = hwnd;
    if (previous && Find(previous))
        CallWindow(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd && Find(hwnd)) CallWindow(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

HWND GetFocus() {
    return S().focus;
}

HWND SetCapture(HWND hwnd) {
    State& s = S();
    HWND previous = s.capture;
    if (!Find(hwnd)) return previous;
    s.capture = hwnd;
    if (previous && previous != hwnd && Find(previous)) {
        CallWindow(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    }
    return previous;
}

BOOL ReleaseCapture() {
    State& s = S();
    HWND previous = s.capture;
    s.capture = nullptr;
    if (previous && Find(previous)) CallWindow(previous, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() {
    return S().capture;
}
