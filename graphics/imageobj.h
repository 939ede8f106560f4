// Image objects: one skin picture loaded through the image library and drawn
// into a device context opaquely, with the magenta colour key, or in part.
// A failed load leaves no picture, and every draw then does nothing, so a
// missing skin file shows as an undrawn area, never as an error.
// Thread: the GUI thread.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/wintypes.h"
#include "platform/image/ravimage.h"

// The image body: the decoded picture and what was measured at load.
class CImageWnd {
public:
    CImageWnd() = default;
    ~CImageWnd();
    CImageWnd(const CImageWnd&) = delete;
    CImageWnd& operator=(const CImageWnd&) = delete;

    // Loads the picture at a device path, releasing any picture held first.
    // 1 on success; 0 leaves no picture.
    BOOL Load(LPCWSTR path);
    // Releases the picture, clears the loaded flag and the rotation.
    void Release();
    BOOL IsLoaded() const { return m_bLoaded; }

    // The picture and size selected by the rotation (0: the loaded picture).
    HRAVIMAGE GetImage() const { return m_nRotation == 0 ? m_hImage : 0; }
    SIZE GetSize() const { return m_nRotation == 0 ? m_size : SIZE{}; }

    void Draw(HDC hdc, int x, int y) const;
    void DrawTransparent(HDC hdc, int x, int y) const;
    void DrawTransparentPart(HDC hdc, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                             int sh) const;

    SIZE m_size{};        // pixel size of the loaded picture
    SIZE m_firstSize{};   // width and height as measured at load
    int m_nRotation = 0;  // 0 selects the loaded picture; this player never rotates
    HRAVIMAGE m_hImage = 0;
    BOOL m_bLoaded = FALSE;
    CString m_strPath;  // copy of the path last loaded
};

// The image handle the windows hold, one per picture.
class CImageObject {
public:
    CImageObject();
    ~CImageObject();
    CImageObject(const CImageObject&) = delete;
    CImageObject& operator=(const CImageObject&) = delete;

    // Opens the file to learn its length, stores the size in KiB, then loads
    // the picture: 1 or 0. Any failure leaves the object without a picture
    // (width and height 0); the size in KiB stays when the file cannot be opened.
    BOOL Load(LPCWSTR path);
    void Release();
    BOOL IsLoaded() const;

    // The whole picture with its top-left corner at (x, y), size unchanged.
    void Draw(HDC hdc, int x, int y) const;
    // As Draw, but magenta (0xFF00FF) pixels are not drawn.
    void DrawTransparent(HDC hdc, int x, int y) const;
    // The source rectangle of the picture onto the destination rectangle,
    // scaled when the sizes differ, magenta not drawn.
    void DrawTransparentPart(HDC hdc, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                             int sh) const;

    int GetWidth() const;
    int GetHeight() const;
    // Size of the last loaded file in KiB (bytes shifted right by 10).
    int GetFileSizeKB() const { return m_nFileSize; }

private:
    int m_nFileSize = 0;
    CImageWnd* m_pImage = nullptr;  // owned
};
