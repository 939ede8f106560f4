// The device root: the host folder that holds the device's file system.
// "\NAND Flash\skin\Common" and "SDMMC Card\AUDIO\x.mp3" map below it; the
// leading backslash is optional and every component is matched against the
// real directory entries case-insensitively (exact spelling wins when both
// exist). "." and ".." components are refused, and so is a write whose
// resolved location leaves the root.
// Thread: SetRoot/SetPathMode at start-up on the main thread; the rest from
// any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wq::fs {

// Makes hostPath (absolute or relative to the working directory) the device
// root. False with a one-line reason in *error when the folder is missing, is
// not a folder or cannot be listed; the previous root then stays.
bool SetRoot(const std::string& hostPath, std::string* error = nullptr);

// The canonical host path of the root; empty when none is set and no default
// could be chosen.
std::string GetRoot();

// The folder used when neither --root nor WQ_ROOT names one:
// $XDG_DATA_HOME/wqaudio/device, else ~/.local/share/wqaudio/device.
std::string DefaultRoot();

// Chooses the root the program runs on: `chosen` (the program's --root) when
// not empty, else the environment variable WQ_ROOT, else DefaultRoot()
// (created when missing, only that one). False with the reason when the
// chosen folder is unusable.
bool InitRoot(const std::string& chosen, std::string* error);

// How path arguments of the file calls are read. Device: device paths under
// the root (the player). Host: plain host paths used as given, for tools such
// as "wqaudio --probe FILE" that inspect files outside any device.
enum class PathMode { Device, Host };
void SetPathMode(PathMode mode);
PathMode GetPathMode();

// The host path a device path stands for. For reading every component must
// exist; symlinks are followed wherever they point. For writing the last
// component may be missing (it is then created under the name given), and the
// resolved location must lie inside the root, so a symlink pointing out of it
// is refused. nullopt when
// the path is refused or a folder on the way is missing.
std::optional<std::string> ToHostPath(std::u16string_view devicePath, bool forWrite);

// The inverse for entries below the root: "\SDMMC Card\a.mp3" for
// "<root>/SDMMC Card/a.mp3". A path outside the root that lies in a folder
// linked into the root one or two levels down ("SDMMC Card/AUDIO" leading to
// ~/Music) gets its path through that link. nullopt for other host paths.
std::optional<std::u16string> ToDevicePath(const std::string& hostPath);

}  // namespace wq::fs
