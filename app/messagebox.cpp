#include "app/messagebox.h"

#include "platform/device/hooks.h"
#include "platform/gdi/gdi.h"

namespace wq::app {

namespace {

// The player's palette: a deep blue panel with a light frame and white text.
constexpr COLORREF kPanel = RGB(18, 38, 74);
constexpr COLORREF kFrame = RGB(120, 170, 230);
constexpr COLORREF kText = RGB(255, 255, 255);
constexpr int kWidth = 300;
constexpr int kHeight = 110;

// Pop-up, visible, font "System" 8 (WS_POPUP | WS_VISIBLE | DS_SETFONT), named
// "WQMessage", without controls.
constexpr wq::win::DialogResource kResource{IDD_WQMESSAGE, 200,       72, 0x90000040, 0x80040000,
                                            u"WQMessage",  u"System", 8,  {}};

}  // namespace

CWQMessageDlg::CWQMessageDlg(const CString& text, UINT style, CWnd* parent)
    : CDialog(IDD_WQMESSAGE, parent), m_strText(text), m_nStyle(style) {
    wq::win::RegisterDialogResource(kResource);
}

CWQMessageDlg::~CWQMessageDlg() {
    if (m_hFont) DeleteObject(m_hFont);
}

BEGIN_MESSAGE_MAP(CWQMessageDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

BOOL CWQMessageDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(u"WQMessage");
    if (!m_hFont)
        m_hFont = CreateFont(15, 0, 0, 0, 700, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0x20, u"굴림");
    // Centred on the 480 x 234 screen of the device.
    MoveWindow((480 - kWidth) / 2, (234 - kHeight) / 2, kWidth, kHeight, TRUE);
    return TRUE;
}

BOOL CWQMessageDlg::OnEraseBkgnd(HDC) {
    return 1;
}

void CWQMessageDlg::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(&ps);
    CRect rc;
    GetClientRect(&rc);
    HBRUSH frame = CreateSolidBrush(kFrame);
    HBRUSH panel = CreateSolidBrush(kPanel);
    FillRect(dc, &rc, frame);
    CRect inner(rc.left + 2, rc.top + 2, rc.right - 2, rc.bottom - 2);
    FillRect(dc, &inner, panel);
    DeleteObject(frame);
    DeleteObject(panel);

    HGDIOBJ oldFont = SelectObject(dc, m_hFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kText);
    // One centred line per line of the text; blank lines keep their space.
    CStringArray lines;
    CString line;
    for (int i = 0; i < m_strText.GetLength(); ++i) {
        if (m_strText[i] == u'\n') {
            lines.Add(line);
            line.Empty();
        } else if (m_strText[i] != u'\r') {
            line += m_strText[i];
        }
    }
    lines.Add(line);
    const int lineHeight = 18;
    int y = (rc.Height() - lines.GetSize() * lineHeight) / 2;
    for (int i = 0; i < lines.GetSize(); ++i, y += lineHeight) {
        CRect row(rc.left + 6, y, rc.right - 6, y + lineHeight);
        DrawText(dc, lines[i], lines[i].GetLength(), &row, DT_CENTER | DT_SINGLELINE);
    }
    SelectObject(dc, oldFont);
    EndPaint(&ps);
}

void CWQMessageDlg::OnLButtonUp(UINT, CPoint) {
    EndDialog(IDOK);
}

void InstallMessageBox() {
    wq::device::SetMessageBoxImpl([](const CString& text, UINT style, HWND parent) {
        CWQMessageDlg box(text, style, CWnd::FromHandle(parent));
        return static_cast<int>(box.DoModal());
    });
}

}  // namespace wq::app
