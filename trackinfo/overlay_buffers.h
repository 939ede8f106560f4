// The two off-screen buffers of an overlay control: the background captured
// from the parent once, and the composition that painting copies to the
// screen. Each is a memory DC with a compatible bitmap selected into it.
// Thread: the GUI thread.
#pragma once

#include "platform/gdi/gdi.h"

namespace wq::trackinfo {

class OverlayBuffers {
public:
    OverlayBuffers() = default;
    ~OverlayBuffers() { Release(); }
    OverlayBuffers(const OverlayBuffers&) = delete;
    OverlayBuffers& operator=(const OverlayBuffers&) = delete;

    // Makes both buffers the size of rect and fills both from hdcParent at the
    // rectangle's top-left corner; an earlier capture is released first.
    // FALSE (and no buffers) for an empty rectangle or a DC that cannot be used.
    BOOL Capture(HDC hdcParent, const RECT& rect);
    // Copies the background over the whole composition buffer; FALSE without buffers.
    BOOL Restore();
    // Copies the composition buffer to hdc at (0, 0); FALSE without buffers.
    BOOL Show(HDC hdc) const;
    // Selects the old bitmaps back and deletes both DCs and both bitmaps.
    void Release();

    HDC Composition() const { return m_comp.dc; }
    HDC Background() const { return m_back.dc; }
    int Width() const { return m_cx; }
    int Height() const { return m_cy; }

private:
    struct Buffer {
        HDC dc = nullptr;
        HBITMAP bitmap = nullptr;
        HGDIOBJ old = nullptr;
    };
    static BOOL Make(HDC hdcParent, int cx, int cy, Buffer* b);
    static void Free(Buffer* b);

    Buffer m_back;
    Buffer m_comp;
    int m_cx = 0;
    int m_cy = 0;
};

}  // namespace wq::trackinfo
