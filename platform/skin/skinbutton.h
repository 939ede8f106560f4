// A skin button: two faces (normal, pressed) drawn with the magenta colour
// key over the skin background. The pressed face shows while the pen is down
// on the button; lifting the pen inside sends the owner
// WM_COMMAND(MAKEWPARAM(id, 0), 0). Lifting it outside sends nothing.
//
// With auto-repeat (SetAutoRepeat(TRUE) or "repeat=yes" in the template) the
// command goes out at once when the pen goes down, again kRepeatDelayMs later,
// then every kRepeatIntervalMs while the pen stays down inside; lifting the
// pen sends nothing more. Sliding off the button pauses the repeats, sliding
// back resumes them. Repeats run on window timers of the skin manager, so
// they follow the installed clock (virtual in tests).
// Thread: the GUI thread.
#pragma once

#include <memory>
#include <string>

#include "platform/skin/picture.h"
#include "platform/skin/skincontrol.h"

class CSkinButton : public CSkinControl {
public:
    static constexpr UINT kRepeatDelayMs = 400;
    static constexpr UINT kRepeatIntervalMs = 100;

    CSkinButton(CSkinManager* manager, const wq::skin::ElementSpec& spec);
    ~CSkinButton() override;

    // nState 0 sets the normal face, 1 the pressed face. The path is a skin
    // picture name: relative to the template's folder (a leading backslash is
    // allowed, "\IMG\play_N_bt.bmp") or an absolute device path. Returns TRUE
    // when the picture loaded; otherwise the face is left empty (the
    // background shows) and FALSE is returned. The button is redrawn.
    BOOL SetSkinBitmap(LPCWSTR lpszPath, int nState);
    // The picture name last given for state 0 or 1 (template or
    // SetSkinBitmap), also when it did not load; empty for none.
    const std::u16string& GetFacePath(int nState) const;
    void SetAutoRepeat(BOOL bAutoRepeat);
    BOOL GetAutoRepeat() const { return m_bAutoRepeat; }
    // TRUE while the pen is down on the button (the pressed face shows).
    BOOL IsPressed() const { return m_bPressed; }

    // Paints the face for the current state into hdc (owner client coordinates).
    void Draw(HDC hdc) const;

    // Pen handling, driven by CSkinManager (owner client coordinates).
    void OnPenDown();
    void OnPenMove(POINT point);
    void OnPenUp(POINT point);
    // A repeat timer of this button fired.
    void OnRepeatTimer();
    // The pen left the manager's control without an up (capture lost, skin
    // reloaded): back to the normal face, no command.
    void CancelPen();

private:
    void SetPressed(bool pressed);
    // Sends the command; false when the owner destroyed the skin meanwhile.
    bool Fire();

    wq::skin::Picture m_face[2];
    std::u16string m_faceName[2];
    BOOL m_bAutoRepeat = FALSE;
    BOOL m_bPressed = FALSE;
    bool m_bTracking = false;  // the pen went down here and is still down
};
