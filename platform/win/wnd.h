// CWnd and the message maps: the framework's window class, bound to one HWND.
//
// A message reaches CWnd::WindowProc, which walks the message maps from the most
// derived class to CWnd (the first matching entry wins) and falls back to the
// virtual DefWindowProc. Message-map entries name handlers without a class
// qualifier, as in the framework's generated code:
//
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_WM_PAINT()
//       ON_WM_TIMER()
//       ON_COMMAND(2009, OnBtnClose)
//       ON_CONTROL(200, 2008, OnDblClkList)
//       ON_REGISTERED_MESSAGE(s_msgKeyDown, OnKeyDownMsg)
//   END_MESSAGE_MAP()
//
// ON_COMMAND matches WM_COMMAND with notification code 0 only; ON_CONTROL needs
// the exact code and id. ON_REGISTERED_MESSAGE compares with the variable's value
// at dispatch time, so a map built during static initialisation matches an id
// registered later.
//
// Lifetime: the C++ object and the window are separate. When the window is
// destroyed m_hWnd becomes NULL and the object lives on; destroying the object
// destroys a window that still exists (without calling back into the object).
#pragma once

#include <cstdint>

#include "platform/base/cstring.h"
#include "platform/win/winapi.h"

#ifndef afx_msg
#define afx_msg
#endif

using INT_PTR = std::intptr_t;

class CWnd;
class CPoint;

// One handler of any supported signature; the entry's nSig says which member is set.
union AfxHandler {
    constexpr AfxHandler() : vv(nullptr) {}
    AfxHandler(void (CWnd::*f)()) : vv(f) {}
    AfxHandler(BOOL (CWnd::*f)(HDC)) : bD(f) {}
    AfxHandler(void (CWnd::*f)(UINT_PTR)) : vT(f) {}
    AfxHandler(void (CWnd::*f)(UINT, CPoint)) : vwp(f) {}
    AfxHandler(void (CWnd::*f)(UINT, CWnd*, BOOL)) : vwWb(f) {}
    AfxHandler(void (CWnd::*f)(int, MEASUREITEMSTRUCT*)) : vOWNER(f) {}
    AfxHandler(void (CWnd::*f)(int, DRAWITEMSTRUCT*)) : vDRAW(f) {}
    AfxHandler(int (CWnd::*f)(CREATESTRUCTW*)) : is(f) {}
    AfxHandler(void (CWnd::*f)(UINT, int, int)) : vwii(f) {}
    AfxHandler(void (CWnd::*f)(int, int)) : vii(f) {}
    AfxHandler(void (CWnd::*f)(BOOL, UINT)) : vbw(f) {}
    AfxHandler(void (CWnd::*f)(BOOL)) : vb(f) {}
    AfxHandler(void (CWnd::*f)(UINT, UINT, UINT)) : vwww(f) {}
    AfxHandler(void (CWnd::*f)(CWnd*)) : vW(f) {}
    AfxHandler(LRESULT (CWnd::*f)(WPARAM, LPARAM)) : lwl(f) {}
    AfxHandler(void (CWnd::*f)(UINT)) : vw(f) {}
    AfxHandler(BOOL (CWnd::*f)()) : bv(f) {}

    void (CWnd::*vv)();
    BOOL (CWnd::*bD)(HDC);
    void (CWnd::*vT)(UINT_PTR);
    void (CWnd::*vwp)(UINT, CPoint);
    void (CWnd::*vwWb)(UINT, CWnd*, BOOL);
    void (CWnd::*vOWNER)(int, MEASUREITEMSTRUCT*);
    void (CWnd::*vDRAW)(int, DRAWITEMSTRUCT*);
    int (CWnd::*is)(CREATESTRUCTW*);
    void (CWnd::*vwii)(UINT, int, int);
    void (CWnd::*vii)(int, int);
    void (CWnd::*vbw)(BOOL, UINT);
    void (CWnd::*vb)(BOOL);
    void (CWnd::*vwww)(UINT, UINT, UINT);
    void (CWnd::*vW)(CWnd*);
    LRESULT (CWnd::*lwl)(WPARAM, LPARAM);
    void (CWnd::*vw)(UINT);
    BOOL (CWnd::*bv)();
};

// Handler signatures a message-map entry can carry.
enum AfxSig : UINT {
    AfxSig_end = 0,
    AfxSig_vv,      // void ()                    paint, close, destroy, commands
    AfxSig_bD,      // BOOL (HDC)                 WM_ERASEBKGND
    AfxSig_vT,      // void (UINT_PTR)            WM_TIMER
    AfxSig_vwp,     // void (UINT, CPoint)        mouse messages
    AfxSig_vwWb,    // void (UINT, CWnd*, BOOL)   WM_ACTIVATE
    AfxSig_vOWNER,  // void (int, LPMEASUREITEMSTRUCT)
    AfxSig_vDRAW,   // void (int, LPDRAWITEMSTRUCT)
    AfxSig_is,      // int (LPCREATESTRUCT)       WM_CREATE
    AfxSig_vwii,    // void (UINT, int, int)      WM_SIZE
    AfxSig_vii,     // void (int, int)            WM_MOVE
    AfxSig_vbw,     // void (BOOL, UINT)          WM_SHOWWINDOW
    AfxSig_vb,      // void (BOOL)                WM_ENABLE
    AfxSig_vwww,    // void (UINT, UINT, UINT)    WM_KEYDOWN, WM_KEYUP
    AfxSig_vW,      // void (CWnd*)               WM_SETFOCUS, WM_KILLFOCUS
    AfxSig_lwl,     // LRESULT (WPARAM, LPARAM)   ON_MESSAGE, ON_REGISTERED_MESSAGE
    AfxSig_vw,      // void (UINT)                ON_COMMAND_RANGE, ON_CONTROL_RANGE
    AfxSig_bv,      // BOOL ()                    WM_INITDIALOG through CDialog
};

// WM_COMMAND entries use nCode; other entries leave it 0. nID..nLastID is the
// command id range. pnRegistered points at the variable of a registered message.
struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    UINT nSig;
    AfxHandler pfn;
    const UINT* pnRegistered;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)          \
    const AFX_MSGMAP* theClass::GetMessageMap() const { \
        return GetThisMessageMap();                     \
    }                                                   \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
        using ThisClass = theClass;                     \
        using TheBaseClass = baseClass;                 \
        static const AFX_MSGMAP_ENTRY s_messageEntries[] = {
#define END_MESSAGE_MAP()                                                     \
    { 0, 0, 0, 0, AfxSig_end, AfxHandler(), nullptr }                         \
    }                                                                         \
    ;                                                                         \
    static const AFX_MSGMAP s_messageMap = {&TheBaseClass::GetThisMessageMap, \
                                            &s_messageEntries[0]};            \
    return &s_messageMap;                                                     \
    }

#define WQ_PMSG(type, fn) AfxHandler(static_cast<type>(&ThisClass::fn))

#define ON_WM_PAINT() {WM_PAINT, 0, 0, 0, AfxSig_vv, WQ_PMSG(void(CWnd::*)(), OnPaint), nullptr},
#define ON_WM_ERASEBKGND() \
    {WM_ERASEBKGND, 0, 0, 0, AfxSig_bD, WQ_PMSG(BOOL(CWnd::*)(HDC), OnEraseBkgnd), nullptr},
#define ON_WM_TIMER() \
    {WM_TIMER, 0, 0, 0, AfxSig_vT, WQ_PMSG(void(CWnd::*)(UINT_PTR), OnTimer), nullptr},
#define ON_WM_LBUTTONDOWN()                                                                    \
    {WM_LBUTTONDOWN, 0, 0, 0, AfxSig_vwp, WQ_PMSG(void(CWnd::*)(UINT, CPoint), OnLButtonDown), \
     nullptr},
#define ON_WM_LBUTTONUP() \
    {WM_LBUTTONUP, 0, 0, 0, AfxSig_vwp, WQ_PMSG(void(CWnd::*)(UINT, CPoint), OnLButtonUp), nullptr},
#define ON_WM_LBUTTONDBLCLK()                                                                      \
    {WM_LBUTTONDBLCLK, 0, 0, 0, AfxSig_vwp, WQ_PMSG(void(CWnd::*)(UINT, CPoint), OnLButtonDblClk), \
     nullptr},
#define ON_WM_MOUSEMOVE() \
    {WM_MOUSEMOVE, 0, 0, 0, AfxSig_vwp, WQ_PMSG(void(CWnd::*)(UINT, CPoint), OnMouseMove), nullptr},
#define ON_WM_ACTIVATE()                                                                       \
    {WM_ACTIVATE, 0, 0, 0, AfxSig_vwWb, WQ_PMSG(void(CWnd::*)(UINT, CWnd*, BOOL), OnActivate), \
     nullptr},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, 0, AfxSig_vv, WQ_PMSG(void(CWnd::*)(), OnClose), nullptr},
#define ON_WM_DESTROY() \
    {WM_DESTROY, 0, 0, 0, AfxSig_vv, WQ_PMSG(void(CWnd::*)(), OnDestroy), nullptr},
#define ON_WM_NCDESTROY() \
    {WM_NCDESTROY, 0, 0, 0, AfxSig_vv, WQ_PMSG(void(CWnd::*)(), OnNcDestroy), nullptr},
#define ON_WM_MEASUREITEM()                                           \
    {WM_MEASUREITEM,                                                  \
     0,                                                               \
     0,                                                               \
     0,                                                               \
     AfxSig_vOWNER,                                                   \
     WQ_PMSG(void(CWnd::*)(int, LPMEASUREITEMSTRUCT), OnMeasureItem), \
     nullptr},
#define ON_WM_DRAWITEM()                                           \
    {                                                              \
        WM_DRAWITEM,                                               \
        0,                                                         \
        0,                                                         \
        0,                                                         \
        AfxSig_vDRAW,                                              \
        WQ_PMSG(void(CWnd::*)(int, LPDRAWITEMSTRUCT), OnDrawItem), \
        nullptr},
#define ON_WM_CREATE() \
    {WM_CREATE, 0, 0, 0, AfxSig_is, WQ_PMSG(int(CWnd::*)(LPCREATESTRUCT), OnCreate), nullptr},
#define ON_WM_SIZE() \
    {WM_SIZE, 0, 0, 0, AfxSig_vwii, WQ_PMSG(void(CWnd::*)(UINT, int, int), OnSize), nullptr},
#define ON_WM_MOVE() \
    {WM_MOVE, 0, 0, 0, AfxSig_vii, WQ_PMSG(void(CWnd::*)(int, int), OnMove), nullptr},
#define ON_WM_SHOWWINDOW() \
    {WM_SHOWWINDOW, 0, 0, 0, AfxSig_vbw, WQ_PMSG(void(CWnd::*)(BOOL, UINT), OnShowWindow), nullptr},
#define ON_WM_ENABLE() \
    {WM_ENABLE, 0, 0, 0, AfxSig_vb, WQ_PMSG(void(CWnd::*)(BOOL), OnEnable), nullptr},
#define ON_WM_KEYDOWN()                                                                     \
    {WM_KEYDOWN, 0, 0, 0, AfxSig_vwww, WQ_PMSG(void(CWnd::*)(UINT, UINT, UINT), OnKeyDown), \
     nullptr},
#define ON_WM_KEYUP() \
    {WM_KEYUP, 0, 0, 0, AfxSig_vwww, WQ_PMSG(void(CWnd::*)(UINT, UINT, UINT), OnKeyUp), nullptr},
#define ON_WM_SETFOCUS() \
    {WM_SETFOCUS, 0, 0, 0, AfxSig_vW, WQ_PMSG(void(CWnd::*)(CWnd*), OnSetFocus), nullptr},
#define ON_WM_KILLFOCUS() \
    {WM_KILLFOCUS, 0, 0, 0, AfxSig_vW, WQ_PMSG(void(CWnd::*)(CWnd*), OnKillFocus), nullptr},

#define ON_COMMAND(id, fn)         \
    {WM_COMMAND,                   \
     0,                            \
     static_cast<UINT>(id),        \
     static_cast<UINT>(id),        \
     AfxSig_vv,                    \
     WQ_PMSG(void(CWnd::*)(), fn), \
     nullptr},
#define ON_CONTROL(code, id, fn)   \
    {WM_COMMAND,                   \
     static_cast<UINT>(code),      \
     static_cast<UINT>(id),        \
     static_cast<UINT>(id),        \
     AfxSig_vv,                    \
     WQ_PMSG(void(CWnd::*)(), fn), \
     nullptr},
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_COMMAND_RANGE(id, idLast, fn) \
    {WM_COMMAND,                         \
     0,                                  \
     static_cast<UINT>(id),              \
     static_cast<UINT>(idLast),          \
     AfxSig_vw,                          \
     WQ_PMSG(void(CWnd::*)(UINT), fn),   \
     nullptr},
#define ON_CONTROL_RANGE(code, id, idLast, fn) \
    {WM_COMMAND,                               \
     static_cast<UINT>(code),                  \
     static_cast<UINT>(id),                    \
     static_cast<UINT>(idLast),                \
     AfxSig_vw,                                \
     WQ_PMSG(void(CWnd::*)(UINT), fn),         \
     nullptr},
#define ON_MESSAGE(message, fn)                     \
    {static_cast<UINT>(message),                    \
     0,                                             \
     0,                                             \
     0,                                             \
     AfxSig_lwl,                                    \
     WQ_PMSG(LRESULT(CWnd::*)(WPARAM, LPARAM), fn), \
     nullptr},
#define ON_REGISTERED_MESSAGE(var, fn) \
    {0xC000, 0, 0, 0, AfxSig_lwl, WQ_PMSG(LRESULT(CWnd::*)(WPARAM, LPARAM), fn), &(var)},

class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }
    // The object bound to `hwnd`, or a temporary wrapper owned by the window
    // system (valid until the window is destroyed; do not store it). NULL for NULL.
    static CWnd* FromHandle(HWND hwnd);
    // The bound object only; NULL for windows without one.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Creates a child (WS_CHILD) or top-level window bound to this object.
    virtual BOOL Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect,
                        CWnd* parent, UINT nID, void* context = nullptr);
    virtual BOOL CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style,
                          const RECT& rect, CWnd* parent, UINT nID, LPVOID param = nullptr);
    BOOL CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU idOrMenu, LPVOID param = nullptr);
    // Destroys the window (the object stays). Overrides run their own steps first
    // and then call the base class.
    virtual BOOL DestroyWindow();

    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs, TIMERPROC proc);
    BOOL KillTimer(UINT_PTR id);

    void Invalidate(BOOL erase = TRUE);
    void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
    void ValidateRect(LPCRECT rect);
    void UpdateWindow();
    HDC BeginPaint(LPPAINTSTRUCT ps);
    void EndPaint(LPPAINTSTRUCT ps);
    HDC GetDC();
    int ReleaseDC(HDC dc);

    void GetClientRect(LPRECT rect) const;
    void GetWindowRect(LPRECT rect) const;
    void ClientToScreen(LPPOINT p) const;
    void ClientToScreen(LPRECT r) const;
    void ScreenToClient(LPPOINT p) const;
    void ScreenToClient(LPRECT r) const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(LPCRECT rect, BOOL repaint = TRUE);
    BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
    BOOL ShowWindow(int cmd);
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsWindowVisible() const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;

    void SetWindowText(LPCTSTR text);
    int GetWindowText(LPTSTR buffer, int maxCount) const;
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const;

    int GetDlgCtrlID() const;
    CWnd* GetParent() const;
    CWnd* GetDlgItem(int id) const;
    // A window of this process (the bound object when it has one) or of another
    // process (a temporary wrapper); NULL when none has that name.
    static CWnd* FindWindow(LPCTSTR className, LPCTSTR windowName);

    // WM_SETFONT / WM_GETFONT.
    void SetFont(HFONT font, BOOL redraw = TRUE);
    HFONT GetFont() const;

    CWnd* SetCapture();
    CWnd* SetActiveWindow();
    BOOL SetForegroundWindow();
    CWnd* SetFocus();
    static CWnd* GetCapture();
    static CWnd* GetActiveWindow();

    // Runs the message maps, then DefWindowProc.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The message-map walk: TRUE with *result when an entry handled the message.
    virtual BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called after WM_NCDESTROY, when m_hWnd is already NULL.
    virtual void PostNcDestroy() {}
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

protected:
    // DefWindowProc with the message currently being handled by this window.
    LRESULT Default();

    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(HDC dc);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    afx_msg void OnClose();
    afx_msg void OnDestroy();
    afx_msg void OnNcDestroy();
    afx_msg void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnMove(int x, int y);
    afx_msg void OnShowWindow(BOOL bShow, UINT nStatus);
    afx_msg void OnEnable(BOOL bEnable);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg void OnKillFocus(CWnd* pNewWnd);

    // The map chain ends here.
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

private:
    friend struct CWndAccess;
};
