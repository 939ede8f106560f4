// The command line is read with getopt_long: it accepts "--name VALUE" and
// "--name=VALUE" and treats "--" the way every GNU program does, while the
// messages, the checks of each value and the exit status stay ours. The
// option table below feeds both getopt_long and --help, so an option cannot
// exist without being listed.
#include "app/options.h"

#include <getopt.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "app/keys.h"
#include "platform/base/utf.h"
#include "platform/display/display.h"
#include "platform/fs/root.h"
#include "platform/media/sink.h"

namespace wq::app {

namespace {

enum OptionId : int {
    kHelp = 'h',  // the one short option, -h
    kRoot = 0x100,
    kHeadless,
    kScale,
    kAudioSink,
    kAutomation,
    kSettings,
    kDebug,
    kProbe,
    kVersion,
};

struct OptionSpec {
    const char* name;
    OptionId id;
    bool takesValue;
    const char* shown;  // the value (or what follows) as --help names it
    const char* help;   // lines separated by "\n"
};

// The help of --scale names the range and default of the display's scale.
static_assert(display::kMinScale == 1 && display::kMaxScale == 8 && display::kDefaultScale == 2);

constexpr OptionSpec kOptions[] = {
    {"root", kRoot, true, "DIR",
     "the device root: the host folder that holds the device's\n"
     "storage (\"SDMMC Card\", \"NAND Flash\\skin\", ...);\n"
     "default $WQ_ROOT, else ~/.local/share/wqaudio/device"},
    {"headless", kHeadless, false, nullptr, "run without a display (tests, automation)"},
    {"scale", kScale, true, "N", "window scale factor, 1 to 8 (default 2)"},
    {"audio-sink", kAudioSink, true, "SINK",
     "auto (your sound output, default), null (silent,\n"
     "real time), fast (as fast as possible), wav:FILE\n"
     "(record every track played into one WAV file);\n"
     "or $WQ_AUDIO_SINK"},
    {"automation", kAutomation, false, nullptr,
     "accept taps, drags, screenshots and state queries from\n"
     "`wqctl` over the session bus"},
    {"settings", kSettings, true, "FILE", "the settings database (default inside the device root)"},
    {"debug", kDebug, false, nullptr, "print debug lines on standard error (or WQ_DEBUG=1)"},
    {"probe", kProbe, false, "FILE...",
     "print what the player reads from each file's MPEG\n"
     "header and ID3v1 tag, one JSON object per line,\n"
     "and exit; every later argument belongs to the\n"
     "probe (wqaudio --probe --help)"},
    {"version", kVersion, false, nullptr, "print the version and exit"},
    {"help", kHelp, false, nullptr, "print this help and exit (also -h)"},
};

const OptionSpec* SpecOf(int id) {
    for (const OptionSpec& s : kOptions) {
        if (s.id == id) return &s;
    }
    return nullptr;
}

// An argument inside a one-line message, in quotes: control bytes (a newline,
// an escape sequence) are shown as \xHH instead of breaking the line or the
// terminal.
std::string Quoted(std::string_view text) {
    std::string out(1, '\'');
    for (const char c : text) {
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
    return out.append(1, '\'');
}

// What getopt_long refused: an unknown or ambiguous name, a value given to an
// option that takes none, or a missing value.
std::string Refusal(int code, int optionId, const char* arg) {
    const OptionSpec* spec = SpecOf(optionId);
    const std::string name = spec ? std::string("--") + spec->name : std::string();
    if (code == ':') return "option " + name + " needs a value (see --help)";
    if (spec) return "option " + name + " takes no value";
    if (optionId != 0) return "unknown option " + Quoted(std::string("-") + char(optionId));
    std::string given = arg ? arg : "";
    given = given.substr(0, given.find('='));
    std::string matches;
    int count = 0;
    for (const OptionSpec& s : kOptions) {
        const std::string full = std::string("--") + s.name;
        if (given.size() > 2 && full.compare(0, given.size(), given) == 0) {
            matches.append(count++ ? " or " : "").append(full);
        }
    }
    if (count > 1) return "ambiguous option " + Quoted(given) + ": " + matches + "?";
    return "unknown option " + Quoted(given) + " (see --help)";
}

bool IsWholeNumber(const char* text) {
    if (!*text) return false;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
    }
    return true;
}

// Checks and stores the value of one option; an error line when it is bad.
std::string Take(Options& o, int id, const char* value) {
    switch (id) {
        case kHelp:
            o.help = true;
            break;
        case kVersion:
            o.version = true;
            break;
        case kHeadless:
            o.headless = true;
            break;
        case kAutomation:
            o.automation = true;
            break;
        case kDebug:
            o.debug = true;
            break;
        case kScale: {
            errno = 0;
            const long scale = IsWholeNumber(value) ? std::strtol(value, nullptr, 10) : -1;
            if (errno != 0 || scale < display::kMinScale || scale > display::kMaxScale) {
                return "--scale takes a whole number from " + std::to_string(display::kMinScale) +
                       " to " + std::to_string(display::kMaxScale) + ", not " + Quoted(value);
            }
            o.scale = static_cast<int>(scale);
            break;
        }
        case kRoot:
        case kSettings:
            if (!*value) return std::string("--") + SpecOf(id)->name + " needs a name, not ''";
            (id == kRoot ? o.root : o.settings) = value;
            break;
        case kAudioSink:
            if (!media::IsAudioSinkChoice(value)) {
                if (std::string_view(value) == "wav:")
                    return "--audio-sink wav: needs a file name: wav:FILE";
                return "--audio-sink takes auto, null, fast or wav:FILE, not " + Quoted(value);
            }
            o.audioSink = value;
            break;
        default:
            break;
    }
    return {};
}

std::string TakeFile(Options& o, const char* arg) {
    if (!o.file.empty())
        return "only one FILE can be given, not " + Quoted(o.file) + " and " + Quoted(arg);
    o.file = arg;
    if (o.file.empty()) return "FILE is an empty name";
    return {};
}

// The device path of a host file: the part after the ancestor folder that is
// the device root. The ancestors are taken as written (made absolute), so a
// folder on the way may be a symlink that leads out of the root.
std::optional<std::u16string> DevicePathOf(const std::string& file, const struct stat& target) {
    namespace stdfs = std::filesystem;
    std::error_code ec;
    const stdfs::path written = stdfs::absolute(file, ec).lexically_normal();
    if (ec) return std::nullopt;
    const std::string root = fs::GetRoot();
    stdfs::path prefix;
    std::u16string device;
    for (auto part = written.begin(); part != written.end(); ++part) {
        prefix /= *part;
        std::error_code ec2;
        const stdfs::path real = stdfs::canonical(prefix, ec2);
        if (ec2 || real.string() != root) continue;
        device.clear();
        for (auto rest = std::next(part); rest != written.end(); ++rest) {
            if (rest->empty()) continue;
            device += u'\\';
            device += Utf8ToUtf16(rest->string());
        }
        // The remainder must lead back to this very file (not to a case
        // variant of its name, nor through a folder that is elsewhere).
        const auto host = fs::ToHostPath(device, false);
        struct stat st {};
        if (host && ::stat(host->c_str(), &st) == 0 && st.st_dev == target.st_dev &&
            st.st_ino == target.st_ino)
            return device.empty() ? std::u16string(u"\\") : device;
    }
    // The written path never passes the root: perhaps its real location does.
    if (auto viaRealPath = fs::ToDevicePath(file)) return viaRealPath;
    return std::nullopt;
}

std::string NotPlayable(const std::string& file, const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return Quoted(file) + " is a folder; give a file to play";
    if (!S_ISREG(st.st_mode))
        return Quoted(file) + " is not a regular file (a FIFO, device or socket)";
    return {};
}

}  // namespace

Options ParseOptions(int argc, char** argv) {
    Options o;
    std::vector<option> table;
    for (const OptionSpec& s : kOptions)
        table.push_back({s.name, s.takesValue ? required_argument : no_argument, nullptr, s.id});
    table.push_back({nullptr, 0, nullptr, 0});
    // getopt_long may reorder its vector; it gets a copy. "-" returns FILE
    // arguments in order (code 1), ":" reports a missing value as ':'.
    std::vector<char*> args(argv, argv + argc);
    args.push_back(nullptr);
    optind = 0;  // a fresh scan, also on a second call
    opterr = 0;
    int code;
    while ((code = getopt_long(argc, args.data(), "-:h", table.data(), nullptr)) != -1) {
        std::string error;
        if (code == '?' || code == ':') {
            error = Refusal(code, optopt, args[static_cast<size_t>(optind) - 1]);
        } else if (code == 1) {
            error = TakeFile(o, optarg);
        } else if (code == kProbe) {
            o.probe = true;
            o.probeArgs.assign(args.begin() + optind, args.begin() + argc);
            return o;
        } else {
            error = Take(o, code, optarg);
        }
        if (!error.empty()) {
            o.error = error;
            return o;
        }
    }
    for (int i = optind; i < argc; ++i) {  // after "--"
        o.error = TakeFile(o, args[static_cast<size_t>(i)]);
        if (!o.error.empty()) return o;
    }
    return o;
}

std::optional<std::u16string> ResolveTrackArgument(const std::string& file, std::string* error) {
    auto fail = [&](std::string line) -> std::optional<std::u16string> {
        if (error) *error = std::move(line);
        return std::nullopt;
    };
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        if (std::string why = NotPlayable(file, st); !why.empty()) return fail(why);
        if (auto device = DevicePathOf(file, st)) return device;
        return fail(Quoted(file) + " lies outside the device root " + fs::GetRoot() +
                    "; start with --root pointing at a folder that contains it");
    }
    // Not a host path: a device path such as "SDMMC Card\AUDIO\x.mp3".
    const std::u16string device = Utf8ToUtf16(file);
    const auto host = fs::ToHostPath(device, false);
    if (!host || ::stat(host->c_str(), &st) != 0) return fail("no such file: " + Quoted(file));
    if (std::string why = NotPlayable(file, st); !why.empty()) return fail(why);
    return device;
}

std::string HelpText() {
    std::string out = R"(Usage: wqaudio [options] [FILE]

A skinned pocket music player. Without FILE it reopens the folder and track it
played last; with FILE it plays that file (a device path such as
"SDMMC Card\AUDIO\x.mp3", or a host path inside the device root). A second
start without FILE brings the running player to the front; a second start with
FILE replaces it. After "--" every argument is taken as FILE.

Options:
)";
    constexpr size_t kHelpColumn = 24;
    for (const OptionSpec& s : kOptions) {
        std::string head = std::string("  --") + s.name;
        if (s.shown) head.append(1, ' ').append(s.shown);
        out += head;
        out.append(head.size() < kHelpColumn ? kHelpColumn - head.size() : 1, ' ');
        for (const char* p = s.help; *p; ++p) {
            out += *p;
            if (*p == '\n') out.append(kHelpColumn, ' ');
        }
        out += '\n';
    }
    out += "\nKeys in the player's windows (all but E act like the device's hardware keys):\n";
    for (const KeyMapping& k : LauncherKeys()) {
        std::string line = "  ";
        line.append(k.keyName);
        line.append(line.size() < 10 ? 10 - line.size() : 1, ' ');
        out.append(line).append(k.action).append(1, '\n');
    }
    out += "\nMedia keys of the keyboard press the player's buttons:\n";
    for (const MediaKeyMapping& k : MediaKeys()) {
        std::string line = "  ";
        line.append(k.keyName);
        line.append(line.size() < 12 ? 12 - line.size() : 1, ' ');
        out.append(line).append(k.action).append(1, '\n');
    }
    out += R"(
Your own music: the first start without --root or $WQ_ROOT makes the default
device root with your music folder ($XDG_MUSIC_DIR, else ~/Music) as the memory
card's AUDIO folder and says so. Elsewhere, put (or link) a music folder at
  DIR/SDMMC Card/AUDIO  and start  wqaudio --root DIR
Exit status 2: a wrong command line, device root, FILE or sound output;
1: no display could be opened.
)";
    return out;
}

}  // namespace wq::app
