// The sound-server module over libpulse. One thread of its own runs a plain
// pa_mainloop; requests from other threads wake it through
// pa_mainloop_wakeup. Every pulse callback below runs on that thread, and so
// do the settings writes and the change hook, never the GUI thread.
#include "platform/device/soundserver.h"

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "platform/device/volume.h"

namespace wq::device {

bool IsHeadphonePort(const char* name, int type) {
    if (type == PA_DEVICE_PORT_TYPE_HEADPHONES) return true;
    if (!name) return false;
    const std::string_view text(name), word("headphone");
    return std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           }) != text.end();
}

namespace {

constexpr const char16_t* kSection = u"WQSETUP";

// Writes `value` unless the store already holds it; true when written.
bool MirrorFile(const char16_t* key, DWORD value) {
    DWORD stored = 0;
    if (CCommon::ReadINIFile(kSection, key, REG_DWORD, &stored) && stored == value) return false;
    return CCommon::WriteINIFile(kSection, key, REG_DWORD, &value) != 0;
}
bool MirrorMem(const char16_t* key, DWORD value) {
    DWORD stored = 0;
    if (CCommon::ReadINIMem(kSection, key, REG_DWORD, &stored) && stored == value) return false;
    return WriteMemSetting(kSection, key, value) != 0;
}

}  // namespace

struct SoundServer::Impl {
    Options options;
    ChangeHook onChange;
    pa_mainloop* loop = nullptr;
    std::thread thread;
    std::atomic<bool> quit{false};
    std::atomic<bool> connected{false};
    std::atomic<int> attempts{0};

    mutable std::mutex mutex;  // guards the three below
    std::optional<SinkState> published;
    std::optional<int> wantLevel;
    std::optional<bool> wantMute;

    // The module's thread only.
    pa_context* context = nullptr;
    bool contextEnded = false;  // set in the state callback, handled after dispatch
    bool saidUnreachable = false;
    pa_usec_t retryAt = 0;
    bool querying = false, queryAgain = false;
    std::string sinkName;  // the default output, from the last server info
    pa_cvolume sinkVolume{};
    std::optional<SinkState> read;  // from the last sink info, not yet mirrored
    bool dirty = false;

    ~Impl() {
        if (loop) pa_mainloop_free(loop);
    }

    void Run();
    void Connect();
    void Drop(const std::string& why);
    void Query();
    void QueryDone();
    void ApplyRequests();
    void Mirror();

    static void OnState(pa_context* c, void* self);
    static void OnEvent(pa_context* c, pa_subscription_event_type_t t, uint32_t, void* self);
    static void OnServerInfo(pa_context* c, const pa_server_info* info, void* self);
    static void OnSinkInfo(pa_context* c, const pa_sink_info* info, int eol, void* self);
};

constexpr int kRequestCheckUs = 200 * 1000;

void SoundServer::Impl::Run() {
    Connect();
    while (!quit) {
        // Connected or connecting: wait for the server or a request, but no
        // longer than kRequestCheckUs: a wake-up that comes in while the loop
        // prepares its poll can be cleared with it, and a request must not
        // then wait for the server's next event.
        int timeoutUs = kRequestCheckUs;
        if (!context) {
            const pa_usec_t now = pa_rtclock_now();
            timeoutUs = retryAt > now ? static_cast<int>(retryAt - now) : 0;
        }
        if (pa_mainloop_prepare(loop, timeoutUs) < 0 || pa_mainloop_poll(loop) < 0 ||
            pa_mainloop_dispatch(loop) < 0)
            break;
        // Whatever else has already arrived belongs to the same burst.
        while (!quit && pa_mainloop_iterate(loop, 0, nullptr) > 0) {
        }
        if (quit) break;
        if (contextEnded) Drop(pa_strerror(pa_context_errno(context)));
        if (!context && pa_rtclock_now() >= retryAt) Connect();
        ApplyRequests();
        Mirror();
    }
    if (context) {
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }
}

void SoundServer::Impl::Connect() {
    ++attempts;
    retryAt = pa_rtclock_now() + static_cast<pa_usec_t>(options.retryMs) * 1000;
    context = pa_context_new(pa_mainloop_get_api(loop), "wqaudio");
    if (!context) {
        Drop("out of memory");
        return;
    }
    pa_context_set_state_callback(context, &OnState, this);
    pa_context_set_subscribe_callback(context, &OnEvent, this);
    // Never start a server of our own: the desktop's is used, or none.
    const char* server = options.server.empty() ? nullptr : options.server.c_str();
    if (pa_context_connect(context, server, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        Drop(pa_strerror(pa_context_errno(context)));
}

void SoundServer::Impl::Drop(const std::string& why) {
    if (context) {
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_set_subscribe_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }
    contextEnded = false;
    querying = queryAgain = false;
    retryAt = pa_rtclock_now() + static_cast<pa_usec_t>(options.retryMs) * 1000;
    if (connected.exchange(false)) {
        Dbg(u"sound server: the connection ended (%S); trying again every %u ms", why.c_str(),
            static_cast<unsigned>(options.retryMs));
    } else if (!saidUnreachable) {
        saidUnreachable = true;
        Dbg(u"sound server: none reachable (%S); the status strip shows the stored settings",
            why.c_str());
    }
}

void SoundServer::Impl::OnState(pa_context* c, void* self) {
    auto* d = static_cast<Impl*>(self);
    switch (pa_context_get_state(c)) {
        case PA_CONTEXT_READY: {
            d->connected = true;
            const char* name = pa_context_get_server(c);
            Dbg(u"sound server: connected to %S", name ? name : "?");
            const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK |
                                                                  PA_SUBSCRIPTION_MASK_SERVER);
            if (pa_operation* op = pa_context_subscribe(c, mask, nullptr, nullptr))
                pa_operation_unref(op);
            d->Query();
            break;
        }
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            d->contextEnded = true;
            break;
        default:
            break;
    }
}

void SoundServer::Impl::OnEvent(pa_context*, pa_subscription_event_type_t t, uint32_t, void* self) {
    const int facility = t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SINK || facility == PA_SUBSCRIPTION_EVENT_SERVER)
        static_cast<Impl*>(self)->Query();
}

// One query at a time; events during it ask for one more afterwards.
void SoundServer::Impl::Query() {
    if (!context || pa_context_get_state(context) != PA_CONTEXT_READY) return;
    if (querying) {
        queryAgain = true;
        return;
    }
    pa_operation* op = pa_context_get_server_info(context, &OnServerInfo, this);
    querying = op != nullptr;
    if (op) pa_operation_unref(op);
}

void SoundServer::Impl::QueryDone() {
    querying = false;
    if (queryAgain) {
        queryAgain = false;
        Query();
    }
}

void SoundServer::Impl::OnServerInfo(pa_context* c, const pa_server_info* info, void* self) {
    auto* d = static_cast<Impl*>(self);
    d->sinkName = info && info->default_sink_name ? info->default_sink_name : "";
    pa_operation* op = pa_context_get_sink_info_by_name(
        c, d->sinkName.empty() ? "@DEFAULT_SINK@" : d->sinkName.c_str(), &OnSinkInfo, d);
    if (op)
        pa_operation_unref(op);
    else
        d->QueryDone();
}

// eol < 0: no such output (none is the default); the last state stays.
void SoundServer::Impl::OnSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* self) {
    auto* d = static_cast<Impl*>(self);
    if (eol != 0) {
        d->QueryDone();
        return;
    }
    if (!info) return;
    SinkState s;
    if (pa_cvolume_valid(&info->volume)) {
        d->sinkVolume = info->volume;
        s.volume = static_cast<double>(pa_cvolume_max(&info->volume)) / PA_VOLUME_NORM;
    } else {
        d->sinkVolume = pa_cvolume{};
    }
    s.muted = info->mute != 0;
    s.headphones =
        info->active_port && IsHeadphonePort(info->active_port->name, info->active_port->type);
    d->read = s;
    d->dirty = true;
}

void SoundServer::Impl::ApplyRequests() {
    std::optional<int> level;
    std::optional<bool> mute;
    {
        std::lock_guard lock(mutex);
        std::swap(level, wantLevel);
        std::swap(mute, wantMute);
    }
    if (!context || !connected) return;
    const char* sink = sinkName.empty() ? "@DEFAULT_SINK@" : sinkName.c_str();
    if (level) {
        const auto v = static_cast<pa_volume_t>(
            std::llround(FractionOfLevel(*level) * static_cast<double>(PA_VOLUME_NORM)));
        pa_cvolume cv = sinkVolume;
        if (pa_cvolume_valid(&cv) && pa_cvolume_max(&cv) > PA_VOLUME_MUTED)
            pa_cvolume_scale(&cv, v);  // keeps the balance
        else
            pa_cvolume_set(&cv, 1, v);  // one value: every channel
        if (pa_operation* op =
                pa_context_set_sink_volume_by_name(context, sink, &cv, nullptr, nullptr))
            pa_operation_unref(op);
    }
    if (mute) {
        if (pa_operation* op =
                pa_context_set_sink_mute_by_name(context, sink, *mute ? 1 : 0, nullptr, nullptr))
            pa_operation_unref(op);
    }
}

void SoundServer::Impl::Mirror() {
    if (!dirty || !read) return;
    dirty = false;
    {
        std::lock_guard lock(mutex);
        published = read;
    }
    bool changed = MirrorFile(u"Volume", static_cast<DWORD>(LevelOfFraction(read->volume)));
    changed = MirrorFile(u"Mute", read->muted ? 1 : 0) || changed;
    changed = MirrorMem(u"earphone", read->headphones ? 1 : 0) || changed;
    if (changed && onChange) onChange();
}

SoundServer::SoundServer(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

std::unique_ptr<SoundServer> SoundServer::Start(Options options, ChangeHook onChange) {
    auto impl = std::make_unique<Impl>();
    impl->options = std::move(options);
    impl->onChange = std::move(onChange);
    impl->loop = pa_mainloop_new();
    if (!impl->loop) return nullptr;
    Impl* d = impl.get();
    impl->thread = std::thread([d] { d->Run(); });
    return std::unique_ptr<SoundServer>(new SoundServer(std::move(impl)));
}

SoundServer::~SoundServer() {
    m_impl->quit = true;
    pa_mainloop_wakeup(m_impl->loop);
    if (m_impl->thread.joinable()) m_impl->thread.join();
}

bool SoundServer::IsConnected() const {
    return m_impl->connected;
}

std::optional<SinkState> SoundServer::LastState() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->published;
}

int SoundServer::ConnectAttempts() const {
    return m_impl->attempts;
}

void SoundServer::SetVolumeLevel(int level) {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->wantLevel = ClampLevel(level);
    }
    pa_mainloop_wakeup(m_impl->loop);
}

void SoundServer::SetMute(bool muted) {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->wantMute = muted;
    }
    pa_mainloop_wakeup(m_impl->loop);
}

}  // namespace wq::device
