// Keys of the keyboard standing in for the device's hardware keys: each sends
// the player window the same "WQ:MSG:KEYDOWN" code the launcher would.
#pragma once

#include <string_view>

#include "platform/base/wintypes.h"

namespace wq::app {

// The launcher key code for an SDL key name, 0 for keys without one.
WPARAM LauncherKeyCode(std::string_view keyName);

// Installs the display's key hook.
void InstallKeyboard();

}  // namespace wq::app
