// The pattern window: WQPattern.TPL with three preview buttons (JPEG, the
// selected one lit) and DEFAULT, EQ, EXIT and MODE.
#include <cmath>
#include <cstdlib>

#include "tools/skingen/layout.h"

namespace skingen {

namespace {

constexpr int kW = 480, kH = 234;
constexpr Box kPatternBox[3] = {{12, 32, 148, 126}, {166, 32, 148, 126}, {320, 32, 148, 126}};
constexpr Box kDefault{12, 172, 148, 44};
constexpr Box kEq{166, 172, 148, 44};
constexpr Box kExit{320, 172, 148, 44};
constexpr Box kMode{6, 3, 48, 17};

Raster Background() {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kW, kH);
    cairo_t* cr = cairo_create(s);
    WindowBase(cr, kW, kH, "VISUAL PATTERN");
    Text(cr, "Choose how the spectrum moves", kW - 72.0, 11, 8, false, pal::kDim, Align::Right);
    cairo_destroy(cr);
    Raster r = Opaque(s);
    cairo_surface_destroy(s);
    return r;
}

// Fixed sample levels (0..20) for the previews, so every run draws the same.
constexpr int kLevels[12] = {11, 16, 19, 14, 17, 12, 9, 13, 10, 7, 5, 3};

// A miniature of each pattern as the player draws it, 12 bands.
void Preview(cairo_t* cr, int pattern, double x, double y, double w, double h, bool lit) {
    const double band = w / 12.0;
    const Colour bar = lit ? pal::kCyan : Hex(0x5FA9D6);
    for (int i = 0; i < 12; ++i) {
        const double bx = x + i * band + 1;
        const double level = kLevels[i] / 20.0;
        if (pattern == 0) {
            const double bh = level * (h - 8);
            for (double yy = y + h - 2; yy > y + h - 2 - bh; yy -= 3) {
                cairo_rectangle(cr, bx, yy - 2, band - 3, 2);
            }
            SetColour(cr, bar);
            cairo_fill(cr);
            cairo_rectangle(cr, bx, y + h - 2 - bh - 6, band - 3, 2);
            SetColour(cr, pal::kAmber);
            cairo_fill(cr);
        } else if (pattern == 1) {
            const double bh = level * (h - 10);
            const double mid = y + h / 2;
            for (double d = 0; d < bh / 2; d += 3) {
                cairo_rectangle(cr, bx, mid - d - 2, band - 3, 2);
                cairo_rectangle(cr, bx, mid + d, band - 3, 2);
            }
            SetColour(cr, bar);
            cairo_fill(cr);
            cairo_rectangle(cr, bx, mid - bh / 2 - 4, band - 3, 2);
            cairo_rectangle(cr, bx, mid + bh / 2 + 2, band - 3, 2);
            SetColour(cr, pal::kAmber);
            cairo_fill(cr);
        } else {
            const double next = i < 11 ? kLevels[i + 1] / 20.0 : 0.0;
            for (int k = 0; k < 3; ++k) {
                const double t = k / 3.0;
                const double top = y + h - 2 - (level + (next - level) * t) * (h - 10);
                const double cx = x + i * band + k * band / 3.0;
                cairo_rectangle(cr, std::round(cx), top, 1.5, y + h - top);
                SetColour(cr, Hex(0xE9E9E9, lit ? 1.0 : 0.75));
                cairo_fill(cr);
                cairo_rectangle(cr, std::round(cx), top - 3, 1.5, 2);
                SetColour(cr, Hex(0xFF7B47));
                cairo_fill(cr);
            }
        }
    }
}

Raster PatternButton(const Raster& bg, int pattern, bool selected) {
    static const char* const kNames[3] = {"BASIC", "SYMMETRIC", "WAVE"};
    const Box b = kPatternBox[pattern];
    const Raster under = bg.Crop(b.x, b.y, b.w, b.h);
    return Over(under, [&](cairo_t* cr) {
        ButtonBody(cr, 0, 0, b.w, b.h, 9, Face::Normal);
        if (selected) {
            RoundRect(cr, 1.5, 1.5, b.w - 3, b.h - 3, 8);
            cairo_set_line_width(cr, 3);
            SetColour(cr, pal::kCyan);
            cairo_stroke(cr);
        }
        GlassPanel(cr, 10, 10, b.w - 20, b.h - 44, 5);
        Preview(cr, pattern, 16, 14, b.w - 32, b.h - 52, selected);
        Text(cr, kNames[pattern], b.w / 2.0, b.h - 18, 11, true, selected ? pal::kCyan : pal::kInk);
        if (selected) {
            cairo_arc(cr, 16, b.h - 18, 3.5, 0, 6.2832);
            SetColour(cr, pal::kCyan);
            cairo_fill(cr);
        }
    });
}

}  // namespace

bool MakePattern(const std::string& skinDir) {
    const std::string dir = skinDir + "/WQAudio";
    const std::string img = dir + "/img/";
    const Raster bg = Background();
    bool ok = Save(img + "pattern_bg.jpg", bg);

    Layout layout;
    layout.title = "Pattern window (480 x 234)";
    layout.width = kW;
    layout.height = kH;
    layout.background = "img\\pattern_bg.jpg";

    static const char* const kStems[3] = {"basic", "symmetric", "wave"};
    for (int p = 0; p < 3; ++p) {
        const std::string stem = kStems[p];
        ok = ok && Save(img + stem + "_N_bg.JPG", PatternButton(bg, p, false));
        ok = ok && Save(img + stem + "_A_bg.JPG", PatternButton(bg, p, true));
        layout.elements.push_back(
            {"button", 2051u + static_cast<unsigned>(p), kPatternBox[p],
             "normal=img\\" + stem + "_N_bg.JPG pressed=img\\" + stem + "_A_bg.JPG",
             p == 0 ? "Patterns: the program lights the selected one" : ""});
    }
    auto pair = [&](const std::string& stem, const Box& box, const Content& c) {
        ok = ok && Save(img + stem + "_N_bt.bmp", ButtonPicture(bg, box, Face::Normal, c, 7));
        ok = ok && Save(img + stem + "_A_bt.bmp", ButtonPicture(bg, box, Face::Pressed, c, 7));
        return "normal=img\\" + stem + "_N_bt.bmp pressed=img\\" + stem + "_A_bt.bmp";
    };
    layout.elements.push_back({"button", 2047, kDefault,
                               pair("default", kDefault, Word("DEFAULT", 11)),
                               "DEFAULT, back to the equalizer, EXIT and MODE"});
    layout.elements.push_back({"button", 2048, kEq,
                               pair("pateq", kEq, IconLabel(Glyph::Equalizer, 16, "EQUALIZER")),
                               ""});
    layout.elements.push_back({"button", 2050, kExit, pair("exit", kExit, Word("EXIT", 11)), ""});
    layout.elements.push_back({"button", 2054, kMode, pair("patmode", kMode, Word("MODE", 8)), ""});
    return ok && WriteTemplate(dir + "/WQPattern.TPL", layout);
}

}  // namespace skingen
