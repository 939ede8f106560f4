// Cairo helpers and the icon set. See paint.h.
#include "tools/skingen/paint.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace skingen {

namespace {

constexpr double kPi = 3.14159265358979323846;

void Triangle(cairo_t* cr, double x0, double y0, double x1, double y1, double x2, double y2) {
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_close_path(cr);
}

// A play-style triangle pointing right (dir 1) or left (dir -1) with its
// flat side at x.
void Arrowhead(cairo_t* cr, double x, double cy, double len, double half, int dir) {
    Triangle(cr, x, cy - half, x + dir * len, cy, x, cy + half);
}

// An arc with an arrowhead at its end; angles in radians.
void ArcArrow(cairo_t* cr, double cx, double cy, double r, double a0, double a1, double lw) {
    cairo_set_line_width(cr, lw);
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, r, a0, a1);
    cairo_stroke(cr);
    const double ex = cx + r * std::cos(a1), ey = cy + r * std::sin(a1);
    const double tx = -std::sin(a1), ty = std::cos(a1);  // tangent along the arc
    const double nx = std::cos(a1), ny = std::sin(a1);
    const double len = lw * 2.4, half = lw * 1.9;
    cairo_move_to(cr, ex + tx * len, ey + ty * len);
    cairo_line_to(cr, ex + nx * half, ey + ny * half);
    cairo_line_to(cr, ex - nx * half, ey - ny * half);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void Speaker(cairo_t* cr, double cx, double cy, double s) {
    const double u = s / 16.0;
    cairo_rectangle(cr, cx - 7 * u, cy - 3 * u, 4 * u, 6 * u);
    cairo_fill(cr);
    cairo_move_to(cr, cx - 3.5 * u, cy - 3 * u);
    cairo_line_to(cr, cx + 1.5 * u, cy - 7 * u);
    cairo_line_to(cr, cx + 1.5 * u, cy + 7 * u);
    cairo_line_to(cr, cx - 3.5 * u, cy + 3 * u);
    cairo_close_path(cr);
    cairo_fill(cr);
}

}  // namespace

void SetColour(cairo_t* cr, const Colour& c) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
}

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    r = std::min(r, std::min(w, h) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

void FillVertical(cairo_t* cr, double y0, double y1, const Colour& top, const Colour& bottom) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void ButtonBody(cairo_t* cr, double x, double y, double w, double h, double radius, Face face) {
    // Edges on half pixels so the 1-pixel rims stay crisp.
    const double ix = x + 0.5, iy = y + 0.5, iw = w - 1, ih = h - 1;
    if (face == Face::Normal) {
        RoundRect(cr, ix, iy, iw, ih, radius);
        FillVertical(cr, y, y + h, pal::kFaceTop, pal::kFaceBottom);
        // Gloss over the upper half.
        RoundRect(cr, ix + 1.5, iy + 1.5, iw - 3, ih * 0.48, radius - 1.5);
        FillVertical(cr, y, y + h * 0.5, Hex(0xFFFFFF, 0.20), Hex(0xFFFFFF, 0.04));
        RoundRect(cr, ix, iy, iw, ih, radius);
        cairo_set_line_width(cr, 1);
        SetColour(cr, pal::kFaceEdge);
        cairo_stroke(cr);
    } else {
        RoundRect(cr, ix, iy, iw, ih, radius);
        FillVertical(cr, y, y + h, pal::kPressTop, pal::kPressBottom);
        // Inner shadow along the top edge: the face is pushed in.
        RoundRect(cr, ix + 1, iy + 1, iw - 2, ih * 0.35, radius - 1);
        FillVertical(cr, y, y + h * 0.35, Hex(0x000000, 0.45), Hex(0x000000, 0.0));
        RoundRect(cr, ix, iy, iw, ih, radius);
        cairo_set_line_width(cr, 1);
        SetColour(cr, Hex(0x3CCBF4, 0.85));
        cairo_stroke(cr);
    }
}

void GlassPanel(cairo_t* cr, double x, double y, double w, double h, double radius) {
    RoundRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, radius);
    FillVertical(cr, y, y + h, pal::kGlassTop, pal::kGlassBottom);
    RoundRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, radius);
    cairo_set_line_width(cr, 1);
    SetColour(cr, pal::kGlassEdge);
    cairo_stroke(cr);
    // A faint reflection across the upper third.
    RoundRect(cr, x + 2, y + 2, w - 4, h * 0.30, std::max(0.0, radius - 2));
    FillVertical(cr, y, y + h * 0.32, Hex(0xFFFFFF, 0.09), Hex(0xFFFFFF, 0.0));
}

void DrawGlyph(cairo_t* cr, Glyph g, double cx, double cy, double s, const Colour& c) {
    cairo_save(cr);
    SetColour(cr, c);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    const double u = s / 16.0;  // icons are drawn on a 16-unit grid
    switch (g) {
        case Glyph::Play:
            Arrowhead(cr, cx - 5 * u, cy, 12 * u, 7 * u, 1);
            cairo_fill(cr);
            break;
        case Glyph::Pause:
            RoundRect(cr, cx - 6 * u, cy - 7 * u, 4.5 * u, 14 * u, 1 * u);
            RoundRect(cr, cx + 1.5 * u, cy - 7 * u, 4.5 * u, 14 * u, 1 * u);
            cairo_fill(cr);
            break;
        case Glyph::Stop:
            RoundRect(cr, cx - 6 * u, cy - 6 * u, 12 * u, 12 * u, 1.5 * u);
            cairo_fill(cr);
            break;
        case Glyph::Prev:
        case Glyph::Next: {
            const int d = g == Glyph::Next ? 1 : -1;
            Arrowhead(cr, cx - d * 7 * u, cy, 7 * u, 6 * u, d);
            Arrowhead(cr, cx, cy, 7 * u, 6 * u, d);
            cairo_fill(cr);
            cairo_rectangle(cr, d > 0 ? cx + 7 * u : cx - 9 * u, cy - 6 * u, 2 * u, 12 * u);
            cairo_fill(cr);
            break;
        }
        case Glyph::Random: {
            cairo_set_line_width(cr, 1.8 * u);
            cairo_move_to(cr, cx - 8 * u, cy - 5 * u);
            cairo_curve_to(cr, cx - 1 * u, cy - 5 * u, cx + 0 * u, cy + 5 * u, cx + 5 * u,
                           cy + 5 * u);
            cairo_move_to(cr, cx - 8 * u, cy + 5 * u);
            cairo_curve_to(cr, cx - 1 * u, cy + 5 * u, cx + 0 * u, cy - 5 * u, cx + 5 * u,
                           cy - 5 * u);
            cairo_stroke(cr);
            Arrowhead(cr, cx + 4 * u, cy - 5 * u, 4.5 * u, 3.5 * u, 1);
            Arrowhead(cr, cx + 4 * u, cy + 5 * u, 4.5 * u, 3.5 * u, 1);
            cairo_fill(cr);
            break;
        }
        case Glyph::Turn: {
            cairo_set_line_width(cr, 1.8 * u);
            for (int i = -1; i <= 1; ++i) {
                cairo_move_to(cr, cx - 8 * u, cy + i * 4.5 * u);
                cairo_line_to(cr, cx - 1 * u, cy + i * 4.5 * u);
            }
            cairo_stroke(cr);
            cairo_move_to(cr, cx + 3 * u, cy - 6 * u);
            cairo_line_to(cr, cx + 3 * u, cy + 3 * u);
            cairo_stroke(cr);
            Triangle(cr, cx - 0.5 * u, cy + 2 * u, cx + 6.5 * u, cy + 2 * u, cx + 3 * u,
                     cy + 7.5 * u);
            cairo_fill(cr);
            break;
        }
        case Glyph::RepeatAll:
        case Glyph::RepeatOne:
            ArcArrow(cr, cx, cy, 6 * u, -kPi * 0.35, kPi * 1.35, 1.8 * u);
            if (g == Glyph::RepeatOne) {
                cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                                       CAIRO_FONT_WEIGHT_BOLD);
                cairo_set_font_size(cr, 8 * u);
                cairo_text_extents_t e;
                cairo_text_extents(cr, "1", &e);
                cairo_move_to(cr, cx - e.x_bearing - e.width / 2, cy - e.y_bearing - e.height / 2);
                cairo_show_text(cr, "1");
            }
            break;
        case Glyph::RepeatOff: {
            cairo_set_line_width(cr, 1.8 * u);
            cairo_move_to(cr, cx - 8 * u, cy);
            cairo_line_to(cr, cx + 3 * u, cy);
            cairo_stroke(cr);
            Arrowhead(cr, cx + 2 * u, cy, 5 * u, 4 * u, 1);
            cairo_fill(cr);
            cairo_rectangle(cr, cx + 7.5 * u, cy - 6 * u, 1.8 * u, 12 * u);
            cairo_fill(cr);
            break;
        }
        case Glyph::Equalizer: {
            cairo_set_line_width(cr, 1.6 * u);
            const double knobs[] = {2, -3, 4, -1};
            for (int i = 0; i < 4; ++i) {
                const double x = cx + (i - 1.5) * 4.5 * u;
                cairo_move_to(cr, x, cy - 7 * u);
                cairo_line_to(cr, x, cy + 7 * u);
                cairo_stroke(cr);
                RoundRect(cr, x - 2 * u, cy + knobs[i] * u - 1.5 * u, 4 * u, 3 * u, 0.8 * u);
                cairo_fill(cr);
            }
            break;
        }
        case Glyph::Spectrum: {
            const double bars[] = {6, 11, 14, 9, 12, 5};
            for (int i = 0; i < 6; ++i) {
                const double x = cx + (i - 3) * 3 * u;
                cairo_rectangle(cr, x, cy + 7 * u - bars[i] * u, 2.2 * u, bars[i] * u);
            }
            cairo_fill(cr);
            break;
        }
        case Glyph::Navi: {
            // A navigation arrow: a dart pointing up and to the right.
            cairo_move_to(cr, cx + 7 * u, cy - 7 * u);
            cairo_line_to(cr, cx - 7 * u, cy - 0.5 * u);
            cairo_line_to(cr, cx - 0.5 * u, cy + 0.5 * u);
            cairo_line_to(cr, cx + 0.5 * u, cy + 7 * u);
            cairo_close_path(cr);
            cairo_fill(cr);
            break;
        }
        case Glyph::Close:
            cairo_set_line_width(cr, 2.2 * u);
            cairo_move_to(cr, cx - 5 * u, cy - 5 * u);
            cairo_line_to(cr, cx + 5 * u, cy + 5 * u);
            cairo_move_to(cr, cx + 5 * u, cy - 5 * u);
            cairo_line_to(cr, cx - 5 * u, cy + 5 * u);
            cairo_stroke(cr);
            break;
        case Glyph::Up:
            Triangle(cr, cx - 6 * u, cy + 3.5 * u, cx + 6 * u, cy + 3.5 * u, cx, cy - 4 * u);
            cairo_fill(cr);
            break;
        case Glyph::Down:
            Triangle(cr, cx - 6 * u, cy - 3.5 * u, cx + 6 * u, cy - 3.5 * u, cx, cy + 4 * u);
            cairo_fill(cr);
            break;
        case Glyph::Left:
        case Glyph::Right: {
            const int d = g == Glyph::Right ? 1 : -1;
            Arrowhead(cr, cx - d * 6 * u, cy, 6 * u, 5 * u, d);
            Arrowhead(cr, cx, cy, 6 * u, 5 * u, d);
            cairo_fill(cr);
            break;
        }
        case Glyph::Plus:
        case Glyph::Minus:
            cairo_rectangle(cr, cx - 6 * u, cy - 1.2 * u, 12 * u, 2.4 * u);
            if (g == Glyph::Plus) cairo_rectangle(cr, cx - 1.2 * u, cy - 6 * u, 2.4 * u, 12 * u);
            cairo_fill(cr);
            break;
        case Glyph::Check:
            cairo_set_line_width(cr, 2.2 * u);
            cairo_move_to(cr, cx - 5.5 * u, cy);
            cairo_line_to(cr, cx - 1.5 * u, cy + 4.5 * u);
            cairo_line_to(cr, cx + 6 * u, cy - 5 * u);
            cairo_stroke(cr);
            break;
        case Glyph::Speaker:
            Speaker(cr, cx - 2 * u, cy, s);
            cairo_set_line_width(cr, 1.4 * u);
            cairo_arc(cr, cx - 0.5 * u, cy, 4 * u, -kPi / 4, kPi / 4);
            cairo_stroke(cr);
            cairo_arc(cr, cx - 0.5 * u, cy, 7 * u, -kPi / 4, kPi / 4);
            cairo_stroke(cr);
            break;
        case Glyph::SpeakerMuted:
            // The waves give way to a red cross: no sound comes out.
            Speaker(cr, cx - 2 * u, cy, s);
            cairo_set_line_width(cr, 1.8 * u);
            SetColour(cr, Hex(0xFF5A4E));
            cairo_move_to(cr, cx + 1.5 * u, cy - 3.5 * u);
            cairo_line_to(cr, cx + 8.5 * u, cy + 3.5 * u);
            cairo_move_to(cr, cx + 8.5 * u, cy - 3.5 * u);
            cairo_line_to(cr, cx + 1.5 * u, cy + 3.5 * u);
            cairo_stroke(cr);
            break;
        case Glyph::Headphone:
            cairo_set_line_width(cr, 1.8 * u);
            cairo_arc(cr, cx, cy + 1 * u, 6.5 * u, kPi, 2 * kPi);
            cairo_stroke(cr);
            RoundRect(cr, cx - 8 * u, cy + 1 * u, 4 * u, 7 * u, 1.2 * u);
            RoundRect(cr, cx + 4 * u, cy + 1 * u, 4 * u, 7 * u, 1.2 * u);
            cairo_fill(cr);
            break;
        case Glyph::Mute:
            cairo_set_line_width(cr, 1.8 * u);
            cairo_move_to(cr, cx - 4 * u, cy - 4 * u);
            cairo_line_to(cr, cx + 4 * u, cy + 4 * u);
            cairo_move_to(cr, cx + 4 * u, cy - 4 * u);
            cairo_line_to(cr, cx - 4 * u, cy + 4 * u);
            cairo_stroke(cr);
            break;
    }
    cairo_restore(cr);
}

void Text(cairo_t* cr, const std::string& text, double x, double cy, double size, bool bold,
          const Colour& c, Align align) {
    cairo_save(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    double left = x;
    if (align == Align::Centre) left = x - e.x_advance / 2;
    if (align == Align::Right) left = x - e.x_advance;
    // Centre on the cap height so labels with and without descenders line up.
    cairo_text_extents_t cap;
    cairo_text_extents(cr, "H", &cap);
    const double base = std::round(cy + cap.height / 2);
    SetColour(cr, c);
    cairo_move_to(cr, std::round(left), base);
    cairo_show_text(cr, text.c_str());
    cairo_restore(cr);
}

Raster Art(int w, int h, const std::function<void(cairo_t*)>& art, const Raster* under) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(s);
    art(cr);
    cairo_destroy(cr);
    Raster r = FromSurface(s, under);
    cairo_surface_destroy(s);
    return r;
}

Raster Over(const Raster& under, const std::function<void(cairo_t*)>& art) {
    cairo_surface_t* s = ToSurface(under);
    cairo_t* cr = cairo_create(s);
    art(cr);
    cairo_destroy(cr);
    Raster r = Opaque(s);
    cairo_surface_destroy(s);
    return r;
}

bool Save(const std::string& path, const Raster& r) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::string error;
    const std::string ext = std::filesystem::path(path).extension().string();
    const bool jpeg = ext == ".jpg" || ext == ".JPG" || ext == ".jpeg";
    const bool ok = jpeg ? WriteJpeg(path, r, 94, &error) : WriteBmp(path, r, &error);
    if (!ok) std::fprintf(stderr, "skingen: %s\n", error.c_str());
    return ok;
}

}  // namespace skingen

namespace skingen {

void WindowBase(cairo_t* cr, int w, int h, const std::string& name) {
    cairo_rectangle(cr, 0, 0, w, h);
    FillVertical(cr, 0, h, pal::kBgTop, pal::kBgBottom);
    // A soft light from the upper left keeps the large face from looking flat.
    cairo_pattern_t* glow =
        cairo_pattern_create_radial(w * 0.25, h * 0.2, 10, w * 0.25, h * 0.2, w * 0.7);
    cairo_pattern_add_color_stop_rgba(glow, 0, 0.35, 0.55, 0.85, 0.16);
    cairo_pattern_add_color_stop_rgba(glow, 1, 0.35, 0.55, 0.85, 0.0);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);

    cairo_rectangle(cr, 0, 0, w, 22);
    FillVertical(cr, 0, 22, pal::kStripTop, pal::kStripBottom);
    cairo_rectangle(cr, 0, 22, w, 1);
    SetColour(cr, Hex(0x5D7EA8, 0.9));
    cairo_fill(cr);
    cairo_rectangle(cr, 0, 23, w, 1);
    SetColour(cr, Hex(0x000000, 0.35));
    cairo_fill(cr);
    // The window's name beside the MODE button.
    Text(cr, "WQ", 62, 11, 12, true, pal::kAmber, Align::Left);
    Text(cr, name, 89, 11, 11, true, pal::kInk, Align::Left);
}

Raster ButtonPicture(const Raster& bg, const Box& box, Face face, const Content& content,
                     double radius) {
    const Raster under = bg.Crop(box.x, box.y, box.w, box.h);
    return Art(
        box.w, box.h,
        [&](cairo_t* cr) {
            ButtonBody(cr, 0, 0, box.w, box.h, radius, face);
            content(cr, box.w, box.h, face == Face::Normal ? pal::kInk : pal::kCyan);
        },
        &under);
}

Content IconLabel(Glyph g, double size, const std::string& label) {
    return [=](cairo_t* cr, double w, double h, const Colour& ink) {
        if (label.empty()) {
            DrawGlyph(cr, g, w / 2, h / 2, size, ink);
        } else {
            DrawGlyph(cr, g, w / 2, h / 2 - 4, size, ink);
            Text(cr, label, w / 2, h - 7, 7.5, true, ink.r == pal::kInk.r ? pal::kDim : ink);
        }
    };
}

Content Word(const std::string& word, double size) {
    return [=](cairo_t* cr, double w, double h, const Colour& ink) {
        Text(cr, word, w / 2, h / 2, size, true, ink);
    };
}

}  // namespace skingen
