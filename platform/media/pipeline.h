// One GStreamer pipeline playing one file: the engine behind a filter graph.
//
//   filesrc -> decodebin (mpg123 asked for float) -> audioconvert
//     -> F32 interleaved [sound filter tap, 16-bit for its callback]
//     -> audioconvert -> F32 stereo -> equalizer-nbands (5) [3D widening]
//     -> volume (user level x headroom) -> audiopanorama -> output (sink.h)
//
// A decoder that works in float (mpg123) hands float through: both converters
// pass its buffers untouched for stereo. A flat equalizer, the widening at 0
// and the panorama at the centre pass buffers through too.
//
// Every call is synchronous and bounded: state changes and seeks wait for the
// pipeline with a deadline and fail instead of hanging. Thread: all member
// functions on the GUI thread; the sound filter tap, the widening and the bus
// handler run on GStreamer's streaming threads and only set flags there.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "platform/media/dshow.h"

typedef struct _GstElement GstElement;
typedef struct _GstBus GstBus;
typedef struct _GstMessage GstMessage;

namespace wq::media {

class SoundFilter;
struct CodecSettings;
struct TapProgress;

struct PlaySettings {
    LONG volume = 0;   // hundredths of a dB, -10000..0
    LONG balance = 0;  // hundredths of a dB, -10000 (left only)..10000 (right only)
    double rate = 1.0;
};

// How long a preroll, state change or seek may take before it counts as failed.
constexpr int kPrerollLimitMs = 3000;

class Pipeline {
public:
    // Builds the pipeline for a host file and prerolls it. Null (and a reason
    // in *error) when the file is not a regular non-empty file, has no audio
    // the installed decoders can play, or does not preroll within the limit.
    static std::unique_ptr<Pipeline> Create(const std::string& hostPath, SoundFilter* tap,
                                            const PlaySettings& settings, std::string* error);
    ~Pipeline();
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    HRESULT Run();
    HRESULT Pause();
    // Pauses and rewinds to 0; the pipeline stays prerolled.
    HRESULT Stop();
    OAFilterState State() const { return state_; }

    // 100 ns units. The duration is exact for MPEG audio (frames counted) and
    // the container's for other formats. At the end of the stream the duration
    // becomes the end of the decoded audio and the position equals it; so a
    // stream cut short or failing mid-way ends where it stopped.
    LONGLONG Duration();
    LONGLONG Position();
    HRESULT Seek(LONGLONG position);
    HRESULT SetRate(double rate);
    void SetVolume(LONG volume);
    void SetBalance(LONG balance);

    // True once the stream has ended (end of stream or a failure mid-way).
    bool Ended();
    // Takes the next EC_* event code; false when none waits.
    bool PopEvent(LONG* code);

private:
    Pipeline() = default;
    bool Build(const std::string& hostPath, SoundFilter* tap, std::string* error);
    bool WaitAsyncDone(std::string* error);
    void DrainBus();
    void Poll();
    void ApplyCodec(const CodecSettings& s);
    void ApplyVolume();
    void RePreroll();
    bool IsMpegStream();
    static int OnBusSync(GstBus* bus, GstMessage* msg, void* self);

    GstElement* pipeline_ = nullptr;
    GstElement* eq_ = nullptr;
    GstElement* volume_ = nullptr;
    GstElement* panorama_ = nullptr;
    int codecSubscription_ = 0;
    std::shared_ptr<TapProgress> tapProgress_;
    PlaySettings settings_;
    std::mutex levelLock_;  // settings_.volume and headroom_: set by the GUI and by codec changes
    double headroom_ = 1.0;
    OAFilterState state_ = State_Stopped;
    bool prerolled_ = false;
    LONGLONG duration_ = 0;  // 100 ns; 0 until known
    bool mpegDuration_ = false;
    LONGLONG lastPosition_ = 0;

    // Set on streaming threads.
    std::atomic<bool> linked_{false};
    std::atomic<bool> eos_{false};
    std::atomic<bool> failed_{false};
    std::atomic<std::int64_t> decodedEnd_{-1};  // stream time (ns) after the last decoded buffer
    std::atomic<long> decodedBuffers_{0};
    bool failureSeen_ = false;  // GUI thread: the failure has been turned into an end
    bool eosSeen_ = false;      // GUI thread: the end of stream has fixed the duration
    std::mutex eventsLock_;
    std::deque<LONG> events_;
};

}  // namespace wq::media
