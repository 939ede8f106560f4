// The volume pop-up "WQVol" for desktops without a volume program of their
// own: a small top-level window with a mute button (the strip's output icon),
// minus, a level bar of eleven steps and plus, and the volume number.
//
// It is created hidden when the player starts and no other program offers a
// window "WQVol" on the desktop bus (that program then gets the strip's taps
// instead). "WQ:MSG:M_VOLUME_SHOW" with wParam 1 shows it: the handler only
// posts the showing to itself and returns 1 at once, so the sender never waits
// for it. Shown, it takes the pen and the activation stays with the player; it
// hides after 3 s without input, on a tap outside it, or on the close key
// ("WQ:MSG:KEYDOWN" 128).
//
// Each change sets the real output through the device services (SetOutMute,
// and SetOutVolume or, with a headphone, SetEarOutVolume with the table entry
// of the new level), writes "Volume" and "Mute" of "WQSETUP" and posts
// "WQ:MSG:AUDIOUPDATE" to "WQAudio", "WQEqualizer" and "WQPATTERN".
// Thread: the GUI thread.
#pragma once

#include "platform/win/afxwin.h"

namespace wq::app {

class CVolumePopup : public CWnd {
public:
    // The window's class name: FindWindow with it finds only this program's pop-up.
    static constexpr const char16_t* kClassName = u"WQVolPopup";
    static constexpr int kWidth = 250, kHeight = 64;
    static constexpr UINT kHideAfterMs = 3000;

    enum Part { PART_NONE, PART_MUTE, PART_MINUS, PART_BAR, PART_PLUS };
    // Where each part lies, in client coordinates.
    static CRect PartRect(Part part);
    static Part HitTest(POINT point);

    CVolumePopup();
    ~CVolumePopup() override;

    // Creates the hidden window unless a window "WQVol" exists already, here
    // or in another program. FALSE when it was not created.
    BOOL CreateIfAbsent();
    BOOL IsShown() const { return m_hWnd && IsWindowVisible(); }
    int GetLevel() const { return m_nLevel; }
    BOOL IsMuted() const { return m_bMute; }

    // Sets level and mute (level limited to 0..11) as a tap would.
    void Apply(int level, BOOL mute);

protected:
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(HDC hdc);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg LRESULT OnVolumeShow(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnShowPosted(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void Show();
    void Hide();
    void StillInUse();  // restarts the 3 s
    void DrawBar(HDC dc) const;
    void DrawNumber(HDC dc) const;

    int m_nLevel = 9;
    BOOL m_bMute = FALSE;
    BOOL m_bEarphone = FALSE;
    Part m_pressed = PART_NONE;
};

}  // namespace wq::app
