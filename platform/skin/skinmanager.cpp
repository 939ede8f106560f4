// The skin manager: loading a template, building its controls, painting the
// face and routing the pen. See skinmanager.h for the contract.
#include "platform/skin/skinmanager.h"

#include <algorithm>

#include "platform/base/utf.h"
#include "platform/device/common.h"
#include "platform/fs/fileapi.h"
#include "platform/gdi/gdi.h"
#include "platform/skin/timerwnd.h"

namespace {

// Templates are short text files; anything larger is not a template.
constexpr DWORD kMaxTemplateBytes = 1u << 20;

// Reads a whole device file of at most `limit` bytes; false when it is
// missing, not a regular file, unreadable or too large.
bool ReadDeviceFile(LPCWSTR path, DWORD limit, std::string* out, std::string* why) {
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *why = "cannot open the template";
        return false;
    }
    DWORD high = 0;
    const DWORD size = GetFileSize(h, &high);
    if (size == INVALID_FILE_SIZE || high != 0 || size > limit) {
        CloseHandle(h);
        *why = "the template is larger than 1 MiB; not a skin template";
        return false;
    }
    out->resize(size);
    DWORD got = 0;
    const BOOL ok = size == 0 || ReadFile(h, out->data(), size, &got, nullptr);
    CloseHandle(h);
    if (!ok || got != size) {
        *why = "cannot read the template";
        return false;
    }
    return true;
}

}  // namespace

CSkinManager::CSkinManager(CWnd* pOwner)
    : m_pOwner(pOwner), m_alive(std::make_shared<bool>(true)) {}

CSkinManager::~CSkinManager() {
    *m_alive = false;
    Unload();
}

HWND CSkinManager::GetOwnerHwnd() const {
    return m_pOwner ? m_pOwner->m_hWnd : nullptr;
}

void CSkinManager::Unload() {
    HWND owner = GetOwnerHwnd();
    if ((m_pPenButton || m_pPenSlider) && owner && ::GetCapture() == owner) ::ReleaseCapture();
    m_pPenButton = nullptr;
    m_pPenSlider = nullptr;
    m_timerWnd.reset();
    m_lists.clear();
    m_buttons.clear();
    m_sliders.clear();
    m_customs.clear();
    m_background.Release();
    m_pictures.clear();
    m_template = {};
    m_bLoaded = FALSE;
    ++m_generation;
}

void CSkinManager::Report(int line, std::string message) {
    const std::string where = line > 0 ? "line " + std::to_string(line) + ": " : std::string();
    Dbg(u"skin %s: %s%s", m_templatePath.c_str(), wq::Utf8ToUtf16(where).c_str(),
        wq::Utf8ToUtf16(message).c_str());
    m_problems.push_back({line, std::move(message)});
}

BOOL CSkinManager::Load(LPCWSTR lpszTemplatePath) {
    Unload();
    m_problems.clear();
    m_templatePath = lpszTemplatePath ? lpszTemplatePath : u"";
    m_folder = wq::skin::FolderOf(m_templatePath);

    std::string text;
    std::string why;
    if (m_templatePath.empty() ||
        !ReadDeviceFile(m_templatePath.c_str(), kMaxTemplateBytes, &text, &why)) {
        Report(0, why.empty() ? "no template path" : why);
        return FALSE;
    }
    wq::skin::Parsed parsed = wq::skin::ParseTemplate(text);
    for (wq::skin::Problem& p : parsed.problems) Report(p.line, std::move(p.message));
    if (!parsed.ok) return FALSE;

    if (!LoadPicture(m_background, parsed.skin.background, 0))
        Report(0, "the background picture did not load; the face is painted plain black");
    m_template = std::move(parsed.skin);
    BuildControls();
    m_bLoaded = TRUE;
    return TRUE;
}

void CSkinManager::BuildControls() {
    m_timerWnd = std::make_unique<wq::skin::TimerWnd>(this);
    if (!m_timerWnd->CreateOn(m_pOwner)) m_timerWnd.reset();
    for (const wq::skin::ElementSpec& e : m_template.elements) {
        switch (e.kind) {
            case wq::skin::ElementKind::Button:
                m_buttons.push_back(std::make_unique<CSkinButton>(this, e));
                break;
            case wq::skin::ElementKind::Slider:
                m_sliders.push_back(std::make_unique<CSkinSlider>(this, e));
                break;
            case wq::skin::ElementKind::Custom:
                m_customs.push_back(std::make_unique<CSkinCustom>(this, e));
                break;
            case wq::skin::ElementKind::List: {
                auto list = std::make_unique<CSkinListBox>(this, e);
                if (m_pOwner && m_pOwner->m_hWnd && !list->CreateOn(m_pOwner)) {
                    Report(e.line, "the list window could not be created");
                }
                m_lists.push_back(std::move(list));
                break;
            }
        }
    }
}

bool CSkinManager::LoadPicture(wq::skin::Picture& picture, const std::u16string& name, int line) {
    const std::u16string path = wq::skin::ResolveSkinPath(m_folder, name);
    std::string why;
    if (picture.Load(path, &why, &m_pictures)) return true;
    Report(line, "picture '" + wq::Utf16ToUtf8(name) + "': " + why);
    return false;
}

CSize CSkinManager::GetFaceSize() const {
    if (m_template.hasFace) return CSize(m_template.face);
    if (m_background.IsLoaded()) return CSize(m_background.Width(), m_background.Height());
    CRect client;
    if (m_pOwner && m_pOwner->m_hWnd) m_pOwner->GetClientRect(&client);
    return CSize(client.Width(), client.Height());
}

// ---- lookups -------------------------------------------------------------------------

namespace {
template <typename T>
T* FindById(const std::vector<std::unique_ptr<T>>& controls, UINT id) {
    for (const auto& c : controls) {
        if (c->GetID() == id) return c.get();
    }
    return nullptr;
}
}  // namespace

CSkinButton* CSkinManager::GetButton(UINT nID) const {
    return FindById(m_buttons, nID);
}
CSkinSlider* CSkinManager::GetSlider(UINT nID) const {
    return FindById(m_sliders, nID);
}
CSkinListBox* CSkinManager::GetList(UINT nID) const {
    return FindById(m_lists, nID);
}
CSkinCustom* CSkinManager::GetCustom(UINT nID) const {
    return FindById(m_customs, nID);
}

BOOL CSkinManager::MeasureItem(int nIDCtl, MEASUREITEMSTRUCT* lpMeasureItemStruct) {
    CSkinListBox* list = GetList(static_cast<UINT>(nIDCtl));
    if (!list || !lpMeasureItemStruct) return FALSE;
    lpMeasureItemStruct->itemHeight = static_cast<UINT>(list->GetItemHeight());
    lpMeasureItemStruct->itemWidth = static_cast<UINT>(list->GetSkinRect().Width());
    return TRUE;
}

// ---- painting --------------------------------------------------------------------------

void CSkinManager::Draw(HDC hdc, LPCRECT lpRect) {
    if (!m_bLoaded || !hdc) return;
    const CSize face = GetFaceSize();
    CRect area(0, 0, face.cx, face.cy);
    if (lpRect) {
        // Only the asked part is painted; a clip the caller narrowed itself is
        // reset afterwards.
        if (!area.IntersectRect(&area, lpRect)) return;
        IntersectClipRect(hdc, area.left, area.top, area.right, area.bottom);
    }
    // Work only where pixels can change: a paint DC is clipped to the update
    // region, so a slider tick repaints the slider, not the whole face.
    RECT clip;
    const int clipKind = GetClipBox(hdc, &clip);
    if (clipKind == NULLREGION || (clipKind != ERROR && !area.IntersectRect(&area, &clip))) {
        if (lpRect) SelectClipRgn(hdc, nullptr);
        return;
    }
    CRect src;
    const CRect bounds(0, 0, m_background.Width(), m_background.Height());
    if (!m_background.IsLoaded()) {
        FillRect(hdc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    } else if (src.IntersectRect(&area, &bounds)) {
        m_background.Draw(hdc, src, src, wq::skin::Blend::Opaque);
    }

    CRect hit;
    for (const auto& s : m_sliders) {
        const CRect r = s->GetRect();
        if (hit.IntersectRect(&r, &area)) s->Draw(hdc);
    }
    for (const auto& b : m_buttons) {
        const CRect r = b->GetRect();
        if (hit.IntersectRect(&r, &area)) b->Draw(hdc);
    }
    for (const auto& l : m_lists) {
        const CRect r = l->GetSkinRect();
        if (hit.IntersectRect(&r, &area)) l->PaintInto(hdc, r.TopLeft());
    }
    if (lpRect) SelectClipRgn(hdc, nullptr);
}

void CSkinManager::Invalidate(const RECT& rect) {
    HWND owner = GetOwnerHwnd();
    if (owner) ::InvalidateRect(owner, &rect, FALSE);
}

// ---- pen ------------------------------------------------------------------------------------

CSkinControl* CSkinManager::HitTest(POINT point) const {
    // Later template lines lie on top of earlier ones.
    for (auto it = m_buttons.rbegin(); it != m_buttons.rend(); ++it) {
        if ((*it)->GetRect().PtInRect(point)) return it->get();
    }
    for (auto it = m_sliders.rbegin(); it != m_sliders.rend(); ++it) {
        if ((*it)->GetRect().PtInRect(point)) return it->get();
    }
    return nullptr;
}

void CSkinManager::OnLButtonDown(CPoint point) {
    if (!m_bLoaded) return;
    if (m_pPenButton) m_pPenButton->CancelPen();
    if (m_pPenSlider) m_pPenSlider->CancelPen();
    m_pPenButton = nullptr;
    m_pPenSlider = nullptr;
    CSkinControl* hit = HitTest(point);
    if (!hit) return;
    HWND owner = GetOwnerHwnd();
    if (owner) ::SetCapture(owner);
    if (auto* button = dynamic_cast<CSkinButton*>(hit)) {
        m_pPenButton = button;
        button->OnPenDown();  // may notify; nothing of the manager is touched after
    } else if (auto* slider = dynamic_cast<CSkinSlider*>(hit)) {
        m_pPenSlider = slider;
        slider->OnPenDown(point);
    }
}

void CSkinManager::OnMouseMove(CPoint point) {
    if (m_pPenButton) {
        m_pPenButton->OnPenMove(point);
    } else if (m_pPenSlider) {
        m_pPenSlider->OnPenMove(point);
    }
}

void CSkinManager::OnLButtonUp(CPoint point) {
    CSkinButton* button = m_pPenButton;
    CSkinSlider* slider = m_pPenSlider;
    m_pPenButton = nullptr;
    m_pPenSlider = nullptr;
    HWND owner = GetOwnerHwnd();
    if ((button || slider) && owner && ::GetCapture() == owner) ::ReleaseCapture();
    if (button) button->OnPenUp(point);
    if (slider) slider->OnPenUp(point);
}

bool CSkinManager::Notify(UINT nID, UINT nCode, LPARAM lParam) {
    HWND owner = GetOwnerHwnd();
    if (!owner) return true;
    std::shared_ptr<bool> alive = m_alive;
    const unsigned generation = m_generation;
    ::SendMessageW(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(nID), static_cast<WORD>(nCode)),
                   lParam);
    return *alive && m_generation == generation;
}

// ---- repeat timers -----------------------------------------------------------------------------

void CSkinManager::StartRepeat(CSkinButton* button, UINT ms) {
    if (m_timerWnd && button) m_timerWnd->SetTimer(button->GetID(), ms, nullptr);
}

void CSkinManager::StopRepeat(CSkinButton* button) {
    if (m_timerWnd && button && m_timerWnd->m_hWnd) m_timerWnd->KillTimer(button->GetID());
}

void CSkinManager::OnRepeatTimer(UINT_PTR id) {
    CSkinButton* button = GetButton(static_cast<UINT>(id));
    HWND owner = GetOwnerHwnd();
    if (button && button == m_pPenButton && owner && ::GetCapture() != owner) {
        // Someone else took the pen (a dialog opened): the up will never
        // reach this skin, so the press ends here instead of repeating on.
        m_pPenButton = nullptr;
        button->CancelPen();
        return;
    }
    if (button) {
        button->OnRepeatTimer();
    } else if (m_timerWnd) {
        m_timerWnd->KillTimer(id);
    }
}
