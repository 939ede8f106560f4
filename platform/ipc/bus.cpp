// Connection, bus thread, publishing of window names and calls to other
// programs. Incoming calls are in bus_incoming.cpp.
#include "platform/ipc/bus.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <future>
#include <set>

#include "platform/base/handover.h"
#include "platform/base/utf.h"
#include "platform/ipc/bus_impl.h"
#include "platform/ipc/names.h"

namespace wq::ipc {
namespace {

// Calls to the bus daemon itself (name owner look-ups, name requests): the
// daemon answers at once unless it is gone.
constexpr int kDaemonTimeoutMs = 2000;
// How long a closing program waits for the answers to its last posts.
constexpr int kPostDrainMs = 1000;

std::string TakeError(GError* error) {
    std::string text = error ? error->message : "unknown error";
    if (error) g_error_free(error);
    return text;
}

GVariant* CallDaemon(GDBusConnection* conn, const char* method, GVariant* args,
                     const char* replyType, std::string* error) {
    GError* e = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        conn, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method, args,
        G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, kDaemonTimeoutMs, nullptr, &e);
    if (!reply && error)
        *error = TakeError(e);
    else if (!reply)
        g_error_free(e);
    return reply;
}

// One outgoing call, shared between the waiting GUI thread and the reply
// callback on the bus thread.
struct Pending {
    std::mutex mutex;
    std::condition_variable finished;  // for senders that are not the GUI thread
    bool done = false;
    GVariant* reply = nullptr;
    std::string error;
    ~Pending() {
        if (reply) g_variant_unref(reply);
    }
};

struct CallStart {
    GDBusConnection* conn;
    std::string dest, path, iface, method, replyType;
    GVariant* args;
    int timeoutMs;
    std::shared_ptr<Pending> pending;
    std::shared_ptr<Shared> shared;
};

// Bus thread: a peer that lets a call time out is silent until it answers one.
void NoteAnswer(Shared& shared, const std::string& peer, GVariant* reply, const GError* error) {
    const bool timedOut = !reply && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT);
    if (!reply && !timedOut) return;
    std::lock_guard lock(shared.silentMutex);
    if (timedOut)
        shared.silent.insert(peer);
    else
        shared.silent.erase(peer);
}

void MarkSilent(Shared& shared, const std::string& peer) {
    std::lock_guard lock(shared.silentMutex);
    shared.silent.insert(peer);
}

void OnCallDone(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<CallStart> start(static_cast<CallStart*>(data));
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    NoteAnswer(*start->shared, start->dest, reply, error);
    {
        std::lock_guard lock(start->pending->mutex);
        start->pending->reply = reply;
        if (!reply) start->pending->error = TakeError(error);
        start->pending->done = true;
    }
    start->pending->finished.notify_all();
    // Wakes the waiting GUI thread; an empty sent task is harmless if it has
    // stopped waiting.
    if (Host* host = start->shared->host.load()) host->SendTask([] {});
}

gboolean StartCall(gpointer data) {
    auto* start = static_cast<CallStart*>(data);
    TakeOver(start);  // queued by Call on another thread
    GVariant* args = start->args;
    start->args = nullptr;
    g_dbus_connection_call(
        start->conn, start->dest.c_str(), start->path.c_str(), start->iface.c_str(),
        start->method.c_str(), args, G_VARIANT_TYPE(start->replyType.c_str()),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, start->timeoutMs, nullptr, OnCallDone, start);
    if (args) g_variant_unref(args);  // the call holds its own reference
    return G_SOURCE_REMOVE;
}

// A posted message: started on the bus thread (so calls leave in the order
// they were made, sends and posts alike) with an answer that is only counted.
struct PostStart {
    std::shared_ptr<Shared> shared;
    std::string dest, path;
    const char* method;
    GVariant* args;
    int timeoutMs;
};

void OnPostAnswered(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<PostStart> start(static_cast<PostStart*>(data));
    GError* error = nullptr;
    if (GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error))
        g_variant_unref(reply);
    else
        g_error_free(error);  // a refused or lost post is the receiver's business
    {
        std::lock_guard lock(start->shared->postsMutex);
        --start->shared->unansweredPosts;
    }
    start->shared->postsAnswered.notify_all();
}

gboolean StartPost(gpointer data) {
    TakeOver(data);  // queued by Post on another thread
    auto* start = static_cast<PostStart*>(data);
    GVariant* args = start->args;
    start->args = nullptr;
    g_dbus_connection_call(start->shared->conn, start->dest.c_str(), start->path.c_str(),
                           kWindowInterface, start->method, args, nullptr,
                           G_DBUS_CALL_FLAGS_NO_AUTO_START, start->timeoutMs, nullptr,
                           OnPostAnswered, start);
    if (args) g_variant_unref(args);  // the call holds its own reference
    return G_SOURCE_REMOVE;
}

// Whether this program owns kForegroundName now. Asked on the GUI thread when a
// loss is handled: this program may have come forward again meanwhile, and
// its own request went to the daemon before this question.
bool OwnsForeground(Shared& shared) {
    GVariant* reply = CallDaemon(shared.conn, "GetNameOwner", g_variant_new("(s)", kForegroundName),
                                 "(s)", nullptr);
    if (!reply) return false;
    const gchar* owner = nullptr;
    g_variant_get(reply, "(&s)", &owner);
    const bool ours = shared.unique == owner;
    g_variant_unref(reply);
    return ours;
}

// Bus thread: this program lost kForegroundName to another one.
void OnForegroundLost(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                      GVariant*, gpointer data) {
    auto* shared = static_cast<std::shared_ptr<Shared>*>(data);
    Host* host = (*shared)->host.load();
    if (!host) return;
    host->PostTask([s = *shared] {
        Host* h = s->host.load();
        if (h && !OwnsForeground(*s)) h->LostForeground();
    });
}

gboolean QuitLoop(gpointer data) {
    TakeOver(data);  // queued by the destructor on the GUI thread
    g_main_loop_quit(static_cast<GMainLoop*>(data));
    return G_SOURCE_REMOVE;
}

}  // namespace

namespace {
std::mutex g_sayMutex;
std::function<void(const std::string&)> g_say;
}  // namespace

void SetSayHook(std::function<void(const std::string& text)> hook) {
    std::lock_guard lock(g_sayMutex);
    g_say = std::move(hook);
}

namespace {
// With g_sayMutex held.
void SayLocked(const std::string& text) {
    if (g_say) {
        g_say(text);
        return;
    }
    std::fprintf(stderr, "%s\n", text.c_str());  // stderr is unbuffered: the line is out at once
}
}  // namespace

void SayOnce(const std::string& text) {
    static std::set<std::string> said;
    std::lock_guard lock(g_sayMutex);
    if (said.insert(text).second) SayLocked(text);
}

void Say(const std::string& text) {
    std::lock_guard lock(g_sayMutex);
    SayLocked(text);
}

std::unique_ptr<Bus> Bus::Create(Host& host, BusOptions options) {
    GError* error = nullptr;
    gchar* address = options.address.empty()
                         ? g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error)
                         : g_strdup(options.address.c_str());
    GDBusConnection* conn = nullptr;
    if (address) {
        conn = g_dbus_connection_new_for_address_sync(
            address,
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        g_free(address);
    }
    if (!conn) {
        SayOnce("desktop bus: no session bus (" + TakeError(error) + "); running alone");
        return nullptr;
    }
    g_dbus_connection_set_exit_on_close(conn, FALSE);

    auto impl = std::make_unique<Impl>();
    impl->options = options;
    impl->unique = g_dbus_connection_get_unique_name(conn);
    impl->shared->conn = conn;
    impl->shared->host = &host;
    impl->shared->uid = getuid();
    impl->shared->unique = impl->unique;
    impl->shared->maxPending = options.maxPending > 0 ? options.maxPending : 1;
    impl->context = g_main_context_new();
    impl->loop = g_main_loop_new(impl->context, FALSE);
    Impl* raw = impl.get();
    impl->thread = std::thread([raw] {
        g_main_context_push_thread_default(raw->context);
        raw->foregroundWatch = g_dbus_connection_signal_subscribe(
            raw->shared->conn, "org.freedesktop.DBus", "org.freedesktop.DBus", "NameLost",
            "/org/freedesktop/DBus", kForegroundName, G_DBUS_SIGNAL_FLAGS_NONE, OnForegroundLost,
            new std::shared_ptr<Shared>(raw->shared),
            [](gpointer p) { delete static_cast<std::shared_ptr<Shared>*>(p); });
        g_main_loop_run(raw->loop);
        g_main_context_pop_thread_default(raw->context);
    });
    return std::unique_ptr<Bus>(new Bus(std::move(impl)));
}

Bus::Bus(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

Bus::~Bus() {
    Impl& d = *m_impl;
    {
        std::unique_lock lock(d.shared->postsMutex);
        d.shared->postsAnswered.wait_for(lock, std::chrono::milliseconds(kPostDrainMs),
                                         [&] { return d.shared->unansweredPosts == 0; });
    }
    d.RunOnBus([&d] {
        d.UnexportAll();
        while (!d.registrations.empty()) {
            const std::string element = d.registrations.begin()->first;
            d.Unregister(element);
        }
        if (d.automationRegistration)
            g_dbus_connection_unregister_object(d.shared->conn, d.automationRegistration);
        d.automationRegistration = 0;
        if (d.foregroundWatch)
            g_dbus_connection_signal_unsubscribe(d.shared->conn, d.foregroundWatch);
        d.foregroundWatch = 0;
    });
    HandOver(d.loop);
    g_main_context_invoke(d.context, QuitLoop, d.loop);
    d.thread.join();
    d.shared->host = nullptr;
    g_dbus_connection_flush_sync(d.shared->conn, nullptr, nullptr);
    g_dbus_connection_close_sync(d.shared->conn, nullptr, nullptr);
    // Run what the closing left for our context (registration user data frees).
    while (g_main_context_iteration(d.context, FALSE)) {
    }
    g_object_unref(d.shared->conn);
    d.shared->conn = nullptr;
    g_main_loop_unref(d.loop);
    g_main_context_unref(d.context);
}

void Bus::Impl::RunOnBus(const std::function<void()>& fn) {
    struct Job {
        const std::function<void()>* fn;
        std::promise<void> done;
    } job{&fn, {}};
    std::future<void> finished = job.done.get_future();
    // GLib runs the queued function after it was queued, behind a lock of its own.
    HandOver(&job);
    g_main_context_invoke(
        context,
        [](gpointer p) -> gboolean {
            auto* j = static_cast<Job*>(p);
            TakeOver(j);
            (*j->fn)();
            j->done.set_value();
            return G_SOURCE_REMOVE;
        },
        &job);
    finished.wait();
}

// Bus thread: exports the window object under its path; true when it is (or
// already was) exported.
bool Bus::Impl::Export(const std::string& element) {
    if (registrations.count(element)) return true;
    const std::string path = kWindowPathPrefix + element;
    auto* data = new ObjectData{shared, element, nullptr};
    GError* error = nullptr;
    guint id = g_dbus_connection_register_object(
        shared->conn, path.c_str(), WindowInterfaceInfo(), WindowVTable(), data,
        [](gpointer p) { delete static_cast<ObjectData*>(p); }, &error);
    if (!id) {
        SayOnce("desktop bus: cannot export " + path + ": " + TakeError(error));
        return false;
    }
    registrations[element] = id;
    return true;
}

// Bus thread: exports the window object, then asks for the window's bus name.
// Requests queue: a second program publishing the same name gets it when the
// first lets go. A name this program claimed earlier is already its own.
void Bus::Impl::Register(const std::string& element) {
    if (claimed.count(element)) return;
    if (!Export(element)) return;
    std::string why;
    GVariant* reply =
        CallDaemon(shared->conn, "RequestName",
                   g_variant_new("(su)", (kWindowNamePrefix + element).c_str(), 0u), "(u)", &why);
    if (reply)
        g_variant_unref(reply);
    else
        SayOnce("desktop bus: cannot own " + (kWindowNamePrefix + element) + ": " + why);
}

bool Bus::Impl::Claim(const std::string& element) {
    if (claimed.count(element)) return true;
    const bool exportedBefore = registrations.count(element) != 0;
    if (!Export(element)) return false;
    // DBUS_NAME_FLAG_DO_NOT_QUEUE: the daemon gives the name to exactly one
    // of several programs asking at once, and the others learn so at once.
    GVariant* reply = CallDaemon(shared->conn, "RequestName",
                                 g_variant_new("(su)", (kWindowNamePrefix + element).c_str(), 4u),
                                 "(u)", nullptr);
    guint32 result = 0;
    if (reply) {
        g_variant_get(reply, "(u)", &result);
        g_variant_unref(reply);
    }
    // 1: primary owner now; 4: already the owner.
    if (result == 1 || result == 4) {
        claimed.insert(element);
        return true;
    }
    if (!exportedBefore) {
        g_dbus_connection_unregister_object(shared->conn, registrations[element]);
        registrations.erase(element);
    }
    return false;
}

void Bus::Impl::Unregister(const std::string& element) {
    claimed.erase(element);
    auto it = registrations.find(element);
    if (it == registrations.end()) return;
    GVariant* reply =
        CallDaemon(shared->conn, "ReleaseName",
                   g_variant_new("(s)", (kWindowNamePrefix + element).c_str()), "(u)", nullptr);
    if (reply) g_variant_unref(reply);
    g_dbus_connection_unregister_object(shared->conn, it->second);
    registrations.erase(it);
}

void Bus::Publish(HWND hwnd, std::u16string_view name) {
    Impl& d = *m_impl;
    if (d.elementOf.count(hwnd)) Withdraw(hwnd);
    const std::string element = WindowElement(name);
    if (element.empty()) return;
    bool first = false;
    {
        std::lock_guard lock(d.shared->mutex);
        auto& list = d.shared->windows[element];
        first = list.empty();
        list.push_back({hwnd, std::u16string(name)});
    }
    d.elementOf[hwnd] = element;
    if (first) d.RunOnBus([&d, &element] { d.Register(element); });
}

void Bus::Withdraw(HWND hwnd) {
    Impl& d = *m_impl;
    auto it = d.elementOf.find(hwnd);
    if (it == d.elementOf.end()) return;
    const std::string element = it->second;
    d.elementOf.erase(it);
    bool last = false;
    {
        std::lock_guard lock(d.shared->mutex);
        auto& list = d.shared->windows[element];
        std::erase_if(list, [hwnd](const Shared::Published& p) { return p.hwnd == hwnd; });
        last = list.empty();
        if (last) d.shared->windows.erase(element);
    }
    if (last) d.RunOnBus([&d, &element] { d.Unregister(element); });
}

std::uint64_t Bus::Find(std::u16string_view name) {
    Impl& d = *m_impl;
    const std::string element = WindowElement(name);
    if (element.empty()) return 0;
    GVariant* reply =
        CallDaemon(d.shared->conn, "GetNameOwner",
                   g_variant_new("(s)", (kWindowNamePrefix + element).c_str()), "(s)", nullptr);
    if (!reply) return 0;
    const gchar* owner = nullptr;
    g_variant_get(reply, "(&s)", &owner);
    std::string ownerName = owner;
    g_variant_unref(reply);
    if (ownerName == d.unique) return 0;  // our own windows are the window system's to find
    std::lock_guard lock(d.remoteMutex);
    for (size_t i = 0; i < d.remotes.size(); ++i)
        if (d.remotes[i].owner == ownerName && d.remotes[i].element == element) return i + 1;
    d.remotes.push_back({ownerName, element});
    return d.remotes.size();
}

std::vector<Bus::Published> Bus::ListWindows() {
    Impl& d = *m_impl;
    std::vector<Published> out;
    GVariant* names = CallDaemon(d.shared->conn, "ListNames", nullptr, "(as)", nullptr);
    if (!names) return out;
    GVariantIter* iter = nullptr;
    const gchar* listed = nullptr;
    g_variant_get(names, "(as)", &iter);
    std::vector<std::string> ours;
    while (g_variant_iter_next(iter, "&s", &listed))
        if (g_str_has_prefix(listed, kWindowNamePrefix)) ours.emplace_back(listed);
    g_variant_iter_free(iter);
    g_variant_unref(names);
    for (const std::string& busName : ours) {
        const std::string element = busName.substr(std::strlen(kWindowNamePrefix));
        GVariant* owner = CallDaemon(d.shared->conn, "GetNameOwner",
                                     g_variant_new("(s)", busName.c_str()), "(s)", nullptr);
        if (!owner) continue;
        const gchar* ownerName = nullptr;
        g_variant_get(owner, "(&s)", &ownerName);
        Published p{{}, ownerName};
        g_variant_unref(owner);
        GVariant* name = g_dbus_connection_call_sync(
            d.shared->conn, p.owner.c_str(), (kWindowPathPrefix + element).c_str(),
            "org.freedesktop.DBus.Properties", "Get",
            g_variant_new("(ss)", kWindowInterface, "Name"), G_VARIANT_TYPE("(v)"),
            G_DBUS_CALL_FLAGS_NO_AUTO_START, kDaemonTimeoutMs, nullptr, nullptr);
        if (name) {
            GVariant* inner = nullptr;
            g_variant_get(name, "(v)", &inner);
            if (g_variant_is_of_type(inner, G_VARIANT_TYPE_STRING))
                p.name = Utf8ToUtf16(g_variant_get_string(inner, nullptr));
            g_variant_unref(inner);
            g_variant_unref(name);
        }
        out.push_back(std::move(p));
    }
    return out;
}

std::string Bus::UniqueName() const {
    return m_impl->unique;
}

bool Bus::IsConnected() const {
    return !g_dbus_connection_is_closed(m_impl->shared->conn);
}

std::string Bus::OwnerOf(std::uint64_t id) const {
    std::lock_guard lock(m_impl->remoteMutex);
    return id >= 1 && id <= m_impl->remotes.size() ? m_impl->remotes[id - 1].owner : std::string();
}

GVariant* Bus::Call(std::uint64_t id, const char* path, const char* iface, const char* method,
                    GVariant* args, const char* replyType, std::string* error) {
    Impl& d = *m_impl;
    std::string owner, element;
    {
        std::lock_guard lock(d.remoteMutex);
        if (id >= 1 && id <= d.remotes.size()) {
            owner = d.remotes[id - 1].owner;
            element = d.remotes[id - 1].element;
        }
    }
    if (args) g_variant_ref_sink(args);
    if (owner.empty()) {
        if (args) g_variant_unref(args);
        if (error) *error = "no such window";
        return nullptr;
    }
    auto pending = std::make_shared<Pending>();
    const int timeout = static_cast<int>(d.options.sendTimeoutMs);
    auto* start = new CallStart{
        d.shared->conn, owner,   path ? std::string(path) : kWindowPathPrefix + element,
        iface,          method,  replyType,
        args,           timeout, pending,
        d.shared};
    bool silent = false;
    {
        std::lock_guard lock(d.shared->silentMutex);
        silent = d.shared->silent.count(owner) != 0;
    }
    HandOver(start);
    g_main_context_invoke(d.context, StartCall, start);
    // The call still goes out (in order with this program's other calls) and
    // its answer, should one come, makes the peer one to wait for again.
    if (silent) {
        if (error) *error = "the program has not answered an earlier call";
        return nullptr;
    }
    // The bus itself gives up after `timeout`; the margin covers its reply.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout + 1000);
    Host* host = d.shared->host.load();
    if (!host->OnGuiThread()) {
        // Another thread only waits: the GUI thread's tasks are not its to run.
        std::unique_lock lock(pending->mutex);
        if (!pending->finished.wait_until(lock, deadline, [&] { return pending->done; })) {
            if (error) *error = "no answer in time";
            MarkSilent(*d.shared, owner);
            return nullptr;
        }
        if (!pending->reply && error) *error = pending->error;
        return pending->reply ? g_variant_ref(pending->reply) : nullptr;
    }
    for (;;) {
        {
            std::lock_guard lock(pending->mutex);
            if (pending->done) break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            if (error) *error = "no answer in time";
            MarkSilent(*d.shared, owner);
            return nullptr;
        }
        host->WaitForSentTasks(static_cast<DWORD>(std::min<long long>(left.count(), 100)));
    }
    std::lock_guard lock(pending->mutex);
    if (!pending->reply && error) *error = pending->error;
    return pending->reply ? g_variant_ref(pending->reply) : nullptr;
}

LRESULT Bus::Send(std::uint64_t id, UINT msg, WPARAM wParam, LPARAM lParam, bool* delivered) {
    if (delivered) *delivered = false;
    GVariant* args = nullptr;
    const char* method = nullptr;
    if (msg >= 0xC000) {
        const std::u16string name = m_impl->shared->host.load()->MessageName(msg);
        if (name.empty()) return 0;
        args = g_variant_new("(stx)", Utf16ToUtf8(name).c_str(), static_cast<guint64>(wParam),
                             static_cast<gint64>(lParam));
        method = "SendMessage";
    } else {
        args =
            g_variant_new("(utx)", msg, static_cast<guint64>(wParam), static_cast<gint64>(lParam));
        method = "SendNumber";
    }
    GVariant* reply = Call(id, nullptr, kWindowInterface, method, args, "(x)", nullptr);
    if (!reply) return 0;
    gint64 result = 0;
    g_variant_get(reply, "(x)", &result);
    g_variant_unref(reply);
    if (delivered) *delivered = true;
    return static_cast<LRESULT>(result);
}

bool Bus::Post(std::uint64_t id, UINT msg, WPARAM wParam, LPARAM lParam) {
    Impl& d = *m_impl;
    if (!IsConnected()) return false;
    std::string owner, element;
    {
        std::lock_guard lock(d.remoteMutex);
        if (id < 1 || id > d.remotes.size()) return false;
        owner = d.remotes[id - 1].owner;
        element = d.remotes[id - 1].element;
    }
    GVariant* args = nullptr;
    const char* method = nullptr;
    if (msg >= 0xC000) {
        const std::u16string name = d.shared->host.load()->MessageName(msg);
        if (name.empty()) return false;
        args = g_variant_new("(stx)", Utf16ToUtf8(name).c_str(), static_cast<guint64>(wParam),
                             static_cast<gint64>(lParam));
        method = "PostMessage";
    } else {
        args =
            g_variant_new("(utx)", msg, static_cast<guint64>(wParam), static_cast<gint64>(lParam));
        method = "PostNumber";
    }
    // The receiver answers a post as soon as it has queued it; the answer is
    // waited for only when this program closes (see ~Bus).
    {
        std::lock_guard lock(d.shared->postsMutex);
        ++d.shared->unansweredPosts;
    }
    auto* start = new PostStart{d.shared,
                                owner,
                                kWindowPathPrefix + element,
                                method,
                                g_variant_ref_sink(args),
                                static_cast<int>(d.options.sendTimeoutMs)};
    HandOver(start);
    g_main_context_invoke(d.context, StartPost, start);
    return true;
}

void ClaimForeground(Shared& shared) {
    // DBUS_NAME_FLAG_ALLOW_REPLACEMENT | DBUS_NAME_FLAG_REPLACE_EXISTING; no
    // reply is wanted, so the call never waits.
    g_dbus_connection_call(shared.conn, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", "RequestName",
                           g_variant_new("(su)", kForegroundName, 3u), nullptr,
                           G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
}

bool Bus::Claim(std::u16string_view name) {
    Impl& d = *m_impl;
    const std::string element = WindowElement(name);
    if (element.empty() || !IsConnected()) return !IsConnected();
    bool owned = false;
    d.RunOnBus([&d, &element, &owned] { owned = d.Claim(element); });
    return owned;
}

void Bus::TakeForeground() {
    if (IsConnected()) ClaimForeground(*m_impl->shared);
}

bool Bus::BringToFront(std::uint64_t id, UINT swpFlags) {
    GVariant* reply = Call(id, nullptr, kWindowInterface, "BringToFront",
                           g_variant_new("(u)", swpFlags), "(b)", nullptr);
    if (!reply) return false;
    gboolean done = FALSE;
    g_variant_get(reply, "(b)", &done);
    g_variant_unref(reply);
    return done;
}

bool Bus::EnableAutomation(AutomationHost& host) {
    Impl& d = *m_impl;
    bool ok = false;
    d.RunOnBus([&d, &host, &ok] {
        if (d.automationRegistration) {
            ok = true;
            return;
        }
        auto* data = new ObjectData{d.shared, {}, &host};
        GError* error = nullptr;
        d.automationRegistration = g_dbus_connection_register_object(
            d.shared->conn, kAutomationPath, AutomationInterfaceInfo(), AutomationVTable(), data,
            [](gpointer p) { delete static_cast<ObjectData*>(p); }, &error);
        if (!d.automationRegistration)
            SayOnce("desktop bus: cannot export automation: " + TakeError(error));
        ok = d.automationRegistration != 0;
    });
    return ok;
}

}  // namespace wq::ipc
