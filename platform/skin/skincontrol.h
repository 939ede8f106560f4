// What every skin control shares: its id, its rectangle in the owner's client
// coordinates and the manager that owns it. Buttons, sliders and custom areas
// are drawn by CSkinManager::Draw into the owner's DC; the list is a child
// window of its own (skinlistbox.h).
#pragma once

#include "platform/base/wintypes.h"
#include "platform/skin/template.h"
#include "platform/win/geometry.h"

class CSkinManager;

class CSkinControl {
public:
    CSkinControl(CSkinManager* manager, const wq::skin::ElementSpec& spec)
        : m_pManager(manager), m_nID(spec.id), m_rect(spec.rect) {}
    virtual ~CSkinControl() = default;
    CSkinControl(const CSkinControl&) = delete;
    CSkinControl& operator=(const CSkinControl&) = delete;

    UINT GetID() const { return m_nID; }
    // The control's rectangle in the owner window's client coordinates.
    CRect GetRect() const { return m_rect; }
    void GetRect(LPRECT lpRect) const {
        if (lpRect) *lpRect = m_rect;
    }

protected:
    CSkinManager* m_pManager;  // owner of this control; outlives it
    UINT m_nID;
    CRect m_rect;
};

// A named area of the template; the window draws its own content there
// (digits, spectrum, badges) and reads its rectangle with GetRect.
class CSkinCustom : public CSkinControl {
public:
    using CSkinControl::CSkinControl;
};
