// The skin manager of one window: loads a template (docs/skin-format.md),
// owns the window's skin controls, paints the face and turns the pen into
// the controls' notifications.
//
// Contract with the owner window:
// - Load(template device path) returns TRUE when the template was read; then
//   GetButton/GetSlider/GetList/GetCustom find the controls by id. A missing
//   or malformed template returns FALSE and leaves no controls. A bad line or
//   a missing picture is written through Dbg, kept in GetProblems() and
//   skipped; the rest of the skin still works (without its background
//   picture the face is painted plain black under the controls).
// - Draw(hdc, rect or nullptr) paints the background and every control; the
//   rectangle, when given, limits the painting to that part of the face.
// - The owner forwards WM_LBUTTONDOWN/UP and WM_MOUSEMOVE in its client
//   coordinates. The manager captures the pen while it is down on a control,
//   so the up always arrives, and notifies the owner with WM_COMMAND carrying
//   the control id and code (button 0; slider 200 while dragged, 100 when
//   set; list 100 on a tap, 200 on a double tap).
// - Notifications are sent (SendMessage); a handler may delete the manager,
//   after which the manager touches nothing of itself.
// The controls live as long as the manager. Thread: the GUI thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/skin/skinbutton.h"
#include "platform/skin/skincontrol.h"
#include "platform/skin/skinlistbox.h"
#include "platform/skin/skinslider.h"
#include "platform/skin/template.h"
#include "platform/win/geometry.h"
#include "platform/win/winapi.h"

class CWnd;

namespace wq::skin {
class TimerWnd;
}

class CSkinManager {
public:
    explicit CSkinManager(CWnd* pOwner);
    virtual ~CSkinManager();
    CSkinManager(const CSkinManager&) = delete;
    CSkinManager& operator=(const CSkinManager&) = delete;

    virtual BOOL Load(LPCWSTR lpszTemplatePath);
    virtual void Draw(HDC hdc, LPCRECT lpRect = nullptr);
    virtual void OnLButtonDown(CPoint point);
    virtual void OnLButtonUp(CPoint point);
    virtual void OnMouseMove(CPoint point);
    // Fills itemHeight for a skin list with that id; FALSE for other ids.
    virtual BOOL MeasureItem(int nIDCtl, MEASUREITEMSTRUCT* lpMeasureItemStruct);

    CSkinButton* GetButton(UINT nID) const;
    CSkinSlider* GetSlider(UINT nID) const;
    CSkinListBox* GetList(UINT nID) const;
    CSkinCustom* GetCustom(UINT nID) const;

    // ---- platform extras (the checker tool and tests) ----
    BOOL IsLoaded() const { return m_bLoaded; }
    // Everything Load reported: template lines and pictures, in file order.
    const std::vector<wq::skin::Problem>& GetProblems() const { return m_problems; }
    // The parsed template of the last successful Load.
    const wq::skin::SkinTemplate& GetTemplate() const { return m_template; }
    // The face size: the template's "face" line, else the background's size.
    CSize GetFaceSize() const;
    // The device folder of the loaded template (pictures resolve against it).
    const std::u16string& GetFolder() const { return m_folder; }
    CWnd* GetOwner() const { return m_pOwner; }
    HWND GetOwnerHwnd() const;

    // ---- used by the controls ----
    // Loads a skin picture (see wq::skin::ResolveSkinPath); failures are
    // reported like template problems. `line` is 0 outside Load.
    bool LoadPicture(wq::skin::Picture& picture, const std::u16string& name, int line);
    // Sends WM_COMMAND(MAKEWPARAM(id, code), lParam) to the owner. Returns
    // false when the handler destroyed the manager or reloaded the skin (the
    // calling control is then gone).
    bool Notify(UINT nID, UINT nCode, LPARAM lParam = 0);
    // Marks part of the owner's face for repainting (no erase).
    void Invalidate(const RECT& rect);
    // Repeat timers for buttons (one per button id).
    void StartRepeat(CSkinButton* button, UINT ms);
    void StopRepeat(CSkinButton* button);
    void OnRepeatTimer(UINT_PTR id);
    const wq::skin::Picture& GetBackground() const { return m_background; }

private:
    void Unload();
    void Report(int line, std::string message);
    void BuildControls();
    CSkinControl* HitTest(POINT point) const;

    CWnd* m_pOwner;
    BOOL m_bLoaded = FALSE;
    std::u16string m_templatePath;
    std::u16string m_folder;
    wq::skin::SkinTemplate m_template;
    std::vector<wq::skin::Problem> m_problems;
    wq::skin::Picture m_background;
    wq::skin::PictureCache m_pictures;  // every picture decoded for this skin
    std::vector<std::unique_ptr<CSkinButton>> m_buttons;
    std::vector<std::unique_ptr<CSkinSlider>> m_sliders;
    std::vector<std::unique_ptr<CSkinListBox>> m_lists;
    std::vector<std::unique_ptr<CSkinCustom>> m_customs;
    std::unique_ptr<wq::skin::TimerWnd> m_timerWnd;
    CSkinButton* m_pPenButton = nullptr;  // the control the pen went down on
    CSkinSlider* m_pPenSlider = nullptr;
    // Cleared when the manager is destroyed; lets Notify see that a handler
    // deleted it.
    std::shared_ptr<bool> m_alive;
    // Counts loads and unloads; a control's notification compares it.
    unsigned m_generation = 0;
};
