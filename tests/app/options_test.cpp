// The command line of wqaudio: every option in both spellings, FILE as a
// device path, and the real program's exit status and message for each bad
// command line.
#include "app/options.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>

#include "tests/support/temp_root.h"

namespace {

using wq::app::Options;
using wq::app::ParseOptions;

Options Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "wqaudio");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    const std::vector<char*> before = argv;
    argv.push_back(nullptr);
    const Options o = ParseOptions(static_cast<int>(args.size()), argv.data());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), argv.begin())) << "argv was reordered";
    return o;
}

TEST(Options, EveryOptionInBothSpellingsAndAnyOrder) {
    const std::vector<std::string> spaced = {
        "--root",    "R",     "--headless",   "--scale",    "3",    "--audio-sink",
        "wav:o.wav", "x.mp3", "--automation", "--settings", "S.db", "--debug"};
    const std::vector<std::string> joined = {
        "x.mp3",        "--root=R",        "--headless", "--scale=3", "--audio-sink=wav:o.wav",
        "--automation", "--settings=S.db", "--debug"};
    for (const auto& args : {spaced, joined}) {
        const Options o = Parse(args);
        EXPECT_EQ(o.error, "") << args[0];
        EXPECT_EQ(o.root, "R");
        EXPECT_TRUE(o.headless && o.automation && o.debug);
        EXPECT_EQ(o.scale, 3);
        EXPECT_EQ(o.audioSink, "wav:o.wav");
        EXPECT_EQ(o.settings, "S.db");
        EXPECT_EQ(o.file, "x.mp3");
        EXPECT_FALSE(o.help || o.version || o.probe);
    }
    const Options none = Parse({});
    EXPECT_EQ(none.error, "");
    EXPECT_EQ(none.scale, wq::display::kDefaultScale);
    EXPECT_TRUE(none.root.empty() && none.file.empty() && none.audioSink.empty());
    EXPECT_FALSE(none.headless || none.debug || none.automation);

    EXPECT_TRUE(Parse({"-h"}).help);
    // After "--" everything is FILE, even what looks like an option.
    const Options dashed = Parse({"--headless", "--", "--scale=3"});
    EXPECT_EQ(dashed.error, "");
    EXPECT_EQ(dashed.file, "--scale=3");
    EXPECT_EQ(dashed.scale, wq::display::kDefaultScale);
    // --probe hands every later argument over untouched.
    const Options probe = Parse({"--root", "R", "--probe", "--codepage", "CP1252", "-", "--bogus"});
    EXPECT_EQ(probe.error, "");
    EXPECT_TRUE(probe.probe);
    EXPECT_EQ(probe.root, "R");
    EXPECT_EQ(probe.probeArgs, (std::vector<std::string>{"--codepage", "CP1252", "-", "--bogus"}));
}

// FILE as the device path it names (refusals: the program's test below).
TEST(Options, TrackArgumentIsNamedByItsDevicePath) {
    wq::test::TempRoot outside;  // music elsewhere on the host
    const std::string elsewhere = outside.MakeFile("Music/b.mp3", "b");
    wq::test::TempRoot root;
    const std::string a = root.MakeFile("SDMMC Card/AUDIO/a.mp3", "a");
    // The README's set-up: the card's folder is a link to the music folder.
    std::filesystem::create_directory_symlink(outside.Host("Music"), root.Host("SDMMC Card/Music"));
    const std::pair<std::string, std::u16string> cases[] = {
        {a, u"\\SDMMC Card\\AUDIO\\a.mp3"},
        {std::filesystem::relative(a).string(), u"\\SDMMC Card\\AUDIO\\a.mp3"},
        {root.Host("SDMMC Card/Music/b.mp3"), u"\\SDMMC Card\\Music\\b.mp3"},
        {"SDMMC Card\\AUDIO\\a.mp3", u"SDMMC Card\\AUDIO\\a.mp3"},
        // The linked music folder's file by its own path, as a file manager names it.
        {elsewhere, u"\\SDMMC Card\\Music\\b.mp3"},
    };
    for (const auto& [file, device] : cases) {
        std::string error;
        EXPECT_EQ(wq::app::ResolveTrackArgument(file, &error), device) << file << ": " << error;
    }
}

// The real program, with an empty home and no device root of its own, after
// the shell commands `limits`. A player still running after 20 s (half
// started) is killed: status 137.
struct ProgramRun {
    int status = -1;
    std::string out, err;
};

std::string Quote(const std::string& s) {
    std::string quoted = "'";
    for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

ProgramRun RunWqaudio(const std::vector<std::string>& args, const std::string& home,
                      const std::string& limits = "") {
    std::string command = limits + " env -i HOME=" + Quote(home) + " PATH=/usr/bin:/bin";
    for (const char* keep : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* v = getenv(keep)) command += std::string(" ") + keep + "=" + Quote(v);
    command += " timeout -s KILL 20 " WQAUDIO_PATH;
    for (const auto& a : args) command += " " + Quote(a);
    const std::string out = home + "/.stdout", err = home + "/.stderr";
    const int status = std::system((command + " >" + Quote(out) + " 2>" + Quote(err)).c_str());
    ProgramRun r{WEXITSTATUS(status), wq::test::ReadFile(out), wq::test::ReadFile(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return r;
}

TEST(WqaudioProgram, EachBadCommandLineExitsWithStatus2AndOneLineBeforeStartingAnything) {
    wq::test::TempRoot home;
    wq::test::TempRoot root;
    root.MakeDir("SDMMC Card/AUDIO");
    ASSERT_EQ(mkfifo(root.Host("SDMMC Card/fifo.mp3").c_str(), 0600), 0);
    const std::string wav = home.Host("out.wav"), elsewhere = home.MakeFile("elsewhere.mp3", "x");
    auto with = [&](std::vector<std::string> extra) {
        extra.insert(extra.begin(),
                     {"--root", root.Path(), "--headless", "--audio-sink=wav:" + wav});
        return extra;
    };
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"--scale"}, "option --scale needs a value"},
        {{"--scale=0"}, "--scale takes a whole number from 1 to 8, not '0'"},
        {{"--scale=99999999999"}, "not '99999999999'"},
        {{"--scale=9"}, "not '9'"},
        {{"--scale= 3"}, "not ' 3'"},
        {{"--root="}, "--root needs a name"},
        {{"--root", home.Host("missing")}, "device root"},
        {{"--audio-sink", "wav:"}, "--audio-sink wav: needs a file name"},
        {{"--audio-sink=bogus"}, "--audio-sink takes auto, null, fast or wav:FILE, not 'bogus'"},
        {{"a.mp3", "b.mp3"}, "only one FILE can be given, not 'a.mp3' and 'b.mp3'"},
        {{"--", ""}, "FILE is an empty name"},
        {{"--bogus=1"}, "unknown option '--bogus' (see --help)"},
        {{"--h"}, "ambiguous option '--h': --headless or --help?"},
        {{"--headless=yes"}, "option --headless takes no value"},
        // The first error ends the reading, also before --help or --probe.
        {{"--scale=0", "--help"}, "not '0'"},
        {{"--bogus", "--probe", "x"}, "unknown option"},
        {with({elsewhere}), "lies outside the device root"},
        {with({root.Host("SDMMC Card/AUDIO")}), "is a folder"},
        {with({root.Host("SDMMC Card/fifo.mp3")}), "is not a regular file"},
        {with({"SDMMC Card\\FIFO.mp3"}), "is not a regular file"},
        {with({"SDMMC Card\\AUDIO\\missing.mp3"}), "no such file"},
    };
    for (const auto& c : cases) {
        const ProgramRun r = RunWqaudio(c.args, home.Path());
        std::string shown;
        for (const auto& arg : c.args) shown += arg + " ";
        EXPECT_EQ(r.status, 2) << shown << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("wqaudio: ", 0), 0u) << shown << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << shown << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << shown << "\n" << r.err;
    }
    // Nothing was started: no default device root, no WAV file.
    EXPECT_FALSE(std::filesystem::exists(home.Host(".local"))) << "a default root was created";
    EXPECT_FALSE(std::filesystem::exists(wav)) << "the WAV capture was started";
}

// Too few descriptors or too little address space: one line and status 2
// before GLib or GStreamer is touched, never a signal from inside them.
TEST(WqaudioProgram, OutOfResourceStartsEndWithOneLine) {
    wq::test::TempRoot home;
    wq::test::TempRoot root;
    const std::vector<std::string> args = {"--root", root.Path(), "--headless", "--audio-sink",
                                           "null"};
    const ProgramRun files = RunWqaudio(args, home.Path(), "ulimit -n 16;");
    EXPECT_EQ(files.status, 2) << files.err;
    EXPECT_EQ(files.err.rfind("wqaudio: too few file descriptors", 0), 0u) << files.err;
    EXPECT_EQ(std::count(files.err.begin(), files.err.end(), '\n'), 1) << files.err;

    // A sanitizer build reserves terabytes of shadow memory before main and cannot
    // start under an address-space cap: this half runs in builds without sanitizers.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    const ProgramRun space = RunWqaudio(args, home.Path(), "ulimit -v 195312;");
    EXPECT_EQ(space.status, 2) << space.err;
    EXPECT_EQ(space.err.rfind("wqaudio: too little address space", 0), 0u) << space.err;
#endif
}

}  // namespace
