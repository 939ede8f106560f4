// A graph built the way the player's engine builds one (create, query the
// control interfaces, add the sound filter, register the callback, render),
// and a capture of what the sound filter's callback receives.
#pragma once

#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/com.h"
#include "platform/media/dshow.h"
#include "platform/media/soundtap.h"
#include "platform/media/wqasoundfilter.h"

namespace wqtest {

using wq::media::ComPtr;

struct Capture {
    std::mutex lock;
    long long frames = 0;  // samples per channel
    long blocks = 0;
    int rate = 0;
    int channels = 0;
    bool keepSamples = false;
    std::vector<short> samples;
    std::set<std::thread::id> threads;
    std::vector<LONGLONG> blockTimes;  // media time of each block, 100 ns
    std::vector<std::pair<wq::media::BlockTiming, std::chrono::steady_clock::time_point>> arrivals;
    int bytesMisaligned = 0;           // blocks whose size is not whole frames

    static void Callback(void* context, short* samples, int bytes, WAVEFORMATEX* fmt);
    long Blocks() {
        std::lock_guard<std::mutex> g(lock);
        return blocks;
    }
};

struct Graph {
    ComPtr<IGraphBuilder> builder;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaSeeking> seeking;
    ComPtr<IBasicAudio> audio;
    ComPtr<IMediaEvent> events;
    ComPtr<IBaseFilter> filter;
    ComPtr<IWQASoundFilter> filterCtrl;

    // The graph and its control interfaces, nothing rendered.
    HRESULT Create();
    // Create, add the sound filter feeding `capture` (if any) and render the device path.
    HRESULT Load(const std::string& name, Capture* capture);
    // Runs until EC_COMPLETE; false when it does not come within `ms`.
    bool PlayToEnd(int ms);
    LONGLONG Duration();
    LONGLONG Position();
};

// Samples of a WAV file written by the wav sink, after checking that its
// header describes exactly the data that follows. Empty on any mismatch, with
// the reason in *why.
std::vector<short> ReadCapturedWav(const std::string& path, std::string* why);
double Rms(const std::vector<double>& v);

constexpr LONGLONG kMs = 10000;  // 100 ns units per millisecond

}  // namespace wqtest
