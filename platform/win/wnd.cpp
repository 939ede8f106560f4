// CWnd: binding objects to windows and the message-map walk.
#include "platform/win/wnd.h"

#include "platform/win/app.h"
#include "platform/win/internal.h"

using namespace wq::win::detail;

namespace wq::win::detail {

LRESULT CallObject(CWnd* object, UINT msg, WPARAM wParam, LPARAM lParam) {
    return object->WindowProc(msg, wParam, lParam);
}

void ObjectAttached(CWnd* object, HWND hwnd) {
    object->m_hWnd = hwnd;
}

void ObjectDetached(CWnd* object) {
    object->m_hWnd = nullptr;
    // The main window's end is the end of the thread's message loop.
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == object) {
        app->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
    object->PostNcDestroy();
}

void DropTemporary(HWND hwnd) {
    S().temporaries.erase(Key(hwnd));
}

}  // namespace wq::win::detail

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, AfxHandler(), nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const {
    return GetThisMessageMap();
}

CWnd::CWnd() = default;

CWnd::~CWnd() {
    Window* w = Find(m_hWnd);
    if (w && w->object == this) {
        // The object is going away: the window is destroyed without calling back into it.
        w->object = nullptr;
        HWND h = m_hWnd;
        m_hWnd = nullptr;
        ::DestroyWindow(h);
    }
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    if (CWnd* p = FromHandlePermanent(hwnd)) return p;
    if (!::IsWindow(hwnd)) return nullptr;
    auto& temps = S().temporaries;
    auto it = temps.find(Key(hwnd));
    if (it == temps.end()) {
        auto wrapper = std::make_unique<CWnd>();
        wrapper->m_hWnd = hwnd;
        it = temps.emplace(Key(hwnd), std::move(wrapper)).first;
    }
    return it->second.get();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    Window* w = Find(hwnd);
    return w ? w->object : nullptr;
}

BOOL CWnd::Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT nID, void*) {
    return CreateEx(0, className, windowName, style, rect, parent, nID, nullptr);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style,
                    const RECT& rect, CWnd* parent, UINT nID, LPVOID param) {
    return CreateEx(exStyle, className, windowName, style, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top,
                    parent ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(nID)), param);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU idOrMenu, LPVOID param) {
    if (m_hWnd && ::IsWindow(m_hWnd)) return FALSE;  // one window per object
    const UINT id = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(idOrMenu));
    HWND h = CreateWindowInternal(exStyle, className, windowName, style, x, y, width, height,
                                  parent, id, param, this, false);
    return h ? TRUE : FALSE;
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

LRESULT CWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, msg, wParam, lParam);
}
BOOL CWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(m_hWnd, msg, wParam, lParam);
}
UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    return m_hWnd ? ::SetTimer(m_hWnd, id, elapseMs, proc) : 0;
}
BOOL CWnd::KillTimer(UINT_PTR id) {
    return m_hWnd ? ::KillTimer(m_hWnd, id) : FALSE;
}

void CWnd::Invalidate(BOOL erase) {
    ::InvalidateRect(m_hWnd, nullptr, erase);
}
void CWnd::InvalidateRect(LPCRECT rect, BOOL erase) {
    ::InvalidateRect(m_hWnd, rect, erase);
}
void CWnd::ValidateRect(LPCRECT rect) {
    ::ValidateRect(m_hWnd, rect);
}
void CWnd::UpdateWindow() {
    ::UpdateWindow(m_hWnd);
}
HDC CWnd::BeginPaint(LPPAINTSTRUCT ps) {
    return ::BeginPaint(m_hWnd, ps);
}
void CWnd::EndPaint(LPPAINTSTRUCT ps) {
    ::EndPaint(m_hWnd, ps);
}
HDC CWnd::GetDC() {
    return ::GetDC(m_hWnd);
}
int CWnd::ReleaseDC(HDC dc) {
    return ::ReleaseDC(m_hWnd, dc);
}

void CWnd::GetClientRect(LPRECT rect) const {
    if (!::GetClientRect(m_hWnd, rect) && rect) *rect = RECT{};
}
void CWnd::GetWindowRect(LPRECT rect) const {
    if (!::GetWindowRect(m_hWnd, rect) && rect) *rect = RECT{};
}
void CWnd::ClientToScreen(LPPOINT p) const {
    ::ClientToScreen(m_hWnd, p);
}
void CWnd::ClientToScreen(LPRECT r) const {
    if (!r) return;
    POINT o{0, 0};
    ::ClientToScreen(m_hWnd, &o);
    ::OffsetRect(r, o.x, o.y);
}
void CWnd::ScreenToClient(LPPOINT p) const {
    ::ScreenToClient(m_hWnd, p);
}
void CWnd::ScreenToClient(LPRECT r) const {
    if (!r) return;
    POINT o{0, 0};
    ::ClientToScreen(m_hWnd, &o);
    ::OffsetRect(r, -o.x, -o.y);
}
void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}
void CWnd::MoveWindow(LPCRECT rect, BOOL repaint) {
    if (rect)
        ::MoveWindow(m_hWnd, rect->left, rect->top, rect->right - rect->left,
                     rect->bottom - rect->top, repaint);
}
BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
    return ::SetWindowPos(m_hWnd, insertAfter ? insertAfter->m_hWnd : nullptr, x, y, cx, cy, flags);
}
BOOL CWnd::ShowWindow(int cmd) {
    return ::ShowWindow(m_hWnd, cmd);
}
BOOL CWnd::EnableWindow(BOOL enable) {
    return ::EnableWindow(m_hWnd, enable);
}
BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}
BOOL CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}
DWORD CWnd::GetStyle() const {
    return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE));
}
DWORD CWnd::GetExStyle() const {
    return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE));
}

void CWnd::SetWindowText(LPCTSTR text) {
    ::SetWindowTextW(m_hWnd, text);
}
int CWnd::GetWindowText(LPTSTR buffer, int maxCount) const {
    return ::GetWindowTextW(m_hWnd, buffer, maxCount);
}
void CWnd::GetWindowText(CString& text) const {
    const int n = ::GetWindowTextLengthW(m_hWnd);
    std::u16string buffer(static_cast<size_t>(n) + 1, u'\0');
    const int got = ::GetWindowTextW(m_hWnd, buffer.data(), n + 1);
    buffer.resize(static_cast<size_t>(got));
    text = CString(std::move(buffer));
}
int CWnd::GetWindowTextLength() const {
    return ::GetWindowTextLengthW(m_hWnd);
}

int CWnd::GetDlgCtrlID() const {
    return ::GetDlgCtrlID(m_hWnd);
}
CWnd* CWnd::GetParent() const {
    return FromHandle(::GetParent(m_hWnd));
}
CWnd* CWnd::GetDlgItem(int id) const {
    return FromHandle(::GetDlgItem(m_hWnd, id));
}
CWnd* CWnd::FindWindow(LPCTSTR className, LPCTSTR windowName) {
    return FromHandle(::FindWindowW(className, windowName));
}

void CWnd::SetFont(HFONT font, BOOL redraw) {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
}
HFONT CWnd::GetFont() const {
    return reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
}

CWnd* CWnd::SetCapture() {
    return FromHandle(::SetCapture(m_hWnd));
}
CWnd* CWnd::SetActiveWindow() {
    return FromHandle(::SetActiveWindow(m_hWnd));
}
BOOL CWnd::SetForegroundWindow() {
    return ::SetForegroundWindow(m_hWnd);
}
CWnd* CWnd::SetFocus() {
    return FromHandle(::SetFocus(m_hWnd));
}
CWnd* CWnd::GetCapture() {
    return FromHandle(::GetCapture());
}
CWnd* CWnd::GetActiveWindow() {
    return FromHandle(::GetActiveWindow());
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(msg, wParam, lParam, &result)) result = DefWindowProc(msg, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::Default() {
    const auto& cur = S().current;
    for (auto it = cur.rbegin(); it != cur.rend(); ++it) {
        if (it->hwnd == m_hWnd) return DefWindowProc(it->message, it->wParam, it->lParam);
    }
    return 0;
}

namespace {

bool Matches(const AFX_MSGMAP_ENTRY& e, UINT msg, WPARAM wParam) {
    if (e.pnRegistered) return msg >= 0xC000 && *e.pnRegistered == msg;
    if (e.nMessage != msg) return false;
    if (msg != WM_COMMAND) return true;
    const UINT id = LOWORD(wParam);
    return HIWORD(wParam) == e.nCode && id >= e.nID && id <= e.nLastID;
}

}  // namespace

BOOL CWnd::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const AFX_MSGMAP_ENTRY* entry = nullptr;
    for (const AFX_MSGMAP* map = GetMessageMap(); map && !entry;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e && e->nSig != AfxSig_end; ++e) {
            if (Matches(*e, msg, wParam)) {
                entry = e;
                break;
            }
        }
    }
    if (!entry) return FALSE;
    LRESULT r = 0;
    const AfxHandler& f = entry->pfn;
    const auto lo = static_cast<short>(LOWORD(static_cast<std::uintptr_t>(lParam)));
    const auto hi = static_cast<short>(HIWORD(static_cast<std::uintptr_t>(lParam)));
    switch (entry->nSig) {
        case AfxSig_vv:
            (this->*f.vv)();
            break;
        case AfxSig_bD:
            r = (this->*f.bD)(reinterpret_cast<HDC>(wParam));
            break;
        case AfxSig_vT:
            (this->*f.vT)(static_cast<UINT_PTR>(wParam));
            break;
        case AfxSig_vwp:
            (this->*f.vwp)(static_cast<UINT>(wParam), CPoint(lParam));
            break;
        case AfxSig_vwWb:
            (this->*f.vwWb)(LOWORD(wParam), FromHandle(reinterpret_cast<HWND>(lParam)),
                            HIWORD(wParam));
            break;
        case AfxSig_vOWNER:
            (this->*f.vOWNER)(static_cast<int>(wParam),
                              reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
            r = TRUE;
            break;
        case AfxSig_vDRAW:
            (this->*f.vDRAW)(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
            r = TRUE;
            break;
        case AfxSig_is:
            r = (this->*f.is)(reinterpret_cast<LPCREATESTRUCT>(lParam));
            break;
        case AfxSig_vwii:
            (this->*f.vwii)(static_cast<UINT>(wParam), lo, hi);
            break;
        case AfxSig_vii:
            (this->*f.vii)(lo, hi);
            break;
        case AfxSig_vbw:
            (this->*f.vbw)(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
            break;
        case AfxSig_vb:
            (this->*f.vb)(static_cast<BOOL>(wParam));
            break;
        case AfxSig_vwww:
            (this->*f.vwww)(static_cast<UINT>(wParam), LOWORD(static_cast<std::uintptr_t>(lParam)),
                            HIWORD(static_cast<std::uintptr_t>(lParam)));
            break;
        case AfxSig_vW:
            (this->*f.vW)(FromHandle(reinterpret_cast<HWND>(wParam)));
            break;
        case AfxSig_lwl:
            r = (this->*f.lwl)(wParam, lParam);
            break;
        case AfxSig_vw:
            (this->*f.vw)(LOWORD(wParam));
            break;
        case AfxSig_bv:
            r = (this->*f.bv)();
            break;
        default:
            return FALSE;
    }
    if (result) *result = r;
    return TRUE;
}

// The base handlers do what the window would do without a handler.
void CWnd::OnPaint() {
    Default();
}
BOOL CWnd::OnEraseBkgnd(HDC) {
    return static_cast<BOOL>(Default());
}
void CWnd::OnTimer(UINT_PTR) {
    Default();
}
void CWnd::OnLButtonDown(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonUp(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonDblClk(UINT, CPoint) {
    Default();
}
void CWnd::OnMouseMove(UINT, CPoint) {
    Default();
}
void CWnd::OnActivate(UINT, CWnd*, BOOL) {
    Default();
}
void CWnd::OnClose() {
    Default();
}
void CWnd::OnDestroy() {
    Default();
}
void CWnd::OnNcDestroy() {
    Default();
}
void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT) {
    Default();
}
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT) {
    Default();
}
int CWnd::OnCreate(LPCREATESTRUCT) {
    return static_cast<int>(Default());
}
void CWnd::OnSize(UINT, int, int) {
    Default();
}
void CWnd::OnMove(int, int) {
    Default();
}
void CWnd::OnShowWindow(BOOL, UINT) {
    Default();
}
void CWnd::OnEnable(BOOL) {
    Default();
}
void CWnd::OnKeyDown(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnKeyUp(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnSetFocus(CWnd*) {
    Default();
}
void CWnd::OnKillFocus(CWnd*) {
    Default();
}
