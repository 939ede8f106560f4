// A window's template as the generator writes it: the face size, the
// background picture and every control, placed once here and used both for
// the template text and for drawing the art that sits under each control.
#pragma once

#include <string>
#include <vector>

#include "tools/skingen/paint.h"

namespace skingen {

struct Element {
    std::string kind;  // "button", "slider horizontal", "slider vertical", "list", "custom"
    unsigned id;
    Box box;
    std::string extra;  // picture and option words after the rectangle
    std::string note;   // comment line written above the element; may be empty
};

struct Layout {
    std::string title;  // first comment line
    int width = 0, height = 0;
    std::string background;  // as written in the template
    std::vector<Element> elements;

    const Element& Find(unsigned id) const;
};

// Writes the template text; false (with a message on stderr) on failure.
bool WriteTemplate(const std::string& path, const Layout& layout);

// The four windows. Each draws its pictures into `skinDir` (the folder that
// becomes "\NAND Flash\skin") and writes its template; false on any failure.
bool MakePlayer(const std::string& skinDir);
bool MakeEqualizer(const std::string& skinDir);
bool MakePattern(const std::string& skinDir);
bool MakeTaskbar(const std::string& skinDir);

}  // namespace skingen
