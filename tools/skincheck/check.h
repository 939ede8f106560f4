// The skin checker's work, as a library so tests drive it directly: load a
// template with the real skin library, list every problem, and render the
// face into a PNG.
#pragma once

#include <string>
#include <vector>

#include "platform/skin/skinmanager.h"

namespace skincheck {

// Which window a template belongs to decides the ids it must hold.
enum class Window { Unknown, Player, Equalizer, Pattern, Taskbar };

// From the template's file name (WQAudio.TPL, WQEqualizer.TPL, WQPattern.TPL,
// taskbar.TPL, any case); Unknown otherwise.
Window WindowFromPath(const std::u16string& templatePath);
// "player", "equalizer", "pattern", "taskbar"; Unknown for anything else.
Window WindowFromName(const std::string& name);

struct Finding {
    int line = 0;  // template line, 0 for the whole file
    std::string message;
};

struct Report {
    bool loaded = false;
    int controls = 0;
    std::vector<Finding> findings;
};

// Loads the template (a device path) into `skin` and checks it: the skin
// library's own problems, controls outside the face or overlapping another
// control, a face of the wrong size, and ids the window needs that are missing
// or of the wrong kind.
Report Check(CSkinManager& skin, const std::u16string& templatePath, Window window);

// Draws the loaded skin as the window would show it (the list filled with a
// few sample rows; with `frameAreas` custom areas get a thin frame) and
// writes it as a PNG. False with the reason in *error.
bool Render(CSkinManager& skin, const std::string& pngPath, bool frameAreas, std::string* error);

}  // namespace skincheck
