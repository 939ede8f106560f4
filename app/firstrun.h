// The first start on the user's own music. When the default device root
// (~/.local/share/wqaudio/device) does not exist yet, it is made once:
//
//   NAND Flash/skin   -> the installed skin (a link: read-only, never copied)
//   SDMMC Card/AUDIO  -> the user's music folder (a link)
//
// and the program says in one line what it made. An existing root is never
// touched, whatever it holds. Main thread, before the device root is set.
#pragma once

#include <string>

namespace wq::app {

// The skin installed with this program, found from the executable's own
// folder (bin/../share/wqaudio/skin as installed), so a relocated install
// finds its own; the build tree has a link at the same place. Empty when
// that folder holds no WQAudio template.
std::string InstalledSkin();

// The user's music folder: XDG_MUSIC_DIR of the user-dirs file (in
// $XDG_CONFIG_HOME, else ~/.config), else ~/Music. It may not exist.
std::string UserMusicFolder();

// Makes the device root `root` when nothing is there yet, linking `skin`
// (left out when empty) and `music` (left out, so the card stays empty, when
// it is not a folder this user can read). The root is assembled beside its
// final place and renamed into it, so an interrupted start or two starting
// together never leave half a root. Returns the line to say, empty when the
// root existed; false with the reason in *error when it cannot be made.
bool CreateDeviceRoot(const std::string& root, const std::string& skin, const std::string& music,
                      std::string* line, std::string* error);

}  // namespace wq::app
