// The sound filter component (CLSID_WQASoundFilter) and the tap through which
// a graph hands it decoded audio.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/media/wqasoundfilter.h"

typedef struct _GstPad GstPad;

namespace wq::media {

// When the block being delivered to a sample callback is heard. Valid only
// inside the callback, on its streaming thread.
struct BlockTiming {
    // Stream position of the block's first sample, 100 ns units (compare with
    // IMediaSeeking::GetCurrentPosition on the GUI thread).
    LONGLONG mediaTime = 0;
    // True while the graph runs: `playAt` is then the moment the first sample
    // leaves the sink (pipeline clock, base time and sink latency taken into
    // account), never earlier than the moment of the call. False for a block
    // delivered while paused or prerolling: it is heard when the graph next runs.
    bool hasPlayTime = false;
    std::chrono::steady_clock::time_point playAt{};
};
// The timing of the block being delivered on the calling thread; a default
// BlockTiming outside a sample callback.
BlockTiming CurrentBlockTiming();

// What a graph's tap has delivered, shared between the tap (streaming thread)
// and its pipeline (GUI thread). Stream times in ns.
struct TapProgress {
    std::atomic<std::int64_t> deliveredEnd{-1};  // end of the last block handed to the callback
    // When the pipeline re-prerolls the same position (a setting changed while
    // paused), blocks ending at or before this time were delivered already and
    // are not delivered again; -1 when nothing is suppressed.
    std::atomic<std::int64_t> suppressUntil{-1};
};

// The filter object. Its callback registration is read by the tap of the graph
// that the filter was added to.
class SoundFilter final : public IBaseFilter, public IWQASoundFilter {
public:
    static HRESULT Create(REFIID riid, void** ppv);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return refs_.Add(); }
    ULONG Release() override;
    HRESULT GetClassID(CLSID* pClassID) override;
    HRESULT GetSampleCallback(SoundCallbackInfo* pInfo) override;
    HRESULT GetStreamFormat(WAVEFORMATEX* pFormat) override;
    HRESULT SetSampleCallback(SoundCallbackInfo* pInfo) override;

    // Installs the tap on `pad` (S16 or F32 interleaved audio; the callback
    // always gets 16-bit samples, converted only while a callback is set). The probe holds a
    // reference to this filter until the pad is destroyed. Thread: GUI thread,
    // while the pipeline is being built.
    void AttachTo(GstPad* pad, std::shared_ptr<TapProgress> progress);

    // The object behind an IBaseFilter pointer, if it is one of ours.
    static SoundFilter* FromBaseFilter(IBaseFilter* filter);

private:
    SoundFilter() = default;
    ~SoundFilter() = default;

    struct Tap;
    RefCount refs_;
    std::mutex
        lock_;  // guards info_ and format_: set on the GUI thread, read on the streaming thread
    SoundCallbackInfo info_{};
    WAVEFORMATEX format_{};
    bool hasFormat_ = false;
};

}  // namespace wq::media
