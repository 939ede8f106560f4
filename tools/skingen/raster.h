// Finished pictures of the generator: opaque 24-bit pixels, written as BMP or
// JPEG exactly as the skin's files need them.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace skingen {

// Pixels 0x00RRGGBB, row-major, top row first.
struct Raster {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> px;

    Raster() = default;
    Raster(int w, int h, uint32_t fill = 0)
        : width(w), height(h), px(static_cast<size_t>(w) * h, fill) {}
    uint32_t& at(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
    uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
    // The part at (x, y) of size w x h; parts outside this raster read black.
    Raster Crop(int x, int y, int w, int h) const;
};

// The colour key of every picture drawn over the skin.
constexpr uint32_t kMagenta = 0xFF00FF;

// A Cairo image surface (ARGB32 or RGB24) as opaque pixels. With `under`
// (same size), art with partial coverage is blended over it and pixels the
// art leaves fully uncovered become magenta; without it pixels covered less
// than 40 % become magenta and the others keep their colour at full strength.
// A blended colour that happens to equal magenta is nudged off the key.
Raster FromSurface(cairo_surface_t* surface, const Raster* under);
// The surface drawn opaque (alpha ignored).
Raster Opaque(cairo_surface_t* surface);
// A surface holding the raster's pixels (RGB24), for drawing on top of it.
cairo_surface_t* ToSurface(const Raster& r);

// Writes a 24-bit bottom-up BMP. False with errno-style text on failure.
bool WriteBmp(const std::string& path, const Raster& r, std::string* error);
// Writes a baseline JPEG (4:4:4, so thin coloured lines stay sharp).
bool WriteJpeg(const std::string& path, const Raster& r, int quality, std::string* error);

}  // namespace skingen
