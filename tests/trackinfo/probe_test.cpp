// The probe tool: JSON lines read back by Python's json module, awkward text
// escaped, exit codes, and no open delay per file.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <sstream>

#include "tests/trackinfo/test_files.h"

namespace wq::trackinfo::test {
namespace {

using wq::test::ReadFile;

// The exit code of a shell command.
int Status(const std::string& command) {
    return WEXITSTATUS(std::system(command.c_str()));
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

TEST(Probe, PrintsOneJsonObjectPerFile) {
    wq::test::TempRoot dir;
    const std::string song = dir.Host("song.mp3");
    ASSERT_TRUE(MakeMp3(song, "-b 64 -m m --resample 22.05 -t"));
    // "노래" in CP949, and text that JSON must escape.
    std::ofstream(song, std::ios::binary | std::ios::app)
        << Id3v1Tag("\xB3\xEB\xB7\xA1 \"q\" \\ \x01", "Art", "Alb", "1999", "Com", 7, 17);
    // Not UTF-8, with a quote, and a character beyond the 16-bit range (a surrogate pair).
    const std::string odd = dir.MakeFile("odd\xFF name\" \xF0\x9F\x8E\xB5.mp3", "\xFF\xFB\x90\x64");
    const std::string missing = dir.Host("missing.mp3");
    const std::string reserved = dir.MakeFile("reserved.mp3", "\xFF\xF9\x90\x64");
    const std::string script = dir.MakeFile(
        "read.py",
        "import json, sys\n"
        "for line in sys.stdin.buffer.read().decode('utf-8').splitlines():\n"
        "    o = json.loads(line)\n"
        "    print(','.join(o.keys()), flush=True)\n"
        "    print(json.dumps([o[k] for k in o], ensure_ascii=True), flush=True)\n"
        "    sys.stdout.buffer.write(o['path'].encode('utf-8', 'surrogateescape') + b'\\n')\n");
    const std::string out = dir.Host("out.txt");
    ASSERT_TRUE(Shell(std::string(WQ_PROBE) + " " + Quote(song) + " " + Quote(odd) + " " +
                      Quote(missing) + " " + Quote(reserved) + " | python3 " + Quote(script) +
                      " > " + Quote(out)));
    std::istringstream lines(ReadFile(out));
    std::string keys, values, path;
    const std::string wantKeys =
        "path,open,flags,title,artist,album,year,comment,track,genre,version,layer,protection,"
        "bitrate,samplerate,channel_mode,emphasis,copyright,original,mpeg_audio";
    const std::string want[] = {
        R"(, 1, 3, "\ub178\ub798 \"q\" \\ \u0001", "Art", "Alb", "1999", "Com", 7, 17, )"
        R"(2, 3, 1, 64, 22050, 3, 0, 0, 1, true])",
        R"(, 1, 2, "", "", "", "", "", 0, 255, 3, 3, 1, 128, 44100, 1, 0, 0, 1, true])",
        R"(, 0, 0, "", "", "", "", "", 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, false])",
        // A lone sync word with the reserved layer (bits 00): the player reads its
        // sample rate, but it is not MPEG audio.
        R"(, 1, 2, "", "", "", "", "", 0, 255, 3, 0, 1, 0, 44100, 1, 0, 0, 1, false])",
    };
    const std::string paths[] = {song, odd, missing, reserved};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(std::getline(lines, keys) && std::getline(lines, values) &&
                    std::getline(lines, path));
        EXPECT_EQ(wantKeys, keys);
        EXPECT_EQ(want[i], values.substr(values.find(',')));
        EXPECT_EQ(paths[i], path) << "the path round-trips byte for byte";
    }
}

TEST(Probe, SkipsTheOpenDelayAndReportsUsage) {
    wq::test::TempRoot dir;
    const std::string probe = WQ_PROBE, out = dir.Host("out.txt");
    std::string args;
    for (int i = 0; i < 25; ++i)
        args.append(" ").append(
            Quote(dir.MakeFile(std::string("f") + std::to_string(i) + ".mp3", "\xFF\xFB\x90\x64")));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, Status(probe + " --codepage CP1252" + args + " > " + out));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500))
        << "25 files would take 2.5 s with the player's wait";
    const std::string lines = ReadFile(out);
    EXPECT_EQ(25, std::count(lines.begin(), lines.end(), '\n'));
    // No file and an unknown code page are usage errors; options before --probe belong to
    // the program, and after -- names are files.
    for (const auto& [options, status] :
         {std::pair{"", 2}, {" --codepage NOPE x", 2}, {" --headless --probe -- --odd-name", 1}})
        EXPECT_EQ(status, Status(probe + options + " > " + out + " 2>/dev/null")) << options;
    EXPECT_NE(std::string::npos, ReadFile(out).find(R"("path":"--odd-name","open":0)"));
}

}  // namespace
}  // namespace wq::trackinfo::test
