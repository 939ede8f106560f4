// The skin template: a plain-text file (docs/skin-format.md) that names a
// window's background picture and places its buttons, sliders, lists and
// custom areas. This header is the parsed form and the parser; it reads text
// only and touches no file, picture or window, so the checker tool and the
// tests share it with CSkinManager.
//
// Guarantees:
// - Parsing never throws and never reads past its input; every line it cannot
//   use becomes one Problem (line number and a sentence) and is skipped, and
//   the rest of the template still counts.
// - A template without the "wqskin 1" header, or without a background line,
//   is not a skin: Parsed::ok is false.
// - Element ids are unique within one template (a repeated id is a Problem and
//   the later line is dropped); rectangles lie within 0..kMaxCoord with a
//   positive size.
// Thread: any; no shared state.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/wintypes.h"

namespace wq::skin {

// Largest coordinate or size a template may use, in pixels.
constexpr LONG kMaxCoord = 4096;

enum class ElementKind { Button, Slider, List, Custom };
// The keyword that declares an element of this kind in a template: "button",
// "slider", "list" or "custom".
const char* KindName(ElementKind kind);
enum class Orientation { Horizontal, Vertical };

// One control or area of the template. Picture names are as written in the
// template (device path text, relative or absolute; see ResolveSkinPath).
struct ElementSpec {
    ElementKind kind = ElementKind::Custom;
    UINT id = 0;
    RECT rect;     // in the owner window's client coordinates
    int line = 0;  // 1-based line of the template that defined it

    // Buttons: faces in the normal and pressed state; repeat while held.
    std::u16string normal;
    std::u16string pressed;
    bool autoRepeat = false;

    // Sliders: thumb picture, track drawn under it, fill drawn from the start
    // up to the thumb.
    Orientation orientation = Orientation::Horizontal;
    std::u16string thumb;
    std::u16string track;
    std::u16string fill;

    // Lists: row height in pixels, picture or colour behind the selected row,
    // colour of item text never given one by SetItemColor.
    int rowHeight = 19;
    std::u16string selection;
    COLORREF selectionColor = RGB(0x2E, 0x6B, 0xC6);
    COLORREF textColor = RGB(0, 0, 0);
};

struct Problem {
    int line = 0;         // 0 when the problem concerns the whole template
    std::string message;  // one sentence, UTF-8
};

struct SkinTemplate {
    std::u16string background;  // picture name as written
    bool hasFace = false;       // a "face W H" line was given
    SIZE face;                  // the window's face size in pixels
    std::vector<ElementSpec> elements;

    const ElementSpec* Find(UINT id) const;
};

struct Parsed {
    bool ok = false;
    SkinTemplate skin;
    std::vector<Problem> problems;
};

// Parses template text (UTF-8, optionally with a byte-order mark; UTF-16LE
// with its byte-order mark is accepted too).
Parsed ParseTemplate(std::string_view text);

// A stable, line-per-element description of a parsed template (the checker
// prints it; the parser's text goldens compare it).
std::string Describe(const Parsed& parsed);

// The keywords the parser knows, in the order the documentation lists them;
// the tests walk this table against docs/skin-format.md.
std::vector<std::string_view> TemplateKeywords();

// Where a picture named in a template (or given to CSkinButton::SetSkinBitmap)
// lives: first relative to the template's folder (a leading backslash is
// allowed: "\IMG\play_N_bt.bmp" and "img\play_N_bt.bmp" both mean the img
// folder beside the template), then, when nothing exists there and the name
// starts with a backslash, as an absolute device path. Returns the device path
// to open; empty for an empty name.
std::u16string ResolveSkinPath(std::u16string_view templateFolder, std::u16string_view name);

// The folder part of a device path ("\NAND Flash\skin\WQAudio" for
// "\NAND Flash\skin\WQAudio\WQAudio.TPL"); empty when there is none.
std::u16string FolderOf(std::u16string_view devicePath);

}  // namespace wq::skin
