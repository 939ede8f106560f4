// The skinned list: items, selection and view, list-box messages, painting
// and the pen.
#include "platform/skin/skinlistbox.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/gdi/gdi.h"
#include "platform/skin/skinmanager.h"

namespace {

LONG RectHeight(const RECT& r) {
    return r.bottom - r.top;
}
}  // namespace

CSkinListBox::CSkinListBox(CSkinManager* manager, const wq::skin::ElementSpec& spec)
    : m_pManager(manager),
      m_nID(spec.id),
      m_rect(spec.rect),
      m_nRowHeight(std::max(1, spec.rowHeight)),
      m_textColor(spec.textColor),
      m_selectionColor(spec.selectionColor) {
    if (!spec.selection.empty()) m_pManager->LoadPicture(m_selection, spec.selection, spec.line);
    // Until the owner sets one, rows use a font sized to the row height.
    m_hOwnFont = CreateFontW(std::clamp(m_nRowHeight - 4, 8, 40), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                             ANSI_CHARSET, 0, 0, 0, FF_SWISS, u"굴림");
}

CSkinListBox::~CSkinListBox() {
    if (m_hWnd) DestroyWindow();
    if (m_hOwnFont) DeleteObject(reinterpret_cast<HGDIOBJ>(m_hOwnFont));
}

BOOL CSkinListBox::CreateOn(CWnd* pOwner) {
    if (!pOwner || !pOwner->m_hWnd) return FALSE;
    return Create(u"WQSkinList", u"", WS_CHILD | WS_VISIBLE, m_rect, pOwner, m_nID);
}

// ---- items and selection ---------------------------------------------------------

void CSkinListBox::ResetContent() {
    m_items.clear();
    m_nSel = -1;
    m_nTop = 0;
    m_nLastTapRow = -1;
    Redraw();
}

int CSkinListBox::AddString(LPCWSTR lpszItem) {
    return InsertString(-1, lpszItem);
}

int CSkinListBox::InsertString(int nIndex, LPCWSTR lpszItem) {
    if (!lpszItem) return static_cast<int>(LB_ERR);
    const int count = GetCount();
    if (nIndex < -1 || nIndex > count) return static_cast<int>(LB_ERR);
    const int at = nIndex == -1 ? count : nIndex;
    m_items.insert(m_items.begin() + at, Item{lpszItem, m_textColor});
    // The selected item keeps its selection when rows are inserted above it.
    if (m_nSel >= at) ++m_nSel;
    Redraw();
    return at;
}

int CSkinListBox::DeleteString(UINT nIndex) {
    if (nIndex >= m_items.size()) return static_cast<int>(LB_ERR);
    const int at = static_cast<int>(nIndex);
    m_items.erase(m_items.begin() + at);
    if (m_nSel == at) {
        m_nSel = -1;
    } else if (m_nSel > at) {
        --m_nSel;
    }
    m_nTop = std::min(m_nTop, MaxTop());
    Redraw();
    return GetCount();
}

int CSkinListBox::GetCount() const {
    return static_cast<int>(m_items.size());
}

int CSkinListBox::GetCurSel() const {
    return m_nSel;
}

int CSkinListBox::SetCurSel(int nSelect) {
    return SetCurSel(nSelect, FALSE);
}

int CSkinListBox::SetCurSel(int nSelect, BOOL bTop) {
    if (nSelect < 0 || nSelect >= GetCount()) {
        m_nSel = -1;
        Redraw();
        return static_cast<int>(LB_ERR);
    }
    m_nSel = nSelect;
    EnsureVisible(nSelect, bTop != FALSE);
    Redraw();
    return nSelect;
}

int CSkinListBox::GetText(int nIndex, LPWSTR lpszBuffer) const {
    if (nIndex < 0 || nIndex >= GetCount() || !lpszBuffer) return static_cast<int>(LB_ERR);
    const std::u16string& t = m_items[static_cast<size_t>(nIndex)].text;
    std::memcpy(lpszBuffer, t.c_str(), (t.size() + 1) * sizeof(char16_t));
    return static_cast<int>(t.size());
}

void CSkinListBox::GetText(int nIndex, CString& rString) const {
    if (nIndex < 0 || nIndex >= GetCount()) {
        rString.Empty();
        return;
    }
    rString = CString(m_items[static_cast<size_t>(nIndex)].text);
}

int CSkinListBox::GetTextLen(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetCount()) return static_cast<int>(LB_ERR);
    return static_cast<int>(m_items[static_cast<size_t>(nIndex)].text.size());
}

int CSkinListBox::SetTopIndex(int nIndex) {
    if (nIndex < 0 || nIndex >= std::max(1, GetCount())) return static_cast<int>(LB_ERR);
    m_nTop = std::min(nIndex, MaxTop());
    Redraw();
    return 0;
}

int CSkinListBox::GetItemHeight(int) const {
    return m_nRowHeight;
}

void CSkinListBox::SetMargin(int nLeft, int nRight) {
    m_nMarginLeft = std::max(0, nLeft);
    m_nMarginRight = std::max(0, nRight);
    Redraw();
}

int CSkinListBox::SetItemColor(int nIndex, COLORREF color) {
    if (nIndex < 0 || nIndex >= GetCount()) return static_cast<int>(LB_ERR);
    m_items[static_cast<size_t>(nIndex)].color = color;
    Redraw();
    return 0;
}

COLORREF CSkinListBox::GetItemColor(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetCount()) return CLR_INVALID;
    return m_items[static_cast<size_t>(nIndex)].color;
}

// ---- view --------------------------------------------------------------------------

int CSkinListBox::GetVisibleRows() const {
    return std::max<int>(1, RectHeight(m_rect) / m_nRowHeight);
}

int CSkinListBox::MaxTop() const {
    return std::max(0, GetCount() - GetVisibleRows());
}

void CSkinListBox::EnsureVisible(int index, bool toTop) {
    const int rows = GetVisibleRows();
    if (toTop) {
        m_nTop = index;
    } else if (index < m_nTop) {
        m_nTop = index;
    } else if (index >= m_nTop + rows) {
        m_nTop = index - rows + 1;
    }
    m_nTop = std::clamp(m_nTop, 0, MaxTop());
}

int CSkinListBox::ItemFromPoint(POINT point) const {
    if (point.x < 0 || point.x >= m_rect.Width() || point.y < 0 || point.y >= m_rect.Height())
        return -1;
    const int row = m_nTop + point.y / m_nRowHeight;
    return row < GetCount() ? row : -1;
}

void CSkinListBox::Redraw() {
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

// ---- painting ------------------------------------------------------------------------

void CSkinListBox::PaintInto(HDC hdc, POINT origin) const {
    const int w = m_rect.Width();
    const int h = m_rect.Height();
    const CRect area(origin.x, origin.y, origin.x + w, origin.y + h);

    // The skin background under the list, unscaled.
    const wq::skin::Picture& bg = m_pManager->GetBackground();
    if (bg.IsLoaded()) {
        CRect src;
        const CRect bounds(0, 0, bg.Width(), bg.Height());
        if (src.IntersectRect(&m_rect, &bounds)) {
            CRect dest = src;
            dest.OffsetRect(origin.x - m_rect.left, origin.y - m_rect.top);
            bg.Draw(hdc, dest, src, wq::skin::Blend::Opaque);
        }
    }

    HFONT font = m_hFont ? m_hFont : m_hOwnFont;
    HGDIOBJ oldFont = font ? SelectObject(hdc, reinterpret_cast<HGDIOBJ>(font)) : nullptr;
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    const COLORREF oldColour = GetTextColor(hdc);
    TEXTMETRICW tm;
    GetTextMetricsW(hdc, &tm);

    const int last = std::min(GetCount(), m_nTop + GetVisibleRows() + 1);
    for (int i = m_nTop; i < last; ++i) {
        CRect row(area.left, area.top + (i - m_nTop) * m_nRowHeight, area.right,
                  area.top + (i - m_nTop + 1) * m_nRowHeight);
        CRect visible;
        if (!visible.IntersectRect(&row, &area)) break;
        if (i == m_nSel) {
            if (m_selection.IsLoaded()) {
                m_selection.Draw(hdc, row, RECT{0, 0, m_selection.Width(), m_selection.Height()},
                                 wq::skin::Blend::Keyed);
            } else {
                HBRUSH brush = CreateSolidBrush(m_selectionColor);
                FillRect(hdc, &visible, brush);
                DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
            }
        }
        CRect text(visible.left + m_nMarginLeft, visible.top, visible.right - m_nMarginRight,
                   visible.bottom);
        if (text.IsRectEmpty()) continue;
        const Item& item = m_items[static_cast<size_t>(i)];
        SetTextColor(hdc, item.color);
        const int y = row.top + (m_nRowHeight - tm.tmHeight) / 2;
        ExtTextOutW(hdc, text.left, y, ETO_CLIPPED, &text, item.text.c_str(),
                    static_cast<UINT>(item.text.size()), nullptr);
    }

    SetTextColor(hdc, oldColour);
    SetBkMode(hdc, oldMode);
    if (oldFont) SelectObject(hdc, oldFont);
}

// ---- pen ------------------------------------------------------------------------------

void CSkinListBox::OnPenDown(POINT point) {
    m_bPenDown = true;
    m_bDragging = false;
    m_penStart = point;
    m_nPenTop = m_nTop;
    ::SetCapture(m_hWnd);
}

void CSkinListBox::OnPenMove(POINT point) {
    if (!m_bPenDown) return;
    const int dy = point.y - m_penStart.y;
    if (!m_bDragging && std::abs(dy) * 2 > m_nRowHeight) m_bDragging = true;
    if (!m_bDragging) return;
    // The rows follow the pen: dragging down shows earlier rows.
    const int top = std::clamp(m_nPenTop - dy / m_nRowHeight, 0, MaxTop());
    if (top != m_nTop) {
        m_nTop = top;
        Redraw();
    }
}

void CSkinListBox::OnPenUp(POINT point) {
    if (!m_bPenDown) return;
    m_bPenDown = false;
    const bool dragged = m_bDragging;
    m_bDragging = false;
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    if (dragged) {
        m_nLastTapRow = -1;
        return;
    }
    const int row = ItemFromPoint(point);
    if (row < 0) return;
    const DWORD now = GetTickCount();
    const bool doubleTap =
        row == m_nLastTapRow && static_cast<DWORD>(now - m_dwLastTapTime) < kDoubleTapMs;
    m_nSel = row;
    EnsureVisible(row, false);
    Redraw();
    if (doubleTap) {
        m_nLastTapRow = -1;
        Notify(kCodeDoubleTap);
    } else {
        m_nLastTapRow = row;
        m_dwLastTapTime = now;
        Notify(kCodeTap);
    }
}

void CSkinListBox::Notify(UINT code) {
    HWND parent = ::GetParent(m_hWnd);
    if (!parent) return;
    ::SendMessageW(parent, WM_COMMAND,
                   MAKEWPARAM(static_cast<WORD>(m_nID), static_cast<WORD>(code)),
                   reinterpret_cast<LPARAM>(m_hWnd));
}

// ---- messages ---------------------------------------------------------------------------

LRESULT CSkinListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const int index = static_cast<int>(static_cast<LONG_PTR>(wParam));
    const auto text = reinterpret_cast<LPCWSTR>(lParam);
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC hdc = ::BeginPaint(m_hWnd, &ps);
            if (hdc) PaintInto(hdc, POINT{0, 0});
            ::EndPaint(m_hWnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_LBUTTONDOWN:
            OnPenDown(CPoint(lParam));
            return 0;
        case WM_MOUSEMOVE:
            OnPenMove(CPoint(lParam));
            return 0;
        case WM_LBUTTONUP:
            OnPenUp(CPoint(lParam));
            return 0;
        case WM_CAPTURECHANGED:
            m_bPenDown = false;
            m_bDragging = false;
            return 0;
        case WM_SETFONT:
            m_hFont = reinterpret_cast<HFONT>(wParam);
            if (lParam) Redraw();
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(m_hFont);
        case LB_RESETCONTENT:
            ResetContent();
            return 0;
        case LB_ADDSTRING:
            return AddString(text);
        case LB_INSERTSTRING:
            return InsertString(index, text);
        case LB_DELETESTRING:
            return DeleteString(static_cast<UINT>(wParam));
        case LB_GETCOUNT:
            return GetCount();
        case LB_GETCURSEL:
            return m_nSel < 0 ? LB_ERR : m_nSel;
        case LB_SETCURSEL:
            return SetCurSel(index);
        case LB_GETTEXT:
            return GetText(index, reinterpret_cast<LPWSTR>(lParam));
        case LB_GETTEXTLEN:
            return GetTextLen(index);
        case LB_GETTOPINDEX:
            return m_nTop;
        case LB_SETTOPINDEX:
            return SetTopIndex(index);
        case LB_GETITEMHEIGHT:
            return m_nRowHeight;
        default:
            return CWnd::WindowProc(message, wParam, lParam);
    }
}
