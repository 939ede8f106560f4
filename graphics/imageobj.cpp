#include "graphics/imageobj.h"

#include "platform/fs/fileapi.h"
#include "platform/gdi/gdi.h"

namespace {
constexpr COLORREF kTransparentKey = RGB(255, 0, 255);
}

CImageWnd::~CImageWnd() {
    Release();
}

BOOL CImageWnd::Load(LPCWSTR path) {
    m_strPath = CString(path);
    m_nRotation = 0;
    Release();
    m_hImage = ravimage_LoadImage(m_strPath, 0);
    if (m_hImage == 0) return FALSE;
    int w = 0, h = 0;
    ravimage_GetImageSize(m_hImage, &w, &h);
    m_size = SIZE{w, h};
    m_firstSize = m_size;
    m_bLoaded = TRUE;
    return TRUE;
}

void CImageWnd::Release() {
    if (m_hImage) ravimage_ReleaseImage(m_hImage);
    m_hImage = 0;
    m_bLoaded = FALSE;
    m_nRotation = 0;
    m_size = SIZE{0, 0};
    m_firstSize = SIZE{0, 0};
}

void CImageWnd::Draw(HDC hdc, int x, int y) const {
    HRAVIMAGE image = GetImage();
    if (!image) return;
    SIZE sz = GetSize();
    ravimage_DrawImage(image, hdc, RECT{x, y, x + sz.cx, y + sz.cy});
}

void CImageWnd::DrawTransparent(HDC hdc, int x, int y) const {
    SIZE sz = GetSize();
    DrawTransparentPart(hdc, x, y, sz.cx, sz.cy, 0, 0, sz.cx, sz.cy);
}

// The picture is rendered into a memory bitmap compatible with the target,
// then keyed onto it; the bitmap lives for this call only and the memory DC's
// previous bitmap is restored before both are deleted.
void CImageWnd::DrawTransparentPart(HDC hdc, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                                    int sh) const {
    HRAVIMAGE image = GetImage();
    SIZE sz = GetSize();
    if (!image || sz.cx <= 0 || sz.cy <= 0) return;
    HDC mem = CreateCompatibleDC(hdc);
    if (!mem) return;
    HBITMAP bmp = CreateCompatibleBitmap(hdc, sz.cx, sz.cy);
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        ravimage_DrawImage(image, mem, RECT{0, 0, sz.cx, sz.cy});
        TransparentImage(hdc, dx, dy, dw, dh, mem, sx, sy, sw, sh, kTransparentKey);
        SelectObject(mem, old);
        DeleteObject(bmp);
    }
    DeleteDC(mem);
}

CImageObject::CImageObject() : m_pImage(new CImageWnd) {}

CImageObject::~CImageObject() {
    delete m_pImage;
}

BOOL CImageObject::Load(LPCWSTR path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // A load that fails leaves no picture, so a missing file shows as an
        // undrawn area rather than as whatever was loaded before.
        m_pImage->Release();
        return FALSE;
    }
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    m_nFileSize = static_cast<int>(((static_cast<ULONGLONG>(high) << 32) | low) >> 10);
    CloseHandle(file);
    return m_pImage->Load(path);
}

void CImageObject::Release() {
    m_pImage->Release();
}
BOOL CImageObject::IsLoaded() const {
    return m_pImage->IsLoaded();
}
void CImageObject::Draw(HDC hdc, int x, int y) const {
    m_pImage->Draw(hdc, x, y);
}
void CImageObject::DrawTransparent(HDC hdc, int x, int y) const {
    m_pImage->DrawTransparent(hdc, x, y);
}
void CImageObject::DrawTransparentPart(HDC hdc, int dx, int dy, int dw, int dh, int sx, int sy,
                                       int sw, int sh) const {
    m_pImage->DrawTransparentPart(hdc, dx, dy, dw, dh, sx, sy, sw, sh);
}
int CImageObject::GetWidth() const {
    return m_pImage->GetSize().cx;
}
int CImageObject::GetHeight() const {
    return m_pImage->GetSize().cy;
}
