// The command line of wqaudio: `wqaudio [options] [FILE]`. It is read once,
// here, into one Options value; main hands its plain values to the platform
// (device root, settings, debug output, display, sound output), none of which
// reads the command line itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/display/display.h"

namespace wq::app {

struct Options {
    bool help = false;
    bool version = false;
    std::string root;                    // --root DIR; empty: $WQ_ROOT, else the default folder
    bool headless = false;               // --headless
    int scale = display::kDefaultScale;  // --scale N, kMinScale to kMaxScale
    std::string audioSink;  // --audio-sink SINK, checked; empty: $WQ_AUDIO_SINK or "auto"
    bool automation = false;
    std::string settings;  // --settings FILE; empty: inside the device root
    bool debug = false;
    std::string file;  // the track to play, as typed
    // --probe: every argument after it goes to the probe as given.
    bool probe = false;
    std::vector<std::string> probeArgs;
    // One line saying what is wrong with the command line; empty when nothing
    // is. The program then exits with status 2 before it starts anything.
    std::string error;
};

// Reads argv (left unchanged). Options and FILE may come in any order;
// "--name VALUE" and "--name=VALUE" are the same, and a long option may be
// shortened while it stays unambiguous; after "--" every argument is a FILE.
// Parsing stops at the first error. Main thread only: getopt_long keeps its
// state in globals.
Options ParseOptions(int argc, char** argv);

// The device path for FILE, to be called once the device root is set: a host
// path (relative or absolute) inside the device root becomes its device path,
// also when a folder on the way is a symlink that leads out of the root; a
// device path that exists is kept. The file must be a regular file (never a
// folder, FIFO or device). nullopt with a one-line reason otherwise.
std::optional<std::u16string> ResolveTrackArgument(const std::string& file, std::string* error);

// The text of --help: every option and every key of the player window.
std::string HelpText();

}  // namespace wq::app
