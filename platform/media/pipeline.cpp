#include "platform/media/pipeline.h"

#include <gst/audio/audio.h>
#include <gst/base/gstbasetransform.h>
#include <gst/gst.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/base/handover.h"
#include "platform/media/codec.h"
#include "platform/media/gstsetup.h"
#include "platform/media/mpegscan.h"
#include "platform/media/sink.h"
#include "platform/media/soundtap.h"

namespace wq::media {
namespace {

constexpr GstClockTime kLimit = static_cast<GstClockTime>(kPrerollLimitMs) * GST_MSECOND;

GstElement* Make(const char* factory, const char* name = nullptr) {
    return gst_element_factory_make(factory, name);
}

GstCaps* AudioCaps(const char* format, int channels) {
    GstCaps* c = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, format, "layout",
                                     G_TYPE_STRING, "interleaved", nullptr);
    if (channels > 0) gst_caps_set_simple(c, "channels", G_TYPE_INT, channels, nullptr);
    return c;
}

GstElement* MakeCapsFilter(GstCaps* caps) {
    GstElement* f = Make("capsfilter");
    if (f) g_object_set(f, "caps", caps, nullptr);
    gst_caps_unref(caps);
    return f;
}

// Streaming thread of the effects chain: in-place mid/side widening of F32
// stereo, side x (1 + level). Skipped entirely at level 0.
GstPadProbeReturn WidenProbe(GstPad*, GstPadProbeInfo* info, gpointer) {
    const float level = CurrentWidening();
    if (level <= 0.0f) return GST_PAD_PROBE_OK;
    GstBuffer* buf = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buf;
    GstMapInfo map;
    if (!gst_buffer_map(buf, &map, GST_MAP_READWRITE)) return GST_PAD_PROBE_OK;
    float* s = reinterpret_cast<float*>(map.data);
    const std::size_t frames = map.size / (2 * sizeof(float));
    const float k = 1.0f + level;
    for (std::size_t i = 0; i < frames; ++i) {
        const float mid = 0.5f * (s[2 * i] + s[2 * i + 1]);
        const float side = 0.5f * (s[2 * i] - s[2 * i + 1]) * k;
        s[2 * i] = mid + side;
        s[2 * i + 1] = mid - side;
    }
    gst_buffer_unmap(buf, &map);
    return GST_PAD_PROBE_OK;
}

// Streaming thread of the decoder: remembers how far decoding has come, so
// that a stream failing mid-way ends where it stopped.
struct DecodeProgress {
    std::atomic<std::int64_t>* end;
    std::atomic<long>* buffers;
    GstSegment segment;
    const void* pipeline;  // the hand-over point of the pipeline's callbacks
};

GstPadProbeReturn ProgressProbe(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* p = static_cast<DecodeProgress*>(data);
    const CallbackScope scope(p->pipeline);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        GstBuffer* b = GST_PAD_PROBE_INFO_BUFFER(info);
        if (GST_BUFFER_PTS_IS_VALID(b)) {
            GstClockTime end =
                GST_BUFFER_PTS(b) + (GST_BUFFER_DURATION_IS_VALID(b) ? GST_BUFFER_DURATION(b) : 0);
            const guint64 st = gst_segment_to_stream_time(&p->segment, GST_FORMAT_TIME, end);
            if (GST_CLOCK_TIME_IS_VALID(st)) p->end->store(static_cast<std::int64_t>(st));
        }
        p->buffers->fetch_add(1);
    } else if (GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
               ev && GST_EVENT_TYPE(ev) == GST_EVENT_SEGMENT) {
        const GstSegment* seg = nullptr;
        gst_event_parse_segment(ev, &seg);
        gst_segment_copy_into(seg, &p->segment);
    }
    return GST_PAD_PROBE_OK;
}

// What the decoder's pad-added handler needs: the chain's first element and
// the flag it sets once linked.
struct LinkTarget {
    GstElement* first;
    std::atomic<bool>* linked;
    const void* pipeline;  // the hand-over point of the pipeline's callbacks
};

// Streaming thread of the MPEG decoder: the answer to its question which
// formats may follow is narrowed to interleaved float when float is among
// them. The decoder works in float, so it then hands float on and nothing
// converts its output to 16 bits and back.
GstPadProbeReturn PreferFloat(GstPad*, GstPadProbeInfo* info, gpointer) {
    if (!(info->type & GST_PAD_PROBE_TYPE_PULL)) return GST_PAD_PROBE_OK;  // not answered yet
    GstQuery* query = GST_PAD_PROBE_INFO_QUERY(info);
    if (!query || GST_QUERY_TYPE(query) != GST_QUERY_CAPS) return GST_PAD_PROBE_OK;
    GstCaps* result = nullptr;
    gst_query_parse_caps_result(query, &result);
    if (!result) return GST_PAD_PROBE_OK;
    GstCaps* f32 = AudioCaps("F32LE", 0);
    GstCaps* both = gst_caps_intersect(result, f32);
    if (!gst_caps_is_empty(both)) gst_query_set_caps_result(query, both);
    gst_caps_unref(both);
    gst_caps_unref(f32);
    return GST_PAD_PROBE_OK;
}

// Streaming thread of decodebin: an MPEG decoder it plugs is asked for float.
void OnDeepElementAdded(GstBin*, GstBin*, GstElement* element, gpointer) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory || g_strcmp0(GST_OBJECT_NAME(factory), "mpg123audiodec") != 0) return;
    if (GstPad* src = gst_element_get_static_pad(element, "src")) {
        gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM, PreferFloat, nullptr, nullptr);
        gst_object_unref(src);
    }
}

// Streaming thread of decodebin: links the first audio stream to the chain.
void OnPadAdded(GstElement*, GstPad* pad, gpointer data) {
    auto* self = static_cast<LinkTarget*>(data);
    const CallbackScope scope(self->pipeline);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps) caps = gst_pad_query_caps(pad, nullptr);
    const bool audio =
        caps && gst_caps_get_size(caps) > 0 &&
        g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "audio/");
    if (caps) gst_caps_unref(caps);
    if (!audio) return;
    GstPad* sink = gst_element_get_static_pad(self->first, "sink");
    if (!gst_pad_is_linked(sink) && gst_pad_link(pad, sink) == GST_PAD_LINK_OK)
        self->linked->store(true);
    gst_object_unref(sink);
}

double DbToAmplitude(LONG hundredths) {
    if (hundredths <= -10000) return 0.0;
    return std::pow(10.0, hundredths / 2000.0);
}

}  // namespace

int Pipeline::OnBusSync(GstBus*, GstMessage* msg, void* data) {
    auto* self = static_cast<Pipeline*>(data);
    const CallbackScope scope(self);
    switch (GST_MESSAGE_TYPE(msg)) {
        case GST_MESSAGE_EOS: {
            self->eos_.store(true);
            std::lock_guard<std::mutex> g(self->eventsLock_);
            self->events_.push_back(EC_COMPLETE);
            gst_message_unref(msg);
            return GST_BUS_DROP;
        }
        case GST_MESSAGE_ERROR: {
            self->failed_.store(true);
            std::lock_guard<std::mutex> g(self->eventsLock_);
            self->events_.push_back(EC_COMPLETE);
            return GST_BUS_PASS;  // the waits of Create and Seek see it too
        }
        case GST_MESSAGE_ASYNC_DONE:
            return GST_BUS_PASS;
        default:
            gst_message_unref(msg);
            return GST_BUS_DROP;
    }
}

std::unique_ptr<Pipeline> Pipeline::Create(const std::string& hostPath, SoundFilter* tap,
                                           const PlaySettings& settings, std::string* error) {
    // Only regular files: a FIFO would block filesrc forever, a folder or a
    // device node is not music.
    struct stat st {};
    if (::stat(hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error) *error = "not a regular file";
        return nullptr;
    }
    if (st.st_size == 0) {
        if (error) *error = "empty file";
        return nullptr;
    }
    EnsureGstreamer();
    std::unique_ptr<Pipeline> p(new Pipeline);
    p->settings_ = settings;
    if (!p->Build(hostPath, tap, error)) return nullptr;
    return p;
}

bool Pipeline::Build(const std::string& hostPath, SoundFilter* tap, std::string* error) {
    pipeline_ = gst_pipeline_new("graph");
    GstElement* src = Make("filesrc");
    GstElement* decode = Make("decodebin");
    GstElement* toF32 = Make("audioconvert");
    GstElement* f32 = MakeCapsFilter(AudioCaps("F32LE", 0));
    GstElement* toStereo = Make("audioconvert");
    GstElement* stereo = MakeCapsFilter(AudioCaps("F32LE", 2));
    eq_ = Make("equalizer-nbands");
    volume_ = Make("volume");
    panorama_ = Make("audiopanorama");
    GstElement* out = detail::MakeSinkBin();
    GstElement* all[] = {src, decode, toF32, f32, toStereo, stereo, eq_, volume_, panorama_, out};
    if (std::any_of(std::begin(all), std::end(all), [](GstElement* e) { return e == nullptr; })) {
        for (GstElement* e : all)
            if (e) gst_object_unref(gst_object_ref_sink(e));
        eq_ = volume_ = panorama_ = nullptr;
        if (error) *error = "a GStreamer element is missing";
        return false;
    }
    for (GstElement* e : all) gst_bin_add(GST_BIN(pipeline_), e);
    g_object_set(src, "location", hostPath.c_str(), nullptr);
    g_object_set(toF32, "dithering", 0, nullptr);
    g_object_set(toStereo, "dithering", 0, nullptr);
    g_object_set(eq_, "num-bands", 5, nullptr);
    g_object_set(panorama_, "method", 1, nullptr);  // simple: attenuate one side only, never mix
    if (!gst_element_link(src, decode) ||
        !gst_element_link_many(toF32, f32, toStereo, stereo, eq_, volume_, panorama_, out,
                               nullptr)) {
        if (error) *error = "the chain does not link";
        return false;
    }

    // The tap sees float interleaved in the decoder's own rate and channels
    // and hands its callback 16-bit samples.
    if (tap) {
        GstPad* pad = gst_element_get_static_pad(f32, "src");
        tapProgress_ = std::make_shared<TapProgress>();
        tap->AttachTo(pad, tapProgress_);
        gst_object_unref(pad);
    }
    {
        GstPad* pad = gst_element_get_static_pad(toF32, "sink");
        auto* progress = new DecodeProgress{&decodedEnd_, &decodedBuffers_, {}, this};
        gst_segment_init(&progress->segment, GST_FORMAT_TIME);
        gst_pad_add_probe(pad,
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                       GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          ProgressProbe, progress,
                          [](gpointer d) { delete static_cast<DecodeProgress*>(d); });
        gst_object_unref(pad);
        GstPad* widen = gst_element_get_static_pad(eq_, "src");
        gst_pad_add_probe(widen, GST_PAD_PROBE_TYPE_BUFFER, WidenProbe, nullptr, nullptr);
        gst_object_unref(widen);
    }
    g_signal_connect_data(
        decode, "pad-added", G_CALLBACK(OnPadAdded), new LinkTarget{toF32, &linked_, this},
        [](gpointer d, GClosure*) { delete static_cast<LinkTarget*>(d); }, GConnectFlags(0));

    g_signal_connect(decode, "deep-element-added", G_CALLBACK(OnDeepElementAdded), nullptr);

    GstBus* bus = gst_element_get_bus(pipeline_);
    gst_bus_set_sync_handler(
        bus,
        [](GstBus* b, GstMessage* m, gpointer d) {
            return static_cast<GstBusSyncReply>(OnBusSync(b, m, d));
        },
        this, nullptr);
    gst_object_unref(bus);

    // Settings go in before the preroll, or the prerolled block would play
    // with the old ones.
    ApplyCodec(GetCodecSettings());
    codecSubscription_ = detail::SubscribeCodec([this](const CodecSettings& s) { ApplyCodec(s); });
    SetBalance(settings_.balance);

    // Everything above is done before the streams start: the callbacks see it.
    HandOver(this);
    if (tapProgress_) HandOver(tapProgress_.get());
    if (gst_element_set_state(pipeline_, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        if (error) *error = "the pipeline refuses to start";
        return false;
    }
    if (!WaitAsyncDone(error)) return false;
    if (!linked_.load() || failed_.load()) {
        if (error) *error = "no playable audio stream";
        return false;
    }
    if (eos_.load() && decodedBuffers_.load() == 0) {
        if (error) *error = "the stream holds no audio";
        return false;
    }
    state_ = State_Paused;
    prerolled_ = true;

    if (IsMpegStream()) {
        if (auto len = ScanMpegFile(hostPath)) {
            duration_ = len->DurationNs() / 100;
            mpegDuration_ = true;
        }
    }
    if (!mpegDuration_) {
        gint64 d = 0;
        if (gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &d) && d > 0)
            duration_ = d / 100;
    }
    if (settings_.rate != 1.0) Seek(0);  // a rate set before rendering takes effect through a seek
    return true;
}

Pipeline::~Pipeline() {
    if (codecSubscription_) detail::UnsubscribeCodec(codecSubscription_);
    if (pipeline_) {
        // Joins the streaming threads; a sample callback in progress finishes first.
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        TakeOver(this);
        if (tapProgress_) TakeOver(tapProgress_.get());
        GstBus* bus = gst_element_get_bus(pipeline_);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(pipeline_);
    }
    detail::FlushWav();
}

bool Pipeline::IsMpegStream() {
    bool found = false;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(pipeline_));
    GValue item = G_VALUE_INIT;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        GstElement* e = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* f = gst_element_get_factory(e);
        found = f && std::strcmp(GST_OBJECT_NAME(f), "mpegaudioparse") == 0;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

void Pipeline::DrainBus() {
    GstBus* bus = gst_element_get_bus(pipeline_);
    while (GstMessage* m = gst_bus_pop(bus)) gst_message_unref(m);
    gst_object_unref(bus);
}

bool Pipeline::WaitAsyncDone(std::string* error) {
    GstBus* bus = gst_element_get_bus(pipeline_);
    GstMessage* m = gst_bus_timed_pop_filtered(
        bus, kLimit, static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR));
    gst_object_unref(bus);
    if (!m) {
        if (error) *error = "no answer within the preroll limit";
        return false;
    }
    const bool ok = GST_MESSAGE_TYPE(m) == GST_MESSAGE_ASYNC_DONE;
    if (!ok && error) {
        GError* err = nullptr;
        gst_message_parse_error(m, &err, nullptr);
        *error = err ? err->message : "error";
        if (err) g_error_free(err);
    }
    gst_message_unref(m);
    return ok;
}

void Pipeline::Poll() {
    if (eos_.load() && !eosSeen_) {
        // The stream's real end is where decoding stopped: the encoder's or
        // container's length for a whole file, less for a file that was cut
        // short while playing (a card pulled). Position and duration agree there.
        eosSeen_ = true;
        const std::int64_t end = decodedEnd_.load();
        if (end > 0) duration_ = end / 100;
    }
    if (failed_.load() && !failureSeen_) {
        // A read error mid-way: the track ends where decoding stopped.
        failureSeen_ = true;
        gint64 pos = -1;
        if (!gst_element_query_position(pipeline_, GST_FORMAT_TIME, &pos) || pos < 0)
            pos = decodedEnd_.load();
        lastPosition_ = std::max<LONGLONG>(0, pos / 100);
        duration_ = lastPosition_;
        gst_element_set_state(pipeline_, GST_STATE_PAUSED);
        DrainBus();
    }
}

bool Pipeline::Ended() {
    Poll();
    return eos_.load() || failureSeen_;
}

bool Pipeline::PopEvent(LONG* code) {
    Poll();
    std::lock_guard<std::mutex> g(eventsLock_);
    if (events_.empty()) return false;
    *code = events_.front();
    events_.pop_front();
    return true;
}

HRESULT Pipeline::Run() {
    Poll();
    if (failureSeen_) return S_FALSE;
    state_ = State_Running;
    return gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ? E_FAIL
                                                                                           : S_OK;
}

HRESULT Pipeline::Pause() {
    Poll();
    state_ = State_Paused;
    if (gst_element_set_state(pipeline_, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        return E_FAIL;
    // Waits for the sink to hold its position, so the position is frozen on return.
    GstState now;
    return gst_element_get_state(pipeline_, &now, nullptr, kLimit) == GST_STATE_CHANGE_FAILURE
               ? E_FAIL
               : S_OK;
}

HRESULT Pipeline::Stop() {
    Pause();
    state_ = State_Stopped;
    return Seek(0);
}

LONGLONG Pipeline::Duration() {
    Poll();
    if (duration_ <= 0 && !failureSeen_) {
        gint64 d = 0;
        if (gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &d) && d > 0) return d / 100;
    }
    return duration_;
}

LONGLONG Pipeline::Position() {
    Poll();
    if (failureSeen_) return lastPosition_;
    if (eos_.load()) return Duration();
    gint64 pos = -1;
    if (gst_element_query_position(pipeline_, GST_FORMAT_TIME, &pos) && pos >= 0)
        lastPosition_ = pos / 100;
    const LONGLONG d = Duration();
    return d > 0 ? std::min(lastPosition_, d) : lastPosition_;
}

HRESULT Pipeline::Seek(LONGLONG position) {
    Poll();
    if (failureSeen_) return E_FAIL;
    position = std::max<LONGLONG>(0, position);
    DrainBus();  // a stale ASYNC_DONE must not answer this seek
    const gboolean ok = gst_element_seek(
        pipeline_, settings_.rate, GST_FORMAT_TIME,
        static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
        static_cast<gint64>(position) * 100, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    eos_.store(false);  // after the flush: an end of stream from here on is the new segment's
    eosSeen_ = false;
    decodedEnd_.store(-1);
    {
        std::lock_guard<std::mutex> g(eventsLock_);
        events_.clear();
    }
    if (!ok) return E_FAIL;
    lastPosition_ = position;
    return WaitAsyncDone(nullptr) ? S_OK : VFW_E_TIMEOUT;
}

HRESULT Pipeline::SetRate(double rate) {
    if (!(rate > 0.0) || rate > 16.0) return E_INVALIDARG;
    if (rate == settings_.rate) return S_OK;
    settings_.rate = rate;
    return Seek(Position());
}

void Pipeline::SetVolume(LONG volume) {
    {
        std::lock_guard<std::mutex> g(levelLock_);
        if (settings_.volume == volume) return;
        settings_.volume = volume;
        ApplyVolume();
    }
    RePreroll();
}

// The block prerolled in the sink was processed with the old level and would
// be heard with it when the graph runs. While not running, decode that
// position again (the tap does not deliver the same samples twice).
void Pipeline::RePreroll() {
    if (state_ == State_Running || !prerolled_ || Ended()) return;
    if (tapProgress_) tapProgress_->suppressUntil.store(tapProgress_->deliveredEnd.load());
    Seek(Position());
}

// levelLock_ held.
void Pipeline::ApplyVolume() {
    g_object_set(volume_, "volume", DbToAmplitude(settings_.volume) * headroom_, nullptr);
}

void Pipeline::SetBalance(LONG balance) {
    if (prerolled_ && settings_.balance == balance) return;
    settings_.balance = balance;
    // Positive balance attenuates the left channel by balance/100 dB.
    const double cut = 1.0 - DbToAmplitude(-std::abs(balance));
    g_object_set(panorama_, "panorama", static_cast<gfloat>(balance >= 0 ? cut : -cut), nullptr);
    // At the centre the panorama changes nothing: buffers pass it untouched.
    gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(panorama_), balance == 0);
    RePreroll();
}

void Pipeline::ApplyCodec(const CodecSettings& s) {
    static constexpr int kShelfLow = 1, kShelfHigh = 2, kPeak = 0;
    for (guint i = 0; i < 5; ++i) {
        GObject* band = gst_child_proxy_get_child_by_index(GST_CHILD_PROXY(eq_), i);
        if (!band) continue;
        const CodecBand& b = s.bands[i];
        const int type = i == 0 ? kShelfLow : (i == 4 ? kShelfHigh : kPeak);
        // Peaks: one octave wide (fc/sqrt2..fc*sqrt2), two with the wide flag.
        const double width = type != kPeak ? b.freqHz : b.freqHz * (b.wide ? 1.5 : 0.7071);
        g_object_set(band, "type", type, "freq", static_cast<gdouble>(b.freqHz), "bandwidth", width,
                     "gain", b.gainDb, nullptr);
        g_object_unref(band);
    }
    std::lock_guard<std::mutex> g(levelLock_);
    headroom_ = HeadroomGain(s);
    ApplyVolume();
}

}  // namespace wq::media
