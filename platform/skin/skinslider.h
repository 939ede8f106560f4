// A skin slider: range 0..100, horizontal (0 at the left) or vertical (0 at
// the top). Pictures: a track drawn over the slider's rectangle, an optional
// fill drawn from the start up to the thumb, and the thumb, all with the
// magenta colour key. Without a thumb picture the thumb is a 6-pixel bar.
//
// Pen: going down anywhere on the slider moves the thumb's centre to the pen
// and sends WM_COMMAND(MAKEWPARAM(id, 200), 0); each move that changes the
// position while the pen stays down sends 200 again; lifting the pen sets the
// final position and sends 100 once. SetPos from the program sends nothing.
// Thread: the GUI thread.
#pragma once

#include "platform/skin/picture.h"
#include "platform/skin/skincontrol.h"

class CSkinSlider : public CSkinControl {
public:
    static constexpr int kMin = 0;
    static constexpr int kMax = 100;
    static constexpr UINT kCodeSet = 100;
    static constexpr UINT kCodeDrag = 200;

    CSkinSlider(CSkinManager* manager, const wq::skin::ElementSpec& spec);
    ~CSkinSlider() override;

    int GetPos() const { return m_nPos; }
    // Clamped to 0..100; redraws the slider when the position changes.
    void SetPos(int nPos);
    int GetRangeMin() const { return kMin; }
    int GetRangeMax() const { return kMax; }
    BOOL IsVertical() const { return m_bVertical; }
    BOOL IsDragging() const { return m_bDragging; }

    // The thumb's rectangle for the current position (owner client coordinates).
    CRect GetThumbRect() const;
    // The position a pen at `point` selects (clamped to the range).
    int PosFromPoint(POINT point) const;

    void Draw(HDC hdc) const;

    // Pen handling, driven by CSkinManager.
    void OnPenDown(POINT point);
    void OnPenMove(POINT point);
    void OnPenUp(POINT point);
    void CancelPen();

private:
    SIZE ThumbSize() const;
    // Moves the thumb; true when the position changed.
    bool MoveTo(int pos);

    wq::skin::Picture m_thumb;
    wq::skin::Picture m_track;
    wq::skin::Picture m_fill;
    BOOL m_bVertical = FALSE;
    BOOL m_bDragging = FALSE;
    int m_nPos = 0;
};
