// CTrackInfoWnd: the bit rate and sample rate of the current track as one
// line of white text, "128 Kbps / 44 Khz", over a copy of the player's
// background. Updates recompose off-screen (one block copy and one text
// output) and painting shows the result with one block copy, so the skin
// never flickers. The caller invalidates the window after Compose.
// Thread: the GUI thread.
#pragma once

#include "platform/base/cstring.h"
#include "platform/gdi/gdi.h"
#include "platform/win/wnd.h"
#include "trackinfo/overlay_buffers.h"

class CTrackInfoWnd : public CWnd {
public:
    // Bit rate 0, sample rate 0, the font made: bold "굴림" of cell height 8.
    CTrackInfoWnd();
    ~CTrackInfoWnd() override;
    // Deletes both buffers, then lets the framework destroy the window.
    BOOL DestroyWindow() override;

    // Makes the background and composition buffers the size of rect and fills
    // both from the player window's DC at rect's top-left (player coordinates).
    BOOL CaptureBackground(HDC hdcParent, const RECT& rect);

    void SetBitRate(int nKbps) { m_nBitRate = nKbps; }
    // Stored in kHz: Hz / 1000, truncated (22050 gives 22).
    void SetSampleRate(int nHz) { m_nSampleRate = nHz / 1000; }
    int GetBitRate() const { return m_nBitRate; }
    int GetSampleRate() const { return m_nSampleRate; }

    // The line Compose draws: "%03d Kbps" with the bit rate, then
    // " / %02d Khz" with the sample rate in kHz.
    CString GetText() const;
    // Background, then the text centred in the buffer (clipped to it).
    // Does nothing before CaptureBackground.
    void Compose();

protected:
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()

private:
    int m_nBitRate = 0;
    int m_nSampleRate = 0;
    HFONT m_hFont = nullptr;
    wq::trackinfo::OverlayBuffers m_buffers;
};
