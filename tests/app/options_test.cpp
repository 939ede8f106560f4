// The command line of wqaudio: every option in both spellings, bad values,
// FILE inside and outside the device root, and the real program's exit
// status and message for each bad command line.
#include "app/options.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <sstream>

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
    const std::vector<std::string> shortened = {
        "--ro",  "R",     "--hea", "--sc=3", "--audio=wav:o.wav",
        "--aut", "--set", "S.db",  "--deb",  "x.mp3"};
    for (const auto& args : {spaced, joined, shortened}) {
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

    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"-h"}).help);
    EXPECT_TRUE(Parse({"--version"}).version);
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

TEST(Options, BadOptionsAndValuesAreRefusedWithOneLine) {
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"--scale"}, "option --scale needs a value"},
        {{"--scale=0"}, "--scale takes a whole number from 1 to 8, not '0'"},
        {{"--scale", "abc"}, "not 'abc'"},
        {{"--scale=99999999999"}, "not '99999999999'"},
        {{"--scale=9"}, "not '9'"},
        {{"--scale=-1"}, "not '-1'"},
        {{"--scale= 3"}, "not ' 3'"},
        {{"--scale="}, "not ''"},
        {{"--root"}, "option --root needs a value"},
        {{"--root="}, "--root needs a name"},
        {{"--settings="}, "--settings needs a name"},
        {{"--audio-sink", "wav:"}, "--audio-sink wav: needs a file name"},
        {{"--audio-sink=bogus"}, "--audio-sink takes auto, null, fast or wav:FILE, not 'bogus'"},
        {{"--audio-sink=WAV:x"}, "not 'WAV:x'"},
        {{"a.mp3", "b.mp3"}, "only one FILE can be given, not 'a.mp3' and 'b.mp3'"},
        {{"a.mp3", "--", "b.mp3"}, "only one FILE"},
        {{"--", ""}, "FILE is an empty name"},
        {{"--bogus=1"}, "unknown option '--bogus' (see --help)"},
        {{"-x"}, "unknown option '-x'"},
        {{"--h"}, "ambiguous option '--h': --headless or --help?"},
        {{"--headless=yes"}, "option --headless takes no value"},
        {{"--help=1"}, "option --help takes no value"},
    };
    for (const auto& c : cases) {
        const Options o = Parse(c.args);
        EXPECT_NE(o.error.find(c.says), std::string::npos)
            << c.args[0] << ": \"" << o.error << "\" lacks \"" << c.says << "\"";
        EXPECT_EQ(o.error.find('\n'), std::string::npos) << o.error;
    }
    // The first error ends the reading, also before --help or --probe.
    EXPECT_NE(Parse({"--scale=0", "--help"}).error, "");
    EXPECT_FALSE(Parse({"--bogus", "--probe", "x"}).probe);
}

TEST(Options, TrackArgumentMustBeARegularFileInsideTheRoot) {
    wq::test::TempRoot outside;  // music elsewhere on the host
    const std::string elsewhere = outside.MakeFile("Music/b.mp3", "b");
    const std::string unlinked = outside.MakeFile("Other/c.mp3", "c");
    wq::test::TempRoot root;
    const std::string a = root.MakeFile("SDMMC Card/AUDIO/a.mp3", "a");
    // The README's set-up: the card's folder is a link to the music folder.
    std::filesystem::create_directory_symlink(outside.Host("Music"), root.Host("SDMMC Card/Music"));
    const std::string relative = std::filesystem::relative(a).string();
    ASSERT_EQ(mkfifo(root.Host("SDMMC Card/fifo.mp3").c_str(), 0600), 0);

    const struct {
        std::string file;
        std::u16string device;  // empty: refused
        const char* says;
    } cases[] = {
        {a, u"\\SDMMC Card\\AUDIO\\a.mp3", nullptr},
        {relative, u"\\SDMMC Card\\AUDIO\\a.mp3", nullptr},
        {root.Host("SDMMC Card/AUDIO/../AUDIO/a.mp3"), u"\\SDMMC Card\\AUDIO\\a.mp3", nullptr},
        {root.Host("SDMMC Card/Music/b.mp3"), u"\\SDMMC Card\\Music\\b.mp3", nullptr},
        {"SDMMC Card\\AUDIO\\a.mp3", u"SDMMC Card\\AUDIO\\a.mp3", nullptr},
        {"\\sdmmc card\\audio\\A.MP3", u"\\sdmmc card\\audio\\A.MP3", nullptr},
        // The linked music folder's file by its own path, as a file manager names it.
        {elsewhere, u"\\SDMMC Card\\Music\\b.mp3", nullptr},
        {unlinked, u"", "lies outside the device root"},
        {root.Host("SDMMC Card/AUDIO"), u"", "is a folder"},
        {"SDMMC Card\\AUDIO", u"", "is a folder"},
        {root.Host("SDMMC Card/fifo.mp3"), u"", "is not a regular file"},
        {"SDMMC Card\\FIFO.mp3", u"", "is not a regular file"},
        {"SDMMC Card\\AUDIO\\missing.mp3", u"", "no such file"},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto device = wq::app::ResolveTrackArgument(c.file, &error);
        if (c.device.empty()) {
            EXPECT_FALSE(device.has_value()) << c.file;
            EXPECT_NE(error.find(c.says), std::string::npos) << c.file << ": " << error;
        } else {
            EXPECT_EQ(device, c.device) << c.file << ": " << error;
        }
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
    root.MakeFile("SDMMC Card/AUDIO/a.mp3", "a");
    ASSERT_EQ(mkfifo(root.Host("SDMMC Card/fifo.mp3").c_str(), 0600), 0);
    const std::string wav = home.Host("out.wav");
    const std::vector<std::string> onRoot = {"--root", root.Path(), "--headless",
                                             "--audio-sink=wav:" + wav};
    auto with = [&](std::vector<std::string> extra) {
        extra.insert(extra.begin(), onRoot.begin(), onRoot.end());
        return extra;
    };
    const std::vector<std::string> bad[] = {
        {"--scale"},
        {"--scale=0"},
        {"--scale=abc"},
        {"--scale=99999999999"},
        {"--root"},
        {"--audio-sink", "wav:"},
        {"--audio-sink", "bogus"},
        with({root.Host("SDMMC Card/fifo.mp3")}),
        with({root.Host("SDMMC Card/AUDIO")}),
        with({root.Host("SDMMC Card/AUDIO/a.mp3"), root.Host("SDMMC Card/AUDIO/a.mp3")}),
        with({"--", "--headless"}),
        with({home.Host("elsewhere.mp3")}),
        {"--root", home.Host("missing")},
    };
    home.MakeFile("elsewhere.mp3", "x");
    for (const auto& args : bad) {
        const ProgramRun r = RunWqaudio(args, home.Path());
        std::string shown;
        for (const auto& a : args) shown += a + " ";
        EXPECT_EQ(r.status, 2) << shown << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("wqaudio: ", 0), 0u) << shown << "\n" << r.err;
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

TEST(WqaudioProgram, HelpListsEveryKeyOfTheReadmeAndProbeStillWorks) {
    wq::test::TempRoot home;
    const ProgramRun help = RunWqaudio({"--help"}, home.Path());
    ASSERT_EQ(help.status, 0) << help.err;
    // The README's key table: a heading, its rule, then one row per key.
    std::istringstream rows(wq::test::ReadFile(WQ_SOURCE_DIR "/README.md"));
    std::string row;
    while (std::getline(rows, row) && row.rfind("| key |", 0) != 0) continue;
    std::getline(rows, row);
    int keys = 0;
    while (std::getline(rows, row) && row.rfind("| ", 0) == 0) {
        std::istringstream names(row.substr(2, row.find(" |", 2) - 2));
        for (std::string key; std::getline(names >> std::ws, key, ',');) {
            EXPECT_NE(help.out.find("\n  " + key + " "), std::string::npos)
                << "--help does not list the key " << key;
            ++keys;
        }
    }
    EXPECT_GE(keys, 10) << "the README's key table was not found";

    const std::string file = home.MakeFile("x.mp3", "not audio");
    const ProgramRun probe = RunWqaudio({"--headless", "--probe", file}, home.Path());
    EXPECT_EQ(probe.status, 0) << probe.err;
    EXPECT_EQ(probe.out.rfind("{\"path\":", 0), 0u) << probe.out;
}

}  // namespace
