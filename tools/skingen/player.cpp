// The player window: WQAudio.TPL, its background, button faces, slider and
// list pictures, the time digits, the spectrum bars and the preset badges.
#include <cstdio>

#include "tools/skingen/layout.h"

namespace skingen {

namespace {

constexpr int kW = 480, kH = 234;

// Areas the program fills itself; the face under them stays calm.
constexpr Box kDisplay{6, 22, 468, 102};
// 100 pixels tall: the WAVE pattern draws its columns down to y 100 of the area.
constexpr Box kSpectrum{12, 23, 180, 100};
constexpr Box kTitle{204, 28, 264, 18};
constexpr Box kFolder{204, 48, 264, 18};
constexpr Box kTime{208, 74, 56, 10};
constexpr Box kBitRate{272, 72, 112, 14};
constexpr Box kEqBadge{392, 70, 76, 18};
constexpr Box kProgress{204, 96, 264, 14};
constexpr Box kListPanel{6, 160, 436, 70};
constexpr Box kList{10, 163, 428, 64};
constexpr int kRowHeight = 16;
constexpr Box kListUp{446, 160, 28, 18};
constexpr Box kListSlider{448, 181, 24, 26};
constexpr Box kListDown{446, 210, 28, 18};

// The row the transport and mode buttons share.
constexpr int kRowY = 127, kRowH = 31;

struct ButtonArt {
    unsigned id;
    Box box;
    std::string file;  // picture stem: img\<file>_N_bt.bmp and _A_
    Content content;
    bool repeat;
    std::string note;
};

std::vector<ButtonArt> Buttons() {
    return {
        {2042,
         {6, 3, 48, 17},
         "mode",
         Word("MODE", 8),
         false,
         "Top strip: MODE at the left, Close beside the status strip (x 412)"},
        {2009, {370, 2, 38, 18}, "close", IconLabel(Glyph::Close, 12), false, ""},
        {2016, {8, kRowY, 48, kRowH}, "prev", IconLabel(Glyph::Prev, 16), false, "Transport row"},
        {2001, {60, kRowY, 48, kRowH}, "stop", IconLabel(Glyph::Stop, 15), false, ""},
        {2002, {112, kRowY, 48, kRowH}, "play", IconLabel(Glyph::Play, 18), false, ""},
        {2003, {164, kRowY, 48, kRowH}, "next", IconLabel(Glyph::Next, 16), false, ""},
        {2004,
         {226, kRowY, 44, kRowH},
         "turn",
         IconLabel(Glyph::Turn, 15, "ORDER"),
         false,
         "Play order, repeat mode and equalizer preset"},
        {2005, {274, kRowY, 44, kRowH}, "all", IconLabel(Glyph::RepeatAll, 15, "ALL"), false, ""},
        {2006, {322, kRowY, 44, kRowH}, "eq", IconLabel(Glyph::Equalizer, 15, "EQ"), false, ""},
        {2010,
         {380, kRowY, 44, kRowH},
         "seteq",
         IconLabel(Glyph::Spectrum, 15, "VISUAL"),
         false,
         "Pattern window and navigation"},
        {2011, {428, kRowY, 44, kRowH}, "navi", IconLabel(Glyph::Navi, 15, "NAVI"), false, ""},
        {2015, kListUp, "up", IconLabel(Glyph::Up, 12), true, "List arrows and scroll slider"},
        {2014, kListDown, "down", IconLabel(Glyph::Down, 12), true, ""},
    };
}

// The other faces the program puts on buttons 2002, 2004 and 2005 while it
// runs, drawn at those buttons' places.
struct ExtraFace {
    unsigned id;
    std::string file;
    Content content;
};

std::vector<ExtraFace> ExtraFaces() {
    return {
        {2002, "pause", IconLabel(Glyph::Pause, 16)},
        {2004, "random", IconLabel(Glyph::Random, 15, "SHUFFLE")},
        {2005, "one", IconLabel(Glyph::RepeatOne, 15, "ONE")},
        {2005, "nonrep", IconLabel(Glyph::RepeatOff, 15, "OFF")},
    };
}

// Presets in the order of their numbers; each badge names one.
const char* const kPresets[] = {"NORMAL", "ROCK",  "POP",  "JAZZ", "CLASSIC", "DANCE",
                                "HEAVY",  "DISCO", "SOFT", "LIVE", "HALL"};

void Groove(cairo_t* cr, double x, double y, double w, double h) {
    RoundRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, std::min(w, h) / 2);
    FillVertical(cr, y, y + h, Hex(0x02060C), Hex(0x14263B));
    RoundRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, std::min(w, h) / 2);
    cairo_set_line_width(cr, 1);
    SetColour(cr, Hex(0x4A6F96, 0.8));
    cairo_stroke(cr);
}

Raster Background() {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kW, kH);
    cairo_t* cr = cairo_create(s);
    WindowBase(cr, kW, kH, "AUDIO");

    GlassPanel(cr, kDisplay.x, kDisplay.y, kDisplay.w, kDisplay.h, 7);
    // Spectrum scale: faint lines every 8 pixels and a floor where the bars
    // stand (66 pixels below the area's top).
    for (int y = kSpectrum.y + 10; y < kSpectrum.y + 66; y += 8) {
        cairo_rectangle(cr, kSpectrum.x + 2, y, kSpectrum.w - 16, 1);
    }
    SetColour(cr, Hex(0x3CCBF4, 0.07));
    cairo_fill(cr);
    cairo_rectangle(cr, kSpectrum.x + 1, kSpectrum.y + 67, 166, 1);
    SetColour(cr, Hex(0x3CCBF4, 0.45));
    cairo_fill(cr);
    // Divider between the spectrum and the track text.
    cairo_rectangle(cr, 198, kDisplay.y + 8, 1, kDisplay.h - 16);
    SetColour(cr, Hex(0x4A6F96, 0.6));
    cairo_fill(cr);
    // Hair lines under the title and folder lines.
    cairo_rectangle(cr, kTitle.x + 4, kTitle.y + kTitle.h + 1, kTitle.w - 8, 1);
    SetColour(cr, Hex(0xFFFFFF, 0.06));
    cairo_fill(cr);
    cairo_rectangle(cr, kFolder.x + 4, kFolder.y + kFolder.h + 2, kFolder.w - 8, 1);
    SetColour(cr, Hex(0xFFFFFF, 0.06));
    cairo_fill(cr);
    Groove(cr, kProgress.x, kProgress.y + 4, kProgress.w, 6);

    // The title list: a light slate panel on which both yellow folder rows
    // and black file rows read.
    RoundRect(cr, kListPanel.x + 0.5, kListPanel.y + 0.5, kListPanel.w - 1, kListPanel.h - 1, 6);
    FillVertical(cr, kListPanel.y, kListPanel.y + kListPanel.h, pal::kListTop, pal::kListBottom);
    for (int row = 1; row < kList.h / kRowHeight; ++row) {
        cairo_rectangle(cr, kList.x + 4, kList.y + row * kRowHeight, kList.w - 8, 1);
    }
    SetColour(cr, Hex(0x2C3E57, 0.35));
    cairo_fill(cr);
    RoundRect(cr, kListPanel.x + 0.5, kListPanel.y + 0.5, kListPanel.w - 1, kListPanel.h - 1, 6);
    cairo_set_line_width(cr, 1);
    SetColour(cr, Hex(0x9FB6D4));
    cairo_stroke(cr);
    Groove(cr, kListSlider.x + 9, kListSlider.y, 6, kListSlider.h);

    cairo_destroy(cr);
    Raster r = Opaque(s);
    cairo_surface_destroy(s);
    return r;
}

// Glyphs 0..9 of the time digits, 4 x 6 each, in a 5-pixel cell.
const char* const kDigits[10][6] = {
    {".##.", "#..#", "#..#", "#..#", "#..#", ".##."},
    {".#..", "##..", ".#..", ".#..", ".#..", "###."},
    {".##.", "#..#", "...#", "..#.", ".#..", "####"},
    {"###.", "...#", ".##.", "...#", "...#", "###."},
    {"#..#", "#..#", "#..#", "####", "...#", "...#"},
    {"####", "#...", "###.", "...#", "...#", "###."},
    {".##.", "#...", "###.", "#..#", "#..#", ".##."},
    {"####", "...#", "..#.", ".#..", ".#..", ".#.."},
    {".##.", "#..#", ".##.", "#..#", "#..#", ".##."},
    {".##.", "#..#", "#..#", ".###", "...#", ".##."},
};
constexpr uint32_t kDigitInk = 0xBFF1FF;

Raster Pixels(int w, int h, const std::vector<std::string>& rows) {
    Raster r(w, h, kMagenta);
    for (int y = 0; y < h && y < static_cast<int>(rows.size()); ++y) {
        for (int x = 0; x < w && x < static_cast<int>(rows[y].size()); ++x) {
            if (rows[y][x] == '#') r.at(x, y) = kDigitInk;
        }
    }
    return r;
}

Raster DigitStrip() {
    Raster r(50, 6, kMagenta);
    for (int d = 0; d < 10; ++d) {
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 4; ++x) {
                if (kDigits[d][y][x] == '#') r.at(5 * d + x, y) = kDigitInk;
            }
        }
    }
    return r;
}

// Spectrum bar: 1-pixel lit rows with 1-pixel gaps, amber at the top through
// cyan to blue at the bottom (BASIC uses the top 40 rows, SYMMETRIC all 64).
Raster Bar() {
    return Art(7, 64, [](cairo_t* cr) {
        for (int y = 0; y < 64; y += 2) {
            const double t = y / 63.0;
            const Colour c = t < 0.25   ? Hex(0xFFB547)
                             : t < 0.5  ? Hex(0x9CE8FF)
                             : t < 0.75 ? Hex(0x3CCBF4)
                                        : Hex(0x2F8FE0);
            cairo_rectangle(cr, 0, y, 7, 1);
            SetColour(cr, c);
            cairo_fill(cr);
            cairo_rectangle(cr, 0, y + 1, 7, 1);
            SetColour(cr, Hex(0x000000, 0.0));
            cairo_fill(cr);
        }
    });
}

Raster Peak() {
    Raster r(7, 4, kMagenta);
    for (int x = 0; x < 7; ++x) {
        r.at(x, 0) = 0xFFFFFF;
        r.at(x, 1) = 0xFFD27A;
        r.at(x, 2) = 0xFFB547;
    }
    return r;
}

Raster PresetBadge(const Raster& bg, const char* name) {
    // Drawn opaque at the area's corner, so it carries the face under it and
    // holds no colour key.
    return Over(bg.Crop(kEqBadge.x, kEqBadge.y, kEqBadge.w, kEqBadge.h), [&](cairo_t* cr) {
        const double w = kEqBadge.w, h = kEqBadge.h;
        RoundRect(cr, 0.5, 0.5, w - 1, h - 1, h / 2);
        SetColour(cr, Hex(0x1A1206, 0.85));
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 1);
        SetColour(cr, pal::kAmber);
        cairo_stroke(cr);
        Text(cr, "EQ", 6, h / 2, 7, true, Hex(0xFFB547, 0.7), Align::Left);
        Text(cr, name, 20 + (w - 24) / 2, h / 2, 8.5, true, pal::kAmber);
    });
}

Raster Selection() {
    return Art(kList.w, kRowHeight, [](cairo_t* cr) {
        RoundRect(cr, 1.5, 0.5, kList.w - 3, kRowHeight - 1, 4);
        FillVertical(cr, 0, kRowHeight, Hex(0x3F74B8), Hex(0x2D5C9C));
        RoundRect(cr, 1.5, 0.5, kList.w - 3, kRowHeight - 1, 4);
        cairo_set_line_width(cr, 1);
        SetColour(cr, Hex(0x9DE6FF));
        cairo_stroke(cr);
    });
}

Raster ProgressFill() {
    return Art(kProgress.w, kProgress.h, [](cairo_t* cr) {
        RoundRect(cr, 1, 5, kProgress.w - 2, 4, 2);
        FillVertical(cr, 5, 9, Hex(0x9CEBFF), Hex(0x1E8FD0));
    });
}

Raster Thumb(int w, int h, bool vertical) {
    return Art(w, h, [=](cairo_t* cr) {
        if (vertical) {
            RoundRect(cr, 0.5, 0.5, w - 1, h - 1, 3);
        } else {
            cairo_arc(cr, w / 2.0, h / 2.0, w / 2.0 - 0.5, 0, 6.2832);
        }
        cairo_pattern_t* p =
            cairo_pattern_create_radial(w * 0.4, h * 0.35, 0.5, w / 2.0, h / 2.0, w * 0.6);
        cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.45, 0.75, 0.92);
        cairo_set_source(cr, p);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(p);
        cairo_set_line_width(cr, 1);
        SetColour(cr, Hex(0x1C4E78));
        cairo_stroke(cr);
    });
}

}  // namespace

bool MakePlayer(const std::string& skinDir) {
    const std::string dir = skinDir + "/WQAudio";
    const std::string img = dir + "/img/";
    const Raster bg = Background();
    bool ok = Save(img + "audio_bg.jpg", bg);

    Layout layout;
    layout.title = "Player window (480 x 234)";
    layout.width = kW;
    layout.height = kH;
    layout.background = "img\\audio_bg.jpg";

    const std::vector<ButtonArt> buttons = Buttons();
    for (const ButtonArt& b : buttons) {
        ok = ok &&
             Save(img + b.file + "_N_bt.bmp", ButtonPicture(bg, b.box, Face::Normal, b.content));
        ok = ok &&
             Save(img + b.file + "_A_bt.bmp", ButtonPicture(bg, b.box, Face::Pressed, b.content));
        std::string extra =
            "normal=img\\" + b.file + "_N_bt.bmp pressed=img\\" + b.file + "_A_bt.bmp";
        if (b.repeat) extra += " repeat=yes";
        layout.elements.push_back({"button", b.id, b.box, extra, b.note});
    }
    for (const ExtraFace& f : ExtraFaces()) {
        const Box box = layout.Find(f.id).box;
        ok =
            ok && Save(img + f.file + "_N_bt.bmp", ButtonPicture(bg, box, Face::Normal, f.content));
        ok = ok &&
             Save(img + f.file + "_A_bt.bmp", ButtonPicture(bg, box, Face::Pressed, f.content));
    }

    ok = ok && Save(img + "pos_fill.bmp", ProgressFill()) &&
         Save(img + "pos_thumb.bmp", Thumb(12, 12, false)) &&
         Save(img + "list_thumb.bmp", Thumb(18, 8, true)) &&
         Save(img + "list_sel.bmp", Selection());
    layout.elements.push_back({"slider horizontal", 2007, kProgress,
                               "thumb=img\\pos_thumb.bmp fill=img\\pos_fill.bmp",
                               "Progress and the title list"});
    layout.elements.push_back(
        {"slider vertical", 2013, kListSlider, "thumb=img\\list_thumb.bmp", ""});
    layout.elements.push_back(
        {"list", 2008, kList,
         "rowheight=" + std::to_string(kRowHeight) +
             " selection=img\\list_sel.bmp selcolor=#3566A8 textcolor=#000000",
         ""});

    layout.elements.push_back({"custom", 2100, kTime, "",
                               "Display areas: time, bit rate, title, spectrum, folder, preset"});
    layout.elements.push_back({"custom", 2101, kBitRate, "", ""});
    layout.elements.push_back({"custom", 2102, kTitle, "", ""});
    layout.elements.push_back({"custom", 2103, kSpectrum, "", ""});
    layout.elements.push_back({"custom", 2104, kFolder, "", ""});
    layout.elements.push_back({"custom", 3111, kEqBadge, "", ""});

    // Time digits: 5 x 6 glyphs, a colon that fits the 3-pixel gap and a
    // slash whose ink keeps clear of the digits on both sides.
    ok = ok && Save(img + "EQ_num.bmp", DigitStrip());
    ok = ok && Save(img + "EQ_colon.bmp", Pixels(3, 6, {"...", "#..", "...", "...", "#..", "..."}));
    ok = ok &&
         Save(img + "EQ_slash.bmp",
              Pixels(7, 6, {".....#.", ".....#.", "....#..", "....#..", "...#...", "...#..."}));
    ok = ok && Save(img + "EQ_bar.bmp", Bar()) && Save(img + "EQ_Peak.bmp", Peak());
    for (const char* name : kPresets) {
        ok = ok && Save(img + "EQ_" + name + ".BMP", PresetBadge(bg, name));
    }
    return ok && WriteTemplate(dir + "/WQAudio.TPL", layout);
}

}  // namespace skingen
