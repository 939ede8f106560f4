// The program's icon for the desktop's menus and panels (hicolor theme).
#pragma once

#include <string>

namespace skingen {

// A square PNG of `size` pixels with an alpha channel; false (with a message
// on stderr) on failure.
bool WriteIconPng(const std::string& path, int size);

// Whether this Cairo has its SVG surface, and the icon as scalable SVG.
bool CanWriteSvg();
bool WriteIconSvg(const std::string& path);

}  // namespace skingen
