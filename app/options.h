// The command line of wqaudio: `wqaudio [options] [FILE]`.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace wq::app {

struct Options {
    bool help = false;
    bool version = false;
    bool automation = false;
    std::string audioSink;  // empty: WQ_AUDIO_SINK or "auto"
    std::string file;       // the track to play, as typed
    std::vector<std::string> probeFiles;
    bool probe = false;
    std::string error;  // one line when the command line is wrong
};

// Reads the player's own options. The options of the platform (--root,
// --headless, --scale, --screenshot, --debug, --settings) are accepted and left
// to their owners.
Options ParseOptions(int argc, char** argv);

// The device path for FILE: a host path (relative or absolute) inside the
// device root becomes its device path; a path that exists on the device is
// kept. nullopt with a one-line reason otherwise.
std::optional<std::u16string> ResolveTrackArgument(const std::string& file, std::string* error);

const char* HelpText();

}  // namespace wq::app
