// The probe tool: JSON lines read back by Python's json module, the escaping
// of awkward text, and no open delay per file.
#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/trackinfo/test_files.h"
#include "trackinfo/probe.h"

namespace wq::trackinfo::test {
namespace {

// Runs a command and returns its standard output; *status gets the exit code.
std::string Capture(const std::string& command, int* status) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int rc = pclose(p);
    *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

TEST(JsonQuote, EscapesWhatJsonNeeds) {
    EXPECT_EQ(R"("a\"b\\c/d")", JsonQuote(u"a\"b\\c/d")) << "quote and backslash";
    EXPECT_EQ(R"("\n\t\u0001\u001f\u007f")", JsonQuote(u"\n\t\x01\x1F\x7F"));
    EXPECT_EQ("\"\xEA\xB0\x80\xF0\x9F\x8E\xB5\"", JsonQuote(u"가\U0001F3B5")) << "BMP and a surrogate pair as UTF-8";
    EXPECT_EQ(R"("\udcff-\ud83c")", JsonQuote(u"\xDCFF-\xD83C")) << "unpaired surrogates";
}

TEST(Probe, PrintsOneJsonObjectPerFile) {
    TempDir dir;
    std::string song = dir.File("song.mp3");
    ASSERT_TRUE(MakeMp3WithLame(song, "-b 64 -m m -t", 22050, 1));
    Bytes mp3 = ReadBytes(song);
    Bytes tag = Id3v1Tag("\xB3\xEB\xB7\xA1 \"q\" \\ \x01", "Art");  // "노래" in CP949
    mp3.insert(mp3.end(), tag.begin(), tag.end());
    WriteBytes(song, mp3);
    std::string odd = dir.File("odd\xFF name\".mp3");  // not UTF-8, with a quote
    WriteBytes(odd, {0xFF, 0xFB, 0x90, 0x64});
    std::string missing = dir.File("missing.mp3");

    std::string script = dir.File("read.py");
    std::ofstream(script) << "import json, sys\n"
                             "for line in sys.stdin.buffer.read().decode('utf-8').splitlines():\n"
                             "    o = json.loads(line)\n"
                             "    print(','.join(o.keys()))\n"
                             "    print(json.dumps([o[k] for k in o], ensure_ascii=True))\n"
                             "    print(o['path'].encode('utf-8', 'surrogateescape').hex())\n";
    int status = -1;
    std::string out = Capture(std::string(WQ_PROBE) + " " + Quote(song) + " " + Quote(odd) + " " + Quote(missing) +
                                  " | python3 " + Quote(script),
                              &status);
    ASSERT_EQ(0, status) << out;
    std::istringstream lines(out);
    std::string keys, values, pathHex;
    const std::string wantKeys =
        "path,open,flags,title,artist,album,year,comment,track,genre,version,layer,protection,bitrate,"
        "samplerate,channel_mode,emphasis,copyright,original";
    auto hex = [](const std::string& s) {
        std::string h;
        for (unsigned char c : s) h += "0123456789abcdef"[c >> 4], h += "0123456789abcdef"[c & 15];
        return h;
    };
    const std::string want[] = {
        R"(, 1, 3, "\ub178\ub798 \"q\" \\ \u0001", "Art", "", "", "", 0, 255, 2, 3, 1, 64, 22050, 3, 0, 0, 1])",
        R"(, 1, 2, "", "", "", "", "", 0, 255, 3, 3, 1, 128, 44100, 1, 0, 0, 1])",
        R"(, 0, 0, "", "", "", "", "", 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0])",
    };
    const std::string paths[] = {song, odd, missing};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(std::getline(lines, keys) && std::getline(lines, values) && std::getline(lines, pathHex)) << out;
        EXPECT_EQ(wantKeys, keys);
        EXPECT_EQ(want[i], values.substr(values.find(',')));
        EXPECT_EQ(hex(paths[i]), pathHex) << "the path round-trips byte for byte";
    }
}

TEST(Probe, SkipsTheOpenDelayAndReportsUsage) {
    TempDir dir;
    std::string args;
    for (int i = 0; i < 25; ++i) {
        std::string f = dir.File("f" + std::to_string(i) + ".mp3");
        WriteBytes(f, {0xFF, 0xFB, 0x90, 0x64});
        args += " " + Quote(f);
    }
    int status = -1;
    auto start = std::chrono::steady_clock::now();
    std::string out = Capture(std::string(WQ_PROBE) + " --codepage CP1252" + args, &status);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500))
        << "25 files would take 2.5 s with the player's wait";
    EXPECT_EQ(0, status);
    EXPECT_EQ(25, std::count(out.begin(), out.end(), '\n'));
    for (const char* usage : {"", " --codepage NOPE x"}) {  // no file; unknown code page
        Capture(std::string(WQ_PROBE) + usage + " 2>/dev/null", &status);
        EXPECT_EQ(2, status) << usage;
    }
    out = Capture(std::string(WQ_PROBE) + " --headless --probe -- --odd-name 2>/dev/null", &status);
    EXPECT_EQ(1, status) << "options before --probe belong to the program; after -- names are files";
    EXPECT_NE(std::string::npos, out.find("\"path\":\"--odd-name\",\"open\":0")) << out;
}

}  // namespace
}  // namespace wq::trackinfo::test
