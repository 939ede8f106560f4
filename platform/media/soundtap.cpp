#include "platform/media/soundtap.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <algorithm>
#include <vector>

#include "platform/base/handover.h"
#include "platform/media/gstsetup.h"

namespace wq::media {
namespace {

thread_local BlockTiming tCurrentTiming;

// A private identifier that only objects of this class answer, so that
// FromBaseFilter recognises them behind any IBaseFilter pointer.
constexpr IID kIID_SoundFilterObject = {
    0x3D1B6E0A, 0x7C5F, 0x4E55, {0x9B, 0x21, 0x57, 0x51, 0x51, 0x41, 0x50, 0x00}};

}  // namespace

// Per-pad state of the tap; lives as the probes' user data.
struct SoundFilter::Tap {
    SoundFilter* filter;
    std::shared_ptr<TapProgress> progress;
    GstSegment segment;
    WAVEFORMATEX format{};
    bool hasFormat = false;
    bool isFloat = false;          // the pad carries F32, converted for the callback
    std::vector<short> converted;  // the callback's 16-bit copy; grows, never shrinks
    // The pipeline the pad belongs to (found once: a pad never changes
    // pipelines, and the pipeline outlives its pads), and its clock as last
    // seen with the base time it was read at: both change only when the
    // pipeline starts running again, which also sets a new base time.
    GstElement* top = nullptr;
    GstClock* clock = nullptr;
    GstClockTime clockBase = GST_CLOCK_TIME_NONE;

    Tap(SoundFilter* f, std::shared_ptr<TapProgress> p) : filter(f), progress(std::move(p)) {
        filter->AddRef();
        gst_segment_init(&segment, GST_FORMAT_TIME);
    }
    ~Tap() {
        if (clock) gst_object_unref(clock);
        filter->Release();
    }

    static void Destroy(gpointer p) { delete static_cast<Tap*>(p); }

    void OnCaps(GstCaps* caps) {
        GstAudioInfo info;
        if (!gst_audio_info_from_caps(&info, caps) ||
            (GST_AUDIO_INFO_FORMAT(&info) != GST_AUDIO_FORMAT_S16 &&
             GST_AUDIO_INFO_FORMAT(&info) != GST_AUDIO_FORMAT_F32) ||
            GST_AUDIO_INFO_LAYOUT(&info) != GST_AUDIO_LAYOUT_INTERLEAVED)
            return;
        isFloat = GST_AUDIO_INFO_FORMAT(&info) == GST_AUDIO_FORMAT_F32;
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = static_cast<WORD>(GST_AUDIO_INFO_CHANNELS(&info));
        format.nSamplesPerSec = static_cast<DWORD>(GST_AUDIO_INFO_RATE(&info));
        format.wBitsPerSample = 16;
        format.nBlockAlign = static_cast<WORD>(2 * format.nChannels);
        format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
        format.cbSize = 0;
        hasFormat = true;
        std::lock_guard<std::mutex> g(filter->lock_);
        filter->format_ = format;
        filter->hasFormat_ = true;
    }

    // The pipeline the pad's element sits in, or null (an element outside one).
    GstElement* Top(GstPad* pad) {
        if (top) return top;
        GstObject* up = gst_pad_get_parent(pad);
        while (up) {
            if (GST_IS_PIPELINE(up)) {
                top = GST_ELEMENT(up);  // not kept referenced: it owns this tap
                gst_object_unref(up);
                return top;
            }
            GstObject* next = gst_object_get_parent(up);
            gst_object_unref(up);
            up = next;
        }
        return nullptr;
    }

    // The play time of a buffer starting at `pts`.
    BlockTiming TimingOf(GstPad* pad, GstClockTime pts) {
        BlockTiming t;
        if (!GST_CLOCK_TIME_IS_VALID(pts)) return t;
        const guint64 stream = gst_segment_to_stream_time(&segment, GST_FORMAT_TIME, pts);
        if (GST_CLOCK_TIME_IS_VALID(stream)) t.mediaTime = static_cast<LONGLONG>(stream / 100);
        GstElement* pipeline = Top(pad);
        if (!pipeline || GST_STATE(pipeline) != GST_STATE_PLAYING) return t;
        const GstClockTime base = gst_element_get_base_time(pipeline);
        if (!clock || base != clockBase) {
            if (clock) gst_object_unref(clock);
            clock = gst_element_get_clock(pipeline);
            clockBase = base;
        }
        const guint64 running = gst_segment_to_running_time(&segment, GST_FORMAT_TIME, pts);
        if (!clock || !GST_CLOCK_TIME_IS_VALID(running)) return t;
        GstClockTime latency = gst_pipeline_get_latency(GST_PIPELINE(pipeline));
        if (!GST_CLOCK_TIME_IS_VALID(latency)) latency = 0;
        const auto now = std::chrono::steady_clock::now();
        const gint64 due = static_cast<gint64>(base + running + latency);
        const gint64 delay = due - static_cast<gint64>(gst_clock_get_time(clock));
        // A block that arrives late (the decoder fell behind) is heard at once.
        t.playAt = now + std::chrono::nanoseconds(std::max<gint64>(delay, 0));
        t.hasPlayTime = true;
        return t;
    }

    // Float samples to 16 bits as the converter does without dithering: full
    // scale is 32768, rounded to nearest and clipped, so 16-bit sound that was
    // widened to float comes back bit for bit.
    const short* ToShort(const float* in, std::size_t count) {
        if (converted.size() < count) converted.resize(count);
        short* out = converted.data();
        for (std::size_t i = 0; i < count; ++i) {
            // Written so that NaN lands on a limit rather than in an undefined cast.
            const float x = in[i] * 32768.0f;
            const float v = x >= 32767.0f ? 32767.0f : (x >= -32768.0f ? x : -32768.0f);
            out[i] = static_cast<short>(v >= 0.0f ? v + 0.5f : v - 0.5f);
        }
        return out;
    }

    // Streaming thread. Calls the registered callback; never blocks on the GUI.
    void OnBuffer(GstPad* pad, GstBuffer* buffer) {
        NoteFirstBlock();
        const GstClockTime pts = GST_BUFFER_PTS(buffer);
        if (GST_CLOCK_TIME_IS_VALID(pts) && GST_BUFFER_DURATION_IS_VALID(buffer)) {
            const guint64 end = gst_segment_to_stream_time(&segment, GST_FORMAT_TIME,
                                                           pts + GST_BUFFER_DURATION(buffer));
            if (GST_CLOCK_TIME_IS_VALID(end)) {
                const std::int64_t e = static_cast<std::int64_t>(end);
                const std::int64_t suppress = progress->suppressUntil.load();
                if (suppress >= 0) {
                    if (e <= suppress + static_cast<std::int64_t>(GST_MSECOND))
                        return;  // heard once already
                    progress->suppressUntil.store(-1);
                }
                progress->deliveredEnd.store(e);
            }
        }
        SoundCallbackInfo cb;
        {
            std::lock_guard<std::mutex> g(filter->lock_);
            cb = filter->info_;
        }
        if (!cb.callback || !hasFormat) return;
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
        tCurrentTiming = TimingOf(pad, GST_BUFFER_PTS(buffer));
        WAVEFORMATEX fmt = format;  // the callback gets its own copy to read
        const short* samples = reinterpret_cast<const short*>(map.data);
        int bytes = static_cast<int>(map.size);
        if (isFloat) {
            const std::size_t count = map.size / sizeof(float);
            samples = ToShort(reinterpret_cast<const float*>(map.data), count);
            bytes = static_cast<int>(count * sizeof(short));
        }
        // The samples are read-only: the callback's signature predates const.
        cb.callback(cb.context, const_cast<short*>(samples), bytes, &fmt);
        tCurrentTiming = BlockTiming{};
        gst_buffer_unmap(buffer, &map);
    }
};

BlockTiming CurrentBlockTiming() {
    return tCurrentTiming;
}

HRESULT SoundFilter::Create(REFIID riid, void** ppv) {
    auto* f = new SoundFilter;
    const HRESULT hr = f->QueryInterface(riid, ppv);
    f->Release();
    return hr;
}

HRESULT SoundFilter::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IBaseFilter || riid == kIID_SoundFilterObject) {
        *ppv = static_cast<IBaseFilter*>(this);
    } else if (riid == IID_IWQASoundFilter) {
        *ppv = static_cast<IWQASoundFilter*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG SoundFilter::Release() {
    const ULONG n = refs_.Drop();
    if (n == 0) delete this;
    return n;
}

HRESULT SoundFilter::GetClassID(CLSID* pClassID) {
    if (!pClassID) return E_POINTER;
    *pClassID = CLSID_WQASoundFilter;
    return S_OK;
}

HRESULT SoundFilter::GetSampleCallback(SoundCallbackInfo* pInfo) {
    if (!pInfo) return E_POINTER;
    std::lock_guard<std::mutex> g(lock_);
    *pInfo = info_;
    return S_OK;
}

HRESULT SoundFilter::GetStreamFormat(WAVEFORMATEX* pFormat) {
    if (!pFormat) return E_POINTER;
    std::lock_guard<std::mutex> g(lock_);
    *pFormat = format_;
    return hasFormat_ ? S_OK : S_FALSE;
}

HRESULT SoundFilter::SetSampleCallback(SoundCallbackInfo* pInfo) {
    std::lock_guard<std::mutex> g(lock_);
    info_ = (pInfo && pInfo->callback) ? *pInfo : SoundCallbackInfo{};
    return S_OK;
}

SoundFilter* SoundFilter::FromBaseFilter(IBaseFilter* filter) {
    if (!filter) return nullptr;
    void* p = nullptr;
    if (FAILED(filter->QueryInterface(kIID_SoundFilterObject, &p))) return nullptr;
    auto* self = static_cast<SoundFilter*>(static_cast<IBaseFilter*>(p));
    self->Release();
    return self;
}

void SoundFilter::AttachTo(GstPad* pad, std::shared_ptr<TapProgress> progress) {
    auto* tap = new Tap(this, std::move(progress));
    // One probe for buffers and serialized events keeps caps, segment and
    // buffers in stream order on the streaming thread.
    gst_pad_add_probe(
        pad,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                     GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        [](GstPad* p, GstPadProbeInfo* info, gpointer data) -> GstPadProbeReturn {
            auto* t = static_cast<Tap*>(data);
            // The pipeline hands the tap over at its start and takes it back
            // when its streams have stopped (pipeline.cpp).
            const CallbackScope scope(t->progress.get());
            if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
                t->OnBuffer(p, GST_PAD_PROBE_INFO_BUFFER(info));
            } else if (GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info)) {
                if (GST_EVENT_TYPE(ev) == GST_EVENT_CAPS) {
                    GstCaps* caps = nullptr;
                    gst_event_parse_caps(ev, &caps);
                    t->OnCaps(caps);
                } else if (GST_EVENT_TYPE(ev) == GST_EVENT_SEGMENT) {
                    const GstSegment* seg = nullptr;
                    gst_event_parse_segment(ev, &seg);
                    gst_segment_copy_into(seg, &t->segment);
                } else if (GST_EVENT_TYPE(ev) == GST_EVENT_FLUSH_STOP) {
                    gst_segment_init(&t->segment, GST_FORMAT_TIME);
                }
            }
            return GST_PAD_PROBE_OK;
        },
        tap, &Tap::Destroy);
}

}  // namespace wq::media
