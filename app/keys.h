// Keys of the keyboard standing in for the device's hardware keys: each sends
// the same "WQ:MSG:KEYDOWN" code the launcher would, to the player window; the
// close key goes to the window in front (the volume pop-up, the pattern or the
// equalizer window), so it closes exactly that one. A few keys are commands of
// the player window itself (E opens the equalizer window), and the media keys
// press the player's buttons.
#pragma once

#include <span>
#include <string_view>

#include "platform/base/wintypes.h"

namespace wq::app {

struct KeyMapping {
    std::string_view keyName;  // SDL key name
    WPARAM code;               // "WQ:MSG:KEYDOWN" code; 0 for a command key
    UINT command;              // command posted to the player window when code is 0
    std::string_view action;   // what it does, for --help
};

// Every key of the player window, in the order --help lists them.
std::span<const KeyMapping> LauncherKeys();

// The launcher key code for an SDL key name, 0 for keys without one.
WPARAM LauncherKeyCode(std::string_view keyName);

// The keyboard's media keys act like the player's buttons: each sends the
// button's command (WM_COMMAND with its id) to the player window.
struct MediaKeyMapping {
    std::string_view keyName;  // SDL key name
    UINT command;              // the button's control id
    std::string_view action;   // what it does, for --help
};
std::span<const MediaKeyMapping> MediaKeys();

// The button command for an SDL key name, 0 for keys without one.
UINT MediaKeyCommand(std::string_view keyName);

// Installs the display's key hook.
void InstallKeyboard();

}  // namespace wq::app
