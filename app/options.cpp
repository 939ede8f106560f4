#include "app/options.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/base/utf.h"
#include "platform/fs/root.h"

namespace wq::app {

namespace {

// Platform options and whether each takes a value.
struct KnownOption {
    const char* name;
    bool takesValue;
};
constexpr KnownOption kPlatformOptions[] = {
    {"--root", true},   {"--headless", false}, {"--scale", true},
    {"--debug", false}, {"--settings", true},
};

const KnownOption* FindPlatformOption(const std::string& arg) {
    for (const auto& o : kPlatformOptions) {
        const std::string n = o.name;
        if (arg == n || (o.takesValue && arg.rfind(n + "=", 0) == 0)) return &o;
    }
    return nullptr;
}

// An argument inside a one-line message: control bytes (a newline, an escape
// sequence) are shown as \xHH instead of breaking the line or the terminal.
std::string Shown(const std::string& arg) {
    std::string out;
    for (const char c : arg) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

Options ParseOptions(int argc, char** argv) {
    Options opt;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (opt.probe) {
            opt.probeFiles.push_back(arg);
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            opt.help = true;
        } else if (arg == "--version") {
            opt.version = true;
        } else if (arg == "--probe") {
            opt.probe = true;
        } else if (arg == "--automation") {
            opt.automation = true;
        } else if (arg == "--audio-sink") {
            if (i + 1 >= argc) {
                opt.error = "--audio-sink needs a value: auto, null, fast or wav:FILE";
                return opt;
            }
            opt.audioSink = argv[++i];
        } else if (arg.rfind("--audio-sink=", 0) == 0) {
            opt.audioSink = arg.substr(std::strlen("--audio-sink="));
        } else if (const KnownOption* known = FindPlatformOption(arg)) {
            if (known->takesValue && arg.find('=') == std::string::npos) {
                if (i + 1 >= argc) {
                    opt.error = arg + " needs a value";
                    return opt;
                }
                ++i;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            opt.error = "unknown option " + Shown(arg) + " (see --help)";
            return opt;
        } else if (opt.file.empty()) {
            opt.file = arg;
        } else {
            opt.error = "only one FILE can be given";
            return opt;
        }
    }
    return opt;
}

std::optional<std::u16string> ResolveTrackArgument(const std::string& file, std::string* error) {
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        char real[PATH_MAX];
        if (!::realpath(file.c_str(), real)) {
            if (error) *error = "cannot resolve " + file;
            return std::nullopt;
        }
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
            if (error) *error = file + " is not a file or folder";
            return std::nullopt;
        }
        auto device = wq::fs::ToDevicePath(real);
        if (!device) {
            if (error)
                *error = file + " lies outside the device root " + wq::fs::GetRoot() +
                         "; start with --root pointing at a folder that contains it";
            return std::nullopt;
        }
        return device;
    }
    // Not a host path: a device path such as "SDMMC Card\AUDIO\x.mp3".
    const std::u16string device = wq::Utf8ToUtf16(file);
    if (wq::fs::ToHostPath(device, false)) return device;
    if (error) *error = "no such file: " + file;
    return std::nullopt;
}

const char* HelpText() {
    return R"(Usage: wqaudio [options] [FILE]

A skinned pocket music player. Without FILE it reopens the folder and track it
played last; with FILE it plays that file (a device path such as
"SDMMC Card\AUDIO\x.mp3", or a host path inside the device root). A second
start without FILE brings the running player to the front; a second start with
FILE replaces it.

Options:
  --root DIR            the device root: the host folder that holds the device's
                        storage ("SDMMC Card", "NAND Flash\skin", ...);
                        default $WQ_ROOT, else ~/.local/share/wqaudio/device
  --headless            run without a display (tests, automation)
  --scale N             window scale factor, 1 to 8 (default 2)
  --audio-sink SINK     auto (your sound output, default), null (silent, real
                        time), fast (as fast as possible), wav:FILE (record every
                        track played into one WAV file); or $WQ_AUDIO_SINK
  --automation          accept taps, drags, screenshots and state queries from
                        `wqctl` over the session bus
  --settings FILE       the settings database (default inside the device root)
  --debug               print debug lines on standard error (or WQ_DEBUG=1)
  --probe FILE...       print what the player reads from each file's MPEG
                        header and ID3v1 tag, one JSON object per line, and exit
  --version             print the version and exit
  --help                print this help and exit

Keys in the player window (they act like the device's hardware keys):
  Space   play/pause       Up/Down  move in the list (previous/next track
  P       pause key                 when another program is in front)
  Escape  close            F1-F4    card in / card out / USB in / USB out

Play your own music: put (or link) your music folder at
  DIR/SDMMC Card/AUDIO  and start  wqaudio --root DIR
)";
}

}  // namespace wq::app
