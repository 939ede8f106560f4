// How top-level windows reach a screen. platform/display implements a
// Presenter (SDL2 or headless) and installs it; the message loop tells it when
// windows appear, change and are painted, and lets it wait for input when idle.
// Input comes back through QueueMouseInput. GUI thread unless stated.
#pragma once

#include <functional>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/gdi/surface.h"

namespace wq::win {

class Presenter {
public:
    virtual ~Presenter() = default;
    // A top-level window became visible, or changed position, size or title.
    virtual void WindowShown(HWND hwnd) = 0;
    // A top-level window was hidden or destroyed; its handle is still valid
    // during this call when it was only hidden.
    virtual void WindowHidden(HWND hwnd) = 0;
    // The pixels of a visible top-level window changed (after paints and
    // GetDC drawing); called when the loop goes idle, at most once per window.
    virtual void Present(HWND hwnd, const gdi::Surface& surface) = 0;
    // The loop is idle: wait up to `timeoutMs` for input or Wake, turning input
    // into QueueMouseInput / posted messages. Returns early on any event.
    virtual void Wait(DWORD timeoutMs) = 0;
    // Ends a Wait early. Any thread.
    virtual void Wake() = 0;
    // A top-level window was activated: bring it in front of the desktop's
    // other windows too.
    virtual void Raise(HWND) {}
    // False for a presenter that shows nothing to anyone (headless).
    virtual bool ShowsPixels() const { return true; }
};

// Installs the presenter (not owned); nullptr removes it.
void SetPresenter(Presenter* presenter);
Presenter* GetPresenter();

// Pictures of the windows may be taken at any moment (automation screenshots):
// pixels then count as seen even when the presenter shows nothing.
void SetPicturesWanted(bool wanted);
// Whether drawing into `hwnd` can be seen by anybody: the window is visible,
// not disabled under a modal window of its own, and either the presenter
// shows pixels (or no presenter is installed: the pixels are read directly)
// or pictures are wanted. Drawing that nobody sees may be skipped. GUI thread.
bool PixelsSeen(HWND hwnd);

// The pixels of a top-level window (children draw into their top-level
// window's surface); nullptr for an invalid or child window.
const gdi::Surface* GetWindowSurface(HWND topLevel);
// Top-level windows of this process in z-order, topmost first.
std::vector<HWND> TopLevelWindows();

// Queues a mouse message (WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE) at `pt` in
// the client coordinates of the top-level window `topLevel`. The target is
// chosen when the message is retrieved: the capture window, or the topmost
// visible enabled window under the point; input to a disabled top-level window
// is dropped. A move replaces a queued move that is still last in the queue.
void QueueMouseInput(HWND topLevel, UINT msg, POINT pt);

// Keys from the display (SDL key names such as "Space", "Up", "Escape", "P");
// the application installs the hook that maps them to its own key codes.
using KeyHook = std::function<void(const char* keyName, bool down)>;
void SetKeyHook(KeyHook hook);
void DeliverKey(const char* keyName, bool down);

// The desktop gave the keyboard focus to the top-level window `topLevel` of
// this program (it comes to the front and the window, or the modal dialog that
// disabled it, is activated), or, with nullptr, to another program (the
// active window receives WA_INACTIVE).
void DesktopFocusChanged(HWND topLevel);

// The desktop or the user asks the program to end (the window manager's quit,
// a termination signal). The application installs what that means; without a
// hook nothing happens. GUI thread.
using CloseHook = std::function<void()>;
void SetCloseHook(CloseHook hook);
void RequestClose();

}  // namespace wq::win
