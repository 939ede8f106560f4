// The program's icon for the desktop, in the skin's palette: the navy face,
// a glass display with a spectrum, and the play button. Drawn as vectors on a
// 256-unit square, so every size is drawn, not scaled from a picture.
#include "tools/skingen/icon.h"

#include <cairo.h>

#include <cstdio>

#include "tools/skingen/paint.h"

#if CAIRO_HAS_SVG_SURFACE
#include <cairo-svg.h>
#endif

namespace skingen {
namespace {

void DrawIcon(cairo_t* cr, double size) {
    cairo_save(cr);
    cairo_scale(cr, size / 256.0, size / 256.0);
    // The face: the windows' gradient, a rim in the buttons' edge colour.
    RoundRect(cr, 12, 12, 232, 232, 48);
    FillVertical(cr, 12, 244, pal::kStripTop, pal::kBgBottom);
    RoundRect(cr, 14, 14, 228, 228, 46);
    cairo_set_line_width(cr, 4);
    SetColour(cr, pal::kFaceEdge);
    cairo_stroke(cr);

    // The display with twelve spectrum bands, cyan with amber peaks.
    RoundRect(cr, 40, 40, 176, 104, 16);
    FillVertical(cr, 40, 144, pal::kGlassTop, pal::kGlassBottom);
    RoundRect(cr, 40, 40, 176, 104, 16);
    cairo_set_line_width(cr, 3);
    SetColour(cr, pal::kGlassEdge);
    cairo_stroke(cr);
    constexpr double kLevels[12] = {0.45, 0.7, 0.9,  0.75, 0.55, 0.8,
                                    0.6,  0.4, 0.55, 0.35, 0.25, 0.3};
    for (int i = 0; i < 12; ++i) {
        const double x = 54 + i * 12.6, h = 68 * kLevels[i];
        cairo_rectangle(cr, x, 130 - h, 8.6, h);
        SetColour(cr, pal::kCyan);
        cairo_fill(cr);
        cairo_rectangle(cr, x, 130 - h - 7, 8.6, 3.5);
        SetColour(cr, pal::kAmber);
        cairo_fill(cr);
    }

    // The play button.
    RoundRect(cr, 84, 162, 88, 60, 18);
    FillVertical(cr, 162, 222, pal::kFaceTop, pal::kFaceBottom);
    RoundRect(cr, 84, 162, 88, 60, 18);
    cairo_set_line_width(cr, 3);
    SetColour(cr, pal::kFaceEdge);
    cairo_stroke(cr);
    DrawGlyph(cr, Glyph::Play, 131, 192, 44, pal::kInk);
    cairo_restore(cr);
}

}  // namespace

bool WriteIconPng(const std::string& path, int size) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    DrawIcon(cr, size);
    cairo_destroy(cr);
    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "skingen: %s: %s\n", path.c_str(), cairo_status_to_string(status));
        return false;
    }
    return true;
}

bool CanWriteSvg() {
    return CAIRO_HAS_SVG_SURFACE;
}

bool WriteIconSvg(const std::string& path) {
#if CAIRO_HAS_SVG_SURFACE
    cairo_surface_t* surface = cairo_svg_surface_create(path.c_str(), 256, 256);
    cairo_t* cr = cairo_create(surface);
    DrawIcon(cr, 256);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const cairo_status_t status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status == CAIRO_STATUS_SUCCESS) return true;
    std::fprintf(stderr, "skingen: %s: %s\n", path.c_str(), cairo_status_to_string(status));
#else
    std::fprintf(stderr, "skingen: %s: this Cairo cannot write SVG\n", path.c_str());
#endif
    return false;
}

}  // namespace skingen
