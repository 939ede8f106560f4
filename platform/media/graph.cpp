#include "platform/media/graph.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/fs/root.h"
#include "platform/media/pipeline.h"
#include "platform/media/soundtap.h"

namespace wq::media {
namespace {

class FilterGraph final : public IGraphBuilder,
                          public IMediaControl,
                          public IMediaSeeking,
                          public IBasicAudio,
                          public IMediaEvent {
public:
    FilterGraph() = default;

    // IUnknown (one identity for every interface).
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IGraphBuilder || riid == IID_IFilterGraph) {
            *ppv = static_cast<IGraphBuilder*>(this);
        } else if (riid == IID_IMediaControl) {
            *ppv = static_cast<IMediaControl*>(this);
        } else if (riid == IID_IMediaSeeking) {
            *ppv = static_cast<IMediaSeeking*>(this);
        } else if (riid == IID_IBasicAudio) {
            *ppv = static_cast<IBasicAudio*>(this);
        } else if (riid == IID_IMediaEvent) {
            *ppv = static_cast<IMediaEvent*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return refs_.Add(); }
    ULONG Release() override {
        const ULONG n = refs_.Drop();
        if (n == 0) delete this;
        return n;
    }

    // IFilterGraph / IGraphBuilder
    HRESULT AddFilter(IBaseFilter* filter, LPCWSTR) override {
        if (!filter) return E_POINTER;
        filter->AddRef();
        filters_.push_back(filter);
        return S_OK;
    }
    HRESULT RemoveFilter(IBaseFilter* filter) override {
        for (auto it = filters_.begin(); it != filters_.end(); ++it) {
            if (*it == filter) {
                (*it)->Release();
                filters_.erase(it);
                return S_OK;
            }
        }
        return VFW_E_NOT_FOUND;
    }
    HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override {
        if (!file) return E_POINTER;
        if (playList && *playList) return E_INVALIDARG;
        pipeline_.reset();  // one file per graph: a second render replaces the first
        const auto host = wq::fs::ToHostPath(std::u16string_view(file), false);
        if (!host) return VFW_E_NOT_FOUND;
        SoundFilter* tap = nullptr;
        for (IBaseFilter* f : filters_) {
            if ((tap = SoundFilter::FromBaseFilter(f))) break;
        }
        std::string why;
        pipeline_ = Pipeline::Create(*host, tap, settings_, &why);
        lastError_ = why;
        return pipeline_ ? S_OK : VFW_E_CANNOT_RENDER;
    }

    // IMediaControl
    HRESULT Run() override { return pipeline_ ? pipeline_->Run() : S_OK; }
    HRESULT Pause() override { return pipeline_ ? pipeline_->Pause() : S_OK; }
    HRESULT Stop() override { return pipeline_ ? pipeline_->Stop() : S_OK; }
    HRESULT GetState(LONG, OAFilterState* fs) override {
        if (!fs) return E_POINTER;
        *fs = pipeline_ ? pipeline_->State() : State_Stopped;
        return S_OK;
    }

    // IMediaSeeking
    HRESULT GetDuration(LONGLONG* d) override {
        if (!d) return E_POINTER;
        *d = pipeline_ ? pipeline_->Duration() : 0;
        return S_OK;
    }
    HRESULT GetCurrentPosition(LONGLONG* p) override {
        if (!p) return E_POINTER;
        *p = pipeline_ ? pipeline_->Position() : 0;
        return S_OK;
    }
    HRESULT GetStopPosition(LONGLONG* p) override { return GetDuration(p); }
    HRESULT SetPositions(LONGLONG* cur, DWORD curFlags, LONGLONG*, DWORD) override {
        const DWORD how = curFlags & AM_SEEKING_PositioningBitsMask;
        if (how == AM_SEEKING_NoPositioning) return S_OK;
        if (!cur) return E_POINTER;
        if (!pipeline_) return S_OK;
        LONGLONG target = *cur;
        if (how == AM_SEEKING_RelativePositioning || how == AM_SEEKING_IncrementalPositioning)
            target += pipeline_->Position();
        else if (how != AM_SEEKING_AbsolutePositioning)
            return E_INVALIDARG;
        return pipeline_->Seek(target);
    }
    HRESULT SetRate(double rate) override {
        if (!(rate > 0.0) || rate > 16.0) return E_INVALIDARG;
        settings_.rate = rate;
        return pipeline_ ? pipeline_->SetRate(rate) : S_OK;
    }
    HRESULT GetRate(double* rate) override {
        if (!rate) return E_POINTER;
        *rate = settings_.rate;
        return S_OK;
    }

    // IBasicAudio
    HRESULT put_Volume(LONG v) override {
        if (v < -10000 || v > 0) return E_INVALIDARG;
        settings_.volume = v;
        if (pipeline_) pipeline_->SetVolume(v);
        return S_OK;
    }
    HRESULT get_Volume(LONG* v) override {
        if (!v) return E_POINTER;
        *v = settings_.volume;
        return S_OK;
    }
    HRESULT put_Balance(LONG b) override {
        if (b < -10000 || b > 10000) return E_INVALIDARG;
        settings_.balance = b;
        if (pipeline_) pipeline_->SetBalance(b);
        return S_OK;
    }
    HRESULT get_Balance(LONG* b) override {
        if (!b) return E_POINTER;
        *b = settings_.balance;
        return S_OK;
    }

    // IMediaEvent
    HRESULT GetEvent(LONG* code, LONG_PTR* p1, LONG_PTR* p2, LONG msTimeout) override {
        if (!code || !p1 || !p2) return E_POINTER;
        *p1 = *p2 = 0;
        // A negative timeout waits as long as a pipeline exists to end.
        for (LONG waited = 0;; waited += 10) {
            if (!pipeline_) return E_ABORT;
            if (pipeline_->PopEvent(code)) return S_OK;
            if (msTimeout >= 0 && waited >= msTimeout) return E_ABORT;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    HRESULT FreeEventParams(LONG, LONG_PTR, LONG_PTR) override { return S_OK; }

private:
    ~FilterGraph() {
        pipeline_.reset();  // stops the streaming threads before the filters go
        for (IBaseFilter* f : filters_) f->Release();
    }

    RefCount refs_;
    std::vector<IBaseFilter*> filters_;
    std::unique_ptr<Pipeline> pipeline_;
    PlaySettings settings_;
    std::string lastError_;
};

}  // namespace

HRESULT CreateFilterGraph(REFIID riid, void** ppv) {
    FilterGraph* g = new FilterGraph;
    const HRESULT hr = g->QueryInterface(riid, ppv);
    g->Release();
    return hr;
}

}  // namespace wq::media
