// The skinned title list: a real child window of the skin's owner that
// answers the list-box messages (LB_RESETCONTENT, LB_ADDSTRING,
// LB_INSERTSTRING, LB_DELETESTRING, LB_GETCOUNT, LB_GETCURSEL, LB_SETCURSEL,
// LB_GETTEXT, LB_GETTEXTLEN, LB_GETTOPINDEX, LB_SETTOPINDEX,
// LB_GETITEMHEIGHT) and WM_SETFONT/WM_GETFONT, with member wrappers of the
// same names.
//
// Drawing: the skin background under the list, the selected row's highlight
// (the template's selection picture, else its selection colour), then each
// visible row's text in the window's font, transparent, in the row's colour
// (SetItemColor; the template's text colour otherwise), starting the left
// margin in from the left edge and clipped the right margin before the right
// edge (SetMargin(11, 10)), vertically centred in the row.
//
// Pen: a tap (down and up on one row without dragging) selects the row and
// sends the owner WM_COMMAND(MAKEWPARAM(id, 100), hwnd); a second tap on the
// same row within kDoubleTapMs (on the program clock) sends
// WM_COMMAND(MAKEWPARAM(id, 200), hwnd) instead. Dragging the pen up or down by more than half a
// row scrolls the list with the pen and selects nothing.
//
// Scrolling: SetCurSel(i) scrolls as little as needed to show row i;
// SetCurSel(i, TRUE) brings row i to the top of the view where the list is
// long enough (the last page is always full). The view never starts past the
// last full page.
// Thread: the GUI thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/skin/picture.h"
#include "platform/skin/template.h"
#include "platform/win/wnd.h"

class CSkinManager;

class CSkinListBox : public CWnd {
public:
    static constexpr UINT kCodeTap = 100;
    static constexpr UINT kCodeDoubleTap = 200;
    // Two taps on one row closer together than this are a double tap.
    static constexpr DWORD kDoubleTapMs = 500;

    CSkinListBox(CSkinManager* manager, const wq::skin::ElementSpec& spec);
    ~CSkinListBox() override;

    // Creates the child window on the owner; FALSE when that fails.
    BOOL CreateOn(CWnd* pOwner);

    // ---- list-box operations (also reachable as LB_* messages) ----
    void ResetContent();
    int AddString(LPCWSTR lpszItem);
    // nIndex -1 appends; an index past the end fails with LB_ERR.
    int InsertString(int nIndex, LPCWSTR lpszItem);
    int DeleteString(UINT nIndex);
    int GetCount() const;
    // -1 when nothing is selected.
    int GetCurSel() const;
    // Selects row nSelect (-1 clears the selection) and scrolls it into view;
    // LB_ERR for an index past the end (the selection is then cleared).
    int SetCurSel(int nSelect);
    // As above; with bTop the row becomes the first visible row where possible.
    int SetCurSel(int nSelect, BOOL bTop);
    int GetText(int nIndex, LPWSTR lpszBuffer) const;
    void GetText(int nIndex, CString& rString) const;
    int GetTextLen(int nIndex) const;
    int GetTopIndex() const { return m_nTop; }
    int SetTopIndex(int nIndex);
    int GetItemHeight(int nIndex = 0) const;

    // ---- skin extras ----
    // Text inset from the left edge and clip distance from the right edge, in pixels.
    void SetMargin(int nLeft, int nRight);
    // Text colour of one row (COLORREF); LB_ERR for an index out of range.
    int SetItemColor(int nIndex, COLORREF color);
    COLORREF GetItemColor(int nIndex) const;
    // Rows that fit entirely in the list's height (at least 1).
    int GetVisibleRows() const;
    // The row under a point in the list's client coordinates; -1 for none.
    int ItemFromPoint(POINT point) const;
    CRect GetSkinRect() const { return m_rect; }
    UINT GetID() const { return m_nID; }

    // Paints the list into hdc with its top-left at `origin` (the owner's
    // Draw uses this too, so an off-screen render of the face shows the list).
    void PaintInto(HDC hdc, POINT origin) const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Item {
        std::u16string text;
        COLORREF color;
    };
    void OnPenDown(POINT point);
    void OnPenMove(POINT point);
    void OnPenUp(POINT point);
    void EnsureVisible(int index, bool toTop);
    int MaxTop() const;
    void Redraw();
    void Notify(UINT code);

    CSkinManager* m_pManager;
    UINT m_nID;
    CRect m_rect;  // in the owner's client coordinates
    int m_nRowHeight;
    COLORREF m_textColor;
    COLORREF m_selectionColor;
    wq::skin::Picture m_selection;
    std::vector<Item> m_items;
    int m_nSel = -1;
    int m_nTop = 0;
    int m_nMarginLeft = 4;
    int m_nMarginRight = 4;
    HFONT m_hFont = nullptr;     // set by WM_SETFONT, not owned
    HFONT m_hOwnFont = nullptr;  // used until a font is set
    // Pen state: where it went down, the top row then, whether it is dragging.
    bool m_bPenDown = false;
    bool m_bDragging = false;
    POINT m_penStart{};
    int m_nPenTop = 0;
    // The last tap, for double taps.
    int m_nLastTapRow = -1;
    DWORD m_dwLastTapTime = 0;
};
