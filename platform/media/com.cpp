#include "platform/media/com.h"

#include <map>
#include <mutex>

#include "platform/media/codecpreset.h"
#include "platform/media/graph.h"
#include "platform/media/soundtap.h"

namespace {

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const {
        return std::memcmp(&a, &b, sizeof(GUID)) < 0;
    }
};

// The classes of this process; the real ones are registered from the start.
struct Registry {
    Registry() {
        classes[CLSID_FilterGraph] = &wq::media::CreateFilterGraph;
        classes[CLSID_WQASoundFilter] = &wq::media::SoundFilter::Create;
    }
    std::mutex lock;
    std::map<GUID, wq::media::ClassFactory, GuidLess> classes;
    int initCount = 0;
};

Registry& registry() {
    static Registry* r =
        new Registry;  // lives to process exit: objects may be created during teardown
    return *r;
}

}  // namespace

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD) {
    if (pvReserved != nullptr) return E_INVALIDARG;
    wq::media::InstallCodecBackend();
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    return r.initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    if (r.initCount > 0) --r.initCount;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
    wq::media::ClassFactory factory;
    {
        Registry& r = registry();
        std::lock_guard<std::mutex> g(r.lock);
        auto it = r.classes.find(rclsid);
        if (it == r.classes.end()) return REGDB_E_CLASSNOTREG;
        factory = it->second;  // called unlocked: a factory may create further objects
    }
    HRESULT hr = factory(riid, ppv);
    if (FAILED(hr)) *ppv = nullptr;
    return hr;
}

namespace wq::media {

ClassFactory RegisterClass(REFCLSID clsid, ClassFactory factory) {
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    ClassFactory& slot = r.classes[clsid];
    ClassFactory old = std::move(slot);
    slot = std::move(factory);
    return old;
}

bool UnregisterClass(REFCLSID clsid) {
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    return r.classes.erase(clsid) > 0;
}

int ComInitCount() {
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    return r.initCount;
}

}  // namespace wq::media
