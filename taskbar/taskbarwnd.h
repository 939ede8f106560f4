// CTaskbarWnd: the status strip in the top-right corner of each full-screen
// window. It shows the audio output as an icon (speaker or headphone, normal
// or muted) and the volume as a number from 0 to 100, both read from the
// device-wide settings the sibling programs share, and a tap on it asks the
// volume program "WQVol" to show its pop-up.
//
// Hosted by the launcher (a parent window titled "WQMain") the strip never
// draws; instead each refresh applies the stored output, mute and volume to the
// audio outputs through the device services.
//
// Settings, section "WQSETUP", each a 32-bit number (default when absent):
//   "earphone"        in-memory store (ReadINIMem)  0   a headphone is plugged in
//   "Mute"            settings file (ReadINIFile)   0   the output is muted
//   "Volume"          settings file                 9   level 0..11
//   "EarphoneConnect" settings file                 1   hosted mode only
// Nothing is cached: every refresh and every paint reads them again. A stored
// "Volume" outside 0..11 counts as the nearest end of that range.
//
// The owning window creates the strip as a child of class "STATIC" named
// "taskbar", style WS_CHILD | WS_VISIBLE, with an empty rectangle and id 0; it
// places itself at (412, 0), 65 x 18 pixels, and calls RefreshOutput whenever
// the registered message "WQ:MSG:AUDIOUPDATE" arrives.
//
// Thread: the GUI thread. ApplyOutput blocks it for up to 510 ms when a
// headphone is connected again (the output switch needs that settling time).
#pragma once

#include "platform/win/afxwin.h"

class CSkinManager;

class CTaskbarWnd : public CWnd {
public:
    // Skin files (device paths).
    static constexpr const char16_t* kTemplatePath = u"\\NAND Flash\\skin\\Common\\taskbar.TPL";
    static constexpr const char16_t* kImageFolder = u"\\NAND Flash\\SKIN\\Common\\img\\";
    // Ten glyphs 7 x 12 pixels side by side, digit d at x = 7 * d.
    static constexpr const char16_t* kDigitsPath =
        u"\\NAND Flash\\skin\\Common\\img\\timedatenum.bmp";

    // Output states: the four the strip enters. The icon table has ten.
    enum : int {
        OUTPUT_SPEAKER = 0,
        OUTPUT_SPEAKER_MUTED = 3,
        OUTPUT_HEAD = 6,
        OUTPUT_HEAD_MUTED = 7
    };
    static constexpr int kOutputStates = 10;
    // Icon file names by state x 2 + pressed.
    static const char16_t* const kIcons[kOutputStates * 2];

    // Where the strip sits in its owner, and the volume number's glyph places.
    static constexpr int kLeft = 412, kTop = 0, kWidth = 65, kHeight = 18;
    static constexpr int kDigitWidth = 7, kDigitHeight = 12, kDigitTop = 4;

    CTaskbarWnd();
    ~CTaskbarWnd() override;

    // Hosted by the launcher: ApplyOutput; otherwise ShowOutput.
    void RefreshOutput();
    // Reads the settings, chooses the output state and repaints at once.
    void ShowOutput();
    // Reads the settings and drives the outputs with the call sequence of the
    // current case (see the .cpp); no repaint.
    void ApplyOutput();

    // The number shown for a level: level x 9, with 11 shown as 100. Levels
    // outside 0..11 count as the nearest end.
    static int DisplayedVolume(int level);
    // The icon file (device path) for a state and pen state.
    static CString IconPath(int outputState, BOOL pressed);

    // Fields, in order.
    BOOL m_bPressed = FALSE;                 // pen down on the strip: pressed icon
    CSkinManager* m_pSkinManager = nullptr;  // owned; the strip's background skin
    int m_nOutputState = 0;                  // 0..9, selects the icon pair
    int m_nEarphoneConnect = 1;              // hosted mode: the EarphoneConnect value applied last
    BOOL m_bLauncherHosted = FALSE;          // the parent is titled "WQMain"
    BOOL m_bCreated = FALSE;                 // OnCreate finished; the pen is ignored before

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg void OnPaint();
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

private:
    BOOL HasSkin() const;
    // Invalidates without erasing (see the .cpp for the strip without skin).
    void InvalidateStrip();
    void DrawVolume(HDC dc, const CRect& client, int level) const;
};

// A window that carries a status strip. The player reaches the strips of its
// equalizer and pattern windows through this interface when the system's audio
// changes ("WQ:MSG:AUDIOUPDATE"), without knowing their classes.
class CTaskbarHost {
public:
    virtual ~CTaskbarHost() = default;
    // The window's strip; nullptr when it has none.
    virtual CTaskbarWnd* GetTaskbar() = 0;
};
