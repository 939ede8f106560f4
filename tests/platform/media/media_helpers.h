// Shared by the media tests: files made by lame and ffmpeg once per build tree
// into a cache folder that is also the device root, a graph built the way the
// player's engine builds one, and a capture of what the sound filter delivers.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/fs/root.h"
#include "platform/media/com.h"
#include "platform/media/dshow.h"
#include "platform/media/gstsetup.h"
#include "platform/media/soundtap.h"
#include "platform/media/wqasoundfilter.h"
#include "tests/support/temp_root.h"

namespace wqtest {

using wq::media::ComPtr;
using wq::test::Shell;
constexpr LONGLONG kMs = 10000;  // 100 ns units per millisecond

// Every file the tests play, made in `dir`.
inline void MakeMedia(const std::string& dir) {
    const std::string gen = "ffmpeg -v error -f lavfi -i ", lame = "lame --quiet ";
    const std::string commands[] = {
        // A stereo source whose channels differ; "-t": an MP3 without the header frame.
        gen + "'aevalsrc=0.5*sin(2*PI*440*t)|0.3*sin(2*PI*660*t):s=44100:d=3' src.wav",
        lame + "-b 128 src.wav cbr.mp3",
        lame + "-t -b 128 src.wav cbr_notag.mp3",
        lame + "-V 4 src.wav vbr.mp3",
        lame + "-t -V 4 src.wav vbr_notag.mp3",
        lame + "--resample 22.05 -b 64 src.wav mpeg2.mp3",
        lame + "-t --resample 8 -b 16 src.wav mpeg25.mp3",
        lame + "-m m -b 96 src.wav mono.mp3",
        "ffmpeg -v error -i src.wav -c:a wmav1 -b:a 128k wma1.wma",
        "ffmpeg -v error -i src.wav -c:a wmav2 -b:a 128k wma2.wma",
        // 200 s at 16 kHz mono 48 kbps: small, quick to make, and with a LAME tag.
        gen + "sine=frequency=300:sample_rate=16000:duration=200 -f wav - | " + lame +
            "-m m -b 48 - long200.mp3",
        gen + "'aevalsrc=0.99*sin(2*PI*850*t):s=44100:d=1' -ac 2 tone850.wav",
        gen + "'aevalsrc=0.4*sin(2*PI*440*t)|0.2*sin(2*PI*1000*t):s=44100:d=1' pcm1.wav",
        // Seeded noise that no decoder accepts, also spliced into the middle of cbr.mp3.
        gen + "anoisesrc=seed=7:d=0.7:a=1 -f s16le random.mp3",
        "(head -c 24000 cbr.mp3; head -c 40960 random.mp3; tail -c +24001 cbr.mp3) "
        ">garbage_mid.mp3",
        ": >empty.mp3 && mkdir folder.mp3 && mkfifo fifo.mp3",
    };
    for (const std::string& c : commands)
        if (!Shell("cd '" + dir + "' && " + c))
            throw std::runtime_error("making the media failed: " + c);
}

// CTest runs every test case in its own process, so the media are made once
// below the working directory, under a lock; a stamp marks a complete set.
inline const std::string& MediaRoot() {
    static const std::string root = [] {
        const std::string cache = std::filesystem::absolute("wq-media-cache-v3").string();
        const int lock = ::open((cache + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (lock < 0 || ::flock(lock, LOCK_EX) != 0)
            throw std::runtime_error("cannot lock " + cache);
        if (!std::filesystem::exists(cache + "/.complete")) {
            std::filesystem::remove_all(cache);
            std::filesystem::create_directories(cache);
            MakeMedia(cache);
            std::ofstream(cache + "/.complete") << "ok\n";
        }
        ::close(lock);  // releases the lock
        return cache;
    }();
    return root;
}

// This process's folder for captures, databases and other outputs; removed at exit.
inline const std::string& ScratchDir() {
    static const wq::test::TempRoot scratch;
    return scratch.Path();
}

// Makes the media and loads GStreamer's plugins before the first test, so no
// test's timing includes them. The scratch folder comes first: making it
// changes the device root.
class MediaEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ScratchDir();
        if (!wq::fs::SetRoot(MediaRoot())) throw std::runtime_error("no device root");
        wq::media::EnsureGstreamer();
    }
};
inline const auto* const kMediaEnvironment =
    ::testing::AddGlobalTestEnvironment(new MediaEnvironment);

// What the sound filter's callback received, and on which terms.
struct Capture {
    std::mutex lock;
    long long frames = 0;  // samples per channel
    long blocks = 0;
    int rate = 0;
    int channels = 0;
    int timed = 0;         // blocks that knew when they would be heard
    int heardEarly = 0;    // blocks whose play time had passed before they were delivered
    int misdescribed = 0;  // blocks whose format is not the 16-bit PCM they hold
    bool keepSamples = false;
    std::vector<short> samples;
    std::vector<LONGLONG> blockTimes;  // media time of each block, 100 ns

    static void Callback(void* context, short* samples, int bytes, WAVEFORMATEX* fmt) {
        auto* c = static_cast<Capture*>(context);
        const wq::media::BlockTiming timing = wq::media::CurrentBlockTiming();
        const auto now = std::chrono::steady_clock::now();
        std::lock_guard<std::mutex> g(c->lock);
        c->rate = static_cast<int>(fmt->nSamplesPerSec);
        c->channels = fmt->nChannels;
        c->misdescribed += fmt->wFormatTag != WAVE_FORMAT_PCM || fmt->wBitsPerSample != 16 ||
                           fmt->nBlockAlign != 2 * fmt->nChannels ||
                           fmt->nAvgBytesPerSec != fmt->nSamplesPerSec * fmt->nBlockAlign;
        c->frames += bytes / (2 * fmt->nChannels);
        ++c->blocks;
        c->blockTimes.push_back(timing.mediaTime);
        c->timed += timing.hasPlayTime;
        // 1 ms: `now` is read after the timing.
        c->heardEarly += timing.hasPlayTime && timing.playAt + std::chrono::milliseconds(1) < now;
        if (c->keepSamples) c->samples.insert(c->samples.end(), samples, samples + bytes / 2);
    }
    long Blocks() {
        std::lock_guard<std::mutex> g(lock);
        return blocks;
    }
    // Media time of block `i`, -1 when there is none yet.
    LONGLONG BlockTime(long i) {
        std::lock_guard<std::mutex> g(lock);
        return i < blocks ? blockTimes[static_cast<size_t>(i)] : -1;
    }
};

struct Graph {
    ComPtr<IGraphBuilder> builder;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaSeeking> seeking;
    ComPtr<IBasicAudio> audio;
    ComPtr<IMediaEvent> events;
    ComPtr<IWQASoundFilter> filterCtrl;

    // The control interfaces, the sound filter feeding `capture` (if any),
    // then the device path `name` rendered.
    HRESULT Load(const std::string& name, Capture* capture) {
        HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IGraphBuilder, builder.PutVoid());
        if (FAILED(hr)) return hr;
        builder->QueryInterface(IID_IMediaControl, control.PutVoid());
        builder->QueryInterface(IID_IMediaSeeking, seeking.PutVoid());
        builder->QueryInterface(IID_IBasicAudio, audio.PutVoid());
        builder->QueryInterface(IID_IMediaEvent, events.PutVoid());
        if (capture) {
            ComPtr<IBaseFilter> filter;
            hr = CoCreateInstance(CLSID_WQASoundFilter, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IBaseFilter, filter.PutVoid());
            if (FAILED(hr)) return hr;
            builder->AddFilter(filter.Get(), u"WQASoundFilter");
            filter->QueryInterface(IID_IWQASoundFilter, filterCtrl.PutVoid());
            SoundCallbackInfo info{capture, &Capture::Callback};
            filterCtrl->SetSampleCallback(&info);
        }
        return builder->RenderFile(std::u16string(name.begin(), name.end()).c_str(), nullptr);
    }
    // The next event's code, 0 when none comes within `ms`.
    LONG NextEvent(int ms) {
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        return events->GetEvent(&code, &p1, &p2, ms) == S_OK ? code : 0;
    }
    // Runs until EC_COMPLETE; false when it does not come within `ms`.
    bool PlayToEnd(int ms) {
        control->Run();
        for (LONG code; (code = NextEvent(ms)) != 0;)
            if (code == EC_COMPLETE) return true;
        return false;
    }
    LONGLONG Duration() {
        LONGLONG d = -1;
        seeking->GetDuration(&d);
        return d;
    }
    LONGLONG Position() {
        LONGLONG p = -1;
        seeking->GetCurrentPosition(&p);
        return p;
    }
};

// Samples of a WAV file written by the wav sink, after checking that its
// header describes exactly the data that follows; empty (and *why) if not.
inline std::vector<short> ReadCapturedWav(const std::string& path, std::string* why) {
    const std::string b = wq::test::ReadFile(path);
    auto le32 = [&](size_t at) {
        unsigned v = 0;
        std::memcpy(&v, b.data() + at, 4);
        return v;
    };
    const bool ok = b.size() >= 44 && b.compare(0, 4, "RIFF") == 0 &&
                    b.compare(8, 8, "WAVEfmt ") == 0 && le32(4) == b.size() - 8 &&
                    le32(40) == b.size() - 44 && le32(24) == 44100 && b[22] == 2 && b[34] == 16;
    *why = ok ? "" : "not a 44.1 kHz stereo 16-bit WAV whose header describes its data";
    if (!ok) return {};
    std::vector<short> s((b.size() - 44) / 2);
    std::memcpy(s.data(), b.data() + 44, s.size() * 2);
    return s;
}

}  // namespace wqtest
