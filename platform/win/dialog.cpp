// CDialog: creation from a dialog resource and the modal loop.
#include "platform/win/dialog.h"

#include "platform/win/app.h"
#include "platform/win/dlgres.h"
#include "platform/win/internal.h"

using namespace wq::win::detail;

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
    ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
END_MESSAGE_MAP()

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
    return OnInitDialog();
}

BOOL CDialog::OnInitDialog() {
    return TRUE;
}

BOOL CDialog::UpdateData(BOOL) {
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int nResult) {
    ::EndDialog(m_hWnd, nResult);
}

HWND CDialog::CreateFromResource(HWND owner) {
    const wq::win::DialogResource* res = wq::win::FindDialogResource(m_nIDTemplate);
    if (!res) return nullptr;
    RECT size{0, 0, res->cx, res->cy};
    MapDialogRect(nullptr, &size);
    // Created hidden; a visible-style dialog is shown once OnInitDialog has run.
    HWND h = CreateWindowInternal(res->exStyle, u"#32770", res->caption, res->style & ~WS_VISIBLE,
                                  0, 0, size.right, size.bottom, owner, 0, nullptr, this, true);
    if (!h) return nullptr;
    for (const wq::win::DialogControl& c : res->controls) {
        RECT r{c.x, c.y, c.x + c.cx, c.y + c.cy};
        MapDialogRect(h, &r);
        CreateWindowInternal(0, c.className, c.caption, c.style | WS_CHILD, r.left, r.top,
                             r.right - r.left, r.bottom - r.top, h, c.id, nullptr, nullptr, false);
    }
    const LRESULT focusDefault = ::SendMessageW(h, WM_INITDIALOG, 0, 0);
    if (!Find(h)) return nullptr;
    if (focusDefault) {
        // The first tab-stop control takes the focus.
        for (HWND c : Find(h)->children) {
            if (::GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) {
                ::SetFocus(c);
                break;
            }
        }
    }
    if (Find(h) && (res->style & WS_VISIBLE) && !::IsWindowVisible(h)) {
        ::ShowWindow(h, SW_SHOWNORMAL);
        ::UpdateWindow(h);
    }
    return Find(h) ? h : nullptr;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    if (m_hWnd) return FALSE;
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    return CreateFromResource(pParentWnd ? TopLevelOf(pParentWnd->m_hWnd) : nullptr) ? TRUE : FALSE;
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd && ::IsWindow(m_hWnd)) return -1;  // already running
    // The owner: the parent's top-level window, else the main window.
    HWND owner = nullptr;
    if (m_pParentWnd && m_pParentWnd->m_hWnd) {
        owner = TopLevelOf(m_pParentWnd->m_hWnd);
    } else if (CWnd* main = AfxGetMainWnd(); main && main != this) {
        owner = TopLevelOf(main->m_hWnd);
    }
    const bool disabledOwner = owner && ::IsWindowEnabled(owner);
    if (disabledOwner) ::EnableWindow(owner, FALSE);

    HWND h = CreateFromResource(owner);
    int result = -1;
    if (h) {
        // The loop checks the end flag after every dispatched message.
        for (;;) {
            Window* w = Find(h);
            if (!w) break;
            if (w->ended) {
                S().modalWake = false;  // seen here; no wake-up needed
                result = w->result;
                break;
            }
            MSG msg;
            if (!::GetMessageW(&msg, nullptr, 0, 0)) {
                // WM_QUIT ends this loop and, posted again, every outer loop.
                PostQuitMessage(static_cast<int>(msg.wParam));
                if (Window* ww = Find(h); ww && ww->ended) result = ww->result;
                break;
            }
            if (!PreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
    }
    if (disabledOwner && Find(owner)) ::EnableWindow(owner, TRUE);
    if (h && Find(h)) {
        ::ShowWindow(h, SW_HIDE);
        if (owner && Find(owner) && ::IsWindowVisible(owner)) ::SetActiveWindow(owner);
        DestroyWindow();  // the class's own override runs first
    }
    return result;
}
