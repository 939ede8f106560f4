#include "platform/device/keyclick.h"

#include <canberra.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/device/common.h"

namespace wq::device {

struct KeyClick::Impl {
    std::mutex mutex;
    std::condition_variable wake;
    bool pending = false;
    bool quit = false;
    std::thread thread;
    std::atomic<int> started{0};
    std::atomic<int> outcome{1};
    std::atomic<bool> said{false};

    void Say(int error) {
        if (error < 0 && !said.exchange(true))
            Dbg(u"key click: not played (%S); clicks stay silent", ca_strerror(error));
    }

    // libcanberra calls this on a thread of its own when the sound has ended
    // or failed; this object outlives the context (destroyed in Run).
    static void Finished(ca_context*, uint32_t, int error, void* self) {
        auto* d = static_cast<Impl*>(self);
        d->outcome = error;
        d->Say(error);
    }

    void Run() {
        ca_context* context = nullptr;
        for (;;) {
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [&] { return pending || quit; });
                if (quit) break;
                pending = false;
            }
            if (!context) {
                const int r = ca_context_create(&context);
                if (r < 0) {
                    context = nullptr;
                    Say(r);
                    continue;
                }
                ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "wqaudio",
                                        CA_PROP_APPLICATION_ID, "org.wqaudio.Player", nullptr);
            }
            ca_proplist* props = nullptr;
            if (ca_proplist_create(&props) < 0) continue;
            ca_proplist_sets(props, CA_PROP_EVENT_ID, kEventId);
            ca_proplist_sets(props, CA_PROP_EVENT_DESCRIPTION, "Key click");
            ++started;
            const int r = ca_context_play_full(context, 1, props, &Finished, this);
            ca_proplist_destroy(props);
            if (r < 0) {
                outcome = r;
                Say(r);
            }
        }
        if (context) ca_context_destroy(context);
    }
};

KeyClick::KeyClick(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

std::unique_ptr<KeyClick> KeyClick::Start() {
    auto impl = std::make_unique<Impl>();
    Impl* d = impl.get();
    impl->thread = std::thread([d] { d->Run(); });
    return std::unique_ptr<KeyClick>(new KeyClick(std::move(impl)));
}

KeyClick::~KeyClick() {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->quit = true;
    }
    m_impl->wake.notify_one();
    m_impl->thread.join();
}

void KeyClick::Play() {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->pending = true;
    }
    m_impl->wake.notify_one();
}

int KeyClick::Started() const {
    return m_impl->started;
}

int KeyClick::LastOutcome() const {
    return m_impl->outcome;
}

}  // namespace wq::device
