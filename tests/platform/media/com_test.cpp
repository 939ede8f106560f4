// The object model: identifiers' byte layout, class registry, reference
// counting, interface identity and the sound filter's v-table slot.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/media/com.h"
#include "platform/media/dshow.h"
#include "platform/media/wqasoundfilter.h"

namespace {

using wq::media::ComPtr;

HRESULT Create(REFCLSID clsid, REFIID iid, void** out) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
}

TEST(Guid, SoundFilterIdentifiersAndWaveFormatKeepTheirStoredBytes) {
    const unsigned char clsid[16] = {0x5B, 0xE8, 0x74, 0x62, 0x8A, 0x96, 0x30, 0x4B,
                                     0xA2, 0xB3, 0x50, 0x97, 0x7A, 0xA6, 0x19, 0xD2};
    const unsigned char iid[16] = {0xC9, 0xA0, 0xC2, 0xA4, 0xBB, 0x3B, 0x86, 0x47,
                                   0xAF, 0x80, 0x48, 0x74, 0xC9, 0x21, 0x32, 0x6B};
    EXPECT_EQ(0, std::memcmp(&CLSID_WQASoundFilter, clsid, 16));
    EXPECT_EQ(0, std::memcmp(&IID_IWQASoundFilter, iid, 16));
    WAVEFORMATEX f{};
    f.nSamplesPerSec = 44100;  // bytes 4 to 7, little-endian
    EXPECT_EQ(0, std::memcmp(reinterpret_cast<const unsigned char*>(&f) + 4, "\x44\xAC\0\0", 4));
    EXPECT_EQ(18u, sizeof f);
}

TEST(Com, CreationRefusesWhatItCannotMakeAndTheGraphIsOneObject) {
    void* p = reinterpret_cast<void*>(1);
    const CLSID unknown = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(unknown, IID_IUnknown, &p));
    EXPECT_EQ(nullptr, p);
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, Create(CLSID_FilterGraph, IID_IGraphBuilder, graph.PutVoid()));
    EXPECT_EQ(E_NOINTERFACE, Create(CLSID_FilterGraph, IID_IWQASoundFilter, &p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(E_POINTER, Create(CLSID_FilterGraph, IID_IUnknown, nullptr));

    ComPtr<IMediaControl> control;
    ComPtr<IBasicAudio> audio;
    ComPtr<IUnknown> a, b;
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IMediaControl, control.PutVoid()));
    ASSERT_EQ(S_OK, graph->QueryInterface(IID_IBasicAudio, audio.PutVoid()));
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IUnknown, a.PutVoid()));
    ASSERT_EQ(S_OK, audio->QueryInterface(IID_IUnknown, b.PutVoid()));
    EXPECT_EQ(a.Get(), b.Get());
    const ULONG n = graph->AddRef();
    EXPECT_EQ(n - 1, graph->Release());
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
    void* p = nullptr;
    {
        ComPtr<IUnknown> g;
        ASSERT_EQ(S_OK, Create(CLSID_FilterGraph, IID_IGraphBuilder, g.PutVoid()));
        EXPECT_EQ(1, FakeGraph::alive);
        EXPECT_EQ(E_NOINTERFACE, g->QueryInterface(IID_IMediaSeeking, &p));
        // A failed creation destroys the object it made.
        EXPECT_EQ(E_NOINTERFACE, Create(CLSID_FilterGraph, IID_IBasicAudio, &p));
        EXPECT_EQ(1, FakeGraph::alive);
    }
    EXPECT_EQ(0, FakeGraph::alive);
    wq::media::RegisterClass(CLSID_FilterGraph, real);
    ComPtr<IMediaSeeking> seeking;
    EXPECT_EQ(S_OK, Create(CLSID_FilterGraph, IID_IMediaSeeking, seeking.PutVoid()));

    EXPECT_TRUE(wq::media::UnregisterClass(CLSID_FilterGraph));
    EXPECT_FALSE(wq::media::UnregisterClass(CLSID_FilterGraph));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(CLSID_FilterGraph, IID_IUnknown, &p));
    wq::media::RegisterClass(CLSID_FilterGraph, real);
}

TEST(Com, SetSampleCallbackSitsInTheSixthSlotAndCopiesTheRecord) {
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, Create(CLSID_WQASoundFilter, IID_IBaseFilter, filter.PutVoid()));
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
}

}  // namespace
