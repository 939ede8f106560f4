// What the player's and the equalizer's window tests check on screen: a skin
// picture, loaded and drawn as the windows draw it, shows at its place.
#pragma once

#include <gtest/gtest.h>

#include "graphics/imageobj.h"
#include "platform/gdi/gdi.h"
#include "platform/win/geometry.h"
#include "platform/win/presenter.h"

// True when every opaque (not magenta) pixel of the picture `path`, or of its
// part `from`, shows at `at` in `window`.
inline ::testing::AssertionResult ShowsPicture(HWND window, const CString& path, POINT at,
                                               CRect from = CRect()) {
    CImageObject picture;
    if (!picture.Load(path)) return ::testing::AssertionFailure() << "no picture";
    if (from.IsRectEmpty()) from = CRect(0, 0, picture.GetWidth(), picture.GetHeight());
    wq::gdi::Surface pixels;
    pixels.Resize(picture.GetWidth(), picture.GetHeight());
    HDC dc = wq::gdi::CreateSurfaceDC(&pixels, POINT{}, RECT{0, 0, pixels.width, pixels.height});
    picture.Draw(dc, 0, 0);
    wq::gdi::DeleteSurfaceDC(dc);
    const wq::gdi::Surface& screen = *wq::win::GetWindowSurface(window);
    for (int y = from.top; y < from.bottom; ++y)
        for (int x = from.left; x < from.right; ++x)
            if (pixels.At(x, y) != 0xFF00FF &&
                screen.At(at.x + x - from.left, at.y + y - from.top) != pixels.At(x, y))
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") differs";
    return ::testing::AssertionSuccess();
}
