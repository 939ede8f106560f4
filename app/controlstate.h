// What the automation interface reports of the skin controls drawn inside the
// player window, the equalizer window and the pattern windows (buttons and
// sliders are not windows of their own).
#pragma once

namespace wq::app {

// Installs the lister of platform/ipc/state.h for windows with a skin.
void InstallControlLister();

}  // namespace wq::app
