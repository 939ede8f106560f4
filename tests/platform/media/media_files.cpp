#include "tests/platform/media/media_files.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/fs/root.h"
#include "platform/media/gstsetup.h"

namespace wqtest {
namespace {

struct Recipe {
    const char* name;
    const char* command;  // makes the file in $T, the folder
};

// Sources: a 440 Hz sine stereo with a quieter 660 Hz in the right channel
// (so left and right differ), and mono sines at lower rates.
constexpr Recipe kRecipes[] = {
    {"src44.wav", "ffmpeg -v error -f lavfi -i 'aevalsrc=0.5*sin(2*PI*440*t)|0.3*sin(2*PI*660*t):s=44100:d=3' -c:a pcm_s16le $T/src44.wav"},
    {"cbr.mp3", "lame --quiet -b 128 $T/src44.wav $T/cbr.mp3"},  // "-t": without the header frame
    {"cbr_notag.mp3", "lame --quiet -t -b 128 $T/src44.wav $T/cbr_notag.mp3"},
    {"vbr.mp3", "lame --quiet -V 4 $T/src44.wav $T/vbr.mp3"},
    {"vbr_notag.mp3", "lame --quiet -t -V 4 $T/src44.wav $T/vbr_notag.mp3"},
    {"mpeg2.mp3", "lame --quiet --resample 22.05 -b 64 $T/src44.wav $T/mpeg2.mp3"},
    {"mpeg25.mp3", "lame --quiet -t --resample 8 -b 16 $T/src44.wav $T/mpeg25.mp3"},
    {"mono.mp3", "lame --quiet -m m -b 96 $T/src44.wav $T/mono.mp3"},
    {"wma1.wma", "ffmpeg -v error -i $T/src44.wav -c:a wmav1 -b:a 128k $T/wma1.wma"},
    {"wma2.wma", "ffmpeg -v error -i $T/src44.wav -c:a wmav2 -b:a 128k $T/wma2.wma"},
    // 200 s at 16 kHz mono 48 kbps: small, quick to make, and with a LAME tag.
    {"long200.mp3", "ffmpeg -v error -f lavfi -i 'sine=frequency=300:sample_rate=16000:duration=200' -c:a pcm_s16le $T/src200.wav"
                    " && lame --quiet -m m -b 48 $T/src200.wav $T/long200.mp3"},
    {"tone850.wav", "ffmpeg -v error -f lavfi -i 'aevalsrc=0.25*sin(2*PI*850*t)|0.25*sin(2*PI*850*t):s=44100:d=1' -c:a pcm_s16le $T/tone850.wav"},
    {"tone850full.wav", "ffmpeg -v error -f lavfi -i 'aevalsrc=0.99*sin(2*PI*850*t)|0.99*sin(2*PI*850*t):s=44100:d=1' -c:a pcm_s16le $T/tone850full.wav"},
    {"pcm1.wav", "ffmpeg -v error -f lavfi -i 'aevalsrc=0.4*sin(2*PI*440*t)|0.2*sin(2*PI*1000*t):s=44100:d=1' -c:a pcm_s16le $T/pcm1.wav"},
    {"empty.mp3", ": > $T/empty.mp3"},
    {"folder.mp3", "mkdir -p $T/folder.mp3"},
    {"fifo.mp3", "mkfifo $T/fifo.mp3"},
};

std::string gRoot;
std::string gScratch;

[[noreturn]] void Fatal(const std::string& why) {
    std::fprintf(stderr, "test media: %s\n", why.c_str());
    std::abort();
}

void MakeAll(const std::string& dir) {
    for (const Recipe& r : kRecipes) {
        std::string cmd = r.command;
        for (size_t p; (p = cmd.find("$T")) != std::string::npos;) cmd.replace(p, 2, dir);
        if (!Shell(cmd)) Fatal("making " + std::string(r.name) + " failed: " + cmd);
    }
    std::mt19937 rng(7);
    auto random = [&](size_t n) {
        std::string s(n, '\0');
        for (char& c : s) c = static_cast<char>(rng() & 0xFF);
        return s;
    };
    std::ofstream(dir + "/random.mp3", std::ios::binary) << random(64 * 1024);  // no decoder accepts it
    // cbr.mp3 with 40 KB of random bytes spliced into its middle.
    std::ifstream in(dir + "/cbr.mp3", std::ios::binary);
    const std::string mp3((std::istreambuf_iterator<char>(in)), {});
    std::ofstream(dir + "/garbage_mid.mp3", std::ios::binary)
        << mp3.substr(0, mp3.size() / 2) << random(40 * 1024) << mp3.substr(mp3.size() / 2);
}

}  // namespace

bool Shell(const std::string& cmd) { return std::system(cmd.c_str()) == 0; }

// CTest runs every test case in its own process, so the media are made once
// into a cache below the working directory, under a lock; a stamp marks a complete set.
const std::string& MediaRoot() {
    if (!gRoot.empty()) return gRoot;
    const std::string cache = std::filesystem::absolute("wq-media-cache-v1").string();
    std::filesystem::create_directories(cache);
    const int lock = ::open((cache + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) Fatal("cannot lock " + cache);
    if (!std::filesystem::exists(cache + "/.complete")) {
        std::error_code ec;
        std::filesystem::remove_all(cache, ec);
        std::filesystem::create_directories(cache);
        MakeAll(cache);
        std::ofstream(cache + "/.complete") << "ok\n";
    }
    ::flock(lock, LOCK_UN);
    ::close(lock);
    gRoot = cache;
    std::string err;
    if (!wq::fs::SetRoot(gRoot, &err)) Fatal("device root: " + err);
    return gRoot;
}

const std::string& ScratchDir() {
    if (gScratch.empty()) {
        char tmpl[] = "/tmp/wq-media-XXXXXX";
        if (!::mkdtemp(tmpl)) Fatal("cannot make a temporary folder");
        gScratch = tmpl;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(gScratch, ec);
        });
    }
    return gScratch;
}

std::string HostPath(const std::string& name) { return MediaRoot() + "/" + name; }

std::u16string DevicePath(const std::string& name) {
    MediaRoot();
    return std::u16string(name.begin(), name.end());
}

// Makes the media and loads GStreamer's plugins before the first test, so no
// test's timing includes them.
class MediaEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        MediaRoot();
        wq::media::EnsureGstreamer();
    }
};
const auto* const kMediaEnvironment = ::testing::AddGlobalTestEnvironment(new MediaEnvironment);

}  // namespace wqtest

// GLib allocates its first quark table (16 KiB) in a library constructor and
// never frees it by design. Only a full unwind shows that origin (GLib has no
// frame pointers), so the suppression "leak:_dl_init" in tests/lsan.supp can
// match it; the cost is slower mallocs in this test binary only.
// Eight frames reach the constructor and keep the slow unwinder affordable.
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0:malloc_context_size=8"; }
