// Drawing helpers shared by the windows' art: the palette, button faces,
// icons and text, all anti-aliased through Cairo.
#pragma once

#include <cairo.h>

#include <functional>
#include <string>

#include "tools/skingen/raster.h"

namespace skingen {

struct Box {
    int x, y, w, h;
};

struct Colour {
    double r, g, b, a = 1.0;
};
// 0xRRGGBB as a Cairo colour.
constexpr Colour Hex(uint32_t rgb, double a = 1.0) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, a};
}

// One palette for every window.
namespace pal {
constexpr Colour kBgTop = Hex(0x1D2C44);
constexpr Colour kBgBottom = Hex(0x0B111C);
constexpr Colour kStripTop = Hex(0x2C4060);
constexpr Colour kStripBottom = Hex(0x18253A);
constexpr Colour kGlassTop = Hex(0x0C2136);
constexpr Colour kGlassBottom = Hex(0x040B15);
constexpr Colour kGlassEdge = Hex(0x4A6F96);
constexpr Colour kFaceTop = Hex(0x44597A);
constexpr Colour kFaceBottom = Hex(0x233249);
constexpr Colour kFaceEdge = Hex(0x6F89AD);
constexpr Colour kPressTop = Hex(0x0F1828);
constexpr Colour kPressBottom = Hex(0x1C2C45);
constexpr Colour kInk = Hex(0xE9F2FF);
constexpr Colour kCyan = Hex(0x3CCBF4);
constexpr Colour kAmber = Hex(0xFFB547);
constexpr Colour kDim = Hex(0x8FA6C4);
constexpr Colour kListTop = Hex(0x6781A4);
constexpr Colour kListBottom = Hex(0x587294);
}  // namespace pal

void SetColour(cairo_t* cr, const Colour& c);
void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r);
// Fills the current path with a top-to-bottom gradient between y0 and y1.
void FillVertical(cairo_t* cr, double y0, double y1, const Colour& top, const Colour& bottom);

enum class Face { Normal, Pressed };
// A rounded button body filling (x, y, w, h): raised and glossy when normal,
// sunk with a cyan rim when pressed.
void ButtonBody(cairo_t* cr, double x, double y, double w, double h, double radius, Face face);
// A recessed glass panel (display, list, grooves).
void GlassPanel(cairo_t* cr, double x, double y, double w, double h, double radius);

enum class Glyph {
    Prev,
    Stop,
    Play,
    Pause,
    Next,
    Random,
    Turn,
    RepeatAll,
    RepeatOne,
    RepeatOff,
    Equalizer,
    Spectrum,
    Navi,
    Close,
    Up,
    Down,
    Left,
    Right,
    Plus,
    Minus,
    Check,
    Speaker,
    SpeakerMuted,
    Headphone,
    Mute,
};
// An icon of about `size` pixels centred on (cx, cy).
void DrawGlyph(cairo_t* cr, Glyph g, double cx, double cy, double size, const Colour& c);

enum class Align { Left, Centre, Right };
// One line of DejaVu Sans (bold when asked) whose ink box is centred on cy.
void Text(cairo_t* cr, const std::string& text, double x, double cy, double size, bool bold,
          const Colour& c, Align align = Align::Centre);

// Runs `art` on a transparent w x h surface and turns the result into a
// picture: blended over `under` where given, magenta where nothing is drawn.
Raster Art(int w, int h, const std::function<void(cairo_t*)>& art, const Raster* under = nullptr);

// The face every window shares: the navy gradient, the top strip with the
// window's name at the left, drawn on a w x h surface.
void WindowBase(cairo_t* cr, int w, int h, const std::string& name);

// What a button shows on its body, in the body's own coordinates.
using Content = std::function<void(cairo_t* cr, double w, double h, const Colour& ink)>;
// A button picture for `box` on the background `bg`: the body in the given
// state with its content, blended over the background pixels it will cover
// so its anti-aliased rim needs no colour key; the corners outside the body
// are magenta. Normal content is drawn in the ink colour, pressed in cyan.
Raster ButtonPicture(const Raster& bg, const Box& box, Face face, const Content& content,
                     double radius = 6);
// Content: one centred icon, with an optional small label under it.
Content IconLabel(Glyph g, double size, const std::string& label = {});
// Content: one centred bold word.
Content Word(const std::string& word, double size);

// Runs `art` on a copy of `under` and returns the opaque result: for JPEG
// pictures, which cannot carry the colour key.
Raster Over(const Raster& under, const std::function<void(cairo_t*)>& art);

// Writes a picture file, choosing BMP or JPEG by the name's extension;
// prints the reason and returns false on failure.
bool Save(const std::string& path, const Raster& r);

}  // namespace skingen
