// The object model: identifiers' byte layout, class registry, reference
// counting, interface identity and the sound filter's v-table slot.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/media/com.h"
#include "platform/media/dshow.h"
#include "platform/media/wqasoundfilter.h"

namespace {

using wq::media::ComPtr;

TEST(Guid, SoundFilterIdentifiersKeepTheirStoredBytes) {
    const unsigned char clsid[16] = {0x5B, 0xE8, 0x74, 0x62, 0x8A, 0x96, 0x30, 0x4B,
                                     0xA2, 0xB3, 0x50, 0x97, 0x7A, 0xA6, 0x19, 0xD2};
    const unsigned char iid[16] = {0xC9, 0xA0, 0xC2, 0xA4, 0xBB, 0x3B, 0x86, 0x47,
                                   0xAF, 0x80, 0x48, 0x74, 0xC9, 0x21, 0x32, 0x6B};
    EXPECT_EQ(0, std::memcmp(&CLSID_WQASoundFilter, clsid, 16));
    EXPECT_EQ(0, std::memcmp(&IID_IWQASoundFilter, iid, 16));
    GUID copy;
    std::memcpy(&copy, clsid, 16);
    EXPECT_TRUE(copy == CLSID_WQASoundFilter);
    copy.Data4[7] ^= 1;
    EXPECT_FALSE(copy == CLSID_WQASoundFilter);
}

TEST(Guid, WaveFormatHoldsTheRateInBytesFourToSeven) {
    WAVEFORMATEX f{};
    f.nSamplesPerSec = 0x0000AC44;  // 44100
    const auto* b = reinterpret_cast<const unsigned char*>(&f);
    EXPECT_EQ(0x44, b[4]);
    EXPECT_EQ(0xAC, b[5]);
    EXPECT_EQ(18u, sizeof f);
}

TEST(Com, InitialisationIsCounted) {
    const int before = wq::media::ComInitCount();
    EXPECT_EQ(E_INVALIDARG, CoInitializeEx(reinterpret_cast<LPVOID>(1), COINIT_MULTITHREADED));
    const HRESULT first = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(before == 0 ? S_OK : S_FALSE, first);
    EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    EXPECT_EQ(before + 2, wq::media::ComInitCount());
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(before, wq::media::ComInitCount());
    CoUninitialize();  // unmatched: never goes below zero
    EXPECT_GE(wq::media::ComInitCount(), 0);
}

TEST(Com, CreationRefusesWhatItCannotMake) {
    void* p = reinterpret_cast<void*>(1);
    const CLSID unknown = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p));
    EXPECT_EQ(nullptr, p);
    ComPtr<IUnknown> outer;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, outer.PutVoid()));
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              CoCreateInstance(CLSID_FilterGraph, outer.Get(), CLSCTX_INPROC_SERVER, IID_IUnknown, &p));
    EXPECT_EQ(E_NOINTERFACE,
              CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IWQASoundFilter, &p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(E_POINTER, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr));
}

// A class a test puts in place of the filter graph.
struct FakeGraph final : IUnknown {
    static inline int alive = 0;
    wq::media::RefCount refs;
    FakeGraph() { ++alive; }
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown && riid != IID_IGraphBuilder) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return refs.Add(); }
    ULONG Release() override {
        const ULONG n = refs.Drop();
        if (n == 0) delete this;
        return n;
    }

private:
    ~FakeGraph() { --alive; }
};

TEST(Com, ATestClassReplacesTheFilterGraphAndTheRealOneComesBack) {
    auto real = wq::media::RegisterClass(CLSID_FilterGraph, [](REFIID riid, void** ppv) {
        auto* g = new FakeGraph;
        const HRESULT hr = g->QueryInterface(riid, ppv);
        g->Release();
        return hr;
    });
    ASSERT_TRUE(real);
    {
        ComPtr<IUnknown> g;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, g.PutVoid()));
        EXPECT_EQ(1, FakeGraph::alive);
        void* seeking = nullptr;
        EXPECT_EQ(E_NOINTERFACE, g->QueryInterface(IID_IMediaSeeking, &seeking));
        // A failed creation destroys the object it made.
        void* p = nullptr;
        EXPECT_EQ(E_NOINTERFACE, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IBasicAudio, &p));
        EXPECT_EQ(1, FakeGraph::alive);
    }
    EXPECT_EQ(0, FakeGraph::alive);
    wq::media::RegisterClass(CLSID_FilterGraph, real);
    ComPtr<IMediaSeeking> seeking;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaSeeking, seeking.PutVoid()));

    EXPECT_TRUE(wq::media::UnregisterClass(CLSID_FilterGraph));
    EXPECT_FALSE(wq::media::UnregisterClass(CLSID_FilterGraph));
    void* p = nullptr;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p));
    wq::media::RegisterClass(CLSID_FilterGraph, real);
}

TEST(Com, EveryInterfaceOfTheGraphIsOneObject) {
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.PutVoid()));
    ComPtr<IMediaControl> control;
    ComPtr<IBasicAudio> audio;
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IMediaControl, control.PutVoid()));
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IBasicAudio, audio.PutVoid()));
    ComPtr<IUnknown> a, b;
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IUnknown, a.PutVoid()));
    ASSERT_EQ(S_OK, audio->QueryInterface(IID_IUnknown, b.PutVoid()));
    EXPECT_EQ(a.Get(), b.Get());
    // Each QueryInterface added one reference: release returns to what was there.
    const ULONG n = graph->AddRef();
    EXPECT_EQ(n - 1, graph->Release());
}

TEST(Com, SetSampleCallbackSitsInTheSixthSlotAndCopiesTheRecord) {
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WQASoundFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.PutVoid()));
    CLSID id{};
    ASSERT_EQ(S_OK, filter->GetClassID(&id));
    EXPECT_TRUE(id == CLSID_WQASoundFilter);
    ComPtr<IWQASoundFilter> ctrl;
    ASSERT_EQ(S_OK, filter->QueryInterface(IID_IWQASoundFilter, ctrl.PutVoid()));

    int owner = 0;
    auto cb = +[](void*, short*, int, WAVEFORMATEX*) {};
    {
        SoundCallbackInfo onStack{&owner, cb};
        // Call through the sixth v-table entry, as code compiled against the
        // device's header does.
        using Slot = HRESULT (*)(IWQASoundFilter*, SoundCallbackInfo*);
        Slot sixth = (*reinterpret_cast<Slot**>(ctrl.Get()))[5];
        EXPECT_GE(sixth(ctrl.Get(), &onStack), 0);
        std::memset(&onStack, 0xAB, sizeof onStack);  // the caller's record is gone
    }
    SoundCallbackInfo back{};
    ASSERT_EQ(S_OK, ctrl->GetSampleCallback(&back));
    EXPECT_EQ(&owner, back.context);
    EXPECT_EQ(cb, back.callback);
    WAVEFORMATEX fmt{};
    EXPECT_EQ(S_FALSE, ctrl->GetStreamFormat(&fmt));  // nothing delivered yet
    ctrl->SetSampleCallback(nullptr);
    ASSERT_EQ(S_OK, ctrl->GetSampleCallback(&back));
    EXPECT_EQ(nullptr, back.callback);
}

}  // namespace
