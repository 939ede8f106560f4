#include "tests/player/test_graph.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/base/utf.h"
#include "platform/fs/root.h"
#include "platform/win/winapi.h"

namespace {

TestGraphWorld* g_world = nullptr;

class TestGraph final : public IGraphBuilder, public IMediaControl, public IMediaSeeking, public IBasicAudio {
public:
    explicit TestGraph(TestGraphWorld* world) : m_world(world) {
        ++world->graphsCreated;
        world->current = &m_state;
    }
    ~TestGraph() {
        if (m_world->current == &m_state) m_world->current = nullptr;
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IGraphBuilder || riid == IID_IFilterGraph)
            *ppv = static_cast<IGraphBuilder*>(this);
        else if (riid == IID_IMediaControl) *ppv = static_cast<IMediaControl*>(this);
        else if (riid == IID_IMediaSeeking) *ppv = static_cast<IMediaSeeking*>(this);
        else if (riid == IID_IBasicAudio) *ppv = static_cast<IBasicAudio*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG n = --m_refs;
        if (n == 0) delete this;
        return n;
    }

    HRESULT AddFilter(IBaseFilter*, LPCWSTR) override { return S_OK; }
    HRESULT RemoveFilter(IBaseFilter*) override { return S_OK; }
    HRESULT RenderFile(LPCWSTR file, LPCWSTR) override {
        const std::u16string path = file ? file : u"";
        m_world->calls.push_back("render " + wq::Utf16ToUtf8(path));
        if (m_world->failing.count(path)) return E_FAIL;
        // Like the real graph, only an existing regular file can be rendered.
        struct stat st {};
        const auto host = wq::fs::ToHostPath(path, false);
        if (!host || ::stat(host->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return E_FAIL;
        m_state.path = path;
        m_state.rendered = true;
        auto it = m_world->durationMs.find(path);
        m_state.durationMs = it == m_world->durationMs.end() ? m_world->defaultMs : it->second;
        return S_OK;
    }

    HRESULT Run() override {
        m_world->calls.push_back("run");
        if (!m_state.running) {
            m_state.running = true;
            m_state.runStartTick = GetTickCount();
        }
        return S_OK;
    }
    HRESULT Pause() override {
        m_world->calls.push_back("pause");
        Freeze();
        return S_OK;
    }
    HRESULT Stop() override {
        m_world->calls.push_back("stop");
        Freeze();
        return S_OK;
    }
    HRESULT GetState(LONG, OAFilterState* s) override {
        if (s) *s = m_state.running ? State_Running : State_Paused;
        return S_OK;
    }

    HRESULT GetDuration(LONGLONG* d) override {
        if (d) *d = m_state.durationMs * 10000;
        return S_OK;
    }
    HRESULT GetCurrentPosition(LONGLONG* p) override {
        if (p) *p = m_state.Position() * 10000;
        return S_OK;
    }
    HRESULT GetStopPosition(LONGLONG* p) override { return GetDuration(p); }
    HRESULT SetPositions(LONGLONG* cur, DWORD flags, LONGLONG*, DWORD) override {
        if (cur && (flags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_AbsolutePositioning) {
            m_world->calls.push_back("seek " + std::to_string(*cur / 10000));
            m_state.positionMs = std::min(*cur / 10000, m_state.durationMs);
            m_state.runStartTick = GetTickCount();
        }
        return S_OK;
    }
    HRESULT SetRate(double) override { return S_OK; }
    HRESULT GetRate(double* r) override {
        if (r) *r = 1.0;
        return S_OK;
    }

    HRESULT put_Volume(LONG v) override {
        m_state.volume = v;
        m_world->calls.push_back("volume " + std::to_string(v));
        return S_OK;
    }
    HRESULT get_Volume(LONG* v) override {
        if (v) *v = m_state.volume;
        return S_OK;
    }
    HRESULT put_Balance(LONG) override { return S_OK; }
    HRESULT get_Balance(LONG* b) override {
        if (b) *b = 0;
        return S_OK;
    }

private:
    void Freeze() {
        m_state.positionMs = m_state.Position();
        m_state.running = false;
    }

    TestGraphWorld* m_world;
    TestGraphWorld::State m_state;
    ULONG m_refs = 1;
};

wq::media::ClassFactory g_realFactory;

}  // namespace

TestGraphWorld::TestGraphWorld() {
    g_world = this;
    g_realFactory = wq::media::RegisterClass(CLSID_FilterGraph, [](REFIID riid, void** ppv) {
        auto* graph = new TestGraph(g_world);
        const HRESULT hr = graph->QueryInterface(riid, ppv);
        graph->Release();
        return hr;
    });
}

TestGraphWorld::~TestGraphWorld() {
    if (g_realFactory) wq::media::RegisterClass(CLSID_FilterGraph, g_realFactory);
    g_world = nullptr;
}

LONGLONG TestGraphWorld::State::Position() const {
    LONGLONG p = positionMs;
    if (running) p += static_cast<DWORD>(GetTickCount() - runStartTick);
    return std::min(p, durationMs);
}

LONGLONG TestGraphWorld::PositionMs() const { return current ? current->Position() : -1; }

int TestGraphWorld::Count(const std::string& prefix) const {
    return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                          [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
}

std::string TestGraphWorld::Last(const std::string& prefix) const {
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (it->rfind(prefix, 0) == 0) return *it;
    }
    return {};
}
