#include "platform/media/sink.h"

#include <gst/gst.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/media/gstsetup.h"

namespace wq::media {
namespace {

constexpr int kWavRate = 44100;
constexpr int kWavChannels = 2;
constexpr int kWavFrameBytes = 2 * kWavChannels;

// The WAV capture of the session. Tracks append to one data chunk; the header
// sizes are rewritten after each track and when the capture is finished.
struct WavCapture {
    std::mutex lock;
    std::string path;
    std::FILE* file = nullptr;
    unsigned long long dataBytes = 0;
    bool finished =
        false;  // after FinishAudioSink nothing is written until the sink is chosen again
    bool exitHookSet = false;

    static void PutLe32(unsigned char* p, unsigned v) {
        for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
    }

    // Lock held. Writes the 44-byte header for the data written so far and
    // returns to the end of the file.
    void WriteHeaderLocked() {
        if (!file) return;
        unsigned char h[44];
        const unsigned data =
            dataBytes > 0xFFFFFFFFull - 36 ? 0xFFFFFFFFu - 36 : static_cast<unsigned>(dataBytes);
        std::memcpy(h, "RIFF", 4);
        PutLe32(h + 4, 36 + data);
        std::memcpy(h + 8, "WAVEfmt ", 8);
        PutLe32(h + 16, 16);
        h[20] = 1, h[21] = 0;  // PCM
        h[22] = kWavChannels, h[23] = 0;
        PutLe32(h + 24, kWavRate);
        PutLe32(h + 28, kWavRate * kWavFrameBytes);
        h[32] = kWavFrameBytes, h[33] = 0;
        h[34] = 16, h[35] = 0;
        std::memcpy(h + 36, "data", 4);
        PutLe32(h + 40, data);
        std::fseek(file, 0, SEEK_SET);
        std::fwrite(h, 1, sizeof h, file);
        std::fseek(file, 0, SEEK_END);
        std::fflush(file);
    }

    bool OpenLocked() {
        if (file) return true;
        if (finished) return false;
        file = std::fopen(path.c_str(), "wb");
        if (!file) return false;
        dataBytes = 0;
        WriteHeaderLocked();
        return true;
    }

    void Append(const unsigned char* data, size_t size) {
        std::lock_guard<std::mutex> g(lock);
        if (!OpenLocked()) return;
        size -= size % kWavFrameBytes;
        dataBytes += std::fwrite(data, 1, size, file);
    }

    void Flush() {
        std::lock_guard<std::mutex> g(lock);
        WriteHeaderLocked();
    }

    void Finish() {
        std::lock_guard<std::mutex> g(lock);
        if (!file) return;
        WriteHeaderLocked();
        std::fclose(file);
        file = nullptr;
        finished = true;
    }
};

struct SinkChoice {
    std::mutex lock;
    bool chosen = false;
    SinkKind kind = SinkKind::Auto;
};

SinkChoice& choice() {
    static SinkChoice* c = new SinkChoice;
    return *c;
}
WavCapture& wav() {
    static WavCapture* w = new WavCapture;
    return *w;
}

void FinishAtExit() {
    FinishAudioSink();
}

// Streaming thread of the sink, after the clock wait: the buffer is being played.
void OnHandoff(GstElement*, GstBuffer* buffer, GstPad*, gpointer) {
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
    wav().Append(map.data, map.size);
    gst_buffer_unmap(buffer, &map);
}

struct ParsedChoice {
    SinkKind kind;
    std::string wavPath;  // for SinkKind::Wav
};

std::optional<ParsedChoice> ParseChoice(std::string_view text) {
    static const struct {
        const char* name;
        SinkKind kind;
    } kNames[] = {{"auto", SinkKind::Auto}, {"null", SinkKind::Null}, {"fast", SinkKind::Fast}};
    for (const auto& n : kNames) {
        if (text == n.name) return ParsedChoice{n.kind, {}};
    }
    if (text.substr(0, 4) != "wav:" || text.size() <= 4) return std::nullopt;
    return ParsedChoice{SinkKind::Wav, std::string(text.substr(4))};
}

bool ApplyChoice(const std::string& text, SinkChoice& c) {
    const auto parsed = ParseChoice(text);
    if (!parsed) return false;
    if (parsed->kind != SinkKind::Wav) {
        c.kind = parsed->kind;
        c.chosen = true;
        return true;
    }
    WavCapture& w = wav();
    std::lock_guard<std::mutex> g(w.lock);
    if (w.file) {
        w.WriteHeaderLocked();
        std::fclose(w.file);
        w.file = nullptr;
    }
    w.path = parsed->wavPath;
    w.finished = false;
    if (!w.OpenLocked()) return false;  // refuse a file that cannot be created now
    if (!w.exitHookSet) {
        std::atexit(FinishAtExit);
        w.exitHookSet = true;
    }
    c.kind = SinkKind::Wav;
    c.chosen = true;
    return true;
}

}  // namespace

bool IsAudioSinkChoice(std::string_view text) {
    return ParseChoice(text).has_value();
}

bool SetAudioSink(const std::string& text) {
    SinkChoice& c = choice();
    std::lock_guard<std::mutex> g(c.lock);
    return ApplyChoice(text, c);
}

SinkKind GetAudioSinkKind() {
    SinkChoice& c = choice();
    std::lock_guard<std::mutex> g(c.lock);
    if (!c.chosen) {
        const char* env = std::getenv("WQ_AUDIO_SINK");
        if (!env || !ApplyChoice(env, c)) c.kind = SinkKind::Auto;
        c.chosen = true;
    }
    return c.kind;
}

void FinishAudioSink() {
    wav().Finish();
}

long long CapturedFrames() {
    WavCapture& w = wav();
    std::lock_guard<std::mutex> g(w.lock);
    return static_cast<long long>(w.dataBytes / kWavFrameBytes);
}

namespace detail {

void FlushWav() {
    wav().Flush();
}

GstElement* MakeSinkBin() {
    EnsureGstreamer();
    const SinkKind kind = GetAudioSinkKind();
    GstElement* bin = gst_bin_new("output");
    // The silent sinks take any format, so nothing converts for them: a
    // converter that passes buffers through still costs a step per buffer.
    const bool converts = kind == SinkKind::Auto || kind == SinkKind::Wav;
    GstElement* convert = converts ? gst_element_factory_make("audioconvert", nullptr) : nullptr;
    GstElement* resample = converts ? gst_element_factory_make("audioresample", nullptr) : nullptr;
    GstElement* sink =
        gst_element_factory_make(kind == SinkKind::Auto ? "autoaudiosink" : "fakesink", "sink");
    GstElement* caps = nullptr;
    if (kind == SinkKind::Wav) {
        caps = gst_element_factory_make("capsfilter", nullptr);
        GstCaps* c = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "rate",
                                         G_TYPE_INT, kWavRate, "channels", G_TYPE_INT, kWavChannels,
                                         "layout", G_TYPE_STRING, "interleaved", nullptr);
        if (caps) g_object_set(caps, "caps", c, nullptr);
        gst_caps_unref(c);
    }
    if ((converts && (!convert || !resample)) || !sink || (kind == SinkKind::Wav && !caps)) {
        for (GstElement* e : {convert, resample, sink, caps})
            if (e) gst_object_unref(e);
        gst_object_unref(bin);
        return nullptr;
    }
    if (convert) g_object_set(convert, "dithering", 0, nullptr);  // captures stay bit-exact
    if (kind != SinkKind::Auto) {
        g_object_set(sink, "sync", kind == SinkKind::Fast ? FALSE : TRUE, nullptr);
    }
    if (kind == SinkKind::Wav) {
        g_object_set(sink, "signal-handoffs", TRUE, nullptr);
        g_signal_connect(sink, "handoff", G_CALLBACK(OnHandoff), nullptr);
    }
    if (!converts) {
        gst_bin_add(GST_BIN(bin), sink);
    } else if (caps) {
        gst_bin_add_many(GST_BIN(bin), convert, resample, caps, sink, nullptr);
        gst_element_link_many(convert, resample, caps, sink, nullptr);
    } else {
        gst_bin_add_many(GST_BIN(bin), convert, resample, sink, nullptr);
        gst_element_link_many(convert, resample, sink, nullptr);
    }
    GstPad* target = gst_element_get_static_pad(converts ? convert : sink, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", target));
    gst_object_unref(target);
    return bin;
}

}  // namespace detail
}  // namespace wq::media
