// Media graph figures: load (RenderFile) to first block, whole-graph decode CPU
// of a 10-minute 320 kbit/s MP3 with the fast sink, and the frame scan behind
// the exact duration.
//
// The whole graph is measured as the player runs it: flat equalizer, volume at
// -20 dB, and the spectrum's thinning and transform on every block in the sound
// filter's callback. Its reference, paired with it run by run, is gst-launch-1.0
// decoding the same file with the same decoder (mpg123 ranked first) into 16-bit
// samples: decode plus one format conversion, the least any player does.
//
//   build/bench/bench/media_bench [FILE.mp3]
// Without FILE a 10-minute 320 kbit/s MP3 is made with ffmpeg and lame in
// /tmp/wq-bench (kept for later runs).
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/fs/root.h"
#include "platform/media/codec.h"
#include "platform/media/codecpreset.h"
#include "platform/media/com.h"
#include "platform/media/dshow.h"
#include "platform/media/mpegscan.h"
#include "platform/media/sink.h"
#include "platform/media/wqasoundfilter.h"
#include "visual/bands.h"
#include "visual/fft.h"

namespace {

using Clock = std::chrono::steady_clock;
using wq::media::ComPtr;

double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// CPU seconds of one child process running `argv` (stdout/stderr discarded),
// with `env` ("NAME=value") added to its environment.
double ChildCpu(const std::vector<std::string>& argv, const std::vector<std::string>& env = {}) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        for (const auto& e : env) putenv(const_cast<char*>(e.c_str()));
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage u{};
    wait4(pid, &status, 0, &u);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The sound filter's callback: counts the blocks and does the spectrum's work
// for each (thinning, transform, band levels), as the player's feed does.
struct Counter {
    std::atomic<long long> bytes{0};
    std::atomic<bool> first{false};
    Clock::time_point firstAt;
    CFft fft{128, 0};
    int levels[SPECTRUM_BANDS] = {};
    static void Callback(void* ctx, short* samples, int bytes, WAVEFORMATEX* format) {
        auto* c = static_cast<Counter*>(ctx);
        if (!c->first.exchange(true)) c->firstAt = Clock::now();
        c->bytes += bytes;
        short thinned[DECIMATED_COUNT];
        if (DecimateBlock(samples, bytes, thinned))
            ComputeBandLevels(c->fft, thinned, ReadSampleRate(format), c->levels);
    }
};

struct Graph {
    ComPtr<IGraphBuilder> builder;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    ComPtr<IBaseFilter> filter;

    // What the player's LoadMP3 does with the graph.
    bool Load(const std::u16string& path, Counter* counter) {
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                         builder.PutVoid());
        builder->QueryInterface(IID_IMediaControl, control.PutVoid());
        builder->QueryInterface(IID_IMediaEvent, events.PutVoid());
        CoCreateInstance(CLSID_WQASoundFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                         filter.PutVoid());
        builder->AddFilter(filter.Get(), u"WQASoundFilter");
        ComPtr<IWQASoundFilter> ctrl;
        filter->QueryInterface(IID_IWQASoundFilter, ctrl.PutVoid());
        SoundCallbackInfo info{counter, &Counter::Callback};
        ctrl->SetSampleCallback(&info);
        if (FAILED(builder->RenderFile(path.c_str(), nullptr))) return false;
        ComPtr<IMediaSeeking> seeking;
        builder->QueryInterface(IID_IMediaSeeking, seeking.PutVoid());
        ComPtr<IBasicAudio> audio;
        builder->QueryInterface(IID_IBasicAudio, audio.PutVoid());
        return SUCCEEDED(seeking->SetRate(1.0)) && SUCCEEDED(audio->put_Volume(-2000));
    }
    bool PlayToEnd() {
        control->Run();
        LONG code;
        LONG_PTR a, b;
        while (events->GetEvent(&code, &a, &b, 60000) == S_OK)
            if (code == EC_COMPLETE) return true;
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::string file = argc > 1 ? argv[1] : "/tmp/wq-bench/ten-minutes-320k.mp3";
    struct stat st {};
    if (argc <= 1 && stat(file.c_str(), &st) != 0) {
        std::printf("making %s ...\n", file.c_str());
        if (std::system(
                "mkdir -p /tmp/wq-bench && ffmpeg -v error -y -f lavfi -i "
                "'aevalsrc=0.4*sin(2*PI*440*t)+0.1*sin(2*PI*3000*t)|0.3*sin(2*PI*660*t)+0.1*sin(2*"
                "PI*5000*t):s=44100:d=600' "
                "-c:a pcm_s16le /tmp/wq-bench/src.wav && lame --quiet -b 320 /tmp/wq-bench/src.wav "
                "/tmp/wq-bench/ten-minutes-320k.mp3 && rm /tmp/wq-bench/src.wav") != 0) {
            std::fprintf(stderr, "cannot make the test file\n");
            return 1;
        }
    }
    const std::string folder = file.substr(0, file.rfind('/'));
    const std::string name = file.substr(file.rfind('/') + 1);
    wq::fs::SetRoot(folder);
    const std::u16string device(name.begin(), name.end());
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    wq::media::SetAudioSink("fast");
    wq::media::SetCodecSettings(
        wq::media::ToCodecSettings(wq::media::DefaultPresetSteps(0)));  // NORMAL: flat

    // 1. Load to first block. The first graph of a process also loads plugins.
    std::vector<double> loads;
    double firstLoad = 0;
    for (int i = 0; i < 21; ++i) {
        Counter c;
        Graph g;
        const auto t0 = Clock::now();
        if (!g.Load(device, &c) || !c.first) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        const double ms = std::chrono::duration<double, std::milli>(c.firstAt - t0).count();
        if (i == 0)
            firstLoad = ms;
        else
            loads.push_back(ms);
    }

    // 2. The duration: RenderFile as a whole, and the frame scan with the
    // encoder's Info header and without one (the header stripped by ffmpeg).
    std::vector<double> renders;
    for (int i = 0; i < 21; ++i) {
        Counter c;
        Graph g;
        const auto t0 = Clock::now();
        if (!g.Load(device, &c)) return 1;
        renders.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    const std::string bare = folder + "/bare-" + name;
    if (stat(bare.c_str(), &st) != 0 &&
        std::system(("ffmpeg -v error -y -i '" + file + "' -c:a copy -write_xing 0 '" + bare + "'")
                        .c_str()) != 0)
        return 1;
    auto scanMs = [](const std::string& f) {
        std::vector<double> v;
        for (int i = 0; i < 21; ++i) {
            const auto t0 = Clock::now();
            if (!wq::media::ScanMpegFile(f)) return -1.0;
            v.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
        return Median(v);
    };
    const double scanInfo = scanMs(file), scanBare = scanMs(bare);
    // Reference: reading the same bytes with cat, the floor of any full scan.
    std::vector<double> cats;
    for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        if (std::system(("cat '" + bare + "' > /dev/null").c_str()) != 0) return 1;
        cats.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }

    // 3. Whole-file decode CPU, paired run by run: the flat graph and its
    // reference alternate, so both see the same load; then the HALL preset
    // (5-band EQ and widening) and mpg123 alone, for scale.
    auto graphCpu = [&](int preset) {
        wq::media::SetCodecSettings(
            wq::media::ToCodecSettings(wq::media::DefaultPresetSteps(preset)));
        Counter c;
        const double t0 = CpuSeconds(RUSAGE_SELF);
        Graph g;
        if (!g.Load(device, &c) || !g.PlayToEnd()) return -1.0;
        return CpuSeconds(RUSAGE_SELF) - t0;
    };
    const std::vector<std::string> reference = {"gst-launch-1.0",
                                                "-q",
                                                "filesrc",
                                                "location=" + file,
                                                "!",
                                                "decodebin",
                                                "!",
                                                "audioconvert",
                                                "!",
                                                "audio/x-raw,format=S16LE",
                                                "!",
                                                "fakesink",
                                                "sync=false"};
    const std::vector<std::string> rank = {"GST_PLUGIN_FEATURE_RANK=mpg123audiodec:primary"};
    std::vector<double> flats, refs, ratios, halls, mpgs;
    double load = 0;
    for (int i = 0; i < 5; ++i) {
        double avg[1] = {0};
        if (getloadavg(avg, 1) == 1) load += avg[0] / 5;
        flats.push_back(graphCpu(0));
        refs.push_back(ChildCpu(reference, rank));
        if (flats.back() < 0 || refs.back() <= 0) {
            std::fprintf(stderr, "a decode failed\n");
            return 1;
        }
        ratios.push_back(flats.back() / refs.back());
        halls.push_back(graphCpu(10));
        mpgs.push_back(ChildCpu({"mpg123", "-q", "-t", file}));
    }
    const double flat = Median(flats), gst = Median(refs), hall = Median(halls), mpg = Median(mpgs);

    std::printf("file: %s\n", file.c_str());
    std::printf(
        "load (RenderFile) to first block: first graph %.1f ms, then median %.1f ms (20 runs)\n",
        firstLoad, Median(loads));
    std::printf("RenderFile as a whole (LoadMP3's render step): median %.1f ms (21 runs)\n",
                Median(renders));
    std::printf(
        "duration scan, Info header: median %.2f ms; no header (every frame): median %.2f ms;"
        " cat of the same file: median %.2f ms\n",
        scanInfo, scanBare, Median(cats));
    std::printf("decode CPU seconds, median of 5 pairs, load average %.2f:\n", load);
    std::printf("  graph, flat EQ, -20 dB, spectrum   %.3f  (median of pair ratios %.2fx)\n", flat,
                Median(ratios));
    std::printf("  reference: gst-launch mpg123 S16   %.3f\n", gst);
    std::printf("  graph, HALL preset (EQ + 3D)       %.3f  (%.2fx the reference)\n", hall,
                hall / gst);
    std::printf("  mpg123 -q -t                       %.3f\n", mpg);
    CoUninitialize();
    return 0;
}
