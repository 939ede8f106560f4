// What the spectrum display needs from the window that shows it. The player
// window implements this; visual/ never includes the player's headers, so the
// dependency points down from the player to here.
//
// Thread: every function is called on the GUI thread only.
#pragma once

#include "platform/base/wintypes.h"

class CSpectrumHost {
public:
    virtual ~CSpectrumHost() = default;

    // True while the play state is playing (the player's GetIsPlay).
    virtual BOOL SpectrumIsPlaying() const = 0;
    // The selected pattern number (the player's m_nPattern): 0 BASIC,
    // 1 SYMMETRIC, 2 WAVE; any other number draws the background only.
    virtual int SpectrumPattern() const = 0;
    // The player's m_bVisualReady: until it is set every drawn level is 0.
    virtual BOOL SpectrumVisualReady() const = 0;
    // The player's m_bActive != 0: blocks that come due while the window is
    // inactive are dropped without touching the transform or the display.
    virtual BOOL SpectrumIsActive() const = 0;
    // The spectrum rectangle in client coordinates (the player's m_rcSpectrum).
    virtual RECT SpectrumRect() const = 0;
    // The window that shows the spectrum; its timers pace the frames.
    virtual HWND SpectrumWindow() const = 0;
    // A client drawing context of that window (GetDC) and its release
    // (ReleaseDC). A null DC skips the frame.
    virtual HDC SpectrumGetDC() = 0;
    virtual void SpectrumReleaseDC(HDC dc) = 0;
    // Whether a frame drawn now can be seen by anybody. While it cannot, frames
    // are not drawn, but the levels move on as if they were.
    virtual BOOL SpectrumIsSeen() const { return TRUE; }
};
