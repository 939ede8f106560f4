// The equalizer window: WQEqualizer.TPL over EQ_setup_N.jpg (also the
// picture the window shows before its skin exists), the step buttons, the
// band faders, the wide-band toggles and the twenty frequency pictures.
#include <cmath>
#include <cstdio>

#include "tools/skingen/layout.h"

namespace skingen {

namespace {

constexpr int kW = 480, kH = 234;
constexpr int kBands = 5;
constexpr int kColumnW = 76, kColumnPitch = 80, kColumnY = 26, kColumnH = 204;

int ColumnX(int band) {
    return 6 + band * kColumnPitch;
}

// Places inside band column b (0..4).
Box FreqDown(int b) {
    return {ColumnX(b) + 2, 30, 18, 18};
}
Box FreqPicture(int b) {
    return {ColumnX(b) + 20, 31, 36, 16};
}
Box FreqUp(int b) {
    return {ColumnX(b) + 56, 30, 18, 18};
}
Box GainLabel(int b) {
    return {ColumnX(b) + 18, 52, 40, 22};
}
Box Fader(int b) {
    return {ColumnX(b) + 28, 78, 20, 118};
}
Box Wide(int b) {
    return {ColumnX(b) + 52, 126, 22, 22};
}
Box GainDown(int b) {
    return {ColumnX(b) + 2, 202, 35, 24};
}
Box GainUp(int b) {
    return {ColumnX(b) + 39, 202, 35, 24};
}

constexpr Box k3DColumn{406, kColumnY, 68, kColumnH};
constexpr Box k3DLabel{412, 50, 56, 22};
constexpr Box k3DDown{410, 78, 29, 22};
constexpr Box k3DUp{441, 78, 29, 22};
constexpr Box kPatternBtn{410, 150, 60, 34};
constexpr Box kResetBtn{410, 192, 60, 34};
constexpr Box kModeBtn{6, 3, 48, 17};
constexpr Box kPowerBtn{370, 2, 38, 18};

// Frequency picture names by band and step, and the text each shows.
struct Freq {
    const char* file;
    const char* text;
};
constexpr Freq kFreqs[kBands][4] = {
    {{"80", "80"}, {"105", "105"}, {"135", "135"}, {"175", "175"}},
    {{"230", "230"}, {"300", "300"}, {"385", "385"}, {"500", "500"}},
    {{"650", "650"}, {"850", "850"}, {"1_1", "1.1k"}, {"1_4", "1.4k"}},
    {{"1_8", "1.8k"}, {"2_4", "2.4k"}, {"3_2", "3.2k"}, {"4_1", "4.1k"}},
    {{"5_3", "5.3k"}, {"6_9", "6.9k"}, {"9", "9k"}, {"11_7", "11.7k"}},
};

void Column(cairo_t* cr, double x, double y, double w, double h) {
    RoundRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, 7);
    FillVertical(cr, y, y + h, Hex(0x17263B, 0.95), Hex(0x0D1625, 0.95));
    RoundRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, 7);
    cairo_set_line_width(cr, 1);
    SetColour(cr, Hex(0x3F5E82));
    cairo_stroke(cr);
}

Raster Background() {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kW, kH);
    cairo_t* cr = cairo_create(s);
    WindowBase(cr, kW, kH, "EQUALIZER");
    for (int b = 0; b < kBands; ++b) {
        Column(cr, ColumnX(b), kColumnY, kColumnW, kColumnH);
        // A flat window behind the frequency picture, which is drawn opaque.
        const Box f = FreqPicture(b);
        cairo_rectangle(cr, f.x, f.y, f.w, f.h);
        SetColour(cr, Hex(0x050B14));
        cairo_fill(cr);
        const Box g = GainLabel(b);
        GlassPanel(cr, g.x, g.y, g.w, g.h, 4);
        // Fader groove with a dB scale: +12 at the top, 0 in the middle.
        const Box fd = Fader(b);
        RoundRect(cr, fd.x + 7.5, fd.y + 0.5, 5, fd.h - 1, 2.5);
        FillVertical(cr, fd.y, fd.y + fd.h, Hex(0x02060C), Hex(0x14263B));
        RoundRect(cr, fd.x + 7.5, fd.y + 0.5, 5, fd.h - 1, 2.5);
        cairo_set_line_width(cr, 1);
        SetColour(cr, Hex(0x4A6F96, 0.8));
        cairo_stroke(cr);
        const struct {
            const char* text;
            double at;
        } marks[] = {{"+12", 0.0}, {"0", 0.5}, {"-12", 1.0}};
        for (const auto& m : marks) {
            const double y = fd.y + 5 + m.at * (fd.h - 10);
            Text(cr, m.text, fd.x - 3, y, 7, true, pal::kDim, Align::Right);
            cairo_rectangle(cr, fd.x + 1, std::round(y), 4, 1);
            cairo_rectangle(cr, fd.x + 15, std::round(y), 4, 1);
            SetColour(cr, Hex(0x8FA6C4, 0.7));
            cairo_fill(cr);
        }
        if (b >= 1 && b <= 3) {
            const Box w = Wide(b);
            Text(cr, "WIDE", w.x + w.w / 2.0, w.y + w.h + 6, 6.5, true, Hex(0x6F8FB3));
        }
    }
    Column(cr, k3DColumn.x, k3DColumn.y, k3DColumn.w, k3DColumn.h);
    Text(cr, "3D", k3DColumn.x + k3DColumn.w / 2.0, 39, 10, true, pal::kAmber);
    GlassPanel(cr, k3DLabel.x, k3DLabel.y, k3DLabel.w, k3DLabel.h, 4);
    cairo_destroy(cr);
    Raster r = Opaque(s);
    cairo_surface_destroy(s);
    return r;
}

Raster FreqPictureArt(const Raster& bg, int band, const char* text) {
    const Box f = FreqPicture(band);
    // Drawn opaque at the area's corner: no colour key.
    return Over(bg.Crop(f.x, f.y, f.w, f.h),
                [&](cairo_t* cr) { Text(cr, text, f.w / 2.0, f.h / 2.0, 10, true, pal::kAmber); });
}

}  // namespace

bool MakeEqualizer(const std::string& skinDir) {
    const std::string dir = skinDir + "/WQAudio";
    const std::string img = dir + "/img/";
    const Raster bg = Background();
    bool ok = Save(img + "EQ_setup_N.jpg", bg);

    Layout layout;
    layout.title = "Equalizer window (480 x 234)";
    layout.width = kW;
    layout.height = kH;
    layout.background = "img\\EQ_setup_N.jpg";

    // One picture pair per kind of button: the columns are alike, so a face
    // drawn over band 1's place fits every band.
    auto pair = [&](const std::string& stem, const Box& box, const Content& c) {
        ok = ok && Save(img + stem + "_N_bt.bmp", ButtonPicture(bg, box, Face::Normal, c, 5));
        ok = ok && Save(img + stem + "_A_bt.bmp", ButtonPicture(bg, box, Face::Pressed, c, 5));
        return "normal=img\\" + stem + "_N_bt.bmp pressed=img\\" + stem + "_A_bt.bmp";
    };
    const std::string mode = pair("eqmode", kModeBtn, Word("MODE", 8));
    const std::string power = pair("power", kPowerBtn, Word("PWR", 8));
    const std::string freqDown = pair("eqleft", FreqDown(0), IconLabel(Glyph::Left, 9));
    const std::string freqUp = pair("eqright", FreqUp(0), IconLabel(Glyph::Right, 9));
    const std::string minus = pair("eqminus", GainDown(0), IconLabel(Glyph::Minus, 12));
    const std::string plus = pair("eqplus", GainUp(0), IconLabel(Glyph::Plus, 12));
    const std::string left3d = pair("3dleft", k3DDown, IconLabel(Glyph::Left, 10));
    const std::string right3d = pair("3dright", k3DUp, IconLabel(Glyph::Right, 10));
    const std::string pattern =
        pair("pattern", kPatternBtn, IconLabel(Glyph::Spectrum, 14, "PATTERN"));
    const std::string reset = pair("reset", kResetBtn, Word("RESET", 9));
    const Raster thumb = Art(20, 10, [](cairo_t* cr) {
        RoundRect(cr, 0.5, 0.5, 19, 9, 2.5);
        FillVertical(cr, 0, 10, Hex(0xF4F8FF), Hex(0x8AA5C4));
        RoundRect(cr, 0.5, 0.5, 19, 9, 2.5);
        cairo_set_line_width(cr, 1);
        SetColour(cr, Hex(0x1C3550));
        cairo_stroke(cr);
        cairo_rectangle(cr, 3, 4.5, 14, 1);
        SetColour(cr, pal::kCyan);
        cairo_fill(cr);
    });
    ok = ok && Save(img + "eq_thumb.bmp", thumb);

    // Wide-band toggle: off shows an empty box, on a cyan tick.
    const Box wide = Wide(1);
    const Raster wideUnder = bg.Crop(wide.x, wide.y, wide.w, wide.h);
    const Raster wideOff = Art(
        wide.w, wide.h, [&](cairo_t* cr) { ButtonBody(cr, 0, 0, wide.w, wide.h, 4, Face::Normal); },
        &wideUnder);
    const Raster wideOn = Art(
        wide.w, wide.h,
        [&](cairo_t* cr) {
            ButtonBody(cr, 0, 0, wide.w, wide.h, 4, Face::Pressed);
            DrawGlyph(cr, Glyph::Check, wide.w / 2.0, wide.h / 2.0, 14, pal::kCyan);
        },
        &wideUnder);
    ok = ok && Save(img + "EQceknon_N_bt.bmp", wideOff) && Save(img + "EQcekon_A_bt.bmp", wideOn);

    layout.elements.push_back(
        {"button", 2044, kModeBtn, mode, "Top strip: MODE, and PWR beside the status strip"});
    layout.elements.push_back({"button", 2009, kPowerBtn, power, ""});
    for (int b = 0; b < kBands; ++b) {
        const unsigned u = static_cast<unsigned>(b);
        layout.elements.push_back({"button", 2018 + 2 * u, FreqDown(b), freqDown + " repeat=yes",
                                   "Band " + std::to_string(b + 1)});
        layout.elements.push_back({"custom", 2201 + u, FreqPicture(b), "", ""});
        layout.elements.push_back({"button", 2019 + 2 * u, FreqUp(b), freqUp + " repeat=yes", ""});
        layout.elements.push_back({"custom", 2206 + u, GainLabel(b), "", ""});
        layout.elements.push_back(
            {"slider vertical", 2028 + u, Fader(b), "thumb=img\\eq_thumb.bmp", ""});
        if (b >= 1 && b <= 3) {
            layout.elements.push_back(
                {"button", 2033 + u, Wide(b),
                 "normal=img\\EQceknon_N_bt.bmp pressed=img\\EQcekon_A_bt.bmp", ""});
        }
        layout.elements.push_back({"button", 2056 + 2 * u, GainDown(b), minus, ""});
        layout.elements.push_back({"button", 2055 + 2 * u, GainUp(b), plus, ""});
        for (int step = 0; step < 4; ++step) {
            ok = ok && Save(img + kFreqs[b][step].file + ".bmp",
                            FreqPictureArt(bg, b, kFreqs[b][step].text));
        }
    }
    layout.elements.push_back({"custom", 2211, k3DLabel, "", "3D effect, PATTERN and RESET"});
    layout.elements.push_back({"button", 2038, k3DDown, left3d + " repeat=yes", ""});
    layout.elements.push_back({"button", 2039, k3DUp, right3d + " repeat=yes", ""});
    layout.elements.push_back({"button", 2049, kPatternBtn, pattern, ""});
    layout.elements.push_back({"button", 2040, kResetBtn, reset, ""});
    return ok && WriteTemplate(dir + "/WQEqualizer.TPL", layout);
}

}  // namespace skingen
