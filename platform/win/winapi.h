// The window manager's Win32 calls at global scope, with the framework's
// signatures (strings are UTF-16: LPCWSTR = const char16_t*).
//
// Threading: every call here belongs to the GUI thread (the thread that created
// the first window or runs the loop). The exceptions are PostMessage,
// RegisterWindowMessage and SendMessage from another thread, which blocks until
// the GUI thread has handled the message inside its own loop.
//
// Handles: an HWND is a number looked up in the window table on every call, so a
// handle of a destroyed window is simply invalid and every call on it fails
// cleanly. Handles of other processes' windows (from FindWindow) route through
// the installed wq::win::RemoteWindows.
#pragma once

#include <cstdint>

#include "platform/base/wintypes.h"
#include "platform/clock/clock.h"
#include "platform/win/geometry.h"

using HINSTANCE = void*;
using HMENU = void*;
using ATOM = WORD;
using LPTSTR = TCHAR*;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    POINT pt{};
};
using LPMSG = MSG*;

struct PAINTSTRUCT {
    HDC hdc = nullptr;
    BOOL fErase = FALSE;
    RECT rcPaint{};
    BOOL fRestore = FALSE;
    BOOL fIncUpdate = FALSE;
    BYTE rgbReserved[32]{};
};
using LPPAINTSTRUCT = PAINTSTRUCT*;

struct CREATESTRUCTW {
    LPVOID lpCreateParams = nullptr;
    HINSTANCE hInstance = nullptr;
    HMENU hMenu = nullptr;
    HWND hwndParent = nullptr;
    int cy = 0;
    int cx = 0;
    int y = 0;
    int x = 0;
    LONG style = 0;
    LPCWSTR lpszName = nullptr;
    LPCWSTR lpszClass = nullptr;
    DWORD dwExStyle = 0;
};
using CREATESTRUCT = CREATESTRUCTW;
using LPCREATESTRUCT = CREATESTRUCTW*;

struct WINDOWPOS {
    HWND hwnd = nullptr;
    HWND hwndInsertAfter = nullptr;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
};

struct MEASUREITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemWidth = 0;
    UINT itemHeight = 0;
    std::uintptr_t itemData = 0;
};
using LPMEASUREITEMSTRUCT = MEASUREITEMSTRUCT*;

struct DRAWITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = 0;
    UINT itemState = 0;
    HWND hwndItem = nullptr;
    HDC hDC = nullptr;
    RECT rcItem{};
    std::uintptr_t itemData = 0;
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;

struct WNDCLASSW {
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;
    HINSTANCE hInstance = nullptr;
    void* hIcon = nullptr;
    void* hCursor = nullptr;
    HBRUSH hbrBackground = nullptr;  // filled by the default WM_ERASEBKGND; NULL erases nothing
    LPCWSTR lpszMenuName = nullptr;
    LPCWSTR lpszClassName = nullptr;
};
using WNDCLASS = WNDCLASSW;

// Messages, notifications and flags beyond the shared base list.
constexpr UINT WM_NCCREATE = 0x0081;
constexpr UINT WM_CANCELMODE = 0x001F;
constexpr UINT BN_CLICKED = 0;
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr UINT SIZE_RESTORED = 0;
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_ID = -12;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;

// Classes and windows.
// Registers a window procedure and background brush under a class name.
ATOM RegisterClassW(const WNDCLASSW* wc);
inline ATOM RegisterClass(const WNDCLASSW* wc) {
    return RegisterClassW(wc);
}
// Creates a window. Top-level windows (no WS_CHILD) get their own pixel surface.
// `hMenu` carries the control id of a child. Sends WM_NCCREATE and WM_CREATE; a
// WM_CREATE result of -1 destroys the window and returns NULL. A class name that
// was never registered makes a window handled by DefWindowProc ("STATIC", "button").
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU hMenu, HINSTANCE hInstance,
                     LPVOID param);
inline HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                           int y, int width, int height, HWND parent, HMENU hMenu,
                           HINSTANCE hInstance, LPVOID param) {
    return CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, parent,
                           hMenu, hInstance, param);
}
inline HWND CreateWindowW(LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                          int width, int height, HWND parent, HMENU hMenu, HINSTANCE hInstance,
                          LPVOID param) {
    return CreateWindowExW(0, className, windowName, style, x, y, width, height, parent, hMenu,
                           hInstance, param);
}
// Destroys owned windows first, sends WM_DESTROY (parent, then children) and
// WM_NCDESTROY (children, then parent), kills the window's timers, drops its
// posted messages and releases the capture it holds.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);  // itself and every ancestor visible
BOOL IsWindowEnabled(HWND hwnd);
BOOL EnableWindow(HWND hwnd,
                  BOOL enable);  // non-zero when it was disabled before; sends WM_ENABLE on change
BOOL ShowWindow(HWND hwnd, int cmd);  // non-zero when it was visible before
HWND GetParent(HWND hwnd);            // the parent of a child, the owner of a top-level window
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND hwnd);
LONG GetWindowLongW(HWND hwnd, int index);  // GWL_STYLE, GWL_EXSTYLE, GWL_ID
LONG SetWindowLongW(HWND hwnd, int index, LONG value);
inline LONG GetWindowLong(HWND hwnd, int index) {
    return GetWindowLongW(hwnd, index);
}
inline LONG SetWindowLong(HWND hwnd, int index, LONG value) {
    return SetWindowLongW(hwnd, index, value);
}

// Text: the live title that FindWindow matches.
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount);
int GetWindowTextLengthW(HWND hwnd);
inline BOOL SetWindowText(HWND hwnd, LPCWSTR text) {
    return SetWindowTextW(hwnd, text);
}
inline int GetWindowText(HWND hwnd, LPWSTR buffer, int maxCount) {
    return GetWindowTextW(hwnd, buffer, maxCount);
}
inline int GetWindowTextLength(HWND hwnd) {
    return GetWindowTextLengthW(hwnd);
}

// Geometry. Windows have no frame: the client area is the whole window. Window
// rectangles are in screen coordinates; a child's position is relative to its
// parent's client area.
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
BOOL ClientToScreen(HWND hwnd, LPPOINT p);
BOOL ScreenToClient(HWND hwnd, LPPOINT p);
// Sends WM_WINDOWPOSCHANGING/CHANGED, WM_MOVE and WM_SIZE before returning;
// with bRepaint the new area is invalidated (painted later from the queue).
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL bRepaint);
// Remote handles go to RemoteWindows::BringToFront. Without SWP_NOZORDER the
// window is raised (HWND_TOP); without SWP_NOACTIVATE a top-level one is activated.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);

// Lookup: local top-level windows in z-order (hidden and disabled ones included,
// children never), whole name, case-insensitive; then other processes.
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
inline HWND FindWindow(LPCWSTR className, LPCWSTR windowName) {
    return FindWindowW(className, windowName);
}

// Messages. Registered ids are 0xC000..0xFFFF; the same name (case-insensitive)
// always gives the same id. Safe during static initialisation and from any thread.
UINT RegisterWindowMessageW(LPCWSTR name);
inline UINT RegisterWindowMessage(LPCWSTR name) {
    return RegisterWindowMessageW(name);
}
// On the GUI thread: a direct call of the window procedure. From another thread:
// queued ahead of posted messages and handled inside the GUI thread's loop while
// the caller waits. Remote handles: RemoteWindows::Send. 0 for an invalid window.
LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
inline LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(hwnd, msg, wParam, lParam);
}
// Appends to the posted FIFO and returns at once; 0 for an invalid window. A NULL
// window posts a thread message (handed to no window procedure). Any thread.
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
inline BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(hwnd, msg, wParam, lParam);
}
// Retrieves in the order: sent from other threads (run inside the call), posted,
// input, WM_QUIT, WM_PAINT, WM_TIMER; waits (driving the display and the clock)
// when nothing is available. Returns 0 for WM_QUIT.
BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
inline BOOL GetMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    return GetMessageW(msg, hwnd, filterMin, filterMax);
}
inline BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    return PeekMessageW(msg, hwnd, filterMin, filterMax, removeFlags);
}
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
inline LRESULT DispatchMessage(const MSG* msg) {
    return DispatchMessageW(msg);
}
void PostQuitMessage(int exitCode);
// The default handling: WM_PAINT validates, WM_ERASEBKGND fills with the class
// brush, WM_CLOSE destroys (a dialog instead posts WM_COMMAND IDCANCEL),
// WM_SETTEXT/WM_GETTEXT/WM_SETFONT/WM_GETFONT keep the text and font.
LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
inline LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}
LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Timers keyed by (hwnd, id): the same key replaces and restarts the timer. At
// most one WM_TIMER per timer is ever pending; missed periods are dropped and the
// schedule stays on multiples of the period. 0 ms counts as 1 ms; never early.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
// Removes the timer and a tick that is already due. 0 when there was no such timer.
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Activation and input.
HWND SetActiveWindow(HWND hwnd);  // returns the previously active window
HWND GetActiveWindow();
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetCapture(HWND hwnd);  // returns the previous capture window
BOOL ReleaseCapture();
HWND GetCapture();
BOOL BringWindowToTop(HWND hwnd);

// Painting.
BOOL InvalidateRect(HWND hwnd, LPCRECT rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, LPCRECT rect);
BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
// A client-area DC, not clipped to the update region; validates nothing.
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);

// Dialogs: ends the modal loop of one of this process's dialogs with `result`
// after the current handler returns; hides it and re-enables its owner at once.
// FALSE for any other window.
BOOL EndDialog(HWND dialog, int result);
BOOL MapDialogRect(HWND dialog, LPRECT rect);
LONG GetDialogBaseUnits();

int MulDiv(int number, int numerator, int denominator);
DWORD GetCurrentThreadId();
