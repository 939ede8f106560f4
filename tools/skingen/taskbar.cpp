// The status strip: taskbar.TPL (65 x 18), its background, the twenty output
// icons and the volume digits, all in Common so every program shares them.
#include "tools/skingen/layout.h"

namespace skingen {

namespace {

constexpr int kW = 65, kH = 18;
// Icons are drawn at (0, 0); the volume number uses x 30..51, y 4..15.
constexpr int kIconW = 28;

Raster Background() {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kW, kH);
    cairo_t* cr = cairo_create(s);
    cairo_rectangle(cr, 0, 0, kW, kH);
    FillVertical(cr, 0, kH, pal::kStripTop, pal::kStripBottom);
    RoundRect(cr, 0.5, 0.5, kW - 1, kH - 1, 8);
    FillVertical(cr, 0, kH, Hex(0x0A1726), Hex(0x142437));
    RoundRect(cr, 0.5, 0.5, kW - 1, kH - 1, 8);
    cairo_set_line_width(cr, 1);
    SetColour(cr, Hex(0x5D7EA8));
    cairo_stroke(cr);
    cairo_destroy(cr);
    Raster r = Opaque(s);
    cairo_surface_destroy(s);
    return r;
}

struct Output {
    std::string stem;
    bool headphone;
    bool fm;  // the auxiliary FM transmitter output
};

void Icon(cairo_t* cr, const Output& o, bool muted, bool pressed) {
    if (pressed) {
        RoundRect(cr, 2, 2, kIconW - 3, kH - 4, 5);
        SetColour(cr, Hex(0x3CCBF4, 0.28));
        cairo_fill(cr);
    }
    const Colour ink = pressed ? pal::kCyan : pal::kInk;
    const bool both = o.fm && (o.headphone || o.stem == "fmtspk");
    const double cx = both ? 9 : 14;
    if (o.fm && !both) {
        Text(cr, "FM", cx, kH / 2.0, 9, true, ink);
    } else {
        const Glyph g = o.headphone      ? Glyph::Headphone
                        : muted && !both ? Glyph::SpeakerMuted
                                         : Glyph::Speaker;
        DrawGlyph(cr, g, cx, kH / 2.0, 13, ink);
    }
    if (both) Text(cr, "FM", 21, kH / 2.0 + 3, 6.5, true, pal::kAmber);
    // A plain speaker shows its mute in place of the waves; the others get a
    // small red cross in the corner.
    if (muted && (o.headphone || o.fm))
        DrawGlyph(cr, Glyph::Mute, kIconW - 4.5, 5, 8, Hex(0xFF5A4E));
}

}  // namespace

bool MakeTaskbar(const std::string& skinDir) {
    const std::string dir = skinDir + "/Common";
    const std::string img = dir + "/img/";
    const Raster bg = Background();
    bool ok = Save(img + "taskbar_bg.bmp", bg);

    const Output outputs[] = {
        {"spk", false, false},   {"head", true, false},   {"fmt", false, true},
        {"fmtspk", false, true}, {"headfmt", true, true},
    };
    const Raster under = bg.Crop(0, 0, kIconW, kH);
    for (const Output& o : outputs) {
        struct Variant {
            const char* suffix;
            bool muted, pressed;
        };
        for (const Variant v :
             {Variant{"_N_bt.bmp", false, false}, Variant{"_A_bt.bmp", false, true},
              Variant{"_MN_bt.bmp", true, false}, Variant{"_MA_bt.bmp", true, true}}) {
            ok = ok && Save(img + o.stem + v.suffix,
                            Art(
                                kIconW, kH, [&](cairo_t* cr) { Icon(cr, o, v.muted, v.pressed); },
                                &under));
        }
    }

    // Volume digits: 7 x 12 cells, blended over the strip where they stand.
    const Raster digitsUnder = [&] {
        Raster r(70, 12);
        for (int d = 0; d < 10; ++d) {
            const Raster cell = bg.Crop(36, 4, 7, 12);
            for (int y = 0; y < 12; ++y) {
                for (int x = 0; x < 7; ++x) r.at(7 * d + x, y) = cell.at(x, y);
            }
        }
        return r;
    }();
    ok = ok && Save(img + "timedatenum.bmp",
                    Art(
                        70, 12,
                        [](cairo_t* cr) {
                            for (int d = 0; d < 10; ++d) {
                                const std::string t(1, static_cast<char>('0' + d));
                                Text(cr, t, 7 * d + 3.5, 6, 11, true, pal::kInk);
                            }
                        },
                        &digitsUnder));

    Layout layout;
    layout.title =
        "Status strip (65 x 18): the program draws the output icon and the volume itself";
    layout.width = kW;
    layout.height = kH;
    layout.background = "img\\taskbar_bg.bmp";
    return ok && WriteTemplate(dir + "/taskbar.TPL", layout);
}

}  // namespace skingen
